// The printer: the operations it records, the PDF file it writes when no printer is installed,
// failing and abandoned documents, and window printing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "platform/AppPath.h"
#include "platform/PrintDevices.h"
#include "platform/PrintWindow.h"
#include "platform/Printer.h"
#include "platform/QtText.h"
#include "tests/support/AnotherUser.h"
#include "tests/support/ExfatImage.h"
#include "tests/support/MountedPrintFolder.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/SyscallTrace.h"

using platform::Printer;
using platform::PrinterError;
using platform::PrintOp;
using platform::RecordingPrinter;

namespace {

std::vector<PrintOp::Kind> kinds(const RecordingPrinter& rec) {
    std::vector<PrintOp::Kind> out;
    for (const PrintOp& op : rec.ops()) out.push_back(op.kind);
    return out;
}

// Every file below the folder, relative to it.
QStringList filesBelow(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(folder).relativeFilePath(it.next());
    return out;
}

using platform::S;

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(30000)) << S(program);
    EXPECT_EQ(p.exitCode(), 0) << S(program) << " " << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A program folder of its own; the system printer, if this machine has one, is not used.
class PdfPrinterTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a system printer exists";
        ASSERT_TRUE(dir_.isValid());
        platform::SetAppPath(S(dir_.path()));
    }
    void TearDown() override {
        platform::SetAppPath(std::string());
        platform::SetPdfClock(nullptr);
    }
    QString printDir() const { return dir_.filePath("print"); }

    QTemporaryDir dir_;
};

}  // namespace

TEST(RecordingPrinterTest, KeepsEveryOperationWithItsTwipsFontSizeAndBoldness) {
    RecordingPrinter rec;
    Printer& p = Printer::Default();
    p.setFontSize(12);
    p.setFontBold(true);
    p.setCurrentX(20);
    p.setCurrentY(800);
    p.Print("基础数据");
    EXPECT_EQ(p.CurrentX(), 0);  // the next line starts at the left edge
    p.setFontBold(false);
    p.Print("第二行");
    p.setFontSize(8);
    p.Line(20, 1100, 11260, 1100);
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::blue);
    p.PaintPicture(image, 100, 2000, 4000, 2000);
    p.EndDoc();

    ASSERT_EQ(kinds(rec), (std::vector<PrintOp::Kind>{PrintOp::Text, PrintOp::Text, PrintOp::Line,
                                                      PrintOp::Picture, PrintOp::EndDoc}));
    const auto& ops = rec.ops();
    const PrintOp& first = ops[0];
    EXPECT_EQ(first.text, "基础数据");
    EXPECT_EQ(std::tuple(first.x1, first.y1, first.fontSize, first.bold),
              std::tuple(20, 800, 12.0f, true));
    const int lineHeight = first.y2 - first.y1;  // one em of 12 points
    EXPECT_EQ(lineHeight, 240);
    EXPECT_GT(first.x2 - first.x1, 4 * 200);  // four Chinese characters of about 12 points
    EXPECT_EQ(std::tuple(ops[1].x1, ops[1].y1, ops[1].fontSize, ops[1].bold),
              std::tuple(0, 800 + lineHeight, 12.0f, false));
    EXPECT_EQ(std::tuple(ops[2].x1, ops[2].y1, ops[2].x2, ops[2].y2, ops[2].fontSize),
              std::tuple(20, 1100, 11260, 1100, 8.0f));
    EXPECT_EQ(std::tuple(ops[3].x1, ops[3].y1, ops[3].x2, ops[3].y2),
              std::tuple(100, 2000, 4100, 4000));
    EXPECT_EQ(ops[3].picture, image);
    // The document is over: the position is back at the top, the font stays as set.
    EXPECT_EQ(std::pair(p.CurrentX(), p.CurrentY()), std::pair(0, 0));
    EXPECT_EQ(std::pair(p.FontSize(), p.FontBold()), std::pair(8.0f, false));
    // An A4 sheet's drawing area, as wide as the layouts expect.
    EXPECT_EQ(p.Width(), 11340.0f);
}

