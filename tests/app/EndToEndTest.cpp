// Starts the program binary headless in a temporary program folder, logs in through the login
// window and opens every window the menus offer, driven by the program's automation script.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/WorkingForms.h"
#include "platform/storage/Database.h"
#include "platform/storage/DatabasePlace.h"
#include "platform/storage/InstanceLock.h"
#include "tests/support/AccessAcl.h"
#include "tests/support/AnotherUser.h"
#include "tests/support/CrashedSaves.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/TestDb.h"
#include "tests/support/VirtualDisplay.h"

namespace fs = std::filesystem;

TEST(EndToEnd, LogInOpenEveryMenuWindowAndExit) {
    ProgramFolder program;
    std::string script =
        "expect login_form\n"
        "set txtUserPwd 123456\n"
        "click Command1\n"
        "expect frmMainCode\n"
        "expect welcome_form\n";
    for (const auto& [key, item, factory] : ProgramWorkingForms()) {
        std::unique_ptr<platform::Form> probe(factory());
        script += "menu " + key.toStdString() + " " + std::to_string(item) + "\n";
        script += "expect " + probe->objectName().toStdString() + "\n";
    }
    script +=
        "menu SysSetup 3\n"
        "expect system_jc_form\n"
        "set txtCompName 东方机械厂\n"
        "set txtTableUserName 张三\n"
        "click Command1\n"
        "menu Help 1\n"
        "expect HelpViewer\n"
        "menu Help 3\n"
        "expect frmSplash\n"
        "menu BaseData 5\n";
    const ProgramRun run = program.run(script);
    EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
    EXPECT_TRUE(run.log.contains("done menu BaseData 5")) << run.log.toStdString();
    EXPECT_EQ(program.setting("cpyName"), "东方机械厂");
    EXPECT_EQ(program.setting("tableUserName"), "张三");
}

TEST(EndToEnd, AWrongPasswordIsRefusedAndClosingTheLoginEndsTheProgram) {
    ProgramFolder program;
    const ProgramRun run = program.run(
        "expect login_form\n"
        "set txtUserPwd 999\n"
        "answer OK\n"
        "click Command1\n"
        "click Command2\n");
    EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
    EXPECT_TRUE(run.log.contains("box [错误] 请输入正确口令！")) << run.log.toStdString();
}

namespace {

// Stores one yearly amount of an item in baseData.
void putYear(platform::Connection& conn, int item, int year, double amount) {
    conn.Execute("insert into baseData(ItemID,PeriodType,Year,Period,Data) values(?,1,?,1,?)",
                 {std::int64_t(item), std::int64_t(year), amount});
}

// The path of the PDF file that a logged box says a print without a printer was saved as, or ""
// for any other box.
std::string printedPdf(const std::string& box) {
    const std::string told = "PraveltaKVT\tOK\t没有安装打印机，打印内容已保存为文件：\\n";
    return box.rfind(told, 0) == 0 ? box.substr(told.size()) : "";
}

}  // namespace

TEST(EndToEnd, AFileThatIsNotThisProgramsDatabaseIsReportedAndLeftAsItIs) {
    ProgramFolder program;
    const std::string db = program.path("db/db.mdb");
    std::ofstream(db, std::ios::trunc) << std::string(5000, 'x');
    const std::string before = bytesOf(db);
    const ProgramRun run = program.run("answer OK\nexpect login_form\n");
    EXPECT_EQ(run.exitCode, 1) << run.log.toStdString();
    EXPECT_TRUE(
        run.log.contains("数据库文件已损坏或不是本程序的数据库：" + QString::fromStdString(db)))
        << run.log.toStdString();
    EXPECT_EQ(bytesOf(db), before);
}

// Another copy holds the program folder (its lock lives as long as that process).
TEST(EndToEnd, ASecondCopyOnTheSameFolderSaysSoAndEnds) {
    ProgramFolder program;
    {
        platform::InstanceLock other;
        ASSERT_EQ(other.Acquire(program.folder(),
                                *platform::DatabasePlace::Of(program.path("db/db.mdb"))),
                  platform::InstanceLock::Result::Taken);
        const ProgramRun run = program.run("answer OK\nexpect login_form\n");
        EXPECT_EQ(run.exitCode, 1) << run.log.toStdString();
        EXPECT_TRUE(run.log.contains("程序已在运行")) << run.log.toStdString();
    }
    const ProgramRun run = program.run("expect login_form\nclick Command2\n");
    EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
}

TEST(EndToEnd, ADatabaseOfAnEarlierBuildIsUpgradedAtStart) {
    ProgramFolder program;
    const std::string db = program.path("db/db.mdb");
    QueryFile(db, "drop index baseData_period");
    QueryFile(db, "update baseItem set Unit = '元' where ItemId = 101");
    QueryFile(db, "pragma user_version = 0");
    const ProgramRun run = program.run("expect login_form\nclick Command2\n");
    EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
    EXPECT_EQ(QueryFile(db, "pragma user_version"), "2");
    EXPECT_EQ(QueryFile(db, "select Unit from baseItem where ItemId = 101"), "万元");
    EXPECT_EQ(QueryFile(db, "select count(*) from sqlite_master where name = 'baseData_period'"),
              "1");
}

// A missing file, or a folder in its place, is told as such, and nothing is made.
TEST(EndToEnd, AMissingDatabaseOrAFolderInItsPlaceIsReportedAtStart) {
    for (const bool folder : {false, true}) {
        ProgramFolder program;
        const std::string db = program.path("db/db.mdb");
        fs::remove(db);
        if (folder) fs::create_directory(db);
        const ProgramRun run = program.run("answer OK\nexpect login_form\n");
        EXPECT_EQ(run.exitCode, 1) << run.log.toStdString();
        EXPECT_EQ(program.lines("messages.log"),
                  std::vector<std::string>{
                      "PraveltaKVT\tOK\t" +
                      std::string(folder ? "不是数据库文件：" : "找不到数据库文件：") + db});
        EXPECT_EQ(fs::is_directory(db), folder);
        EXPECT_TRUE(folder || !fs::exists(db));
    }
}

