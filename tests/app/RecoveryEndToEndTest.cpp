// The start after a crash, on the real program: a journal a save left beside the database is
// rolled back when it is this file's, kept aside unused when it is not, and left alone while
// another program writes; a start that is itself killed leaves nothing half done.
#include <gtest/gtest.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <future>
#include <optional>
#include <regex>

#include "platform/AppPath.h"
#include "platform/storage/Folder.h"
#include "tests/support/AccessAcl.h"
#include "tests/support/AnotherUser.h"
#include "tests/support/CrashedSaves.h"
#include "tests/support/ExfatImage.h"
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
const std::string kNothingToUndo =
    "上次保存没有完成，数据库文件旁留下了日志文件，但其中没有需要撤销的内容。未使用日志文件，"
    "数据库文件保持原样。日志文件已移至：";
const std::string kUndoneByAnInterruptedStart =
    "上次保存没有完成，数据库文件旁留下了日志文件。上次启动在处理它时中断，未完成的保存已由那次"
    "启动撤销，数据库文件检查无误。";

// Stores twelve months of every item for each of `years` years from `from` on.
void storeYearsOfMonths(const std::string& db, int from, int years) {
    QueryFile(db,
              "with recursive m(n) as (select 0 union all select n + 1 from m where n < ?)"
              " insert into baseData(ItemID, PeriodType, Year, Period, Data)"
              " select ItemId, 4, ? + n / 12, n % 12 + 1, n from baseItem, m",
              {std::int64_t(12 * years - 1), std::int64_t(from)});
}

