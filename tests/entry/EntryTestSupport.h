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
#include "tests/support/ActiveWindow.h"
#include "tests/support/GridInput.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/TestDb.h"

// A balance sheet (items 101 to 112) for which every identity holds: current assets
// 250 > 100 + 50 + 30 + 20, fixed assets 500 > 400, total 700 > 250 + 400 and 700 = 300 + 400.
inline const std::vector<const char*> kBalanced{"100", "50",  "30",  "20",  "250", "500",
                                                "400", "700", "100", "300", "200", "400"};

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
class FormBaseFixture : public testing::Test, public gui::GridFormInput<form_base> {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(OpenActive(form)); }

    // Displays a range that the panel accepts (no message expected).
    void display(int type, const char* from, const char* to, int fromPeriod = 0, int toPeriod = 0) {
        EnterRange(form->panel, type, from, to, fromPeriod, toPeriod);
        form->cmdDo->click();
    }

    form_base* target() const override { return form.get(); }
    // Puts texts into rows 1, 2, ... of one column of grid n, as if typed.
    void setColumn(int n, int col, const std::vector<const char*>& texts) {
        for (std::size_t i = 0; i < texts.size(); ++i)
            grid(n)->setTextMatrix(static_cast<int>(i) + 1, col, texts[i]);
    }

    TestDb db;
    std::unique_ptr<form_base> form;
};
