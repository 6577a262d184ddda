#include "analysis/ChartAutoSize.h"

#include <cstdint>

#include "core/Utils.h"
#include "entry/PeriodRangePanel.h"
#include "platform/QtText.h"
#include "platform/Runtime.h"

namespace {

constexpr int kWidthPerPeriod = 1010;
constexpr int kWidthBase = 1545;
constexpr int kTitleCharWidth = 150;
constexpr int kTitleFreeChars = 6;
constexpr int kWindowAllowance = 250;

// The text of position i, or an empty one where the caller holds fewer texts than it said.
const std::string& at(const std::vector<std::string>& texts, int i) {
    static const std::string none;
    return i < static_cast<int>(texts.size()) ? texts[i] : none;
}

std::vector<platform::ChartRow> chartRows(int n, int m, const std::vector<std::string>& labels,
                                          const std::vector<std::string>& values,
                                          const QString& placeholder) {
    std::vector<platform::ChartRow> rows;
    rows.reserve(std::max(n, 0));
    for (int i = 0; i < n; ++i) {
        if (i >= m) {
            rows.push_back({placeholder, std::nullopt});
            continue;
        }
        platform::ChartRow row{QString::fromStdString(at(labels, i)), std::nullopt};
        const std::string value = platform::Trim(at(values, i));
        if (platform::IsNumeric(value)) row.value = platform::CDbl(value);
        rows.push_back(std::move(row));
    }
    return rows;
}

// m × 1010 + 1545; in 16 bits this overflows from 31 periods on.
float chartWidth(int m, bool widened) {
    const long long width = static_cast<long long>(m) * kWidthPerPeriod + kWidthBase;
    return widened ? static_cast<float>(width) : platform::ToInt16(width);
}

}  // namespace

void ChartAutoSize(platform::MSChart& chart, const platform::Form& window, const QString& title,
                   int n, int m, const std::vector<std::string>& labels,
                   const std::vector<std::string>& values, const ChartAutoSizeStyle& style) {
    std::vector<platform::ChartRow> rows = chartRows(n, m, labels, values, style.placeholder);
    float width = 0;
    try {
        width = chartWidth(m, style.widenedWidth);
    } catch (...) {
        // The overflow is raised once the chart holds its new title and data.
        chart.assign(title, std::move(rows), chart.Left(), chart.Width());
        throw;
    }
    // A long title widens the chart so that it fits.
    const std::int32_t titleWidth =
        (static_cast<std::int32_t>(title.size()) - kTitleFreeChars) * kTitleCharWidth;
    if (width < titleWidth) width = static_cast<float>(titleWidth);

    const int windowWidth = window.Width();
    float left = (windowWidth - width) / 2 - 100;
    if (width > windowWidth - kWindowAllowance) {
        width = static_cast<float>(windowWidth - kWindowAllowance);
        left = 5;
    }
    chart.assign(title, std::move(rows), left, width);
}

QString TrendChartTitle(const PeriodRange& r, const QString& name) {
    return platform::Q(Utils::GetPeriodRangeString(r.PeriodType, r.fromYear, r.toYear, r.fromPeriod,
                                                   r.toPeriod)) +
           name + "    ";
}
