#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "entry/PeriodRangePanel.h"
#include "tests/entry/EntryTestSupport.h"
#include "tests/entry/PeriodRangeRefusals.h"
#include "tests/support/ActiveWindow.h"
#include "tests/support/CommaDecimalLocale.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/TestDb.h"

using platform::MsgResult;

namespace {

const PeriodRangePanel::Layout kLayout{QRect(0, 0, 1200, 360), QRect(1300, 0, 800, 360),
                                       QRect(2200, 0, 1400, 360), QRect(3700, 0, 800, 360),
                                       QRect(4600, 0, 1400, 360)};

// A window holding one panel, shown and active so that focus moves can be seen.
class PanelHost {
  public:
    explicit PanelHost(PeriodRangePanel::Config config) {
        window.resize(500, 60);
        panel = new PeriodRangePanel(&window, config, kLayout);
        elsewhere = platform::MakeControl<QLineEdit>(&window, "elsewhere", 0, 500, 900, 300);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void enter(int type, const char* from, const char* to, int fromPeriod = 0, int toPeriod = 0) {
        EnterRange(panel, type, from, to, fromPeriod, toPeriod);
    }

    QWidget window;
    PeriodRangePanel* panel = nullptr;
    QLineEdit* elsewhere = nullptr;  // a control the checks never send the focus to
};

TEST(PeriodRangePanelTest, CheckChainRefusesWithItsMessageTitleAndFocus) {
    for (const RangeRefusal& r : RangeRefusals(12)) {
        SCOPED_TRACE(r.what);
        PanelHost host(PeriodRangePanel::Config::Range(12, "错误"));
        host.enter(r.type, r.from.c_str(), r.to.c_str(), r.fromPeriod, r.toPeriod);
        host.elsewhere->setFocus();
        ScriptedMsgBox box;
        box.answer(MsgResult::OK);
        CCalendar calendar;
        EXPECT_FALSE(host.panel->Check(calendar).has_value());
        ASSERT_EQ(box.shown().size(), 1u);
        EXPECT_EQ(box.shown()[0].prompt, r.message);
        EXPECT_EQ(box.shown()[0].title, "错误");
        EXPECT_EQ(box.shown()[0].buttons, platform::MsgButtons::OK);
        EXPECT_EQ(FocusName().toStdString(), r.focus.empty() ? "elsewhere" : r.focus);
    }
}

TEST(PeriodRangePanelTest, CalendarRefusalShowsOnlyItsOwnMessage) {
    PanelHost host(PeriodRangePanel::Config::Range(12, "错误"));
    host.enter(2, "2004", "2004", 2, 1);
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    CCalendar calendar;
    EXPECT_FALSE(host.panel->Check(calendar).has_value());
    EXPECT_EQ(box.prompts(), std::vector<std::string>{"无效参数: 3 2004 2004 3 2"});
    EXPECT_EQ(box.shown()[0].title, platform::kAppTitle);
}

struct Accepted {
    const char* what;
    int limit;
    int type;
    const char* from;
    const char* to;
    int fromPeriod, toPeriod;
    PeriodRange want;
    int count;
};

const Accepted kAccepted[] = {
    {"blanks around years", 12, 0, " 2003 ", "2003 ", 0, 0, {1, 2003, 2003, 1, 1}, 1},
    {"years ignore the period lists", 12, 0, "2005", "2005", 0, 0, {1, 2005, 2005, 1, 1}, 1},
    {"a year of months is the entry limit",
     12,
     3,
     "2003",
     "2003",
     0,
     11,
     {4, 2003, 2003, 1, 12},
     12},
    {"half-years", 12, 1, "2003", "2004", 1, 0, {2, 2003, 2004, 2, 1}, 2},
    {"signed years", 12, 0, "-1", "+1", 0, 0, {1, -1, 1, 1, 1}, 3},
    {"24 months in the views", 24, 3, "2003", "2004", 0, 11, {4, 2003, 2004, 1, 12}, 24},
    {"7 years in the printed tables", 7, 0, "2000", "2006", 0, 0, {1, 2000, 2006, 1, 1}, 7},
};

TEST(PeriodRangePanelTest, AcceptedRangesAndTheirCounts) {
    for (const Accepted& a : kAccepted) {
        SCOPED_TRACE(a.what);
        PanelHost host(PeriodRangePanel::Config::Range(a.limit));
        // Lists of another type left on later items must not leak into the range.
        host.enter(2, "2003", "2003", 3, 3);
        host.enter(a.type, a.from, a.to, a.fromPeriod, a.toPeriod);
        CCalendar calendar;
        const auto range = host.panel->Check(calendar);
        ASSERT_TRUE(range.has_value());
        EXPECT_EQ(*range, a.want);
        EXPECT_EQ(calendar.GetAmount(), a.count);
    }
}

TEST(PeriodRangePanelTest, LimitsOfTheOtherWindowsRefuseOneMore) {
    struct Case {
        int limit, type;
        const char *from, *to;
        int toPeriod;
    };
    for (const Case& c : {Case{24, 3, "2003", "2005", 0}, Case{7, 0, "2000", "2007", 0}}) {
        PanelHost host(PeriodRangePanel::Config::Range(c.limit));
        host.enter(c.type, c.from, c.to, 0, c.toPeriod);
        ScriptedMsgBox box;
        box.answer(MsgResult::OK);
        CCalendar calendar;
        EXPECT_FALSE(host.panel->Check(calendar).has_value());
        EXPECT_EQ(box.prompts(),
                  std::vector<std::string>{"选择周期不能大于" + std::to_string(c.limit) +
                                           "，否则数据量太大"});
        EXPECT_EQ(box.shown()[0].title, platform::kAppTitle);
    }
}

TEST(PeriodRangePanelTest, FieldsTakeEachValueOnceItsOwnChecksPass) {
    PanelHost host(PeriodRangePanel::Config::Range(24));
    PeriodRange fields{1, 1990, 1991, 1, 1};
    CCalendar calendar;
    struct Step {
        int type;
        const char *from, *to;
        int fromPeriod, toPeriod;
        PeriodRange want;
    };
    const Step steps[] = {
        {2, "2003", "x", 1, 2, {3, 2003, 1991, 1, 1}},      // end year refused
        {2, "2003", "2004", 1, -1, {3, 2003, 2004, 1, 1}},  // end quarter refused
        {3, "2001", "2004", 0, 0, {4, 2001, 2004, 1, 1}},   // over the limit
    };
    for (const Step& s : steps) {
        host.enter(s.type, s.from, s.to, s.fromPeriod, s.toPeriod);
        ScriptedMsgBox box;
        box.answer(MsgResult::OK);
        EXPECT_FALSE(host.panel->Check(calendar, &fields).has_value());
        EXPECT_EQ(fields, s.want);
    }
}

TEST(PeriodRangePanelTest, SingleModeChecksTheStartSideOnly) {
    PanelHost host(PeriodRangePanel::Config::Single());
    EXPECT_EQ(host.panel->txtToYear, nullptr);
    EXPECT_EQ(host.panel->cbToQuartor, nullptr);
    host.enter(2, "2004", nullptr, 2);
    CCalendar calendar;
    const auto range = host.panel->Check(calendar);
    ASSERT_TRUE(range.has_value());
    EXPECT_EQ(*range, (PeriodRange{3, 2004, 2004, 3, 3}));

    host.enter(3, "2004", nullptr, -1);
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    EXPECT_FALSE(host.panel->Check(calendar).has_value());
    EXPECT_EQ(box.prompts(), std::vector<std::string>{"请选择起始月"});
    EXPECT_EQ(FocusName(), "cbFromMonth");
}

TEST(PeriodRangePanelTest, TypeSwitchShowsTheListsOfTheTypeFromTheirFirstItem) {
    PanelHost host(PeriodRangePanel::Config::Range(12));
    auto shown = [&](std::initializer_list<platform::ComboList*> lists) {
        for (platform::ComboList* l :
             {host.panel->cbTemp01, host.panel->cbTemp02, host.panel->cbFromHalfYear,
              host.panel->cbToHalfYear, host.panel->cbFromQuartor, host.panel->cbToQuartor,
              host.panel->cbFromMonth, host.panel->cbToMonth}) {
            const bool want = std::find(lists.begin(), lists.end(), l) != lists.end();
            EXPECT_EQ(l->isVisible(), want) << l->objectName().toStdString();
        }
    };
    host.enter(3, "2003", "2003", 5, 7);
    shown({host.panel->cbFromMonth, host.panel->cbToMonth});
    host.panel->cbSerial->setListIndex(2);
    shown({host.panel->cbFromQuartor, host.panel->cbToQuartor});
    EXPECT_EQ(host.panel->cbFromQuartor->Text(), "第一季度");
    EXPECT_EQ(host.panel->cbToQuartor->ListIndex(), 0);
    host.panel->cbSerial->setListIndex(0);
    shown({host.panel->cbTemp01, host.panel->cbTemp02});
    EXPECT_EQ(host.panel->cbTemp01->ListCount(), 0);
    EXPECT_FALSE(host.panel->cbTemp02->isEnabled());
    host.panel->cbSerial->setListIndex(-1);
    shown({host.panel->cbTemp01, host.panel->cbTemp02});
    EXPECT_EQ(host.panel->txtFromYear->text(), "2003") << "years stay as typed";
}

TEST(PeriodRangePanelTest, DefaultsFromTheSettingsTable) {
    struct Case {
        const char* serial;  // nullptr = NULL
        const char* from;
        const char* to;
        int wantType;
        const char* wantFrom;
        const char* wantTo;
    };
    const Case cases[] = {
        {"3", "2003", "2005", 2, "2003", "2005"},   {" 4 ", "2001", "2002", 3, "2001", "2002"},
        {"5", "2003", "2005", -1, "2003", "2005"},  {"0", "2003", "2005", -1, "2003", "2005"},
        {"x", "2003", "2005", -1, "2003", "2005"},  {"1e999", "2003", "2005", -1, "2003", "2005"},
        {"2.9", "2003", "2005", 1, "2003", "2005"}, {nullptr, nullptr, nullptr, -1, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serial ? c.serial : "NULL");
        TestDb db;
        auto value = [](const char* s) -> platform::DbValue {
            return s ? platform::DbValue(std::string(s)) : platform::DbValue();
        };
        db.exec("update defaultParameter set valueFrom = ? where paramCd = 'serial'",
                {value(c.serial)});
        db.exec(
            "update defaultParameter set valueFrom = ?, valueTo = ? where paramCd = "
            "'yearFromTo'",
            {value(c.from), value(c.to)});
        PanelHost host(PeriodRangePanel::Config::Range(12));
        platform::Connection conn;
        conn.Open(db.path());
        host.panel->FillDefaults(conn);
        EXPECT_EQ(host.panel->cbSerial->ListIndex(), c.wantType);
        EXPECT_EQ(host.panel->txtFromYear->text(), c.wantFrom);
        EXPECT_EQ(host.panel->txtToYear->text(), c.wantTo);
        EXPECT_EQ(host.panel->cbFromMonth->isVisible(), c.wantType == 3);
        if (c.wantType == 3) {
            EXPECT_EQ(host.panel->cbFromMonth->ListIndex(), 0);
        }
    }
}

// A stored type written with a decimal point reads the same when the process has been switched
// to a comma-decimal locale.
TEST(PeriodRangePanelTest, TheStoredTypeReadsTheSameInACommaDecimalLocale) {
    CommaDecimalLocale comma;
    if (!comma.failure().empty()) GTEST_SKIP() << comma.failure();
    TestDb db;
    db.exec("update defaultParameter set valueFrom = '0.2e1' where paramCd = 'serial'");
    PanelHost host(PeriodRangePanel::Config::Range(12));
    platform::Connection conn;
    conn.Open(db.path());
    host.panel->FillDefaults(conn);
    EXPECT_EQ(host.panel->cbSerial->ListIndex(), 1);
}

TEST(PeriodRangePanelTest, WithoutATypeRowTheTypeIsYear) {
    TestDb db;
    db.exec("delete from defaultParameter where paramCd = 'serial'");
    PanelHost host(PeriodRangePanel::Config::Single());
    platform::Connection conn;
    conn.Open(db.path());
    host.panel->FillDefaults(conn);
    EXPECT_EQ(host.panel->cbSerial->ListIndex(), 0);
    EXPECT_TRUE(host.panel->cbTemp01->isVisible());
}

TEST(PeriodRangePanelTest, WithoutAYearRowTheFirstCheckAsksForTheYear) {
    TestDb db;
    db.exec("delete from defaultParameter where paramCd = 'yearFromTo'");
    PanelHost host(PeriodRangePanel::Config::Range(12, "错误"));
    platform::Connection conn;
    conn.Open(db.path());
    host.panel->FillDefaults(conn);
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    CCalendar calendar;
    EXPECT_FALSE(host.panel->Check(calendar).has_value());
    EXPECT_EQ(box.prompts(), std::vector<std::string>{"请输入时间年"});
}

}  // namespace
