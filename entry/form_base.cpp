#include "entry/form_base.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <cctype>
#include <charconv>
#include <cmath>

#include "core/CBaseData.h"
#include "entry/SaveChangesPrompt.h"
#include "platform/storage/Database.h"
#include "platform/EventGuard.h"
#include "platform/FormHelpers.h"
#include "platform/MsgBox.h"
#include "platform/QtText.h"
#include "platform/Runtime.h"

using platform::FlexGrid;
using platform::MakeControl;

// One accounting identity between cells of a period column: left <relation> the sum of the
// right cells. A blank left cell skips the column; a blank right cell skips it when required,
// otherwise counts 0.
struct AccountingIdentity {
    enum class Relation { Greater, Equal };
    struct Cell {
        int grid;
        int row;
        double sign = 1;
        bool required = false;
        // The cell of the period before; for the first period, the stored amount.
        bool previous = false;
    };
    int grid;  // the statement whose save runs the check and whose captions its report names
    Cell left;
    Relation relation;
    std::vector<Cell> right;
    const char* ignoreQuestion;
    const char* reportText;
};

namespace {

constexpr int kFormWidth = 11900;
constexpr int kFormHeight = 7800;
constexpr int kGridCols = 16;
constexpr int kPeriodColWidth = 1150;
constexpr int kItemRowHeight = 250;
constexpr int kPageSize = 8;  // period columns on one page

struct StatementLayout {
    const char* caption;
    const char* key;
    int rows;
    int col1Width;
    int col2Width;
};
const std::array<StatementLayout, form_base::kGrids> kStatements{{
    {"资产负债表", "grpZichan", 14, 400, 1500},
    {"利润表", "grpSunyi", 14, 280, 1740},
    {"现金流量表", "grpXianjin", 12, 300, 1680},
    {"统计报表", "grpTongji", 14, 360, 1620},
}};

const char* const kInsertSql =
    "insert into baseData(ItemID,PeriodType,Year,Period,Data) values(?,?,?,?,?)";

// The longest leading part of the text that forms a decimal number ("12abc" reads 12, "1e3"
// 1000); 0 when there is none.
double LeadingNumber(const std::string& s) {
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    if (i == s.size() || !(std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.')) return 0;
    const bool negative = i == 1 && s[0] == '-';
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), value);
    if (ec != std::errc() || end == s.data() + i) return 0;
    return negative ? -value : value;
}

// Amounts carry at most two decimals, so the identities compare whole cents: 0.1 + 0.2 is
// 0.30 and balances against 0.3, where the sum of the doubles alone is a hair off.
double Cents(double amount) {
    return std::nearbyint(amount * 100.0);
}

using Relation = AccountingIdentity::Relation;

// The five identities in the order they are checked.
const AccountingIdentity kIdentities[] = {
    // checkCurrentAssets: 流动资产 > 货币资金 + 短期投资 + 应收帐款 + 存货
    {1,
     {1, 5},
     Relation::Greater,
     {{1, 1}, {1, 2}, {1, 3}, {1, 4}},
     "'货币资金+短期投资+应收帐款+存货 < 流动资产'不成立，是否忽略？",
     "'的'货币资金＋短期存款＋应收账款＋存货 < 流动资产'不成立，是否继续检测？"},
    // checkFixedAssets: 固定资产原值 > 固定资产净值
    {1,
     {1, 6},
     Relation::Greater,
     {{1, 7, 1, true}},
     "'固定资产原值 > 固定资产净值'不成立，是否忽略？",
     "'的'固定资产原值 > 固定资产净值'不成立，是否继续检测？"},
    // checkTotalAssetsCover: 资产总额 > 流动资产 + 固定资产净值
    {1,
     {1, 8},
     Relation::Greater,
     {{1, 5}, {1, 7}},
     "'资产总额 > 流动资产+固定资产净值'不成立，是否忽略？",
     "'的'资产总额 > 流动资产＋固定资产'不成立，是否继续检测？"},
    // checkBalanceIdentity: 资产总额 = 负债总额 + 所有者权益
    {1,
     {1, 8},
     Relation::Equal,
     {{1, 10}, {1, 12}},
     "'资产总额 = 负债总额+所有者权益'不成立，是否忽略？",
     "'的'资产总额＝负债总额＋所有者权益'不成立，是否继续检测？"},
    // checkCashIncrease: 现金及现金等价物净增加值 = 货币资金(本期) - 货币资金(上期)
    {3,
     {3, 4},
     Relation::Equal,
     {{1, 1, 1, true}, {1, 1, -1, true, true}},
     "'现金及现金等价物净增加值(本期) = 货币资金(本期)－货币资金(上期)'不成立，是否忽略？",
     "'的'现金及现金等价物净增加值(本期) = 货币资金(本期)－货币资金(上期)'不成立，"
     "是否继续检测?"},
};

// The last period of a year, the one before period 1: any type beyond the quarter counts months.
int LastPeriodOfYear(int periodType) {
    switch (periodType) {
        case 1:
            return 1;
        case 2:
            return 2;
        case 3:
            return 4;
        default:
            return 12;
    }
}

}  // namespace