TEST(RecordingPrinterTest, AFailingPrinterAbandonsTheDocumentAndStaysFailed) {
    RecordingPrinter rec;
    rec.failAfter(2);
    Printer& p = Printer::Default();
    p.Print("标题");
    p.Line(0, 300, 1000, 300);
    try {
        p.Print("表格");
        FAIL() << "the third operation must fail";
    } catch (const PrinterError& e) {
        EXPECT_FALSE(std::string(e.what()).empty());
    }
    EXPECT_EQ(std::pair(p.CurrentX(), p.CurrentY()), std::pair(0, 0));
    EXPECT_THROW(p.EndDoc(), PrinterError);
    EXPECT_EQ(kinds(rec), (std::vector<PrintOp::Kind>{PrintOp::Text, PrintOp::Line,
                                                      PrintOp::KillDoc, PrintOp::KillDoc}));
}

TEST(RecordingPrinterTest, RejectsAFontSizeThatIsNoSize) {
    RecordingPrinter rec;
    Printer& p = Printer::Default();
    for (float bad : {0.0f, -9.0f, NAN}) EXPECT_THROW(p.setFontSize(bad), PrinterError);
    EXPECT_EQ(p.FontSize(), 9.0f);
}

TEST(PdfFileNameTest, KeepsTheCaptionAndReplacesWhatFilesMayNotHold) {
    const QDateTime time(QDate(2026, 12, 7), QTime(7, 15, 30));
    const std::vector<std::pair<QString, QString>> cases = {
        {"打印－基础数据", "打印-基础数据_20261207-071530.pdf"},
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j_20261207-071530.pdf"},
        {" ..杜邦分析. ", "杜邦分析_20261207-071530.pdf"},
        {"", "打印_20261207-071530.pdf"},
        {QString(70, QChar(u'表')), QString(60, QChar(u'表')) + "_20261207-071530.pdf"},
    };
    for (const auto& [caption, expected] : cases)
        EXPECT_EQ(platform::PdfFileName(caption, time), expected) << S(caption);
}

TEST_F(PdfPrinterTest, WritesTheTextWhereItWasPrintedAndTellsThePath) {
    ScriptedMsgBox box;
    box.answer(platform::MsgResult::OK);
    Printer& p = Printer::Default();
    p.setDocumentName("打印－基础数据");
    p.setFontSize(12);
    p.setFontBold(false);
    p.setCurrentX(1440);  // one inch in, two inches down
    p.setCurrentY(2880);
    p.Print("AAA 截至二〇〇三年");
    p.Print("BBB 第二行");
    p.Line(0, 5000, static_cast<int>(p.Width()), 5000);
    p.EndDoc();

    const QStringList files = filesBelow(dir_.path());
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(
        QRegularExpression(R"(^print/打印-基础数据_\d{8}-\d{6}\.pdf$)").match(files[0]).hasMatch())
        << S(files[0]);
    const QString pdf = dir_.filePath(files[0]);
    ASSERT_EQ(box.shown().size(), 1u);
    EXPECT_NE(box.shown()[0].prompt.find(S(QDir::toNativeSeparators(pdf))), std::string::npos)
        << box.shown()[0].prompt;
    EXPECT_EQ(box.shown()[0].title, platform::kAppTitle);  // no title of its own

    const QString text = run("pdftotext", {pdf, "-"}).normalized(QString::NormalizationForm_KC);
    EXPECT_TRUE(text.contains("截至二〇〇三年")) << S(text);
    EXPECT_TRUE(text.contains("第二行")) << S(text);

    // Word boxes in points from the page's corner; the drawing area starts 5 mm (14.17 pt) in.
    const QString html = run("pdftotext", {"-bbox", pdf, "-"});
    auto wordBox = [&](const QString& word) {
        const auto m =
            QRegularExpression(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>)re" + word)
                .match(html);
        EXPECT_TRUE(m.hasMatch()) << S(word);
        return std::pair(m.captured(1).toDouble(), m.captured(2).toDouble());
    };
    const double margin = 5 / 25.4 * 72;
    const auto [x1, y1] = wordBox("AAA");
    const auto [x2, y2] = wordBox("BBB");
    EXPECT_NEAR(x1, margin + 72, 2);
    EXPECT_NEAR(y1, margin + 144, 4);
    EXPECT_NEAR(x2, margin, 2);  // the second line starts at the left edge, one line lower
    EXPECT_NEAR(y2 - y1, 12, 0.5);
}

