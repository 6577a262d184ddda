// The program's database access: a Connection to the SQLite file <program folder>/db/db.mdb
// with bound statements and transactions, and a forward-only Recordset over one query's rows.
// Every failure raises DbError; nothing is swallowed here.
//
// One thread only: connections, their kept handles and statements are shared without locks, and
// SQLite opens them without its own mutex (SQLITE_OPEN_NOMUTEX). The thread of the first Open
// (the program's main thread) is the only one whose Open succeeds; another thread's raises
// DbError.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

class DatabasePlace;

// The causes of a database failure that the user can act on.
enum class DbFault {
    Other,
    Busy,               // another program holds a lock
    NotWritable,        // the file may not be written (read-only, another user's)
    FolderNotWritable,  // the file's folder may not be written (no room for the journal)
    CannotOpen,         // the file may not be opened at all
    Full,               // the disk is full
    Moved,              // the file was replaced or removed while a handle had it open
    Io,                 // the disk failed to read or write
    Damaged,            // the file is not a (sound) SQLite database
};

// What every window shows for a database failure: Chinese only, the cause and the file. What
// a developer needs (SQLite's text, the statement) goes to standard error when it is raised.
class DbError : public std::runtime_error {
  public:
    // A failure described by the caller (already Chinese).
    explicit DbError(const std::string& what) : std::runtime_error(what) {}
    // The same with a detail for the developer only.
    DbError(const std::string& what, const std::string& detail);
    // A failure of SQLite on `file`: its cause, or `what` when the user cannot act on it.
    DbError(DbFault fault, const std::string& what, const std::string& file,
            const std::string& detail);
    DbFault Fault() const { return fault_; }
    // The first line of the message for each cause; "" for Other.
    static const char* Description(DbFault fault);
    // The cause of an SQLite result code (extended or primary).
    static DbFault FaultOf(int sqliteCode);

  private:
    DbFault fault_ = DbFault::Other;
};

// A value read from a row or bound to a statement; std::monostate is NULL.
using DbValue = std::variant<std::monostate, std::int64_t, double, std::string>;
using DbParams = std::vector<DbValue>;

// One column of the current row.
class Field {
  public:
    explicit Field(DbValue value) : value_(std::move(value)) {}
    bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
    // Numbers as they are; numeric text converted (C locale). NULL or other text raises
    // RuntimeError ("类型不匹配").
    double AsDouble() const;
    std::int64_t AsInt() const;
    // Text as it is; numbers in the 15-digit number text; NULL gives "".
    std::string AsText() const;
    const DbValue& Value() const { return value_; }

  private:
    DbValue value_;
};

class Connection {
  public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens an existing database file; never creates one. A missing or unreadable file
    // raises DbError naming the file; so does an Open on another thread than the first Open's. A
    // handle kept from an earlier Close is used again only when the path still names the very file
    // that handle opened.
    void Open(const std::string& path);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    const std::string& Path() const { return path_; }

    // Runs one statement with its parameters bound in order; returns the rows changed.
    int Execute(const std::string& sql, const DbParams& params = {});

    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool InTransaction() const { return inTransaction_; }

    sqlite3* Handle() const { return db_; }

    // Prepares one statement (trailing blanks and ";" allowed, nothing else) and binds params;
    // hand it back with Release when done.
    sqlite3_stmt* Prepare(const std::string& sql, const DbParams& params);
    static void Release(sqlite3_stmt* stmt);
    // Raises DbError for the handle's last error: its cause, else `what`, and the file; SQLite's
    // text and the statement go to standard error.
    [[noreturn]] void Fail(const std::string& what, const std::string& sql = {}) const;

  private:
    void bind(sqlite3_stmt* stmt, const std::string& sql, const DbParams& params) const;
    DbError lastError(const std::string& what, const std::string& sql) const;

    sqlite3* db_ = nullptr;
    std::string path_;
    bool inTransaction_ = false;
};

// Opens <program folder>/db/db.mdb.
void OpenProgramDatabase(Connection& conn);

// How long a statement waits for another program's lock on the file before it fails as busy,
// in milliseconds: 2000 unless set. Every Open from then on uses it, kept handles included.
int BusyTimeoutMs();
void SetBusyTimeoutMs(int ms);

// Whether every Open from then on opens the file only for reading (SQLITE_OPEN_READONLY): SQLite
// then neither plays back a journal into it nor writes one beside it, and every save fails as on
// a file the user may not write. Set by the start where others may change the database's folder.
void SetViewOnly(bool viewOnly);
bool ViewOnly();
// The flags of sqlite3_open_v2 for the program's database: read-only when ViewOnly(), else
// reading and writing (never creating).
int DatabaseOpenFlags();

// Opens the SQLite file `place` holds: by the folder the place holds, never by the name again,
// and only for reading where ViewOnly() or the place's doubt says; `flags` are added
// (SQLITE_OPEN_NOMUTEX). The place must be held for as long as the handle lives. SQLite's result
// code; `db` may be set on failure too.
int OpenThroughPlace(const DatabasePlace& place, sqlite3** db, int flags = 0);
// What a reader is told when a journal beside the database keeps it from reading: "" without one.
std::string JournalLeftText(const DatabasePlace* place);

// "" when the path names a regular file SQLite can open; otherwise what the user is told, with
// the path: no such file, not a file (a folder), one the user may not read, or a folder on the
// way that may not be entered. (SQLite opens the file through its held folder, so the path's
// length does not matter to it.)
std::string DatabaseFileProblem(const std::string& path);

// Makes the handle write the database file only when a transaction commits, and every commit
// durable before it returns. No page is written to the file in the middle of a transaction, even
// when the transaction outgrows the page cache (the cache grows instead): such a write would come
// before the commit puts page 1 in the journal, and a journal without page 1 cannot be matched to
// its file after a crash. With a rollback journal, the folder is synced after the journal's
// removal, so a power cut cannot bring the journal back and undo a finished save. False when a
// setting fails.
bool WriteOnlyAtDurableCommits(sqlite3* db);

// Rolls the transaction back when it goes out of scope without Commit().
class Transaction {
  public:
    explicit Transaction(Connection& conn);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

  private:
    Connection& conn_;
    bool done_ = false;
};

// A forward-only, read-only cursor on one query.
class Recordset {
  public:
    Recordset() = default;
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    void Open(const std::string& sql, Connection& conn, const DbParams& params = {});
    void Close();
    bool IsOpen() const { return stmt_ != nullptr; }

    bool Eof() const { return eof_; }
    void MoveNext();

    int FieldCount() const { return static_cast<int>(names_.size()); }
    const std::string& FieldName(int index) const { return names_.at(index); }
    // A column of the current row by name, letter case ignored. Unknown names and reads past
    // the end raise DbError.
    Field Fields(const std::string& name) const;
    Field Fields(int index) const;
    // Fields(index).AsInt() and .AsDouble() without building a Field, for loops over many rows.
    std::int64_t AsInt(int index) const;
    double AsDouble(int index) const;

  private:
    void step();
    // Raises DbError when there is no current row or no such column.
    void checkColumn(int index) const {
        if (eof_ || index < 0 || index >= static_cast<int>(names_.size())) failColumn(index);
    }
    [[noreturn]] void failColumn(int index) const;

    Connection* conn_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    std::string sql_;
    std::vector<std::string> names_;
    bool eof_ = true;
};

}  // namespace platform
