#include "reports/printGrid.h"

#include <cmath>

#include "platform/FlexGrid.h"
#include "platform/Printer.h"
#include "platform/Runtime.h"

namespace printGrid {

namespace {

constexpr float kTextPoints = 9;
constexpr float kHeadingPoints = 12;
constexpr float kFooterPoints = 8;
constexpr int kTitleRuleLength = 11240;
constexpr int kFooterRuleY = 15500;
constexpr int kFooterTextY = 15510;
// Table rows are 300 twips apart; a cell's box runs from 80 above its text to 220 below.
constexpr int kRowPitch = 300;
constexpr int kBoxAbove = 80;
constexpr int kBoxBelow = 220;
// A cell text that would reach closer than this to the next rule is shrunk to end that far
// before it, but not below the smallest size, where it runs on as it is.
constexpr int kFitGap = 30;
constexpr float kSmallestPoints = 5;

// A position coordinate: 16 bits, an overflow beyond them is an error.
std::int16_t at(int a, int b) {
    return platform::ToInt16(static_cast<long long>(a) + b);
}

platform::Printer& printer() {
    return platform::Printer::Default();
}

void moveTo(int x, int y) {
    printer().setCurrentX(x);
    printer().setCurrentY(y);
}

// The cell's text at (x, y) in the table's size. A text wider than its column would run over
// the next cell's figure and make both unreadable, so it is printed just small enough to end
// inside its own box, clear of the next rule, with its line's foot where the table's is; the
// table's size returns afterwards.
void printCell(const QString& text, std::int16_t x, std::int16_t y, int width) {
    moveTo(x, y);
    const float needed = printer().TextWidth(text);
    const float fitting = std::floor(kTextPoints * (width - kFitGap) / needed * 4) / 4;
    if (needed <= width - kFitGap || fitting < kSmallestPoints) {
        printer().Print(text);
        return;
    }
    const float lineHeight = printer().TextHeight(text);
    printer().setFontSize(fitting);
    moveTo(x, at(y, static_cast<int>(std::lround(lineHeight - printer().TextHeight(text)))));
    printer().Print(text);
    printer().setFontSize(kTextPoints);
}

}  // namespace

CPoint PrintReportTitle(const QString& text, const CPoint& pt) {
    moveTo(pt.x, pt.y);
    printer().setFontSize(kTextPoints);
    printer().Print(text);
    const std::int16_t ruleY = at(pt.y, 300);
    printer().Line(pt.x, ruleY, at(pt.x, kTitleRuleLength), ruleY);
    return {pt.x, at(pt.y, 500)};
}

CPoint PrintSectionHeading(const QString& text, const CPoint& pt) {
    moveTo(pt.x, pt.y);
    printer().setFontBold(true);
    printer().setFontSize(kHeadingPoints);
    printer().Print(text);
    printer().setFontBold(false);
    return {pt.x, at(pt.y, 400)};
}

CPoint PrintGrid(const platform::FlexGrid& grid, const CPoint& pt) {
    CPoint next = pt;  // a grid without rows prints nothing
    printer().setFontSize(kTextPoints);
    std::int16_t cx = pt.x, ry = pt.y;
    moveTo(cx, ry);
    for (int r = 0; r < grid.Rows(); ++r) {
        printer().setFontBold(r == 0);
        const std::int16_t top = at(ry, -kBoxAbove), bottom = at(ry, kBoxBelow);
        for (int c = 0; c < grid.Cols(); ++c) {
            const int width = grid.ColWidth(c);
            if (width <= 0) continue;  // hidden columns leave no gap
            printCell(grid.TextMatrix(r, c), cx, ry, width);
            printer().Line(cx, top, cx, bottom);
            printer().Line(cx, top, at(cx, width), top);
            cx = at(cx, width);
            moveTo(cx, ry);
        }
        printer().Line(cx, top, cx, bottom);
        if (r == grid.Rows() - 1) {
            printer().Line(pt.x, bottom, cx, bottom);
            next = {pt.x, at(ry, 600)};
        }
        cx = pt.x;
        ry = at(ry, kRowPitch);
        moveTo(cx, ry);
    }
    return next;
}

CPoint PrintFooter(const QString& text, const CPoint& pt) {
    const float right = static_cast<float>(pt.x) + printer().Width();
    printer().Line(pt.x, kFooterRuleY, static_cast<int>(std::lround(right)), kFooterRuleY);
    moveTo(pt.x, kFooterTextY);
    printer().setFontSize(kFooterPoints);
    printer().Print(text);
    return {pt.x, at(pt.y, 500)};
}

void EndPrint() {
    printer().EndDoc();
}

}  // namespace printGrid
