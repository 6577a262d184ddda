#include "shell/MainMenu.h"

#include <QFont>
#include <algorithm>
#include <cmath>

#include "platform/Fonts.h"
#include "platform/Label.h"
#include "shell/clsXPMenu.h"

const std::vector<MainMenuLabel>& MainMenuBar() {
    static const std::vector<MainMenuLabel> bar = {
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

void FillMainMenu(clsXPMenu& menu, const MainMenuLabel& label,
                  const platform::ImageList* imageList) {
    menu.Init(label.key, imageList);
    for (const MainMenuEntry& e : label.items) {
        if (e.caption) {
            menu.AddItem(0, e.caption, false, false, nullptr);
        } else {
            menu.AddItem(0, "", false, true, nullptr);
        }
    }
}

std::vector<platform::Label*> CreateMenuLabels(QWidget* strip, int top,
                                               const std::function<void(int)>& onHover) {
    const QFont song = platform::SongFont(9);
    std::vector<platform::Label*> labels;
    const auto& bar = MainMenuBar();
    for (int i = 0; i < static_cast<int>(bar.size()); ++i) {
        auto* label = new platform::Label(strip);
        label->setObjectName(bar[i].name);
        label->setCaption(bar[i].caption);
        label->setFont(song);
        // The design widths fit the design font; a wider font must not cut a caption short.
        label->setGeometry(bar[i].left, top, std::max(bar[i].width, label->sizeHint().width()), 13);
        QObject::connect(label, &platform::Label::mouseMoved, strip, [onHover, i] { onHover(i); });
        labels.push_back(label);
    }
    return labels;
}

void ShowMainMenu(clsXPMenu& menu, IMenuOwner* owner, const platform::ImageList* imageList,
                  int index, int stripLeft, int stripTop, const QWidget* label) {
    menu.loParent = owner;
    FillMainMenu(menu, MainMenuBar().at(index), imageList);
    const int x = static_cast<int>(std::nearbyint(stripLeft / 15.0 + label->x()));
    const int y =
        static_cast<int>(std::nearbyint(stripTop / 15.0 + label->y() + label->height() + 2));
    menu.ShowMenu(x, y);
}