namespace {

const char* const kLogIn =
    "expect login_form\n"
    "set txtUserPwd 123456\n"
    "click Command1\n"
    "expect frmMainCode\n";

// `kvt.sh install` of this build into the folder (with flock as on NFS): its exit code, then its
// output.
std::pair<int, std::string> install(const QString& folder, bool nfs = false) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PRAVELTA_HOME", folder);
    env.insert("KVT_BUILD_DIR", PROGRAM_DIR);
    if (nfs) flockAsOnNfs(env);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("bash", {KVT_SCRIPT, "install"});
    if (!p.waitForFinished(60000)) p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll().toStdString()};
}

// An installed program folder: root's and read-only to the user but for db/ and the database, no
// lock file made yet.
void installedFolder(const ProgramFolder& program) {
    ASSERT_EQ(::chmod(program.folder().c_str(), 0755) | ::chmod(program.path("db").c_str(), 0777) |
                  ::chmod(program.path("db/db.mdb").c_str(), 0666),
              0);
}

// A copy started on the folder (a box at its start answered) and waiting at its login, or logged in
// and waiting in its main window (killed when the object goes).
class WaitingCopy {
  public:
    WaitingCopy(const ProgramFolder& program, const QString& asUser, bool logIn = false)
        : process_(
              program.start(std::string("answer OK\n") + (logIn ? kLogIn : "expect login_form\n"),
                            asUser, "first.txt")),
          waitedFor_(logIn ? "done expect frmMainCode" : "done expect login_form") {
        while (!log_.contains(waitedFor_) && process_->waitForReadyRead(60000))
            log_ += process_->readAll();
    }
    ~WaitingCopy() {
        process_->kill();
        process_->waitForFinished();
    }
    WaitingCopy(const WaitingCopy&) = delete;
    WaitingCopy& operator=(const WaitingCopy&) = delete;

    bool waiting() const { return log_.contains(waitedFor_); }
    bool running() const { return process_->state() == QProcess::Running; }
    std::string log() const { return log_.toStdString(); }

  private:
    std::unique_ptr<QProcess> process_;
    QByteArray waitedFor_;
    QByteArray log_;
};

// The frame that a `frame` step of the automation script wrote on a line.
QRect frameOn(const std::string& line) {
    int left = 0, top = 0, width = 0, height = 0;
    std::sscanf(line.c_str(), "%*s %d %d %d %d", &left, &top, &width, &height);
    return QRect(left, top, width, height);
}

}  // namespace

// On a real display the window system activates the main window when it likes: after the first
// working form was opened, while it is docked. Forms opened one right after another, then the
// exit, end well all the same, with no box, at either scale; three runs share the display. The
// help window's frame, title bar included, lies below the strip, which stays on top, and on the
// screen.
TEST(EndToEnd, OnARealDisplayFormsOpenedOneRightAfterAnotherEndWell) {
    VirtualDisplay display;
    if (!display.available()) GTEST_SKIP() << "Xvfb is not installed";
    ProgramFolder programs[3];
    std::unique_ptr<QProcess> runs[3];
    for (int i = 0; i < 3; ++i) {
        programs[i].setEnv("QT_QPA_PLATFORM", "xcb");
        programs[i].setEnv("DISPLAY", display.name());
        programs[i].setEnv("QT_SCALE_FACTOR", i == 1 ? "2" : "1");
        const std::string frames = programs[i].path("frames.txt");
        runs[i] = programs[i].start(std::string(kLogIn) +
                                    "menu BaseData 1\nexpect form_base\n"
                                    "menu BaseData 3\nexpect form_base_interface\n"
                                    "menu SysSetup 1\nwait 100\nmenu Indicator 1\nwait 100\n"
                                    "menu DuBang 1\nwait 100\nmenu Help 1\n"
                                    "frame frmMainCode " +
                                    frames + "\nframe HelpViewer " + frames +
                                    "\nmenu BaseData 1\nexpect form_base\nmenu BaseData 5\n");
    }
    for (int i = 0; i < 3; ++i) {
        runs[i]->waitForFinished(60000);
        const std::string log = runs[i]->readAll().toStdString();
        EXPECT_EQ(runs[i]->exitStatus(), QProcess::NormalExit) << log;
        EXPECT_EQ(runs[i]->exitCode(), 0) << log;
        EXPECT_NE(log.find("done menu BaseData 5"), std::string::npos) << log;
        EXPECT_EQ(programs[i].lines("messages.log"), std::vector<std::string>()) << log;
        const std::vector<std::string> frames = programs[i].lines("frames.txt");
        ASSERT_EQ(frames.size(), 2u) << log;
        const QRect strip = frameOn(frames[0]), help = frameOn(frames[1]);
        EXPECT_GT(help.top(), strip.bottom()) << frames[0] << "; " << frames[1];
        EXPECT_TRUE(QRect(QPoint(), QSize(1280, 1024) / (i == 1 ? 2 : 1)).contains(help))
            << frames[1];
    }
}

