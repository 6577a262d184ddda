// The chart-page windows: a row of inputs in Frame1 over a fixed set of trend charts that stand
// two to a page, an upper and a lower slot (odd charts above, even below). The windows page
// through the charts of their last request with "<<" and ">>" and print the window's image of
// the current page, with the two charts moved up and enlarged over the input row for the paper.
// This class holds everything the indicator and the capability chart pages share; each window
// adds its own inputs and draws its own charts.
#pragma once

#include <QRect>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "entry/PeriodRangePanel.h"
#include "platform/ComboList.h"
#include "platform/Form.h"
#include "platform/MSChart.h"

class QFrame;
class QLabel;
class QPushButton;

class ChartPages : public platform::Form {
    Q_OBJECT
  public:
    // What differs between the windows' layouts, in twips. The input row is laid out from left
    // to right in one way for both: captions, the period inputs (period lists wide enough for
    // "第一季度"), the window's own inputs, "<<", ">>", 确定, 打印 and 关闭, `gap` apart.
    struct Design {
        QString name;
        QString caption;
        int frameLeft;
        QString toLabel;   // caption of Label3
        int toLabelWidth;  // the room it takes before the end year
        int ownWidth;      // room for the window's own inputs after the period inputs
        int gap;           // between the controls after the period inputs
        int pagerWidth, okWidth, printWidth, closeWidth;
        int chartCount;  // MSChart1 .. MSChartN
        int chartLeft, chartWidth;
    };

    QFrame* Frame1 = nullptr;
    PeriodRangePanel* panel = nullptr;
    QPushButton* cmd_Perious = nullptr;
    QPushButton* cmd_Next = nullptr;
    QPushButton* cmdDo = nullptr;
    QPushButton* doPrint = nullptr;
    QPushButton* Command1 = nullptr;

    // Chart n (1-based), or null for any other n.
    platform::MSChart* getChart(int n) const;
    void showChart(int n);
    // Hides every chart.
    void ClearChart();
    // Shows the charts of the current page.
    void showPage();

    int currentPage() const { return currentPage_; }
    int chartCount() const { return chartCount_; }
    int pageCount() const;
    // The range of the last accepted request and its period count.
    const PeriodRange& range() const { return range_; }
    int periodCount() const { return periodCount_; }
    // The captions of the range's periods, as the charts label them.
    std::vector<std::string> periodLabels() const;

    // Sends the window's picture to the printer; tests may look at the window at that moment.
    std::function<void(QWidget*)> printWindow;

  protected:
    ChartPages(const Design& design, QWidget* parent);

    // Size, pages and period defaults: the first part of every Load.
    void loadPagesAndDefaults();
    // The period check; on acceptance the range and its period count.
    std::optional<std::pair<PeriodRange, int>> checkRange();
    // Where the window's own inputs start in Frame1, in twips.
    int ownInputsLeft() const { return ownInputsLeft_; }
    void setChartCount(int count) { chartCount_ = count; }
    // Opens every list of the input row at least as wide as its longest item, so that items
    // wider than their box (历史最好水平) read whole when the list drops down.
    void fitListsToItems();
    // A pick in `list` once the window has loaded runs the request as 确定 does.
    void requestOnPick(platform::ComboList* list);
    // Takes an accepted request as one step: adopts the range of `checked` and `choice` (the
    // pick in the window's own list, 1-based), runs `draw`, which draws the charts, and shows
    // page 1 with "<<" off, ">>" and printing on. When the drawing fails part-way (the database
    // cannot be read), the range, the choice, the pages, the buttons and every chart are put
    // back as they were and the error goes on to the handler's message. The charts never mix
    // two requests.
    template <typename Draw>
    void drawRequest(const std::pair<PeriodRange, int>& checked, int choice, Draw&& draw) {
        const Drawn kept = keepDrawn();
        try {
            range_ = checked.first;
            periodCount_ = checked.second;
            choice_ = choice;
            draw();
        } catch (...) {
            restoreDrawn(kept);
            throw;
        }
        showFirstPage();
    }
    // The choice of the last accepted request (0 before the first).
    int choice() const { return choice_; }
    bool isLoaded = false;

    virtual void cmdDo_Click() = 0;

  private:
    // What the last drawn request left on the window.
    struct Drawn {
        struct Chart {
            std::vector<platform::ChartRow> rows;
            QString title;
            float left, width;
            bool visible;
        };
        PeriodRange range;
        int periodCount, choice, chartCount, currentPage;
        bool previous, next, print;
        std::vector<Chart> charts;
    };
    Drawn keepDrawn() const;
    void restoreDrawn(const Drawn& kept);
    void showFirstPage();

    void cmd_Next_Click();
    void cmd_Perious_Click();
    void doPrint_Click();
    void Command1_Click();

    std::vector<platform::MSChart*> charts_;
    PeriodRange range_;
    int periodCount_ = 0;
    int choice_ = 0;
    static constexpr int chartsPerPage = 2;
    int currentPage_ = 1;
    int chartCount_ = 0;
    int ownInputsLeft_ = 0;
};

// The blank data of a chart before any request: `dashes` rows labelled " - ", then `empties`
// rows with an empty label, none with a value.
std::vector<platform::ChartRow> BlankChartRows(int dashes, int empties);
