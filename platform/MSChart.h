// The trend chart control: one series of values over category labels (the periods of a
// range), with a title, placed in twips. The data is assigned as a whole as rows of (label,
// value or empty); an empty value is drawn as a gap in the line, never as 0. Every trend chart
// of the analysis views and the chart pages is one of these.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

#include "platform/Form.h"

class QChart;
class QGraphicsSimpleTextItem;
class QValueAxis;

namespace platform {

struct ChartRow {
    QString label;
    std::optional<double> value;  // empty = no value for this category (a gap)
    bool operator==(const ChartRow&) const = default;
};

class MSChart : public QWidget {
    Q_OBJECT
  public:
    explicit MSChart(QWidget* parent = nullptr);

    void setChartData(std::vector<ChartRow> rows);
    const std::vector<ChartRow>& ChartData() const { return rows_; }

    void setTitleText(const QString& title);
    QString TitleText() const { return title_; }

    // Title, data, left and width at once (twips), so that the chart lays itself out once.
    void assign(const QString& title, std::vector<ChartRow> rows, float left, float width);
    // How often the chart has laid itself out, for the tests and the benchmark programs.
    int LayoutCount() const { return layouts_; }

    // Twips. Left and Width are single precision, so that halves set by the sizing rule
    // (4572.5) read back as set while the control stays where they put it.
    float Left() const;
    void setLeft(float twips);
    int Top() const;
    void setTop(int twips);
    float Width() const;
    void setWidth(float twips);
    int Height() const;
    void setHeight(int twips);
    bool Visible() const { return !isHidden(); }

    // How the category labels are laid out at the current size (for tests and the printout):
    // the angle of the labels in degrees (0, -45 or -90) and every how many-th label is shown.
    int LabelAngle() const { return labelAngle_; }
    int LabelStep() const { return labelStep_; }

  protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void rebuildSeries();
    void fitValueAxis();
    void layoutLabels(int widthPx);
    void placeLabels();
    void fitTitle(int widthPx);
    void relayout();

    std::vector<ChartRow> rows_;
    QString title_;
    QChart* chart_ = nullptr;
    QValueAxis* axisX_ = nullptr;  // positions 0..n-1; the labels are drawn by the control
    QValueAxis* axisY_ = nullptr;
    std::vector<QGraphicsSimpleTextItem*> labels_;
    int labelTextWidth_ = 0;  // of the widest label, measured once per data
    int layouts_ = 0;
    RememberedTwips<float> left_, width_;
    RememberedTwips<int> top_, height_;
    int labelAngle_ = 0;
    int labelStep_ = 1;
};

}  // namespace platform
