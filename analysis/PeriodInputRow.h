// The input row at the top of the analysis windows: a frame holding the captions "周期：",
// "时间：" and, for a range, "到  ：", the period panel, and the buttons 确定, 打印 (in windows
// that print) and 关闭, which unloads the window. A window adds its own inputs to the frame.
#pragma once

#include <QGroupBox>
#include <QPushButton>
#include <QSize>
#include <array>
#include <functional>
#include <tuple>

#include "entry/PeriodRangePanel.h"
#include "platform/Form.h"

struct PeriodInputRow {
    // Places in twips. Each caption after the first stands 105 twips right of the input before
    // it; the buttons have their fixed sizes on the row.
    struct Design {
        struct Buttons {
            int ok;
            int print = 0;  // 0: no 打印 button
            int close;
        };
        Design(QSize frame, PeriodRangePanel::Config config, PeriodRangePanel::Layout panel,
               Buttons buttons,
               std::array<const char*, 3> captionNames = {"Label1", "Label2", "Label3"})
            : frame(frame),
              config(std::move(config)),
              panel(panel),
              buttons(buttons),
              captionNames(captionNames) {}

        QSize frame;  // at the window's top left
        PeriodRangePanel::Config config;
        PeriodRangePanel::Layout panel;
        Buttons buttons;  // lefts
        std::array<const char*, 3> captionNames;
    };

    // Builds the row on `window`; 打印 starts disabled.
    PeriodInputRow(platform::Form* window, const Design& design, std::function<void()> onOk,
                   std::function<void()> onPrint = {});

    // Frame, panel, 确定, 打印 (null without it) and 关闭, for the window's own names.
    std::tuple<QGroupBox*, PeriodRangePanel*, QPushButton*, QPushButton*, QPushButton*> controls()
        const {
        return {frame, panel, ok, print, close};
    }

    QGroupBox* frame;
    PeriodRangePanel* panel;
    QPushButton* ok;
    QPushButton* print = nullptr;
    QPushButton* close;
};
