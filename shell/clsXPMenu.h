// One owner-drawn popup menu: its items, its geometry and its drawing. The menu is drawn off
// screen as one picture and shown by its own popup window (frmXPMenu). All geometry is in
// pixels; the popup window is placed in twips at 15 twips per pixel.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <vector>

#include "shell/IMenuOwner.h"

namespace platform {
class ImageList;
}
class frmXPMenu;

class clsXPMenu {
  public:
    clsXPMenu();
    ~clsXPMenu();
    clsXPMenu(const clsXPMenu&) = delete;
    clsXPMenu& operator=(const clsXPMenu&) = delete;

    // The owner that receives the commands; set it before Init.
    IMenuOwner* loParent = nullptr;

    // Starts a new item list named strMenuName. A null image list keeps the one bound before.
    // The menu width is kept: a menu object only grows wider.
    void Init(const QString& strMenuName, const platform::ImageList* imageListBind);
    // Appends an item: IconNum is a 1-based picture of the image list (0 = none).
    void AddItem(int IconNum, const QString& Text, bool bPopupmenu, bool bSeperator,
                 clsXPMenu* mnuSubitem);

    int GetHilightNum() const { return hilightedIndex_; }
    // The caption of item index (trailing blanks included); "" above the count.
    QString GetItemText(int index) const;
    QString GetMenuName() const { return menuName_; }
    // True for an item that is neither a separator nor a submenu parent.
    bool IsTextItem(int index) const;
    bool IsVisible() const { return visible_; }
    bool PopupShown() const { return popupShown_; }

    // Closes every popup of every menu object.
    static void KillAllMenus();
    // Closes this menu's submenus, recursively.
    void KillPopupMenus();

    // Places the popup at (left, top) screen pixels, draws it and shows it, also when it is
    // shown already.
    void ShowMenu(int left, int top);
    // Draws the menu and shows the popup where it stands.
    void DrawMenu();
    int GetHeight() const;
    // The item under the popup's y coordinate (pixels), 0 for none.
    int GetHilightedItem(double Y) const;
    // Sets the popup's left and top, in twips.
    void MoveMenu(int left, int top);
    // Moves the highlight (-1 clears it, 0 does nothing) and opens the item's submenu.
    void setHilightedItem(int index);
    // Closes the popup and forgets the highlight.
    void UnloadMenu();
    // Closes the popup only.
    void removeMenu();

    int MenuWidth() const { return menuWidth_; }
    int LineHeight() const { return lineHeight_; }
    int ItemCount() const { return static_cast<int>(items_.size()); }
    int HilightedItemTop() const { return hilightedTop_; }
    // The last drawn picture of the menu.
    const QPixmap& MenuPicture() const { return picMenuBuffer_; }
    // The popup window, or nullptr while none is loaded.
    frmXPMenu* PopupWindow() const;

    // The colours of the drawing.
    static const QColor kBackColor;
    static const QColor kBorderColor;
    static const QColor kStripColor;
    static const QColor kHilightColor;
    static const QColor kHilightFrameColor;
    // The font of the captions (Tahoma 8.25 points), for the popup window as well.
    static QFont MenuFont();

  private:
    struct Item {
        int iconNum = 0;
        QString caption;
        bool isPopup = false;
        clsXPMenu* submenu = nullptr;
        bool isSeparator = false;
    };

    // The popup window, loaded on first use.
    frmXPMenu* popup();
    int rowHeight(const Item& item) const;
    void drawItem(QPainter& p, const Item& item, bool hilighted, int y, int width);
    void drawSubmenuArrow(QPainter& p, int y, int width);

    QString menuName_;
    int menuWidth_ = 0;
    int lineHeight_ = 0;
    QPointer<frmXPMenu> popup_;
    clsXPMenu* openSubmenu_ = nullptr;
    bool visible_ = false;
    bool popupShown_ = false;
    int hilightedTop_ = 0;
    const platform::ImageList* imageList_ = nullptr;
    std::vector<Item> items_;
    int hilightedIndex_ = 0;
    QFont canvasFont_;
    QPixmap picMenuBuffer_;
};
