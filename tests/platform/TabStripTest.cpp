#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

#include "platform/Form.h"
#include "platform/TabStrip.h"

using platform::TabStrip;

TEST(TabStripTest, OneBasedSelectionRaisesClickForCodeAndUser) {
    QWidget host;
    host.resize(600, 300);
    TabStrip* tabs = platform::MakeControl<TabStrip>(&host, "tbs", 0, 0, 9000, 4000);
    QSignalSpy clicks(tabs, &TabStrip::Click);
    tabs->Add("资产负债表", "grpZichan");
    tabs->Add("利润表", "grpSunyi");
    tabs->Add("现金流量表", "grpXianjin");
    host.show();
    EXPECT_EQ(clicks.count(), 0) << "adding tabs is not a click";
    EXPECT_EQ(tabs->Count(), 3);
    EXPECT_EQ(tabs->SelectedIndex(), 1);
    EXPECT_EQ(tabs->Key(2), "grpSunyi");
    EXPECT_EQ(tabs->Caption(3), "现金流量表");

    int seenInClick = 0;
    QObject::connect(tabs, &TabStrip::Click, [&] { seenInClick = tabs->SelectedIndex(); });
    tabs->setSelectedIndex(3);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(seenInClick, 3) << "Click sees the new selection";
    tabs->setSelectedIndex(3);
    EXPECT_EQ(clicks.count(), 2) << "selecting the selected tab again still clicks";

    QTabBar* bar = tabs->Bar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_EQ(tabs->SelectedIndex(), 2);
    EXPECT_EQ(clicks.count(), 3);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_EQ(clicks.count(), 4);

    // The client area lies below the tabs.
    EXPECT_GT(tabs->ClientTop(), tabs->y() * 15 + bar->height() * 15 - 1);
    EXPECT_LT(tabs->ClientWidth(), 9000);
}
