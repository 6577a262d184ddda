#include "analysis/dubang_form.h"

#include <algorithm>

#include "analysis/DupontNodes.h"
#include "analysis/HelpContent.h"
#include "analysis/InfoLabel.h"
#include "analysis/PeriodInputRow.h"
#include "core/CCalendar.h"
#include "platform/storage/Database.h"
#include "platform/EventGuard.h"
#include "platform/FormHelpers.h"
#include "platform/PrintWindow.h"
#include "platform/QtText.h"

using platform::MakeControl;

namespace {

constexpr int kWidth = 11100;
constexpr int kHeight = 7900;
constexpr int kInputRowBottom = 615;
constexpr int kInfoTop = 1560;
constexpr int kBottomMargin = 120;

const PeriodInputRow::Design kInputRow(
    QSize(10935, 615), PeriodRangePanel::Config::Single(),
    {OnInputRow(840, 1335, 315), OnInputRow(2880, 615, 270), OnInputRow(3600, 1455, 315), {}, {}},
    {.ok = 5640, .print = 7080, .close = 8520}, {"Label2", "Label53"});

// The value labels that show a unit after their value, also when the value is missing.
QString withSuffix(int label, const std::string& text) {
    const QString value = platform::Q(text);
    switch (label) {
        case 1:
        case 2:
        case 4:
            return value + " %";
        case 5:
            return value + " 次";
        default:
            return value;
    }
}

}  // namespace

dubang_form::dubang_form(QWidget* parent) : Form("dubang_form", parent) {
    setCaption("杜邦分析");
    createControls();
}

void dubang_form::createControls() {
    const PeriodInputRow row(
        this, kInputRow, [this] { cmdDo_Click(); }, [this] { doPrint_Click(); });
    std::tie(Frame1, panel, cmdDo, doPrint, Command1) = row.controls();
    connect(panel->txtFromYear, &platform::TextBox::KeyPress, this, [this](int& KeyAscii) {
        platform::RunGuarded([&] { txtFromYear_KeyPress(KeyAscii); });
    });

    Frame2 = MakeControl<DupontTreeFrame>(this, "Frame2", 0, 600, 10935, 6615);
    Frame2->hide();

    Info_Frame = MakeControl<QGroupBox>(this, "Info_Frame", 1800, kInfoTop, 7455, 4335);
    Info_Label = MakeInfoLabel(Info_Frame, 480, 600, 6405, 360);
}

void dubang_form::Form_Load() {
    setHeight(kHeight);
    setWidth(kWidth);
    // A failing read fails the opening: the window is not shown half-prepared.
    panel->FillDefaults();
    Frame2->hide();
    Info_Label->setCaption(GetDupontText());
    // A face taller than the Song face can make the grown frame reach past the window's
    // bottom; the frame then moves up as far as it needs, never over the input row.
    const int height = platform::TwipsHeight(Info_Label) + 1100;
    const int top = std::max(kInputRowBottom, std::min(kInfoTop, kHeight - kBottomMargin - height));
    platform::SetTwipsGeometry(Info_Frame, platform::TwipsLeft(Info_Frame), top,
                               platform::TwipsWidth(Info_Frame), height);
    Info_Frame->show();
}

void dubang_form::cmdDo_Click() {
    CCalendar unused;  // the one-period check validates no range
    const std::optional<PeriodRange> checked = panel->Check(unused);
    if (!checked) return;
    periodType_ = checked->PeriodType;
    year_ = checked->fromYear;
    period_ = checked->fromPeriod;
    ShowDupontTree();
}

void dubang_form::txtFromYear_KeyPress(int& KeyAscii) {
    if (KeyAscii == 13) cmdDo_Click();
}

void dubang_form::ShowDupontTree() {
    const DupontNodes::Texts texts = DupontNodes::Compute(periodType_, year_, period_);
    for (int n = 1; n <= DupontNodes::kCount; ++n) Frame2->setValue(n, withSuffix(n, texts[n]));
    Frame2->show();
    Info_Frame->hide();
    doPrint->setEnabled(true);
}

void dubang_form::doPrint_Click() {
    // The printed tree goes without the input row; the row comes back whatever happens.
    Frame1->hide();
    platform::Attempt([this] { platform::PrintForm(this); });
    Frame1->show();
}
