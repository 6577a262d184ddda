#include "platform/Database.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "platform/AppPath.h"
#include "platform/Runtime.h"

namespace platform {
namespace {

constexpr int kBusyTimeoutMs = 2000;

bool equalsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Closed connections are kept open in the background for the next Open of the same file:
// every data-access object opens its own connection, and opening SQLite afresh (reading the
// schema) costs more than the queries of a typical action. A kept connection holds no locks.
constexpr std::size_t kIdleConnections = 4;

struct FileId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const FileId&) const = default;
};

bool fileIdOf(const std::string& path, FileId& id) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

// Prepared statements kept per database handle, by SQL text: the data-access objects run the
// same few statements over and over. A statement in use by a recordset is not handed out again.
constexpr std::size_t kCachedStatements = 32;

struct CachedStatement {
    sqlite3_stmt* stmt;
    bool inUse;
};
using StatementCache = std::unordered_map<std::string, CachedStatement>;

std::unordered_map<sqlite3*, StatementCache>& statementCaches() {
    static std::unordered_map<sqlite3*, StatementCache> caches;
    return caches;
}

bool anyStatementInUse(sqlite3* db) {
    auto it = statementCaches().find(db);
    if (it != statementCaches().end())
        for (auto& [sql, c] : it->second)
            if (c.inUse) return true;
    // Statements outside the cache (past its size) are in use until finalized.
    for (sqlite3_stmt* st = sqlite3_next_stmt(db, nullptr); st; st = sqlite3_next_stmt(db, st)) {
        bool cached = false;
        if (it != statementCaches().end())
            for (auto& [sql, c] : it->second) cached = cached || c.stmt == st;
        if (!cached) return true;
    }
    return false;
}

// Handles that are open: in use by a connection or kept idle.
std::unordered_set<sqlite3*>& liveHandles() {
    static std::unordered_set<sqlite3*> live;
    return live;
}

// Closes a handle for good; statements still in use are finalized when they are released.
void closeHandle(sqlite3* db) {
    liveHandles().erase(db);
    auto it = statementCaches().find(db);
    if (it != statementCaches().end()) {
        for (auto c = it->second.begin(); c != it->second.end();) {
            if (c->second.inUse) {
                ++c;
            } else {
                sqlite3_finalize(c->second.stmt);
                c = it->second.erase(c);
            }
        }
        if (it->second.empty()) statementCaches().erase(it);
    }
    sqlite3_close_v2(db);
}

struct IdleConnection {
    std::string path;
    FileId file;  // a file replaced under the same name is a new file: its old handle is not used
    sqlite3* db;
};

struct IdlePool {
    std::vector<IdleConnection> idle;
    ~IdlePool() {
        for (auto& c : idle) closeHandle(c.db);
    }
    sqlite3* take(const std::string& path, const FileId& file) {
        for (auto it = idle.begin(); it != idle.end(); ++it) {
            if (it->path == path && it->file == file) {
                sqlite3* db = it->db;
                idle.erase(it);
                return db;
            }
        }
        return nullptr;
    }
    void give(const std::string& path, sqlite3* db) {
        FileId file;
        if (!fileIdOf(path, file) || anyStatementInUse(db) || !sqlite3_get_autocommit(db)) {
            closeHandle(db);
            return;
        }
        if (idle.size() >= kIdleConnections) {
            closeHandle(idle.front().db);
            idle.erase(idle.begin());
        }
        idle.push_back({path, file, db});
    }
};

IdlePool& idlePool() {
    static IdlePool pool;
    return pool;
}

bool onlyBlanksAndSemicolons(const char* p) {
    for (; *p; ++p)
        if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';') return false;
    return true;
}

}  // namespace

double Field::AsDouble() const {
    if (auto* i = std::get_if<std::int64_t>(&value_)) return static_cast<double>(*i);
    if (auto* d = std::get_if<double>(&value_)) return *d;
    if (auto* s = std::get_if<std::string>(&value_)) return CDbl(*s);
    throw RuntimeError("无效使用 Null");
}

