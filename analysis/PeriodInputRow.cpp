#include "analysis/PeriodInputRow.h"

#include <vector>

#include "platform/FormHelpers.h"

namespace {

constexpr int kCaptionGap = 105;

int rightOf(const QRect& place) {
    return place.x() + place.width() + kCaptionGap;
}

QPushButton* button(QGroupBox* frame, const char* name, const char* caption, const QRect& place,
                    std::function<void()> onClick) {
    return platform::MakeButton(frame, name, caption, place.x(), place.y(), place.width(),
                                place.height(), std::move(onClick));
}

}  // namespace

PeriodInputRow::PeriodInputRow(platform::Form* window, const Design& design,
                               std::function<void()> onOk, std::function<void()> onPrint) {
    frame = platform::MakeControl<QGroupBox>(window, "Frame1", 0, 0, design.frame.width(),
                                             design.frame.height());
    std::vector<std::pair<const char*, int>> captions{{"周期：", 120},
                                                      {"时间：", rightOf(design.panel.serial)}};
    if (design.config.mode == PeriodRangePanel::Mode::Range)
        captions.emplace_back("到  ：", rightOf(design.panel.fromPeriod));
    for (std::size_t i = 0; i < captions.size(); ++i)
        platform::MakeLabel(frame, design.captionNames[i], captions[i].first, captions[i].second,
                            240, 615, 255);
    panel = new PeriodRangePanel(frame, design.config, design.panel);
    ok = button(frame, "cmdDo", "确定", OnInputRow(design.buttons.ok, 855, 300), std::move(onOk));
    if (design.buttons.print != 0) {
        print = button(frame, "doPrint", "打印", OnInputRow(design.buttons.print, 855, 315),
                       std::move(onPrint));
        print->setEnabled(false);
    }
    close = button(frame, "Command1", "关闭", OnInputRow(design.buttons.close, 735, 315),
                   [window] { window->Unload(); });
}
