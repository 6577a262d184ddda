// Each report printed once for real: with no printer installed the page becomes a PDF file in
// <program folder>/print/, whose text pdftotext reads back. The PDFs and a rendering of each
// page stay in the tests folder to be looked at. Every kind of print, the windows' pictures
// too, is also tried on a full disk.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <memory>
#include <vector>

#include "analysis/dubang_form.h"
#include "platform/FlexGrid.h"
#include "platform/QtText.h"
#include "reports/print_Indicator.h"
#include "reports/print_IntegrationCapability.h"
#include "reports/print_TrendDiagram.h"
#include "reports/print_baseData.h"
#include "tests/entry/EntryTestSupport.h"
#include "tests/support/MountedPrintFolder.h"

using platform::MsgResult;
using platform::S;

namespace {

QString Nfkc(const QString& text) {
    return text.normalized(QString::NormalizationForm_KC);
}

// The page's text, laid out as on paper, in compatibility-folded form: what a search or a copy
// out of the PDF finds. Nothing else is folded, so a character that reads back as another one
// (the radical "⻓" for "长") shows.
QString PdfText(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    EXPECT_TRUE(p.waitForFinished(30000));
    return Nfkc(QString::fromUtf8(p.readAllStandardOutput()));
}

// The printed line that holds `label`, blanks squeezed.
QString LineWith(const QString& text, const QString& label) {
    for (const QString& line : text.split('\n'))
        if (line.contains(label)) return line.simplified();
    return QString();
}

// Every row of the report's grids reads back from the page as one line: its cells' texts in
// their columns' order, hidden columns and empty cells left out.
void ExpectGridRowsReadBack(const GridReportForm& form, const QString& text) {
    QStringList lines = text.split('\n');
    for (QString& line : lines) line = line.simplified();
    for (int k = 1; k <= GridReportForm::kSections; ++k) {
        const platform::FlexGrid& grid = *form.grid(k);
        for (int r = 0; r < grid.Rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid.Cols(); ++c)
                if (grid.ColWidth(c) > 0) cells << grid.TextMatrix(r, c);
            const QString row = Nfkc(cells.join(' ')).simplified();
            if (!row.isEmpty()) {
                EXPECT_TRUE(lines.contains(row)) << "grid " << k << ": " << S(row);
            }
        }
    }
}

// Keeps the PDF and a 100 dpi rendering of its page beside the tests.
void KeepForLooking(const QString& pdf, const QString& name) {
    const QString dir = QApplication::applicationDirPath() + "/";
    QFile::remove(dir + name + ".pdf");
    QFile::copy(pdf, dir + name + ".pdf");
    QProcess::execute("pdftoppm", {"-png", "-r", "100", "-singlefile", pdf, dir + name});
}

// A window of the kind with a range requested, so that 打印 prints it.
template <typename Window>
std::unique_ptr<Window> Requested(const char* from, const char* to) {
    auto form = std::make_unique<Window>();
    form->Show();
    EnterRange(form->panel, 0, from, to);
    form->cmdDo->click();
    return form;
}

// Fills a new report window for 2000 to 2006, prints it and returns the text of the PDF file
// that the box following the print names (empty when there is none).
template <typename Form>
QString PrintedText(const QString& keepAs) {
    const std::unique_ptr<Form> form = Requested<Form>("2000", "2006");
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    form->doPrint->click();
    EXPECT_EQ(box.shown().size(), 1u);
    if (box.shown().empty()) return QString();
    const QString prompt = QString::fromStdString(box.shown()[0].prompt);
    EXPECT_TRUE(prompt.startsWith("没有安装打印机，打印内容已保存为文件："))
        << prompt.toStdString();
    const QString pdf = prompt.section('\n', 1);
    EXPECT_TRUE(pdf.contains("/print/" + Nfkc(form->Caption()) + "_")) << pdf.toStdString();
    if (!QFile::exists(pdf)) return QString();
    KeepForLooking(pdf, keepAs);
    const QString text = PdfText(pdf);
    ExpectGridRowsReadBack(*form, text);
    return text;
}