std::int64_t Field::AsInt() const {
    if (auto* i = std::get_if<std::int64_t>(&value_)) return *i;
    const double d = AsDouble();
    if (!(d >= -9.2e18 && d <= 9.2e18)) throw RuntimeError("溢出");
    return static_cast<std::int64_t>(d);
}

std::string Field::AsText() const {
    if (auto* s = std::get_if<std::string>(&value_)) return *s;
    if (auto* i = std::get_if<std::int64_t>(&value_)) return std::to_string(*i);
    if (auto* d = std::get_if<double>(&value_)) return NumToText(*d);
    return std::string();
}

Connection::~Connection() {
    Close();
}

void Connection::Open(const std::string& path) {
    Close();
    path_ = path;
    std::error_code ec;
    FileId file;
    if (!std::filesystem::is_regular_file(path, ec) || !fileIdOf(path, file))
        throw DbError("找不到数据库文件：" + path);
    if (sqlite3* kept = idlePool().take(path, file)) {
        db_ = kept;
        return;
    }
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throw DbError("无法打开数据库文件：" + path + "（" + msg + "）");
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    // Reading the schema proves the file is a database we can read.
    rc = sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = sqlite3_errmsg(db);
        closeHandle(db);
        throw DbError("无法读取数据库文件：" + path + "（" + msg + "）");
    }
    db_ = db;
    liveHandles().insert(db);
}

void Connection::Close() {
    if (!db_) return;
    if (inTransaction_ || !sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "rollback", nullptr, nullptr, nullptr);
    inTransaction_ = false;
    idlePool().give(path_, db_);
    db_ = nullptr;
}

void Connection::Fail(const std::string& what, const std::string& sql) const {
    std::string msg = what;
    if (db_) msg += "：" + std::string(sqlite3_errmsg(db_));
    msg += "（数据库 " + path_ + "）";
    if (!sql.empty()) msg += "\n语句：" + sql;
    throw DbError(msg);
}

sqlite3_stmt* Connection::Prepare(const std::string& sql, const DbParams& params) {
    if (!db_) throw DbError("数据库连接未打开\n语句：" + sql);
    StatementCache& cache = statementCaches()[db_];
    sqlite3_stmt* stmt = nullptr;
    auto hit = cache.find(sql);
    if (hit != cache.end() && !hit->second.inUse) {
        stmt = hit->second.stmt;
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        hit->second.inUse = true;
    } else {
        const char* tail = nullptr;
        if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                               SQLITE_PREPARE_PERSISTENT, &stmt, &tail) != SQLITE_OK)
            Fail("语句无法执行", sql);
        if (!stmt || (tail && !onlyBlanksAndSemicolons(tail))) {
            sqlite3_finalize(stmt);
            throw DbError("只能执行一条语句\n语句：" + sql);
        }
        if (hit == cache.end() && cache.size() < kCachedStatements) cache[sql] = {stmt, true};
    }
    try {
        bind(stmt, sql, params);
    } catch (...) {
        Release(stmt);
        throw;
    }
    return stmt;
}

void Connection::bind(sqlite3_stmt* stmt, const std::string& sql, const DbParams& params) const {
    if (static_cast<int>(params.size()) != sqlite3_bind_parameter_count(stmt))
        throw DbError("参数个数不符\n语句：" + sql);
    for (std::size_t i = 0; i < params.size(); ++i) {
        const int pos = static_cast<int>(i) + 1;
        int rc = SQLITE_OK;
        const DbValue& v = params[i];
        if (auto* n = std::get_if<std::int64_t>(&v)) {
            rc = sqlite3_bind_int64(stmt, pos, *n);
        } else if (auto* d = std::get_if<double>(&v)) {
            rc = sqlite3_bind_double(stmt, pos, *d);
        } else if (auto* t = std::get_if<std::string>(&v)) {
            rc = sqlite3_bind_text(stmt, pos, t->data(), static_cast<int>(t->size()),
                                   SQLITE_TRANSIENT);
        } else {
            rc = sqlite3_bind_null(stmt, pos);
        }
        if (rc != SQLITE_OK) Fail("参数无法绑定", sql);
    }
}