// Two copies on one folder: the first starts, the second is refused, on a local disk and where
// flock behaves as on NFS; as root, and as another user in an installed folder. So is a second
// copy in another folder whose db/db.mdb is a link to the first one's database, while the first
// is logged in and has opened and closed its connections to the file many times, also when the
// first one's start put a rolled-back copy in place of the file after a crashed save.
TEST(EndToEnd, ASecondCopySaysSoAndEndsOnALocalDiskAndOnNfs) {
    const struct {
        const char* user;
        bool nfs, linked, crashed;
    } cases[] = {{"65534", false, false, false}, {"65534", true, false, false},
                 {"", true, false, false},       {"", false, true, false},
                 {"65534", true, true, false},   {"", false, true, true}};
    for (const auto& [user, nfs, linked, crashed] : cases) {
        if (*user && ::geteuid() != 0) continue;  // acting as another user needs root
        if (crashed && !HaveStrace()) continue;   // strace stages the crash
        SCOPED_TRACE(std::string(user) + (nfs ? " nfs" : "") + (linked ? " linked" : "") +
                     (crashed ? " crashed" : ""));
        ProgramFolder program, other;
        installedFolder(program);
        installedFolder(other);
        if (linked) {
            fs::remove(other.path("db/db.mdb"));
            fs::create_symlink(program.path("db/db.mdb"), other.path("db/db.mdb"));
        }
        if (crashed) CrashAtTheJournalsRemoval(program.path("db/db.mdb"));
        if (nfs) {
            program.onNfs();
            other.onNfs();
        }
        const WaitingCopy first(program, user, linked);
        ASSERT_TRUE(first.waiting()) << first.log();
        const ProgramRun second =
            (linked ? other : program).run("answer OK\nexpect login_form\nclick Command2\n", user);
        EXPECT_EQ(second.exitCode, 1) << second.log.toStdString();
        EXPECT_TRUE(second.log.contains("box [PraveltaKVT] 程序已在运行"))
            << second.log.toStdString();
        EXPECT_TRUE(first.running());
    }
}

// Users who may only view the database run side by side, on a local disk and where flock behaves
// as on NFS; while they run, a copy that may write the database (root's) is refused, and so is an
// install, which would replace the program under them.
TEST(EndToEnd, ViewersRunSideBySideWhileAWriterAndAnInstallAreRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
    for (const bool nfs : {false, true}) {
        SCOPED_TRACE(nfs ? "nfs" : "local disk");
        ProgramFolder program;
        // Root's database, which the users may only view; root's first start made the lock file.
        ASSERT_EQ(::chmod(program.folder().c_str(), 0755), 0);
        if (nfs) program.onNfs();
        ASSERT_EQ(program.run("answer OK\nexpect login_form\nclick Command2\n").exitCode, 0);
        const WaitingCopy first(program, "65534");
        ASSERT_TRUE(first.waiting()) << first.log();
        const WaitingCopy second(program, "65533");
        EXPECT_TRUE(second.waiting()) << second.log();
        const ProgramRun writer = program.run("answer OK\nexpect login_form\nclick Command2\n");
        EXPECT_EQ(writer.exitCode, 1) << writer.log.toStdString();
        EXPECT_TRUE(writer.log.contains("box [PraveltaKVT] 程序已在运行"))
            << writer.log.toStdString();
        EXPECT_EQ(install(QString::fromStdString(program.folder()), nfs),
                  std::make_pair(1, "kvt.sh: PraveltaKVT is running in " + program.folder() +
                                        "; close it first\n"));
        EXPECT_TRUE(first.running() && second.running());
    }
}

// A private database (0600) in its owner's db/ that every user may write: another user makes an
// empty journal beside it, readable by all, and keeps it open. The owner's start only views:
// it says why before the login, a save fails as on a file that may not be written, and nothing
// is written into their journal or the database.
TEST(EndToEnd, InAFolderOthersMayWriteTheOwnerOnlyViewsAndWritesNoJournal) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    ProgramFolder program;
    const std::string db = program.path("db/db.mdb"), journal = db + "-journal";
    program.letOtherUsersRun();
    ASSERT_EQ(::chmod(program.path("db").c_str(), 01777) | ::chmod(db.c_str(), 0600), 0);
    const std::string before = bytesOf(db);
    const HeldByUser other(kAnotherUser, kAnotherUser, [&] {
        ::umask(0);
        static const int kept = ::open(journal.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
        return std::string(kept >= 0 ? "kept" : "not made");
    });
    ASSERT_EQ(other.result(), "kept");

    const ProgramRun run = program.run(std::string("answer OK\n") + kLogIn +
                                       "menu SysSetup 3\n"
                                       "expect system_jc_form\n"
                                       "set txtCompName 东方机械厂\n"
                                       "set txtTableUserName 张三\n"
                                       "answer OK\n"
                                       "click Command1\n"
                                       "menu BaseData 5\n");
    EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
    const std::vector<std::string> boxes = program.lines("messages.log");
    ASSERT_EQ(boxes.size(), 2u) << run.log.toStdString();
    EXPECT_EQ(boxes[0].find("PraveltaKVT\tOK\t数据库文件所在的位置不安全"), 0u) << boxes[0];
    EXPECT_NE(boxes[0].find("程序只能查看数据，不能保存。\\n文件夹：" + program.path("db")),
              std::string::npos)
        << boxes[0];
    EXPECT_EQ(boxes[1], "PraveltaKVT\tOK\t数据库文件无法写入\\n文件：" + db);
    EXPECT_EQ(fs::file_size(journal), 0u);
    EXPECT_EQ(bytesOf(db), before);
}

