#include "platform/Label.h"

#include <QMouseEvent>

namespace platform {

Label::Label(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
}

void Label::setAutoSize(bool on) {
    autoSize_ = on;
    fitCaption();
}

void Label::setCaption(const QString& caption) {
    setText(caption);
    fitCaption();
}

void Label::fitCaption() {
    if (!autoSize_) return;
    // A word-wrapping label keeps its width and takes the height of its wrapped lines.
    if (wordWrap())
        resize(width(), heightForWidth(width()));
    else
        adjustSize();
}

void Label::mousePressEvent(QMouseEvent* e) {
    pressed_ = e->button() == Qt::LeftButton;
    emit mousePressed(e->button(), e->position());
}

void Label::mouseMoveEvent(QMouseEvent* e) {
    emit mouseMoved(e->position());
}

void Label::mouseReleaseEvent(QMouseEvent* e) {
    const bool click =
        pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    emit mouseReleased(e->button(), e->position());
    if (click) emit clicked();
}

}  // namespace platform