void Connection::Release(sqlite3_stmt* stmt) {
    if (!stmt) return;
    sqlite3* db = sqlite3_db_handle(stmt);
    auto it = statementCaches().find(db);
    if (it != statementCaches().end()) {
        for (auto c = it->second.begin(); c != it->second.end(); ++c) {
            if (c->second.stmt != stmt) continue;
            sqlite3_reset(stmt);
            c->second.inUse = false;
            // The handle was closed for good while this statement was still in use.
            if (!liveHandles().count(db)) {
                sqlite3_finalize(stmt);
                it->second.erase(c);
                if (it->second.empty()) statementCaches().erase(it);
            }
            return;
        }
    }
    sqlite3_finalize(stmt);
}

int Connection::Execute(const std::string& sql, const DbParams& params) {
    sqlite3_stmt* stmt = Prepare(sql, params);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        const std::string msg = sqlite3_errmsg(db_);
        Release(stmt);
        throw DbError("语句执行失败：" + msg + "（数据库 " + path_ + "）\n语句：" + sql);
    }
    Release(stmt);
    return sqlite3_changes(db_);
}

void Connection::BeginTrans() {
    if (inTransaction_) throw DbError("事务已经开始（数据库 " + path_ + "）");
    Execute("begin immediate");
    inTransaction_ = true;
}

void Connection::CommitTrans() {
    if (!inTransaction_) throw DbError("没有可提交的事务（数据库 " + path_ + "）");
    Execute("commit");
    inTransaction_ = false;
}

void Connection::RollbackTrans() {
    if (!inTransaction_) return;
    inTransaction_ = false;
    // A failed statement may already have ended the transaction; then there is nothing to undo.
    if (!sqlite3_get_autocommit(db_)) Execute("rollback");
}

void OpenProgramDatabase(Connection& conn) {
    conn.Open(DatabasePath());
}

Transaction::Transaction(Connection& conn) : conn_(conn) {
    conn_.BeginTrans();
}

Transaction::~Transaction() {
    if (done_) return;
    try {
        conn_.RollbackTrans();
    } catch (...) {
        // Destructors must not throw; the connection's close rolls back anyway.
    }
}

void Transaction::Commit() {
    conn_.CommitTrans();
    done_ = true;
}

Recordset::~Recordset() {
    Close();
}

void Recordset::Open(const std::string& sql, Connection& conn, const DbParams& params) {
    Close();
    conn_ = &conn;
    sql_ = sql;
    stmt_ = conn.Prepare(sql, params);
    const int n = sqlite3_column_count(stmt_);
    names_.clear();
    for (int i = 0; i < n; ++i) {
        const char* name = sqlite3_column_name(stmt_, i);
        names_.emplace_back(name ? name : "");
    }
    eof_ = false;
    step();
}

void Recordset::Close() {
    if (stmt_) conn_->Release(stmt_);
    stmt_ = nullptr;
    eof_ = true;
}

void Recordset::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return;
    eof_ = true;
    if (rc != SQLITE_DONE) conn_->Fail("查询失败", sql_);
}

void Recordset::MoveNext() {
    if (eof_) throw DbError("已到记录集末尾\n语句：" + sql_);
    step();
}

Field Recordset::Fields(int index) const {
    if (eof_) throw DbError("当前没有记录\n语句：" + sql_);
    if (index < 0 || index >= FieldCount())
        throw DbError("字段序号超出范围：" + std::to_string(index) + "\n语句：" + sql_);
    switch (sqlite3_column_type(stmt_, index)) {
        case SQLITE_INTEGER:
            return Field(static_cast<std::int64_t>(sqlite3_column_int64(stmt_, index)));
        case SQLITE_FLOAT:
            return Field(sqlite3_column_double(stmt_, index));
        case SQLITE_NULL:
            return Field(DbValue{});
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
            const int len = sqlite3_column_bytes(stmt_, index);
            return Field(std::string(text ? text : "", static_cast<std::size_t>(len)));
        }
    }
}

Field Recordset::Fields(const std::string& name) const {
    for (int i = 0; i < FieldCount(); ++i)
        if (equalsNoCase(names_[i], name)) return Fields(i);
    throw DbError("找不到字段：" + name + "\n语句：" + sql_);
}

}  // namespace platform