// The file's name is made durable: the print folder is synced after the file is linked into it.
TEST_F(PdfPrinterTest, ThePrintFolderIsSyncedAfterTheFileIsLinkedIntoIt) {
    ASSERT_TRUE(QDir().mkpath(printDir()));
    const std::string folder = S(QFileInfo(printDir()).canonicalFilePath());
    ScriptedMsgBox box;
    box.answer(platform::MsgResult::OK);
    SyscallTrace trace("linkat,link,renameat,renameat2,fsync");
    if (!trace.attached()) GTEST_SKIP() << "strace is not installed or may not trace this process";
    Printer& p = Printer::Default();
    p.setDocumentName("sync");
    p.Print("sync");
    p.EndDoc();
    const std::vector<std::string> calls = trace.Stop();

    // linkat(AT_FDCWD, "/proc/self/fd/6", 4</…/print>, "sync_….pdf", AT_SYMLINK_FOLLOW) = 0,
    // or a rename from a temporary name in the folder where files cannot be made unnamed.
    const auto link = std::find_if(calls.begin(), calls.end(), [&](const std::string& call) {
        return (call.rfind("link", 0) == 0 || call.rfind("rename", 0) == 0) &&
               call.find(folder + ">, \"sync_") != std::string::npos &&
               call.find(".pdf\"") != std::string::npos && call.ends_with(") = 0");
    });
    ASSERT_NE(link, calls.end()) << testing::PrintToString(calls);
    EXPECT_TRUE(std::any_of(link, calls.end(), [&](const std::string& call) {
        return call.rfind("fsync(", 0) == 0 &&
               call.find("<" + folder + ">) = 0") != std::string::npos;
    })) << testing::PrintToString(calls);
}

// A print never replaces a file of its name, another print's of the same second or one someone
// put there: it takes the next free name, "-2", and tells that one. Nothing else is left.
TEST_F(PdfPrinterTest, APrintTakesTheNextFreeNameAndLeavesTheFileAtItsName) {
    const auto bytes = [&](const QString& name) {
        QFile in(printDir() + "/" + name);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    };
    const auto complete = [&](const QString& name) {
        const QByteArray pdf = bytes(name);
        return pdf.startsWith("%PDF") && (pdf.endsWith("%%EOF") || pdf.endsWith("%%EOF\n"));
    };
    Printer& p = Printer::Default();
    p.setDocumentName("同名");
    // Both prints fall within one second.
    const QDateTime now = QDateTime::currentDateTime();
    platform::SetPdfClock([now] { return now; });
    const QString first = platform::PdfFileName("同名", now);
    for (const bool planted : {false, true}) {
        SCOPED_TRACE(planted ? "a file planted at the name" : "an earlier print");
        ASSERT_TRUE(QDir(printDir()).removeRecursively() && QDir().mkpath(printDir()));
        QFile plant(printDir() + "/" + first);
        ASSERT_TRUE(!planted || (plant.open(QIODevice::WriteOnly) && plant.write("x") == 1));
        plant.close();
        ScriptedMsgBox box;
        box.answer(platform::MsgResult::OK, planted ? 1 : 2);
        for (int print = planted ? 1 : 0; print < 2; ++print) {
            p.Print("同名");
            p.EndDoc();
        }
        const std::vector<ShownBox> shown = box.shown();
        const QString second = QFileInfo(first).completeBaseName() + "-2.pdf";
        QStringList files = filesBelow(printDir()), expected{first, second};
        files.sort();
        expected.sort();
        EXPECT_EQ(S(files.join(" ")), S(expected.join(" ")));
        EXPECT_TRUE(complete(second));
        EXPECT_TRUE(planted ? bytes(first) == "x" : complete(first));
        ASSERT_FALSE(shown.empty());
        const std::string path = S(QDir::toNativeSeparators(printDir() + "/" + second));
        EXPECT_NE(shown.back().prompt.find(path), std::string::npos) << shown.back().prompt;
    }
}

