// A caption control with the mouse events the forms use: press (which starts a window drag on
// the skinned title bars), move (the menu bar opens its menus on hover) and click (press and
// release over the same control).
#pragma once

#include <QLabel>
#include <QPoint>

namespace platform {

class Label : public QLabel {
    Q_OBJECT
  public:
    explicit Label(QWidget* parent = nullptr);

    // Grows the control to fit its caption whenever the caption changes; with word wrap on,
    // the width stays and the height follows the wrapped lines.
    void setAutoSize(bool on);
    bool AutoSize() const { return autoSize_; }
    void setCaption(const QString& caption);
    QString Caption() const { return text(); }

  signals:
    void mousePressed(Qt::MouseButton button, QPointF pos);
    void mouseMoved(QPointF pos);
    void mouseReleased(Qt::MouseButton button, QPointF pos);
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    void fitCaption();

    bool autoSize_ = false;
    bool pressed_ = false;
};

}  // namespace platform
