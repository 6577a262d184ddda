#include "reports/GridReportForm.h"

#include <functional>

#include "core/CBaseDataDAO.h"
#include "core/CConstants.h"
#include "core/Utils.h"
#include "platform/ErrorText.h"
#include "platform/Fonts.h"
#include "platform/FormHelpers.h"
#include "platform/MsgBox.h"
#include "platform/Printer.h"
#include "platform/QtText.h"
#include "reports/printGrid.h"

using platform::MakeControl;

std::string ReportTitleLine(const std::string& companyName, const PeriodRange& range) {
    return companyName + " " +
           Utils::GetPeriodRangeString(range.PeriodType, range.fromYear, range.toYear,
                                       range.fromPeriod, range.toPeriod) +
           "经营数据表";
}

GridReportForm::GridReportForm(const Design& design, QWidget* parent)
    : Form(design.name, parent), design_(design) {
    setCaption(design.caption);

    Frame1 = MakeControl<QGroupBox>(this, "Frame1", 0, 0, 11775, design.frameHeight);
    const char* const labels[] = {"周期：", "时间：", "到  ："};
    for (int i = 0; i < 3; ++i)
        platform::MakeLabel(Frame1, QString("Label%1").arg(i + 1), labels[i], design.labelLefts[i],
                            240, 615, 255);
    panel =
        new PeriodRangePanel(Frame1, PeriodRangePanel::Config::Range(kPeriodLimit), design.panel);

    const auto button = [this](const ButtonDesign& b, std::function<void()> click) {
        QWidget* parent = b.onFrame ? static_cast<QWidget*>(Frame1) : this;
        QPushButton* made =
            platform::MakeButton(parent, b.name, b.caption, b.place.x(), b.place.y(),
                                 b.place.width(), b.place.height(), std::move(click));
        made->raise();  // over Frame1 when it sits on the window
        return made;
    };
    cmdDo = button(design.cmdDo, [this] { cmdDo_Click(); });
    doPrint = button(design.doPrint, [this] { doPrint_Click(); });
    close_ = button(design.close, [this] { Unload(); });
    doPrint->setEnabled(false);

    for (int k = 0; k < kSections; ++k) {
        const SectionDesign& s = design.sections[k];
        platform::MakeLabel(this, s.labelName, s.caption, 120, s.labelTop, s.labelWidth,
                            design.labelHeight);
        auto* g = MakeControl<platform::FlexGrid>(this, s.gridName, 0, s.gridTop, design.gridWidth,
                                                  s.gridHeight);
        if (s.gridFont) g->setFont(platform::DesignFont(s.gridFont, 9));
        g->setRows(s.rows);
        g->setCols(design.emptyCols);
        grids_[k] = g;
    }
}

void GridReportForm::shapeGrid(platform::FlexGrid* grid, int rows, int cols, int fixedCols) {
    grid->setCols(cols);
    // The fixed rows must be fewer than the rows while they are set.
    grid->setRows(std::max(rows, 2));
    grid->setFixedRows(1);
    grid->setFixedCols(fixedCols);
    grid->setRows(rows);
    grid->Clear();
}

void GridReportForm::Form_Load() {
    setHeight(kHeight);
    setWidth(kWidth);
    panel->FillDefaults();  // a failing read fails the opening
}

void GridReportForm::cmdDo_Click() {
    CCalendar calendar;
    const std::optional<PeriodRange> checked = panel->Check(calendar);
    if (!checked) return;
    fill(*checked, calendar);
    range_ = *checked;
    doPrint->setEnabled(true);
}

void GridReportForm::doPrint_Click() {
    const std::string company = CBaseDataDAO().getCompanyName();
    printReport(platform::Q(ReportTitleLine(company, range_)));
}

void GridReportForm::printReport(const QString& title) {
    platform::Printer& printer = platform::Printer::Default();
    try {
        printer.setDocumentName(Caption());
        CPoint pt{20, 800};
        pt = printGrid::PrintReportTitle(title, pt);
        for (int k = 0; k < kSections; ++k) {
            pt = printGrid::PrintSectionHeading(design_.sections[k].caption, pt);
            pt = printGrid::PrintGrid(*grids_[k], pt);
        }
        pt = printGrid::PrintFooter(platform::Q(CConstants().SystemTitle), pt);
        printGrid::EndPrint();
    } catch (...) {
        const std::string message = platform::UserMessageOf(std::current_exception());
        try {
            printer.KillDoc();
        } catch (const std::exception&) {
            // The error being reported is the one that stopped the print.
        }
        platform::MsgBox(message);
    }
}
