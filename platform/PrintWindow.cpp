#include "platform/PrintWindow.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <cmath>

#include "platform/Printer.h"

namespace platform {
namespace {
constexpr int kSharpness = 2;
}

void PrintForm(QWidget* window) {
    Printer& printer = Printer::Default();
    if (!window->windowTitle().isEmpty()) printer.setDocumentName(window->windowTitle());
    // The client area as it is now, painted at twice the screen's resolution so that its text
    // stays sharp on paper; hidden controls paint nothing.
    QPixmap pixmap(window->size() * kSharpness);
    pixmap.setDevicePixelRatio(kSharpness);
    window->render(&pixmap);
    const QImage image = pixmap.toImage();
    const int width = static_cast<int>(std::floor(printer.Width()));
    const int height =
        image.width() > 0 ? qRound(double(width) * image.height() / image.width()) : 0;
    printer.PaintPicture(image, 0, 0, width, height);
    printer.EndDoc();
}

}  // namespace platform
