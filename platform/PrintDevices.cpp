#include "platform/PrintDevices.h"

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
#include <functional>

#include "platform/MsgBox.h"
#include "platform/PrintFolder.h"
#include "platform/PrintPage.h"
#include "platform/QtText.h"
#include "platform/storage/Folder.h"
#include "platform/storage/FolderTrust.h"

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

// The names a print may take: the document's, then with "-2", "-3" ... (two prints within one
// second), as far as "-999".
Folder::NameFor numberedNames(const QString& fileName) {
    const QString base = QFileInfo(fileName).completeBaseName();
    return [fileName, base](int attempt) {
        if (attempt > 999) return std::string();
        const QString name =
            attempt == 1 ? fileName : QStringLiteral("%1-%2.pdf").arg(base).arg(attempt);
        return QFile::encodeName(name).toStdString();
    };
}

// How a file system refuses a file name it cannot store.
bool refusesTheName(int error) {
    return error == EPERM || error == EINVAL || error == EILSEQ;
}

bool isAscii(const QString& name) {
    for (const QChar c : name)
        if (c.unicode() > 0x7e) return false;
    return true;
}

// A print folder others may change: where, why and how to mend it.
void reportDoubt(const FolderDoubt& doubt) {
    reportFailure(
        QStringLiteral("打印文件夹不安全，打印内容没有保存：其他用户可以改动其中的文件。\n"
                       "文件夹：%1\n原因：%2\n改正的命令：%3")
            .arg(Q(doubt.folder), Q(doubt.why), Q(doubt.fix)));
}

std::function<QDateTime()>& pdfClock() {
    static std::function<QDateTime()> clock;
    return clock;
}

// Writes the PDF file and gives it the document's first free name once complete and synced
// (Folder::Publish): no half-written file is ever seen, and no file is replaced. The saved
// file's path, or an empty text when it could not be written (reported then, nothing left
// behind).
QString writePdf(const std::vector<PrintOp>& ops, const QString& documentName) {
    const QDateTime now = pdfClock() ? pdfClock()() : QDateTime::currentDateTime();
    const QString fileName = PdfFileName(documentName, now);
    PrintFolder print;
    int error = print.Open();
    std::string name = QFile::encodeName(fileName).toStdString();
    if (!error) {
        if (!print.Doubt().Empty()) {
            reportDoubt(print.Doubt());
            return QString();
        }
        if (!print.MayWrite()) error = EACCES;
    }
    if (!error) {
        const QByteArray bytes = pdfBytes(ops, documentName);
        const auto publish = [&](const QString& as, std::string& given) {
            return print.Files().Publish(
                std::string_view(bytes.constData(), std::size_t(bytes.size())), print.PdfAccess(),
                numberedNames(as), given);
        };
        error = publish(fileName, name);
        // Some FAT drivers (fusefat) refuse every name that is not ASCII, EPERM as for a missing
        // permission: the print then takes a name of ASCII letters only.
        std::string ascii;
        if (refusesTheName(error) && !isAscii(fileName) &&
            publish(PdfFileName(QStringLiteral("PraveltaKVT"), now), ascii) == 0) {
            error = 0;
            name = ascii;
        }
    }
    const QString saved = QFile::decodeName(QByteArray::fromStdString(print.Path() + "/" + name));
    if (!error) return saved;
    if (error == EACCES)
        reportFailure(Q(print.Refusal()));
    else
        reportFailure(QStringLiteral("打印文件无法写入：%1。\n%2")
                          .arg(writeFailureCause(error), QDir::toNativeSeparators(saved)));
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

void SetPdfClock(std::function<QDateTime()> clock) {
    pdfClock() = std::move(clock);
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
