#include "platform/PrintPage.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <optional>

#include "platform/Fonts.h"

namespace platform {
namespace {

// Text is laid out on the Song face's em box, whatever face stands in for it: a line is one em
// high and the baseline lies 0.88 em below its top (where the CJK faces put the top of their
// ideographs). The installed CJK faces report lines of about 1.44 em, which would push the text
// of a table cell through the rule under it.
constexpr double kLineEm = 1.0;
constexpr double kAscentEm = 0.88;

// A paint device of 1440 dots per inch, so that font metrics on it come out in twips.
const QPaintDevice& twipsDevice() {
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(kTwipsPerInch / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

}  // namespace

QFont PrinterFont(float points, bool bold) {
    // The Song face is substituted here, so printing works before any window set fonts up.
    static const bool substituted = (InstallFontSubstitutions(), true);
    (void)substituted;
    return PaperSongFont(points, bold);
}

QSizeF TextBoxTwips(const QString& text, float points, bool bold) {
    // The metrics of the font last asked for: a table measures cell after cell in one font.
    static float lastPoints = -1;
    static bool lastBold = false;
    static std::optional<QFontMetricsF> fm;
    if (!fm || points != lastPoints || bold != lastBold) {
        fm.emplace(PrinterFont(points, bold), &twipsDevice());
        lastPoints = points;
        lastBold = bold;
    }
    return {fm->horizontalAdvance(text), kLineEm * points * kTwipsPerPoint};
}

void RenderPage(QPainter& painter, double dpi, const std::vector<PrintOp>& ops) {
    const double k = dpi / kTwipsPerInch;  // device units per twip
    painter.setPen(QPen(Qt::black, 0));    // the thinnest line the device draws
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const PrintOp& op : ops) {
        switch (op.kind) {
            case PrintOp::Text: {
                painter.setFont(PrinterFont(op.fontSize, op.bold));
                const double baseline = op.y1 + kAscentEm * op.fontSize * kTwipsPerPoint;
                painter.drawText(QPointF(op.x1 * k, baseline * k), op.text);
                break;
            }
            case PrintOp::Line:
                painter.drawLine(QPointF(op.x1 * k, op.y1 * k), QPointF(op.x2 * k, op.y2 * k));
                break;
            case PrintOp::Picture:
                painter.drawImage(
                    QRectF(op.x1 * k, op.y1 * k, (op.x2 - op.x1) * k, (op.y2 - op.y1) * k),
                    op.picture);
                break;
            case PrintOp::EndDoc:
            case PrintOp::KillDoc:
                break;
        }
    }
}

}  // namespace platform
