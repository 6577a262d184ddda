#include "analysis/DupontTreeFrame.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <algorithm>

#include "platform/FittedFont.h"
#include "platform/Fonts.h"
#include "platform/Form.h"

using platform::TwipsToPixels;

namespace {

struct Text {
    const char* text;
    int left, top;
};

// Node captions, including the small "年初" / "年末" before a node's two period values.
const Text kCaptions[] = {
    {"净资产收益率", 3960, 360},
    {"资产净利率", 2400, 1080},
    {"权益乘数", 5760, 1080},
    {"营业净利率", 2280, 1920},
    {"资产周转率", 7200, 1920},
    {"净利润", 1920, 2640},
    {"主营业务收入", 4080, 2640},
    {"主营业务收入", 6480, 2640},
    {"资产总额", 9000, 2640},
    {"年初", 8520, 2880},
    {"年末", 8520, 3120},
    {"主营业务收入", 360, 3960},
    {"全部成本", 2160, 3960},
    {"其他利润", 3840, 3960},
    {"所得税", 5760, 3960},
    {"流动资产", 7440, 3960},
    {"年初", 6960, 4200},
    {"年末", 6960, 4440},
    {"非流动资产", 9480, 3960},
    {"年初", 9120, 4200},
    {"年末", 9120, 4440},
    {"主营业务成本", 360, 5280},
    {"主营业务税金及附加", 360, 5520},
    {"管理费用", 360, 5760},
    {"营业费用", 360, 6000},
    {"财务费用", 360, 6240},
    {"其他流动资产", 3600, 5280},
    {"年初", 3480, 5520},
    {"年末", 3480, 5760},
    {"现金及现金等价物", 5400, 5280},
    {"年初", 5400, 5520},
    {"年末", 5400, 5760},
    {"应收帐款", 7800, 5280},
    {"年初", 7560, 5520},
    {"年末", 7560, 5760},
    {"存货", 9720, 5280},
    {"年初", 9360, 5520},
    {"年末", 9360, 5760},
    // Operators between sibling boxes: 净利润 = 收入 － 成本 + 其他利润 － 所得税.
    {"×", 5160, 1080},
    {"×", 6000, 1920},
    {"/", 3480, 2640},
    {"/", 8160, 2640},
    {"－", 1680, 4080},
    {"+", 3360, 4080},
    {"－", 5040, 4080},
    {"+", 8640, 4200},
    {"+", 5040, 5400},
    {"+", 7200, 5400},
    {"+", 9060, 5400},  // midway between 应收帐款 and 存货, touching neither
};

// lsValue1 to lsValue31, in order.
const QPoint kValues[31] = {
    {5280, 360},  {3720, 1080}, {6960, 1080}, {3600, 1920}, {8520, 1920}, {1920, 2880},
    {4320, 2880}, {6720, 2880}, {9360, 2880}, {9360, 3120}, {480, 4200},  {2160, 4200},
    {3840, 4200}, {5640, 4200}, {7680, 4200}, {7680, 4440}, {9840, 4200}, {9840, 4440},
    {2160, 5280}, {2160, 5520}, {2160, 5760}, {2160, 6000}, {2160, 6240}, {4080, 5520},
    {4080, 5760}, {6000, 5520}, {6000, 5760}, {8160, 5520}, {8160, 5760}, {9960, 5520},
    {9960, 5760},
};

constexpr int kLabelHeight = 255;
// Pixels kept free between a value and its box's right edge.
constexpr int kValueMargin = 2;
// The smallest share of its size a value is drawn at to fit its box.
constexpr int kSmallestValuePercent = 60;

// How far a label rises above its place so that its text's baseline lies where the Song face
// puts it (0.86 em below the top): taller faces leave more room above their characters, which
// would push the captions onto the bottom edge of their boxes.
int liftPixels(const QFont& font) {
    const int baseline = qRound(0.86 * QFontInfo(font).pixelSize());
    return std::max(0, QFontMetrics(font).ascent() - baseline);
}

}  // namespace

const std::vector<QRect>& DupontTreeFrame::Boxes() {
    static const std::vector<QRect> boxes{
        {3840, 240, 2535, 375},  {2280, 960, 2295, 375},  {5640, 960, 2175, 375},
        {2040, 1800, 2415, 375}, {7080, 1800, 2295, 375}, {1560, 2520, 1695, 615},
        {3960, 2520, 1695, 615}, {6240, 2520, 1575, 615}, {8400, 2520, 1815, 855},
        {120, 3840, 1455, 615},  {1920, 3840, 1335, 615}, {3600, 3840, 1215, 615},
        {5400, 3840, 1215, 615}, {6840, 3840, 1695, 855}, {9000, 3840, 1695, 855},
        {240, 5160, 2895, 1335}, {3360, 5160, 1575, 855}, {5280, 5160, 1695, 855},
        {7440, 5160, 1575, 855}, {9240, 5160, 1575, 855},
    };
    return boxes;
}

