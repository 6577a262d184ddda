#include "tests/support/TestDb.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/AppPath.h"

namespace fs = std::filesystem;

namespace {

// Test folders sit in memory (/dev/shm) unless TMPDIR names a place: every save syncs the file
// and its folder, and on disk hundreds of tests' syncs queue behind each other and behind the
// write-back of the build. What a test checks does not depend on where the folder is.
fs::path testRoot() {
    if (!std::getenv("TMPDIR") && ::access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
    return fs::temp_directory_path();
}

}  // namespace

TestDb::TestDb() {
    std::string pattern = (testRoot() / "kvt-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    fs::create_directories(fs::path(folder_) / "db");
    fs::copy_file(TEMPLATE_DB, path());
    platform::SetAppPath(folder_);
}

TestDb::~TestDb() {
    platform::SetAppPath("");
    std::error_code ec;
    fs::permissions(path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(folder_, ec);
}

std::string TestDb::path() const {
    return (fs::path(folder_) / "db" / "db.mdb").string();
}

void TestDb::exec(const std::string& sql, const platform::DbParams& params) const {
    platform::Connection conn;
    conn.Open(path());
    conn.Execute(sql, params);
}

std::string QueryFile(const std::string& file, const std::string& sql,
                      const platform::DbParams& params) {
    platform::Connection conn;
    conn.Open(file);
    platform::Recordset rs;
    rs.Open(sql, conn, params);
    return rs.Eof() ? std::string() : rs.Fields(0).AsText();
}

void TestDb::putData(int itemId, int periodType, int year, int period, double data) const {
    exec("insert or replace into baseData(ItemID,PeriodType,Year,Period,Data) values(?,?,?,?,?)",
         {std::int64_t(itemId), std::int64_t(periodType), std::int64_t(year), std::int64_t(period),
          data});
}
