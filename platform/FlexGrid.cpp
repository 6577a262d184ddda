#include "platform/FlexGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <stdexcept>
#include <string>

#include "platform/FittedFont.h"
#include "platform/Form.h"
#include "platform/Runtime.h"
#include "platform/TextBox.h"

namespace platform {
namespace {

const QColor kFixedBack(212, 208, 200);
const QColor kFixedLine(128, 128, 128);
const QColor kCellLine(192, 192, 192);

// Wrapped text in a cell lower than the font's own line spacing needs (two lines of a Chinese
// font with a generous line gap in a two-line row): the lines are stacked by the height their
// glyphs really take, so that none is cut by the row line.
void drawPackedLines(QPainter& p, const QRect& inner, const QString& text) {
    QTextLayout layout(text, p.font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(inner.width());
        lines << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    const QFontMetrics fm(p.font());
    int above = 0, below = 0;  // ink extent around the baseline
    for (const QString& line : lines) {
        const QRect ink = fm.tightBoundingRect(line);
        above = std::min(above, ink.top());
        below = std::max(below, ink.bottom());
    }
    const int pitch = below - above + 1;
    const int blockTop = inner.top() + (inner.height() - pitch * int(lines.size())) / 2;
    for (int i = 0; i < lines.size(); ++i)
        p.drawText(QPointF(inner.left(), blockTop + i * pitch - above), lines[i]);
}

// A one-line text or number a little wider than its cell, as the faces standing in for the
// Windows ones run a few pixels wider than those, is drawn in a size small enough to show whole
// rather than cut. False when even the smallest size tried is too wide.
bool drawFitted(QPainter& p, const QRect& inner, int flags, const QString& text) {
    const std::optional<QFont> font = FittedFont(p.font(), text, inner.width(), 85, p.device());
    if (!font) return false;
    p.save();
    p.setFont(*font);
    p.drawText(inner, flags & ~Qt::TextWordWrap, text);
    p.restore();
    return true;
}

// Raises std::out_of_range named after the property unless 0 <= index < count.
void checkIndex(int index, int count, const char* property) {
    if (index < 0 || index >= count) throw std::out_of_range(property);
}

}  // namespace

FlexGrid::FlexGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    text_.assign(rows_, std::vector<QString>(cols_));
    colWidth_.assign(cols_, -1);
    rowHeight_.assign(rows_, -1);
}

void FlexGrid::setRows(int rows) {
    if (rows < 0) throw std::out_of_range("Rows");
    rows_ = rows;
    text_.resize(rows, std::vector<QString>(cols_));
    rowHeight_.resize(rows, -1);
    if (fixedRows_ > rows) fixedRows_ = rows;
    row_ = std::min(row_, std::max(0, rows - 1));
    updateScrollBars();
    viewport()->update();
}

void FlexGrid::setCols(int cols) {
    if (cols < 0) throw std::out_of_range("Cols");
    cols_ = cols;
    for (auto& r : text_) r.resize(cols);
    colWidth_.resize(cols, -1);
    if (fixedCols_ > cols) fixedCols_ = cols;
    col_ = std::min(col_, std::max(0, cols - 1));
    updateScrollBars();
    viewport()->update();
}

void FlexGrid::setFixedRows(int n) {
    if (n < 0 || (n >= rows_ && n > 0)) throw std::out_of_range("FixedRows");
    fixedRows_ = n;
    if (row_ < n) row_ = n;
    updateScrollBars();
    viewport()->update();
}

void FlexGrid::setFixedCols(int n) {
    if (n < 0 || (n >= cols_ && n > 0)) throw std::out_of_range("FixedCols");
    fixedCols_ = n;
    if (col_ < n) col_ = n;
    updateScrollBars();
    viewport()->update();
}

void FlexGrid::checkCell(int row, int col) const {
    if (row < 0 || row >= rows_ || col < 0 || col >= cols_)
        throw std::out_of_range("grid cell (" + std::to_string(row) + ", " + std::to_string(col) +
                                ") out of range");
}

QString FlexGrid::TextMatrix(int row, int col) const {
    checkCell(row, col);
    return text_[row][col];
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text) {
    checkCell(row, col);
    if (text_[row][col] == text) return;
    text_[row][col] = text;
    viewport()->update();
}

void FlexGrid::Clear() {
    for (auto& r : text_)
        for (auto& t : r) t.clear();
    viewport()->update();
}

int FlexGrid::ColWidth(int col) const {
    checkIndex(col, cols_, "ColWidth");
    return colWidth_[col] < 0 ? kDefaultColWidth : colWidth_[col];
}

void FlexGrid::setColWidth(int col, int twips) {
    checkIndex(col, cols_, "ColWidth");
    colWidth_[col] = std::max(0, twips);
    updateScrollBars();
    viewport()->update();
}

int FlexGrid::RowHeight(int row) const {
    checkIndex(row, rows_, "RowHeight");
    return rowHeight_[row] < 0 ? kDefaultRowHeight : rowHeight_[row];
}

void FlexGrid::setRowHeight(int row, int twips) {
    checkIndex(row, rows_, "RowHeight");
    rowHeight_[row] = std::max(0, twips);
    updateScrollBars();
    viewport()->update();
}

int FlexGrid::colPx(int col) const {
    return TwipsToPixels(ColWidth(col));
}
int FlexGrid::rowPx(int row) const {
    return TwipsToPixels(RowHeight(row));
}

int FlexGrid::fixedWidthPx() const {
    int w = 0;
    for (int c = 0; c < fixedCols_; ++c) w += colPx(c);
    return w;
}

int FlexGrid::fixedHeightPx() const {
    int h = 0;
    for (int r = 0; r < fixedRows_; ++r) h += rowPx(r);
    return h;
}

int FlexGrid::colX(int col) const {
    int x = 0;
    for (int c = 0; c < col; ++c) x += colPx(c);
    return col < fixedCols_ ? x : x - horizontalScrollBar()->value();
}

int FlexGrid::rowY(int row) const {
    int y = 0;
    for (int r = 0; r < row; ++r) y += rowPx(r);
    return row < fixedRows_ ? y : y - verticalScrollBar()->value();
}

int FlexGrid::ColPos(int col) const {
    checkIndex(col, cols_, "ColPos");
    return PixelsToTwips(viewport()->x() + colX(col));
}

int FlexGrid::RowPos(int row) const {
    checkIndex(row, rows_, "RowPos");
    return PixelsToTwips(viewport()->y() + rowY(row));
}

void FlexGrid::setRow(int row) {
    checkIndex(row, rows_, "Row");
    row_ = row;
    rowSelected_ = false;
    viewport()->update();
}

void FlexGrid::setCol(int col) {
    checkIndex(col, cols_, "Col");
    col_ = col;
    rowSelected_ = false;
    viewport()->update();
}

int FlexGrid::hitCol(int x) const {
    const int fixedW = fixedWidthPx();
    for (int c = 0; c < cols_; ++c) {
        const int w = colPx(c);
        if (w == 0) continue;
        const int left = colX(c);
        if (x >= left && x < left + w && (c < fixedCols_ || x >= fixedW)) return c;
    }
    return -1;
}

int FlexGrid::hitRow(int y) const {
    const int fixedH = fixedHeightPx();
    for (int r = 0; r < rows_; ++r) {
        const int h = rowPx(r);
        if (h == 0) continue;
        const int top = rowY(r);
        if (y >= top && y < top + h && (r < fixedRows_ || y >= fixedH)) return r;
    }
    return -1;
}

bool FlexGrid::CellAt(const QPoint& point, int& row, int& col) const {
    const QPoint v = point - viewport()->pos();
    row = hitRow(v.y());
    col = hitCol(v.x());
    return row >= 0 && col >= 0;
}

bool FlexGrid::cellAtViewport(const QPoint& point, int& row, int& col) const {
    return CellAt(point + viewport()->pos(), row, col);
}

void FlexGrid::updateScrollBars() {
    int totalW = 0, totalH = 0;
    for (int c = fixedCols_; c < cols_; ++c) totalW += colPx(c);
    for (int r = fixedRows_; r < rows_; ++r) totalH += rowPx(r);
    // The room for the scrolling part, with a bar only where the cells need one (a bar taken
    // by one direction can make the other need one too).
    const QSize full = maximumViewportSize();
    int roomW = full.width() - fixedWidthPx(), roomH = full.height() - fixedHeightPx();
    bool needH = false, needV = false;
    for (int pass = 0; pass < 2; ++pass) {
        if (!needH && totalW > roomW)
            needH = true, roomH -= horizontalScrollBar()->sizeHint().height();
        if (!needV && totalH > roomH)
            needV = true, roomW -= verticalScrollBar()->sizeHint().width();
    }
    horizontalScrollBar()->setRange(0, std::max(0, totalW - roomW));
    horizontalScrollBar()->setPageStep(std::max(1, roomW));
    horizontalScrollBar()->setSingleStep(TwipsToPixels(kDefaultColWidth) / 2);
    verticalScrollBar()->setRange(0, std::max(0, totalH - roomH));
    verticalScrollBar()->setPageStep(std::max(1, roomH));
    verticalScrollBar()->setSingleStep(TwipsToPixels(kDefaultRowHeight));
}

void FlexGrid::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
}

