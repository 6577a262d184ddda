#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QFontMetricsF>
#include <QImage>
#include <QPointer>
#include <cmath>

#include "platform/Fonts.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/Timer.h"
#include "platform/Window.h"
#include "shell/clsXPMenu.h"
#include "shell/frmXPMenu.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/shell/TestStrip.h"
#include "tests/support/GuiEvents.h"

namespace {

QFont tahoma() {
    QFont f("Tahoma");
    f.setPointSizeF(8.25);
    return f;
}

int itemWidth(const QString& caption) {
    return static_cast<int>(
        std::nearbyint(QFontMetricsF(tahoma()).horizontalAdvance(caption) + 43));
}

// Records the commands a menu delivers.
struct Owner : IMenuOwner {
    struct Command {
        QString name;
        int item;
        QString text;
        bool popupsOpen;
    };
    std::vector<Command> commands;
    void HandleMenuClick(const QString& menuName, int itemNum,
                         const QString& strItemText) override {
        commands.push_back({menuName, itemNum, strItemText, AnyPopupShown()});
    }
};

// The "BaseData" menu: text, separator, text, separator, text.
void buildBaseData(clsXPMenu& menu, Owner* owner) {
    menu.loParent = owner;
    menu.Init("BaseData", nullptr);
    menu.AddItem(0, "数据录入     ", false, false, nullptr);
    menu.AddItem(0, "", false, true, nullptr);
    menu.AddItem(0, "周期转换     ", false, false, nullptr);
    menu.AddItem(0, "", false, true, nullptr);
    menu.AddItem(0, "退出系统     ", false, false, nullptr);
}

class XPMenuTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::InstallFontSubstitutions(); }
    void TearDown() override {
        clsXPMenu::KillAllMenus();
        gui::pump(20);
    }
    // The y of the middle of row `index` (1-based) of the BaseData menu.
    double rowMiddle(const clsXPMenu& menu, int index) const {
        const int L = menu.LineHeight();
        const int tops[] = {3, 3 + L + 8, 3 + L + 8 + 9, 3 + 2 * (L + 8) + 9, 3 + 2 * (L + 8) + 18};
        const int heights[] = {L + 8, 9, L + 8, 9, L + 8};
        return tops[index - 1] + heights[index - 1] / 2.0;
    }
    // The BaseData menu with a sixth item "More" that opens `sub` (one item, "Leaf"), shown
    // at (100, 100).
    void showWithSubmenu(clsXPMenu& menu, clsXPMenu& sub) {
        sub.loParent = &owner;
        sub.Init("Sub", nullptr);
        sub.AddItem(0, "Leaf     ", false, false, nullptr);
        buildBaseData(menu, &owner);
        menu.AddItem(0, "More     ", true, false, &sub);
        menu.ShowMenu(100, 100);
    }
    Owner owner;
};

