#include "platform/PrintDevices.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/AppPath.h"
#include "platform/MsgBox.h"
#include "platform/PrintPage.h"
#include "platform/QtText.h"

namespace platform {
namespace {

[[noreturn]] void fail(const QString& description) {
    throw PrinterError(S(description));
}

// Draws the page on a printer whose output is already chosen; false when the device fails.
bool paintOn(QPrinter& printer, const std::vector<PrintOp>& ops) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    try {
        RenderPage(painter, printer.resolution(), ops);
    } catch (...) {
        printer.abort();
        painter.end();
        throw;
    }
    return painter.end() && printer.printerState() != QPrinter::Error;
}

void sendToPrinter(const QPrinterInfo& info, const std::vector<PrintOp>& ops,
                   const QString& documentName) {
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(documentName);
    if (!paintOn(printer, ops))
        fail(QStringLiteral("打印机“%1”无法打印，请检查打印机。").arg(info.printerName()));
}

// <program folder>/print, created when missing.
QString printFolder() {
    const QString folder = QDir(Q(AppPath())).filePath(QStringLiteral("print"));
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        fail(QStringLiteral("无法创建打印文件夹：%1").arg(QDir::toNativeSeparators(folder)));
    return folder;
}

// A path in the folder that no file has yet (two prints within one second get "-2", "-3").
QString freePath(const QString& folder, const QString& fileName) {
    const QString base = QFileInfo(fileName).completeBaseName();
    QString path = QDir(folder).filePath(fileName);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1-%2.pdf").arg(base).arg(n));
    return path;
}

// Writes the page under a temporary name and renames it when complete, so that a failure
// never leaves a half-written file under the document's name.
QString writePdf(const std::vector<PrintOp>& ops, const QString& documentName) {
    const QString folder = printFolder();
    const QString path = freePath(folder, PdfFileName(documentName, QDateTime::currentDateTime()));
    const QString partial = path + QStringLiteral(".part");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(partial);
    printer.setPageLayout(PdfPageLayout());
    printer.setDocName(documentName);
    printer.setCreator(QString::fromUtf8(kAppTitle));
    const bool written = paintOn(printer, ops);
    if (!written || !QFile::rename(partial, path)) {
        QFile::remove(partial);
        fail(QStringLiteral("无法写入打印文件：%1").arg(QDir::toNativeSeparators(path)));
    }
    return path;
}

}  // namespace

QPageLayout PdfPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                       QPageLayout::Millimeter);
}

float DrawingWidthTwips(const QPageLayout& layout) {
    return static_cast<float>(layout.paintRectPixels(static_cast<int>(kTwipsPerInch)).width());
}

float CurrentDrawingWidth() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return DrawingWidthTwips(PdfPageLayout());
    const QPrinter printer(info, QPrinter::HighResolution);
    return DrawingWidthTwips(printer.pageLayout());
}

void SendDocument(const std::vector<PrintOp>& ops, const QString& documentName) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
        sendToPrinter(info, ops, documentName);
        return;
    }
    const QString path = writePdf(ops, documentName);
    MsgBox(S(QStringLiteral("没有安装打印机，打印内容已保存为文件：\n%1")
                 .arg(QDir::toNativeSeparators(path))));
}

QString PdfFileName(const QString& documentName, const QDateTime& time) {
    // Compatibility forms first (全角 "－" becomes "-"), then what file systems refuse.
    QString name = documentName.normalized(QString::NormalizationForm_KC);
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c)) c = u'_';
    }
    while (name.startsWith(u'.') || name.startsWith(u' ')) name.remove(0, 1);
    while (name.endsWith(u'.') || name.endsWith(u' ')) name.chop(1);
    if (name.size() > 60) {  // a Chinese caption stays well within a file name's 255 bytes
        name.truncate(name.at(59).isHighSurrogate() ? 59 : 60);
    }
    if (name.isEmpty()) name = QStringLiteral("打印");
    return QStringLiteral("%1_%2.pdf").arg(name, time.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

}  // namespace platform
