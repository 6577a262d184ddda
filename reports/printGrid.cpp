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
            moveTo(cx, ry);
            printer().Print(grid.TextMatrix(r, c));
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
