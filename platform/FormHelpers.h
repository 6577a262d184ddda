// Small helpers every form uses: labels and check chains that stop at the first failure.
#pragma once

#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <functional>
#include <type_traits>
#include <vector>

namespace platform {

// A label named `name` with `text`, placed in twips.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top,
                  int width, int height);

// A button named `name` with `caption`, placed in twips; a click runs onClick through the event
// guard, so no exception leaves the handler. A valid `tint` draws it in that background colour
// (a TintedButton).
QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int left,
                        int top, int width, int height, std::function<void()> onClick,
                        const QColor& tint = QColor());

// One step of an input check: when it fails, `message` is shown and the focus goes to `focus`.
// The condition is a bool, or a callable evaluated only when the steps before it passed.
struct Check {
    Check(bool failed, QString message, QWidget* focus)
        : failed([failed] { return failed; }), message(std::move(message)), focus(focus) {}
    template <typename F, typename = std::enable_if_t<std::is_invocable_r_v<bool, F>>>
    Check(F lazy, QString message, QWidget* focus)
        : failed(std::move(lazy)), message(std::move(message)), focus(focus) {}

    std::function<bool()> failed;
    QString message;
    QWidget* focus;
};

// Runs the steps in order; the first failing one shows its message (OK button, `title`), puts
// the focus on its control and makes the result false.
bool RunChecks(const std::vector<Check>& checks, const QString& title);

}  // namespace platform
