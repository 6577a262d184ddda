#include "platform/storage/Database.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <list>
#include <memory>
#include <sstream>
#include <thread>
#include <unordered_map>

#include "platform/AppPath.h"
#include "platform/Runtime.h"
#include "platform/storage/AccessRemedy.h"
#include "platform/storage/DatabasePlace.h"
#include "platform/storage/PinnedVfs.h"

namespace platform {
namespace {

int busyTimeoutMs = 2000;
bool viewOnly = false;

// The thread that opened the first connection: the only one that may open connections after it.
std::atomic<std::thread::id> owningThread;

// Raises DbError when the calling thread is not the one that opened the first connection.
void checkOwningThread(const std::string& path) {
    const std::thread::id self = std::this_thread::get_id();
    std::thread::id owner;
    if (owningThread.compare_exchange_strong(owner, self) || owner == self) return;
    std::ostringstream detail;
    detail << "Connection::Open on thread " << self << "; connections belong to thread " << owner
           << " (opened without SQLite's mutex); " << path;
    throw DbError("程序内部错误：数据库只能在程序的主线程中使用，刚才的操作没有完成。",
                  detail.str());
}

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

// The identity of a file: which file a path names now, or which one a handle opened.
struct FileId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const FileId&) const = default;
};

// Prepared statements kept per database handle by SQL text, the least recently used dropped
// first: the data-access objects run the same few statements over and over. A statement in use
// by a recordset is not handed out again and not dropped.
constexpr std::size_t kCachedStatements = 32;

struct CachedStatement {
    std::string sql;
    sqlite3_stmt* stmt;
    bool inUse;
};

class StatementCache {
  public:
    ~StatementCache() {
        for (auto& c : order_) sqlite3_finalize(c.stmt);
    }
    // The statement kept for the text, marked in use and made the most recent; null when none
    // is kept or it is in use.
    sqlite3_stmt* take(const std::string& sql) {
        auto hit = bySql_.find(sql);
        if (hit == bySql_.end() || hit->second->inUse) return nullptr;
        order_.splice(order_.begin(), order_, hit->second);
        hit->second->inUse = true;
        return hit->second->stmt;
    }
    // Keeps a new statement (in use), dropping the least recently used idle one when full;
    // false when one is kept for the text already or every kept statement is in use.
    bool keep(const std::string& sql, sqlite3_stmt* stmt) {
        if (bySql_.count(sql) != 0) return false;
        if (order_.size() >= kCachedStatements && !dropOldestIdle()) return false;
        order_.push_front({sql, stmt, true});
        bySql_[sql] = order_.begin();
        return true;
    }
    // Marks a kept statement idle again; false when the statement is not kept here.
    bool release(sqlite3_stmt* stmt) {
        for (auto& c : order_)
            if (c.stmt == stmt) {
                c.inUse = false;
                return true;
            }
        return false;
    }
    bool contains(sqlite3_stmt* stmt) const {
        for (auto& c : order_)
            if (c.stmt == stmt) return true;
        return false;
    }
    bool anyInUse() const {
        for (auto& c : order_)
            if (c.inUse) return true;
        return false;
    }
    // Finalizes the idle statements; statements in use stay until released.
    void dropIdle() {
        for (auto c = order_.begin(); c != order_.end();) c = c->inUse ? std::next(c) : drop(c);
    }
    bool empty() const { return order_.empty(); }

  private:
    using Entry = std::list<CachedStatement>::iterator;

    bool dropOldestIdle() {
        for (auto c = order_.rbegin(); c != order_.rend(); ++c)
            if (!c->inUse) {
                drop(std::next(c).base());
                return true;
            }
        return false;
    }
    // Finalizes and forgets one statement; returns the entry after it.
    Entry drop(Entry c) {
        sqlite3_finalize(c->stmt);
        bySql_.erase(c->sql);
        return order_.erase(c);
    }