TEST_F(XPMenuTest, RowsAndSeparatorsGiveHeightAndHitTest) {
    clsXPMenu menu;
    menu.Init("Empty", nullptr);
    EXPECT_EQ(menu.GetHeight(), 7);
    EXPECT_EQ(menu.GetHilightedItem(3), 0);

    buildBaseData(menu, &owner);
    const int L = menu.LineHeight();
    EXPECT_EQ(L, static_cast<int>(std::nearbyint(QFontMetricsF(tahoma()).height())));
    EXPECT_EQ(menu.GetHeight(), 3 + 3 * (L + 8) + 2 * 9 + 4);

    const double r1 = 3 + L + 8;  // border between item 1 and the first separator
    const double r2 = r1 + 9;
    const double r3 = r2 + L + 8;
    const double r4 = r3 + 9;
    const double r5 = r4 + L + 8;
    const struct {
        double y;
        int item;
    } cases[] = {
        {0, 0},  {2.9, 0},      {3, 1},      {r1 - 0.5, 1}, {r1, 1}, {r1 + 0.5, 2},
        {r2, 2}, {r2 + 0.1, 3}, {r3, 3},     {r3 + 1, 4},   {r4, 4}, {r4 + 1, 5},
        {r5, 5}, {r5 + 0.5, 0}, {r5 + 4, 0}, {-1, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(menu.GetHilightedItem(c.y), c.item) << "y=" << c.y;

    EXPECT_TRUE(menu.IsTextItem(1));
    EXPECT_FALSE(menu.IsTextItem(2));
    EXPECT_TRUE(menu.IsTextItem(5));
    EXPECT_FALSE(menu.IsTextItem(6));
    EXPECT_FALSE(menu.IsTextItem(0));
    EXPECT_EQ(menu.GetItemText(3), "周期转换     ");
    EXPECT_EQ(menu.GetItemText(6), "");
}

TEST_F(XPMenuTest, WidthOnlyGrowsAcrossInits) {
    clsXPMenu menu;
    menu.Init("Print", nullptr);
    menu.AddItem(0, "指标趋势图     ", false, false, nullptr);
    const int wide = itemWidth("指标趋势图     ");
    EXPECT_EQ(menu.MenuWidth(), wide);

    menu.Init("Help", nullptr);
    menu.AddItem(0, "帮助     ", false, false, nullptr);
    EXPECT_EQ(menu.MenuWidth(), wide) << "a narrower menu keeps the wider width";
    EXPECT_EQ(menu.ItemCount(), 1);

    const QString wider = "A much longer caption than any before     ";
    menu.AddItem(0, wider, false, false, nullptr);
    EXPECT_EQ(menu.MenuWidth(), itemWidth(wider));

    clsXPMenu parent;
    clsXPMenu sub;
    parent.Init("Parent", nullptr);
    parent.AddItem(0, "More", true, false, &sub);
    QFont marlett("Marlett");
    marlett.setPointSizeF(9.75);
    const double arrow = QFontMetricsF(marlett).horizontalAdvance("4");
    EXPECT_EQ(parent.MenuWidth(), static_cast<int>(std::nearbyint(arrow + itemWidth("More") + 8)));
}

TEST_F(XPMenuTest, ShowMenuPlacesRedrawsAndReportsNotVisible) {
    clsXPMenu menu;
    buildBaseData(menu, &owner);
    EXPECT_EQ(menu.GetHilightNum(), 0);
    menu.ShowMenu(108, 44);
    frmXPMenu* popup = menu.PopupWindow();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->pos(), QPoint(108, 44));
    EXPECT_EQ(popup->size(), QSize(menu.MenuWidth(), menu.GetHeight()));
    EXPECT_EQ(popup->Tag(), "XPMenu");
    EXPECT_FALSE(menu.IsVisible()) << "the visible flag stays False while shown";
    EXPECT_TRUE(popup->tmrActive()->IsRunning());
    EXPECT_TRUE(popup->tmrHover()->IsRunning());

    // Re-initialised with another label's items and shown again: moved and redrawn.
    menu.Init("Indicator", nullptr);
    menu.AddItem(0, "绩效分析     ", false, false, nullptr);
    menu.ShowMenu(172, 44);
    EXPECT_EQ(menu.PopupWindow(), popup);
    EXPECT_EQ(popup->pos(), QPoint(172, 44));
    EXPECT_EQ(popup->height(), 3 + menu.LineHeight() + 8 + 4);

    menu.setHilightedItem(1);
    EXPECT_EQ(menu.GetHilightNum(), 1);
    menu.Init("Indicator", nullptr);
    EXPECT_EQ(menu.GetHilightNum(), 0);
    menu.setHilightedItem(1);
    menu.UnloadMenu();
    EXPECT_EQ(menu.GetHilightNum(), 0);
    EXPECT_EQ(menu.PopupWindow(), nullptr);
    EXPECT_FALSE(popup->isVisible());
}

TEST_F(XPMenuTest, MouseMovesHighlightAndMarginsKeepIt) {
    clsXPMenu menu;
    buildBaseData(menu, &owner);
    menu.ShowMenu(100, 100);
    frmXPMenu* popup = menu.PopupWindow();
    gui::move(popup, {20, rowMiddle(menu, 3)});
    EXPECT_EQ(menu.GetHilightNum(), 3);
    gui::move(popup, {20, 1});  // top margin
    EXPECT_EQ(menu.GetHilightNum(), 3);
    gui::move(popup, {20, rowMiddle(menu, 2)});  // a separator takes the highlight, draws none
    EXPECT_EQ(menu.GetHilightNum(), 2);

    const QImage image = menu.MenuPicture().toImage();
    const int row3 = static_cast<int>(rowMiddle(menu, 3));
    EXPECT_NE(image.pixelColor(10, row3), clsXPMenu::kHilightColor);

    gui::move(popup, {20, rowMiddle(menu, 5)});
    const QImage lit = menu.MenuPicture().toImage();
    const int top5 = menu.HilightedItemTop();
    EXPECT_EQ(top5, static_cast<int>(rowMiddle(menu, 5) - (menu.LineHeight() + 8) / 2.0));
    EXPECT_EQ(lit.pixelColor(3, top5), clsXPMenu::kHilightFrameColor);
    EXPECT_EQ(lit.pixelColor(10, top5 + 2), clsXPMenu::kHilightColor);
    EXPECT_EQ(lit.pixelColor(0, 0), clsXPMenu::kBorderColor);
    EXPECT_EQ(lit.pixelColor(10, 2), clsXPMenu::kStripColor);
    EXPECT_EQ(lit.pixelColor(10, row3), clsXPMenu::kStripColor);
}

TEST_F(XPMenuTest, ClickDeliversTheItemUnderTheReleaseAfterClosingAll) {
    clsXPMenu menu;
    buildBaseData(menu, &owner);
    menu.ShowMenu(100, 100);
    QPointer<frmXPMenu> popup = menu.PopupWindow();
    gui::press(popup, {20, rowMiddle(menu, 1)});
    gui::release(popup, {20, rowMiddle(menu, 5)});
    ASSERT_EQ(owner.commands.size(), 1u);
    EXPECT_EQ(owner.commands[0].name, "BaseData");
    EXPECT_EQ(owner.commands[0].item, 5);
    EXPECT_EQ(owner.commands[0].text, "退出系统     ");
    EXPECT_FALSE(owner.commands[0].popupsOpen) << "every popup closes before the command";
    EXPECT_EQ(menu.PopupWindow(), nullptr);
}

TEST_F(XPMenuTest, ClicksOnSeparatorsMarginsAndSubmenuParentsDoNothing) {
    clsXPMenu sub;
    clsXPMenu menu;
    showWithSubmenu(menu, sub);
    frmXPMenu* popup = menu.PopupWindow();
    const int L = menu.LineHeight();
    const double subRow = 3 + 3 * (L + 8) + 18 + (L + 8) / 2.0;
    for (double y : {rowMiddle(menu, 2), rowMiddle(menu, 4), 1.0, menu.GetHeight() - 1.0, subRow}) {
        gui::click(popup, {20, y});
        EXPECT_TRUE(owner.commands.empty()) << "y=" << y;
        EXPECT_EQ(menu.PopupWindow(), popup);
        EXPECT_TRUE(popup->isVisible());
    }
}

TEST_F(XPMenuTest, SubmenuCascadesAtTheRightEdgeAndClosesWithItsParent) {
    clsXPMenu sub;
    clsXPMenu menu;
    showWithSubmenu(menu, sub);
    frmXPMenu* popup = menu.PopupWindow();

    menu.setHilightedItem(6);
    EXPECT_TRUE(menu.PopupShown());
    ASSERT_NE(sub.PopupWindow(), nullptr);
    EXPECT_TRUE(sub.PopupWindow()->isVisible());
    EXPECT_EQ(sub.PopupWindow()->pos(),
              QPoint(100 + popup->width() - 5, 100 + menu.HilightedItemTop()));

    // The pointer leaving the parent clears nothing while its submenu is open.
    QCursor::setPos(QPoint(5, 5));
    gui::pump(120);
    EXPECT_EQ(menu.GetHilightNum(), 6);

    menu.setHilightedItem(1);  // another item closes the cascade
    EXPECT_FALSE(menu.PopupShown());
    EXPECT_EQ(sub.PopupWindow(), nullptr);

    menu.setHilightedItem(6);
    gui::click(sub.PopupWindow(), {20, 3 + (sub.LineHeight() + 8) / 2.0});
    ASSERT_EQ(owner.commands.size(), 1u);
    EXPECT_EQ(owner.commands[0].name, "Sub");
    EXPECT_EQ(owner.commands[0].item, 1);
    EXPECT_FALSE(owner.commands[0].popupsOpen);
    EXPECT_EQ(menu.PopupWindow(), nullptr) << "the parent closes with the cascade";
}

TEST_F(XPMenuTest, CaptionIsDrawnInFull) {
    clsXPMenu menu;
    menu.Init("BaseData", nullptr);
    menu.AddItem(0, "退出系统", false, false, nullptr);
    menu.ShowMenu(100, 100);
    const QImage image = menu.MenuPicture().toImage();
    const int firstTwo = static_cast<int>(QFontMetricsF(tahoma()).horizontalAdvance("退出"));
    int rightmostInk = 0;
    for (int y = 3; y < menu.GetHeight() - 4; ++y) {
        for (int x = 32; x < image.width() - 1; ++x) {
            if (image.pixelColor(x, y).lightness() < 128) rightmostInk = std::max(rightmostInk, x);
        }
    }
    EXPECT_GT(rightmostInk, 32 + firstTwo + 4);
}

class XPMenuClosingTest : public XPMenuTest {
  protected:
    void SetUp() override {
        XPMenuTest::SetUp();
        strip.Show();
        strip.activateWindow();
        ASSERT_TRUE(gui::waitFor([this] { return platform::ActiveWindow() == &strip; }, 2000));
        strip.ShowLabelMenu(0);
        ASSERT_TRUE(AnyPopupShown());
    }
    TempProgramFolder folder;
    TestStrip strip;
};

TEST_F(XPMenuClosingTest, StaysWhileItsOwnerIsActive) {
    gui::pump(350);
    EXPECT_TRUE(AnyPopupShown());
}

TEST_F(XPMenuClosingTest, AnotherActiveWindowClosesAllWithinATick) {
    QWidget other;
    other.setGeometry(500, 400, 100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(gui::waitFor([&] { return platform::ActiveWindow() == &other; }, 2000));
    EXPECT_TRUE(gui::waitFor([] { return !AnyPopupShown(); }, 1000));
}

TEST_F(XPMenuClosingTest, AMousePressElsewhereClosesAll) {
    gui::press(strip.chrome().imgTitleMain, {30, 5});
    gui::release(strip.chrome().imgTitleMain, {30, 5});
    EXPECT_FALSE(AnyPopupShown());
}

TEST_F(XPMenuClosingTest, PointerLeavingClearsTheHighlightOnce) {
    clsXPMenu& menu = strip.XPMenu();
    const QPoint firstRow(20, 3 + (menu.LineHeight() + 8) / 2);
    gui::move(menu.PopupWindow(), firstRow);
    EXPECT_EQ(menu.GetHilightNum(), 1);
    QCursor::setPos(menu.PopupWindow()->mapToGlobal(firstRow));
    gui::pump(120);
    EXPECT_EQ(menu.GetHilightNum(), 1) << "the pointer is on the popup";
    QCursor::setPos(QPoint(700, 500));
    EXPECT_TRUE(gui::waitFor([&] { return menu.GetHilightNum() == -1; }, 1000));
    EXPECT_TRUE(AnyPopupShown()) << "leaving clears the highlight but keeps the menu";
}

TEST_F(XPMenuClosingTest, HoveringLabelsMovesTheOneMenu) {
    strip.move(100, 50);
    gui::move(strip.menuLabel(0), {5, 5});
    clsXPMenu& menu = strip.XPMenu();
    frmXPMenu* popup = menu.PopupWindow();
    // 1500 / 15 + 8 = 108; 750 / 15 + 26 + 13 + 2 = 91.
    EXPECT_EQ(popup->pos(), QPoint(108, 91));
    gui::move(strip.menuLabel(4), {5, 5});
    EXPECT_EQ(menu.PopupWindow(), popup);
    EXPECT_EQ(popup->pos(), QPoint(100 + 264, 91));
    EXPECT_EQ(menu.GetMenuName(), "Print");
    EXPECT_EQ(menu.ItemCount(), 7);
    gui::click(popup, {20, 3 + (menu.LineHeight() + 8) + 9 + (menu.LineHeight() + 8) / 2.0});
    ASSERT_EQ(strip.commands().size(), 1u);
    EXPECT_EQ(strip.commands()[0].menuName, "Print");
    EXPECT_EQ(strip.commands()[0].itemNum, 3);
    EXPECT_EQ(strip.commands()[0].strItemText, "绩效指标    ");
}

}  // namespace
