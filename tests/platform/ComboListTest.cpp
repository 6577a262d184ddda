#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "platform/ComboList.h"

using platform::ComboList;

TEST(ComboListTest, ListIndexStartsAtMinusOneAndSettingItRaisesClick) {
    QWidget host;
    ComboList* list = new ComboList(&host);
    QSignalSpy clicks(list, &ComboList::Click);
    for (const char* item : {"年", "半年", "季度", "月"}) list->AddItem(item);
    EXPECT_EQ(list->ListCount(), 4);
    EXPECT_EQ(list->ListIndex(), -1);
    EXPECT_EQ(list->Text(), "");
    EXPECT_EQ(clicks.count(), 0);

    list->setListIndex(2);
    EXPECT_EQ(list->ListIndex(), 2);
    EXPECT_EQ(list->Text(), "季度");
    EXPECT_EQ(clicks.count(), 1);
    list->setListIndex(2);
    EXPECT_EQ(clicks.count(), 2);
    list->setListIndex(9);
    EXPECT_EQ(list->ListIndex(), -1) << "outside the items nothing is selected";
    EXPECT_EQ(clicks.count(), 3);

    // A choice made by the user raises Click too.
    host.show();
    list->setListIndex(0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->ListIndex(), 1);
    EXPECT_EQ(clicks.count(), 5);
    EXPECT_EQ(list->List(3), "月");
}
