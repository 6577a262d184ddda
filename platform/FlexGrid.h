// The grid control: a table of text cells with fixed (header) rows and columns that stay in
// place while the rest scrolls. Column widths and row heights are in twips; a width or height
// of 0 hides the column or row. The grid never edits its cells: forms lay their own editor
// over a cell using ColPos/RowPos.
//
// Current cell: a click on a cell makes it current; a click in a row's fixed columns selects
// the whole row and puts the current column on the first non-fixed column; a click on a fixed
// (header) row leaves the current row on that row (0). The arrow keys move the current cell
// over the non-fixed cells. Click is raised on the mouse release after a click on a cell;
// KeyPress for Enter (13), Esc (27), Backspace (8) and typed characters.
#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <vector>

namespace platform {

class FlexGrid : public QAbstractScrollArea {
    Q_OBJECT
  public:
    static constexpr int kDefaultColWidth = 900;   // twips
    static constexpr int kDefaultRowHeight = 240;  // twips

    explicit FlexGrid(QWidget* parent = nullptr);

    int Rows() const { return rows_; }
    int Cols() const { return cols_; }
    // Cells keep their texts when the grid grows; the current cell stays inside the grid.
    void setRows(int rows);
    void setCols(int cols);
    int FixedRows() const { return fixedRows_; }
    int FixedCols() const { return fixedCols_; }
    // Must be less than Rows / Cols.
    void setFixedRows(int n);
    void setFixedCols(int n);

    // Out-of-range cells raise std::out_of_range.
    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);
    void Clear();  // every cell's text

    int ColWidth(int col) const;
    void setColWidth(int col, int twips);
    int RowHeight(int row) const;
    void setRowHeight(int row, int twips);
    // The left edge of a column / top edge of a row inside the grid (frame included), in twips,
    // as the cell stands now (scrolled cells move).
    int ColPos(int col) const;
    int RowPos(int row) const;

    int Row() const { return row_; }
    int Col() const { return col_; }
    void setRow(int row);
    void setCol(int col);

    // The cell under a point of the grid (pixels, grid coordinates); false when none.
    bool CellAt(const QPoint& point, int& row, int& col) const;
    // Scrolls the least needed to bring a cell into view, as the arrow keys do.
    void ShowCell(int row, int col) { ensureVisible(row, col); }

  signals:
    void Click();
    void KeyPress(int& KeyAscii);

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    void checkCell(int row, int col) const;
    bool cellAtViewport(const QPoint& point, int& row, int& col) const;
    int colPx(int col) const;
    int rowPx(int row) const;
    int fixedWidthPx() const;
    int fixedHeightPx() const;
    // Left / top of a cell in viewport pixels.
    int colX(int col) const;
    int rowY(int row) const;
    int hitCol(int x) const;
    int hitRow(int y) const;
    void updateScrollBars();
    void ensureVisible(int row, int col);
    void moveCurrent(int dRow, int dCol);
    void paintCell(class QPainter& p, int row, int col, const QRect& rect) const;

    int rows_ = 2;
    int cols_ = 2;
    int fixedRows_ = 1;
    int fixedCols_ = 1;
    int row_ = 1;
    int col_ = 1;
    bool rowSelected_ = false;
    bool pressedOnCell_ = false;
    std::vector<std::vector<QString>> text_;
    std::vector<int> colWidth_;   // twips, -1 = default
    std::vector<int> rowHeight_;  // twips, -1 = default
};

}  // namespace platform