// Two years of months, then a save killed after it wrote the file: the file before the save,
// and the file and its journal as the crash left them (`file` is the file a linked `db` names;
// `as` runs the save as another user).
struct CrashedSave {
    std::string before, crashed, journal;
};
void crashASave(const std::string& db, CrashedSave& save, std::string file = {},
                const QStringList& as = {}) {
    if (file.empty()) file = db;
    storeYearsOfMonths(db, 1900, 2);
    save.before = bytesOf(file);
    CrashAtTheJournalsRemoval(db, file, as);
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

// The first box of the start says that the journal was not used (`said`) and where it went,
// unchanged.
void expectJournalMovedAside(const ProgramFolder& program, const std::string& file,
                             const std::string& journal, const std::string& said = kNotItsJournal,
                             std::size_t boxCount = 1) {
    const std::vector<std::string> boxes = program.lines("messages.log");
    ASSERT_EQ(boxes.size(), boxCount);
    const std::regex told("PraveltaKVT\tOK\t" + said + R"(\\n()" + file + "-journal" + kStamp +
                          ")");
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
    if (!HaveStrace()) GTEST_SKIP() << "strace stages the crash";
    for (const bool restoredBackup : {true, false}) {
        ProgramFolder program, other;
        const std::string db = program.path("db/db.mdb");
        std::string journal;
        if (restoredBackup) {
            storeYearsOfMonths(db, 1900, 5);
            const std::string backup = bytesOf(db);
            storeYearsOfMonths(db, 1905, 5);
            CrashAtTheJournalsRemoval(db);
            journal = bytesOf(db + "-journal");
            std::ofstream(db, std::ios::binary | std::ios::trunc) << backup;
        } else {
            storeYearsOfMonths(other.path("db/db.mdb"), 1900, 2);
            CrashAtTheJournalsRemoval(other.path("db/db.mdb"));
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
// the file is left as it is. The temporary copies of an interrupted start go, with or without a
// journal.
TEST(Recovery, AJournalSqliteWouldNotRollBackGetsNoBox) {
    const std::optional<std::string> journals[] = {std::nullopt, std::string(),
                                                   std::string(4096, '\0')};
    for (const std::optional<std::string>& journal : journals) {
        ProgramFolder program;
        const std::string db = program.path("db/db.mdb");
        if (journal) std::ofstream(db + "-journal", std::ios::binary) << *journal;
        for (const char* left : {".recovering", ".recovering-journal", ".20261201-093000.bak.part"})
            std::ofstream(db + left) << "left by a killed start";
        const std::string before = bytesOf(db);
        const ProgramRun run = program.run(kStart);
        EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
        EXPECT_TRUE(program.lines("messages.log").empty());
        EXPECT_EQ(bytesOf(db), before);
        const std::vector<std::string> left =
            journal ? std::vector<std::string>{"db.mdb", "db.mdb-journal"}
                    : std::vector<std::string>{"db.mdb"};
        EXPECT_EQ(namesIn(program.path("db")), left);
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

// Whether, in an strace of a start, the database file is synced before its journal is moved or
// removed: a power cut must never find the file unsynced with no journal beside it.
bool syncedBeforeTheJournalGoes(const std::vector<std::string>& trace, const std::string& db) {
    bool synced = false;
    const auto calls = [](const std::string& line, const char* name) {
        return line.find(std::string(" ") + name) != std::string::npos;
    };
    const fs::path journal = db + "-journal";
    const std::string inFolder =
        "<" + journal.parent_path().string() + ">, \"" + journal.filename().string() + "\"";
    for (const std::string& call : trace) {
        if (calls(call, "fsync(") && call.find("<" + db + ">") != std::string::npos) synced = true;
        const bool journalGoes = (calls(call, "unlink") || calls(call, "rename")) &&
                                 call.find(inFolder) != std::string::npos;
        if (journalGoes) return synced;
    }
    return false;
}

// A start after a save killed once it wrote the file, itself killed by `inject` (strace's
// fault, "" for none) inside its recovery. The start after it must come up on the data before
// the save, byte for byte, and name the copies the first start kept, with the file as first
// found (`undoneByTheFirst`: the first died with the file rolled back, the journal not yet gone).
struct KilledRecovery {
    const char* inject;
    bool undoneByTheFirst = false;
    bool onNfs = false;                // rename takes no flags, no unnamed file, no folder locks
    bool othersRuntimeFolder = false;  // $XDG_RUNTIME_DIR is another user's sticky folder
};

void expectTheNextStartEndsOnTheDataBeforeTheSave(const KilledRecovery& c) {
    SCOPED_TRACE(std::string(c.inject) + (c.onNfs ? "on NFS" : ""));
    ProgramFolder program;
    if (c.onNfs) program.onNfs();
    const std::string db = program.path("db/db.mdb"), shared = program.path("shared");
    CrashedSave save;
    crashASave(db, save);
    if (c.othersRuntimeFolder) {
        // Its owner could move the trial folder away and put one of their own in its place.
        fs::create_directory(shared);
        ASSERT_EQ(
            ::chown(shared.c_str(), kAnotherUser, kAnotherUser) | ::chmod(shared.c_str(), 01777),
            0);
        program.setEnv("XDG_RUNTIME_DIR", QString::fromStdString(shared));
        program.setEnv("TMPDIR", QString::fromStdString(program.path("run")));
    }

    if (*c.inject) {
        const ProgramRun first = program.runUnder(
            {"strace", "-f", "-o", "/dev/null", "-e", QString("inject=") + c.inject}, kStart);
        // Each kill must land inside the recovery, before the login.
        EXPECT_EQ(first.exitCode, -1) << first.log.toStdString();
    }
    // The start after a kill with the file written back, not yet synced, traced.
    QStringList traced;
    if (c.undoneByTheFirst)
        traced = {"strace",
                  "-f",
                  "-y",
                  "-o",
                  QString::fromStdString(program.path("trace.txt")),
                  "-e",
                  "trace=fsync,unlink,unlinkat,rename,renameat,renameat2"};
    const ProgramRun next =
        c.undoneByTheFirst ? program.runUnder(traced, kStart) : program.run(kStart);
    EXPECT_EQ(next.exitCode, 0) << next.log.toStdString();
    EXPECT_TRUE(next.log.contains("done expect login_form")) << next.log.toStdString();
    EXPECT_EQ(bytesOf(db), save.before);
    if (c.undoneByTheFirst) {
        EXPECT_TRUE(syncedBeforeTheJournalGoes(program.lines("trace.txt"), db));
    }
    expectCopiesTold(program, c.undoneByTheFirst ? kUndoneByAnInterruptedStart : kRolledBack, db,
                     save.crashed, save.journal);
    for (const std::string& name : namesIn(program.path("db")))
        EXPECT_TRUE(name.find(".part") == std::string::npos) << name;
    // No trial copy left (Qt makes a runtime folder of its own in $TMPDIR).
    for (const auto& entry : fs::directory_iterator(program.path("run")))
        EXPECT_NE(entry.path().filename().string().rfind("PraveltaKVT-recovery.", 0), 0u);
    if (c.othersRuntimeFolder) {
        EXPECT_TRUE(fs::is_empty(shared));  // never used
    }
}

// Killed before it touched the file: in SQLite's rollback of the trial copy, or while it keeps
// its copies. On NFS the copies are made under a random name and linked into place, and the
// trial folder cannot be locked. The start's first link and first two syncs make the lock file.
TEST(Recovery, AfterACrashAndAStartKilledBeforeItWroteTheFileTheNextEndsOnTheDataBefore) {
    if (!HaveStrace()) GTEST_SKIP() << "strace stages the crashes";
    const KilledRecovery cases[] = {
        {""},
        {"pwrite64:signal=SIGKILL:when=1"},  // SQLite's rollback of the trial copy
        {"fsync:signal=SIGKILL:when=3"},     // the journal's copy, not yet named
        {"linkat:signal=SIGKILL:when=3"},    // the file's copy named
        {"fsync:signal=SIGKILL:when=5"},     // the file's copy, not yet named
        {"fsync:signal=SIGKILL:when=6"},     // the folder after the copies
        {"", false, true},
        {"", false, false, true},
        {"unlinkat:signal=SIGKILL:when=1", false, true},  // the lock file linked, its part not gone
        {"pwrite64:signal=SIGKILL:when=1", false, true},  // the trial folder left
    };
    for (const KilledRecovery& c : cases) expectTheNextStartEndsOnTheDataBeforeTheSave(c);
}

// Killed while it wrote the file back, before it synced it, or as it removed the journal.
TEST(Recovery, AfterACrashAndAStartKilledWritingTheFileTheNextEndsOnTheDataBefore) {
    if (!HaveStrace()) GTEST_SKIP() << "strace stages the crashes";
    const KilledRecovery cases[] = {
        {"pwrite64:signal=SIGKILL:when=12"},       // the file's first block written back
        {"pwrite64:signal=SIGKILL:when=17"},       // ... half of them
        {"fsync:signal=SIGKILL:when=7", true},     // ... all, not yet synced
        {"unlinkat:signal=SIGKILL:when=2", true},  // the journal's removal
    };
    for (const KilledRecovery& c : cases) expectTheNextStartEndsOnTheDataBeforeTheSave(c);
}

// A disk that fills up while the start copies the file, beside it or in the user's runtime
// folder where the trial copy goes: the start ends on a box that names the cause and the folder,
// the files stay as they were and no copy is left; with room again, the next recovers.
TEST(Recovery, AStartStoppedByAFullDiskChangesNothingAndTheNextRecovers) {
    if (!HaveStrace() || ::geteuid() != 0) GTEST_SKIP() << "needs strace and root (mount)";
    for (const bool runtimeFolderFull : {false, true}) {
        SCOPED_TRACE(runtimeFolderFull);
        ProgramFolder program;
        const std::string db = program.path("db/db.mdb");
        CrashedSave save;
        crashASave(db, save);
        // Beside the file: room for the files and a copy of the journal, not for a copy of the
        // file; in the runtime folder: no room for a copy of the file.
        const auto pages = [](const std::string& bytes) { return (bytes.size() + 4095) / 4096; };
        const std::size_t room = runtimeFolderFull
                                     ? pages(save.crashed) / 2
                                     : pages(save.crashed) + 2 * pages(save.journal) + 2;
        const std::string full = program.path(runtimeFolderFull ? "run" : "db");
        fs::remove_all(full);
        fs::create_directory(full);
        ASSERT_EQ(::mount("tmpfs", full.c_str(), "tmpfs", 0,
                          ("mode=0700,size=" + std::to_string(room * 4) + "k").c_str()),
                  0);
        const std::unique_ptr<const char, void (*)(const char*)> unmount(
            full.c_str(), [](const char* f) { ::umount2(f, MNT_DETACH); });
        std::ofstream(db, std::ios::binary) << save.crashed;
        std::ofstream(db + "-journal", std::ios::binary) << save.journal;

        const ProgramRun stopped = program.run(kStart);
        EXPECT_EQ(stopped.exitCode, 1) << stopped.log.toStdString();
        const std::vector<std::string> boxes = program.lines("messages.log");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].find("程序不能启动。下次启动时会重新处理。\\n磁盘空间不足"),
                  std::string::npos)
            << boxes[0];
        if (runtimeFolderFull) {
            EXPECT_NE(boxes[0].find(full), std::string::npos) << boxes[0];
        }
        EXPECT_EQ(boxes[0].find(".bak"), std::string::npos) << boxes[0];  // none was kept
        EXPECT_EQ(namesIn(program.path("db")),
                  (std::vector<std::string>{"db.mdb", "db.mdb-journal"}));
        EXPECT_TRUE(fs::is_empty(program.path("run")));
        EXPECT_EQ(bytesOf(db), save.crashed);

        ASSERT_EQ(::mount(nullptr, full.c_str(), nullptr, MS_REMOUNT, "size=4m"), 0);
        fs::remove(program.path("messages.log"));
        EXPECT_EQ(program.run(kStart).exitCode, 0);
        EXPECT_EQ(bytesOf(db), save.before);
        expectCopiesTold(program, kRolledBack, db, save.crashed, save.journal);
    }
}

// db/db.mdb linked to a file elsewhere: SQLite keeps the journal beside that file, so that is
// where the start looks for it and keeps its copies; the link stays a link.
TEST(Recovery, ALinkedDatabaseIsRecoveredBesideTheFileItNames) {
    if (!HaveStrace()) GTEST_SKIP() << "strace stages the crash";
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

// A start by root (sudo) in a user's folder: the database rolled back and the copies stay the
// user's, with their mode, so that the user's next save works.
TEST(Recovery, AStartByRootLeavesTheUsersFilesTheUsers) {
    if (!HaveStrace() || !CanActAsAnotherUser()) GTEST_SKIP() << "needs strace and root";
    ProgramFolder program;
    const std::string db = program.path("db/db.mdb");
    storeYearsOfMonths(db, 1900, 1);
    fs::permissions(program.path(""), fs::perms(0755));
    ASSERT_EQ(::chown(program.path("").c_str(), kAnotherUser, kAnotherUser) |
                  ::chown(program.path("db").c_str(), kAnotherUser, kAnotherUser) |
                  ::chown(db.c_str(), kAnotherUser, kAnotherUser) | ::chmod(db.c_str(), 0640),
              0);
    CrashAtTheJournalsRemoval(db);

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

// A crashed save's journal that belongs to the file, on a file already damaged: the rollback
// fails the check, and the box says so (not that the journal is another file's), keeps the
// journal aside and leaves the file as it is; the start's own check then refuses the file.
TEST(Recovery, AJournalWhoseRollbackFailsTheCheckIsToldByThatCause) {
    if (!HaveStrace()) GTEST_SKIP() << "strace stages the crash";
    ProgramFolder program;
    const std::string db = program.path("db/db.mdb");
    dropRowsFromTheIndex(db);
    CrashedSave save;
    crashASave(db, save);

    const ProgramRun run = program.run("answer OK\nanswer OK\n");
    EXPECT_EQ(run.exitCode, 1) << run.log.toStdString();
    const std::vector<std::string> boxes = program.lines("messages.log");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].find("PraveltaKVT\tOK\t上次保存没有完成，数据库文件旁留下了日志文件，"
                            "按日志文件撤销后的数据库文件检查不通过："),
              0u)
        << boxes[0];
    EXPECT_NE(boxes[1].find("数据库文件已损坏或不是本程序的数据库"), std::string::npos);
    EXPECT_EQ(bytesOf(db), save.crashed);
    EXPECT_FALSE(fs::exists(db + "-journal"));
}

// Root's database in an installed folder: the user is told before the login that nothing can be
// saved, and may go on to view, also when the start meets another program's save: it waits for
// it as a writer would. With a crashed save's journal beside the file the start cannot recover
// and ends, changing nothing.
TEST(Recovery, ADatabaseTheUserMayNotWriteIsToldBeforeTheLogin) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    enum class Journal { None, OfACrash, OfASaveUnderWay };
    for (const Journal journal : {Journal::None, Journal::OfACrash, Journal::OfASaveUnderWay}) {
        ProgramFolder program;
        const std::string db = program.path("db/db.mdb");
        program.letOtherUsersRun();
        fs::permissions(program.path("db"), fs::perms(0755));
        if (journal == Journal::OfACrash) CrashDuringASave(db);
        QProcess writer;
        if (journal == Journal::OfASaveUnderWay) {
            writer.start(INTERRUPTED_WRITER, {QString::fromStdString(db), "commit-after", "400"});
            ASSERT_TRUE(writer.waitForReadyRead(60000));
        }
        const std::vector<std::string> names = namesIn(program.path("db"));
        const std::string before = bytesOf(db);

        const ProgramRun run = program.run(kStart, "65534");
        const std::vector<std::string> boxes = program.lines("messages.log");
        ASSERT_EQ(boxes.size(), 1u) << run.log.toStdString();
        const bool crashed = journal == Journal::OfACrash;
        EXPECT_EQ(run.exitCode, crashed ? 1 : 0) << run.log.toStdString();
        EXPECT_EQ(boxes[0].find(
                      crashed ? "PraveltaKVT\tOK\t数据库文件旁留有上次未完成的保存"
                              : "PraveltaKVT\tOK\t数据库文件无法写入，只能查看数据，不能保存。"),
                  0u)
            << boxes[0];
        EXPECT_EQ(run.log.contains("done expect login_form"), !crashed);
        // No group may write root's database: only root may let the user.
        EXPECT_EQ(
            boxes[0].find("\\n解决办法：只有 root 能改变数据库文件的访问权限") != std::string::npos,
            !crashed)
            << boxes[0];
        if (journal == Journal::OfASaveUnderWay) {
            ASSERT_TRUE(writer.waitForFinished(60000));
            EXPECT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();
            EXPECT_EQ(namesIn(program.path("db")), std::vector<std::string>{"db.mdb"});
            continue;
        }
        EXPECT_EQ(namesIn(program.path("db")), names);
        EXPECT_EQ(bytesOf(db), before);
    }
}

// A journal the start cannot use as it is (a folder, a link, one the user may not write) is named
// with what to do; the program does not start and nothing changes.
TEST(Recovery, AJournalThatIsNoReadableFileIsNamedAndNothingChanges) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    enum class Kind { Folder, DanglingLink, Link, Unreadable };
    for (const Kind kind : {Kind::Folder, Kind::DanglingLink, Kind::Link, Kind::Unreadable}) {
        SCOPED_TRACE(int(kind));
        ProgramFolder program;
        const std::string db = program.path("db/db.mdb"), journal = db + "-journal";
        CrashDuringASave(db);
        fs::rename(journal, program.path("journal"));
        if (kind == Kind::Folder) fs::create_directory(journal);
        if (kind == Kind::DanglingLink) fs::create_symlink(program.path("gone"), journal);
        if (kind == Kind::Link) fs::create_symlink(program.path("journal"), journal);
        if (kind == Kind::Unreadable) fs::rename(program.path("journal"), journal);
        ::chmod(journal.c_str(), 0400);
        program.letOtherUsersRun();
        for (const std::string& name : {program.path("db"), db})
            ASSERT_EQ(::chown(name.c_str(), kAnotherUser, kAnotherUser), 0);
        const std::vector<std::string> names = namesIn(program.path("db"));
        const std::string before = bytesOf(db);

        const ProgramRun run = program.run(kStart, "65534");
        EXPECT_EQ(run.exitCode, 1) << run.log.toStdString();
        const std::vector<std::string> boxes = program.lines("messages.log");
        ASSERT_EQ(boxes.size(), 1u);
        const std::string said = kind == Kind::Unreadable ? "没有读写数据库文件旁的日志文件的权限"
                                                          : "数据库文件旁的日志文件不是普通文件";
        EXPECT_EQ(boxes[0].find("PraveltaKVT\tOK\t" + said), 0u) << boxes[0];
        EXPECT_TRUE(boxes[0].size() > journal.size() &&
                    boxes[0].compare(boxes[0].size() - journal.size(), journal.size(), journal) ==
                        0)
            << boxes[0];
        EXPECT_EQ(namesIn(program.path("db")), names);
        EXPECT_EQ(bytesOf(db), before);
    }
}

// A file emptied after the crash (a backup copied in on a full disk): SQLite would delete the
// journal unread. It is moved aside instead, and the empty file is refused.
TEST(Recovery, AJournalBesideAnEmptiedFileIsKeptAside) {
    ProgramFolder program;
    const std::string db = program.path("db/db.mdb");
    CrashDuringASave(db);
    const std::string journal = bytesOf(db + "-journal");
    fs::resize_file(db, 0);
    const ProgramRun run = program.run("answer OK\nanswer OK\n");
    EXPECT_EQ(run.exitCode, 1) << run.log.toStdString();
    expectJournalMovedAside(program, db, journal, kNotItsJournal, 2);
    EXPECT_EQ(fs::file_size(db), 0u);
}

namespace {

std::string attribute(const std::string& file, const char* name) {
    char value[256];
    const ssize_t n = ::getxattr(file.c_str(), name, value, sizeof value);
    return n < 0 ? std::string("none") : std::string(value, std::size_t(n));
}

}  // namespace

// The rollback happens in the file itself: whoever starts the program (root, or a member of the
// file's group), the database keeps its inode, owner, group, mode, ACL, attributes and hard
// links, and the users the ACL lets write still may.
TEST(Recovery, TheFileKeepsItsInodeOwnerGroupModeAclAndAttributes) {
    if (!HaveStrace() || !CanActAsAnotherUser()) GTEST_SKIP() << "needs strace and root";
    constexpr gid_t kGroup = 3003;
    constexpr uid_t kMember = 3002, kAclUser = 3004;
    for (const bool byRoot : {true, false}) {
        SCOPED_TRACE(byRoot ? "root" : "group member");
        ProgramFolder program;
        const std::string db = program.path("db/db.mdb"), folder = program.path("db");
        program.letOtherUsersRun();
        // The user's own program folder, which root and the group's members may run; this test
        // trusts its owner as the program there does.
        platform::SetAppPath(program.folder());
        ASSERT_EQ(::chown(program.path("").c_str(), kAnotherUser, kAnotherUser) |
                      ::chown(folder.c_str(), kAnotherUser, kGroup) |
                      ::chmod(folder.c_str(), 0770) | ::chown(db.c_str(), kAnotherUser, kGroup) |
                      ::chmod(db.c_str(), 0660),
                  0);
        const std::string acl = AclLetting(kAclUser, 6), folderAcl = AclLetting(kAclUser, 7);
        ASSERT_TRUE(SetAccessAcl(db, acl) && SetAccessAcl(folder, folderAcl));
        ASSERT_EQ(::setxattr(db.c_str(), "user.kvt", "kept", 4, 0), 0);
        CrashedSave save;  // its journal the database's owner's, as SQLite makes it for root
        crashASave(db, save);
        struct stat before {};
        ASSERT_EQ(::stat(db.c_str(), &before), 0);
        ASSERT_EQ(before.st_mode & 07777, 0660u);

        const ProgramRun run = byRoot ? program.run(kStart)
                                      : program.runUnder(Setpriv(kMember, kMember, kGroup), kStart);
        EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
        expectCopiesTold(program, kRolledBack, db, save.crashed, save.journal);
        struct stat after {};
        ASSERT_EQ(::stat(db.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_uid, kAnotherUser);
        EXPECT_EQ(after.st_gid, kGroup);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(AccessAclOf(db), acl);
        EXPECT_EQ(attribute(db, "user.kvt"), "kept");
        const auto insert = [&](int year) {
            return QueryFile(db, "insert into baseData values (1, 1, ?, 1, 1)",
                             {std::int64_t(year)});
        };
        EXPECT_EQ(AsUser(kAclUser, kAclUser, [&] { return insert(2031); }), "");
        EXPECT_EQ(AsUser(kAnotherUser, kGroup, [&] { return insert(2032); }), "");
        EXPECT_EQ(QueryFile(db, "select count(*) from baseData where Year > 2030"), "2");
        platform::SetAppPath(std::string());
    }
}

// Where files can be neither made unnamed nor hard-linked and rename takes no flags (exFAT, FAT,
// SMB shares): as on exFAT through FUSE, then on a real exFAT image where one can be mounted; and
// where strace refuses a link (EPERM) or owners and modes (ENOSYS, as FAT through FUSE). A crashed
// save is undone with its copies kept and a report is printed; a print killed as it syncs its file
// leaves only a temporary name, which the next print removes: only whole PDFs stay.
TEST(Recovery, WithoutHardLinksASaveIsUndoneWithItsCopiesAndOnlyWholePrintsStay) {
    if (!HaveStrace()) GTEST_SKIP() << "strace stages the crash";
    const std::string print =
        "expect login_form\nset txtUserPwd 123456\nclick Command1\nexpect frmMainCode\n"
        "menu Print 1\nexpect print_baseData\nselect cbSerial 0\nset txtFromYear 1900\n"
        "set txtToYear 1901\nclick cmdDo\nanswer OK\nclick doPrint\nmenu BaseData 5\n";
    const auto whole = [](const fs::path& pdf) {
        const std::string bytes = bytesOf(pdf.string());
        return bytes.starts_with("%PDF") && bytes.ends_with("%%EOF\n");
    };
    for (const QString way : {"", "linkat:error=EPERM", "fchown,fchmod:error=ENOSYS", "image"}) {
        SCOPED_TRACE(way.toStdString());
        const bool image = way == "image", refused = way.contains(':');
        std::optional<ExfatImage> exfat;
        if (image && !exfat.emplace().mounted())
            GTEST_SKIP() << "no exFAT image can be mounted here (root, exfatprogs, exfat-fuse)";
        ProgramFolder program(image ? exfat->path() : QString());
        image ? program.keep() : refused ? void() : program.onExfat();
        const QStringList wrapper =
            refused ? QString("strace -f --seccomp-bpf -o /dev/null -e trace=%1 -e inject=%2")
                          .arg(way.section(':', 0, 0), way)
                          .split(' ')
                    : QStringList();
        const std::string db = program.path("db/db.mdb");
        CrashedSave save;
        crashASave(db, save);
        ASSERT_EQ(program.runUnder(wrapper, kStart).exitCode, 0);
        expectCopiesTold(program, kRolledBack, db, save.crashed, save.journal);
        EXPECT_EQ(bytesOf(db), save.before);
        ASSERT_EQ(program.runUnder(wrapper, print).exitCode, 0);
        ASSERT_EQ(program.lines("messages.log").size(), 2u);

        program.onExfat("/print/" + QString(platform::Folder::kPartPrefix));
        EXPECT_EQ(program.runUnder(wrapper, print).exitCode, -1);  // killed
        std::vector<std::string> names = namesIn(program.path("print"));
        ASSERT_EQ(names.size(), 2u);
        EXPECT_EQ(names[0].rfind(platform::Folder::kPartPrefix, 0), 0u) << names[0];
        program.onExfat();
        ASSERT_EQ(program.runUnder(wrapper, print).exitCode, 0);
        names = namesIn(program.path("print"));
        ASSERT_EQ(names.size(), 2u);
        for (const std::string& name : names)
            EXPECT_TRUE(whole(program.path("print") + "/" + name)) << name;
    }
}

// Another program writing the whole time the start recovers (its syncs slowed down, so that it
// holds each step a while): no row that program was told it committed is lost, and the save cut
// short is undone.
TEST(Recovery, AnotherProgramWritingDuringTheRecoveryLosesNothing) {
    if (!HaveStrace()) GTEST_SKIP() << "strace slows the recovery down";
    ProgramFolder program;
    const std::string db = program.path("db/db.mdb");
    QueryFile(db, "create table probe(x integer)");
    CrashedSave save;
    crashASave(db, save);
    const std::string beforeFile = program.path("before.mdb");
    std::ofstream(beforeFile, std::ios::binary) << save.before;

    auto start = program.startUnder(
        {"strace", "-f", "-o", "/dev/null", "-e", "inject=fsync,fdatasync:delay_enter=100000"},
        kStart);
    // The writer starts once the start holds its lock: as soon as it keeps its first copy.
    QProcess writer;
    const auto copyKept = [&] {
        for (const std::string& name : namesIn(program.path("db")))
            if (name.find(".bak") != std::string::npos) return true;
        return start->state() == QProcess::NotRunning;
    };
    while (!copyKept()) start->waitForReadyRead(5);
    const std::string stop = program.path("stop");
    writer.start(INTERRUPTED_WRITER,
                 {QString::fromStdString(db), "probe", QString::fromStdString(stop)});
    ASSERT_TRUE(start->waitForFinished(60000));
    std::ofstream(stop) << "";
    ASSERT_TRUE(writer.waitForFinished(60000));
    EXPECT_EQ(start->exitCode(), 0) << start->readAll().toStdString();
    EXPECT_EQ(writer.exitCode(), 0);

    const QStringList told =
        QString(writer.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_FALSE(told.isEmpty());
    EXPECT_EQ(QueryFile(db, "select count(*) from probe"), std::to_string(told.size()));
    EXPECT_EQ(QueryFile(db, "select group_concat(x) from (select x from probe order by x)"),
              told.join(',').toStdString());
    const char* const baseData = "select count(*), total(Data) from baseData";
    EXPECT_EQ(QueryFile(db, baseData), QueryFile(beforeFile, baseData));
    expectCopiesTold(program, kRolledBack, db, save.crashed, save.journal);
}

namespace {

// Another user (65534) who watches a folder others may write (inotify) while root's start
// recovers: each name made there is read at once, then replaced by a link to `victim`.
// Stop() tells what could be read and what was replaced.
class MeddlingUser {
  public:
    MeddlingUser(const std::string& folder, const std::string& victim) {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(stop_, O_CLOEXEC) != 0) return;
        watcher_ = std::async(std::launch::async, [=, this] {
            return AsAnotherUser([&] { return watch(folder, victim, ready[1]); });
        });
        char byte = 0;
        (void)!::read(ready[0], &byte, 1);
        ::close(ready[0]);
        ::close(ready[1]);
    }

    // "read <name>" and "swapped <name>" lines.
    std::string Stop() {
        ::close(stop_[1]);
        const std::string seen = watcher_.get();
        ::close(stop_[0]);
        return seen;
    }

  private:
    std::string watch(const std::string& folder, const std::string& victim, int ready) {
        ::close(stop_[1]);  // the watcher's own copy: the stop is the test's closing its copy
        const int watch = ::inotify_init1(IN_CLOEXEC);
        ::inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO);
        (void)!::write(ready, "r", 1);
        std::string seen;
        alignas(inotify_event) char buffer[4096];
        for (int n = 0;;) {
            pollfd fds[] = {{watch, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            ::poll(fds, 2, -1);
            if (fds[1].revents) return seen;
            const ssize_t length = ::read(watch, buffer, sizeof buffer);
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += ssize_t(sizeof(inotify_event) + event->len);
                const std::string name = event->len ? event->name : "";
                if (name.empty() || name.rfind(".swap", 0) == 0) continue;
                const std::string path = folder + "/" + name;
                char byte;
                const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
                if (fd >= 0 && ::read(fd, &byte, 1) == 1) seen += "read " + name + "\n";
                if (fd >= 0) ::close(fd);
                const std::string swap = folder + "/.swap" + std::to_string(n++);
                if (::symlink(victim.c_str(), swap.c_str()) == 0 &&
                    ::rename(swap.c_str(), path.c_str()) == 0)
                    seen += "swapped " + name + "\n";
            }
        }
    }

    int stop_[2] = {-1, -1};
    std::future<std::string> watcher_;
};

}  // namespace

// A folder on the database's path that a user who may only read the file may write: that user
// plants a journal that SQLite would roll back (here the journal of a real crashed save, moved
// aside and put back by them). The start, by root or by the file's owner, only views: it neither
// plays the journal back nor moves it, names the folder with its fix, and ends; the file stays
// byte for byte, and no name is made in the folder for the watching user to read or swap.
TEST(Recovery, AJournalPlantedWhereOthersMayWriteIsNeitherPlayedBackNorMoved) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    constexpr gid_t kGroup = 3005;
    struct Case {
        const char* name;
        mode_t programFolder, db;
        gid_t group;      // of db/ and the file
        mode_t file;      // the file's mode
        const char* fix;  // the command the box gives, and the folder it names
        const char* at;
        bool plantedByOther = true;  // else a crash left it
    };
    const Case cases[] = {
        {"1777", 0755, 01777, 0, 0644, "chmod o-w ", "db"},
        {"777", 0755, 0777, 0, 0644, "chmod o-w ", "db"},
        {"2775, the group may not write the file", 0755, 02775, kGroup, 0640, "chmod g-w ", "db"},
        {"a folder above others may write", 0777, 0755, 0, 0644, "chmod o-w ", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder program;
        const std::string db = program.path("db/db.mdb"), journal = db + "-journal";
        CrashedSave save;
        crashASave(db, save);
        fs::remove(journal);
        ASSERT_EQ(::chown(program.path("db").c_str(), 0, c.group) |
                      ::chown(db.c_str(), 0, c.group) | ::chmod(db.c_str(), c.file) |
                      ::chmod(program.path("db").c_str(), c.db) |
                      ::chmod(program.folder().c_str(), c.programFolder),
                  0);
        const auto plant = [&] {
            std::ofstream(journal, std::ios::binary) << save.journal;
            return std::string(bytesOf(journal) == save.journal ? "planted" : "not planted");
        };
        ASSERT_EQ(c.plantedByOther ? AsUser(kAnotherUser, kAnotherUser, plant, {kGroup}) : plant(),
                  "planted");
        const std::vector<std::string> names = namesIn(program.path("db"));

        MeddlingUser other(program.path("db"), program.path("victim"));
        const ProgramRun run = program.run(kStart);
        const std::string seen = other.Stop();
        EXPECT_EQ(run.exitCode, 1) << run.log.toStdString();
        const std::vector<std::string> boxes = program.lines("messages.log");
        ASSERT_EQ(boxes.size(), 1u);
        const std::string folder = program.path(c.at);
        EXPECT_EQ(boxes[0].find("PraveltaKVT\tOK\t数据库文件所在的位置不安全"), 0u) << boxes[0];
        EXPECT_NE(boxes[0].find("\\n文件夹：" + folder + "\\n"), std::string::npos) << boxes[0];
        // A command names the folder; a folder all users share is left, the database moved.
        const std::string fix =
            std::string(c.fix) + (std::string(c.fix).back() == ' ' ? folder : "");
        EXPECT_NE(boxes[0].find(fix), std::string::npos) << boxes[0];
        EXPECT_NE(boxes[0].find("程序没有使用也没有移动它，不能启动。"), std::string::npos)
            << boxes[0];
        EXPECT_NE(boxes[0].find("\\n日志文件：" + journal), std::string::npos) << boxes[0];
        EXPECT_EQ(seen, "");
        EXPECT_EQ(bytesOf(db), save.crashed);
        EXPECT_EQ(bytesOf(journal), save.journal);
        EXPECT_EQ(namesIn(program.path("db")), names);
    }
}

namespace {

// A super-journal record at the end of a journal, as SQLite writes one: the lock page's number,
// the name, its length, the sum of its bytes and the journal's magic.
std::string superJournalRecord(const std::string& name) {
    const auto be32 = [](std::uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    std::uint32_t sum = 0;
    for (char c : name) sum += std::uint8_t(c);
    const char magic[] = "\xd9\xd5\x05\xf9\x20\xa1\x63\xd7";
    return be32(0x40000000 / 4096 + 1) + name + be32(std::uint32_t(name.size())) + be32(sum) +
           std::string(magic, 8);
}

}  // namespace

// Files left beside the database by a user who may only read it, in a db/ all may write, then
// mended with the box's own command; and a writer's journal that would reach a file elsewhere.
// The start by root uses none of them: the file stays byte for byte, the planted file stays where
// it is (or, a writer's journal naming a super-journal, is moved aside), and the file it would
// reach stays as it was.
TEST(Recovery, NothingANonWriterLeftBesideTheDatabaseIsUsedAfterTheFolderIsMended) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    enum class Plant {
        CraftedJournal,
        EmptyJournalHeldOpen,
        WriteAheadLog,
        LockFile,
        SuperJournal,
        HardLink
    };
    struct Row {
        const char* name;
        Plant plant;
        const char* said;  // the start of the box
        int exitCode;
    };
    const Row rows[] = {
        {"a crafted journal", Plant::CraftedJournal, "数据库文件旁的文件不能使用", 1},
        {"an empty journal held open", Plant::EmptyJournalHeldOpen, "数据库文件旁的文件不能使用",
         1},
        {"a write-ahead log", Plant::WriteAheadLog, "数据库使用了预写日志", 1},
        {"a lock file", Plant::LockFile, "数据库文件旁的文件不能使用", 1},
        {"a writer's journal naming a super-journal", Plant::SuperJournal,
         "上次保存没有完成，数据库文件旁留下了日志文件，但它指向另一个日志文件", 0},
        {"a writer's hard link at the journal's name", Plant::HardLink,
         "数据库文件旁的文件不能使用", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ProgramFolder program;
        const std::string db = program.path("db/db.mdb"), journal = db + "-journal";
        const std::string victim = program.path("victim");
        std::ofstream(victim) << "a file elsewhere";
        ::chmod(victim.c_str(), 0644);
        CrashedSave save;
        crashASave(db, save);
        fs::remove(journal);
        const std::string before = bytesOf(db);
        program.letOtherUsersRun();
        ::chmod(program.path("db").c_str(), 01777);
        const auto plantAs = [&](uid_t user, const std::string& name, const std::string& bytes) {
            const std::string path = program.path(("db/" + name).c_str());
            return AsUser(user, user, [&] {
                std::ofstream(path, std::ios::binary) << bytes;
                return std::string(::chmod(path.c_str(), 0666) == 0 ? "ok" : "no");
            });
        };
        std::optional<HeldByUser> holder;
        switch (row.plant) {
            case Plant::CraftedJournal:
                ASSERT_EQ(plantAs(kAnotherUser, "db.mdb-journal", save.journal), "ok");
                break;
            case Plant::EmptyJournalHeldOpen:
                holder.emplace(kAnotherUser, kAnotherUser, [&] {
                    const int fd = ::open(journal.c_str(), O_RDWR | O_CREAT, 0666);
                    return std::string(fd >= 0 && ::fchmod(fd, 0666) == 0 ? "ok" : "no");
                });
                ASSERT_EQ(holder->result(), "ok");
                break;
            case Plant::WriteAheadLog:
                ASSERT_EQ(plantAs(kAnotherUser, "db.mdb-wal", std::string(4096, '\x37')), "ok");
                break;
            case Plant::LockFile:
                ASSERT_EQ(plantAs(kAnotherUser, "PraveltaKVT.lock", ""), "ok");
                break;
            case Plant::SuperJournal:
                std::ofstream(journal, std::ios::binary)
                    << save.journal + superJournalRecord(victim);
                break;
            case Plant::HardLink:
                ASSERT_EQ(::link(victim.c_str(), journal.c_str()), 0);
                break;
        }
        // The box's command for a db/ all may write; a writer's own files need none.
        ASSERT_EQ(::chmod(program.path("db").c_str(), 0755), 0);
        const std::vector<std::string> names = namesIn(program.path("db"));

        const ProgramRun run = program.run(kStart);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.log.toStdString();
        const std::vector<std::string> boxes = program.lines("messages.log");
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes[0].find(std::string("PraveltaKVT\tOK\t") + row.said), 0u) << boxes[0];
        EXPECT_EQ(bytesOf(db), before);
        EXPECT_EQ(bytesOf(victim), "a file elsewhere");
        if (row.plant == Plant::SuperJournal) {
            EXPECT_FALSE(fs::exists(journal));  // moved aside, unplayed
        } else {
            EXPECT_EQ(namesIn(program.path("db")), names);
        }
        if (row.plant == Plant::EmptyJournalHeldOpen) EXPECT_EQ(fs::file_size(journal), 0u);
    }
}

// The commands of a start's box, run as printed by root in a folder whose name has a space, finish
// a killed writer's write-ahead log, and give a member's journal (left in the member's group, db/
// without the setgid bit) the database's group and db/ the bit: the next start recovers. Without
// /proc the box says the program needs it.
TEST(Recovery, TheCommandsOfAStartsBoxWorkAsPrintedInAFolderNamedWithASpace) {
    if (!HaveStrace() || !CanActAsAnotherUser()) GTEST_SKIP() << "needs strace and root";
    const QStringList member = Setpriv(3009, 3009, 3008);
    const QStringList withoutProc = {"unshare", "-m", "sh", "-c",
                                     "mount -t tmpfs none /proc && exec \"$0\""};
    const QTemporaryDir spaced(QDir::tempPath() + "/my kvt-XXXXXX");
    fs::permissions(spaced.path().toStdString(), fs::perms(0755));
    enum Staged { WriteAheadLog, MembersJournal, NoProc };
    for (const Staged row : {WriteAheadLog, MembersJournal, NoProc}) {
        ProgramFolder program(spaced.path());
        program.letOtherUsersRun();
        const std::string db = program.path("db/db.mdb"), folder = program.path("db");
        CrashedSave save;
        if (row == WriteAheadLog)  // killed: the log and its index stay
            QProcess::execute("sqlite3", {QString::fromStdString(db), "pragma journal_mode = wal",
                                          "create table t(x)", "insert into t values (1)",
                                          ".shell kill -9 $PPID"});
        if (row == MembersJournal) {
            ASSERT_EQ(::chown(folder.c_str(), 0, 3008) | ::chmod(folder.c_str(), 0775) |
                          ::chown(db.c_str(), 0, 3008) | ::chmod(db.c_str(), 0660),
                      0);
            crashASave(db, save, {}, member);
        }
        const QStringList as = row == MembersJournal ? member : QStringList();
        EXPECT_EQ(program.runUnder(row == NoProc ? withoutProc : as, kStart).exitCode, 1);
        const std::vector<std::string> boxes = program.lines("messages.log");
        ASSERT_EQ(boxes.size(), 1u);
        const std::vector<std::string> commands = CommandsIn(boxes[0]);
        const std::size_t given[] = {1, 2, 0};
        EXPECT_EQ(commands.size(), given[row]) << boxes[0];
        EXPECT_EQ(row == NoProc,
                  boxes[0].find("程序需要 /proc（已挂载且可读）") != std::string::npos);
        for (const std::string& command : commands)
            EXPECT_EQ(RunInShell("sh", command).first, 0) << command;
        std::ofstream(program.path("messages.log"));
        const ProgramRun next = program.runUnder(as, kStart);
        EXPECT_TRUE(next.log.contains("done expect login_form")) << next.log.toStdString();
        EXPECT_FALSE(fs::exists(db + "-wal") || fs::exists(db + "-shm"));
        if (row == WriteAheadLog) EXPECT_EQ(QueryFile(db, "select count(*) from t"), "1");
        if (row == MembersJournal) {
            EXPECT_EQ(bytesOf(db), save.before);
            EXPECT_NE(fs::status(folder).permissions() & fs::perms::set_gid, fs::perms::none);
        }
    }
}

// The program's journal lets no one more than the database from its first byte. A user who may
// not read the database (in its group, to which its ACL gives nothing; in a member's own group,
// db/ lacking the setgid bit) opens the journal neither while saves run nor after a save killed
// at its last write; the next writer rolls that one back.
TEST(Recovery, NoOneWhoMayNotReadTheDatabaseOpensASavesJournal) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as other users needs root";
    constexpr uid_t kAclUser = 3004, kMember = 2;  // bin, in its own group 2 as the system lists
    const std::string groupNothing = Letting(AclLetting(kAclUser, 6), 2, 0);
    const std::string folderAcl = Letting(AclLetting(kAclUser, 7), 4, 5);  // others may enter
    const struct {
        gid_t group, probersGroup;  // the database's; the one user 65534 is in
        QStringList saver, next;    // root where empty
    } rows[] = {{100, 100, {}, Setpriv(kAclUser, kAclUser, kAclUser)},
                {kMember, 3002, Setpriv(kMember, 3002, kMember), {}}};
    std::string saves =
        "expect login_form\nset txtUserPwd 123456\nclick Command1\n"
        "menu SysSetup 3\nexpect system_jc_form\nset txtTableUserName 张三\n";
    for (int n = 1; n <= 10; ++n)
        saves += "set txtCompName " + std::to_string(n) + "\nclick Command1\n";
    saves += "menu BaseData 5\n";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.group);
        ProgramFolder program;
        program.letOtherUsersRun();
        const std::string db = program.path("db/db.mdb"), journal = db + "-journal";
        const std::string folder = program.path("db"), writes = program.path("writes");
        const bool acl = row.saver.isEmpty();  // else the group writes db/
        ASSERT_EQ(::chown(db.c_str(), 0, row.group) | ::chmod(db.c_str(), 0660) |
                      ::chown(folder.c_str(), 0, acl ? 0 : row.group) |
                      ::chmod(folder.c_str(), acl ? 0755 : 0775),
                  0);
        ASSERT_TRUE(!acl || (SetAccessAcl(db, groupNothing) && SetAccessAcl(folder, folderAcl)));
        std::ofstream(writes) << "";
        fs::permissions(writes, fs::perms(0666));
        // User 65534 tries to open the journal until told to stop, ending with 1 where it could.
        const std::string stop = journal + ".stop";
        const pid_t prober = ::fork();
        if (prober == 0) {
            BecomeUser(kAnotherUser, kAnotherUser, {row.probersGroup});
            while (::access(stop.c_str(), F_OK) != 0)
                if (::open(journal.c_str(), O_RDONLY) >= 0 || (errno != EACCES && errno != ENOENT))
                    ::_exit(1);
            ::_exit(0);
        }
        program.killAtWrite();
        program.setEnv("KVT_WRITES_FILE", QString::fromStdString(writes));
        EXPECT_EQ(program.runUnder(row.saver, saves).exitCode, 0);
        const std::vector<std::string> counted = program.lines("writes");
        program.setEnv("KVT_KILL_AT_WRITE",
                       QString::fromStdString(counted.empty() ? "" : counted[0]));
        EXPECT_EQ(program.runUnder(row.saver, saves).exitCode, -1);  // killed at its last write
        std::ofstream(stop) << "";
        int probed = -1;
        EXPECT_TRUE(::waitpid(prober, &probed, 0) == prober && probed == 0);
        ASSERT_TRUE(fs::exists(journal));
        program.setEnv("LD_PRELOAD", "");
        EXPECT_EQ(program.runUnder(row.next, kStart).exitCode, 0);
        EXPECT_FALSE(fs::exists(journal));
        const std::vector<std::string> boxes = program.lines("messages.log");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].find(kRolledBack), std::string::npos) << boxes[0];
        EXPECT_EQ(program.setting("cpyName"), "9");
    }
}
