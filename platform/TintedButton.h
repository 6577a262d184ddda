// A push button drawn in a background colour of its own, as a design gives some buttons.
#pragma once

#include <QColor>
#include <QPushButton>

namespace platform {

// Every button of one colour is drawn with one palette. The style keeps the pictures it draws of
// a button in the pixmap cache under a key that names the palette, and the cache keeps every
// key it has seen, also of pictures it has dropped: a palette of each button's own (or a style
// sheet's, which makes a new one on every paint) would add a key with every window or paint.
class TintedButton : public QPushButton {
    Q_OBJECT
  public:
    explicit TintedButton(QWidget* parent = nullptr);

    QColor Tint() const { return tint_; }
    void setTint(const QColor& tint);

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    QColor tint_;
};

}  // namespace platform
