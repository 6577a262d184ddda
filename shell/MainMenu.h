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

class clsXPMenu;
namespace platform {
class ImageList;
}
// Starts the menu object on a label's key and adds its items (icon 0, no submenus).
void FillMainMenu(clsXPMenu& menu, const MainMenuLabel& label,
                  const platform::ImageList* imageList);
