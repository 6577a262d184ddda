#include "tests/shell/TestStrip.h"

#include <QApplication>
#include <cmath>

#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/Window.h"
#include "shell/frmXPMenu.h"

namespace {

struct MenuEntry {
    const char* caption;  // nullptr: separator
};

struct MenuLabel {
    const char* name;
    const char* caption;
    int left;
    int width;
    const char* key;
    std::vector<MenuEntry> items;
};

const std::vector<MenuLabel>& menuBar() {
    static const std::vector<MenuLabel> bar = {
        {"menuBaseData",
         "[ 基础数据 ]",
         8,
         61,
         "BaseData",
         {{"数据录入     "}, {nullptr}, {"周期转换     "}, {nullptr}, {"退出系统     "}}},
        {"menuIndicator", "[ 绩效分析 ]", 72, 61, "Indicator", {{"绩效分析     "}}},
        {"menuCapability", "[ 能力趋势 ]", 136, 61, "Capablility", {{"能力趋势     "}}},
        {"menuDuBang", "[ 杜邦分析 ]", 200, 61, "DuBang", {{"杜邦分析     "}}},
        {"menuPrint",
         "[ 打印 ]",
         264,
         37,
         "Print",
         {{"基础数据     "},
          {nullptr},
          {"绩效指标    "},
          {nullptr},
          {"指标趋势图     "},
          {nullptr},
          {"能力趋势图     "}}},
        {"menuSysSetup",
         "[ 系统设置 ]",
         304,
         60,
         "SysSetup",
         {{"基准设置     "}, {nullptr}, {"系统信息     "}, {nullptr}, {"口令修改     "}}},
        {"menuHelp", "[ 帮助 ]", 368, 37, "Help", {{"帮助     "}, {nullptr}, {"关于     "}}},
    };
    return bar;
}

}  // namespace

bool AnyPopupShown() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (frmXPMenu::IsMenuWindow(w) && w->isVisible()) return true;
    }
    return false;
}

TestStrip::TestStrip() : platform::Form("frmTestStrip"), imageList_(nullptr, "ImageList1") {
    platform::MakeBorderless(this);
    resize(1200, 55);
    chrome_ = CreateSkinChrome(this);
    chrome_.lblTitle->setCaption("PraveltaKVT");
    for (QWidget* hidden : {static_cast<QWidget*>(chrome_.imgTitleMaximize),
                            static_cast<QWidget*>(chrome_.imgTitleRestore),
                            static_cast<QWidget*>(chrome_.imgTitleHelp),
                            static_cast<QWidget*>(chrome_.imgWindowBottom),
                            static_cast<QWidget*>(chrome_.imgWindowBottomLeft),
                            static_cast<QWidget*>(chrome_.imgWindowBottomRight)})
        hidden->hide();
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
    for (const MenuLabel& m : menuBar()) {
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
    const MenuLabel& m = menuBar()[index];
    menu_.loParent = this;
    menu_.Init(m.key, &imageList_);
    for (const MenuEntry& e : m.items) {
        if (e.caption != nullptr) {
            menu_.AddItem(0, e.caption, false, false, nullptr);
        } else {
            menu_.AddItem(0, "", false, true, nullptr);
        }
    }
    const platform::Label* label = labels_[index];
    const int x = static_cast<int>(std::nearbyint(Left() / 15.0 + label->x()));
    const int y = static_cast<int>(std::nearbyint(Top() / 15.0 + label->y() + label->height() + 2));
    menu_.ShowMenu(x, y);
}

void TestStrip::HandleMenuClick(const QString& menuName, int itemNum, const QString& strItemText) {
    commands_.push_back({menuName, itemNum, strItemText, AnyPopupShown()});
}
