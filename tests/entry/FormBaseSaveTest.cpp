// Saving, reverting and closing in the entry form, checked against the rows of a temporary
// database.
#include <QPointer>

#include "tests/entry/EntryTestSupport.h"

using platform::MsgResult;

namespace {

using FormBaseSaveTest = FormBaseFixture;

const char* const kChanged[] = {
    "资产负债表中数据已经改动，是否保存？", "利润表中数据已经改动，是否保存？",
    "现金流量表中数据已经改动，是否保存？", "统计报表中数据已经改动，是否保存？"};
const char* const kIncomplete[] = {
    "资产负债表中数据输入不完整，是否忽略？", "利润表中数据输入不完整，是否忽略？",
    "现金流量表中数据输入不完整，是否忽略？", "统计报表中数据输入不完整，是否忽略？"};

std::string row(int item, int type, int year, int period, const char* amount) {
    return std::to_string(item) + " " + std::to_string(type) + " " + std::to_string(year) + " " +
           std::to_string(period) + " " + amount;
}

TEST_F(FormBaseSaveTest, ASaveReplacesTheStatementOverTheRangeForEveryStatementAndType) {
    struct Range {
        const char* what;
        int position;  // cbSerial
        const char *from, *to;
        int fromPeriod, toPeriod;  // list positions
        int type;
        std::vector<std::pair<int, int>> periods;  // the displayed (year, period) in order
        std::pair<int, int> before, after;         // just outside the range, same type
    };
    const Range ranges[] = {
        {"years", 0, "2003", "2004", 0, 0, 1, {{2003, 1}, {2004, 1}}, {2002, 1}, {2005, 1}},
        {"half-years", 1, "2003", "2004", 1, 0, 2, {{2003, 2}, {2004, 1}}, {2003, 1}, {2004, 2}},
        {"quarters", 2, "2003", "2004", 3, 0, 3, {{2003, 4}, {2004, 1}}, {2003, 3}, {2004, 2}},
        {"months", 3, "2003", "2004", 11, 0, 4, {{2003, 12}, {2004, 1}}, {2003, 11}, {2004, 2}},
    };
    const int firstItem[] = {101, 201, 301, 401};
    for (const Range& range : ranges) {
        for (int n = 1; n <= 4; ++n) {
            SCOPED_TRACE(std::string(range.what) + " statement " + std::to_string(n));
            db.exec("delete from baseData");
            const int item = firstItem[n - 1], other = firstItem[n % 4];
            const auto [y0, p0] = range.periods[0];
            const auto [y1, p1] = range.periods[1];
            db.putData(item, range.type, y0, p0, 1);      // replaced
            db.putData(item + 1, range.type, y1, p1, 2);  // removed: its cell is cleared
            db.putData(item, range.type, range.before.first, range.before.second, 3);
            db.putData(item, range.type, range.after.first, range.after.second, 4);
            db.putData(item, range.type == 1 ? 2 : 1, y0, p0, 5);  // another type
            db.putData(other, range.type, y0, p0, 6);              // another statement
            display(range.position, range.from, range.to, range.fromPeriod, range.toPeriod);
            form->tbsOptions->setSelectedIndex(n);
            ASSERT_EQ(cell(n, 2, 5), "2");
            grid(n)->setTextMatrix(2, 5, "");
            grid(n)->setTextMatrix(1, 4, "  12.5 ");
            grid(n)->setTextMatrix(3, 5, "-7");
            grid(n)->setTextMatrix(4, 4, ".25");
            ScriptedMsgBox box;
            box.answer(MsgResult::Yes);
            form->cmdSave->click();
            EXPECT_EQ(box.prompts(), std::vector<std::string>{kIncomplete[n - 1]});
            std::vector<std::string> expected{
                row(item, range.type, y0, p0, "12.5"),
                row(item, range.type, range.before.first, range.before.second, "3"),
                row(item, range.type, range.after.first, range.after.second, "4"),
                row(item, range.type == 1 ? 2 : 1, y0, p0, "5"),
                row(item + 2, range.type, y1, p1, "-7"),
                row(item + 3, range.type, y0, p0, "0.25"),
                row(other, range.type, y0, p0, "6"),
            };
            std::sort(expected.begin(), expected.end());
            std::vector<std::string> stored = StoredRows(db);
            std::sort(stored.begin(), stored.end());
            EXPECT_EQ(stored, expected);
            EXPECT_EQ(cell(n, 4, 4), "0.25") << "the normalised text stays in the grid";
            form->tbsOptions->setSelectedIndex(1);
        }
    }
}

TEST_F(FormBaseSaveTest, ASaveMarksTheGridSavedWithoutAMessageAndWritesBothPages) {
    display(3, "2003", "2003", 0, 11);
    for (int col = 4; col <= 15; ++col) setColumn(1, col, kBalanced);
    edit(1, 1, 4, "101");
    edit(2, 1, 4, "9");
    form->tbsOptions->setSelectedIndex(1);
    ASSERT_EQ(states(), (std::vector<int>{2, 2, 0, 0}));
    form->cmdSave->click();  // no box is expected
    EXPECT_EQ(states(), (std::vector<int>{1, 2, 0, 0}));
    EXPECT_FALSE(form->Text1->isVisible());
    EXPECT_EQ(StoredRows(db, "PeriodType = 4").size(), 12u * 12u);
    EXPECT_EQ(StoredRows(db, "ItemID = 101 and Period in (1, 12)"),
              (std::vector<std::string>{"101 4 2003 1 101", "101 4 2003 12 100"}));
}

TEST_F(FormBaseSaveTest, TextsThatAreNotPlainAmountsAreRefusedAndNothingIsWritten) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"12a", "资产负债表中'2003年'的'短期投资'输入了不为数字的数据，请重新输入！"},
        {"1,000", "资产负债表中'2003年'的'短期投资'输入了不为数字的数据，请重新输入！"},
        {"1e3", "资产负债表中'2003年'的'短期投资'输入了不为数字的数据，请重新输入！"},
        {".", "资产负债表中'2003年'的'短期投资'输入了不为数字的数据，请重新输入！"},
        {"1234567890123456", "资产负债表中'2003年'的'短期投资'输入了数字大于15位或小数大于2位！"},
        {"1.234", "资产负债表中'2003年'的'短期投资'输入了数字大于15位或小数大于2位！"},
    };
    db.putData(101, 1, 2003, 1, 8);
    db.putData(102, 1, 2003, 1, 9);
    display(0, "2003", "2003");
    const std::vector<std::string> before = StoredRows(db);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        clickCell(1, 2, 4);
        type(c.text);
        ScriptedMsgBox box;
        box.answer(MsgResult::Yes).answer(MsgResult::OK);
        form->cmdSave->click();
        EXPECT_EQ(box.prompts(), (std::vector<std::string>{kIncomplete[0], c.message}));
        EXPECT_EQ(box.shown().at(1).title, "错误");
        EXPECT_EQ(StoredRows(db), before);
        EXPECT_EQ(form->gridState(1), 2);
        EXPECT_EQ(cell(1, 2, 4), c.text);
    }
}

