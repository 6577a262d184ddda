#include "shell/SkinModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QPalette>
#include <QWidget>
#include <cmath>
#include <stdexcept>

#include "platform/AppPath.h"
#include "platform/ErrorText.h"
#include "platform/Form.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/MsgBox.h"
#include "platform/Settings.h"
#include "platform/Window.h"
#include "shell/MessageBox.h"

namespace {

// Raised when a window lacks a control the layout needs; its Chinese text names the control.
class SkinError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

QWidget* requireWindow(QWidget* window) {
    if (window == nullptr) throw SkinError("没有窗口");
    return window;
}

template <typename T = QWidget>
T* control(QWidget* window, const char* name) {
    T* w = window->findChild<T*>(name);
    if (w == nullptr)
        throw SkinError(
            QString("窗口 %1 没有控件 %2").arg(window->objectName(), name).toStdString());
    return w;
}

// Window size in pixels: twips divided by the twips per pixel, to the nearest whole number.
int pixelsOf(int twips) {
    return static_cast<int>(std::nearbyint(twips / double(platform::kTwipsPerPixel)));
}

// Places a control's top and left (pixels).
void place(QWidget* w, int top, int left) {
    w->move(left, top);
}
void setWidthPx(QWidget* w, int width) {
    w->resize(std::max(0, width), w->height());
}
void setHeightPx(QWidget* w, int height) {
    w->resize(w->width(), std::max(0, height));
}
void placeTwips(QWidget* w, int top, int left) {
    w->move(platform::TwipsToPixels(left), platform::TwipsToPixels(top));
}

// Runs a skin procedure; its errors are reported in the skinned message box: a SkinError's own
// text, any other error's as UserMessageOf gives it.
template <typename F>
void reported(F&& body) {
    std::string message;
    try {
        body();
        return;
    } catch (const SkinError& e) {
        message = e.what();
    } catch (...) {
        message = platform::UserMessageOf(std::current_exception());
    }
    ShowMsgBox(QString::fromStdString(message), 0, QString());
}

platform::ImageControl* newImage(QWidget* window, const char* name, int width, int height,
                                 bool stretch) {
    auto* image = new platform::ImageControl(window);
    image->setObjectName(name);
    image->resize(width, height);
    image->setStretch(stretch);
    return image;
}

}  // namespace

QString CurrentSkinName() {
    return platform::ReadSetting(platform::kAppTitle, "Options", "Current Skin", "Blue");
}

QString SkinPicturePath(const QString& skin, const QString& controlName) {
    return QDir(QString::fromStdString(platform::AppPath()))
        .filePath("Skinz/" + skin + "/" + controlName + ".gif");
}

void DragForm(QWidget* window) {
    reported([window] { platform::DragWindow(requireWindow(window)); });
}

void ApplyWindowRegion(QWidget* window) {
    reported([window] {
        requireWindow(window);
        platform::SetWindowRegionRect(window, pixelsOf(platform::TwipsWidth(window)),
                                      pixelsOf(platform::TwipsHeight(window)));
    });
}

void LoadSkin(QWidget* window) {
    if (window == nullptr) return;
    const QString skin = CurrentSkinName();
    for (auto* image : window->findChildren<platform::ImageControl*>()) {
        if (!image->objectName().contains("img", Qt::CaseInsensitive)) continue;
        image->LoadPicture(SkinPicturePath(skin, image->objectName()));
        image->Refresh();
    }
    auto* maxRestore = window->findChild<platform::ImageControl*>("imgTitleMaxRestore");
    auto* maximize = window->findChild<platform::ImageControl*>("imgTitleMaximize");
    if (maxRestore != nullptr && maximize != nullptr) maxRestore->setPicture(maximize->Picture());
    QCoreApplication::processEvents();
}

void ArrangeSkinChrome(QWidget* window, bool flag) {
    (void)flag;
    reported([window] {
        requireWindow(window);
        const int W = pixelsOf(platform::TwipsWidth(window));
        const int H = pixelsOf(platform::TwipsHeight(window));
        auto* title = control<platform::Label>(window, "lblTitle");
        window->setWindowTitle(title->text());
        // The menu-bar picture belongs to the main window only.
        if (auto* image2 = window->findChild<QWidget*>("Image2")) setWidthPx(image2, W - 5);
        const double titleLeft = W / 2.0 - title->text().size() * 15 / 2.0;
        place(title, 5, static_cast<int>(std::nearbyint(titleLeft)));
        ApplyWindowRegion(window);
        place(control(window, "imgTitleLeft"), 0, 0);
        place(control(window, "imgTitleRight"), 0, W - 10);
        QWidget* main = control(window, "imgTitleMain");
        place(main, 0, 13);
        setWidthPx(main, W - 13);
        QWidget* left = control(window, "imgWindowLeft");
        place(left, 22, 0);
        setHeightPx(left, H);
        place(control(window, "imgWindowBottomLeft"), H - 22, 2);
        QWidget* bottom = control(window, "imgWindowBottom");
        place(bottom, H - 22, 13);
        setWidthPx(bottom, W - 26);
        place(control(window, "imgWindowBottomRight"), H - 22, W - 13);
        QWidget* right = control(window, "imgWindowRight");
        place(right, 22, W - 3);
        setHeightPx(right, H);
        place(control(window, "imgTitleClose"), 0, W - 22);
        place(control(window, "imgTitleMaxRestore"), 0, W - 39);
        place(control(window, "imgTitleMinimize"), 0, W - 56);
        place(control(window, "imgTitleHelp"), 0, W - 73);
    });
}

