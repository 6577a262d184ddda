#include "platform/TintedButton.h"

#include <QApplication>
#include <QHash>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace platform {
namespace {

// The application's palette in the colour `tint`, made once per colour (and again
// only when the application's palette changes), so that every paint shares its cache key.
const QPalette& tintedPalette(const QColor& tint) {
    static QHash<QRgb, QPalette> palettes;
    static qint64 basis = 0;
    const QPalette& app = QApplication::palette();
    if (basis != app.cacheKey()) {
        palettes.clear();
        basis = app.cacheKey();
    }
    auto it = palettes.find(tint.rgba());
    if (it == palettes.end()) {
        QPalette palette = app;
        // The frame is drawn from the window colour: both take the tint, as with a style sheet.
        palette.setColor(QPalette::Button, tint);
        palette.setColor(QPalette::Window, tint);
        it = palettes.insert(tint.rgba(), palette);
    }
    return *it;
}

}  // namespace

TintedButton::TintedButton(QWidget* parent) : QPushButton(parent) {}

void TintedButton::setTint(const QColor& tint) {
    tint_ = tint;
    update();
}

void TintedButton::paintEvent(QPaintEvent* e) {
    if (!tint_.isValid()) return QPushButton::paintEvent(e);
    QStylePainter painter(this);
    painter.fillRect(rect(), tint_);  // the rounded corners stand on the tint too
    QStyleOptionButton option;
    initStyleOption(&option);
    option.palette = tintedPalette(tint_);
    // The colour group (active, inactive, disabled) is the button's; setting it keeps the key.
    option.palette.setCurrentColorGroup(palette().currentColorGroup());
    painter.drawControl(QStyle::CE_PushButton, option);
}

}  // namespace platform