form_base::form_base(QWidget* parent) : Form("form_base", parent) {
    setCaption("基础数据");
    createControls();
    qApp->installEventFilter(this);
}

form_base::~form_base() {
    qApp->removeEventFilter(this);
}

void form_base::createControls() {
    auto label = [this](const char* text, int left, int top, int width, int height) {
        QLabel* l = MakeControl<QLabel>(this, QString(), left, top, width, height);
        l->setText(text);
        return l;
    };
    auto button = [this](const char* name, const char* caption, int left, int top, int width,
                         void (form_base::*click)()) {
        return platform::MakeButton(this, name, caption, left, top, width, 390,
                                    [this, click] { (this->*click)(); });
    };

    label("周期：", 240, 210, 600, 300);
    label("时间：", 2160, 210, 600, 300);
    label("到  ：", 5280, 210, 600, 300);
    PeriodRangePanel::Layout layout{
        .serial = QRect(840, 180, 1100, 360),
        .fromYear = QRect(2760, 180, 800, 360),
        .fromPeriod = QRect(3660, 180, 1400, 360),
        .toYear = QRect(5880, 180, 800, 360),
        .toPeriod = QRect(6780, 180, 1400, 360),
    };
    panel =
        new PeriodRangePanel(this, PeriodRangePanel::Config::Range(kPeriodLimit, "错误"), layout);
    cmdDo = button("cmdDo", "显示数据", 8520, 165, 1300, &form_base::cmdDo_Click);

    tbsOptions = MakeControl<platform::TabStrip>(this, "tbsOptions", 0, 720, kFormWidth, 4560);
    for (const auto& s : kStatements) tbsOptions->Add(s.caption, s.key);
    for (int n = 1; n <= kGrids; ++n) {
        MSFGData[n - 1] =
            MakeControl<FlexGrid>(this, QString("MSFGData%1").arg(n), tbsOptions->ClientLeft(),
                                  tbsOptions->ClientTop(), 11790, 3900);
    }
    Text1 = MakeControl<platform::TextBox>(this, "Text1", 0, 0, 1150, 250);

    cmd_prev = button("cmd_prev", "<<上页", 240, 5400, 1100, &form_base::cmd_prev_Click);
    cmd_Next = button("cmd_Next", "下页>>", 1440, 5400, 1100, &form_base::cmd_Next_Click);
    cmdSave = button("cmdSave", "保存", 7200, 5400, 1200, &form_base::cmdSave_Click);
    cmdCancel = button("cmdCancel", "取消", 8520, 5400, 1200, &form_base::cmdCancel_Click);
    cmdClose = button("cmdClose", "关闭", 9840, 5400, 1200, &form_base::cmdClose_Click);

    label("数据约束：", 240, 6000, 1100, 300);
    label("1 货币资金+短期投资+应收帐款+存货 < 流动资产；2 固定资产原值 > 固定资产净值", 1320, 6000,
          10300, 300);
    label("3 资产总额 > 流动资产+固定资产净值；          4 资产总额 = 负债总额+所有者权益", 1320,
          6330, 10300, 300);
    label("5 现金及现金等价物净增加值(本期) = 货币资金(本期)－货币资金(上期)", 1320, 6660, 10300,
          300);

    std::vector<FlexGrid*> grids(MSFGData.begin(), MSFGData.end());
    editor = new GridCellEditor(
        Text1, grids,
        {.order = GridCellEditor::EnterOrder::DownColumn,
         .firstCol = 4,
         // A grid whose amounts are not loaded takes no typing: its blank cells would be
         // saved over the stored amounts.
         .lastRow = [this](int n) { return gridState(n) == 0 ? 0 : usedRows(n) - 1; },
         .lastCol = [this](int n) { return usedCols(n) - 1; },
         .currentGrid = [this] { return currentTab_; },
         .markChanged = [this](int n) { gridState_[n - 1] = 2; },
         // Column 11 ends page 1: Enter never moves into a column the page hides.
         .holdAt = [this](int n, int r,
                          int c) { return r == usedRows(n) - 1 && c == 11 && gridPage(n) == 1; }});

    connect(tbsOptions, &platform::TabStrip::Click, this,
            [this] { platform::RunGuarded([this] { tbsOptions_Click(); }); });
}