class PdfPrint : public testing::Test {
  protected:
    void SetUp() override {
        if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed";
        db.exec("update defaultParameter set valueFrom = '东方机械厂' where paramCd = 'cpyName'");
        db.putData(101, 1, 2003, 1, 1250000.5);  // 货币资金
        db.putData(112, 1, 2002, 1, 600);        // 所有者权益
        db.putData(112, 1, 2003, 1, 900);
        db.putData(209, 1, 2003, 1, 90);   // 净利润: 净资产收益率 12.00 in 2003
        db.putData(409, 1, 2005, 1, 320);  // 职工人数
        // Totals too wide for their columns at the table's size, side by side.
        db.putData(108, 1, 2003, 1, 101772839.51);  // 资产总额
        db.putData(108, 1, 2004, 1, 112345678.9);
    }
    TestDb db;
};

TEST_F(PdfPrint, EveryKindOfPrintOnAFullDiskIsReportedAndLeavesNoFile) {
    db.exec("update indicatorItem set Weight = 0");  // every capability group scores
    std::vector<std::unique_ptr<platform::Form>> forms;
    forms.push_back(Requested<print_Indicator>("2002", "2004"));
    forms.push_back(Requested<print_baseData>("2002", "2004"));
    forms.push_back(Requested<dubang_form>("2003", nullptr));
    forms.push_back(Requested<print_TrendDiagram>("2002", "2004"));
    forms.push_back(Requested<print_IntegrationCapability>("2002", "2004"));
    const QString folder = QString::fromStdString(db.folder()) + "/print";
    for (const auto& form : forms) {
        SCOPED_TRACE(S(form->Caption()));
        MountedPrintFolder full(MountedPrintFolder::Full);
        if (!full.mounted()) GTEST_SKIP() << "mounting a file system is not permitted";
        ExpectUnwrittenPrintReported([&] { form->findChild<QPushButton*>("doPrint")->click(); },
                                     folder, "磁盘空间不足");
    }
}

TEST_F(PdfPrint, TheIndicatorReportReadsBackFromItsPdf) {
    const QString text = PrintedText<print_Indicator>("report-indicator");
    EXPECT_EQ(LineWith(text, "经营数据表"), "东方机械厂 2000年 至 2006年 经营数据表");
    for (const char* heading : {"获利能力", "营运能力", "发展能力", "贡献能力"})
        EXPECT_EQ(LineWith(text, heading), heading);
    EXPECT_EQ(LineWith(text, "项目"), "项目 单位 2000年 2001年 2002年 2003年 2004年 2005年 2006年");
    EXPECT_EQ(LineWith(text, "净资产收益率"), "1 净资产收益率 % - - - 12.00 - - -");
    EXPECT_EQ(LineWith(text, "资本保值增长率"), "4 资本保值增长率 % - - - 150.00 - - -");
    EXPECT_EQ(LineWith(text, "人均收入"), "8 人均收入 万元/人 - - - - - - -");
    EXPECT_EQ(LineWith(text, "Pravelta"), "Pravelta");
}

TEST_F(PdfPrint, TheBaseDataReportReadsBackFromItsPdf) {
    const QString text = PrintedText<print_baseData>("report-basedata");
    EXPECT_EQ(LineWith(text, "经营数据表"), "东方机械厂 2000年 至 2006年 经营数据表");
    for (const char* heading : {"资产负债表", "损益表", "现金流量表", "统计报表"})
        EXPECT_EQ(LineWith(text, heading), heading);
    EXPECT_EQ(LineWith(text, "货币资金"), "1 货币资金 万元 1250000.5");
    EXPECT_EQ(LineWith(text, "所有者权益"), "12 所有者权益 万元 600 900");
    EXPECT_EQ(LineWith(text, "职工人数"), "9 职工人数 人 320");
    EXPECT_EQ(LineWith(text, "资产总额"), "8 资产总额 万元 101772839.51 112345678.9");
    EXPECT_EQ(LineWith(text, "Pravelta"), "Pravelta");
}

}  // namespace