    std::list<CachedStatement> order_;  // most recently used first
    std::unordered_map<std::string, Entry> bySql_;
};

struct IdleConnection {
    std::string path;
    sqlite3* db;
};

// What is known of an open handle: whether it may be kept idle, and the file it opened.
struct LiveHandle {
    bool keepable;
    FileId file;
    std::shared_ptr<DatabasePlace> place;  // held while the handle lives
    uid_t user = ::geteuid();              // whose judgement of the place it was opened on
};

// Every open handle with its statements, and the idle ones. One object, so that at exit the idle
// handles are closed while the statement caches still stand.
class Registry {
  public:
    ~Registry() {
        for (auto& c : idle_) close(c.db);
        idle_.clear();
        gone = true;
    }

    void opened(sqlite3* db, bool keepable, const FileId& file,
                std::shared_ptr<DatabasePlace> place) {
        live_[db] = {keepable, file, std::move(place)};
    }
    StatementCache& statements(sqlite3* db) { return caches_[db]; }

    // Marks a kept statement idle again; false when it is not kept (the caller finalizes it).
    bool release(sqlite3_stmt* stmt) {
        sqlite3* db = sqlite3_db_handle(stmt);
        StatementCache* cache = findStatements(db);
        if (!cache || !cache->release(stmt)) return false;
        // The handle was closed for good while this statement was still in use.
        if (live_.count(db) == 0) dropIdleStatements(db);
        return true;
    }

    // Closes a handle for good; statements still in use are finalized when they are released.
    // The handle goes before its hold on the place, which may unpin and close the folder.
    void close(sqlite3* db) {
        dropIdleStatements(db);
        sqlite3_close_v2(db);
        live_.erase(db);
    }

    // A kept handle on `file`, the file the path names now. Handles kept on another file under
    // the path (replaced or removed) are closed: they would read and write the old file.
    sqlite3* take(const std::string& path, const FileId& file) {
        for (auto it = idle_.begin(); it != idle_.end();) {
            if (it->path != path) {
                ++it;
                continue;
            }
            sqlite3* db = it->db;
            it = idle_.erase(it);
            const LiveHandle& live = live_.at(db);
            // A child process that became another user opens its own.
            if (live.file == file && live.user == ::geteuid()) return db;
            close(db);
        }
        return nullptr;
    }

    void give(const std::string& path, sqlite3* db) {
        const auto live = live_.find(db);
        const bool keepable =
            live != live_.end() && live->second.keepable && live->second.place->StillHolds();
        if (!keepable || inUse(db) || !sqlite3_get_autocommit(db)) {
            close(db);
            return;
        }
        if (idle_.size() >= kIdleConnections) {
            close(idle_.front().db);
            idle_.erase(idle_.begin());
        }
        idle_.push_back({path, db});
    }

    // Set once the registry is destroyed at exit: connections closed later close directly.
    static constinit inline bool gone = false;

  private:
    StatementCache* findStatements(sqlite3* db) {
        auto it = caches_.find(db);
        return it == caches_.end() ? nullptr : &it->second;
    }
    void dropIdleStatements(sqlite3* db) {
        if (StatementCache* cache = findStatements(db)) {
            cache->dropIdle();
            if (cache->empty()) caches_.erase(db);
        }
    }
    bool inUse(sqlite3* db) {
        StatementCache* cache = findStatements(db);
        if (cache && cache->anyInUse()) return true;
        // Statements outside the cache (past its size) are in use until finalized.
        for (sqlite3_stmt* st = sqlite3_next_stmt(db, nullptr); st; st = sqlite3_next_stmt(db, st))
            if (!cache || !cache->contains(st)) return true;
        return false;
    }

    std::unordered_map<sqlite3*, LiveHandle> live_;
    std::unordered_map<sqlite3*, StatementCache> caches_;
    std::vector<IdleConnection> idle_;
};

Registry& registry() {
    static Registry r;
    return r;
}