void form_base::Form_Load() {
    // Not guarded here: a database that cannot be read fails the load, and the main window
    // reports it and shows its welcome form instead of a half-prepared entry window.
    keepSize(kFormWidth, kFormHeight);
    gridPage_.fill(1);
    currentTab_ = 1;
    gridState_.fill(0);
    usedRows_.fill(0);
    usedCols_.fill(0);
    periodCount_ = 0;
    panel->FillDefaults();
    cmdSave->setEnabled(false);
    cmdCancel->setEnabled(false);
    editor->Hide();
    cmd_prev->setEnabled(false);
    cmd_Next->setEnabled(false);
    resetGrids();
    showGrid(currentTab_);
}

bool form_base::Form_KeyDown(int KeyCode, int Shift) {
    if (KeyCode != 9 || Shift != platform::kCtrlMask) return false;
    const int selected = tbsOptions->SelectedIndex();
    tbsOptions->setSelectedIndex(selected < tbsOptions->Count() ? selected + 1 : 1);
    return true;
}

bool form_base::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w == this || isAncestorOf(w)) {
            const auto* key = static_cast<QKeyEvent*>(event);
            bool used = false;
            platform::RunGuarded([&] {
                used = Form_KeyDown(platform::KeyCodeOf(key->key()),
                                    platform::ShiftStateOf(key->modifiers()));
            });
            if (used) return true;
        }
    }
    return Form::eventFilter(watched, event);
}

void form_base::cmdDo_Click() {
    if (!promptSaveChanges()) return;
    CCalendar calendar;
    const std::optional<PeriodRange> checked = panel->Check(calendar);
    if (!checked) return;

    // Everything is read before the form takes the new range, so a failing read leaves the
    // last display as it was.
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    std::array<std::vector<GridItem>, kGrids> items;
    for (int n = 1; n <= kGrids; ++n) items[n - 1] = ReadStatementLines(conn, n);

    range_ = *checked;
    periodCount_ = calendar.GetAmount();
    periodLabels_ = calendar.GetLabelString();
    periodTable_ = calendar.GetPeriodData();
    cmdSave->setEnabled(true);
    cmdCancel->setEnabled(true);
    editor->Hide();
    // The grids are blanked for the new range: none counts as loaded until its amounts are.
    gridState_.fill(0);
    for (int n = 1; n <= kGrids; ++n) {
        usedCols_[n - 1] = periodCount_ + 4;
        gridItems_[n - 1] = std::move(items[n - 1]);
        usedRows_[n - 1] = static_cast<int>(gridItems_[n - 1].size()) + 1;
    }
    for (int n = 1; n <= kGrids; ++n) initGrid(n, periodLabels_);
    for (int n = 1; n <= kGrids; ++n) fillGridItems(n);
    loadGridData(currentTab_, conn);
    gridState_[currentTab_ - 1] = 1;
    editor->Hide();
    gridPage_.fill(1);
    updatePeriodPaging();
}

