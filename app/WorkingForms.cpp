#include "app/WorkingForms.h"

#include "analysis/dubang_form.h"
#include "analysis/power_all_form.h"
#include "analysis/target_all2_from.h"
#include "benchmark/form_mark.h"
#include "entry/form_base.h"
#include "entry/form_base_interface.h"
#include "reports/print_Indicator.h"
#include "reports/print_IntegrationCapability.h"
#include "reports/print_TrendDiagram.h"
#include "reports/print_baseData.h"
#include "shell/system_jc_form.h"
#include "shell/system_pwd_form.h"

namespace {

template <typename F>
frmMainCode::FormFactory make() {
    return [] { return static_cast<platform::Form*>(new F); };
}

}  // namespace

// Each menu's item numbers (shell/MainMenu.cpp) count its separators as items: 打印 lists 基础数据,
// 绩效指标, 指标趋势图 and 能力趋势图 as 1, 3, 5 and 7, with a separator between each two.
const frmMainCode::WorkingFormTable& ProgramWorkingForms() {
    static const frmMainCode::WorkingFormTable forms = {
        {"BaseData", 1, make<form_base>()},
        {"BaseData", 3, make<form_base_interface>()},
        {"SysSetup", 1, make<form_mark>()},
        {"Indicator", 1, make<target_all2_from>()},
        {"Print", 1, make<print_baseData>()},
        {"Print", 3, make<print_Indicator>()},
        {"Print", 5, make<print_TrendDiagram>()},
        {"Print", 7, make<print_IntegrationCapability>()},
        {"Capablility", 1, make<power_all_form>()},
        {"DuBang", 1, make<dubang_form>()},
        {"SysSetup", 3, make<system_jc_form>()},
        {"SysSetup", 5, make<system_pwd_form>()},
    };
    return forms;
}

void InstallWorkingForms() {
    frmMainCode::SetWorkingForms(ProgramWorkingForms());
}
