#include "platform/PrintWindow.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <cmath>

#include "platform/Printer.h"

namespace platform {

void PrintForm(QWidget* window) {
    Printer& printer = Printer::Default();
    if (!window->windowTitle().isEmpty()) printer.setDocumentName(window->windowTitle());
    // grab() paints the client area as it is now; hidden controls paint nothing.
    const QImage image = window->grab().toImage();
    const int width = static_cast<int>(std::floor(printer.Width()));
    const int height =
        image.width() > 0 ? qRound(double(width) * image.height() / image.width()) : 0;
    printer.PaintPicture(image, 0, 0, width, height);
    printer.EndDoc();
}

}  // namespace platform