bool onlyBlanksAndSemicolons(const char* p) {
    for (; *p; ++p)
        if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';') return false;
    return true;
}

// Sets the rollback journal; false when the file stays in another mode (a write-ahead log that
// another program keeps open).
bool pinRollbackJournal(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    bool pinned = false;
    if (sqlite3_prepare_v2(db, "pragma journal_mode = delete", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        const auto* mode = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        pinned = mode && equalsNoCase(mode, "delete");
    }
    sqlite3_finalize(stmt);
    return pinned;
}

// A statement on one line, blanks folded, for the developer's detail on standard error.
std::string statementLine(const std::string& sql) {
    std::string line;
    for (char ch : sql) {
        const bool blank = std::isspace(static_cast<unsigned char>(ch));
        if (blank && (line.empty() || line.back() == ' ')) continue;
        line += blank ? ' ' : ch;
    }
    return line;
}

// A mistake of the calling code about a statement: the statement is for the developer.
DbError statementError(const std::string& what, const std::string& sql) {
    return DbError(what, statementLine(sql));
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

namespace {

// The developer's part of a failure, on standard error as it is raised.
void logDetail(const std::string& cause, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", cause.c_str(), detail.c_str());
}

std::string causeText(DbFault fault, const std::string& what) {
    return fault == DbFault::Other ? what : DbError::Description(fault);
}

}  // namespace

DbError::DbError(const std::string& what, const std::string& detail) : std::runtime_error(what) {
    logDetail(what, detail);
}

DbError::DbError(DbFault fault, const std::string& what, const std::string& file,
                 const std::string& detail)
    : std::runtime_error(causeText(fault, what) + "\n文件：" + file), fault_(fault) {
    logDetail(causeText(fault, what), detail + "; " + file);
}

const char* DbError::Description(DbFault fault) {
    // In the order of DbFault; Other has no text of its own.
    static const char* const kCauses[] = {
        "",
        "数据库正被其他程序使用，请稍后再试",
        "数据库文件无法写入",
        "数据库文件所在的文件夹无法写入",
        "数据库文件无法打开",
        "磁盘空间不足",
        "数据库文件已被替换或删除，请重新操作",
        "数据库文件读写出错",
        "数据库文件已损坏",
    };
    static_assert(std::size(kCauses) == static_cast<std::size_t>(DbFault::Damaged) + 1);
    return kCauses[static_cast<std::size_t>(fault)];
}

DbFault DbError::FaultOf(int sqliteCode) {
    switch (sqliteCode) {
        case SQLITE_READONLY_DBMOVED:
            return DbFault::Moved;
        case SQLITE_READONLY_DIRECTORY:
            return DbFault::FolderNotWritable;
        default:
            break;
    }
    switch (sqliteCode & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return DbFault::Busy;
        case SQLITE_READONLY:
        case SQLITE_PERM:
            return DbFault::NotWritable;
        case SQLITE_CANTOPEN:
            return DbFault::CannotOpen;
        case SQLITE_FULL:
            return DbFault::Full;
        case SQLITE_IOERR:
            return DbFault::Io;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return DbFault::Damaged;
        default:
            return DbFault::Other;
    }
}

Connection::~Connection() {
    Close();
}

void Connection::Open(const std::string& path) {
    Close();
    checkOwningThread(path);
    path_ = path;
    // The file is looked up by its name once, here; SQLite opens it through the held folder.
    const std::shared_ptr<DatabasePlace> place = DatabasePlace::Of(path);
    if (place->Error())
        if (const std::string problem = DatabaseFileProblem(path); !problem.empty())
            throw DbError(problem);
    const FileId file{place->Held().st_dev, place->Held().st_ino};
    if (sqlite3* kept = place->Error() ? nullptr : registry().take(path, file)) {
        sqlite3_busy_timeout(kept, busyTimeoutMs);
        db_ = kept;
        return;
    }
    sqlite3* db = nullptr;
    // Every handle serves the one thread checked above (the registry of handles is not shared
    // between threads either), so SQLite's per-call locking of the handle is left out: it costs
    // about as much as reading a column.
    int rc = OpenThroughPlace(*place, &db, SQLITE_OPEN_NOMUTEX);
    auto fail = [&](const char* what) {
        const int code = db ? sqlite3_extended_errcode(db) : rc;
        const std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        if (const std::string journal = JournalLeftText(place.get()); !journal.empty())
            throw DbError(journal, msg);
        throw DbError(DbError::FaultOf(code), what, path, msg);
    };
    if (rc != SQLITE_OK) fail("无法打开数据库文件");
    sqlite3_busy_timeout(db, busyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    // Reading the schema proves the file is a database we can read.
    rc = sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) fail("无法读取数据库文件");
    // A rollback journal exists only during a write; a write-ahead log would stay open (with its
    // shared-memory file) for as long as the handle does.
    const bool pinned = pinRollbackJournal(db);
    if (!WriteOnlyAtDurableCommits(db)) fail("无法读取数据库文件");
    // The held folder's name held the file before and after the open, so that is the file the
    // handle has open; otherwise it was being replaced and the handle is not kept.
    const bool settled = place->StillHolds();
    db_ = db;
    registry().opened(db, pinned && settled, file, place);
}

void Connection::Close() {
    if (!db_) return;
    if (inTransaction_ || !sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "rollback", nullptr, nullptr, nullptr);
    inTransaction_ = false;
    if (Registry::gone)
        sqlite3_close_v2(db_);
    else
        registry().give(path_, db_);
    db_ = nullptr;
}

DbError Connection::lastError(const std::string& what, const std::string& sql) const {
    const int code = db_ ? sqlite3_extended_errcode(db_) : SQLITE_ERROR;
    std::string detail = (db_ ? sqlite3_errmsg(db_) : "") + (" [" + std::to_string(code) + "]");
    if (!sql.empty()) detail += "; " + statementLine(sql);
    const DbFault fault = DbError::FaultOf(code);
    if (code == SQLITE_READONLY_ROLLBACK || fault == DbFault::CannotOpen) {
        const std::shared_ptr<DatabasePlace> place = DatabasePlace::Of(path_);
        // A save refused before it wrote: its journal could not have the database's access.
        if (fault == DbFault::CannotOpen && !place->JournalRefusal().empty())
            return DbError(place->JournalRefusal(), detail);
        // A reader meets a journal another program left: it only read, so "cannot write" misleads.
        if (const std::string journal = JournalLeftText(place.get()); !journal.empty())
            return DbError(journal, detail);
    }
    return DbError(fault, what, path_, detail);
}

void Connection::Fail(const std::string& what, const std::string& sql) const {
    throw lastError(what, sql);
}

sqlite3_stmt* Connection::Prepare(const std::string& sql, const DbParams& params) {
    if (!db_) throw statementError("数据库连接未打开", sql);
    StatementCache& cache = registry().statements(db_);
    // A kept statement came back reset by Release, and bind sets every parameter anew.
    sqlite3_stmt* stmt = cache.take(sql);
    if (!stmt) {
        const char* tail = nullptr;
        if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                               SQLITE_PREPARE_PERSISTENT, &stmt, &tail) != SQLITE_OK)
            Fail("语句无法执行", sql);
        if (!stmt || (tail && !onlyBlanksAndSemicolons(tail))) {
            sqlite3_finalize(stmt);
            throw statementError("只能执行一条语句", sql);
        }
        cache.keep(sql, stmt);  // one not kept is finalized at Release
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
        throw statementError("参数个数不符", sql);
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
    sqlite3_reset(stmt);
    if (Registry::gone || !registry().release(stmt)) sqlite3_finalize(stmt);
}

int Connection::Execute(const std::string& sql, const DbParams& params) {
    sqlite3_stmt* stmt = Prepare(sql, params);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        const DbError error = lastError("语句执行失败", sql);
        Release(stmt);
        throw error;
    }
    Release(stmt);
    return sqlite3_changes(db_);
}

