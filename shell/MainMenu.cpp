#include "shell/MainMenu.h"

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
