#include "benchmark/form_mark.h"

#include <QFrame>
#include <charconv>
#include <cmath>

#include "entry/SaveChangesPrompt.h"
#include "platform/EventGuard.h"
#include "platform/Fonts.h"
#include "platform/FormHelpers.h"
#include "platform/MsgBox.h"
#include "platform/QtText.h"
#include "platform/Runtime.h"

using platform::FlexGrid;
using platform::MakeControl;

namespace {

constexpr int kFormWidth = 11900;
constexpr int kFormHeight = 7800;
constexpr int kRowHeight = 250;
constexpr int kWeightCol = form_mark::kCols - 1;

struct GroupDesign {
    const char* caption;  // tab caption, and the name that opens every message of the group
    const char* font;
};
const std::array<GroupDesign, form_mark::kGroups> kGroupDesign{{
    {"获利能力", "Arial"},
    {"运营能力", "宋体"},
    {"发展能力", "宋体"},
    {"贡献能力", "宋体"},
}};

const std::array<const char*, form_mark::kCols> kHeaders{
    "",         "序号",     "指标名称", "单位",     "历史最好", "标准水平",
    "行业平均", "行业领先", "国家标准", "国际水平", "权重"};

const char* const kSelectSql =
    "select ItemId,ItemName,Unit,HistoryBestLevel,StandardLevel,IndustryMeanLevel,"
    "IndustryLeadLevel,NationalStandardLevel,InternationalLevel,Weight from indicatorItem "
    "where Category = ? order by ItemId";
const char* const kUpdateSql =
    "update indicatorItem set HistoryBestLevel = ?,StandardLevel = ?,IndustryMeanLevel = ?,"
    "IndustryLeadLevel = ?,NationalStandardLevel = ?,InternationalLevel = ?,Weight = ? "
    "where ItemId = ?";

// A stored number as plain decimal digits, never in exponent form, to the 15 significant
// digits a user reads.
std::string PlainText(double value) {
    if (value == 0) return "0";
    char buf[400];
    const auto end =
        std::to_chars(buf, buf + sizeof buf, platform::Round15(value), std::chars_format::fixed);
    return std::string(buf, end.ptr);
}

std::string CellText(const platform::Field& f) {
    return f.IsNull() ? std::string() : PlainText(f.AsDouble());
}

}  // namespace

form_mark::form_mark(QWidget* parent) : Form("form_mark", parent) {
    setCaption("基准设置");
    createControls();
}

void form_mark::createControls() {
    tbsOptions = MakeControl<platform::TabStrip>(this, "tbsOptions", 240, 480, 11415, 4935);
    tbsOptions->setFont(platform::SongFont(9.75, true));
    for (const GroupDesign& g : kGroupDesign) tbsOptions->Add(g.caption);
    for (int n = 1; n <= kGroups; ++n) {
        FlexGrid* g =
            MakeControl<FlexGrid>(this, QString("MSFGData%1").arg(n), 360, 1200, 11055, 3855);
        g->setFont(platform::DesignFont(kGroupDesign[n - 1].font, 9));
        MSFGData[n - 1] = g;
    }
    Text1 = MakeControl<platform::TextBox>(this, "Text1", 0, 0, 1125, kRowHeight);

    auto button = [this](const char* name, const char* caption, int left, int width,
                         void (form_mark::*click)()) {
        return platform::MakeButton(this, name, caption, left, 5760, width, 495,
                                    [this, click] { (this->*click)(); });
    };
    cmdSave = button("cmdSave", "保存", 3480, 1455, &form_mark::cmdSave_Click);
    cmdCancel = button("cmdCancel", "取消", 5280, 1575, &form_mark::cmdCancel_Click);
    cmdClose = button("cmdClose", "关闭", 7200, 1455, &form_mark::cmdClose_Click);

    Line1 = MakeControl<QFrame>(this, "Line1", 120, 6705, 11520, 30);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);

    editor = new GridCellEditor(Text1, std::vector<FlexGrid*>(MSFGData.begin(), MSFGData.end()),
                                {.order = GridCellEditor::EnterOrder::AlongRow,
                                 .firstCol = 4,
                                 .lastRow = [this](int n) { return grid(n)->Rows() - 1; },
                                 .lastCol = [this](int n) { return grid(n)->Cols() - 1; },
                                 .currentGrid = [this] { return curTab_; },
                                 .markChanged = [this](int n) { gridState_[n - 1] = 2; },
                                 .holdAt = {}});

    connect(tbsOptions, &platform::TabStrip::Click, this,
            [this] { platform::RunGuarded([this] { tbsOptions_Click(); }); });
}

