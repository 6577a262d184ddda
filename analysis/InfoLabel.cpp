#include "analysis/InfoLabel.h"

#include "platform/Form.h"

platform::Label* MakeInfoLabel(QWidget* frame, int left, int top, int width, int height) {
    auto* label =
        platform::MakeControl<platform::Label>(frame, "Info_Label", left, top, width, height);
    QFont font = label->font();
    font.setPointSizeF(13.5);
    font.setBold(true);
    label->setFont(font);
    QPalette navy = label->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    label->setPalette(navy);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAutoSize(true);
    return label;
}
