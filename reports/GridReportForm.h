// The common shape of the two printed grid reports (indicators, base data): a strip of period
// inputs with 确定, 打印 and 关闭, four captioned grids, and one page printed from them: the
// title line, a heading and a ruled table per grid, and the footer.
//
// A request is taken only when its whole check passes and everything it shows has been read;
// a refused or failed request leaves the range, the grids and the print button as they were,
// so a print always titles the grids with the range they show.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <array>
#include <string>

#include "core/CCalendar.h"
#include "entry/PeriodRangePanel.h"
#include "platform/FlexGrid.h"
#include "platform/Form.h"

// The report's title: the company name, one blank, the range caption and "经营数据表".
std::string ReportTitleLine(const std::string& companyName, const PeriodRange& range);

class GridReportForm : public platform::Form {
    Q_OBJECT
  public:
    static constexpr int kSections = 4;
    static constexpr int kPeriodLimit = 7;
    // The filled grids: four item columns, then one of kPeriodColWidth per period.
    static constexpr int kGridCols = 4 + kPeriodLimit;
    static constexpr int kPeriodColWidth = 990;
    static constexpr int kWidth = 11900;
    static constexpr int kHeight = 9000;

    struct ButtonDesign {
        const char* name;
        const char* caption;
        QRect place;   // twips, on Frame1 or on the window
        bool onFrame;  // inside Frame1 rather than on the window
    };
    // One captioned grid; its caption is also its printed heading. The caption stands at the
    // left edge 120, the grid at 0.
    struct SectionDesign {
        const char* labelName;
        const char* caption;
        int labelTop, labelWidth;
        const char* gridName;
        int gridTop, gridHeight;
        const char* gridFont;  // face of 9 points; null for the window's font
        int rows;              // of the empty grid before the first request
    };
    struct Design {
        const char* name;
        const char* caption;
        int frameHeight;
        PeriodRangePanel::Layout panel;  // on Frame1
        std::array<int, 3> labelLefts;   // "周期：", "时间：", "到  ："
        ButtonDesign cmdDo, doPrint, close;
        int labelHeight, gridWidth;  // of every section
        int emptyCols;               // of every empty grid before the first request
        std::array<SectionDesign, kSections> sections;
    };

    // The range the grids show; all zero before the first request.
    const PeriodRange& range() const { return range_; }
    // Grid k, 1 to 4.
    platform::FlexGrid* grid(int k) const { return grids_.at(k - 1); }

    QGroupBox* Frame1;
    PeriodRangePanel* panel;
    QPushButton* cmdDo;
    QPushButton* doPrint;

  protected:
    GridReportForm(const Design& design, QWidget* parent);

    QPushButton* closeButton() const { return close_; }
    // Rows and columns, one fixed row and `fixedCols` fixed columns, every cell empty. A grid
    // of one row keeps its header row only.
    static void shapeGrid(platform::FlexGrid* grid, int rows, int cols, int fixedCols);

    // Size, then the period defaults read on a connection of the window's own.
    void Form_Load() override;
    // Reads everything the accepted range shows, then puts it into the grids; a failing read
    // throws before any grid has changed. `calendar` holds the range.
    virtual void fill(const PeriodRange& range, const CCalendar& calendar) = 0;

  private:
    void cmdDo_Click();
    void doPrint_Click();
    // Title, the four sections, footer, end of document. A failure on the way abandons the
    // document and is shown with its description; nothing half-printed stays open.
    void printReport(const QString& title);

    const Design& design_;
    std::array<platform::FlexGrid*, kSections> grids_{};
    QPushButton* close_ = nullptr;
    PeriodRange range_;
};
