#include "entry/GridCellEditor.h"

#include <charconv>

#include "platform/Form.h"
#include "platform/Runtime.h"

using platform::FlexGrid;

GridCellEditor::GridCellEditor(platform::TextBox* box, std::vector<FlexGrid*> grids, Config config)
    : QObject(box), Text1(box), grids_(std::move(grids)), config_(std::move(config)) {
    Text1->setBackColor(QColor(255, 192, 255));
    Text1->setFrame(false);
    Text1->setVisible(false);
    for (int n = 1; n <= static_cast<int>(grids_.size()); ++n) {
        FlexGrid* g = grid(n);
        connect(g, &FlexGrid::Click, this, [this, n] { gridClick(n); });
        connect(g, &FlexGrid::KeyPress, this, [this, n](int& k) { gridKeyPress(n, k); });
    }
    connect(Text1, &platform::TextBox::KeyPress, this, &GridCellEditor::Text1_KeyPress);
    connect(Text1, &platform::TextBox::KeyUp, this, &GridCellEditor::Text1_KeyUp);
    connect(Text1, &platform::TextBox::GotFocus, this, &GridCellEditor::Text1_GotFocus);
    // Every route by which the user changes the text (keys, paste, an input method, a drop,
    // undo) emits textEdited; putting a cell's text into the box from code does not.
    connect(Text1, &QLineEdit::textEdited, this, &GridCellEditor::Text1_Edited);
}

bool GridCellEditor::IsEditable(int n, int row, int col) const {
    return row >= 1 && row <= config_.lastRow(n) && col >= config_.firstCol &&
           col <= config_.lastCol(n);
}

void GridCellEditor::Hide() {
    Text1->setVisible(false);
}

void GridCellEditor::placeOver(int n) {
    FlexGrid* g = grid(n);
    const int r = g->Row(), c = g->Col();
    boxRow_ = r;
    boxCol_ = c;
    platform::SetTwipsGeometry(Text1, platform::TwipsLeft(g) + g->ColPos(c),
                               platform::TwipsTop(g) + g->RowPos(r), g->ColWidth(c),
                               g->RowHeight(r));
    Text1->setText(g->TextMatrix(r, c));
    Text1->raise();
}

void GridCellEditor::selectAll() {
    Text1->setSelStart(0);
    Text1->setSelLength(999);
}

void GridCellEditor::gridClick(int n) {
    FlexGrid* g = grid(n);
    if (!IsEditable(n, g->Row(), g->Col())) {
        Hide();
        return;
    }
    placeOver(n);
    Text1->setVisible(true);
    Text1->setFocus();
    selectAll();
}

void GridCellEditor::gridKeyPress(int n, int& KeyAscii) {
    FlexGrid* g = grid(n);
    if (KeyAscii != 13 || !IsEditable(n, g->Row(), g->Col())) return;
    placeOver(n);
    Text1->setVisible(true);
    Text1->setFocus();  // the focus handler selects the text
}

void GridCellEditor::Text1_KeyPress(int& KeyAscii) {
    const int n = config_.currentGrid();
    if (KeyAscii == 27) {
        KeyAscii = 0;
        Hide();
        grid(n)->setFocus();
    } else if (KeyAscii == 13) {
        KeyAscii = 0;
        FlexGrid* g = grid(n);
        // Text that reached the box without a key release (pasted with the mouse, composed by
        // an input method) has not been copied yet: writing it is a change.
        const QString text = Text1->text();
        if (g->TextMatrix(g->Row(), g->Col()) != text) {
            g->setTextMatrix(g->Row(), g->Col(), text);
            config_.markChanged(n);
        }
        moveOnEnter(n);
        placeOver(n);
        Text1->setFocus();
        selectAll();
    }
}

