#include "platform/MSChart.h"

#include <QChart>
#include <QChartView>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "platform/Fonts.h"
#include "platform/Form.h"

namespace platform {
namespace {

const QColor kSeriesColor(31, 78, 156);
constexpr int kLabelPointSize = 9;
constexpr double kTitlePoints = 10.5;
constexpr double kSmallTitlePoints = 9;
// Width in pixels the frame, the chart margins and the title's own text margins take from a
// title line.
constexpr int kTitleSideAllowance = 36;
// Width in pixels the value axis, its labels and the chart margins take beside the plot.
constexpr int kPlotSideAllowance = 80;

// Runs of blanks drawn as no-break spaces, so that they are kept, not folded into one.
QString keepBlanks(QString text) {
    return text.replace(' ', QChar(0x00A0));
}

// The title cut into lines of at most `width` pixels: its parts (separated by runs of blanks)
// stay together with their own blanks between them while they fit; a part wider than a line is
// cut between its characters. Blanks at the ends of the title are dropped.
QStringList wrapTitle(const QString& title, const QFontMetrics& fm, int width) {
    const auto fits = [&](const QString& s) { return fm.horizontalAdvance(s) <= width; };
    QStringList lines;
    QString line;
    static const QRegularExpression parts("( *)([^ ]+)");
    for (auto it = parts.globalMatch(title); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QString part = m.captured(2);
        if (!line.isEmpty() && fits(line + m.captured(1) + part)) {
            line += m.captured(1) + part;
            continue;
        }
        if (!line.isEmpty()) lines << line;
        while (part.size() > 1 && !fits(part)) {
            int n = part.size() - 1;
            while (n > 1 && !fits(part.left(n))) --n;
            lines << part.left(n);
            part = part.mid(n);
        }
        line = part;
    }
    if (!line.isEmpty()) lines << line;
    return lines;
}

}  // namespace

MSChart::MSChart(QWidget* parent) : QWidget(parent) {
    chart_ = new QChart;
    chart_->legend()->hide();
    chart_->setBackgroundRoundness(0);
    chart_->setMargins(QMargins(4, 2, 8, 2));
    chart_->setTitleFont(SongFont(kTitlePoints, true));
    axisX_ = new QValueAxis;
    axisX_->setLabelsVisible(false);
    // The axis still makes and measures a text per tick at every layout although it shows none
    // (the control draws the period labels): a format without a number leaves them empty.
    axisX_->setLabelFormat(" ");
    axisX_->setGridLineVisible(false);
    axisX_->setTickType(QValueAxis::TicksDynamic);
    axisX_->setTickAnchor(0);
    axisX_->setTickInterval(1);
    chart_->addAxis(axisX_, Qt::AlignBottom);
    axisY_ = new QValueAxis;
    axisY_->setLabelsFont(SongFont(kLabelPointSize, false));
    chart_->addAxis(axisY_, Qt::AlignLeft);
    connect(chart_, &QChart::plotAreaChanged, this, [this] { placeLabels(); });
    chart_->installEventFilter(this);

    auto* view = new QChartView(chart_, this);
    view->setRenderHint(QPainter::Antialiasing);
    view->setFrameShape(QFrame::Box);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    setChartData({});
}

void MSChart::setChartData(std::vector<ChartRow> rows) {
    rows_ = std::move(rows);
    rebuildSeries();
    layoutLabels(width());
    relayout();
}

void MSChart::setTitleText(const QString& title) {
    title_ = title;
    relayout();
}

// Everything is put in place before the chart lays itself out: the labels and the title for
// the new width, then the size, whose change lays the chart out (or relayout does).
void MSChart::assign(const QString& title, std::vector<ChartRow> rows, float left, float width) {
    title_ = title;
    rows_ = std::move(rows);
    rebuildSeries();
    move(left_.set(left), y());
    const int widthPx = std::max(0, width_.set(width));
    layoutLabels(widthPx);
    fitTitle(widthPx);
    resize(widthPx, height());
    relayout();
}

float MSChart::Left() const {
    return left_.read(x());
}
int MSChart::Top() const {
    return top_.read(y());
}
float MSChart::Width() const {
    return width_.read(width());
}
int MSChart::Height() const {
    return height_.read(height());
}

void MSChart::setLeft(float twips) {
    move(left_.set(twips), y());
}
void MSChart::setTop(int twips) {
    move(x(), top_.set(twips));
}
// The chart is laid out at once: a hidden control learns of its new size only when shown.
void MSChart::setWidth(float twips) {
    resize(std::max(0, width_.set(twips)), height());
    layoutLabels(width());
    relayout();
}
void MSChart::setHeight(int twips) {
    resize(width(), std::max(0, height_.set(twips)));
}

void MSChart::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    layoutLabels(width());
    relayout();
}

// Counts the layouts the chart does on its own: on a new size, and on a pending request when
// something changed since the last layout.
bool MSChart::eventFilter(QObject* watched, QEvent* e) {
    if (watched == chart_) {
        const QGraphicsLayout* layout = chart_->layout();
        if (e->type() == QEvent::GraphicsSceneResize ||
            (e->type() == QEvent::LayoutRequest && layout && !layout->isActivated()))
            ++layouts_;
    }
    return QWidget::eventFilter(watched, e);
}

