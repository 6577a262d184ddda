// The program's printer: one page drawn in twips (1/1440 inch) from the top-left corner of the
// page's drawing area, with a current position, text, lines and pictures, sent by EndDoc.
//
// Where the page goes: the system's default printer when one is installed; otherwise a PDF file
// in <program folder>/print/, named after the document name and the time, whose path a message
// box then tells the user; while a RecordingPrinter is alive, into its list of operations.
//
// A document starts with the first text, line or picture and is kept in memory until EndDoc,
// so a document that is abandoned (KillDoc, or any failure) leaves nothing behind: no file, no
// job. Every call that draws or ends the document may throw PrinterError, with a Chinese
// description for the user; the document is then abandoned. A device that does not take the
// finished page (a printer refusing the job, a PDF file that cannot be written) is reported by
// EndDoc itself, in a box titled "错误", and leaves nothing behind either.
#pragma once

#include <QImage>
#include <QString>
#include <stdexcept>
#include <vector>

namespace platform {

struct PrinterError : std::runtime_error {
    using runtime_error::runtime_error;
};

// One operation on the page. Text: (x1, y1) its top-left corner, (x2, y2) the bottom-right
// corner of its box. Line: from (x1, y1) to (x2, y2). Picture: the box from (x1, y1) to
// (x2, y2), so its width is x2 - x1. EndDoc, KillDoc: all zero. fontSize and bold are the
// printer's at the time of the operation.
struct PrintOp {
    enum Kind { Text, Line, Picture, EndDoc, KillDoc } kind;
    int x1, y1, x2, y2;
    QString text;
    float fontSize;
    bool bold;
    QImage picture;
};

class RecordingPrinter;

class Printer {
  public:
    // The one every window prints on.
    static Printer& Default();

    // The window caption; it names the PDF file.
    void setDocumentName(const QString& caption) { documentName_ = caption; }

    int CurrentX() const { return currentX_; }
    int CurrentY() const { return currentY_; }
    void setCurrentX(int twips) { currentX_ = twips; }
    void setCurrentY(int twips) { currentY_ = twips; }

    // Size in points and boldness of the printer's default font (宋体). They stay as set from
    // call to call and from document to document.
    float FontSize() const { return fontSize_; }
    void setFontSize(float points);
    bool FontBold() const { return bold_; }
    void setFontBold(bool bold) { bold_ = bold; }

    // Draws the text with its top-left corner at the current position, then moves to the start
    // of the next line: CurrentX 0, CurrentY one line lower. A line is one em of the font size,
    // as with the Song face (9 points: 180 twips).
    void Print(const QString& text);
    // The advance width and the line height of the text in the current font, in twips.
    float TextWidth(const QString& text) const;
    float TextHeight(const QString& text) const;
    // One thin black straight line.
    void Line(int x1, int y1, int x2, int y2);
    // The width of the page's drawing area (inside the printer's margins) in twips, so that a
    // rule from x 0 to Width() spans exactly what the printer can print.
    float Width() const;
    // Draws the image stretched to the box, in twips.
    void PaintPicture(const QImage& image, int left, int top, int width, int height);

    // Ends the page and sends the document; the PDF fallback then tells the user the file's
    // path, or why it could not be written. Sends nothing when nothing was drawn. The position
    // returns to (0, 0).
    void EndDoc();
    // Abandons the document: nothing of it is kept or sent. The position returns to (0, 0).
    void KillDoc();

  private:
    Printer() = default;
    PrintOp op(PrintOp::Kind kind, int x1, int y1, int x2, int y2) const;
    void add(PrintOp op);
    void abandon();

    friend class RecordingPrinter;
    RecordingPrinter* recorder_ = nullptr;
    std::vector<PrintOp> document_;  // the open document, drawn on the device at EndDoc
    QString documentName_;
    int currentX_ = 0;
    int currentY_ = 0;
    float fontSize_ = 9.0f;
    bool bold_ = false;
};

// Tests: while alive, Printer::Default() records instead of printing.
class RecordingPrinter {
  public:
    RecordingPrinter();
    ~RecordingPrinter();
    RecordingPrinter(const RecordingPrinter&) = delete;
    RecordingPrinter& operator=(const RecordingPrinter&) = delete;

    using Op = PrintOp;
    const std::vector<Op>& ops() const { return ops_; }
    void clear() { ops_.clear(); }

    // Once n operations are recorded, every further one but KillDoc throws PrinterError (a
    // printer that failed stays failed); the printer then abandons the document, which shows
    // here as a KillDoc. A negative n never fails (the default).
    void failAfter(int n) { failAfter_ = n; }

    // The drawing width it reports: an A4 portrait sheet inside the PDF fallback's 5 mm margins,
    // 11340 twips.
    static float PageWidth();

  private:
    friend class Printer;
    void record(const Op& op, bool mayFail);

    std::vector<Op> ops_;
    int failAfter_ = -1;
};

}  // namespace platform
