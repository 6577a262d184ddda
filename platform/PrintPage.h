// Drawing one printed page: the printer's font and metrics in twips, and the drawing of the
// page's operations on a paint device whose origin is the top-left of the drawing area.
#pragma once

#include <QFont>
#include <QSizeF>
#include <vector>

#include "platform/Printer.h"

class QPainter;

namespace platform {

inline constexpr double kTwipsPerInch = 1440.0;
inline constexpr double kTwipsPerPoint = 20.0;

// The printer's default font: 宋体 as it stands on paper (PaperSongFont).
QFont PrinterFont(float points, bool bold);

// The box of the text in that font, in twips: its advance width and one line's height.
QSizeF TextBoxTwips(const QString& text, float points, bool bold);

// Draws the operations on the painter's device, whose resolution is dpi dots per inch.
void RenderPage(QPainter& painter, double dpi, const std::vector<PrintOp>& ops);

}  // namespace platform
