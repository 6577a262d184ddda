#include "platform/TabStrip.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

#include "platform/Form.h"

namespace platform {

TabStrip::TabStrip(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)) {
    bar_->setDrawBase(false);
    bar_->setExpanding(false);
    bar_->setFocusPolicy(Qt::TabFocus);
    // A change of tab by keyboard or by code raises Click through currentChanged; a click on
    // the tab already selected changes nothing and is reported here.
    connect(bar_, &QTabBar::currentChanged, this, [this](int) { emit Click(); });
    connect(bar_, &QTabBar::tabBarClicked, this, [this](int i) {
        if (i >= 0 && i == bar_->currentIndex()) emit Click();
    });
}

void TabStrip::Add(const QString& caption, const QString& key) {
    const QSignalBlocker block(bar_);  // the first tab becomes current without a Click
    bar_->addTab(caption);
    keys_.append(key);
    bar_->resize(width(), barHeight());
}

int TabStrip::Count() const {
    return bar_->count();
}
QString TabStrip::Caption(int index) const {
    return bar_->tabText(index - 1);
}
QString TabStrip::Key(int index) const {
    return keys_.value(index - 1);
}
int TabStrip::SelectedIndex() const {
    return bar_->currentIndex() + 1;
}

void TabStrip::setSelectedIndex(int index) {
    if (index < 1 || index > Count()) return;
    if (index == SelectedIndex()) {
        emit Click();
    } else {
        bar_->setCurrentIndex(index - 1);
    }
}

int TabStrip::barHeight() const {
    return bar_->sizeHint().height();
}

int TabStrip::ClientLeft() const {
    return PixelsToTwips(x() + 2);
}
int TabStrip::ClientTop() const {
    return PixelsToTwips(y() + barHeight() + 2);
}
int TabStrip::ClientWidth() const {
    return PixelsToTwips(std::max(0, width() - 4));
}
int TabStrip::ClientHeight() const {
    return PixelsToTwips(std::max(0, height() - barHeight() - 4));
}

void TabStrip::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    bar_->setGeometry(0, 0, width(), barHeight());
}

void TabStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = QRect(0, barHeight() - 1, width(), height() - barHeight() + 1);
    frame.shape = QTabBar::RoundedNorth;
    frame.tabBarSize = bar_->sizeHint();
    frame.lineWidth = 1;
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &p, this);
}

}  // namespace platform
