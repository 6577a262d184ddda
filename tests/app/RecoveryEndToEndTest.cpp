// The start after a crash, on the real program: a journal a save left beside the database is
// rolled back when it is this file's, kept aside unused when it is not, and left alone while
// another program writes; a start that is itself killed leaves nothing half done.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QStandardPaths>
#include <algorithm>
#include <filesystem>
#include <regex>

#include "tests/support/AnotherUser.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/TestDb.h"

namespace fs = std::filesystem;

namespace {

const char* const kStart = "answer OK\nexpect login_form\nclick Command2\n";
const char* const kStamp = R"(\.\d{8}-\d{6}(-\d+)?\.bak)";

const std::string kRolledBack =
    "上次保存没有完成，数据库文件旁留下了日志文件。已按日志文件撤销未完成的保存，数据库文件检查"
    "无误。";
const std::string kRolledBackUnsure =
    "上次保存没有完成，数据库文件旁留下了日志文件。已按日志文件撤销未完成的保存，撤销后的数据库"
    "文件检查无误，但无法确定这个日志文件属于现在的数据库文件。如果数据库文件是刚从备份复制回来"
    "的，请退出程序，把下面另存的处理前的数据库文件复制回原处。";
const std::string kNotItsJournal =
    "上次保存没有完成，数据库文件旁留下的日志文件与现在的数据库文件不符（例如数据库文件是从备份"
    "复制回来的）。未使用日志文件，数据库文件保持原样。日志文件已移至：";

bool haveStrace() {
    return !QStandardPaths::findExecutable("strace").isEmpty();
}

// A large save cut short in its middle (kill -9, a power cut), its changed pages already in the
// file: it commits one year of 34 amounts first. Its journal holds no page 1.
void crashDuringASave(const std::string& db) {
    QProcess writer;
    writer.start(INTERRUPTED_WRITER, {QString::fromStdString(db)});
    ASSERT_TRUE(writer.waitForReadyRead(60000)) << writer.readAllStandardError().toStdString();
    ASSERT_EQ(writer.readAllStandardOutput().trimmed(), "ready");
    writer.kill();
    writer.waitForFinished();
    ASSERT_GT(fs::file_size(db + "-journal"), 0u);
}

// A save killed after its commit wrote the file, as it removes its journal (beside `file`, the
// file a linked `db` names).
void crashAtTheJournalsRemoval(const std::string& db, const std::string& file = {}) {
    QProcess writer;
    writer.start("strace", {"-f", "-o", "/dev/null", "-e", "inject=unlink:signal=SIGKILL",
                            INTERRUPTED_WRITER, QString::fromStdString(db), "save"});
    ASSERT_TRUE(writer.waitForFinished(60000));
    ASSERT_GT(fs::file_size((file.empty() ? db : file) + "-journal"), 0u);
}

// Stores twelve months of every item for each of `years` years from `from` on.
void storeYearsOfMonths(const std::string& db, int from, int years) {
    QueryFile(db,
              "with recursive m(n) as (select 0 union all select n + 1 from m where n < ?)"
              " insert into baseData(ItemID, PeriodType, Year, Period, Data)"
              " select ItemId, 4, ? + n / 12, n % 12 + 1, n from baseItem, m",
              {std::int64_t(12 * years - 1), std::int64_t(from)});
}

// Two years of months, then a save killed after it wrote the file: the file before the save,
// and the file and its journal as the crash left them (`file` is the file a linked `db` names).
struct CrashedSave {
    std::string before, crashed, journal;
};
void crashASave(const std::string& db, CrashedSave& save, std::string file = {}) {
    if (file.empty()) file = db;
    storeYearsOfMonths(db, 1900, 2);
    save.before = bytesOf(file);
    crashAtTheJournalsRemoval(db, file);
    save.crashed = bytesOf(file);
    save.journal = bytesOf(file + "-journal");
}

// The one box of the start: `said`, then the copies kept beside `file` under names with the date
// and time, holding the file and the journal as they were.
void expectCopiesTold(const ProgramFolder& program, const std::string& said,
                      const std::string& file, const std::string& database,
                      const std::string& journal) {
    const std::vector<std::string> boxes = program.lines("messages.log");
    ASSERT_EQ(boxes.size(), 1u);
    const std::regex told("PraveltaKVT\tOK\t" + said +
                          R"(\\n处理前的数据库文件和日志文件已另存为：\\n()" + file + kStamp +
                          R"()\\n()" + file + "-journal" + kStamp + ")");
    std::smatch box;
    ASSERT_TRUE(std::regex_match(boxes[0], box, told)) << boxes[0];
    EXPECT_EQ(bytesOf(box[1]), database);
    EXPECT_EQ(bytesOf(box[3]), journal);
    EXPECT_FALSE(fs::exists(file + "-journal"));
}

// The one box of the start says that the journal was not used and where it went, unchanged.
void expectJournalMovedAside(const ProgramFolder& program, const std::string& file,
                             const std::string& journal) {
    const std::vector<std::string> boxes = program.lines("messages.log");
    ASSERT_EQ(boxes.size(), 1u);
    const std::regex told("PraveltaKVT\tOK\t" + kNotItsJournal + R"(\\n()" + file + "-journal" +
                          kStamp + ")");
    std::smatch box;
    ASSERT_TRUE(std::regex_match(boxes[0], box, told)) << boxes[0];
    EXPECT_EQ(bytesOf(box[1]), journal);
    EXPECT_FALSE(fs::exists(file + "-journal"));
}

// The files of the folder but the program's lock file, which every start makes.
std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != "PraveltaKVT.lock")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// The README's restore after a bad day: the backup stays byte for byte as it was copied in, and
// the journal of the later file is kept aside. So is a journal of another database altogether,
// whose rollback would have turned 4080 rows into 850 without a fault to see.
TEST(Recovery, AJournalOfAnotherStateOfTheFileIsKeptAsideAndNotApplied) {
    if (!haveStrace()) GTEST_SKIP() << "strace stages the crash";
    for (const bool restoredBackup : {true, false}) {
        ProgramFolder program, other;
        const std::string db = program.path("db/db.mdb");
        std::string journal;
        if (restoredBackup) {
            storeYearsOfMonths(db, 1900, 5);
            const std::string backup = bytesOf(db);
            storeYearsOfMonths(db, 1905, 5);
            crashAtTheJournalsRemoval(db);
            journal = bytesOf(db + "-journal");
            std::ofstream(db, std::ios::binary | std::ios::trunc) << backup;
        } else {
            storeYearsOfMonths(other.path("db/db.mdb"), 1900, 2);
            crashAtTheJournalsRemoval(other.path("db/db.mdb"));
            for (int year = 1900; year < 1910; year += 2)  // more saves than the other file had
                storeYearsOfMonths(db, year, 2);
            journal = bytesOf(other.path("db/db.mdb-journal"));
            std::ofstream(db + "-journal", std::ios::binary) << journal;
        }
        const std::string before = bytesOf(db);

        const ProgramRun run = program.run(kStart);
        EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
        EXPECT_EQ(bytesOf(db), before);
        EXPECT_EQ(QueryFile(db, "select count(*) from baseData"), restoredBackup ? "2040" : "4080");
        expectJournalMovedAside(program, db, journal);
    }
}

