// Shared pieces of the entry tests: filling a period panel and driving form_base on a
// temporary database.
#pragma once

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <charconv>
#include <memory>
#include <string>
#include <vector>

#include "entry/form_base.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/TestDb.h"

// Type position, year texts (null leaves a box alone) and start/end list positions.
inline void EnterRange(PeriodRangePanel* panel, int type, const char* from, const char* to,
                       int fromPeriod = 0, int toPeriod = 0) {
    panel->cbSerial->setListIndex(type);
    if (from) panel->txtFromYear->setText(from);
    if (to && panel->txtToYear) panel->txtToYear->setText(to);
    platform::ComboList* lists[3][2] = {{panel->cbFromHalfYear, panel->cbToHalfYear},
                                        {panel->cbFromQuartor, panel->cbToQuartor},
                                        {panel->cbFromMonth, panel->cbToMonth}};
    if (type < 1 || type > 3) return;
    lists[type - 1][0]->setListIndex(fromPeriod);
    if (lists[type - 1][1]) lists[type - 1][1]->setListIndex(toPeriod);
}

// The rows of baseData matching `where`, sorted, as "item type year period amount" with the
// amount in its shortest exact text (0.6 only when the stored double is exactly 0.6).
inline std::vector<std::string> StoredRows(const TestDb& db, const std::string& where = "1=1") {
    platform::Connection conn;
    conn.Open(db.path());
    platform::Recordset rs;
    rs.Open("select ItemID,PeriodType,Year,Period,Data from baseData where " + where +
                " order by ItemID,PeriodType,Year,Period",
            conn);
    std::vector<std::string> rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        char amount[64];
        const double data = rs.Fields(4).AsDouble();
        *std::to_chars(amount, amount + sizeof amount - 1, data).ptr = '\0';
        std::string row;
        for (int i = 0; i < 4; ++i) row += std::to_string(rs.Fields(i).AsInt()) + " ";
        rows.push_back(row + amount);
    }
    return rows;
}

// A shown and active form_base on a fresh database.
class FormBaseFixture : public testing::Test {
  protected:
    void SetUp() override {
        form = std::make_unique<form_base>();
        form->Show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    // Displays a range that the panel accepts (no message expected).
    void display(int type, const char* from, const char* to, int fromPeriod = 0, int toPeriod = 0) {
        EnterRange(form->panel, type, from, to, fromPeriod, toPeriod);
        form->cmdDo->click();
    }

    platform::FlexGrid* grid(int n) const { return form->grid(n); }
    // Puts texts into rows 1, 2, ... of one column of grid n, as if typed.
    void setColumn(int n, int col, const std::vector<const char*>& texts) {
        for (std::size_t i = 0; i < texts.size(); ++i)
            grid(n)->setTextMatrix(static_cast<int>(i) + 1, col, texts[i]);
    }
    QString cell(int n, int row, int col) const { return grid(n)->TextMatrix(row, col); }

    void clickCell(int n, int row, int col) {
        platform::FlexGrid* g = grid(n);
        const QPoint inGrid(g->ColPos(col) / 15 + 3, g->RowPos(row) / 15 + 3);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, inGrid - g->viewport()->pos());
    }

    // Types into the focused widget as the user does (each key pressed and released).
    void type(const char* keys) { QTest::keyClicks(QApplication::focusWidget(), keys); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) {
        QTest::keyClick(QApplication::focusWidget(), k, m);
    }

    // Selects tab n, opens the editor on a cell and types into it.
    void edit(int n, int row, int col, const char* keys) {
        form->tbsOptions->setSelectedIndex(n);
        clickCell(n, row, col);
        type(keys);
    }

    std::vector<int> states() const {
        return {form->gridState(1), form->gridState(2), form->gridState(3), form->gridState(4)};
    }

    TestDb db;
    std::unique_ptr<form_base> form;
};