// A start as another user that cannot take its lock says why, naming what, and ends: a program
// folder the user may not read (another user's, mode 711), and a lock file that is no regular
// file: root's FIFO, whose opening would wait for a writer for ever, or a link.
TEST(EndToEnd, AStartThatCannotLockSaysWhyByNameAndEnds) {
    if (::geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
    using Stage = std::function<std::string(const ProgramFolder&)>;  // returns the box
    const auto notAFile = [](const std::string& lock) {
        return "锁文件不是普通文件（例如是链接或管道），程序不能启动：" + lock;
    };
    const std::pair<const char*, Stage> stages[] = {
        {"folder 711",
         [](const ProgramFolder& program) {
             fs::permissions(program.folder(), fs::perms(0711));
             return "没有读取程序文件夹的权限，程序不能启动：" + program.folder();
         }},
        {"FIFO",
         [&](const ProgramFolder& program) {
             const std::string lock = platform::InstanceLock::LockFilePath(program.folder());
             EXPECT_EQ(::mkfifo(lock.c_str(), 0644), 0);
             return notAFile(lock);
         }},
        {"link",
         [&](const ProgramFolder& program) {
             const std::string lock = platform::InstanceLock::LockFilePath(program.folder());
             fs::create_symlink(program.path("db/db.mdb"), lock);
             return notAFile(lock);
         }},
    };
    for (const auto& [name, stage] : stages) {
        SCOPED_TRACE(name);
        ProgramFolder program;
        installedFolder(program);
        const std::string box = stage(program);
        const ProgramRun run =
            program.run("answer OK\nexpect login_form\nclick Command2\n", "65534");
        EXPECT_EQ(run.exitCode, 1) << run.log.toStdString();
        EXPECT_TRUE(run.log.contains(QString::fromStdString("box [PraveltaKVT] " + box)))
            << run.log.toStdString();
    }
}

// In a program folder others may write, another user has put a link to root's database folder in
// place of db/, or to root's database in place of db/db.mdb: a start by root names the link and
// ends, making nothing where it leads and leaving that database as it is.
TEST(EndToEnd, ARootStartFollowsNoLinkAnotherUserPutInPlaceOfTheDatabase) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    for (const char* name : {"db", "db/db.mdb"}) {
        SCOPED_TRACE(name);
        ProgramFolder program;
        ASSERT_EQ(
            ::chmod(program.folder().c_str(), 0777) | ::chmod(program.path("db").c_str(), 0777), 0);
        const QTemporaryDir roots;
        const fs::path rootsDb = fs::path(roots.path().toStdString()) / "db";
        const std::string link = program.path(name), target = roots.filePath(name).toStdString();
        fs::create_directory(rootsDb);
        fs::rename(program.path("db/db.mdb"), rootsDb / "db.mdb");
        if (fs::path(name) == "db") fs::remove(program.path("db"));
        const std::string before = bytesOf((rootsDb / "db.mdb").string());
        ASSERT_EQ(
            AsAnotherUser([&] { return std::to_string(::symlink(target.c_str(), link.c_str())); }),
            "0");
        const ProgramRun run = program.run("answer OK\nexpect login_form\nclick Command2\n");
        EXPECT_EQ(run.exitCode, 1) << run.log.toStdString();
        EXPECT_TRUE(run.log.contains(QString::fromStdString(
            "box [PraveltaKVT] "
            "数据库文件夹或数据库文件是其他用户建立的链接，程序不跟随它，不能启动：" +
            link)))
            << run.log.toStdString();
        EXPECT_EQ(std::distance(fs::directory_iterator(rootsDb), fs::directory_iterator()), 1);
        EXPECT_EQ(bytesOf((rootsDb / "db.mdb").string()), before);
    }
}

// A database folder the user may not enter is told as such, not as a missing file.
TEST(EndToEnd, ADatabaseFolderTheUserMayNotEnterIsReportedAtStart) {
    if (::geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
    ProgramFolder program;
    fs::permissions(program.path(""), fs::perms::all);
    fs::permissions(program.path("db"), fs::perms::owner_all);
    const ProgramRun run = program.run("answer OK\nexpect login_form\n", "65534");
    EXPECT_EQ(run.exitCode, 1) << run.log.toStdString();
    EXPECT_EQ(program.lines("messages.log"),
              std::vector<std::string>{"PraveltaKVT\tOK\t数据库文件无法打开\\n文件：" +
                                       program.path("db/db.mdb")});
}

namespace {

// Shows a range of form_base: type 3 (quarter) or 4 (month) of 2005, from the first period
// to the last.
std::string showRange(int typeIndex, const char* fromList, const char* toList, int last) {
    return std::string("menu BaseData 1\nexpect form_base\n") + "select cbSerial " +
           std::to_string(typeIndex) + "\nset txtFromYear 2005\nset txtToYear 2005\n" + "select " +
           fromList + " 0\nselect " + toList + " " + std::to_string(last) + "\nclick cmdDo\n";
}

// The month's figures as a user types them, row by row: a balance sheet that satisfies every
// identity, and an income statement.
std::vector<int> balanceSheet(int m) {
    return {100 + m, 50, 80, 120, 400 + m, 600, 500, 1000 + m, 300, 400, 500, 600 + m};
}
std::vector<int> incomeStatement(int m) {
    return {1000 + 10 * m, 600, 50, 30, 40, 10, 270 + 10 * m, 90, 180 + 10 * m};
}

// Types a statement of twelve months into grid n: a click on each month's first cell, then
// each figure followed by Enter, which moves down the column. Months 9 to 12 are on the second
// page.
std::string typeStatement(int n, std::vector<int> (*figures)(int)) {
    std::string s = "tab tbsOptions " + std::to_string(n) + "\n";
    for (int m = 1; m <= 12; ++m) {
        if (m == 9) s += "click cmd_Next\n";
        s += "cell MSFGData" + std::to_string(n) + " 1 " + std::to_string(m + 3) + "\n";
        for (int v : figures(m)) s += "type " + std::to_string(v) + "\nkey focus Enter\n";
    }
    return s + "click cmdSave\n";
}

std::vector<std::string> cellsOf(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, '\t');) cells.push_back(cell);
    return cells;
}

}  // namespace