// A print file that cannot be written is reported with its cause; nothing of it is left, and
// nothing of the failed document is sent later.
TEST_F(PdfPrinterTest, AnUnwritablePrintFolderIsReportedAndLeavesNothing) {
    Printer& p = Printer::Default();
    p.setDocumentName("打印－绩效指标");
    const auto print = [&] {
        p.Print("标题");
        p.EndDoc();
    };
    if (MountedPrintFolder readOnly(MountedPrintFolder::ReadOnly); readOnly.mounted())
        ExpectUnwrittenPrintReported(print, printDir(), "没有写入权限");
    QDir().rmdir(printDir());
    QFile blocker(printDir());  // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ExpectUnwrittenPrintReported(print, printDir(), "打印文件夹的位置上已有同名文件");
    ASSERT_TRUE(QFile::remove(printDir()));
    p.EndDoc();
    EXPECT_TRUE(filesBelow(dir_.path()).isEmpty());
}

// A print folder on FAT through fusefat, which refuses every name that is not ASCII (EPERM, as for
// a missing permission): the print takes an ASCII name there and says where it went.
TEST_F(PdfPrinterTest, AFolderThatRefusesTheCaptionsNameGetsTheFileUnderAnAsciiName) {
    const ExfatImage fat("022", true, printDir());
    if (!fat.mounted()) GTEST_SKIP() << "no FAT image can be mounted here (root, fusefat)";
    ScriptedMsgBox box;
    box.answer(platform::MsgResult::OK);
    Printer& p = Printer::Default();
    p.setDocumentName("打印－基础数据");
    p.Print("标题");
    p.EndDoc();
    const QStringList files = QDir(printDir()).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(files.size(), 1) << S(files.join(' '));
    EXPECT_TRUE(QRegularExpression(R"(^PRAVELTAKVT_\d{8}-\d{6}\.PDF$)",
                                   QRegularExpression::CaseInsensitiveOption)
                    .match(files[0])
                    .hasMatch())
        << S(files[0]);
    ASSERT_EQ(box.shown().size(), 1u);
    EXPECT_NE(box.shown()[0].prompt.find(S(files[0])), std::string::npos) << box.shown()[0].prompt;
}

// A print/ that is a link to another folder, in a program folder others may write: one that
// another user made is not followed (the print is reported, nothing lands where it leads); one of
// root's, who owns the program folder here, is.
TEST_F(PdfPrinterTest, APrintFolderLinkAnotherUserMadeIsNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a link another owner needs root";
    Printer& p = Printer::Default();
    p.setDocumentName("打印－绩效指标");
    const auto print = [&] {
        p.Print("标题");
        p.EndDoc();
    };
    for (const uid_t owner : {65534u, 0u}) {
        SCOPED_TRACE(owner);
        const QTemporaryDir elsewhere;
        ASSERT_TRUE(QFile::link(elsewhere.path(), printDir()));
        ASSERT_EQ(::lchown(QFile::encodeName(printDir()).constData(), owner, owner), 0);
        if (owner != 0) {
            ExpectUnwrittenPrintReported(print, printDir(),
                                         "打印位置是其他用户建立的链接，程序不跟随它");
        } else {
            ScriptedMsgBox box;
            box.answer(platform::MsgResult::OK);
            print();
        }
        EXPECT_EQ(filesBelow(elsewhere.path()).size(), owner == 0 ? 1 : 0);
        ASSERT_TRUE(QFile::remove(printDir()));
    }
}

// "uid gid mode" of a file or folder.
std::string ownerAndMode(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return "none";
    char text[64];
    std::snprintf(text, sizeof text, "%u %u %o", st.st_uid, st.st_gid, st.st_mode & 07777);
    return text;
}