void form_base::initGrid(int n, const std::vector<std::string>& periodLabels) {
    FlexGrid* g = grid(n);
    const StatementLayout& s = kStatements[n - 1];
    // A catalogue with more lines than the usual grid gets the rows it needs.
    g->setRows(std::max(s.rows, usedRows(n)));
    g->setCols(kGridCols);
    g->setColWidth(0, 0);
    g->setColWidth(1, s.col1Width);
    g->setColWidth(2, s.col2Width);
    g->setColWidth(3, 500);
    g->setFixedRows(1);
    g->setFixedCols(4);
    g->setTextMatrix(0, 0, " ");
    g->setTextMatrix(0, 1, " ");
    g->setTextMatrix(0, 2, " 项目 ");
    g->setTextMatrix(0, 3, "单位");
    for (int c = 4; c < kGridCols; ++c) {
        g->setColWidth(c, kPeriodColWidth);
        const bool used = c < usedCols(n);
        g->setTextMatrix(0, c,
                         used ? platform::Q(platform::Trim(periodLabels.at(c - 4))) : QString());
    }
    for (int r = 1; r < g->Rows(); ++r) {
        for (int c = 4; c < kGridCols; ++c) g->setTextMatrix(r, c, QString());
        g->setRowHeight(r, kItemRowHeight);
    }
    if (n == 3)
        for (int r : {1, 2, 4}) g->setRowHeight(r, 450);
}

void form_base::fillGridItems(int n) {
    FlexGrid* g = grid(n);
    const auto& items = gridItems_[n - 1];
    for (int r = 1; r < usedRows(n); ++r) {
        const GridItem& item = items[r - 1];
        g->setTextMatrix(r, 0, platform::Q(item.ItemId));
        g->setTextMatrix(r, 1, platform::Q(" " + std::to_string(r)));
        g->setTextMatrix(r, 2, platform::Q(item.ItemName));
        g->setTextMatrix(r, 3, platform::Q(item.Unit));
    }
}

void form_base::loadGridData(int n) {
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    loadGridData(n, conn);
}

void form_base::loadGridData(int n, platform::Connection& conn) {
    FlexGrid* g = grid(n);
    // One query for the whole statement and range; each amount goes to its item's row and its
    // period's column.
    if (usedRows(n) > 1 && periodCount_ > 0)
        PlaceStatementAmounts(*g, usedRows(n),
                              ReadStatementAmounts(conn, n, range_, periodTable_, periodCount_));
    for (int r = std::max(0, usedRows(n)); r < g->Rows(); ++r)
        for (int c = 0; c < g->Cols(); ++c) g->setTextMatrix(r, c, QString());
    for (int r = 0; r < g->Rows(); ++r)
        for (int c = std::max(0, usedCols(n)); c < g->Cols(); ++c)
            g->setTextMatrix(r, c, QString());
}

void form_base::tbsOptions_Click() {
    currentTab_ = tbsOptions->SelectedIndex();
    showGrid(currentTab_);
    editor->Hide();  // also when the load below fails
    if (gridState(currentTab_) == 0) {
        loadGridData(currentTab_);
        gridState_[currentTab_ - 1] = 1;
    }
    updatePeriodPaging();
}

void form_base::showGrid(int tab) {
    const int shown = (tab >= 1 && tab <= 3) ? tab : 4;
    for (int n = 1; n <= kGrids; ++n) grid(n)->setVisible(n == shown);
}

void form_base::resetGrids() {
    for (FlexGrid* g : MSFGData) {
        g->setRows(16);
        g->setCols(14);
        g->setFixedRows(1);
        g->setFixedCols(1);
        g->Clear();
        for (int c = 0; c < g->Cols(); ++c)
            g->setColWidth(c, c == 0 ? 0 : FlexGrid::kDefaultColWidth);
        for (int r = 0; r < g->Rows(); ++r) g->setRowHeight(r, FlexGrid::kDefaultRowHeight);
    }
}

void form_base::updatePeriodPaging() {
    if (periodCount_ == 0) return;
    auto widths = [](FlexGrid* g, int shownFrom) {
        for (int c = 4; c < kGridCols; ++c) {
            const bool shown = c >= shownFrom && c < shownFrom + kPageSize;
            g->setColWidth(c, shown ? kPeriodColWidth : 0);
        }
    };
    if (periodCount_ <= kPageSize) {
        cmd_prev->setEnabled(false);
        cmd_Next->setEnabled(false);
        for (FlexGrid* g : MSFGData) widths(g, 4);
        return;
    }
    const bool first = gridPage(currentTab_) == 1;
    cmd_prev->setEnabled(!first);
    cmd_Next->setEnabled(first);
    widths(grid(currentTab_), first ? 4 : 8);
}

