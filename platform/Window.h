// Top-level window services the skinned windows and popup menus need: borderless windows
// clipped to a region, moving a window with the pointer, and the questions "which window is
// active" and "which window is under the pointer".
#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

namespace platform {

// A top-level window without the platform's border and title bar (the program draws its own).
void MakeBorderless(QWidget* window);

// A floating popup that the window manager does not manage: no border, always on top, never
// takes the focus or activation from the window it belongs to. Used by the popup menus, which
// would otherwise be closed at once by their own "another window became active" rule.
void MakeFloatingPopup(QWidget* window);

// Clips the window to the rectangle (0, 0, width, height) in pixels; nothing outside it shows.
void SetWindowRegionRect(QWidget* window, int width, int height);

bool IsWindowMaximized(const QWidget* window);
bool IsWindowMinimized(const QWidget* window);

// Moves the window with the pointer until the mouse button is released, as if its title bar
// had been pressed, and returns then. Call it from a mouse-press handler. A maximised window
// does not move. Timers and other events keep running meanwhile; the release itself reaches
// the widgets as any release does.
void DragWindow(QWidget* window);

// The active top-level window of the program, or nullptr when another program is active.
QWidget* ActiveWindow();
// The visible top-level window of the program under a point in screen pixels, or nullptr.
QWidget* TopLevelAt(const QPoint& screenPos);
// The pointer position in screen pixels.
QPoint PointerPosition();

// The part of the screen that windows may use (without panels), for the screen that holds
// the point.
QRect AvailableScreenArea(const QPoint& screenPos = QPoint());

}  // namespace platform
