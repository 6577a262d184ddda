#include "shell/clsXPMenu.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygon>
#include <cmath>

#include "platform/Form.h"
#include "platform/ImageList.h"
#include "shell/frmXPMenu.h"

const QColor clsXPMenu::kBackColor(249, 248, 247);
const QColor clsXPMenu::kBorderColor(102, 102, 102);
const QColor clsXPMenu::kStripColor(216, 216, 209);
const QColor clsXPMenu::kHilightColor(182, 189, 210);
const QColor clsXPMenu::kHilightFrameColor(10, 36, 106);

namespace {

constexpr int kTopMargin = 3;
constexpr int kBottomMargin = 4;
constexpr int kSeparatorHeight = 9;
constexpr int kIconSize = 16;
constexpr int kIconStripRight = 24;
constexpr int kTextLeft = 32;

// Halves go to the even neighbour, as the menu's measurements always have.
int roundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

// The font that measures the submenu arrow.
QFont marlett(double points) {
    QFont font("Marlett");
    font.setPointSizeF(points);
    return font;
}

}  // namespace

QFont clsXPMenu::MenuFont() {
    QFont font("Tahoma");
    font.setPointSizeF(8.25);
    return font;
}

clsXPMenu::clsXPMenu() : canvasFont_(MenuFont()) {}

clsXPMenu::~clsXPMenu() {
    if (popup_) {
        popup_->XPMenuClass = nullptr;
        popup_->loParent = nullptr;
        popup_->Unload();
    }
}

frmXPMenu* clsXPMenu::popup() {
    if (!popup_) {
        popup_ = new frmXPMenu(this);
        popup_->loParent = loParent;
        popup_->Load();
    }
    return popup_;
}

void clsXPMenu::Init(const QString& strMenuName, const platform::ImageList* imageListBind) {
    menuName_ = strMenuName;
    frmXPMenu* window = popup();
    window->XPMenuClass = this;
    window->loParent = loParent;
    if (imageListBind != nullptr) imageList_ = imageListBind;
    canvasFont_ = MenuFont();
    window->setFont(canvasFont_);
    lineHeight_ = roundEven(QFontMetricsF(canvasFont_).height());
    items_.clear();
    hilightedIndex_ = 0;
}

void clsXPMenu::AddItem(int IconNum, const QString& Text, bool bPopupmenu, bool bSeperator,
                        clsXPMenu* mnuSubitem) {
    Item item;
    item.iconNum = IconNum;
    item.caption = Text;
    item.isPopup = bPopupmenu;
    item.isSeparator = bSeperator;
    if (mnuSubitem != nullptr) item.submenu = mnuSubitem;
    items_.push_back(item);

    const QFontMetricsF windowFont(popup()->font());
    int width = roundEven(windowFont.horizontalAdvance(Text) + 16 + 2 + 23 + 2);
    if (bPopupmenu) {
        const double arrow = QFontMetricsF(marlett(9.75)).horizontalAdvance("4");
        width = roundEven(arrow + (width + 8));
    }
    if (width > menuWidth_) menuWidth_ = width;
}

QString clsXPMenu::GetItemText(int index) const {
    if (index < 1 || index > ItemCount()) return QString();
    return items_[index - 1].caption;
}

bool clsXPMenu::IsTextItem(int index) const {
    if (index < 1 || index > ItemCount()) return false;
    const Item& item = items_[index - 1];
    return !item.isSeparator && !item.isPopup;
}

int clsXPMenu::rowHeight(const Item& item) const {
    return item.isSeparator ? kSeparatorHeight : lineHeight_ + 8;
}

int clsXPMenu::GetHeight() const {
    int height = kTopMargin;
    for (const Item& item : items_) height += rowHeight(item);
    return height + kBottomMargin;
}

int clsXPMenu::GetHilightedItem(double Y) const {
    int top = kTopMargin;
    for (int i = 0; i < ItemCount(); ++i) {
        const int bottom = top + rowHeight(items_[i]);
        if (top <= Y && Y <= bottom) return i + 1;
        top = bottom;
    }
    return 0;
}

void clsXPMenu::DrawMenu() {
    const int width = std::max(menuWidth_, 1);
    const int height = GetHeight();
    QPixmap canvas(width, height);
    canvas.fill(kBackColor);
    {
        QPainter p(&canvas);
        p.setFont(canvasFont_);
        p.setPen(kBorderColor);
        p.drawRect(0, 0, width - 1, height - 1);
        p.fillRect(QRect(QPoint(1, 1), QPoint(kIconStripRight, height - 2)), kStripColor);
        int y = kTopMargin;
        for (int i = 0; i < ItemCount(); ++i) {
            const Item& item = items_[i];
            const bool hilighted = (i + 1 == hilightedIndex_) && !item.isSeparator;
            if (hilighted) hilightedTop_ = y;
            drawItem(p, item, hilighted, y, width);
            y += rowHeight(item);
        }
    }
    picMenuBuffer_ = canvas;

    frmXPMenu* window = popup();
    window->setWidth(platform::PixelsToTwips(width));
    window->setHeight(platform::PixelsToTwips(height));
    window->setPicture(picMenuBuffer_);
    window->show();
}