const std::vector<DupontTreeFrame::Line>& DupontTreeFrame::Lines() {
    static const std::vector<Line> lines{
        {3960, 840, 6720, 840},   {3960, 840, 3960, 960},    {6720, 840, 6720, 960},
        {5040, 600, 5040, 840},   {3360, 1320, 3360, 1800},  {3360, 1560, 7920, 1560},
        {7920, 1800, 7920, 1560}, {2280, 2280, 4800, 2280},  {3240, 2160, 3240, 2280},
        {2280, 2280, 2280, 2520}, {4800, 2280, 4800, 2520},  {7080, 2280, 9480, 2280},
        {8280, 2160, 8280, 2280}, {7080, 2280, 7080, 2520},  {9480, 2280, 9480, 2520},
        {1080, 3360, 6120, 3360}, {1080, 3840, 1080, 3360},  {2400, 3840, 2400, 3360},
        {4200, 3840, 4200, 3360}, {6120, 3840, 6120, 3360},  {7560, 3600, 9960, 3600},
        {9120, 3360, 9120, 3600}, {7560, 3600, 7560, 3840},  {9960, 3600, 9960, 3840},
        {2400, 4440, 2400, 5160}, {4080, 4920, 10440, 4920}, {4080, 5160, 4080, 4920},
        {6000, 5160, 6000, 4920}, {8160, 5160, 8160, 4920},  {10440, 5160, 10440, 4920},
        {2280, 3120, 2280, 3360}, {7560, 4680, 7560, 4920},
    };
    return lines;
}

DupontTreeFrame::DupontTreeFrame(QWidget* parent) : QGroupBox(parent) {
    // One face for captions and values, so that both share a baseline whatever their text.
    const QFont song = platform::SongFont(9);
    setFont(song);
    const int lift = liftPixels(song);
    auto label = [this, lift](const QString& name, const QString& text, int left, int top) {
        auto* l = platform::MakeControl<platform::Label>(this, name, left, top, 0, kLabelHeight);
        l->move(l->x(), l->y() - lift);
        l->setCaption(text);
        l->setAutoSize(true);
        return l;
    };
    label("Label52", "单位：万元", 240, 360);
    for (const Text& caption : kCaptions) label(QString(), caption.text, caption.left, caption.top);
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    for (int n = 1; n <= 31; ++n) {
        const QPoint at = kValues[n - 1];
        platform::Label* value = label(QString("lsValue%1").arg(n), QString(), at.x(), at.y());
        value->setPalette(blue);
        values_[n - 1] = value;
    }
}

// The pixels from a value label's left edge to the right edge of the box it stands in.
static int roomOf(const platform::Label* label) {
    const int leftTwips = platform::PixelsToTwips(label->x());
    const int topTwips = platform::PixelsToTwips(label->y() + label->height() / 2);
    for (const QRect& box : DupontTreeFrame::Boxes())
        if (box.contains(leftTwips, topTwips))
            return TwipsToPixels(box.x() + box.width()) - label->x() - kValueMargin;
    return QWIDGETSIZE_MAX;
}

void DupontTreeFrame::setValue(int n, const QString& text) {
    platform::Label* label = Value(n);
    const int room = roomOf(label);
    QFont face = font();
    if (QFontMetrics(face).horizontalAdvance(text) > room) {
        std::optional<QFont> fitted = platform::FittedFont(face, text, room, kSmallestValuePercent);
        if (!fitted) {
            fitted = face;
            fitted->setPointSizeF(face.pointSizeF() * kSmallestValuePercent / 100);
        }
        face = *fitted;
    }
    // A smaller text stays centred where the label stood.
    const int centre = label->y() + label->height() / 2;
    label->setFont(face);
    label->setCaption(text);
    label->setGeometry(label->x(), centre - label->height() / 2, std::min(label->width(), room),
                       label->height());
}

void DupontTreeFrame::paintEvent(QPaintEvent* e) {
    QGroupBox::paintEvent(e);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    for (const QRect& box : Boxes()) {
        const QRectF r(TwipsToPixels(box.x()) + 0.5, TwipsToPixels(box.y()) + 0.5,
                       TwipsToPixels(box.width()) - 1, TwipsToPixels(box.height()) - 1);
        p.drawRoundedRect(r, 6, 6);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const Line& l : Lines())
        p.drawLine(TwipsToPixels(l.x1), TwipsToPixels(l.y1), TwipsToPixels(l.x2),
                   TwipsToPixels(l.y2));
}
