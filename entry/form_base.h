// The base data entry form: the four statements of a period range in four grids on a tab
// strip, one statement per tab, items as rows and periods as columns, filled from baseData.
// Amounts are typed through the floating cell editor; a range of 9 to 12 periods is shown in
// two overlapping pages of eight period columns. A statement is saved for the displayed range
// after a completeness question, the number check and, for the balance sheet and the
// cash-flow statement, the accounting identities.
#pragma once

#include <QPushButton>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/CCalendar.h"
#include "entry/GridCellEditor.h"
#include "entry/PeriodRangePanel.h"
#include "entry/StatementData.h"
#include "platform/FlexGrid.h"
#include "platform/Form.h"
#include "platform/TabStrip.h"
#include "platform/TextBox.h"

struct AccountingIdentity;

class form_base : public platform::Form {
    Q_OBJECT
  public:
    static constexpr int kGrids = 4;
    static constexpr int kPeriodLimit = 12;

    explicit form_base(QWidget* parent = nullptr);
    ~form_base() override;

    // One statement line as the grid shows it.
    using GridItem = StatementLine;

    // State of the displayed range; grid numbers n are 1 to 4.
    int currentTab() const { return currentTab_; }
    int gridState(int n) const { return gridState_.at(n - 1); }
    int gridPage(int n) const { return gridPage_.at(n - 1); }
    int usedRows(int n) const { return usedRows_.at(n - 1); }
    int usedCols(int n) const { return usedCols_.at(n - 1); }
    int periodCount() const { return periodCount_; }
    const PeriodRange& range() const { return range_; }
    const std::vector<PeriodRow>& periodTable() const { return periodTable_; }
    platform::FlexGrid* grid(int n) const { return MSFGData.at(n - 1); }

    // The number check of a whole grid before it is saved: every editable cell blank or a
    // number within the stored width. Reports the first failing cell ("错误") and hides the
    // editor; points are normalised in the cells on the way.
    bool checkData(int n);
    // Reads statement n from baseData into its grid over the displayed range.
    void loadGridData(int n);
    void updatePeriodPaging();

    // Controls.
    platform::TabStrip* tbsOptions;
    std::array<platform::FlexGrid*, kGrids> MSFGData;  // MSFGData1 to MSFGData4
    platform::TextBox* Text1;
    PeriodRangePanel* panel;
    GridCellEditor* editor;
    QPushButton* cmdDo;
    QPushButton* cmdSave;
    QPushButton* cmdCancel;
    QPushButton* cmdClose;
    QPushButton* cmd_prev;
    QPushButton* cmd_Next;

  protected:
    void Form_Load() override;
    // Seen before the focused control gets the key; true when the key was used here.
    bool Form_KeyDown(int KeyCode, int Shift);
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum class Outcome { Skipped, Holds, Fails };

    void createControls();
    void cmdDo_Click();
    void tbsOptions_Click();
    void cmd_prev_Click();
    void cmd_Next_Click();
    void cmdSave_Click();
    void cmdCancel_Click();
    void cmdClose_Click();
    void showPage(int page);
    // Offers each changed statement for saving before another range is shown or the form
    // closes; false (a declined warning, a failed check or a failed write) stops the action.
    bool promptSaveChanges();
    // Number check, write and "数据保存成功！"; false when nothing was written.
    bool saveData(int n);
    // Replaces statement n's stored amounts over the displayed range with the grid's, in one
    // transaction. A failure is shown ("错误") and leaves the database, the grid and its state
    // as they were.
    bool writeStatement(int n);
    // The write itself; a failure throws and the transaction leaves the rows as they were.
    void replaceStoredAmounts(int n);

    // The checks before a save of grid n: completeness, numbers, identities; true when the
    // grid may be saved.
    bool checkBeforeSave(int n);
    bool isGridComplete(int n) const;
    bool checkIdentity(const AccountingIdentity& identity);
    // Asks, period by period, about each column where the identity fails, until a No.
    void reportIdentity(const AccountingIdentity& identity);
    Outcome testColumn(const AccountingIdentity& identity, int period);
    // A cell read as an amount: blank gives nothing, other text its leading number.
    std::optional<double> cellAmount(int n, int row, int col) const;
    // The stored amount of grid n's row item in the period before the displayed range.
    std::optional<double> storedAmountBeforeRange(int n, int row) const;

    void initGrid(int n, const std::vector<std::string>& periodLabels);
    void fillGridItems(int n);
    void loadGridData(int n, platform::Connection& conn);
    void showGrid(int tab);
    void resetGrids();

    int currentTab_ = 1;
    std::array<int, kGrids> gridState_{};
    std::array<int, kGrids> gridPage_{1, 1, 1, 1};
    std::array<int, kGrids> usedRows_{};
    std::array<int, kGrids> usedCols_{};
    std::array<std::vector<GridItem>, kGrids> gridItems_;
    PeriodRange range_;
    int periodCount_ = 0;
    std::vector<std::string> periodLabels_;
    std::vector<PeriodRow> periodTable_;
};