TEST(EndToEnd, AYearOfMonthsTypedSavedAndConvertedIsFoundAfterARestart) {
    ProgramFolder program;
    const ProgramRun entry =
        program.run(std::string(kLogIn) + showRange(3, "cbFromMonth", "cbToMonth", 11) +
                    typeStatement(1, balanceSheet) + typeStatement(2, incomeStatement) +
                    "menu BaseData 3\n"
                    "expect form_base_interface\n"
                    "answer Yes\n"
                    "click cmdMonthToQuartor\n"
                    "menu BaseData 5\n");
    ASSERT_EQ(entry.exitCode, 0) << entry.log.toStdString();
    // 保存 writes without a word; the conversion asks first.
    EXPECT_EQ(program.lines("messages.log"),
              std::vector<std::string>{"警告信息\tYesNo\t确定覆盖所有以季度为周期的基础数据吗？"});

    const std::string dumps = program.path("quarters");
    const ProgramRun check = program.run(
        std::string(kLogIn) + showRange(2, "cbFromQuartor", "cbToQuartor", 3) + "dump MSFGData1 " +
        dumps + "1.tsv\ntab tbsOptions 2\ndump MSFGData2 " + dumps + "2.tsv\nmenu BaseData 5\n");
    ASSERT_EQ(check.exitCode, 0) << check.log.toStdString();
    // A quarter's balance sheet is its last month's; its income statement the sum of its months.
    const std::vector<std::string> sheet = program.lines("quarters1.tsv");
    const std::vector<std::string> income = program.lines("quarters2.tsv");
    ASSERT_GT(sheet.size(), 12u);
    ASSERT_GT(income.size(), 9u);
    EXPECT_EQ(cellsOf(sheet[0])[4], "2005一季度");
    for (int q = 1; q <= 4; ++q) {
        const int m = 3 * q;
        const std::vector<int> last = balanceSheet(m);
        for (int row = 1; row <= 12; ++row)
            EXPECT_EQ(cellsOf(sheet[row])[q + 3], std::to_string(last[row - 1]))
                << "quarter " << q << " row " << row;
        for (int row = 1; row <= 9; ++row) {
            int sum = 0;
            for (int month = m - 2; month <= m; ++month) sum += incomeStatement(month)[row - 1];
            EXPECT_EQ(cellsOf(income[row])[q + 3], std::to_string(sum))
                << "quarter " << q << " row " << row;
        }
    }
}

TEST(EndToEnd, BenchmarkLevelsAndAWeightTypedAndSavedAreFoundInTheDatabase) {
    ProgramFolder program;
    const std::string grid = program.path("development.tsv");
    const ProgramRun run = program.run(std::string(kLogIn) +
                                       "menu SysSetup 1\n"
                                       "expect form_mark\n"
                                       "tab tbsOptions 3\n"
                                       "cell MSFGData3 7 5\n"
                                       "type 12.5\n"
                                       "key focus Enter\n"
                                       "type .5\n"
                                       "key focus Enter\n"
                                       "key focus Esc\n"
                                       "cell MSFGData3 7 10\n"
                                       "type 100\n"
                                       "click cmdSave\n"
                                       "dump MSFGData3 " +
                                       grid +
                                       "\n"
                                       "tab tbsOptions 1\n"
                                       "cell MSFGData1 1 4\n"
                                       "type 0\n"
                                       "answer OK\n"
                                       "click cmdSave\n"
                                       "answer No\n"
                                       "click cmdClose\n"
                                       "menu BaseData 5\n");
    ASSERT_EQ(run.exitCode, 0) << run.log.toStdString();
    EXPECT_EQ(program.lines("messages.log"),
              (std::vector<std::string>{"错误\tOK\t获利能力中'净资产收益率'的'历史最好'项不能为0！",
                                        "提示\tYesNo\t获利能力中数据已经改动，是否保存？"}));
    const auto level = [&](const char* column, int id) {
        return QueryFile(program.path("db/db.mdb"),
                         std::string("select ") + column + " from indicatorItem where ItemID = ?",
                         {std::int64_t(id)});
    };
    EXPECT_EQ(level("StandardLevel", 3007), "12.5");
    EXPECT_EQ(level("IndustryMeanLevel", 3007), "0.5");
    EXPECT_EQ(level("IndustryLeadLevel", 3007), "");
    EXPECT_EQ(level("Weight", 3007), "100");
    EXPECT_EQ(level("Weight", 3001), "0") << "an empty weight of the saved group";
    EXPECT_EQ(level("HistoryBestLevel", 1001), "") << "the refused group";
    EXPECT_EQ(level("Weight", 1001), "");
    const std::vector<std::string> shown = program.lines("development.tsv");
    ASSERT_GT(shown.size(), 7u);
    EXPECT_EQ(cellsOf(shown[7]),
              (std::vector<std::string>{" 3007", " 7", "经营活动产生的现金净流量增长率", "%", "",
                                        "12.5", "0.5", "", "", "", "100"}));
}

TEST(EndToEnd, BenchmarkSettingsThatCannotBeReadAreReportedAndTheWelcomeFormReturns) {
    ProgramFolder program;
    QueryFile(program.path("db/db.mdb"),
              "update indicatorItem set Weight = 'x' where ItemID = 2005");
    const ProgramRun run = program.run(std::string(kLogIn) +
                                       "expect welcome_form\n"
                                       "answer OK\n"
                                       "menu SysSetup 1\n"
                                       "expect welcome_form\n"
                                       "menu BaseData 5\n");
    ASSERT_EQ(run.exitCode, 0) << run.log.toStdString();
    EXPECT_EQ(program.lines("messages.log"), std::vector<std::string>{"错误\tOK\t类型不匹配"});
}