void FlexGrid::ensureVisible(int row, int col) {
    const QSize vp = viewport()->size();
    if (col >= fixedCols_) {
        const int left = colX(col), right = left + colPx(col);
        QScrollBar* h = horizontalScrollBar();
        if (left < fixedWidthPx())
            h->setValue(h->value() - (fixedWidthPx() - left));
        else if (right > vp.width())
            h->setValue(h->value() + std::min(right - vp.width(), left - fixedWidthPx()));
    }
    if (row >= fixedRows_) {
        const int top = rowY(row), bottom = top + rowPx(row);
        QScrollBar* v = verticalScrollBar();
        if (top < fixedHeightPx())
            v->setValue(v->value() - (fixedHeightPx() - top));
        else if (bottom > vp.height())
            v->setValue(v->value() + std::min(bottom - vp.height(), top - fixedHeightPx()));
    }
}

void FlexGrid::paintCell(QPainter& p, int row, int col, const QRect& rect) const {
    const bool fixed = row < fixedRows_ || col < fixedCols_;
    const bool selected = !fixed && rowSelected_ && row == row_;
    p.fillRect(rect, fixed      ? kFixedBack
                     : selected ? palette().color(QPalette::Highlight)
                                : palette().color(QPalette::Base));
    p.setPen(fixed ? kFixedLine : kCellLine);
    p.drawLine(rect.topRight(), rect.bottomRight());
    p.drawLine(rect.bottomLeft(), rect.bottomRight());
    const QString& t = text_[row][col];
    if (!t.isEmpty()) {
        p.setPen(selected ? palette().color(QPalette::HighlightedText) : QColor(Qt::black));
        // Numbers stand right-aligned in the body, texts left-aligned.
        const bool number = !fixed && IsNumeric(t.toStdString());
        const QRect inner = rect.adjusted(2, 0, -3, -1);
        const int flags =
            Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft | Qt::TextWordWrap);
        const QFontMetrics fm = p.fontMetrics();
        // Texts wrap inside a cell tall enough for more lines.
        const bool multiLine = !number && inner.height() >= 2 * fm.height() * 3 / 4;
        const bool fitted =
            !multiLine && fm.horizontalAdvance(t) > inner.width() && drawFitted(p, inner, flags, t);
        if (!fitted) {
            // A number still too wide shows "…" for the digits cut off: its right end alone
            // would read as another number.
            const QString shown = number ? fm.elidedText(t, Qt::ElideLeft, inner.width()) : t;
            if (multiLine && p.boundingRect(inner, flags, shown).height() > inner.height())
                drawPackedLines(p, inner, shown);
            else
                p.drawText(inner, flags, shown);
        }
    }
    if (!fixed && row == row_ && col == col_ && hasFocus()) {
        QPen pen(Qt::black, 1, Qt::DotLine);
        p.setPen(pen);
        p.drawRect(rect.adjusted(1, 1, -2, -2));
    }
}