void form_base::showPage(int page) {
    gridPage_[currentTab_ - 1] = page;
    updatePeriodPaging();
    editor->Hide();
}

void form_base::cmdClose_Click() {
    editor->Hide();
    if (promptSaveChanges()) Unload();
}

void form_base::cmdSave_Click() {
    const int n = currentTab_;
    if (gridState(n) == 0) return;  // its amounts failed to load: nothing of it to save
    if (checkBeforeSave(n)) writeStatement(n);
}

void form_base::cmdCancel_Click() {
    if (platform::MsgBox("是否放弃所有改动？", platform::MsgButtons::YesNo, "提示") !=
        platform::MsgResult::Yes) {
        editor->Hide();
        return;
    }
    editor->Hide();  // also when the load below fails
    editor->clearGridData();
    gridState_[currentTab_ - 1] = 0;  // blank until the stored amounts are back
    loadGridData(currentTab_);
    gridState_[currentTab_ - 1] = 1;
    gridPage_.fill(1);
    updatePeriodPaging();
}

bool form_base::promptSaveChanges() {
    // A failed write stops too: going on would drop the edits it kept.
    return PromptSaveChanges(
        kGrids, [](int n) { return kStatements[n - 1].caption; },
        [this](int n) { return gridState(n) == 2; },
        [this](int n) { return checkBeforeSave(n) && saveData(n); });
}

bool form_base::saveData(int n) {
    if (!checkData(n) || !writeStatement(n)) return false;
    platform::MsgBox("数据保存成功！", platform::MsgButtons::OK, "提示");
    return true;
}

bool form_base::writeStatement(int n) {
    editor->Hide();
    if (!platform::Attempt([this, n] { replaceStoredAmounts(n); }, "错误")) return false;
    gridState_[n - 1] = 1;
    return true;
}

void form_base::replaceStoredAmounts(int n) {
    FlexGrid* g = grid(n);
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    platform::Transaction transaction(conn);
    conn.Execute(CBaseData().getBaseDataDeleteSql(static_cast<std::int16_t>(n), range_.PeriodType,
                                                  range_.fromYear, range_.toYear, range_.fromPeriod,
                                                  range_.toPeriod));
    for (int r = 1; r < usedRows(n); ++r) {
        const std::string id = platform::Trim(g->TextMatrix(r, 0).toStdString());
        const std::int16_t item = platform::ToInt16(static_cast<long long>(platform::CDbl(id)));
        for (int c = 4; c < usedCols(n); ++c) {
            const std::string text = platform::Trim(g->TextMatrix(r, c).toStdString());
            if (text.empty()) continue;
            const PeriodRow& period = periodTable_.at(c - 4);
            conn.Execute(kInsertSql, {std::int64_t(item), std::int64_t(range_.PeriodType),
                                      std::int64_t(period.Year), std::int64_t(period.Period),
                                      GridCellEditor::StoredValue(text)});
        }
    }
    transaction.Commit();
}

bool form_base::checkBeforeSave(int n) {
    using platform::MsgResult;
    const std::string incomplete =
        std::string(kStatements[n - 1].caption) + "中数据输入不完整，是否忽略？";
    if (!isGridComplete(n) &&
        platform::MsgBox(incomplete, platform::MsgButtons::YesNo, "警告") != MsgResult::Yes)
        return false;
    if (!checkData(n)) return false;
    for (const AccountingIdentity& identity : kIdentities) {
        if (identity.grid != n || checkIdentity(identity)) continue;
        if (platform::MsgBox(identity.ignoreQuestion, platform::MsgButtons::YesNo, "警告") !=
            MsgResult::Yes) {
            reportIdentity(identity);
            return false;
        }
    }
    return true;
}

bool form_base::isGridComplete(int n) const {
    const FlexGrid* g = grid(n);
    for (int r = 1; r < usedRows(n); ++r)
        for (int c = 4; c < periodCount_ + 4; ++c)
            if (platform::Trim(g->TextMatrix(r, c).toStdString()).empty()) return false;
    return true;
}