// Both chart-page windows: a request, paging, and a printed page each, which without a
// system printer lands as a PDF file in print/ (the box that names it is answered).
TEST(EndToEnd, ChartPagesArePagedAndAPageOfEachIsPrinted) {
    ProgramFolder program;
    {
        platform::Connection conn;
        conn.Open(program.path("db/db.mdb"));
        const double equity[] = {800, 1000, 1300, 1250};
        const double profit[] = {0, 90, -40, 120};
        for (int y = 0; y < 4; ++y) {
            putYear(conn, 112, 2002 + y, equity[y]);
            if (y > 0) putYear(conn, 209, 2002 + y, profit[y]);
        }
    }
    const ProgramRun run =
        program.run(std::string(kLogIn) +
                    "menu Print 5\n"
                    "expect print_TrendDiagram\n"
                    "set txtToYear 2005\n"
                    "click cmdDo\n"
                    "expect MSChart2\n"
                    "grab " +
                    program.path("trend.png") +
                    "\n"
                    "select cbCapability 1\n"  // the operation group: five pages
                    "click cmd_Next\nclick cmd_Next\nclick cmd_Next\nclick cmd_Next\n"
                    "expect MSChart9\n"
                    "click cmd_Perious\n"
                    "expect MSChart8\n"
                    "answer OK\n"
                    "click doPrint\n"
                    "menu Print 7\n"
                    "expect print_IntegrationCapability\n"
                    "select cbSerial 3\n"
                    "select cbToMonth 11\n"
                    "set txtToYear 2004\n"
                    "answer OK\nanswer OK\nanswer OK\nanswer OK\n"
                    "click cmdDo\n"
                    "click cmd_Next\n"
                    "expect MSChart4\n"
                    "grab " +
                    program.path("capability.png") +
                    "\n"
                    "answer OK\n"
                    "click doPrint\n"
                    "menu BaseData 5\n");
    EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
    const auto boxes = program.lines("messages.log");
    ASSERT_EQ(boxes.size(), 6u) << run.log.toStdString();
    EXPECT_EQ(boxes[1],
              "PraveltaKVT\tOK\t计算    综合获利能力    所需的权重或基数不全，请检查其基准设置！");
    for (int i : {0, 5}) EXPECT_TRUE(boxes[i].find("print/") != std::string::npos) << boxes[i];
    std::vector<std::string> pdfs;
    for (const auto& f : fs::directory_iterator(program.path("print"))) {
        EXPECT_GT(fs::file_size(f.path()), 1000u);
        pdfs.push_back(f.path().filename().string());
    }
    std::sort(pdfs.begin(), pdfs.end());
    ASSERT_EQ(pdfs.size(), 2u) << run.log.toStdString();
    EXPECT_TRUE(pdfs[0].starts_with("打印-指标趋势图")) << pdfs[0];
    EXPECT_TRUE(pdfs[1].starts_with("打印-能力趋势图")) << pdfs[1];  // a file name has "-"
    if (const char* keep = std::getenv("KVT_GRAB_DIR")) {
        for (const char* name : {"trend.png", "capability.png"})
            fs::copy_file(program.path(name), fs::path(keep) / name,
                          fs::copy_options::overwrite_existing);
        for (const auto& f : fs::directory_iterator(program.path("print")))
            fs::copy_file(f.path(), fs::path(keep) / f.path().filename(),
                          fs::copy_options::overwrite_existing);
    }
}

TEST(EndToEnd, ThePerformanceAnalysisShowsTheStoredYearsOfTheOperationGroup) {
    ProgramFolder program;
    {
        platform::Connection conn;
        conn.Open(program.path("db/db.mdb"));
        const std::vector<std::vector<double>> rows{
            // item, year, amount: 2002 is the year before the range.
            {108, 2002, 800}, {104, 2002, 100}, {103, 2002, 50},   {108, 2003, 1000},
            {110, 2003, 400}, {105, 2003, 500}, {109, 2003, 250},  {104, 2003, 100},
            {103, 2003, 150}, {301, 2003, 50},  {201, 2003, 1000}, {202, 2003, 600},
            {207, 2003, 200}, {407, 2003, 50},  {404, 2003, 1000}, {405, 2003, 950},
            {402, 2003, 900}, {403, 2003, 810}, {108, 2004, 1200}, {110, 2004, 600}};
        for (const auto& r : rows) putYear(conn, int(r[0]), int(r[1]), r[2]);
    }
    const std::string grid = program.path("grid.tsv"), kept = program.path("kept.tsv");
    const ProgramRun run = program.run(std::string(kLogIn) +
                                       "menu Indicator 1\n"
                                       "expect target_all2_from\n"
                                       "select cbSerial 0\n"
                                       "set txtFromYear 2003\n"
                                       "set txtToYear 2004\n"
                                       "tab tbsOptions 2\n"
                                       "dump MSFlexGrid1 " +
                                       grid +
                                       "\n"
                                       "set txtToYear 2027\n"
                                       "answer OK\n"
                                       "click cmdDo\n"
                                       "dump MSFlexGrid1 " +
                                       kept +
                                       "\n"
                                       "menu BaseData 5\n");
    ASSERT_EQ(run.exitCode, 0) << run.log.toStdString();
    const std::vector<std::string> want{
        " 序号\t 项目\t 单位\t \t2003年\t2004年",
        " 1\t 资产负债率\t %\t2001\t40.00\t50.00",  // 400/1000, 600/1200
        " 2\t 流动比率\t 倍\t2002\t2.00\t-",
        " 3\t 速动比率\t 倍\t2003\t1.60\t-",
        " 4\t 现金流动负债比率\t 倍\t2004\t0.20\t-",
        " 5\t 存货周转率\t 次\t2005\t6.00\t-",
        " 6\t 应收帐款周转率\t 次\t2006\t10.00\t-",
        " 7\t 已获利息倍数\t 倍\t2007\t5.00\t-",
        " 8\t 产品销售率（实物）\t %\t2008\t95.00\t-",
        " 9\t 产品销售率（产值）\t %\t2009\t90.00\t-"};
    EXPECT_EQ(program.lines("grid.tsv"), want);
    // 25 years are refused and the grid keeps the stored range's values.
    EXPECT_EQ(program.lines("messages.log"),
              std::vector<std::string>{"PraveltaKVT\tOK\t选择周期不能大于24，否则数据量太大"});
    EXPECT_EQ(program.lines("kept.tsv"), want);
}

