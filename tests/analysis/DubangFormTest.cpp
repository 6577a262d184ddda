// The DuPont window driven through its controls on a temporary database. Every expected value
// is worked out by hand from the stored amounts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <map>
#include <memory>

#include "analysis/HelpContent.h"
#include "analysis/dubang_form.h"
#include "platform/Fonts.h"
#include "platform/Printer.h"
#include "tests/entry/EntryTestSupport.h"
#include "tests/support/ActiveWindow.h"
#include "tests/support/FailedOpening.h"
#include "tests/support/PrintChecks.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/TestDb.h"

using platform::MsgResult;

namespace {

// Amounts of one period by item.
using Amounts = std::map<int, double>;

// 2002 and 2003 of a company whose tree is worked out in FullYearTree.
const Amounts kYear2002{{101, 50},  {102, 30},   {103, 40}, {104, 60},
                        {105, 300}, {108, 1000}, {112, 600}};
const Amounts kYear2003{{101, 70},   {102, 20},  {103, 55},   {104, 75},   {105, 350},
                        {108, 1200}, {112, 700}, {201, 2000}, {202, 1200}, {203, 100},
                        {204, 150},  {205, 200}, {206, 50},   {208, 66},   {209, 134}};

class DubangFormTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(OpenActive(form)); }

    void put(int type, int year, int period, const Amounts& amounts) {
        for (const auto& [item, amount] : amounts) db.putData(item, type, year, period, amount);
    }
    // Chooses a period (type position, year text, period list position) and presses 确定.
    void compute(int type, const char* year, int period = 0) {
        EnterRange(form->panel, type, year, nullptr, period);
        form->cmdDo->click();
    }
    std::string value(int n) const { return form->Frame2->Value(n)->text().toStdString(); }
    std::vector<std::string> values(std::initializer_list<int> labels) const {
        std::vector<std::string> v;
        for (int n : labels) v.push_back(value(n));
        return v;
    }

    TestDb db;
    std::unique_ptr<dubang_form> form;
};

TEST_F(DubangFormTest, OpeningShowsTheExplanationAndNothingToPrint) {
    EXPECT_EQ(form->windowTitle(), "杜邦分析");
    EXPECT_EQ(form->Width(), 11100);
    EXPECT_EQ(form->Height(), 7900);
    EXPECT_FALSE(form->Frame2->isVisible());
    EXPECT_TRUE(form->Info_Frame->isVisible());
    EXPECT_EQ(form->Info_Label->text(), GetDupontText());
    EXPECT_TRUE(form->Info_Label->wordWrap());
    EXPECT_GT(form->Info_Label->height(), platform::TwipsToPixels(360)) << "grown to its text";
    EXPECT_EQ(form->Info_Frame->height(),
              platform::TwipsToPixels(platform::TwipsHeight(form->Info_Label) + 1100));
    EXPECT_LT(form->Info_Frame->geometry().bottom(), form->height()) << "bottom edge shown";
    EXPECT_GE(form->Info_Frame->geometry().top(), form->Frame1->geometry().bottom());
    EXPECT_FALSE(form->doPrint->isEnabled());
    EXPECT_EQ(form->panel->cbSerial->Text(), "年");
    EXPECT_EQ(form->panel->txtFromYear->text(), "2003");
    EXPECT_TRUE(form->panel->cbTemp01->isVisible());
    EXPECT_EQ(form->panel->txtToYear, nullptr);
}

TEST_F(DubangFormTest, FullYearTree) {
    put(1, 2002, 1, kYear2002);
    put(1, 2003, 1, kYear2003);
    db.putData(209, 2, 2003, 1, 999);  // another period type never shows
    compute(0, "2003");
    EXPECT_TRUE(form->Frame2->isVisible());
    EXPECT_FALSE(form->Info_Frame->isVisible());
    EXPECT_TRUE(form->doPrint->isEnabled());
    // ROE 134 / ((700 + 600) / 2) = 20.615..; multiplier 2200 / 1300 = 1.6923..; from the texts
    // 20.62 / 1.69 = 12.201..; margin 134 × 100 / 2000 = 6.70; turnover 12.20 / 6.70 = 1.8208..
    EXPECT_EQ(values({1, 2, 3, 4, 5}),
              (std::vector<std::string>{"20.62 %", "12.20 %", "1.69", "6.70 %", "1.82 次"}));
    EXPECT_EQ(values({6, 7, 8, 9, 10, 11}),
              (std::vector<std::string>{"134.00", "2000.00", "2000.00", "1000.00", "1200.00",
                                        "2000.00"}));
    // 全部成本 1200 + 100 + 200 + 150 + 50; 其他利润 134 + 1700 + 66 - 2000.
    EXPECT_EQ(values({19, 20, 21, 22, 23, 12, 14, 13}),
              (std::vector<std::string>{"1200.00", "100.00", "200.00", "150.00", "50.00", "1700.00",
                                        "66.00", "-100.00"}));
    // 非流动资产 1000 - 300 and 1200 - 350; 其他流动资产 300 - 80 - 40 - 60, 350 - 90 - 55 - 75.
    EXPECT_EQ(values({15, 16, 17, 18}),
              (std::vector<std::string>{"300.00", "350.00", "700.00", "850.00"}));
    EXPECT_EQ(values({26, 27, 28, 29, 30, 31, 24, 25}),
              (std::vector<std::string>{"80.00", "90.00", "40.00", "55.00", "60.00", "75.00",
                                        "120.00", "130.00"}));
}

