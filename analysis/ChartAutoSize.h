// The one way a trend chart is filled, titled, sized and placed: one value per period over the
// period captions, wider with more periods and with a longer title, centred in its window and
// never wider than the window.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "platform/Form.h"
#include "platform/MSChart.h"

struct PeriodRange;

// What differs between the windows that draw trend charts.
struct ChartAutoSizeStyle {
    QString placeholder = " - ";  // label of rows beyond the data (" -" on the capability pages)
    bool widenedWidth = false;    // width arithmetic that widens instead of 16-bit overflow
};

// Sets title, data, width and left of `chart` inside `window` (Form::Width() is the window
// width). n rows; labels and values hold the m periods of data (values as "0.00" or "-"
// texts). Rows from m on carry the placeholder and no value; the width follows m. The chart is
// laid out once. With the 16-bit width arithmetic, 31 periods or more throw
// platform::RuntimeError ("溢出") once the chart holds the title and the data.
void ChartAutoSize(platform::MSChart& chart, const platform::Form& window, const QString& title,
                   int n, int m, const std::vector<std::string>& labels,
                   const std::vector<std::string>& values, const ChartAutoSizeStyle& style = {});

// The title of a window's trend chart: the range's caption, then the name of what is charted.
QString TrendChartTitle(const PeriodRange& range, const QString& name);
