#include "platform/Printer.h"

#include <QtMath>
#include <cmath>
#include <utility>

#include "platform/PrintDevices.h"
#include "platform/PrintPage.h"
#include "platform/QtText.h"

namespace platform {

Printer& Printer::Default() {
    static Printer printer;
    return printer;
}

void Printer::setFontSize(float points) {
    if (!std::isfinite(points) || points <= 0 || points > 2048)
        throw PrinterError(S(QStringLiteral("无效的字号：%1").arg(points)));
    fontSize_ = points;
}

void Printer::Print(const QString& text) {
    const QSizeF box = TextBoxTwips(text, fontSize_, bold_);
    PrintOp o = op(PrintOp::Text, currentX_, currentY_, currentX_ + qRound(box.width()),
                   currentY_ + qRound(box.height()));
    o.text = text;
    add(std::move(o));
    currentX_ = 0;
    currentY_ += qRound(box.height());
}

float Printer::TextWidth(const QString& text) const {
    return static_cast<float>(TextBoxTwips(text, fontSize_, bold_).width());
}

float Printer::TextHeight(const QString& text) const {
    return static_cast<float>(TextBoxTwips(text, fontSize_, bold_).height());
}

void Printer::Line(int x1, int y1, int x2, int y2) {
    add(op(PrintOp::Line, x1, y1, x2, y2));
}

float Printer::Width() const {
    return recorder_ ? RecordingPrinter::PageWidth() : CurrentDrawingWidth();
}

void Printer::PaintPicture(const QImage& image, int left, int top, int width, int height) {
    if (image.isNull()) {
        abandon();
        throw PrinterError(S(QStringLiteral("没有可打印的图像。")));
    }
    PrintOp o = op(PrintOp::Picture, left, top, left + width, top + height);
    o.picture = image;
    add(std::move(o));
}

void Printer::EndDoc() {
    const std::vector<PrintOp> page = std::exchange(document_, {});
    currentX_ = currentY_ = 0;
    try {
        if (recorder_)
            recorder_->record(op(PrintOp::EndDoc, 0, 0, 0, 0), true);
        else if (!page.empty())
            SendDocument(page, documentName_);
    } catch (...) {
        abandon();
        throw;
    }
}

void Printer::KillDoc() {
    abandon();
}

PrintOp Printer::op(PrintOp::Kind kind, int x1, int y1, int x2, int y2) const {
    return PrintOp{kind, x1, y1, x2, y2, QString(), fontSize_, bold_, QImage()};
}

// Keeps the operation in the open document (the first one opens it); a recording printer
// that fails abandons the document.
void Printer::add(PrintOp o) {
    try {
        if (recorder_) recorder_->record(o, true);
    } catch (...) {
        abandon();
        throw;
    }
    document_.push_back(std::move(o));
}

void Printer::abandon() {
    document_.clear();
    currentX_ = currentY_ = 0;
    if (recorder_) recorder_->record(op(PrintOp::KillDoc, 0, 0, 0, 0), false);
}

// A recording starts on a fresh printer: no open document, position (0, 0), 9 points, not bold.
RecordingPrinter::RecordingPrinter() {
    Printer& p = Printer::Default();
    p.document_.clear();
    p.currentX_ = p.currentY_ = 0;
    p.fontSize_ = 9.0f;
    p.bold_ = false;
    p.recorder_ = this;
}

RecordingPrinter::~RecordingPrinter() {
    Printer& p = Printer::Default();
    p.document_.clear();  // a page drawn for the recording is never sent
    p.recorder_ = nullptr;
}

float RecordingPrinter::PageWidth() {
    return DrawingWidthTwips(PdfPageLayout());
}

void RecordingPrinter::record(const Op& op, bool mayFail) {
    if (mayFail && failAfter_ >= 0 && ops_.size() >= static_cast<size_t>(failAfter_))
        throw PrinterError(S(QStringLiteral("打印机出错，无法完成打印。")));
    ops_.push_back(op);
}

}  // namespace platform
