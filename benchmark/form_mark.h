// The benchmark settings form: for every indicator of indicatorItem, the six benchmark levels
// and the weight that the composite capability scoring reads. One grid per capability group
// under a tab strip; cells are typed in place through the shared cell editor, a group is saved
// after its validation in one transaction, reverted from the database, or offered for saving
// when the form closes.
#pragma once

#include <QPushButton>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "entry/GridCellEditor.h"
#include "platform/storage/Database.h"
#include "platform/FlexGrid.h"
#include "platform/Form.h"
#include "platform/TabStrip.h"
#include "platform/TextBox.h"

class QFrame;

class form_mark : public platform::Form {
    Q_OBJECT
  public:
    static constexpr int kGroups = 4;
    static constexpr int kCols = 11;  // id, number, name, unit, six levels, weight

    explicit form_mark(QWidget* parent = nullptr);

    // Group numbers n are 1 to 4: Category n of indicatorItem, tab n, grid MSFGData<n>.
    int curTab() const { return curTab_; }
    int gridState(int n) const { return gridState_.at(n - 1); }
    int groupRows(int n) const { return groupRows_.at(n - 1); }
    platform::FlexGrid* grid(int n) const { return MSFGData.at(n - 1); }

    // Validates every level and weight cell of group n before it is saved: numbers in the
    // stored width, no level of 0, the non-zero weights summing to 100. Normalises ".5" and
    // "5." and sets empty weights to "0" on the way; the first failure is shown ("错误") and
    // gives false.
    bool checkData(int n);
    // Shows grid n (any value other than 1 to 3 shows grid 4) and hides the others.
    void showGrid(int group);

    // Controls.
    platform::TabStrip* tbsOptions;
    std::array<platform::FlexGrid*, kGroups> MSFGData;  // MSFGData1 to MSFGData4
    platform::TextBox* Text1;
    GridCellEditor* editor;
    QPushButton* cmdSave;
    QPushButton* cmdCancel;
    QPushButton* cmdClose;
    QFrame* Line1;

  protected:
    void Form_Load() override;

  private:
    // One indicator row as the grid shows it.
    using TableRow = std::array<std::string, kCols>;

    void createControls();
    void tbsOptions_Click();
    void cmdSave_Click();
    void cmdCancel_Click();
    void cmdClose_Click();

    // Group n's indicators in ItemId order, at most `limit` of them.
    static std::vector<TableRow> readRows(platform::Connection& conn, int n,
                                          std::size_t limit = SIZE_MAX);
    // Header and rows of grid n: the header row, then one row per table row.
    void initGrid(int n, const std::vector<TableRow>& table);
    // Writes every indicator row of grid n in one transaction; false (after the message)
    // when nothing was written.
    bool saveData(int n);
    // The write itself; a failure throws and leaves the rows as they were.
    void writeGroup(int n);

    int curTab_ = 1;
    std::array<int, kGroups> gridState_{1, 1, 1, 1};
    std::array<int, kGroups> groupRows_{1, 1, 1, 1};
};
