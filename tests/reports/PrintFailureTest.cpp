// Every kind of print (the two grid reports, the DuPont window and both chart pages) into a print
// folder on a full disk: the user is told under "错误" that the print file could not be written,
// why and where, and no file is left.
#include <gtest/gtest.h>

#include <QPushButton>
#include <functional>
#include <memory>

#include "analysis/dubang_form.h"
#include "platform/Fonts.h"
#include "reports/print_Indicator.h"
#include "reports/print_IntegrationCapability.h"
#include "reports/print_TrendDiagram.h"
#include "reports/print_baseData.h"
#include "tests/entry/EntryTestSupport.h"
#include "tests/support/MountedPrintFolder.h"

namespace {

// A window of the kind, opened and filled so that its 打印 button prints.
using ReadyWindow = std::function<std::unique_ptr<platform::Form>()>;

template <typename Window>
std::unique_ptr<platform::Form> rangeWindow(const char* from, const char* to) {
    auto form = std::make_unique<Window>();
    form->Show();
    EnterRange(form->panel, 0, from, to);
    form->cmdDo->click();
    return form;
}

template <typename Window>
std::unique_ptr<platform::Form> chartPages() {
    auto form = std::make_unique<Window>();
    form->Load();
    form->cmdDo->click();
    return form;
}

class PrintFailure : public testing::Test {
  protected:
    void SetUp() override {
        platform::InstallFontSubstitutions();
        db.exec("update indicatorItem set Weight = 0");  // every capability group scores
        db.putData(112, 1, 2003, 1, 900);
    }
    TestDb db;
};

TEST_F(PrintFailure, EveryKindOfPrintOnAFullDiskIsReportedAndLeavesNoFile) {
    const std::vector<std::pair<const char*, ReadyWindow>> kinds = {
        {"打印－绩效指标", [] { return rangeWindow<print_Indicator>("2002", "2004"); }},
        {"打印－基础数据", [] { return rangeWindow<print_baseData>("2002", "2004"); }},
        {"杜邦分析", [] { return rangeWindow<dubang_form>("2003", nullptr); }},
        {"打印－指标趋势图", chartPages<print_TrendDiagram>},
        {"打印－能力趋势图", chartPages<print_IntegrationCapability>},
    };
    for (const auto& [name, ready] : kinds) {
        SCOPED_TRACE(name);
        const std::unique_ptr<platform::Form> form = ready();
        auto* doPrint = form->findChild<QPushButton*>("doPrint");
        ASSERT_TRUE(doPrint && doPrint->isEnabled());
        MountedPrintFolder folder(MountedPrintFolder::Full);
        if (!folder.mounted()) GTEST_SKIP() << "mounting a file system is not permitted";
        ExpectUnwrittenPrintReported([&] { doPrint->click(); }, folder.path(), "磁盘空间不足");
    }
}

}  // namespace
