#include "platform/Database.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdio>
#include <filesystem>

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

Connection::~Connection() { Close(); }

void Connection::Open(const std::string& path) {
    Close();
    path_ = path;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw DbError("找不到数据库文件：" + path);
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
        sqlite3_close(db);
        throw DbError("无法读取数据库文件：" + path + "（" + msg + "）");
    }
    db_ = db;
}

void Connection::Close() {
    if (!db_) return;
    if (inTransaction_) sqlite3_exec(db_, "rollback", nullptr, nullptr, nullptr);
    inTransaction_ = false;
    sqlite3_close_v2(db_);
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
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail) !=
        SQLITE_OK)
        Fail("语句无法执行", sql);
    if (!stmt || (tail && !onlyBlanksAndSemicolons(tail))) {
        sqlite3_finalize(stmt);
        throw DbError("只能执行一条语句\n语句：" + sql);
    }
    if (static_cast<int>(params.size()) != sqlite3_bind_parameter_count(stmt)) {
        sqlite3_finalize(stmt);
        throw DbError("参数个数不符\n语句：" + sql);
    }
    for (std::size_t i = 0; i < params.size(); ++i) {
        const int pos = static_cast<int>(i) + 1;
        int rc = SQLITE_OK;
        const DbValue& v = params[i];
        if (auto* n = std::get_if<std::int64_t>(&v)) {
            rc = sqlite3_bind_int64(stmt, pos, *n);
        } else if (auto* d = std::get_if<double>(&v)) {
            rc = sqlite3_bind_double(stmt, pos, *d);
        } else if (auto* s = std::get_if<std::string>(&v)) {
            rc = sqlite3_bind_text(stmt, pos, s->data(), static_cast<int>(s->size()),
                                   SQLITE_TRANSIENT);
        } else {
            rc = sqlite3_bind_null(stmt, pos);
        }
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            Fail("参数无法绑定", sql);
        }
    }
    return stmt;
}

int Connection::Execute(const std::string& sql, const DbParams& params) {
    sqlite3_stmt* stmt = Prepare(sql, params);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) Fail("语句执行失败", sql);
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

void OpenProgramDatabase(Connection& conn) { conn.Open(DatabasePath()); }

Transaction::Transaction(Connection& conn) : conn_(conn) { conn_.BeginTrans(); }

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

Recordset::~Recordset() { Close(); }

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
    if (stmt_) sqlite3_finalize(stmt_);
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
        case SQLITE_INTEGER: return Field(static_cast<std::int64_t>(sqlite3_column_int64(stmt_, index)));
        case SQLITE_FLOAT: return Field(sqlite3_column_double(stmt_, index));
        case SQLITE_NULL: return Field(DbValue{});
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