void FlexGrid::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QSize vp = viewport()->size();
    const int fixedW = fixedWidthPx(), fixedH = fixedHeightPx();
    // Four regions, each clipped: body, fixed rows, fixed columns, corner.
    auto region = [&](bool fixedRowPart, bool fixedColPart) {
        const QRect clip(fixedColPart ? 0 : fixedW, fixedRowPart ? 0 : fixedH,
                         fixedColPart ? fixedW : vp.width() - fixedW,
                         fixedRowPart ? fixedH : vp.height() - fixedH);
        if (clip.isEmpty()) return;
        p.setClipRect(clip);
        const int r0 = fixedRowPart ? 0 : fixedRows_, r1 = fixedRowPart ? fixedRows_ : rows_;
        const int c0 = fixedColPart ? 0 : fixedCols_, c1 = fixedColPart ? fixedCols_ : cols_;
        for (int r = r0; r < r1; ++r) {
            const int h = rowPx(r), y = rowY(r);
            if (h == 0 || y >= vp.height() || y + h <= 0) continue;
            for (int c = c0; c < c1; ++c) {
                const int w = colPx(c), x = colX(c);
                if (w == 0 || x >= vp.width() || x + w <= 0) continue;
                paintCell(p, r, c, QRect(x, y, w, h));
            }
        }
    };
    region(false, false);
    region(true, false);
    region(false, true);
    region(true, true);
}

