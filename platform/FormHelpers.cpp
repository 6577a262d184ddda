#include "platform/FormHelpers.h"

#include "platform/EventGuard.h"
#include "platform/Form.h"
#include "platform/MsgBox.h"
#include "platform/QtText.h"
#include "platform/TintedButton.h"

namespace platform {

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top,
                  int width, int height) {
    QLabel* label = MakeControl<QLabel>(parent, name, left, top, width, height);
    label->setText(text);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int left,
                        int top, int width, int height, std::function<void()> onClick,
                        const QColor& tint) {
    QPushButton* button = nullptr;
    if (tint.isValid()) {
        auto* tinted = MakeControl<TintedButton>(parent, name, left, top, width, height);
        tinted->setTint(tint);
        button = tinted;
    } else {
        button = MakeControl<QPushButton>(parent, name, left, top, width, height);
    }
    button->setText(caption);
    QObject::connect(button, &QPushButton::clicked, parent,
                     [onClick = std::move(onClick)] { RunGuarded(onClick); });
    return button;
}

bool RunChecks(const std::vector<Check>& checks, const QString& title) {
    for (const Check& check : checks) {
        if (!check.failed()) continue;
        MsgBox(S(check.message), MsgButtons::OK, S(title));
        if (check.focus) check.focus->setFocus();
        return false;
    }
    return true;
}

}  // namespace platform
