// Keyboard and mouse input on the grids of a form and its floating cell editor, delivered as the
// user's would be.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "platform/FlexGrid.h"
#include "platform/Form.h"
#include "platform/TextBox.h"

namespace gui {

// Clicks a cell just inside its top-left corner.
inline void ClickCell(platform::FlexGrid* g, int row, int col) {
    const QPoint inGrid(g->ColPos(col) / 15 + 3, g->RowPos(row) / 15 + 3);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, inGrid - g->viewport()->pos());
}

// Types into the focused widget (each key pressed and released).
inline void TypeKeys(const char* keys) {
    QTest::keyClicks(QApplication::focusWidget(), keys);
}
inline void PressKey(Qt::Key k, Qt::KeyboardModifiers m = {}) {
    QTest::keyClick(QApplication::focusWidget(), k, m);
}

// The editor box lies exactly over cell (row, col), the current cell of the grid.
inline void ExpectOverCell(const platform::TextBox* box, const platform::FlexGrid* g, int row,
                           int col) {
    EXPECT_EQ(g->Row(), row);
    EXPECT_EQ(g->Col(), col);
    EXPECT_EQ(platform::TwipsLeft(box), platform::TwipsLeft(g) + g->ColPos(col));
    EXPECT_EQ(platform::TwipsTop(box), platform::TwipsTop(g) + g->RowPos(row));
    EXPECT_EQ(box->width(), platform::TwipsToPixels(g->ColWidth(col)));
    EXPECT_EQ(box->height(), platform::TwipsToPixels(g->RowHeight(row)));
}

}  // namespace gui
