// The period conversion window: each button on a small data set with gaps, checked row by row.
#include <QApplication>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>

#include "entry/form_base_interface.h"
#include "tests/entry/EntryTestSupport.h"

using platform::MsgResult;

namespace {

class PeriodConversionTest : public testing::Test {
  protected:
    void SetUp() override {
        form = std::make_unique<form_base_interface>();
        form->Show();
        seed();
    }

    // Months (type 4): 101 and 409 are period-end items, 201 and 302 flows, 999 is not in the
    // catalogue. Quarters (type 3) of 2005-2006 and half-years (type 2) of 2007-2008 likewise.
    // Gaps: 101 has no December 2003 and only June 2004; 201 lacks May 2004; 302 lacks
    // December 2003; 112 lacks 2006 Q3-Q4; 209 lacks 2006 Q2; 108 and 404 lack one half of
    // 2008. Rows of the targets are stored already where a conversion must overwrite or keep
    // them.
    void seed() {
        const double flow201[] = {0.1, 0.2, 0.3, 1, 2, 3, 4, -5, 6, 0, 0, 0};
        for (int m = 1; m <= 12; ++m) {
            if (m <= 11) db.putData(101, 4, 2003, m, m * 10);
            db.putData(201, 4, 2003, m, flow201[m - 1]);
            db.putData(409, 4, 2003, m, 100 + m);
            db.putData(999, 4, 2003, m, 1);
            if (m <= 11) db.putData(302, 4, 2003, m, 1);
        }
        db.putData(101, 4, 2004, 6, 66);
        db.putData(201, 4, 2004, 4, 7);
        db.putData(201, 4, 2004, 6, 8);

        const double q112[] = {1, 2, 3, 4}, q209[] = {1.5, 2.5, -3, 4};
        for (int q = 1; q <= 4; ++q) {
            db.putData(112, 3, 2005, q, q112[q - 1]);
            db.putData(209, 3, 2005, q, q209[q - 1]);
        }
        db.putData(112, 3, 2006, 1, 5);
        db.putData(112, 3, 2006, 2, 6);
        db.putData(209, 3, 2006, 1, 1);
        db.putData(209, 3, 2006, 3, 2);
        db.putData(209, 3, 2006, 4, 3);

        db.putData(108, 2, 2007, 1, 10);
        db.putData(108, 2, 2007, 2, 20);
        db.putData(108, 2, 2008, 1, 30);
        db.putData(404, 2, 2007, 1, 0.1);
        db.putData(404, 2, 2007, 2, 0.2);
        db.putData(404, 2, 2008, 2, 7);

        db.putData(201, 3, 2003, 2, 777);  // overwritten by the months
        db.putData(201, 3, 2004, 2, 555);  // kept: May 2004 is missing
        db.putData(201, 2, 2004, 1, 555);  // kept likewise
        db.putData(302, 1, 2003, 1, 42);   // kept: December 2003 is missing
    }