void FlexGrid::mousePressEvent(QMouseEvent* e) {
    pressedOnCell_ = false;
    if (e->button() != Qt::LeftButton) return;
    int r, c;
    // Mouse events of a scroll area come in viewport coordinates.
    if (!cellAtViewport(e->position().toPoint(), r, c)) return;
    pressedOnCell_ = true;
    if (r < fixedRows_) {
        row_ = r;
        col_ = c < fixedCols_ ? std::min(fixedCols_, cols_ - 1) : c;
        rowSelected_ = false;
    } else if (c < fixedCols_) {
        row_ = r;
        col_ = std::min(fixedCols_, cols_ - 1);
        rowSelected_ = true;
    } else {
        row_ = r;
        col_ = c;
        rowSelected_ = false;
    }
    viewport()->update();
}

void FlexGrid::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !pressedOnCell_) return;
    pressedOnCell_ = false;
    emit Click();
}

void FlexGrid::moveCurrent(int dRow, int dCol) {
    // Moves |d| visible cells in the direction of d (or as far as possible); hidden rows and
    // columns are passed over.
    auto step = [](int pos, int d, int lo, int hi, auto size) {
        const int dir = d < 0 ? -1 : 1;
        int left = d < 0 ? -d : d;
        for (int n = pos + dir; left > 0 && n >= lo && n < hi; n += dir)
            if (size(n) > 0) pos = n, --left;
        return pos;
    };
    if (dRow != 0)
        row_ = step(std::max(row_, fixedRows_), dRow, fixedRows_, rows_,
                    [this](int r) { return rowPx(r); });
    if (dCol != 0)
        col_ = step(std::max(col_, fixedCols_), dCol, fixedCols_, cols_,
                    [this](int c) { return colPx(c); });
    rowSelected_ = false;
    ensureVisible(row_, col_);
    viewport()->update();
}

void FlexGrid::keyPressEvent(QKeyEvent* e) {
    const int big = std::max(rows_, cols_);
    switch (e->key()) {
        case Qt::Key_Up:
            moveCurrent(-1, 0);
            return;
        case Qt::Key_Down:
            moveCurrent(1, 0);
            return;
        case Qt::Key_Left:
            moveCurrent(0, -1);
            return;
        case Qt::Key_Right:
            moveCurrent(0, 1);
            return;
        case Qt::Key_Home:
            moveCurrent(0, -big);
            return;
        case Qt::Key_End:
            moveCurrent(0, big);
            return;
        case Qt::Key_PageUp:
            moveCurrent(-big, 0);
            return;
        case Qt::Key_PageDown:
            moveCurrent(big, 0);
            return;
        default:
            break;
    }
    const int ascii = KeyAsciiOf(e);
    if (ascii == 0 || ascii == 9) {
        e->ignore();
        return;
    }
    int KeyAscii = ascii;
    emit KeyPress(KeyAscii);
    e->accept();
}

}  // namespace platform
