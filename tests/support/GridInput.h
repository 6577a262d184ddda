// Keyboard and mouse input on the grids of a form and its floating cell editor, delivered as the
// user's would be.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <memory>
#include <vector>

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

// Pastes the clipboard into the box through its context menu's paste item, known by the paste
// shortcut it shows whatever the language; call under ASSERT_NO_FATAL_FAILURE.
inline void PasteByMenu(QLineEdit* box) {
    const std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
    const QString keys =
        "\t" + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    for (QAction* a : menu->actions())
        if (a->text().endsWith(keys)) return a->trigger();
    FAIL() << "the context menu has no paste item";
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

// The input of a fixture whose form has a tab strip tbsOptions, grids grid(1) to grid(4) with
// the cell editor, and gridState(n).
template <typename Form>
class GridFormInput {
  protected:
    virtual ~GridFormInput() = default;
    virtual Form* target() const = 0;

    platform::FlexGrid* grid(int n) const { return target()->grid(n); }
    QString cell(int n, int row, int col) const { return grid(n)->TextMatrix(row, col); }
    void clickCell(int n, int row, int col) { ClickCell(grid(n), row, col); }
    void type(const char* keys) { TypeKeys(keys); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) { PressKey(k, m); }
    // Selects tab n, opens the editor on a cell and types into it: grid n becomes changed.
    void edit(int n, int row, int col, const char* keys) {
        target()->tbsOptions->setSelectedIndex(n);
        clickCell(n, row, col);
        type(keys);
    }
    std::vector<int> states() const {
        const Form* f = target();
        return {f->gridState(1), f->gridState(2), f->gridState(3), f->gridState(4)};
    }
};

}  // namespace gui
