// The main strip's menu bar: seven labels, each with its popup menu of items and separators.
#pragma once

#include <vector>

struct MainMenuEntry {
    const char* caption;  // nullptr: a separator
};

struct MainMenuLabel {
    const char* name;     // the label control's name
    const char* caption;  // the label's text
    int left;             // design position and width in pixels
    int width;
    const char* key;  // the menu's name passed to the popup menu and back to HandleMenuClick
    std::vector<MainMenuEntry> items;
};

// The labels in order from the left. Item captions carry their trailing blanks.
const std::vector<MainMenuLabel>& MainMenuBar();

#include <functional>

class QWidget;
class clsXPMenu;
class IMenuOwner;
namespace platform {
class ImageList;
class Label;
}  // namespace platform
// Starts the menu object on a label's key and adds its items (icon 0, no submenus).
void FillMainMenu(clsXPMenu& menu, const MainMenuLabel& label,
                  const platform::ImageList* imageList);

// Creates the seven menu labels on the strip at `top` (pixels) in 宋体 9 points; hovering
// label i calls onHover(i).
std::vector<platform::Label*> CreateMenuLabels(QWidget* strip, int top,
                                               const std::function<void(int)>& onHover);

// Fills the menu with label `index`'s items and shows it 2 pixels below the label, level with
// its left edge; the strip's position is in twips at 15 twips per pixel.
void ShowMainMenu(clsXPMenu& menu, IMenuOwner* owner, const platform::ImageList* imageList,
                  int index, int stripLeft, int stripTop, const QWidget* label);
