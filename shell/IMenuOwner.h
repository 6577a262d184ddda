// The window that owns a popup menu and receives its commands (the main window).
#pragma once

#include <QString>

class IMenuOwner {
  public:
    virtual ~IMenuOwner() = default;
    // Called after every popup has closed. menuName is the name given to clsXPMenu::Init,
    // itemNum the 1-based index of the chosen item (separators counted), strItemText its
    // caption with its trailing blanks.
    virtual void HandleMenuClick(const QString& menuName, int itemNum,
                                 const QString& strItemText) = 0;
};