TEST_F(FormBaseSaveTest, AWriteThatFailsMidwayLeavesTheStoredRowsAndTheEdits) {
    for (int item = 101; item <= 112; ++item) db.putData(item, 1, 2003, 1, item);
    db.putData(101, 1, 2004, 1, 1);
    // The insert of current assets (the fifth row) fails after the delete and four inserts.
    db.exec(
        "create trigger refuse before insert on baseData when new.ItemID = 105 "
        "begin select raise(abort, 'refused by test trigger'); end");
    display(0, "2003", "2004");
    const std::vector<std::string> before = StoredRows(db);
    setColumn(1, 4, kBalanced);
    clickCell(1, 1, 5);
    type("100");
    const QString typed = cell(1, 1, 5);
    {
        ScriptedMsgBox box;
        box.answer(MsgResult::Yes).answer(MsgResult::OK);
        form->cmdSave->click();
        ASSERT_EQ(box.shown().size(), 2u);
        EXPECT_EQ(box.shown()[0].prompt, kIncomplete[0]);
        EXPECT_EQ(box.shown()[1].prompt, db.message("语句执行失败"));
        EXPECT_EQ(box.shown()[1].title, "错误");
    }
    EXPECT_EQ(StoredRows(db), before);
    EXPECT_EQ(form->gridState(1), 2);
    EXPECT_EQ(cell(1, 1, 5), typed);
    EXPECT_EQ(cell(1, 5, 4), "250");

    // The close button's save fails the same way: no success notice, the form stays open.
    {
        ScriptedMsgBox box;
        box.answer(MsgResult::Yes, 2).answer(MsgResult::OK);
        form->cmdClose->click();
        ASSERT_EQ(box.shown().size(), 3u);
        EXPECT_EQ(box.shown()[0].prompt, kChanged[0]);
        EXPECT_EQ(box.shown()[2].title, "错误");
    }
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(StoredRows(db), before);
    EXPECT_EQ(form->gridState(1), 2);

    // Without the trigger the same save goes through.
    db.exec("drop trigger refuse");
    {
        ScriptedMsgBox box;
        box.answer(MsgResult::Yes);
        form->cmdSave->click();
    }
    EXPECT_EQ(StoredRows(db, "ItemID = 105"), std::vector<std::string>{"105 1 2003 1 250"});
    EXPECT_EQ(StoredRows(db, "ItemID = 101"),
              (std::vector<std::string>{"101 1 2003 1 100", "101 1 2004 1 100"}));
}