TEST_F(DubangFormTest, TheBeginningColumnIsThePeriodBeforeWhateverTheType) {
    struct Case {
        const char* what;
        int type, storedType;  // list position, PeriodType
        int period;            // list position
        int prevYear, prevPeriod, year, storedPeriod;
    };
    const Case cases[] = {
        {"year", 0, 1, 0, 2002, 1, 2003, 1},
        {"first half-year", 1, 2, 0, 2002, 2, 2003, 1},
        {"first quarter", 2, 3, 0, 2002, 4, 2003, 1},
        {"second quarter", 2, 3, 1, 2003, 1, 2003, 2},
        {"first month", 3, 4, 0, 2002, 12, 2003, 1},
        {"december", 3, 4, 11, 2003, 11, 2003, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        db.exec("delete from baseData");
        db.putData(108, c.storedType, c.prevYear, c.prevPeriod, 800);
        db.putData(108, c.storedType, c.year, c.storedPeriod, 900);
        db.putData(108, c.storedType, 2001, 1, 111);  // never the beginning
        compute(c.type, "2003", c.period);
        EXPECT_EQ(value(9), "800.00");
        EXPECT_EQ(value(10), "900.00");
    }
}

TEST_F(DubangFormTest, QuotientsOfDisplayedTexts) {
    // Margin 120 × 100 / 1000 = 12.00; ROE 120 / 800 = 15.00; multiplier 2400 / 1600 = 1.50;
    // 15.00 / 1.50 = 10.00 and 10.00 / 12.00 = 0.833.. shown 0.83.
    put(1, 2002, 1, {{108, 1200}, {112, 800}});
    put(1, 2003, 1, {{108, 1200}, {112, 800}, {201, 1000}, {209, 120}});
    compute(0, "2003");
    EXPECT_EQ(values({1, 2, 3, 4, 5}),
              (std::vector<std::string>{"15.00 %", "10.00 %", "1.50", "12.00 %", "0.83 次"}));

    // ROE 246.912 / 2000 = 12.3456 (shown 12.35); multiplier 6666.4 / 4000 = 1.6666 (shown
    // 1.67): 12.35 / 1.67 = 7.395.. gives 7.40, where the unrounded values would give 7.41.
    put(1, 2002, 1, {{108, 3333.2}, {112, 2000}});
    put(1, 2003, 1, {{108, 3333.2}, {112, 2000}, {209, 246.912}});
    compute(0, "2003");
    EXPECT_EQ(values({1, 3, 2}), (std::vector<std::string>{"12.35 %", "1.67", "7.40 %"}));
}

TEST_F(DubangFormTest, MissingAmountsLeaveTheirNodesAndEverythingBuiltOnThemEmpty) {
    put(1, 2002, 1, kYear2002);
    Amounts year = kYear2003;
    year.erase(209);
    year.erase(205);
    put(1, 2003, 1, year);
    db.exec("delete from baseData where ItemID = 102 and Year = 2002");
    compute(0, "2003");
    EXPECT_EQ(values({1, 2, 4, 5, 6, 13}),
              (std::vector<std::string>{"- %", " %", " %", " 次", "", ""}));
    EXPECT_EQ(value(3), "1.69") << "the multiplier needs no profit";
    // 管理费用 missing: 全部成本 and 其他利润 empty, the other four costs shown.
    EXPECT_EQ(values({19, 20, 21, 22, 23, 12}),
              (std::vector<std::string>{"1200.00", "100.00", "", "150.00", "50.00", ""}));
    // 短期投资 missing in 2002 only: the beginning cash and other current assets are empty.
    EXPECT_EQ(values({26, 24, 27, 25}), (std::vector<std::string>{"", "", "90.00", "130.00"}));
}

TEST_F(DubangFormTest, WithoutAPreviousPeriodTheBeginningIsEmptyAndTheEndStandsAlone) {
    put(1, 2003, 1, kYear2003);
    compute(0, "2003");
    EXPECT_EQ(values({9, 15, 17, 24, 26, 28, 30}),
              (std::vector<std::string>{"", "", "", "", "", "", ""}));
    // 1200 / 700 = 1.714..; ROE 134 / 700 = 19.142..
    EXPECT_EQ(value(3), "1.71");
    EXPECT_EQ(value(1), "19.14 %");
    EXPECT_EQ(values({10, 16, 18, 25}),
              (std::vector<std::string>{"1200.00", "350.00", "850.00", "130.00"}));
}

TEST_F(DubangFormTest, AZeroDivisorShowsADashAndStopsWhatIsBuiltOnIt) {
    put(1, 2003, 1, {{108, 1200}, {112, 0}, {201, 0}, {209, 134}});
    compute(0, "2003");
    EXPECT_EQ(values({1, 3, 2, 4, 5}), (std::vector<std::string>{"- %", "-", " %", "- %", " 次"}));
    // A multiplier text of 0.00 (1 / 1000 shows 0.00) divides nothing either.
    put(1, 2003, 1, {{108, 1}, {112, 1000}, {201, 1000}});
    compute(0, "2003");
    EXPECT_EQ(values({1, 3, 2, 4, 5}),
              (std::vector<std::string>{"13.40 %", "0.00", "- %", "13.40 %", " 次"}));
}

TEST_F(DubangFormTest, RefusedChecksLeaveTheTreeAndPutTheFocusOnTheInput) {
    put(1, 2003, 1, kYear2003);
    compute(0, "2003");
    ASSERT_EQ(value(6), "134.00");
    struct Case {
        int type;
        const char* year;
        int period;
        const char* message;
        const char* focus;
    };
    const Case cases[] = {
        {-1, "2003", 0, "请选择周期", "cbSerial"},
        {0, " ", 0, "请输入时间年", "txtFromYear"},
        {0, "20031", 0, "时间年不能大于四位数", "txtFromYear"},
        {0, "20a3", 0, "时间年必须为数字", "txtFromYear"},
        {1, "2003", -1, "请选择起始半年", "cbFromHalfYear"},
        {2, "2003", -1, "请选择起始季度", "cbFromQuartor"},
        {3, "2003", -1, "请选择起始月", "cbFromMonth"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ScriptedMsgBox box;
        box.answer(MsgResult::OK);
        form->Command1->setFocus();
        compute(c.type, c.year, c.period);
        ASSERT_EQ(box.shown().size(), 1u);
        EXPECT_EQ(box.shown()[0].prompt, c.message);
        EXPECT_EQ(box.shown()[0].title, platform::kAppTitle);
        EXPECT_EQ(FocusName(), c.focus);
        EXPECT_EQ(value(6), "134.00");
        EXPECT_EQ(form->year(), 2003);
    }
}

TEST_F(DubangFormTest, ALockedDatabaseAtOpeningFailsTheOpening) {
    DbLockedByOther lock(db);
    form = std::make_unique<dubang_form>();
    EXPECT_FALSE(OpeningFailure(*form).empty());
}

TEST_F(DubangFormTest, EnterInTheYearBoxComputes) {
    put(1, 2004, 1, {{209, 5}});
    form->panel->txtFromYear->setFocus();
    form->panel->txtFromYear->setText("2004");
    QTest::keyClick(form->panel->txtFromYear, Qt::Key_Return);
    EXPECT_EQ(value(6), "5.00");
    EXPECT_TRUE(form->doPrint->isEnabled());
}

}  // namespace

namespace {

// The window as the user sees it, kept as <tests folder>/dubang_form.png: the tree's boxes and
// connectors in black, the values in blue.
TEST_F(DubangFormTest, TheTreeIsDrawnWithBlueValues) {
    put(1, 2002, 1, kYear2002);
    put(1, 2003, 1, kYear2003);
    compute(0, "2003");
    const QImage image = form->grab().toImage();
    image.save(QApplication::applicationDirPath() + "/dubang_form.png");
    const QPoint frame = form->Frame2->pos();
    auto at = [&](int x, int y) {
        return image.pixelColor(frame +
                                QPoint(platform::TwipsToPixels(x), platform::TwipsToPixels(y)));
    };
    // The top box's left edge and the connector under it are black.
    EXPECT_LT(at(3840, 400).lightness(), 100);
    EXPECT_LT(at(5040, 700).lightness(), 100);
    // Some pixel of lsValue1 is blue.
    const QRect v = form->Frame2->Value(1)->geometry().translated(frame);
    bool blue = false;
    for (int x = v.left(); x <= v.right() && !blue; ++x)
        for (int y = v.top(); y <= v.bottom() && !blue; ++y) {
            const QColor c = image.pixelColor(x, y);
            blue = c.blue() > 150 && c.red() < 100 && c.green() < 100;
        }
    EXPECT_TRUE(blue);
}

}  // namespace

namespace {

// Every caption and value sits inside its box clear of the bottom edge: no ink in the two pixel
// rows above the edge under a label, with the faces the program installs.
TEST_F(DubangFormTest, EveryTextStandsClearOfItsBoxsBottomEdge) {
    platform::InstallFontSubstitutions();
    form = std::make_unique<dubang_form>();
    form->Show();
    put(1, 2002, 1, kYear2002);
    put(1, 2003, 1, kYear2003);
    compute(0, "2003");
    const QImage image = form->Frame2->grab().toImage();
    const QColor paper = image.pixelColor(2, image.height() / 2);
    int checked = 0;
    for (const platform::Label* label : form->Frame2->findChildren<platform::Label*>()) {
        for (const QRect& twips : DupontTreeFrame::Boxes()) {
            const QRect box(platform::TwipsToPixels(twips.x()), platform::TwipsToPixels(twips.y()),
                            platform::TwipsToPixels(twips.width()),
                            platform::TwipsToPixels(twips.height()));
            if (!box.contains(label->geometry().topLeft() + QPoint(1, 4))) continue;
            ++checked;
            const int edge = box.bottom();
            for (int y = edge - 2; y < edge; ++y)
                for (int x = label->x(); x < label->x() + label->width() && x < box.right() - 6;
                     ++x)
                    ASSERT_LT(qAbs(image.pixelColor(x, y).lightness() - paper.lightness()), 60)
                        << label->text().toStdString() << " at " << x << "," << y;
        }
    }
    EXPECT_GT(checked, 60);
}

// Where the 确定 button stands, in window pixels.
QPoint cmdDoCentre(const dubang_form& form) {
    return form.cmdDo->mapTo(&form, form.cmdDo->rect().center());
}

TEST_F(DubangFormTest, PrintingSendsTheTreeWithoutTheInputRowAndRestoresTheWindow) {
    put(1, 2003, 1, kYear2003);
    compute(0, "2003");
    const QImage before = form->grab().toImage();
    const platform::PrintOp picture = PrintedPicture([&] { form->doPrint->click(); });
    // The whole window at the page width (A4 inside 5 mm margins: 11340 twips), its height in
    // proportion.
    EXPECT_EQ(picture.x2, 11340);
    EXPECT_EQ(picture.y2, qRound(11340.0 * form->height() / form->width()));
    // The input row is absent: where 确定 stood, the picture has the window's plain background.
    const QImage image = picture.picture.scaled(form->size());
    const QPoint button = cmdDoCentre(*form);
    EXPECT_EQ(image.pixelColor(button), image.pixelColor(QPoint(2, 2)));
    EXPECT_NE(before.pixelColor(button), before.pixelColor(QPoint(2, 2)));
    EXPECT_TRUE(form->Frame1->isVisible());
    EXPECT_EQ(form->grab().toImage(), before);
}

TEST_F(DubangFormTest, AFailingPrintIsReportedAndTheInputRowComesBack) {
    compute(0, "2003");
    ExpectFailedPrintReported([&] { form->doPrint->click(); });
    EXPECT_TRUE(form->Frame1->isVisible());
}

}  // namespace

namespace {

// The pixel rectangle of a box of the tree.
QRect boxPixels(const QRect& twips) {
    return QRect(platform::TwipsToPixels(twips.x()), platform::TwipsToPixels(twips.y()),
                 platform::TwipsToPixels(twips.width()), platform::TwipsToPixels(twips.height()));
}

// A value wider than its box (an income of 9506172753) is drawn smaller inside the box, and the
// operators between boxes touch none of them.
TEST_F(DubangFormTest, HugeValuesStayInsideTheirBoxesAndOperatorsTouchNoBox) {
    platform::InstallFontSubstitutions();
    Amounts huge = kYear2003;
    huge[201] = 9506172753.0;
    put(1, 2002, 1, kYear2002);
    put(1, 2003, 1, huge);
    compute(0, "2003");
    EXPECT_EQ(value(7), "9506172753.00");
    int inBox = 0;
    for (const platform::Label* label : form->Frame2->findChildren<platform::Label*>()) {
        SCOPED_TRACE(label->text().toStdString());
        const QRect text(label->pos(), QSize(label->fontMetrics().horizontalAdvance(label->text()),
                                             label->height()));
        for (const QRect& twips : DupontTreeFrame::Boxes()) {
            const QRect box = boxPixels(twips);
            if (box.contains(text.topLeft() + QPoint(0, text.height() / 2))) {
                ++inBox;
                EXPECT_LE(text.right(), box.right());
            } else if (label->text().size() == 1) {  // an operator
                EXPECT_FALSE(text.adjusted(-1, 0, 1, 0).intersects(box));
            }
        }
    }
    EXPECT_GT(inBox, 31);
}

}  // namespace
