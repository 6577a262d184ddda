#include "tests/shell/TestStrip.h"

#include <QApplication>

#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/Window.h"
#include "shell/MainMenu.h"
#include "shell/frmXPMenu.h"

bool AnyPopupShown() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (frmXPMenu::IsMenuWindow(w) && w->isVisible()) return true;
    }
    return false;
}

TestStrip::TestStrip() : platform::Form("frmTestStrip"), imageList_(nullptr, "ImageList1") {
    platform::MakeBorderless(this);
    resize(1200, 55);
    chrome_ = CreateStripChrome(this, "PraveltaKVT");
    image2_ = new platform::ImageControl(this);
    image2_->setObjectName("Image2");
    image2_->setStretch(true);
    image2_->setPicture(QPixmap(":/shell/Image2.gif"));
    image2_->setGeometry(2, 24, 100, 18);
    for (int i = 0; i < 3; ++i) imageList_.Add(QPixmap(1, 1));
    labels_ = CreateMenuLabels(this, 26, [this](int i) { ShowLabelMenu(i); });
    OnTitleBarPressed(chrome_, this, [this] { DragForm(this); });
}

void TestStrip::Form_Load() {
    ArrangeSkinChrome(this, false);
    LoadSkin(this);
}

void TestStrip::ShowLabelMenu(int index) {
    ShowMainMenu(menu_, this, &imageList_, index, Left(), Top(), labels_[index]);
}

void TestStrip::HandleMenuClick(const QString& menuName, int itemNum, const QString& strItemText) {
    commands_.push_back({menuName, itemNum, strItemText, AnyPopupShown()});
}