// One line per run of periods with values, so that an empty value breaks the line, and a
// marker on every value, so that a value between two gaps still shows.
void MSChart::rebuildSeries() {
    chart_->removeAllSeries();
    const int n = static_cast<int>(rows_.size());
    axisX_->setRange(-0.5, std::max(n, 1) - 0.5);
    auto attach = [this](QXYSeries* s) {
        chart_->addSeries(s);
        s->attachAxis(axisX_);
        s->attachAxis(axisY_);
    };
    auto* markers = new QScatterSeries;
    markers->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    markers->setMarkerSize(7);
    markers->setColor(kSeriesColor);
    markers->setBorderColor(kSeriesColor);
    QLineSeries* run = nullptr;
    for (int i = 0; i < n; ++i) {
        const auto& v = rows_[i].value;
        if (!v) {
            run = nullptr;
            continue;
        }
        if (!run) {
            run = new QLineSeries;
            run->setPen(QPen(kSeriesColor, 2));
            attach(run);
        }
        run->append(i, *v);
        markers->append(i, *v);
    }
    attach(markers);
    fitValueAxis();

    for (auto* item : labels_) delete item;
    labels_.clear();
    const QFont font = SongFont(kLabelPointSize, false);
    const QFontMetrics fm(font);
    labelTextWidth_ = 0;
    for (const auto& r : rows_) {
        auto* item = new QGraphicsSimpleTextItem(r.label, chart_);
        item->setFont(font);
        labels_.push_back(item);
        labelTextWidth_ = std::max(labelTextWidth_, fm.horizontalAdvance(r.label));
    }
}

// The value axis always includes 0, so that negative values lie below the zero line and
// positive ones above it; a little room above and below keeps the outermost points off the
// frame.
void MSChart::fitValueAxis() {
    double lo = 0, hi = 0;
    for (const auto& r : rows_) {
        if (!r.value) continue;
        lo = std::min(lo, *r.value);
        hi = std::max(hi, *r.value);
    }
    if (lo == hi) hi = lo + 1;
    const double pad = (hi - lo) * 0.05;
    axisY_->setRange(lo < 0 ? lo - pad : lo, hi > 0 ? hi + pad : hi);
    axisY_->applyNiceNumbers();
    axisY_->setLabelFormat(axisY_->max() - axisY_->min() >= 10 ? "%.0f" : "%.2f");
}

// Labels stand level while they fit side by side; otherwise they are slanted, then turned
// upright, and only when even upright labels would touch is every k-th one shown. The bottom
// margin makes room for them. The chart is not laid out here.
void MSChart::layoutLabels(int widthPx) {
    const int n = static_cast<int>(rows_.size());
    const QFontMetrics fm(SongFont(kLabelPointSize, false));
    const double perCategory =
        n > 0 ? std::max(1, widthPx - kPlotSideAllowance) / static_cast<double>(n) : 0;
    const int lineHeight = fm.height();
    labelStep_ = 1;
    int extent = lineHeight;
    if (n == 0 || labelTextWidth_ + 6 <= perCategory) {
        labelAngle_ = 0;
    } else if (lineHeight * 1.5 <= perCategory) {
        labelAngle_ = -45;
        extent = static_cast<int>(std::ceil((labelTextWidth_ + lineHeight) * M_SQRT1_2));
    } else {
        labelAngle_ = -90;
        extent = labelTextWidth_;
        labelStep_ = static_cast<int>(std::ceil(lineHeight * 1.1 / std::max(perCategory, 1.0)));
    }
    for (int i = 0; i < n; ++i) {
        labels_[i]->setVisible(i % labelStep_ == 0);
        labels_[i]->setRotation(labelAngle_);
    }
    QMargins m = chart_->margins();
    m.setBottom(extent + 6);
    if (chart_->margins() != m) chart_->setMargins(m);
}

// The chart lays itself out again at once rather than on a later pass of the event loop, so that
// a picture taken right away (a window printed as it is) shows the new title and margins. It
// takes the control's size itself, as its view passes a size on only while shown: a hidden
// chart is laid out once at its new size, not once now and again when shown.
void MSChart::relayout() {
    fitTitle(width());
    if (chart_->size() != QSizeF(size())) chart_->resize(size());
    QGraphicsLayout* layout = chart_->layout();
    if (layout && !layout->isActivated()) {
        ++layouts_;
        layout->activate();
    }
    placeLabels();
}

// The whole title always shows, so that a narrow chart still names its indicator: on one line
// at its own size when it fits, else one size smaller, else wrapped into centred lines at that
// size.
void MSChart::fitTitle(int widthPx) {
    const int room = std::max(1, widthPx - kTitleSideAllowance);
    QFont font = SongFont(kTitlePoints, true);
    const QString plain = keepBlanks(title_);
    QStringList lines{title_};
    if (QFontMetrics(font).horizontalAdvance(plain) > room) {
        font = SongFont(kSmallTitlePoints, true);
        const QFontMetrics fm(font);
        if (fm.horizontalAdvance(plain) > room) lines = wrapTitle(title_, fm, room);
    }
    // The chart takes its title as rich text: "<" and "&" in a name are escaped.
    for (QString& line : lines) line = keepBlanks(line.toHtmlEscaped());
    const QString shown = lines.size() == 1
                              ? lines.front()
                              : "<div align=\"center\">" + lines.join("<br>") + "</div>";
    if (chart_->titleFont() != font) chart_->setTitleFont(font);
    if (chart_->title() != shown) chart_->setTitle(shown);
}

// Each label hangs below its period's place on the axis: level labels centred on it, turned
// ones ending at it.
void MSChart::placeLabels() {
    for (int i = 0; i < static_cast<int>(labels_.size()); ++i) {
        QGraphicsSimpleTextItem* item = labels_[i];
        const QRectF box = item->boundingRect();
        const QPointF at = chart_->mapToPosition(QPointF(i, axisY_->min())) + QPointF(0, 5);
        const QPointF origin =
            labelAngle_ == 0 ? QPointF(box.width() / 2, 0) : QPointF(box.width(), box.height() / 2);
        item->setTransformOriginPoint(origin);
        item->setPos(at - origin);
    }
}

}  // namespace platform