void clsXPMenu::drawItem(QPainter& p, const Item& item, bool hilighted, int y, int width) {
    const int rowH = lineHeight_ + 8;
    QColor iconBack = kStripColor;
    if (hilighted) {
        const QRect row(QPoint(3, y), QPoint(width - 4, y + rowH));
        p.fillRect(row, kHilightColor);
        p.setPen(kHilightFrameColor);
        p.setBrush(Qt::NoBrush);
        p.drawRect(row.adjusted(0, 0, -1, -1));
        iconBack = kHilightColor;
    }
    if (imageList_ != nullptr && item.iconNum != 0) {
        const QPixmap picture = imageList_->Picture(item.iconNum);
        if (!picture.isNull()) {
            QPixmap picIcon(kIconSize, kIconSize);
            picIcon.fill(iconBack);
            QPainter ip(&picIcon);
            ip.drawPixmap(0, 0, picture);
            ip.end();
            p.drawPixmap(6, y + (rowH - kIconSize) / 2, picIcon);
        }
    }
    if (item.isPopup) drawSubmenuArrow(p, y, width);
    if (item.isSeparator) {
        p.setPen(kStripColor);
        p.drawLine(kIconStripRight, y + 4, width - 2, y + 4);  // the border keeps its last pixel
        return;
    }
    p.setPen(Qt::black);
    const QFontMetrics fm(p.font());
    p.drawText(kTextLeft, y + 4 + fm.ascent(), item.caption);
}

void clsXPMenu::drawSubmenuArrow(QPainter& p, int y, int width) {
    // The arrow is the right-pointing triangle of the symbol font, drawn as a shape so that
    // it does not depend on that font being installed.
    const double cell = QFontMetricsF(marlett(10)).height();
    const int x = roundEven(width - cell - 4);
    const int top = y + (lineHeight_ + 8 - kIconSize) / 2 + 2;
    const int h = std::max(3, roundEven(cell / 2)) | 1;  // odd, for a sharp tip
    const int cx = x + roundEven(cell / 2) - h / 4;
    const int cy = top + roundEven(cell / 2);
    QPolygon arrow;
    arrow << QPoint(cx, cy - h / 2) << QPoint(cx + h / 2, cy) << QPoint(cx, cy + h / 2);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(arrow);
    p.restore();
}

void clsXPMenu::ShowMenu(int left, int top) {
    if (visible_) return;
    frmXPMenu* window = popup();
    window->Move(platform::PixelsToTwips(left), platform::PixelsToTwips(top));
    window->rememberActiveWindow();
    DrawMenu();
    visible_ = false;
    popupShown_ = false;
    window->setWatching(true);
    window->setTag(frmXPMenu::kTag);
}

void clsXPMenu::MoveMenu(int left, int top) {
    if (popup_) popup_->Move(left, top);
}

void clsXPMenu::setHilightedItem(int index) {
    if (index == 0 || index == hilightedIndex_) return;
    if (index == -1) {
        hilightedIndex_ = -1;
        DrawMenu();
        return;
    }
    if (index < 1 || index > ItemCount()) return;
    hilightedIndex_ = index;
    KillPopupMenus();
    popupShown_ = false;
    DrawMenu();
    const Item& item = items_[index - 1];
    if (!item.isPopup || item.submenu == nullptr) return;
    popupShown_ = true;
    openSubmenu_ = item.submenu;
    if (openSubmenu_->IsVisible()) return;
    // 5 pixels inside this popup's right edge, level with the highlighted row.
    const frmXPMenu* window = popup_;
    const int x =
        window->Left() / platform::kTwipsPerPixel + window->Width() / platform::kTwipsPerPixel - 5;
    const int y = window->Top() / platform::kTwipsPerPixel + hilightedTop_;
    openSubmenu_->ShowMenu(x, y);
}

void clsXPMenu::KillPopupMenus() {
    for (const Item& item : items_) {
        if (!item.isPopup || item.submenu == nullptr) continue;
        item.submenu->KillPopupMenus();
        item.submenu->UnloadMenu();
    }
}

void clsXPMenu::KillAllMenus() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!frmXPMenu::IsMenuWindow(w)) continue;
        clsXPMenu* menu = static_cast<frmXPMenu*>(w)->XPMenuClass;
        if (menu == nullptr) {
            static_cast<frmXPMenu*>(w)->Unload();
            continue;
        }
        menu->KillPopupMenus();
        menu->UnloadMenu();
    }
}

void clsXPMenu::UnloadMenu() {
    removeMenu();
    visible_ = false;
    hilightedIndex_ = 0;
}

void clsXPMenu::removeMenu() {
    if (!popup_) return;
    frmXPMenu* window = popup_;
    popup_ = nullptr;
    window->setWatching(false);
    window->Unload();
}

frmXPMenu* clsXPMenu::PopupWindow() const {
    return popup_.data();
}