// The two grid reports through the program: each filled for seven years, a refused eighth
// year, and each printed; with no printer installed the page lands in print/ as a PDF file,
// whose path a box tells.
TEST(EndToEnd, BothGridReportsAreFilledAndPrintedToPdfFiles) {
    ProgramFolder program;
    {
        platform::Connection conn;
        conn.Open(program.path("db/db.mdb"));
        conn.Execute(
            "update defaultParameter set valueFrom = '东方机械厂' where paramCd = 'cpyName'");
        putYear(conn, 101, 2004, 12.5);    // 货币资金
        putYear(conn, 108, 2004, 1000.0);  // 资产总额
        putYear(conn, 110, 2004, 250.0);   // 负债总额
    }
    const std::string dir = fs::path(program.path("db")).parent_path().string() + "/";
    auto fill = [](const char* menuItem, const char* form) {
        return std::string("menu Print ") + menuItem + "\nexpect " + form +
               "\nselect cbSerial 0\nset txtFromYear 2000\nset txtToYear 2006\nclick cmdDo\n";
    };
    const ProgramRun run =
        program.run(std::string(kLogIn) + fill("1", "print_baseData") + "dump MSFGData1 " + dir +
                    "base1.tsv\nanswer OK\nclick doPrint\n" + fill("3", "print_Indicator") +
                    "set txtToYear 2007\nanswer OK\nclick cmdDo\n"
                    "dump MSFlexGrid2 " +
                    dir + "indicator2.tsv\nanswer OK\nclick doPrint\nmenu BaseData 5\n");
    ASSERT_EQ(run.exitCode, 0) << run.log.toStdString();

    const std::vector<std::string> base = program.lines("base1.tsv");
    ASSERT_EQ(base.size(), 13u);
    EXPECT_EQ(cellsOf(base[0])[8], "2004年");
    EXPECT_EQ(cellsOf(base[1])[2], "货币资金");
    EXPECT_EQ(cellsOf(base[1])[8], "12.5");
    // The refused request left the seven-year fill: 资产负债率 250 / 1000 = 25.00 % in 2004.
    const std::vector<std::string> indicators = program.lines("indicator2.tsv");
    ASSERT_EQ(indicators.size(), 10u);
    EXPECT_EQ(cellsOf(indicators[0])[10], "2006年");
    EXPECT_EQ(cellsOf(indicators[1])[1], "资产负债率");
    EXPECT_EQ(cellsOf(indicators[1])[8], "25.00");

    const std::vector<std::string> boxes = program.lines("messages.log");
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[1], "PraveltaKVT\tOK\t选择周期不能大于7，否则数据量太大");
    for (int i : {0, 2}) {
        const std::string pdf = printedPdf(boxes[i]);
        ASSERT_EQ(pdf.rfind(dir + "print/", 0), 0u) << boxes[i];
        EXPECT_TRUE(fs::exists(pdf)) << pdf;
        EXPECT_TRUE(pdf.find(i == 0 ? "print/打印-基础数据_" : "print/打印-绩效指标_") !=
                    std::string::npos)
            << pdf;
        QProcess text;
        text.start("pdftotext", {QString::fromStdString(pdf), "-"});
        ASSERT_TRUE(text.waitForFinished(30000));
        const QString page = QString::fromUtf8(text.readAllStandardOutput())
                                 .normalized(QString::NormalizationForm_KC);
        EXPECT_TRUE(page.contains("东方机械厂")) << page.toStdString();
        EXPECT_TRUE(page.contains(i == 0 ? "12.5" : "25.00")) << page.toStdString();
    }
}

namespace {

// The company of the analysis run, stored before the program starts: three years scored by
// two indicators and a development group without weights (2003-2005), and a year with its
// previous year for the DuPont tree (2010-2011).
void storeAnalysisCompany(const ProgramFolder& program) {
    platform::Connection conn;
    conn.Open(program.path("db/db.mdb"));
    conn.Execute("update indicatorItem set HistoryBestLevel = NULL, Weight = 0");
    conn.Execute(
        "update indicatorItem set HistoryBestLevel = 10, Weight = 100 where ItemID = 1003");
    conn.Execute("update indicatorItem set HistoryBestLevel = 10, Weight = 20 where ItemID = 4004");
    conn.Execute("update indicatorItem set Weight = NULL where ItemID = 3005");
    const double margins[] = {8.55, 10, 20}, staff[] = {10, 30, 30};
    for (int i = 0; i < 3; ++i) {
        putYear(conn, 201, 2003 + i, 100);
        putYear(conn, 207, 2003 + i, margins[i]);
        putYear(conn, 409, 2003 + i, staff[i]);
    }
    for (auto [item, amount] : {std::pair{108, 1000.0}, {112, 600.0}})
        putYear(conn, item, 2010, amount);
    for (auto [item, amount] : {std::pair{108, 1200.0}, {112, 700.0}, {201, 2000.0}, {209, 134.0}})
        putYear(conn, item, 2011, amount);
}

// Pixels of an image that are plainly blue.
int bluePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.blue() > 150 && c.red() < 100 && c.green() < 100 ? 1 : 0;
        }
    return n;
}

}  // namespace

