// Shared pieces of the benchmark settings tests: form_mark shown on a temporary database,
// driven through its controls with the message boxes scripted.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <string>
#include <vector>

#include "benchmark/form_mark.h"
#include "tests/support/GridInput.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/TestDb.h"

// The level and weight columns as stored, in grid order (columns 4 to 10).
inline const std::vector<std::string> kMarkColumns{"HistoryBestLevel",
                                                   "StandardLevel",
                                                   "IndustryMeanLevel",
                                                   "IndustryLeadLevel",
                                                   "NationalStandardLevel",
                                                   "InternationalLevel",
                                                   "Weight"};

class FormMarkFixture : public testing::Test, public gui::GridFormInput<form_mark> {
  protected:
    void SetUp() override { open(); }
    void TearDown() override { delete form.data(); }

    // A new form on the database as it stands; true when it loaded and is shown.
    bool open() {
        delete form.data();
        form = new form_mark;
        form->Show();
        if (form.isNull() || !form->isVisible()) return false;
        form->activateWindow();
        return QTest::qWaitForWindowActive(form.data());
    }

    form_mark* target() const override { return form.data(); }
    void put(int n, int row, int col, const char* text) { grid(n)->setTextMatrix(row, col, text); }
    // Puts the texts into row `row` of grid n from column 4 on, as if typed.
    void putRow(int n, int row, const std::vector<const char*>& texts) {
        for (std::size_t i = 0; i < texts.size(); ++i)
            put(n, row, 4 + static_cast<int>(i), texts[i]);
    }
    // The weights of grid n's rows 1, 2, ...; the rest of its weights are emptied.
    void putWeights(int n, const std::vector<const char*>& weights) {
        for (int r = 1; r < grid(n)->Rows(); ++r)
            put(n, r, 10, r <= static_cast<int>(weights.size()) ? weights[r - 1] : "");
    }

    // Levels and weight of one indicator as stored ("" for NULL).
    std::vector<std::string> stored(int itemId) const {
        std::vector<std::string> values;
        for (const std::string& column : kMarkColumns)
            values.push_back(db.scalar("select " + column + " from indicatorItem where ItemID = ?",
                                       {std::int64_t(itemId)}));
        return values;
    }
    // Every stored level and weight of a group, one text per indicator.
    std::vector<std::string> storedGroup(int category) const {
        std::vector<std::string> rows;
        const std::string ids = db.scalar(
            "select group_concat(ItemID) from (select ItemID from indicatorItem where "
            "Category = ? order by ItemID)",
            {std::int64_t(category)});
        for (std::size_t at = 0; at < ids.size();) {
            const std::size_t comma = std::min(ids.find(',', at), ids.size());
            std::string row;
            for (const std::string& v : stored(std::stoi(ids.substr(at, comma - at))))
                row += v + "|";
            rows.push_back(row);
            at = comma + 1;
        }
        return rows;
    }

    // Clicks the close button; true when the form went away.
    bool close() {
        form->cmdClose->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return form.isNull();
    }

    TestDb db;
    ScriptedMsgBox box;
    QPointer<form_mark> form;
};