bool form_base::checkIdentity(const AccountingIdentity& identity) {
    for (int i = 0; i < periodCount_; ++i)
        if (testColumn(identity, i) == Outcome::Fails) return false;
    return true;
}

void form_base::reportIdentity(const AccountingIdentity& identity) {
    for (int i = 0; i < periodCount_; ++i) {
        if (testColumn(identity, i) != Outcome::Fails) continue;
        const std::string caption = grid(identity.grid)->TextMatrix(0, i + 4).toStdString();
        if (platform::MsgBox("'" + caption + identity.reportText, platform::MsgButtons::YesNo,
                             "提示") != platform::MsgResult::Yes)
            return;
    }
}

form_base::Outcome form_base::testColumn(const AccountingIdentity& identity, int period) {
    const int col = period + 4;
    auto read = [&](const AccountingIdentity::Cell& cell) -> std::optional<double> {
        if (!cell.previous) return cellAmount(cell.grid, cell.row, col);
        if (period > 0) return cellAmount(cell.grid, cell.row, col - 1);
        return storedAmountBeforeRange(cell.grid, cell.row);
    };
    const std::optional<double> left = read(identity.left);
    if (!left) return Outcome::Skipped;
    double sum = 0;
    for (const AccountingIdentity::Cell& cell : identity.right) {
        const std::optional<double> value = read(cell);
        if (!value) {
            if (cell.required) return Outcome::Skipped;
            continue;
        }
        sum += cell.sign * *value;
    }
    const bool holds = identity.relation == Relation::Greater ? Cents(*left) > Cents(sum)
                                                              : Cents(*left) == Cents(sum);
    return holds ? Outcome::Holds : Outcome::Fails;
}

std::optional<double> form_base::cellAmount(int n, int row, int col) const {
    const std::string text = platform::Trim(grid(n)->TextMatrix(row, col).toStdString());
    if (text.empty()) return std::nullopt;
    return LeadingNumber(text);
}

std::optional<double> form_base::storedAmountBeforeRange(int n, int row) const {
    if (periodTable_.empty()) return std::nullopt;
    const PeriodRow first = periodTable_.front();
    const int year = first.Period >= 2 ? first.Year : first.Year - 1;
    const int period = first.Period >= 2 ? first.Period - 1 : LastPeriodOfYear(range_.PeriodType);
    const std::string id = platform::Trim(grid(n)->TextMatrix(row, 0).toStdString());
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    platform::Recordset rs;
    rs.Open(
        "select Data from baseData where ItemID = ? and Year = ? and Period = ? and "
        "PeriodType = ?",
        conn,
        {std::int64_t(platform::CDbl(id)), std::int64_t(year), std::int64_t(period),
         std::int64_t(range_.PeriodType)});
    std::optional<double> amount;
    for (; !rs.Eof(); rs.MoveNext()) amount = LeadingNumber(rs.Fields(0).AsText());
    return amount;
}

void form_base::cmd_prev_Click() {
    showPage(1);
}
void form_base::cmd_Next_Click() {
    showPage(2);
}

bool form_base::checkData(int n) {
    if (n >= 1 && n <= kGrids) {
        FlexGrid* g = grid(n);
        const std::string prefix = std::string(kStatements[n - 1].caption) + "中'";
        for (int r = 1; r < usedRows(n); ++r) {
            for (int c = 4; c < usedCols(n); ++c) {
                const std::string s = platform::Trim(g->TextMatrix(r, c).toStdString());
                auto fail = [&](const char* what) {
                    platform::MsgBox(prefix + g->TextMatrix(0, c).toStdString() + "'的'" +
                                         g->TextMatrix(r, 2).toStdString() + what,
                                     platform::MsgButtons::OK, "错误");
                    editor->Hide();
                    return false;
                };
                if (!s.empty() && !GridCellEditor::IsPlainNumber(s))
                    return fail("'输入了不为数字的数据，请重新输入！");
                const std::string t = editor->fixDecimalPoint(s, r, c, n);
                if (!GridCellEditor::checkNumberLength(t))
                    return fail("'输入了数字大于15位或小数大于2位！");
            }
        }
    }
    editor->Hide();
    return true;
}