    TestDb db;
    std::unique_ptr<form_base_interface> form;
};

struct ConversionCase {
    const char* what;
    QPushButton* form_base_interface::*button;
    const char* question;
    int target;
    std::vector<std::string> rows;  // every row of the target type afterwards
};

const char* const kQuarters = "确定覆盖所有以季度为周期的基础数据吗？";
const char* const kHalves = "确定覆盖所有以半年为周期的基础数据吗？";
const char* const kYears = "确定覆盖所有以年为周期的基础数据吗？";

// Stored half-year sources and the rows kept from before, which a conversion into half-years
// leaves alone.
const std::vector<std::string> kHalfRowsBefore{
    "108 2 2007 1 10",  "108 2 2007 2 20",  "108 2 2008 1 30", "201 2 2004 1 555",
    "404 2 2007 1 0.1", "404 2 2007 2 0.2", "404 2 2008 2 7"};

const ConversionCase kConversions[] = {
    {"monthToQuartor",
     &form_base_interface::cmdMonthToQuartor,
     kQuarters,
     3,
     {"101 3 2003 1 30",  "101 3 2003 2 60",  "101 3 2003 3 90",  "101 3 2004 2 66",
      "112 3 2005 1 1",   "112 3 2005 2 2",   "112 3 2005 3 3",   "112 3 2005 4 4",
      "112 3 2006 1 5",   "112 3 2006 2 6",   "201 3 2003 1 0.6", "201 3 2003 2 6",
      "201 3 2003 3 5",   "201 3 2003 4 0",   "201 3 2004 2 555", "209 3 2005 1 1.5",
      "209 3 2005 2 2.5", "209 3 2005 3 -3",  "209 3 2005 4 4",   "209 3 2006 1 1",
      "209 3 2006 3 2",   "209 3 2006 4 3",   "302 3 2003 1 3",   "302 3 2003 2 3",
      "302 3 2003 3 3",   "409 3 2003 1 103", "409 3 2003 2 106", "409 3 2003 3 109",
      "409 3 2003 4 112"}},
    {"monthToHalf",
     &form_base_interface::cmdMonthToHalf,
     kHalves,
     2,
     {"101 2 2003 1 60", "101 2 2004 1 66", "108 2 2007 1 10", "108 2 2007 2 20", "108 2 2008 1 30",
      "201 2 2003 1 6.6", "201 2 2003 2 5", "201 2 2004 1 555", "302 2 2003 1 6",
      "404 2 2007 1 0.1", "404 2 2007 2 0.2", "404 2 2008 2 7", "409 2 2003 1 106",
      "409 2 2003 2 112"}},
    {"monthToYear",
     &form_base_interface::cmdMonthToYear,
     kYears,
     1,
     {"201 1 2003 1 11.6", "302 1 2003 1 42", "409 1 2003 1 112"}},
    {"quartorToHalf",
     &form_base_interface::cmdQuartorToHalf,
     kHalves,
     2,
     {"108 2 2007 1 10", "108 2 2007 2 20", "108 2 2008 1 30", "112 2 2005 1 2", "112 2 2005 2 4",
      "112 2 2006 1 6", "201 2 2004 1 555", "209 2 2005 1 4", "209 2 2005 2 1", "209 2 2006 2 5",
      "404 2 2007 1 0.1", "404 2 2007 2 0.2", "404 2 2008 2 7"}},
    {"quartorToYear",
     &form_base_interface::cmdQuartorToYear,
     kYears,
     1,
     {"112 1 2005 1 4", "209 1 2005 1 5", "302 1 2003 1 42"}},
    {"halfToYear",
     &form_base_interface::cmdHalfToYear,
     kYears,
     1,
     {"108 1 2007 1 20", "302 1 2003 1 42", "404 1 2007 1 0.3"}},
};

TEST_F(PeriodConversionTest, EachButtonDerivesExactlyTheCompleteTargetRowsAndIsIdempotent) {
    for (const ConversionCase& c : kConversions) {
        SCOPED_TRACE(c.what);
        db.exec("delete from baseData");
        seed();
        const std::string others = "PeriodType <> " + std::to_string(c.target);
        const std::vector<std::string> untouched = StoredRows(db, others);
        {
            ScriptedMsgBox box;
            box.answer(MsgResult::Yes);
            (form.get()->*c.button)->click();
            EXPECT_EQ(box.prompts(), std::vector<std::string>{c.question});
            EXPECT_EQ(box.shown()[0].title, "警告信息");
            EXPECT_EQ(box.shown()[0].buttons, platform::MsgButtons::YesNo);
        }
        EXPECT_EQ(StoredRows(db, "PeriodType = " + std::to_string(c.target)), c.rows);
        EXPECT_EQ(StoredRows(db, others), untouched);

        const std::vector<std::string> once = StoredRows(db);
        ScriptedMsgBox box;
        box.answer(MsgResult::Yes);
        (form.get()->*c.button)->click();
        EXPECT_EQ(StoredRows(db), once) << "a second run changes nothing";
    }
}

TEST_F(PeriodConversionTest, NoAtTheConfirmationWritesNothing) {
    const std::vector<std::string> before = StoredRows(db);
    for (const ConversionCase& c : kConversions) {
        SCOPED_TRACE(c.what);
        ScriptedMsgBox box;
        box.answer(MsgResult::No);
        (form.get()->*c.button)->click();
        EXPECT_EQ(box.prompts(), std::vector<std::string>{c.question});
    }
    EXPECT_EQ(StoredRows(db), before);
}

TEST_F(PeriodConversionTest, AFailingWriteUndoesTheWholeConversion) {
    db.exec(
        "create trigger refuse before insert on baseData when new.ItemID = 409 and "
        "new.PeriodType = 3 begin select raise(abort, 'refused by test trigger'); end");
    const std::vector<std::string> before = StoredRows(db);
    ScriptedMsgBox box;
    box.answer(MsgResult::Yes).answer(MsgResult::OK);
    form->cmdMonthToQuartor->click();
    ASSERT_EQ(box.shown().size(), 2u);
    EXPECT_EQ(box.shown()[1].prompt, db.message("语句执行失败"));
    EXPECT_EQ(StoredRows(db), before) << "the rows written before the failure are undone";
}

TEST_F(PeriodConversionTest, ARemovedMonthLeavesTheDerivedQuarterAsItWas) {
    ScriptedMsgBox box;
    box.answer(MsgResult::Yes, 2);
    form->cmdMonthToQuartor->click();
    db.exec("delete from baseData where ItemID = 201 and PeriodType = 4 and Period = 2");
    db.exec("update baseData set Data = 9 where ItemID = 201 and PeriodType = 4 and Period = 3");
    db.exec("update baseData set Data = 9 where ItemID = 201 and PeriodType = 4 and Period = 6");
    form->cmdMonthToQuartor->click();
    EXPECT_EQ(StoredRows(db, "ItemID = 201 and PeriodType = 3 and Year = 2003 and Period <= 2"),
              (std::vector<std::string>{"201 3 2003 1 0.6", "201 3 2003 2 12"}));
}

TEST_F(PeriodConversionTest, TheWindowKeepsItsDesignAndClosesWithItsButton) {
    EXPECT_EQ(form->windowTitle(), "基础数据－数据生成");
    EXPECT_EQ(form->Width(), 9495);
    EXPECT_EQ(form->Height(), 6750);
    EXPECT_EQ(form->Frame1->title(), "以月份数据为基础");
    EXPECT_EQ(form->Frame3->title(), "以半年数据为基础");
    EXPECT_EQ(form->cmdMonthToQuartor->text(), "生成季度数据");
    EXPECT_EQ(form->cmdQuartorToHalf->text(), "生成半年数据");
    EXPECT_EQ(form->cmdHalfToYear->text(), "生成年数据");
    EXPECT_TRUE(form->cmdHalfToYear->font().bold());
    EXPECT_EQ(platform::TwipsLeft(form->cmdMonthToYear), 4200);
    EXPECT_EQ(platform::TwipsTop(form->Frame2), 2520);
    std::vector<QString> order;
    for (QWidget* w = form->cmdMonthToQuartor; order.size() < 7; w = w->nextInFocusChain())
        if (qobject_cast<QPushButton*>(w)) order.push_back(w->objectName());
    EXPECT_EQ(order, (std::vector<QString>{"cmdMonthToQuartor", "cmdMonthToHalf", "cmdMonthToYear",
                                           "cmdQuartorToHalf", "cmdQuartorToYear", "cmdHalfToYear",
                                           "Command1"}));
    {
        ScriptedMsgBox box;
        box.answer(MsgResult::No);
        form->cmdMonthToHalf->click();
        ASSERT_EQ(box.shown().size(), 1u);
        EXPECT_EQ(box.shown()[0].prompt, "确定覆盖所有以半年为周期的基础数据吗？");
        EXPECT_EQ(box.shown()[0].title, "警告信息");
        EXPECT_EQ(box.shown()[0].buttons, platform::MsgButtons::YesNo);
    }

    QPointer<form_base_interface> closing = form.release();
    closing->Command1->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closing.isNull());
}

}  // namespace
