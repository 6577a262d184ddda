// A tab strip: a row of tabs over a framed client area. Tabs are numbered from 1; the strip
// holds no pages, the form lays its controls over the client area. Click is raised when the
// user picks a tab (also the one already selected) and when SelectedIndex is set from code.
#pragma once

#include <QStringList>
#include <QWidget>

class QTabBar;

namespace platform {

class TabStrip : public QWidget {
    Q_OBJECT
  public:
    explicit TabStrip(QWidget* parent = nullptr);

    void Add(const QString& caption, const QString& key = QString());
    int Count() const;
    QString Caption(int index) const;
    QString Key(int index) const;
    // 1-based; 0 while the strip has no tabs.
    int SelectedIndex() const;
    void setSelectedIndex(int index);

    // The client area below the tabs, in twips in the parent's coordinates.
    int ClientLeft() const;
    int ClientTop() const;
    int ClientWidth() const;
    int ClientHeight() const;

    QTabBar* Bar() const { return bar_; }

  signals:
    void Click();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    int barHeight() const;

    QTabBar* bar_;
    QStringList keys_;
};

}  // namespace platform