void ArrangeSkinEdges(QWidget* window, bool flag) {
    (void)flag;
    reported([window] {
        requireWindow(window);
        const int Wt = platform::TwipsWidth(window);
        const int Ht = platform::TwipsHeight(window);
        ApplyWindowRegion(window);
        QWidget* left = control(window, "imgWindowLeft");
        placeTwips(left, 0, 0);
        setHeightPx(left, platform::TwipsToPixels(Ht));
        placeTwips(control(window, "imgWindowBottomLeft"), Ht - 135, 0);
        QWidget* bottom = control(window, "imgWindowBottom");
        placeTwips(bottom, Ht - 135, 90);
        setWidthPx(bottom, platform::TwipsToPixels(Wt - 195));
        placeTwips(control(window, "imgWindowBottomRight"), Ht - 135, Wt - 105);
        QWidget* right = control(window, "imgWindowRight");
        placeTwips(right, 22, Wt - 45);
        setHeightPx(right, platform::TwipsToPixels(Ht));
    });
}

void ResizeFormEdge(QWidget* window, QPoint from, QPoint to, int edge) {
    if (window == nullptr) return;
    const int dx = platform::kTwipsPerPixel * (to.x() - from.x());
    const int dy = platform::kTwipsPerPixel * (to.y() - from.y());
    const int L = platform::TwipsLeft(window);
    const int T = platform::TwipsTop(window);
    const int Wd = platform::TwipsWidth(window);
    const int Hd = platform::TwipsHeight(window);
    // Per edge code, how dx and dy move the left, top, width and height; other codes move
    // nothing.
    static const int kMoves[8][4] = {
        {1, 0, -1, 0}, {0, 0, 1, 0},  {0, 1, 0, -1}, {0, 0, 0, 1},
        {0, 0, 1, 1},  {1, 0, -1, 1}, {0, 1, 1, -1}, {1, 1, -1, -1},
    };
    static const int kNone[4] = {0, 0, 0, 0};
    const int* m = edge >= 0 && edge < 8 ? kMoves[edge] : kNone;
    const int left = L + m[0] * dx;
    const int top = T + m[1] * dy;
    const int width = Wd + m[2] * dx;
    const int height = Hd + m[3] * dy;
    platform::SetTwipsGeometry(window, left, top, width, height);
    ArrangeSkinChrome(window, true);
}

SkinChrome CreateSkinChrome(QWidget* window) {
    SkinChrome c{};
    c.imgWindowBottom = newImage(window, "imgWindowBottom", 8, 22, true);
    c.imgWindowBottomLeft = newImage(window, "imgWindowBottomLeft", 13, 22, false);
    c.imgWindowBottomRight = newImage(window, "imgWindowBottomRight", 13, 22, false);
    c.imgWindowLeft = newImage(window, "imgWindowLeft", 3, 8, true);
    c.imgWindowRight = newImage(window, "imgWindowRight", 3, 8, true);
    c.imgTitleMain = newImage(window, "imgTitleMain", 8, 22, true);
    c.imgTitleLeft = newImage(window, "imgTitleLeft", 13, 22, false);
    c.imgTitleRight = newImage(window, "imgTitleRight", 10, 22, false);
    c.lblTitle = new platform::Label(window);
    c.lblTitle->setObjectName("lblTitle");
    QFont font("Arial");
    font.setPointSizeF(8.25);
    c.lblTitle->setFont(font);
    QPalette palette = c.lblTitle->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    c.lblTitle->setPalette(palette);
    c.lblTitle->setAutoSize(true);
    c.imgTitleHelp = newImage(window, "imgTitleHelp", 16, 22, false);
    c.imgTitleMinimize = newImage(window, "imgTitleMinimize", 16, 22, false);
    c.imgTitleMaximize = newImage(window, "imgTitleMaximize", 16, 22, false);
    c.imgTitleRestore = newImage(window, "imgTitleRestore", 16, 22, false);
    c.imgTitleMaxRestore = newImage(window, "imgTitleMaxRestore", 16, 22, false);
    c.imgTitleClose = newImage(window, "imgTitleClose", 16, 22, false);
    return c;
}

void OnTitleBarPressed(const SkinChrome& chrome, QObject* context,
                       const std::function<void()>& handler) {
    for (platform::Label* piece :
         {static_cast<platform::Label*>(chrome.imgTitleLeft),
          static_cast<platform::Label*>(chrome.imgTitleMain),
          static_cast<platform::Label*>(chrome.imgTitleRight), chrome.lblTitle}) {
        QObject::connect(piece, &platform::Label::mousePressed, context,
                         [handler](Qt::MouseButton button, QPointF) {
                             if (button == Qt::LeftButton) handler();
                         });
    }
}

SkinChrome CreateStripChrome(QWidget* window, const QString& title) {
    SkinChrome chrome = CreateSkinChrome(window);
    chrome.lblTitle->setCaption(title);
    for (QWidget* hidden :
         {static_cast<QWidget*>(chrome.imgTitleMaximize),
          static_cast<QWidget*>(chrome.imgTitleRestore), static_cast<QWidget*>(chrome.imgTitleHelp),
          static_cast<QWidget*>(chrome.imgWindowBottom),
          static_cast<QWidget*>(chrome.imgWindowBottomLeft),
          static_cast<QWidget*>(chrome.imgWindowBottomRight)})
        hidden->hide();
    return chrome;
}