// A journal SQLite would not roll back (empty, or its header zeroed) undoes nothing: no box, and
// the file is left as it is.
TEST(Recovery, AJournalSqliteWouldNotRollBackGetsNoBox) {
    for (const std::string& journal : {std::string(), std::string(4096, '\0')}) {
        ProgramFolder program;
        const std::string db = program.path("db/db.mdb");
        std::ofstream(db + "-journal", std::ios::binary) << journal;
        const std::string before = bytesOf(db);
        const ProgramRun run = program.run(kStart);
        EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
        EXPECT_TRUE(program.lines("messages.log").empty());
        EXPECT_EQ(bytesOf(db), before);
    }
}

// Another program in the middle of a save holds the journal: the start waits, then says so and
// ends; nothing is copied, announced or deleted. Once that program is gone, the next start
// recovers.
TEST(Recovery, WhileAnotherProgramWritesTheStartTouchesNothingThenTheNextRecovers) {
    ProgramFolder program;
    const std::string db = program.path("db/db.mdb");
    QProcess writer;
    writer.start(INTERRUPTED_WRITER, {QString::fromStdString(db)});
    ASSERT_TRUE(writer.waitForReadyRead(60000));
    const std::string file = bytesOf(db), journal = bytesOf(db + "-journal");
    const std::vector<std::string> names = namesIn(program.path("db"));

    const ProgramRun busy = program.run(kStart);
    EXPECT_EQ(busy.exitCode, 1) << busy.log.toStdString();
    EXPECT_EQ(program.lines("messages.log"),
              std::vector<std::string>{
                  "PraveltaKVT\tOK\t数据库正被其他程序使用，请稍后再试\\n文件：" + db});
    EXPECT_EQ(namesIn(program.path("db")), names);
    EXPECT_EQ(bytesOf(db), file);
    EXPECT_EQ(bytesOf(db + "-journal"), journal);
    EXPECT_EQ(writer.state(), QProcess::Running);

    // Killed in the middle of its large save, it leaves a journal with no page 1, which cannot
    // be matched to the file: the save is undone, and the box names the copy to put back
    // should the file have been a restored backup.
    writer.kill();
    writer.waitForFinished();
    fs::remove(program.path("messages.log"));
    EXPECT_EQ(program.run(kStart).exitCode, 0);
    EXPECT_EQ(QueryFile(db, "pragma integrity_check"), "ok");
    EXPECT_EQ(QueryFile(db, "select count(*) from baseData where Data = ItemID and Year = 2001"),
              "34");
    EXPECT_EQ(QueryFile(db, "select count(*) from baseData"), "34");
    expectCopiesTold(program, kRolledBackUnsure, db, file, journal);
}

