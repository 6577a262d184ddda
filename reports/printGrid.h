// Lays out a one-page tabular report on the program's printer: a title line with a rule under
// it, bold section headings, ruled tables copied cell by cell from a grid, a footer above the
// foot of the page, and the end of the document. Each procedure prints at the position it is
// given and returns where the next element starts; the caller threads it from call to call.
//
// Only the font size and boldness are set; both carry over from one call to the next (a title
// or footer prints in whatever boldness the call before left). There is no page break.
// Positions are 16-bit: one beyond 32767 twips raises platform::RuntimeError ("溢出"), and
// every printer call may raise platform::PrinterError; nothing is caught here.
#pragma once

#include <QString>

#include "reports/CPoint.h"

namespace platform {
class FlexGrid;
}

namespace printGrid {

// The text in 9 points at pt, a rule 11240 twips long 300 below it; the next element 500 below.
CPoint PrintReportTitle(const QString& text, const CPoint& pt);
// The text in bold 12 points at pt, bold off afterwards; the next element 400 below.
CPoint PrintSectionHeading(const QString& text, const CPoint& pt);
// The grid's rows in 9 points, 300 twips apart, the header row bold, every column of non-zero
// width boxed in its on-screen width; the next element 600 below the last row. A cell text
// wider than its column is printed smaller, so that it stays inside its box.
CPoint PrintGrid(const platform::FlexGrid& grid, const CPoint& pt);
// A rule across the page width at y 15500 and the text in 8 points under it, wherever pt is;
// the position returned is 500 below pt.
CPoint PrintFooter(const QString& text, const CPoint& pt);
// Ends the document, which sends the page to the printer.
void EndPrint();

}  // namespace printGrid
