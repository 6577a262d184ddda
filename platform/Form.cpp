#include "platform/Form.h"

#include <QCloseEvent>
#include <QEvent>
#include <QResizeEvent>

namespace platform {

void SetTwipsGeometry(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwipsToPixels(left), TwipsToPixels(top), std::max(0, TwipsToPixels(width)),
                   std::max(0, TwipsToPixels(height)));
}

int TwipsLeft(const QWidget* w) { return PixelsToTwips(w->x()); }
int TwipsTop(const QWidget* w) { return PixelsToTwips(w->y()); }
int TwipsWidth(const QWidget* w) { return PixelsToTwips(w->width()); }
int TwipsHeight(const QWidget* w) { return PixelsToTwips(w->height()); }

Form::Form(const QString& name, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(name);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void Form::Load() {
    if (loaded_) return;
    loaded_ = true;
    Form_Load();
}

void Form::Show() {
    Load();
    show();
    raise();
    activateWindow();
}

bool Form::Unload() {
    if (unloading_) return true;
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel) return false;
    unloading_ = true;
    hide();
    emit unloaded(this);
    deleteLater();
    return true;
}

void Form::setLeft(int twips) { move(TwipsToPixels(twips), y()); }
void Form::setTop(int twips) { move(x(), TwipsToPixels(twips)); }
void Form::setWidth(int twips) { resize(std::max(0, TwipsToPixels(twips)), height()); }
void Form::setHeight(int twips) { resize(width(), std::max(0, TwipsToPixels(twips))); }
void Form::Move(int left, int top) { move(TwipsToPixels(left), TwipsToPixels(top)); }
void Form::Move(int left, int top, int width, int height) {
    setGeometry(TwipsToPixels(left), TwipsToPixels(top), std::max(0, TwipsToPixels(width)),
                std::max(0, TwipsToPixels(height)));
}

void Form::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    // A resize handler that sets the size again must not recurse.
    if (inResize_ || !loaded_) return;
    inResize_ = true;
    Form_Resize();
    inResize_ = false;
}

void Form::closeEvent(QCloseEvent* e) {
    // The window's own close box goes through the same unload path as code does.
    if (unloading_ || Unload()) {
        e->accept();
    } else {
        e->ignore();
    }
}

void Form::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) Form_Activate();
}

}  // namespace platform
