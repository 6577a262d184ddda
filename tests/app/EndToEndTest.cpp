// Starts the program binary headless in a temporary program folder, logs in through the login
// window and opens every window the menus offer, driven by the program's automation script.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "app/WorkingForms.h"
#include "platform/Database.h"

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
            conn.Execute(
                "insert into baseData (ItemID, PeriodType, Year, Period, Data) values "
                "(112, 1, ?, 1, ?)",
                {2002 + y, equity[y]});
            if (y > 0) {
                conn.Execute(
                    "insert into baseData (ItemID, PeriodType, Year, Period, Data) "
                    "values (209, 1, ?, 1, ?)",
                    {2002 + y, profit[y]});
            }
        }
    }
    const ProgramRun run = program.run(
        "expect login_form\n"
        "set txtUserPwd 123456\n"
        "click Command1\n"
        "expect frmMainCode\n"
        "menu Print 5\n"
        "expect print_TrendDiagram\n"
        "set txtToYear 2005\n"
        "click cmdDo\n"
        "expect MSChart2\n"
        "click cmd_Next\n"
        "expect MSChart4\n"
        "click cmd_Perious\n"
        "expect MSChart1\n"
        "grab " +
        program.path("trend.png") +
        "\n"
        "answer OK\n"
        "click doPrint\n"
        "menu Print 7\n"
        "expect print_IntegrationCapability\n"
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
    EXPECT_TRUE(run.log.contains("所需的权重或基数不全")) << run.log.toStdString();
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