TEST(EndToEnd, CapabilityTrendAndDupontTreeFilledAndTheTreePrintedToAPdfFile) {
    ProgramFolder program;
    storeAnalysisCompany(program);
    const std::string capability =
        "menu Capablility 1\n"
        "expect power_all_form\n"
        "select cbSerial 0\n"
        "set txtFromYear 2003\n"
        "set txtToYear 2005\n"
        "answer OK\n"
        "click cmdDo\n"
        "dump MSFlexGrid1 " +
        program.path("capability.tsv") + "\ncell MSFlexGrid1 1 0\nexpect myChart\n";
    const std::string dupont =
        "menu DuBang 1\n"
        "expect dubang_form\n"
        "select cbSerial 0\n"
        "set txtFromYear 2011\n"
        "key txtFromYear Enter\n"
        "expect Frame2\n"
        "answer OK\n"
        "click doPrint\n";
    const ProgramRun run = program.run(kLogIn + capability + dupont + "menu BaseData 5\n");
    ASSERT_EQ(run.exitCode, 0) << run.log.toStdString();
    // 主营业务利润率 8.55, 10, 20 % against 10 with weight 100; 劳动生产率（销售收入） 10, 5,
    // 3.33 against 10 with weight 20.
    EXPECT_EQ(
        program.lines("capability.tsv"),
        (std::vector<std::string>{" \t2003年\t2004年\t2005年", " 综合获利能力\t85.5\t100\t150",
                                  " 综合运营能力\t0\t0\t0", " 综合发展能力\t -\t -\t -",
                                  " 综合贡献能力\t20\t10\t6.66"}));

    const std::vector<std::string> boxes = program.lines("messages.log");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "PraveltaKVT\tOK\t计算“发展能力”所需的权重或基数不全，请检查基准设置！");
    const fs::path pdf = printedPdf(boxes[1]);
    ASSERT_FALSE(pdf.empty()) << boxes[1];
    EXPECT_EQ(pdf.parent_path(), fs::path(program.path("print")));
    EXPECT_EQ(pdf.filename().string().rfind("杜邦分析", 0), 0u) << pdf;
    ASSERT_TRUE(fs::exists(pdf));

    // One page, the tree's picture: its values are blue.
    QProcess render;
    render.start("pdftoppm", {"-png", "-r", "60", "-singlefile", QString::fromStdString(pdf),
                              QString::fromStdString(program.path("printed"))});
    ASSERT_TRUE(render.waitForFinished(30000));
    const QImage page(QString::fromStdString(program.path("printed.png")));
    ASSERT_FALSE(page.isNull());
    EXPECT_LT(page.width(), page.height()) << "a portrait page";
    EXPECT_GT(bluePixels(page), 50);
}

// The user's program folder lies outside the build. Installing again brings the program files
// back but leaves the database, with what the user entered, as it is to the byte.
TEST(Install, AProgramFolderIsInstalledAndASecondInstallLeavesItsDatabaseAsItIs) {
    QTemporaryDir temp;
    const fs::path home = fs::path(temp.path().toStdString()) / "PraveltaKVT";
    const std::string db = (home / "db" / "db.mdb").string();
    auto [code, said] = install(QString::fromStdString(home.string()));
    ASSERT_EQ(code, 0) << said;
    EXPECT_EQ(QueryFile(db, "select count(*) from sqlite_master where name = 'baseData'"), "1");
    // A fresh database with one link (the program writes no other), and its lock file.
    EXPECT_EQ(fs::hard_link_count(db), 1u);
    EXPECT_TRUE(fs::is_regular_file(home / "db" / "PraveltaKVT.lock")) << said;
    QueryFile(db, "update defaultParameter set valueFrom = '东方机械厂' where paramCd = 'cpyName'");
    const std::string entered = bytesOf(db);
    fs::remove(home / "PraveltaKVT");
    fs::remove_all(home / "hlp");

    std::tie(code, said) = install(QString::fromStdString(home.string()));
    ASSERT_EQ(code, 0) << said;
    EXPECT_EQ(bytesOf(db), entered);
    EXPECT_EQ(bytesOf((home / "PraveltaKVT").string()), bytesOf(PROGRAM_EXE));
    for (const char* file : {"hlp/index.htm", "Skinz/Blue/imgTitleMain.gif"}) {
        EXPECT_GT(fs::file_size(home / file), 0u) << file;
        EXPECT_EQ(bytesOf((home / file).string()), bytesOf((fs::path(PROGRAM_DIR) / file).string()))
            << file;
    }
}

// The install makes the lock file the program locks, as the database's (mode and ACL, and owner
// when root installs), and does not replace the files of a running copy: on a local disk and on
// NFS.
TEST(Install, TheInstallMakesAndLocksTheProgramsLockFile) {
    for (const bool nfs : {false, true}) {
        ProgramFolder program;
        const std::string db = program.path("db/db.mdb");
        const uid_t owner = ::geteuid() == 0 ? kAnotherUser : ::geteuid();
        // The user's own program folder, into which root installs.
        for (const std::string& path : {program.folder(), program.path("db")})
            ASSERT_EQ(::chown(path.c_str(), owner, owner), 0);
        ASSERT_EQ(::chmod(db.c_str(), 0660) | ::chown(db.c_str(), owner, owner), 0);
        const std::string acl = AclLetting(4303, 6);  // a user the ACL lets write the database
        ASSERT_TRUE(SetAccessAcl(db, acl));
        const QString folder = QString::fromStdString(program.folder());
        auto [code, said] = install(folder, nfs);
        ASSERT_EQ(code, 0) << said;
        struct stat lockStat {};
        ASSERT_EQ(::stat(platform::InstanceLock::LockFilePath(program.folder()).c_str(), &lockStat),
                  0);
        EXPECT_EQ(lockStat.st_mode & 07777, 0660u);
        EXPECT_EQ(lockStat.st_uid, owner);
        EXPECT_EQ(AccessAclOf(platform::InstanceLock::LockFilePath(program.folder())), acl);
        if (nfs) program.onNfs();
        const WaitingCopy running(program, {});
        ASSERT_TRUE(running.waiting()) << running.log();
        std::tie(code, said) = install(folder, nfs);
        EXPECT_EQ(code, 1) << said;
        EXPECT_EQ(said,
                  "kvt.sh: PraveltaKVT is running in " + program.folder() + "; close it first\n");
    }
}
