// Where a finished page goes: the system's default printer when one is installed, otherwise a
// PDF file in <program folder>/print/.
#pragma once

#include <QDateTime>
#include <QPageLayout>
#include <QString>
#include <functional>
#include <vector>

#include "platform/Printer.h"

class QPrinter;

namespace platform {

// The PDF file's page: A4 portrait with 5 mm margins, 11340 twips of drawing width.
QPageLayout PdfPageLayout();

// The drawing width of the page in twips.
float DrawingWidthTwips(const QPageLayout& layout);

// The drawing width of the page the next document goes to.
float CurrentDrawingWidth();

// Sends the page to the default printer, or writes the PDF file and tells the user its path.
// A printer that does not take the job, or a file that cannot be written (a full disk, no
// right to write), is reported to the user under "错误" with the cause and the file's path; no
// job and no file are left then. Throws PrinterError only when the page cannot be drawn.
void SendDocument(const std::vector<PrintOp>& ops, const QString& documentName);

// Prints the page on the printer, reporting under "错误" a printer that does not take the job:
// one whose queue is stopped, that cannot begin, or whose job ends in error.
void PrintOnPrinter(QPrinter& printer, const std::vector<PrintOp>& ops);

// A file name for the document, from its name with the characters files may not hold replaced,
// and the time: 打印-基础数据_20261207-071530.pdf.
QString PdfFileName(const QString& documentName, const QDateTime& time);

// Tests: the clock whose time names the PDF files (an empty one: the system's).
void SetPdfClock(std::function<QDateTime()> clock);

}  // namespace platform