TEST_F(FormBaseSaveTest, ALockedDatabaseIsReportedAndTheEditsStay) {
    db.putData(101, 1, 2003, 1, 8);
    display(0, "2003", "2003");
    clickCell(1, 1, 4);
    type("9");
    BusyWait shortWait;
    platform::Connection other;
    other.Open(db.path());
    other.BeginTrans();
    {
        ScriptedMsgBox box;
        box.answer(MsgResult::Yes).answer(MsgResult::OK);
        form->cmdSave->click();
        ASSERT_EQ(box.shown().size(), 2u);
        EXPECT_EQ(box.shown()[1].title, "错误");
        EXPECT_EQ(box.shown()[1].prompt, db.message("数据库正被其他程序使用，请稍后再试"));
    }
    other.RollbackTrans();
    EXPECT_EQ(StoredRows(db), std::vector<std::string>{"101 1 2003 1 8"});
    EXPECT_EQ(cell(1, 1, 4), "9");
    EXPECT_EQ(form->gridState(1), 2);
}

class FormBaseCloseTest : public FormBaseFixture {
  protected:
    // Displays years 2003-2004 and types a value into every grid: all four in state 2.
    void changeAllGrids() {
        display(0, "2003", "2004");
        for (int n = 1; n <= 4; ++n) {
            form->tbsOptions->setSelectedIndex(n);
            for (int col = 4; col <= 5; ++col)
                for (int r = 1; r < form->usedRows(n); ++r) grid(n)->setTextMatrix(r, col, "1");
            edit(n, 1, 4, "2");
        }
        for (int col = 4; col <= 5; ++col) setColumn(1, col, kBalanced);
        grid(3)->setTextMatrix(4, 5, "0");  // the cash did not change from 2003 to 2004
        form->tbsOptions->setSelectedIndex(1);
        ASSERT_EQ(states(), (std::vector<int>{2, 2, 2, 2}));
    }
    int stored(int category) const {
        return std::stoi(
            db.scalar("select count(*) from baseData where ItemID in "
                      "(select ItemId from baseItem where Category = ?)",
                      {std::int64_t(category)}));
    }
    // Closes through the close button; true when the form went away.
    bool close() {
        QPointer<form_base> closing = form.get();
        form->cmdClose->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (closing.isNull()) {
            (void)form.release();
            return true;
        }
        return false;
    }
};

TEST_F(FormBaseCloseTest, NoToEveryChangeQuestionClosesWithoutWriting) {
    changeAllGrids();
    ScriptedMsgBox box;
    box.answer(MsgResult::No, 4);
    EXPECT_TRUE(close());
    EXPECT_EQ(box.prompts(),
              (std::vector<std::string>{kChanged[0], kChanged[1], kChanged[2], kChanged[3]}));
    for (const ShownBox& shown : box.shown()) EXPECT_EQ(shown.title, "提示");
    EXPECT_EQ(db.scalar("select count(*) from baseData"), "0");
}