// The files are the database's users': root prints first, whatever the umask, and print/ is
// made in the image of the database file, each PDF with its owner, group and mode (without
// execute). Then another user prints there, or is told why not and what to ask for.
TEST_F(PdfPrinterTest, ThePrintFolderAndEveryPdfTakeTheDatabasesAccess) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "giving files other owners needs root";
    constexpr uid_t N = kAnotherUser, kMember = 3008;
    constexpr gid_t G = 3007;
    struct Row {
        const char* what;
        uid_t owner;
        gid_t group;
        mode_t mode, umask;       // of the database, and root's umask
        bool rootsFolder;         // print/ made by an earlier version: root's, 0755
        std::string folder, pdf;  // "uid gid mode" of print/ and of root's PDF
        uid_t next;               // who prints then (in the group G as a member)
        std::string told;  // a part of what the box tells that user; "" when the print is saved
        uid_t first = 0;   // who prints first (not in the group G)
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"the user's database", N, N, 0644, 022, false, "65534 65534 755", "65534 65534 644", N, ""},
        {"print/ of an earlier root's print", N, N, 0644, 022, true, "0 0 755", "65534 65534 644", N,
         "打印文件夹属于用户 root，用户 nobody 不能在其中建立文件\n解决办法：请管理员执行 chown nobody"},
        {"a private database, umask 000", 0, 0, 0600, 0, false, "0 0 700", "0 0 600", N,
         "只能查看数据库\n解决办法：请以数据库的所有者 root 运行程序打印"},
        {"an executable database, umask 000", 0, 0, 0755, 0, false, "0 0 755", "0 0 644", 0, ""},
        {"the shared set-up, a member", 0, G, 0660, 022, false, "0 3007 2770", "0 3007 660", kMember, ""},
        {"the shared set-up, a viewer", 0, G, 0664, 022, false, "0 3007 2775", "0 3007 664", N,
         "只能查看数据库\n解决办法：请管理员执行 usermod -aG 3007 nobody（重新登录后生效）"},
        // The owner may not give print/ the group G: its own group gets what others have; the
        // PDF's gets nothing, and G its rights by a named ACL entry (the mode shows the mask).
        {"the owner outside the database's group", N, G, 0660, 022, false, "65534 65534 700",
         "65534 65534 660", kMember, "打印文件夹属于用户 nobody", N},
    };
    // clang-format on
    ASSERT_EQ(::chmod(QFile::encodeName(dir_.path()).constData(), 0755), 0);
    ASSERT_TRUE(QDir().mkpath(dir_.filePath("db")));
    const QByteArray db = QFile::encodeName(dir_.filePath("db/db.mdb"));
    const auto print = [] {
        ScriptedMsgBox box;
        box.answer(platform::MsgResult::OK);
        Printer::Default().Print("报表");
        Printer::Default().EndDoc();
        return box.shown().empty() ? std::string() : box.shown()[0].prompt;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(QDir(printDir()).removeRecursively());
        if (row.rootsFolder) ASSERT_EQ(::mkdir(QFile::encodeName(printDir()).constData(), 0755), 0);
        std::ofstream(db.constData()) << "x";
        // The program folder and db/ are the database owner's.
        for (const QString& folder : {dir_.path(), dir_.filePath("db")})
            ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), row.owner, row.owner), 0);
        ASSERT_EQ(::chown(db, row.owner, row.group) | ::chmod(db, row.mode), 0);
        const mode_t before = ::umask(row.umask);
        const std::string told = row.first ? AsUser(row.first, row.first, print) : print();
        ::umask(before);
        const QString pdf = QString::fromStdString(told.substr(told.find('\n') + 1));
        EXPECT_EQ(ownerAndMode(printDir()), row.folder);
        EXPECT_EQ(ownerAndMode(pdf), row.pdf) << told;

        const std::string next = AsUser(row.next, row.next == kMember ? G : row.next, print);
        EXPECT_NE(next.find(row.told.empty() ? "没有安装打印机" : row.told), std::string::npos)
            << next;
        EXPECT_EQ(filesBelow(printDir()).size(), row.told.empty() ? 2 : 1);
    }
}

