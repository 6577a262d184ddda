// The skinned window chrome: windows without a platform border carry their own title bar,
// title buttons and edges as image controls named after their role (imgTitleLeft, ...,
// imgWindowBottomRight) and a title label lblTitle. These procedures find the controls by
// name, lay them out, load the current skin's pictures into them and make the title bar drag
// the window. Layout is in pixels (ArrangeSkinChrome) or twips (ArrangeSkinEdges) at 15 twips
// per pixel.
#pragma once

#include <QPoint>
#include <QString>
#include <functional>

class QWidget;
class QObject;
namespace platform {
class ImageControl;
class Label;
}  // namespace platform

// Edge codes of ResizeFormEdge.
enum SkinEdge {
    kEdgeLeft = 0,
    kEdgeRight = 1,
    kEdgeTop = 2,
    kEdgeBottom = 3,
    kEdgeBottomRight = 4,
    kEdgeBottomLeft = 5,
    kEdgeTopRight = 6,
    kEdgeTopLeft = 7,
};

// Starts a move of the window by the pointer (from a mouse press on the title bar) and returns
// when the button is released. A maximised window does not move.
void DragForm(QWidget* window);
// Clips the window to its own rectangle.
void ApplyWindowRegion(QWidget* window);
// Loads the current skin's picture into every image control whose name contains "img"; a
// missing or unreadable picture leaves the control as it was, silently.
void LoadSkin(QWidget* window);
// Lays out the title bar, title buttons and edges for the window's size (pixels). The window
// caption becomes lblTitle's caption. A window without the menu-bar picture Image2 is laid out
// all the same.
void ArrangeSkinChrome(QWidget* window, bool flag);
// Lays out the five edge images only (twips), for a window framed by edges alone.
void ArrangeSkinEdges(QWidget* window, bool flag);
// Moves one edge or corner of the window by the pixel distance from `from` to `to`, then lays
// the chrome out again. Unknown codes move nothing.
void ResizeFormEdge(QWidget* window, QPoint from, QPoint to, int edge);

// The skin named by the settings (section "Options", value "Current Skin"), "Blue" by default.
QString CurrentSkinName();
// <program folder>/Skinz/<skin>/<control name>.gif
QString SkinPicturePath(const QString& skin, const QString& controlName);

// The chrome controls of a skinned window, created in the order that stacks them: edges at the
// bottom, then the title bar, the title text and the title buttons on top.
struct SkinChrome {
    platform::ImageControl* imgWindowLeft;
    platform::ImageControl* imgWindowRight;
    platform::ImageControl* imgWindowBottom;
    platform::ImageControl* imgWindowBottomLeft;
    platform::ImageControl* imgWindowBottomRight;
    platform::ImageControl* imgTitleMain;
    platform::ImageControl* imgTitleLeft;
    platform::ImageControl* imgTitleRight;
    platform::Label* lblTitle;
    platform::ImageControl* imgTitleHelp;
    platform::ImageControl* imgTitleMinimize;
    platform::ImageControl* imgTitleMaximize;
    platform::ImageControl* imgTitleRestore;
    platform::ImageControl* imgTitleMaxRestore;
    platform::ImageControl* imgTitleClose;
};

// Creates every chrome control on the window, all shown; the window hides those it does not
// use. lblTitle is in Arial 8.25 points, white.
SkinChrome CreateSkinChrome(QWidget* window);
// The chrome of a strip such as the main window: a title bar with minimise, maximise and close
// buttons and side edges; the help, restore and bottom pieces are hidden.
SkinChrome CreateStripChrome(QWidget* window, const QString& title);
// Calls handler on a left mouse press on the title bar pieces or the title text.
void OnTitleBarPressed(const SkinChrome& chrome, QObject* context,
                       const std::function<void()>& handler);