// A save killed after it wrote the file: the start comes up on the data before the save, byte for
// byte, and keeps and names both files as they were. So does the start after one killed anywhere
// in its own recovery, with the copies that one made, and no temporary file is left.
TEST(Recovery, AfterACrashAtTheEndOfASaveEveryStartEndsOnTheDataBeforeIt) {
    if (!haveStrace()) GTEST_SKIP() << "strace stages the crashes";
    const std::pair<const char*, int> killedAt[] = {
        {"", 0},      {"write", 1},  {"pwrite64", 3}, {"renameat2", 1}, {"renameat2", 2},
        {"fsync", 3}, {"rename", 1}, {"unlink", 1},   {"unlink", 2},
    };
    for (const auto& [call, n] : killedAt) {
        SCOPED_TRACE(std::string(call) + " " + std::to_string(n));
        ProgramFolder program;
        const std::string db = program.path("db/db.mdb");
        CrashedSave save;
        crashASave(db, save);

        const QString inject = QString("inject=%1:signal=SIGKILL:when=%2").arg(call).arg(n);
        if (n > 0) program.runUnder({"strace", "-f", "-o", "/dev/null", "-e", inject}, kStart);
        const ProgramRun next = program.run(kStart);
        EXPECT_EQ(next.exitCode, 0) << next.log.toStdString();
        EXPECT_TRUE(next.log.contains("done expect login_form")) << next.log.toStdString();
        EXPECT_EQ(bytesOf(db), save.before);
        expectCopiesTold(program, kRolledBack, db, save.crashed, save.journal);
        EXPECT_EQ(namesIn(program.path("db")).size(), 3u);  // the file and its two copies
    }
}