TEST_F(FormBaseCloseTest, EachConfirmedStatementIsSavedWithANotice) {
    changeAllGrids();
    ScriptedMsgBox box;
    // Balance sheet: change question; saved with notice. Income statement: No. Cash flow and
    // statistics: change question, saved with notice.
    box.answer(MsgResult::Yes).answer(MsgResult::OK).answer(MsgResult::No);
    box.answer(MsgResult::Yes).answer(MsgResult::OK).answer(MsgResult::Yes).answer(MsgResult::OK);
    EXPECT_TRUE(close());
    EXPECT_EQ(box.prompts(),
              (std::vector<std::string>{kChanged[0], "数据保存成功！", kChanged[1], kChanged[2],
                                        "数据保存成功！", kChanged[3], "数据保存成功！"}));
    EXPECT_EQ(box.shown()[1].title, "提示");
    EXPECT_EQ(box.shown()[1].buttons, platform::MsgButtons::OK);
    EXPECT_EQ(stored(1), 24);
    EXPECT_EQ(stored(2), 0);
    EXPECT_EQ(stored(3), 8);
    EXPECT_EQ(stored(4), 18);
}

TEST_F(FormBaseCloseTest, AFailedNumberCheckStopsTheCloseAfterTheEarlierSaves) {
    changeAllGrids();
    grid(2)->setTextMatrix(3, 5, "x");
    ScriptedMsgBox box;
    box.answer(MsgResult::Yes).answer(MsgResult::OK).answer(MsgResult::Yes).answer(MsgResult::OK);
    EXPECT_FALSE(close());
    EXPECT_EQ(box.prompts(),
              (std::vector<std::string>{
                  kChanged[0], "数据保存成功！", kChanged[1],
                  "利润表中'2004年'的'主营业务税金及附加'输入了不为数字的数据，请重新输入！"}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(stored(1), 24);
    EXPECT_EQ(stored(2), 0);
    EXPECT_EQ(states(), (std::vector<int>{1, 2, 2, 2}));
    EXPECT_EQ(cell(2, 3, 5), "x");
}

TEST_F(FormBaseCloseTest, AWarningRefusedDuringTheCloseKeepsTheFormOpen) {
    changeAllGrids();
    grid(1)->setTextMatrix(5, 4, "");
    ScriptedMsgBox box;
    box.answer(MsgResult::Yes).answer(MsgResult::No);
    EXPECT_FALSE(close());
    EXPECT_EQ(box.prompts(), (std::vector<std::string>{kChanged[0], kIncomplete[0]}));
    EXPECT_EQ(states(), (std::vector<int>{2, 2, 2, 2}));
    EXPECT_EQ(db.scalar("select count(*) from baseData"), "0");
}

TEST_F(FormBaseCloseTest, ANewDisplayOffersTheChangedStatementsFirst) {
    changeAllGrids();
    ScriptedMsgBox box;
    box.answer(MsgResult::No).answer(MsgResult::Yes).answer(MsgResult::OK).answer(MsgResult::No, 2);
    display(0, "2005", "2005");
    EXPECT_EQ(box.prompts(), (std::vector<std::string>{kChanged[0], kChanged[1], "数据保存成功！",
                                                       kChanged[2], kChanged[3]}));
    EXPECT_EQ(stored(2), 18);
    EXPECT_EQ(form->range().fromYear, 2005);
    EXPECT_EQ(states(), (std::vector<int>{1, 0, 0, 0}));
}

TEST_F(FormBaseCloseTest, CancelRevertsTheCurrentStatementOnly) {
    db.putData(101, 4, 2003, 10, 5);
    display(3, "2003", "2003", 0, 11);
    edit(1, 1, 4, "77");
    edit(2, 1, 4, "88");
    form->tbsOptions->setSelectedIndex(1);
    form->cmd_Next->click();
    grid(1)->setTextMatrix(1, 13, "66");
    clickCell(1, 2, 13);
    ASSERT_TRUE(form->Text1->isVisible());
    {
        ScriptedMsgBox box;
        box.answer(MsgResult::No);
        form->cmdCancel->click();
        EXPECT_EQ(box.prompts(), std::vector<std::string>{"是否放弃所有改动？"});
        EXPECT_EQ(box.shown()[0].title, "提示");
    }
    EXPECT_FALSE(form->Text1->isVisible());
    EXPECT_EQ(cell(1, 1, 4), "77");
    EXPECT_EQ(form->gridPage(1), 2);
    {
        ScriptedMsgBox box;
        box.answer(MsgResult::Yes);
        form->cmdCancel->click();
    }
    EXPECT_EQ(cell(1, 1, 4), "");
    EXPECT_EQ(cell(1, 1, 13), "5");
    EXPECT_EQ(cell(1, 0, 13), "2003十月");
    EXPECT_EQ(states(), (std::vector<int>{1, 2, 0, 0}));
    EXPECT_EQ(form->gridPage(1), 1);
    EXPECT_EQ(grid(1)->ColWidth(4), 1150);
    EXPECT_EQ(grid(1)->ColWidth(13), 0);
    EXPECT_FALSE(form->cmd_prev->isEnabled());
    EXPECT_EQ(cell(2, 1, 4), "88") << "the other statement keeps its edit";
}

}  // namespace

// A statement whose stored amounts could not be read shows blank cells; it must never be
// offered for saving or saved, which would delete the amounts it failed to show.
class FormBaseLoadFailureTest : public FormBaseCloseTest {
  protected:
    void SetUp() override {
        FormBaseCloseTest::SetUp();
        for (int item : {101, 102, 201, 202}) {
            db.putData(item, 1, 2003, 1, item);
            db.putData(item, 1, 2004, 1, item + 1);
        }
        before = StoredRows(db);
    }
    // Runs `action` while baseData cannot be read: its questions take `answers`, then it
    // reports the failure.
    void whileUnreadable(const std::vector<MsgResult>& answers,
                         const std::function<void()>& action) {
        db.exec("alter table baseData rename to baseDataAway");
        {
            ScriptedMsgBox box;
            for (MsgResult a : answers) box.answer(a);
            box.answer(MsgResult::OK);
            action();
            ASSERT_EQ(box.shown().size(), answers.size() + 1);
            EXPECT_EQ(box.prompts().back(), db.message("查询失败"));
        }
        db.exec("alter table baseDataAway rename to baseData");
    }
    // Nothing is offered for saving, nothing can be typed or saved, and the close goes through.
    void expectNothingToSave(int n) {
        clickCell(n, 1, 4);
        EXPECT_FALSE(form->Text1->isVisible());
        form->cmdSave->click();  // no box is expected
        EXPECT_EQ(StoredRows(db), before);
        EXPECT_TRUE(close());
        EXPECT_EQ(StoredRows(db), before);
    }
    std::vector<std::string> before;
};

TEST_F(FormBaseLoadFailureTest, ARevertThatCannotReadLeavesNothingToSave) {
    display(0, "2003", "2003");
    edit(1, 1, 4, "9");
    ASSERT_TRUE(form->Text1->isVisible());
    whileUnreadable({MsgResult::Yes}, [this] { form->cmdCancel->click(); });
    EXPECT_FALSE(form->Text1->isVisible());
    EXPECT_EQ(cell(1, 1, 4), "");
    EXPECT_EQ(form->gridState(1), 0);
    expectNothingToSave(1);
}

TEST_F(FormBaseLoadFailureTest, ADisplayThatCannotReadLeavesNothingToSave) {
    display(0, "2003", "2003");
    edit(2, 1, 4, "9");
    form->tbsOptions->setSelectedIndex(1);
    // No to saving the income statement's edits.
    whileUnreadable({MsgResult::No}, [this] { display(0, "2004", "2004"); });
    EXPECT_EQ(form->range().fromYear, 2004);
    EXPECT_EQ(states(), (std::vector<int>{0, 0, 0, 0}));
    expectNothingToSave(1);
}

TEST_F(FormBaseLoadFailureTest, ATabThatCannotReadLeavesNothingToSaveUntilItLoads) {
    display(0, "2003", "2003");
    clickCell(1, 1, 4);
    whileUnreadable({}, [this] { form->tbsOptions->setSelectedIndex(2); });
    EXPECT_FALSE(form->Text1->isVisible());
    EXPECT_EQ(form->gridState(2), 0);
    clickCell(2, 1, 4);
    EXPECT_FALSE(form->Text1->isVisible());
    form->cmdSave->click();  // no box is expected
    EXPECT_EQ(StoredRows(db), before);
    // Selecting the tab again loads it.
    form->tbsOptions->setSelectedIndex(2);
    EXPECT_EQ(form->gridState(2), 1);
    EXPECT_EQ(cell(2, 1, 4), "201");
    clickCell(2, 1, 4);
    EXPECT_TRUE(form->Text1->isVisible());
    EXPECT_TRUE(close());  // loaded and unchanged: no question
    EXPECT_EQ(StoredRows(db), before);
}