void Connection::BeginTrans() {
    if (inTransaction_) throw DbError("事务已经开始", path_);
    Execute("begin immediate");
    inTransaction_ = true;
}

void Connection::CommitTrans() {
    if (!inTransaction_) throw DbError("没有可提交的事务", path_);
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

int BusyTimeoutMs() {
    return busyTimeoutMs;
}

void SetBusyTimeoutMs(int ms) {
    busyTimeoutMs = ms;
}

void SetViewOnly(bool only) {
    viewOnly = only;
}

bool ViewOnly() {
    return viewOnly;
}

int DatabaseOpenFlags() {
    return viewOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
}

int OpenThroughPlace(const DatabasePlace& place, sqlite3** db, int flags) {
    *db = nullptr;
    if (place.Error()) return SQLITE_CANTOPEN;
    const int access =
        viewOnly || !place.Doubt().Empty() ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    return sqlite3_open_v2(place.SqlitePath().c_str(), db, access | flags, PinnedVfs::Name());
}

std::string JournalLeftText(const DatabasePlace* place) {
    // Only a journal SQLite would play back keeps a reader out.
    if (!place || !place->JournalLooksHot()) return std::string();
    return "数据库文件旁有另一个程序未完成的保存所留下的日志文件，现在无法读取数据库。"
           "请稍后再试；如果没有其他程序在保存，请关闭本程序后重新启动，由启动时处理它。\n文件：" +
           place->Files().PathOf(place->JournalName());
}

std::string DatabaseFileProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return "不是数据库文件：" + path;
        if (::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) != 0 && errno == EACCES) {
            FileAccess access;
            return DbError(DbFault::CannotOpen, "", path, "no permission to read it").what() +
                   std::string("\n原因：没有读取这个文件的权限") +
                   (FileAccessAt(path, access) == 0
                        ? "\n解决办法：" + AccessRemedy(access, kMayRead, ::geteuid(), "数据库文件")
                        : std::string());
        }
        return std::string();
    }
    if (errno == ENOENT || errno == ENOTDIR) return "找不到数据库文件：" + path;
    // A folder on the way the user may not enter.
    return DbError(DbFault::CannotOpen, "", path, std::strerror(errno)).what();
}