// A printer that cannot begin the job (here one whose output cannot be opened) is reported under
// "错误" and prints nothing.
TEST_F(PdfPrinterTest, APrinterThatDoesNotTakeTheJobIsReported) {
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir_.filePath("missing/page.pdf"));
    ScriptedMsgBox box;
    box.answer(platform::MsgResult::OK);
    const PrintOp text{PrintOp::Text, 0, 0, 100, 180, "标题", 9.0f, false, QImage()};
    platform::PrintOnPrinter(printer, {text});
    ASSERT_EQ(box.shown().size(), 1u);
    EXPECT_EQ(box.shown()[0].title, "错误");
    EXPECT_NE(box.shown()[0].prompt.find("没有接受打印作业"), std::string::npos)
        << box.shown()[0].prompt;
    EXPECT_TRUE(filesBelow(dir_.path()).isEmpty());
}

TEST_F(PdfPrinterTest, KillDocLeavesNothing) {
    Printer& p = Printer::Default();
    p.Print("作废");
    p.KillDoc();
    p.EndDoc();
    EXPECT_TRUE(filesBelow(dir_.path()).isEmpty());
}

// A window of 300 x 200 pixels with a visible blue label and a hidden red button.
class PrintFormTest : public testing::Test {
  protected:
    void SetUp() override { BuildWindow(window_); }

  public:
    static void BuildWindow(QWidget& window) {
        window.resize(300, 200);
        window.setWindowTitle("杜邦分析");
        window.setStyleSheet("background: white");
        auto* label = new QLabel(&window);
        label->setGeometry(10, 10, 100, 50);
        label->setStyleSheet("background: blue");
        auto* button = new QPushButton(&window);
        button->setGeometry(150, 100, 100, 50);
        button->setStyleSheet("background: red");
        button->hide();
    }

  protected:
    QWidget window_;
};

TEST_F(PrintFormTest, PrintsTheVisibleClientAreaAtPageWidth) {
    RecordingPrinter rec;
    platform::PrintForm(&window_);
    ASSERT_EQ(kinds(rec), (std::vector<PrintOp::Kind>{PrintOp::Picture, PrintOp::EndDoc}));
    const PrintOp& pic = rec.ops()[0];
    const int width = static_cast<int>(std::floor(RecordingPrinter::PageWidth()));
    EXPECT_EQ(std::tuple(pic.x1, pic.y1, pic.x2, pic.y2),
              std::tuple(0, 0, width, qRound(width * 200.0 / 300.0)));
    const QImage image = pic.picture.convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(600, 400));  // painted at twice the screen's resolution
    EXPECT_EQ(QColor(image.pixel(100, 60)), QColor(Qt::blue));
    EXPECT_EQ(QColor(image.pixel(400, 250)), QColor(Qt::white));  // the hidden button is absent
}

TEST_F(PrintFormTest, AFailingPrintAbandonsTheDocument) {
    RecordingPrinter rec;
    rec.failAfter(1);
    EXPECT_THROW(platform::PrintForm(&window_), PrinterError);
    EXPECT_EQ(kinds(rec), (std::vector<PrintOp::Kind>{PrintOp::Picture, PrintOp::KillDoc}));
}

TEST_F(PdfPrinterTest, PrintFormWritesTheWindowImageNamedAfterItsCaption) {
    QWidget window;
    PrintFormTest::BuildWindow(window);
    ScriptedMsgBox box;
    box.answer(platform::MsgResult::OK);
    platform::PrintForm(&window);
    const QStringList files = filesBelow(dir_.path());
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].startsWith("print/杜邦分析_")) << S(files[0]);
    // One image, the window's 300 x 200 pixels at twice the resolution.
    const QString list = run("pdfimages", {"-list", dir_.filePath(files[0])});
    EXPECT_TRUE(QRegularExpression(R"(\n\s*1\s+0\s+image\s+600\s+400\s)").match(list).hasMatch())
        << S(list);
}
