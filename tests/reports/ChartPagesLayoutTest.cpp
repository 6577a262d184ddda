// What both chart-page windows share: an input row whose lists show their longest item whole,
// and requests that lay each chart out once.
#include <QComboBox>
#include <QLabel>

#include "reports/print_IntegrationCapability.h"
#include "reports/print_TrendDiagram.h"
#include "tests/reports/ChartPagesTestSupport.h"
#include "tests/support/ScriptedMsgBox.h"

namespace {

template <typename Window>
using ChartPagesLayoutTest = ChartPagesFixture<Window>;
using Windows = testing::Types<print_TrendDiagram, print_IntegrationCapability>;
TYPED_TEST_SUITE(ChartPagesLayoutTest, Windows);

// Every list of the row (the period lists of each period type included) is at least as wide as
// its longest item needs, and the row's controls stand inside it without overlapping.
TYPED_TEST(ChartPagesLayoutTest, ListsShowTheirLongestItemAndNoControlsOverlap) {
    this->load();
    QFrame* row = this->form->Frame1;
    const QList<QWidget*> controls = row->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* control : controls) {
        SCOPED_TRACE(control->objectName().toStdString());
        if (auto* list = qobject_cast<QComboBox*>(control)) {
            EXPECT_GE(list->width(), list->sizeHint().width());
        }
        EXPECT_TRUE(row->rect().contains(control->geometry()));
        // Period lists of the other period types stand hidden in the same place.
        for (QWidget* other : controls)
            if (other != control && control->isVisibleTo(row) && other->isVisibleTo(row) &&
                !qobject_cast<QLabel*>(control) && !qobject_cast<QLabel*>(other)) {
                EXPECT_FALSE(control->geometry().intersects(other->geometry()))
                    << other->objectName().toStdString();
            }
    }
}

// One request assigns each chart its title, rows and place at once: one layout per chart drawn,
// none for the others, shown or not.
TYPED_TEST(ChartPagesLayoutTest, ARequestLaysEachChartOutOnce) {
    this->load();
    this->form->show();
    std::vector<int> before;
    for (int k = 1; this->form->getChart(k); ++k)
        before.push_back(this->form->getChart(k)->LayoutCount());
    ScriptedMsgBox boxes;
    // The fresh database has no weights: the capability pages report each of the four groups.
    if (std::is_same_v<TypeParam, print_IntegrationCapability>)
        boxes.answer(platform::MsgResult::OK, 4);
    this->form->cmdDo->click();
    QCoreApplication::processEvents();
    for (int k = 1; this->form->getChart(k); ++k) {
        SCOPED_TRACE(k);
        const int drawn = k <= this->form->chartCount() ? 1 : 0;
        EXPECT_EQ(this->form->getChart(k)->LayoutCount() - before[k - 1], drawn);
    }
}

}  // namespace