// A disk that fills up while the start keeps its copies: the start ends on a box that names the
// cause, the files stay as they were and no copy is left; with room again, the next recovers.
TEST(Recovery, AStartStoppedByAFullDiskChangesNothingAndTheNextRecovers) {
    if (!haveStrace() || ::geteuid() != 0) GTEST_SKIP() << "needs strace and root (mount)";
    ProgramFolder program;
    const std::string db = program.path("db/db.mdb");
    CrashedSave save;
    crashASave(db, save);
    // Room for the files, the rolled-back copy and the journal's copy, not for the file's copy.
    const auto pages = [](const std::string& bytes) { return (bytes.size() + 4095) / 4096; };
    const std::size_t room = 2 * pages(save.crashed) + 2 * pages(save.journal) + 2;
    const std::string folder = program.path("db");
    fs::remove_all(folder);
    fs::create_directory(folder);
    ASSERT_EQ(::mount("tmpfs", folder.c_str(), "tmpfs", 0,
                      ("size=" + std::to_string(room * 4) + "k").c_str()),
              0);
    const std::unique_ptr<const char, void (*)(const char*)> unmount(
        folder.c_str(), [](const char* f) { ::umount2(f, MNT_DETACH); });
    std::ofstream(db, std::ios::binary) << save.crashed;
    std::ofstream(db + "-journal", std::ios::binary) << save.journal;

    const ProgramRun full = program.run(kStart);
    EXPECT_EQ(full.exitCode, 1) << full.log.toStdString();
    const std::vector<std::string> boxes = program.lines("messages.log");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("程序不能启动。下次启动时会重新处理。\\n磁盘空间不足"),
              std::string::npos)
        << boxes[0];
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"db.mdb", "db.mdb-journal"}));
    EXPECT_EQ(bytesOf(db), save.crashed);

    ASSERT_EQ(::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT, "size=4m"), 0);
    fs::remove(program.path("messages.log"));
    EXPECT_EQ(program.run(kStart).exitCode, 0);
    EXPECT_EQ(bytesOf(db), save.before);
    expectCopiesTold(program, kRolledBack, db, save.crashed, save.journal);
}

// db/db.mdb linked to a file elsewhere: SQLite keeps the journal beside that file, so that is
// where the start looks for it and keeps its copies; the link stays a link.
TEST(Recovery, ALinkedDatabaseIsRecoveredBesideTheFileItNames) {
    if (!haveStrace()) GTEST_SKIP() << "strace stages the crash";
    ProgramFolder program;
    QTemporaryDir elsewhere;
    const std::string db = program.path("db/db.mdb");
    const std::string file = elsewhere.filePath("kvt.db").toStdString();
    fs::rename(db, file);
    fs::create_symlink(file, db);
    CrashedSave save;
    crashASave(db, save, file);

    EXPECT_EQ(program.run(kStart).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(db));
    EXPECT_EQ(bytesOf(file), save.before);
    expectCopiesTold(program, kRolledBack, file, save.crashed, save.journal);
}