bool WriteOnlyAtDurableCommits(sqlite3* db) {
    return sqlite3_exec(db, "pragma synchronous = extra; pragma cache_spill = off", nullptr,
                        nullptr, nullptr) == SQLITE_OK;
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
    if (eof_) throw statementError("已到记录集末尾", sql_);
    step();
}

void Recordset::failColumn(int index) const {
    if (eof_) throw statementError("当前没有记录", sql_);
    throw statementError("字段序号超出范围：" + std::to_string(index), sql_);
}

// The column's value is taken once and asked for its type and number: one call into the
// statement per column, as a bare read makes. The value is read before the next step, on the
// one thread that uses the handle.
std::int64_t Recordset::AsInt(int index) const {
    checkColumn(index);
    sqlite3_value* v = sqlite3_column_value(stmt_, index);
    if (sqlite3_value_type(v) == SQLITE_INTEGER) return sqlite3_value_int64(v);
    return Fields(index).AsInt();
}

double Recordset::AsDouble(int index) const {
    checkColumn(index);
    sqlite3_value* v = sqlite3_column_value(stmt_, index);
    switch (sqlite3_value_type(v)) {
        case SQLITE_FLOAT:
            return sqlite3_value_double(v);
        case SQLITE_INTEGER:
            return static_cast<double>(sqlite3_value_int64(v));
        default:
            return Fields(index).AsDouble();
    }
}

Field Recordset::Fields(int index) const {
    checkColumn(index);
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
    throw statementError("找不到字段：" + name, sql_);
}

}  // namespace platform
