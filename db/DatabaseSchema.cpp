#include "db/DatabaseSchema.h"

#include <sqlite3.h>

#include <cstring>
#include <vector>

#include "platform/storage/DatabasePlace.h"

namespace {

// The tables and columns the program reads and writes.
struct Table {
    const char* name;
    std::vector<const char*> columns;
};
const Table kTables[] = {
    {"defaultParameter", {"paramCd", "paramDesc", "valueFrom", "valueTo"}},
    {"baseItem", {"ItemId", "ItemName", "Category", "Unit"}},
    {"baseData", {"ItemID", "PeriodType", "Year", "Period", "Data"}},
    {"indicatorItem",
     {"ItemID", "ItemName", "Unit", "HistoryBestLevel", "StandardLevel", "IndustryMeanLevel",
      "IndustryLeadLevel", "NationalStandardLevel", "InternationalLevel", "Weight", "Category"}},
};

// The statements of each version, in order; version n is reached by running upgrade n-1.
const std::vector<std::vector<const char*>> kUpgrades = {
    // 1: loading a period range reads only its rows, however much history is stored.
    {"create index if not exists baseData_period on baseData(PeriodType, Year, Period)"},
    // 2: money is kept in ten-thousands of yuan, as the DuPont tree labels it; only the units
    // an earlier catalogue gave remain to be changed.
    {"update baseItem set Unit = '万' || Unit where Unit in ('元', '元/人')",
     "update indicatorItem set Unit = '万' || Unit where Unit in ('元', '元/人')"},
};

// A handle on the file under check that closes itself, opened through its place as every handle
// of the program (only for reading where the program only views the file); it never creates the
// file.
class CheckedFile {
  public:
    explicit CheckedFile(const platform::DatabasePlace& place) {
        rc_ = platform::OpenThroughPlace(place, &db_);
        if (db_) {
            sqlite3_busy_timeout(db_, platform::BusyTimeoutMs());
            sqlite3_extended_result_codes(db_, 1);
        }
    }
    ~CheckedFile() { sqlite3_close_v2(db_); }
    CheckedFile(const CheckedFile&) = delete;
    CheckedFile& operator=(const CheckedFile&) = delete;

    std::string error() const { return db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc_); }
    bool opened() const { return rc_ == SQLITE_OK; }
    // Writes and commits as on every handle of the program. The setting reads the schema first,
    // so a failure here is the file's (damaged, locked) as for any read.
    bool durable() const { return platform::WriteOnlyAtDurableCommits(db_); }
    // Only a damaged or foreign file is judged; one that cannot be read or recovered now (locked
    // by another program, no permission, a failing disk) is reported as such.
    void failUnlessReadable(const std::string& path) const {
        const int code = db_ ? sqlite3_extended_errcode(db_) : rc_;
        const platform::DbFault fault = platform::DbError::FaultOf(code);
        if (fault != platform::DbFault::Damaged && fault != platform::DbFault::Other)
            throw platform::DbError(fault, "", path, error());
    }
    // The rows of one text column of a query; false with error() set when it fails.
    bool column(const std::string& sql, int col, std::vector<std::string>& out) const {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return false;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
            out.emplace_back(text ? text : "");
        }
        sqlite3_finalize(stmt);
        return rc == SQLITE_DONE;
    }

  private:
    sqlite3* db_ = nullptr;
    int rc_ = SQLITE_OK;
};

bool containsNoCase(const std::vector<std::string>& names, const char* name) {
    for (const auto& n : names)
        if (strcasecmp(n.c_str(), name) == 0) return true;
    return false;
}

int userVersion(platform::Connection& conn) {
    platform::Recordset rs;
    rs.Open("pragma user_version", conn);
    return rs.Eof() ? 0 : static_cast<int>(rs.Fields(0).AsInt());
}

}  // namespace

const int DatabaseSchema::kVersion = static_cast<int>(kUpgrades.size());

std::string DatabaseSchema::Problem(const platform::DatabasePlace& place) {
    const std::string& path = place.Error() ? place.Given() : place.File();
    CheckedFile file(place);
    std::vector<std::string> verdict;
    const char* check = "pragma integrity_check";
    if (!file.opened() || !file.durable() || !file.column(check, 0, verdict)) {
        file.failUnlessReadable(path);
        return file.error();
    }
    if (verdict.size() != 1 || verdict[0] != "ok")
        return verdict.empty() ? std::string(check) : verdict[0];
    for (const Table& table : kTables) {
        std::vector<std::string> columns;
        if (!file.column(std::string("pragma table_info(\"") + table.name + "\")", 1, columns))
            return file.error();
        if (columns.empty()) return std::string("缺少表 ") + table.name;
        for (const char* column : table.columns)
            if (!containsNoCase(columns, column))
                return std::string("表 ") + table.name + " 缺少字段 " + column;
    }
    return std::string();
}

void DatabaseSchema::Upgrade(platform::Connection& conn) {
    if (userVersion(conn) >= kVersion) return;
    platform::Transaction transaction(conn);
    // Read again under the write lock: another copy may have upgraded in between.
    const int from = userVersion(conn);
    if (from >= kVersion) return;
    for (int v = from; v < kVersion; ++v)
        for (const char* sql : kUpgrades[static_cast<std::size_t>(v)]) conn.Execute(sql);
    // A pragma takes no bound value; the version is this program's own number.
    conn.Execute("pragma user_version = " + std::to_string(kVersion));
    transaction.Commit();
}
