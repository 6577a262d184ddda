// A temporary program folder holding a fresh copy of the database made from db/*.sql. While it
// lives, the program folder (platform::AppPath) points at it.
#pragma once

#include <string>

#include "platform/storage/Database.h"

// The first column of the first row of a query on a database file, as text ("" for NULL or no
// row).
std::string QueryFile(const std::string& file, const std::string& sql,
                      const platform::DbParams& params = {});

// The first line of a text: the cause of a database error's message.
inline std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

class TestDb {
  public:
    TestDb();
    ~TestDb();
    TestDb(const TestDb&) = delete;
    TestDb& operator=(const TestDb&) = delete;

    const std::string& folder() const { return folder_; }
    std::string path() const;
    // Runs one statement on a connection of its own.
    void exec(const std::string& sql, const platform::DbParams& params = {}) const;
    // QueryFile on this database.
    std::string scalar(const std::string& sql, const platform::DbParams& params = {}) const {
        return QueryFile(path(), sql, params);
    }
    // Stores one amount in baseData.
    void putData(int itemId, int periodType, int year, int period, double data) const;
    // What a message box says when this database fails: the cause, then the file.
    std::string message(const std::string& cause) const { return cause + "\n文件：" + path(); }

  private:
    std::string folder_;
};

// The busy wait of the connections opened while it lives. A test that waits out a lock it holds
// sets a short one (the default) rather than the program's 2 seconds.
class BusyWait {
  public:
    explicit BusyWait(int ms = 100) : before_(platform::BusyTimeoutMs()) {
        platform::SetBusyTimeoutMs(ms);
    }
    ~BusyWait() { platform::SetBusyTimeoutMs(before_); }
    BusyWait(const BusyWait&) = delete;
    BusyWait& operator=(const BusyWait&) = delete;

  private:
    int before_;
};

// Another program holding the database in an exclusive transaction while it lives: every read
// and write of the program fails as locked (after a short busy wait).
class DbLockedByOther {
  public:
    explicit DbLockedByOther(const TestDb& db) {
        conn_.Open(db.path());
        conn_.Execute("begin exclusive");
    }
    ~DbLockedByOther() {
        try {
            conn_.Execute("rollback");
        } catch (...) {
        }
    }
    DbLockedByOther(const DbLockedByOther&) = delete;
    DbLockedByOther& operator=(const DbLockedByOther&) = delete;

  private:
    BusyWait wait_;
    platform::Connection conn_;
};