void form_mark::Form_Load() {
    keepSize(kFormWidth, kFormHeight);
    gridState_.fill(1);
    curTab_ = 1;
    // A database that cannot be read raises here: the main window reports it and puts its
    // welcome form in this form's place, so nothing half loaded can be saved over the rows.
    std::array<std::vector<TableRow>, kGroups> tables;
    {
        platform::Connection conn;
        platform::OpenProgramDatabase(conn);
        for (int n = 1; n <= kGroups; ++n) tables[n - 1] = readRows(conn, n);
    }
    for (int n = 1; n <= kGroups; ++n) {
        groupRows_[n - 1] = static_cast<int>(tables[n - 1].size()) + 1;
        initGrid(n, tables[n - 1]);
    }
    showGrid(curTab_);
    editor->Hide();
}

std::vector<form_mark::TableRow> form_mark::readRows(platform::Connection& conn, int n,
                                                     std::size_t limit) {
    std::vector<TableRow> rows;
    platform::Recordset rs;
    rs.Open(kSelectSql, conn, {std::int64_t(n)});
    for (; !rs.Eof() && rows.size() < limit; rs.MoveNext()) {
        TableRow row{};
        row[0] = " " + std::to_string(rs.Fields(0).AsInt());
        row[1] = " " + std::to_string(rows.size() + 1);
        row[2] = rs.Fields(1).AsText();
        row[3] = rs.Fields(2).AsText();  // a NULL unit reads ""
        for (int c = 4; c < kCols; ++c) row[c] = CellText(rs.Fields(c - 1));
        rows.push_back(std::move(row));
    }
    return rows;
}

void form_mark::initGrid(int n, const std::vector<TableRow>& table) {
    FlexGrid* g = grid(n);
    const int rows = static_cast<int>(table.size()) + 1;
    g->setRows(rows);
    g->setCols(kCols);
    if (rows > 1) g->setFixedRows(1);  // a group without indicators shows its header alone
    g->setFixedCols(4);
    const std::array<int, 4> fixedWidths{0, 450, 2100, 750};
    for (int c = 0; c < kCols; ++c) g->setColWidth(c, c < 4 ? fixedWidths[c] : 1125);
    g->setColWidth(kWeightCol, 875);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < kCols; ++c)
            g->setTextMatrix(r, c, platform::Q(r == 0 ? kHeaders[c] : table[r - 1][c]));
        g->setRowHeight(r, kRowHeight);
    }
    // The development group's long seventh name takes two lines.
    if (n == 3 && rows > 7) g->setRowHeight(7, 450);
}

void form_mark::showGrid(int group) {
    const int shown = (group >= 1 && group <= 3) ? group : 4;
    for (int n = 1; n <= kGroups; ++n) grid(n)->setVisible(n == shown);
}

void form_mark::tbsOptions_Click() {
    curTab_ = tbsOptions->SelectedIndex();
    showGrid(curTab_);
    editor->Hide();
}

void form_mark::cmdSave_Click() {
    if (checkData(curTab_)) saveData(curTab_);
}

