#include "entry/form_base_interface.h"

#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <array>
#include <vector>

#include "platform/Fonts.h"
#include "platform/FormHelpers.h"
#include "platform/MsgBox.h"

using platform::MakeControl;

namespace {

// Client area in twips.
constexpr int kWidth = 9495;
constexpr int kHeight = 6750;

// One line of a frame: what the button derives and where label and button stand (twips,
// relative to the frame).
struct ConversionLine {
    const char* labelName;
    const char* label;
    int labelTop, labelWidth, labelHeight;
    const char* buttonName;
    const char* caption;
    int buttonTop;
    int sourceType, targetType;
    QPushButton* form_base_interface::*button;
};

struct FrameDesign {
    const char* name;
    const char* caption;
    int top, height;
    QGroupBox* form_base_interface::*frame;
    std::vector<ConversionLine> lines;
};

using F = form_base_interface;
// In tab order.
const std::array<FrameDesign, 3> kFrames{{
    {"Frame1",
     "以月份数据为基础",
     240,
     1935,
     &F::Frame1,
     {{"Label4", "每季度末自动生成季度数据", 480, 3015, 255, "cmdMonthToQuartor", "生成季度数据",
       360, 4, 3, &F::cmdMonthToQuartor},
      {"Label2", "每半年末自动生成半年数据", 960, 2655, 255, "cmdMonthToHalf", "生成半年数据", 840,
       4, 2, &F::cmdMonthToHalf},
      {"Label3", "每年末自动生成年数据", 1440, 2655, 255, "cmdMonthToYear", "生成年数据", 1320, 4,
       1, &F::cmdMonthToYear}}},
    {"Frame2",
     "以季度数据为基础",
     2520,
     1455,
     &F::Frame2,
     {{"Label6", "每半年末自动生成半年数据", 480, 2535, 255, "cmdQuartorToHalf", "生成半年数据",
       360, 3, 2, &F::cmdQuartorToHalf},
      {"Label7", "每年末自动生成年数据", 960, 2295, 375, "cmdQuartorToYear", "生成年数据", 840, 3,
       1, &F::cmdQuartorToYear}}},
    {"Frame3",
     "以半年数据为基础",
     4320,
     975,
     &F::Frame3,
     {{"Label8", "每年末自动生成年数据", 480, 2295, 375, "cmdHalfToYear", "生成年数据", 360, 2, 1,
       &F::cmdHalfToYear}}},
}};

// "确定覆盖所有以季度为周期的基础数据吗？" and its half-year and year sisters.
std::string confirmation(int targetType) {
    static const char* const kNames[] = {"", "年", "半年", "季度"};
    return std::string("确定覆盖所有以") + kNames[targetType] + "为周期的基础数据吗？";
}

}  // namespace

form_base_interface::form_base_interface(QWidget* parent) : Form("form_base_interface", parent) {
    setCaption("基础数据－数据生成");
    setWidth(kWidth);
    setHeight(kHeight);
    createControls();
}

void form_base_interface::createControls() {
    for (const FrameDesign& design : kFrames) {
        auto* frame =
            MakeControl<QGroupBox>(this, design.name, 1200, design.top, 7095, design.height);
        frame->setTitle(design.caption);
        frame->setFont(platform::SongFont(9.75, true));
        this->*design.frame = frame;
        for (const ConversionLine& line : design.lines) {
            QLabel* label = platform::MakeLabel(frame, line.labelName, line.label, 360,
                                                line.labelTop, line.labelWidth, line.labelHeight);
            label->setFont(platform::SongFont(9, false));  // not the frame's bold caption font
            const PeriodConversion conversion(line.sourceType, line.targetType);
            QPushButton* button = platform::MakeButton(
                frame, line.buttonName, line.caption, 4200, line.buttonTop, 2415, 375,
                [this, conversion] { cmdConvert_Click(conversion); });
            button->setFont(platform::SongFont(9, true));
            this->*line.button = button;
        }
    }
    Command1 = platform::MakeButton(this, "Command1", "关闭", 3720, 5520, 1695, 375,
                                    [this] { Command1_Click(); });
    Command1->setFont(platform::SongFont(9.75, true));

    auto* line = MakeControl<QFrame>(this, "Line1", 240, 6225, 9000, 30);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    setTabOrder(cmdMonthToQuartor, cmdMonthToHalf);
    setTabOrder(cmdMonthToHalf, cmdMonthToYear);
    setTabOrder(cmdMonthToYear, cmdQuartorToHalf);
    setTabOrder(cmdQuartorToHalf, cmdQuartorToYear);
    setTabOrder(cmdQuartorToYear, cmdHalfToYear);
    setTabOrder(cmdHalfToYear, Command1);
}

void form_base_interface::cmdConvert_Click(const PeriodConversion& conversion) {
    if (platform::MsgBox(confirmation(conversion.TargetType()), platform::MsgButtons::YesNo,
                         "警告信息") != platform::MsgResult::Yes)
        return;
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    conversion.Run(conn);
}

void form_base_interface::Command1_Click() {
    Unload();
}
