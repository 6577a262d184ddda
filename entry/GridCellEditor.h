// In-cell editing of a window's grids through one floating text box (Text1) laid over the
// cell being edited. A click or Enter on an editable cell opens the box there; Enter in the
// box stores its text and moves on in the window's order; Esc hides it and keeps what was
// typed; every other key released in the box copies the text into the cell and marks the grid
// changed, and so does any change of the text by the user (paste, input method, drop). Values are
// tested only by the window's whole-grid check, with the number rules below.
#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "platform/FlexGrid.h"
#include "platform/TextBox.h"

class GridCellEditor : public QObject {
    Q_OBJECT
  public:
    enum class EnterOrder {
        DownColumn,  // after the last editable row to row 1 of the next column
        AlongRow,    // after the last editable column to the first one of the next row
    };

    struct Config {
        EnterOrder order = EnterOrder::DownColumn;
        int firstCol = 4;  // first editable column; rows start at 1
        // Last editable row / column of grid n (1-based); below 1 / firstCol nothing is
        // editable.
        std::function<int(int n)> lastRow;
        std::function<int(int n)> lastCol;
        // The grid whose tab is selected (1-based).
        std::function<int()> currentGrid;
        // Marks grid n changed.
        std::function<void(int n)> markChanged;
        // Optional: true where Enter must not move on from cell (row, col) of grid n.
        std::function<bool(int n, int row, int col)> holdAt;
    };

    // grids[0] is grid 1. The editor connects itself to the grids' and the box's events and
    // gives the box its look.
    GridCellEditor(platform::TextBox* Text1, std::vector<platform::FlexGrid*> grids, Config config);

    platform::TextBox* box() const { return Text1; }
    platform::FlexGrid* grid(int n) const { return grids_.at(n - 1); }
    bool IsEditable(int n, int row, int col) const;
    void Hide();

    // Blanks rows 1.. and columns firstCol.. of the current grid (its whole size); the header
    // row and the fixed columns keep their texts.
    void clearGridData();

    // The point normaliser: ".5" -> "0.5", "12." -> "12"; a changed text is also written into
    // cell (row, col) of grid n.
    std::string fixDecimalPoint(const std::string& s, int row, int col, int n) const;

    // True when a number text fits the stored number width: at most 15 characters without a
    // point, at most 16 with one, the point at position 15 or earlier, at most two characters
    // after it.
    static bool checkNumberLength(const std::string& t);
    // An optional sign, digits and at most one point, with a digit somewhere ("12.", ".5",
    // "-3"). Thousands separators and exponents are refused: the save writes the text as the
    // amount itself.
    static bool IsPlainNumber(const std::string& s);
    // The number a save stores for a checked cell text: an optional sign, then digits with an
    // optional point and digits, or a point and digits; within the stored width ("-0" is 0).
    // Any other text raises platform::RuntimeError naming it.
    static double StoredValue(const std::string& t);

  private:
    void gridClick(int n);
    void gridKeyPress(int n, int& KeyAscii);
    void Text1_KeyPress(int& KeyAscii);
    void Text1_KeyUp(int KeyCode, int Shift);
    void Text1_GotFocus();
    void Text1_Edited(const QString& text);
    // Lays the box over the current cell of grid n and fills it with the cell's text.
    void placeOver(int n);
    void selectAll();
    void moveOnEnter(int n);

    platform::TextBox* Text1;
    std::vector<platform::FlexGrid*> grids_;
    Config config_;
    // The cell the box was last laid over.
    int boxRow_ = -1;
    int boxCol_ = -1;
};
