// Starts the program binary headless in a temporary program folder, logs in through the login
// window and opens every window the menus offer, driven by the program's automation script.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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
        env.insert("PRAVELTA_MSGLOG", QString::fromStdString(path("messages.log")));
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

    // A text file of the folder, line by line.
    std::vector<std::string> lines(const char* name) const {
        std::ifstream in(path(name));
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
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

namespace {

const char* const kLogIn =
    "expect login_form\n"
    "set txtUserPwd 123456\n"
    "click Command1\n"
    "expect frmMainCode\n";

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

namespace {

// The company of the analysis run, stored before the program starts: three years scored by
// two indicators and a development group without weights (2003-2005), and a year with its
// previous year for the DuPont tree (2010-2011).
void storeAnalysisCompany(const ProgramFolder& program) {
    platform::Connection conn;
    conn.Open(program.path("db/db.mdb"));
    auto put = [&conn](int item, int year, double amount) {
        conn.Execute("insert into baseData(ItemID,PeriodType,Year,Period,Data) values(?,1,?,1,?)",
                     {std::int64_t(item), std::int64_t(year), amount});
    };
    conn.Execute("update indicatorItem set HistoryBestLevel = NULL, Weight = 0");
    conn.Execute(
        "update indicatorItem set HistoryBestLevel = 10, Weight = 100 where ItemID = 1003");
    conn.Execute("update indicatorItem set HistoryBestLevel = 10, Weight = 20 where ItemID = 4004");
    conn.Execute("update indicatorItem set Weight = NULL where ItemID = 3005");
    const double margins[] = {8.55, 10, 20}, staff[] = {10, 30, 30};
    for (int i = 0; i < 3; ++i) {
        put(201, 2003 + i, 100);
        put(207, 2003 + i, margins[i]);
        put(409, 2003 + i, staff[i]);
    }
    for (auto [item, amount] : {std::pair{108, 1000.0}, {112, 600.0}}) put(item, 2010, amount);
    for (auto [item, amount] : {std::pair{108, 1200.0}, {112, 700.0}, {201, 2000.0}, {209, 134.0}})
        put(item, 2011, amount);
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
    const std::string told = "没有安装打印机，打印内容已保存为文件：\\n";
    ASSERT_EQ(boxes[1].rfind("PraveltaKVT\tOK\t" + told, 0), 0u) << boxes[1];
    const fs::path pdf = boxes[1].substr(std::string("PraveltaKVT\tOK\t").size() + told.size());
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
