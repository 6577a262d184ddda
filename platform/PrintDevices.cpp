#include "platform/PrintDevices.h"

#include <unistd.h>

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/AppPath.h"
#include "platform/MsgBox.h"
#include "platform/PrintPage.h"
#include "platform/QtText.h"
#include "platform/storage/FileHelpers.h"
#include "platform/storage/ForeignLink.h"

namespace platform {
namespace {

const char* const kErrorTitle = "错误";
constexpr int kPdfDotsPerInch = 1200;

// A print the device could not take, told under "错误"; the document is gone by then.
void reportFailure(const QString& message) {
    MsgBox(S(message), MsgButtons::OK, kErrorTitle);
}

// Why a file could not be written, from the system's error number, in the user's words.
QString writeFailureCause(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("磁盘空间不足");
        case EACCES:
        case EPERM:
        case EROFS:
            return QStringLiteral("没有写入权限");
        case EEXIST:
        case ENOTDIR:
            return QStringLiteral("打印文件夹的位置上已有同名文件");
        case EFBIG:
            return QStringLiteral("文件超过了允许的大小");
        case EIO:
            return QStringLiteral("磁盘读写出错");
        case ELOOP:
            return QStringLiteral("打印位置是其他用户建立的链接，程序不跟随它");
        default:
            return QStringLiteral("系统错误 %1（%2）")
                .arg(error)
                .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
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

// The page as the bytes of a PDF file. It is made in memory, so that writing it to disk is
// one step whose every failure can be seen.
QByteArray pdfBytes(const std::vector<PrintOp>& ops, const QString& documentName) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfDotsPerInch);
    writer.setPageLayout(PdfPageLayout());
    writer.setTitle(documentName);
    writer.setCreator(QString::fromUtf8(kAppTitle));
    QPainter painter;
    if (!painter.begin(&writer)) throw PrinterError(S(QStringLiteral("无法生成打印内容。")));
    RenderPage(painter, writer.resolution(), ops);
    if (!painter.end()) throw PrinterError(S(QStringLiteral("无法生成打印内容。")));
    return buffer.data();
}

// <program folder>/print, created when missing; 0 or the error number of the failure. A link
// there that another user made (others may write a shared program folder) is not followed: ELOOP.
int makeFolder(const QString& folder) {
    if (IsForeignLink(QFile::encodeName(folder).toStdString())) return ELOOP;
    std::error_code ec;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), ec);
    if (!ec && !QFileInfo(folder).isDir()) return ENOTDIR;
    return ec.value();
}

// A path in the folder that no file has yet (two prints within one second get "-2", "-3").
QString freePath(const QString& folder, const QString& fileName) {
    const QString base = QFileInfo(fileName).completeBaseName();
    QString path = QDir(folder).filePath(fileName);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1-%2.pdf").arg(base).arg(n));
    return path;
}

// Gives the complete file at `partial` its name `path` and syncs the folder, so that the name
// survives a power cut; 0 or the error number of the failure, nothing left behind then.
int publish(const QString& partial, const QString& path, const QString& folder) {
    if (::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData()) !=
        0) {
        const int error = errno;
        QFile::remove(partial);
        return error;
    }
    const int error = SyncFolder(QFile::encodeName(folder).toStdString());
    if (error) QFile::remove(path);
    return error;
}

// Writes the PDF file under a temporary name and renames it once complete, so that no
// half-written file is ever seen under the document's name. The saved file's path, or an
// empty text when it could not be written (reported then, nothing left behind).
QString writePdf(const std::vector<PrintOp>& ops, const QString& documentName) {
    const QString folder = QDir(Q(AppPath())).filePath(QStringLiteral("print"));
    const QString fileName = PdfFileName(documentName, QDateTime::currentDateTime());
    int error = makeFolder(folder);
    const QString path = error ? QDir(folder).filePath(fileName) : freePath(folder, fileName);
    if (!error) {
        const QString partial = path + QStringLiteral(".part");
        ::unlink(QFile::encodeName(partial).constData());  // left by an earlier failure
        const QByteArray bytes = pdfBytes(ops, documentName);
        error = WriteNewFile(QFile::encodeName(partial).toStdString(),
                             std::string_view(bytes.constData(), std::size_t(bytes.size())),
                             nullptr, true);
        if (!error) error = publish(partial, path, folder);
    }
    if (!error) return path;
    reportFailure(QStringLiteral("打印文件无法写入：%1。\n%2")
                      .arg(writeFailureCause(error), QDir::toNativeSeparators(path)));
    return QString();
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

void PrintOnPrinter(QPrinter& printer, const std::vector<PrintOp>& ops) {
    // A queue that is stopped takes the job without complaint and never prints it.
    const bool stopped =
        !printer.printerName().isEmpty() && QPrinterInfo(printer).state() == QPrinter::Error;
    if (!stopped && paintOn(printer, ops)) return;
    reportFailure(
        QStringLiteral("打印机“%1”没有接受打印作业，请检查打印机。").arg(printer.printerName()));
}

void SendDocument(const std::vector<PrintOp>& ops, const QString& documentName) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
        QPrinter printer(info, QPrinter::HighResolution);
        printer.setDocName(documentName);
        PrintOnPrinter(printer, ops);
        return;
    }
    const QString path = writePdf(ops, documentName);
    if (!path.isEmpty())
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