// A start by root (sudo) in a user's folder: the database put in place and the copies stay the
// user's, with their mode, so that the user's next save works.
TEST(Recovery, AStartByRootLeavesTheUsersFilesTheUsers) {
    if (!haveStrace() || !CanActAsAnotherUser()) GTEST_SKIP() << "needs strace and root";
    ProgramFolder program;
    const std::string db = program.path("db/db.mdb");
    storeYearsOfMonths(db, 1900, 1);
    fs::permissions(program.path(""), fs::perms(0755));
    ASSERT_EQ(::chown(program.path("db").c_str(), kAnotherUser, kAnotherUser) |
                  ::chown(db.c_str(), kAnotherUser, kAnotherUser) | ::chmod(db.c_str(), 0640),
              0);
    crashAtTheJournalsRemoval(db);

    EXPECT_EQ(program.run(kStart).exitCode, 0);
    for (const std::string& name : namesIn(program.path("db"))) {
        struct stat st {};
        ASSERT_EQ(::stat(program.path(("db/" + name).c_str()).c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, kAnotherUser) << name;
        EXPECT_EQ(st.st_mode & 07777, 0640u) << name;
    }
    EXPECT_EQ(AsAnotherUser(
                  [&] { return QueryFile(db, "insert into baseData values (1, 1, 2030, 1, 1)"); }),
              "");
    EXPECT_EQ(QueryFile(db, "select count(*) from baseData where Year = 2030"), "1");
}

namespace {

// Adds rows to baseData that its period index does not hold: the index is made partial and
// empty for the inserts, then given back its definition. quick_check does not see it.
void dropRowsFromTheIndex(const std::string& db) {
    const auto run = [&](const char* sql) {
        sqlite3* h = nullptr;
        ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(h, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(h);
        sqlite3_close(h);
    };
    run("pragma writable_schema = 1; update sqlite_schema set sql = sql || ' where 0'"
        " where name = 'baseData_period'");
    run("insert into baseData values (1, 4, 2001, 1, 1)");
    run("pragma writable_schema = 1; update sqlite_schema set"
        " sql = substr(sql, 1, length(sql) - 8) where name = 'baseData_period'");
    ASSERT_EQ(QueryFile(db, "pragma quick_check"), "ok");
}

}  // namespace

// Every start checks the whole file, indexes included; a file that fails is refused, and the box
// names the copies kept beside it.
TEST(Recovery, AFileWhoseIndexMissesRowsIsRefusedNamingTheCopiesKept) {
    ProgramFolder program;
    const std::string db = program.path("db/db.mdb");
    dropRowsFromTheIndex(db);
    std::ofstream(db + ".20261201-093000.bak") << "a copy";
    const std::string before = bytesOf(db);

    const ProgramRun run = program.run(kStart);
    EXPECT_EQ(run.exitCode, 1) << run.log.toStdString();
    EXPECT_EQ(
        program.lines("messages.log"),
        std::vector<std::string>{"PraveltaKVT\tOK\t数据库文件已损坏或不是本程序的数据库：" + db +
                                 "\\n数据库文件夹中另存的文件：\\n" + db + ".20261201-093000.bak"});
    EXPECT_EQ(bytesOf(db), before);
}

// Root's database in an installed folder: the user is told before the login that nothing can be
// saved, and may go on to view. With a journal beside it the start cannot recover and ends,
// changing nothing.
TEST(Recovery, ADatabaseTheUserMayNotWriteIsToldBeforeTheLogin) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    for (const bool journal : {false, true}) {
        ProgramFolder program;
        const std::string db = program.path("db/db.mdb");
        fs::permissions(program.path(""), fs::perms::all);  // for the box log
        fs::permissions(program.path("db"), fs::perms(0755));
        if (journal) crashDuringASave(db);
        const std::vector<std::string> names = namesIn(program.path("db"));
        const std::string before = bytesOf(db);

        const ProgramRun run = program.run(kStart, "65534");
        const std::vector<std::string> boxes = program.lines("messages.log");
        ASSERT_EQ(boxes.size(), 1u) << run.log.toStdString();
        EXPECT_EQ(run.exitCode, journal ? 1 : 0) << run.log.toStdString();
        EXPECT_EQ(boxes[0].find(
                      journal ? "PraveltaKVT\tOK\t数据库文件旁留有上次未完成的保存"
                              : "PraveltaKVT\tOK\t数据库文件无法写入，只能查看数据，不能保存。"),
                  0u)
            << boxes[0];
        EXPECT_EQ(run.log.contains("done expect login_form"), !journal);
        EXPECT_EQ(namesIn(program.path("db")), names);
        EXPECT_EQ(bytesOf(db), before);
    }
}
