#include "platform/FittedFont.h"

#include <QFontMetrics>
#include <QPaintDevice>

namespace platform {

std::optional<QFont> FittedFont(const QFont& font, const QString& text, int width,
                                int smallestPercent, const QPaintDevice* device) {
    QFont scaled = font;
    const bool points = font.pointSizeF() > 0;
    const qreal size = points ? font.pointSizeF() : font.pixelSize();
    for (int percent = 95; percent >= smallestPercent; percent -= 5) {
        if (points)
            scaled.setPointSizeF(size * percent / 100);
        else
            scaled.setPixelSize(qRound(size * percent / 100));
        const QFontMetrics fm = device ? QFontMetrics(scaled, device) : QFontMetrics(scaled);
        if (fm.horizontalAdvance(text) <= width) return scaled;
    }
    return std::nullopt;
}

}  // namespace platform
