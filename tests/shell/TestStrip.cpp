#include "tests/shell/TestStrip.h"

#include <QApplication>
#include <cmath>

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
    QFont song("宋体");
    song.setPointSize(9);
    setFont(song);
    int index = 0;
    for (const MainMenuLabel& m : MainMenuBar()) {
        auto* label = new platform::Label(this);
        label->setObjectName(m.name);
        label->setCaption(m.caption);
        label->setGeometry(m.left, 26, m.width, 13);
        connect(label, &platform::Label::mouseMoved, this, [this, index] { ShowLabelMenu(index); });
        labels_.push_back(label);
        ++index;
    }
    OnTitleBarPressed(chrome_, this, [this] { DragForm(this); });
}

void TestStrip::Form_Load() {
    ArrangeSkinChrome(this, false);
    LoadSkin(this);
}

void TestStrip::ShowLabelMenu(int index) {
    menu_.loParent = this;
    FillMainMenu(menu_, MainMenuBar()[index], &imageList_);
    const platform::Label* label = labels_[index];
    const int x = static_cast<int>(std::nearbyint(Left() / 15.0 + label->x()));
    const int y = static_cast<int>(std::nearbyint(Top() / 15.0 + label->y() + label->height() + 2));
    menu_.ShowMenu(x, y);
}

void TestStrip::HandleMenuClick(const QString& menuName, int itemNum, const QString& strItemText) {
    commands_.push_back({menuName, itemNum, strItemText, AnyPopupShown()});
}