void form_mark::cmdCancel_Click() {
    if (platform::MsgBox("是否放弃所有改动？", platform::MsgButtons::YesNo, "提示") ==
        platform::MsgResult::Yes) {
        const int n = curTab_;
        // The stored rows are read first: a failed read keeps the edits on the screen. The grid
        // keeps the rows counted at load; a row added since then waits for the next load.
        const auto shown = static_cast<std::size_t>(groupRows(n) - 1);
        std::vector<TableRow> rows;
        const bool read = platform::Attempt(
            [&] {
                platform::Connection conn;
                platform::OpenProgramDatabase(conn);
                rows = readRows(conn, n, shown);
            },
            "错误");
        if (read) {
            editor->clearGridData();
            rows.resize(shown);
            initGrid(n, rows);
            gridState_[n - 1] = 1;
        }
    }
    editor->Hide();
}

void form_mark::cmdClose_Click() {
    // A failed check or write keeps the form open with the edits still on the screen.
    if (PromptSaveChanges(
            kGroups, [](int n) { return kGroupDesign[n - 1].caption; },
            [this](int n) { return gridState(n) == 2; },
            [this](int n) { return checkData(n) && saveData(n); }))
        Unload();
}

bool form_mark::saveData(int n) {
    const bool written = platform::Attempt([&] { writeGroup(n); }, "错误");
    editor->Hide();
    if (written) gridState_[n - 1] = 1;
    return written;
}

void form_mark::writeGroup(int n) {
    FlexGrid* g = grid(n);
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    platform::Transaction transaction(conn);
    for (int r = 1; r < g->Rows(); ++r) {
        platform::DbParams params;
        for (int c = 4; c < g->Cols(); ++c) {
            const std::string text = platform::Trim(platform::S(g->TextMatrix(r, c)));
            // An empty level is stored as NULL, an empty weight as 0.
            const double value = text.empty() ? 0 : GridCellEditor::StoredValue(text);
            if (text.empty() && c != kWeightCol)
                params.emplace_back(std::monostate{});
            else
                params.emplace_back(value);
        }
        const std::string id = platform::Trim(platform::S(g->TextMatrix(r, 0)));
        params.emplace_back(static_cast<std::int64_t>(platform::CDbl(id)));
        conn.Execute(kUpdateSql, params);
    }
    transaction.Commit();
}

bool form_mark::checkData(int n) {
    editor->Hide();
    FlexGrid* g = grid(n);
    const int weightCol = g->Cols() - 1;
    const std::string group = kGroupDesign.at(n - 1).caption;
    double weightSum = 0;
    int weightCount = 0;
    for (int r = 1; r < g->Rows(); ++r) {
        for (int c = 4; c < g->Cols(); ++c) {
            auto fail = [&](const char* what) {
                platform::MsgBox(group + "中'" + platform::S(g->TextMatrix(r, 2)) + "'的'" +
                                     platform::S(g->TextMatrix(0, c)) + "'项" + what,
                                 platform::MsgButtons::OK, "错误");
                return false;
            };
            const std::string s = platform::Trim(platform::S(g->TextMatrix(r, c)));
            if (!s.empty() && !GridCellEditor::IsPlainNumber(s))
                return fail("输入了不为数字的数据！");
            // A plain number is 0 exactly when it has no digit other than 0.
            const bool zero = s.find_first_of("123456789") == std::string::npos;
            if (c < weightCol && !s.empty() && zero) return fail("不能为0！");
            const std::string t = editor->fixDecimalPoint(s, r, c, n);
            if (!GridCellEditor::checkNumberLength(t))
                return fail("输入的数字大于15位或小数大于2位！");
            if (c == weightCol && !s.empty() && !zero) {
                weightSum += GridCellEditor::StoredValue(t);
                ++weightCount;
            }
            if (c == weightCol && s.empty()) g->setTextMatrix(r, c, "0");
        }
    }
    if (weightCount > 0 && std::round(weightSum * 100) / 100 != 100) {
        platform::MsgBox(
            group + "中权重之和为" + platform::NumToText(weightSum) + ",必须为100，请重新输入！",
            platform::MsgButtons::OK, "错误");
        return false;
    }
    editor->Hide();
    return true;
}
