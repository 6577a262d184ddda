// Starts the program binary headless in a temporary program folder, logs in through the login
// window and opens every window the menus offer, driven by the program's automation script.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "app/WorkingForms.h"
#include "platform/Database.h"
#include "platform/InstanceLock.h"

namespace fs = std::filesystem;

namespace {

struct ProgramRun {
    int exitCode;
    QString log;
};

class ProgramFolder {
  public:
    ProgramFolder() {
        const fs::path dir = folder_.path().toStdString();
        fs::copy_file(PROGRAM_EXE, dir / "PraveltaKVT");
        fs::create_directories(dir / "db");
        fs::copy_file(TEMPLATE_DB, dir / "db" / "db.mdb");
        fs::copy(fs::path(PROGRAM_DIR) / "Skinz", dir / "Skinz", fs::copy_options::recursive);
        fs::copy(fs::path(PROGRAM_DIR) / "hlp", dir / "hlp", fs::copy_options::recursive);
    }
    std::string path(const char* name) const { return folder_.filePath(name).toStdString(); }

    ProgramRun run(const std::string& script) const {
        std::ofstream(path("script.txt")) << script;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("PRAVELTA_AUTOMATION", QString::fromStdString(path("script.txt")));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QString::fromStdString(path("PraveltaKVT")), {});
        if (!p.waitForFinished(120000)) p.kill();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAll())};
    }

    std::string setting(const char* key) const {
        platform::Connection conn;
        conn.Open(path("db/db.mdb"));
        platform::Recordset rs;
        rs.Open("select valueFrom from defaultParameter where paramCd = ?", conn,
                {std::string(key)});
        return rs.Eof() ? "" : rs.Fields(0).AsText();
    }

  private:
    QTemporaryDir folder_;
};

}  // namespace

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

// The first column of the first row of a query on a database file.
std::string queryFile(const std::string& file, const std::string& sql) {
    platform::Connection conn;
    conn.Open(file);
    platform::Recordset rs;
    rs.Open(sql, conn);
    return rs.Eof() ? "" : rs.Fields(0).AsText();
}

std::string bytesOf(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
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
        ASSERT_TRUE(other.Acquire(fs::path(program.path("db")).parent_path().string()));
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
    queryFile(db, "drop index baseData_period");
    queryFile(db, "pragma user_version = 0");
    const ProgramRun run = program.run("expect login_form\nclick Command2\n");
    EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
    EXPECT_EQ(queryFile(db, "pragma user_version"), "1");
    EXPECT_EQ(queryFile(db, "select count(*) from sqlite_master where name = 'baseData_period'"),
              "1");
}

TEST(EndToEnd, AMissingDatabaseIsReportedAtStart) {
    ProgramFolder program;
    fs::remove(program.path("db/db.mdb"));
    const ProgramRun run = program.run("answer OK\nexpect login_form\n");
    EXPECT_EQ(run.exitCode, 1) << run.log.toStdString();
    EXPECT_TRUE(
        run.log.contains("找不到数据库文件：" + QString::fromStdString(program.path("db/db.mdb"))))
        << run.log.toStdString();
    EXPECT_FALSE(fs::exists(program.path("db/db.mdb")));
}