void GridCellEditor::moveOnEnter(int n) {
    FlexGrid* g = grid(n);
    const int r = g->Row(), c = g->Col();
    if (config_.holdAt && config_.holdAt(n, r, c)) return;
    const int lastRow = config_.lastRow(n), lastCol = config_.lastCol(n);
    if (config_.order == EnterOrder::DownColumn) {
        if (r < lastRow) {
            g->setRow(r + 1);
        } else if (c < lastCol) {
            g->setCol(c + 1);
            g->setRow(1);
        }
    } else {
        if (c < lastCol) {
            g->setCol(c + 1);
        } else if (r < lastRow) {
            g->setRow(r + 1);
            g->setCol(config_.firstCol);
        }
    }
}

void GridCellEditor::Text1_KeyUp(int KeyCode, int /*Shift*/) {
    if (KeyCode == 27 || KeyCode == 13) return;
    const int n = config_.currentGrid();
    FlexGrid* g = grid(n);
    g->setTextMatrix(g->Row(), g->Col(), Text1->text());
    config_.markChanged(n);
}

void GridCellEditor::Text1_Edited(const QString& text) {
    const int n = config_.currentGrid();
    FlexGrid* g = grid(n);
    if (!Text1->isVisible() || boxRow_ < 0 || boxRow_ >= g->Rows() || boxCol_ >= g->Cols()) return;
    if (g->TextMatrix(boxRow_, boxCol_) == text) return;
    g->setTextMatrix(boxRow_, boxCol_, text);
    config_.markChanged(n);
}

void GridCellEditor::Text1_GotFocus() {
    // While the grid had the focus its arrow keys may have moved its current cell away from
    // the box; what is typed belongs to the cell under the box.
    FlexGrid* g = grid(config_.currentGrid());
    if (Text1->isVisible() && boxRow_ >= 0 && boxRow_ < g->Rows() && boxCol_ < g->Cols()) {
        if (g->Row() != boxRow_) g->setRow(boxRow_);
        if (g->Col() != boxCol_) g->setCol(boxCol_);
    }
    selectAll();
}

void GridCellEditor::clearGridData() {
    FlexGrid* g = grid(config_.currentGrid());
    for (int r = 1; r < g->Rows(); ++r)
        for (int c = config_.firstCol; c < g->Cols(); ++c) g->setTextMatrix(r, c, QString());
}

std::string GridCellEditor::fixDecimalPoint(const std::string& s, int row, int col, int n) const {
    const std::size_t p = s.find('.');
    std::string t = s;
    if (p == 0) {
        t = "0" + s;
    } else if (p != std::string::npos && p + 1 == s.size()) {
        t = s.substr(0, p);
    }
    if (t != s && n >= 1 && n <= static_cast<int>(grids_.size()))
        grid(n)->setTextMatrix(row, col, QString::fromStdString(t));
    return t;
}

bool GridCellEditor::checkNumberLength(const std::string& t) {
    // Characters, not bytes: a sign counts, and so would any other character.
    const QString text = QString::fromStdString(t);
    const int L = static_cast<int>(text.size());
    const int p = static_cast<int>(text.indexOf('.')) + 1;
    if (p == 0 && L > 15) return false;
    if (p > 0 && L > 16) return false;
    if (p > 15) return false;
    if (p > 0 && L - p > 2) return false;
    return true;
}

bool GridCellEditor::IsPlainNumber(const std::string& s) {
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    bool digit = false, point = false;
    for (; i < s.size(); ++i) {
        if (s[i] >= '0' && s[i] <= '9') {
            digit = true;
        } else if (s[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

double GridCellEditor::StoredValue(const std::string& t) {
    std::size_t i = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
    const std::size_t point = t.find('.', i);
    auto digits = [&](std::size_t from, std::size_t to) {
        if (from >= to) return false;
        for (std::size_t k = from; k < to; ++k)
            if (t[k] < '0' || t[k] > '9') return false;
        return true;
    };
    const bool ok = point == std::string::npos
                        ? digits(i, t.size())
                        : (point == i || digits(i, point)) && digits(point + 1, t.size());
    if (!ok || !checkNumberLength(t)) throw platform::RuntimeError("'" + t + "'不是可以保存的数字");
    double value = 0;
    std::from_chars(t.data() + i, t.data() + t.size(), value);
    return t[0] == '-' && value != 0 ? -value : value;  // "-0" stores 0, as typed without sign
}
