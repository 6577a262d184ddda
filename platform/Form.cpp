#include "platform/Form.h"

#include <QCloseEvent>
#include <QEvent>
#include <QPointer>
#include <QResizeEvent>

namespace platform {

void SetTwipsGeometry(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwipsToPixels(left), TwipsToPixels(top), std::max(0, TwipsToPixels(width)),
                   std::max(0, TwipsToPixels(height)));
}

int TwipsLeft(const QWidget* w) {
    return PixelsToTwips(w->x());
}
int TwipsTop(const QWidget* w) {
    return PixelsToTwips(w->y());
}
int TwipsWidth(const QWidget* w) {
    return PixelsToTwips(w->width());
}
int TwipsHeight(const QWidget* w) {
    return PixelsToTwips(w->height());
}

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
    // Form_Unload, the hiding and the signal's receivers may run an event loop (a box) in which
    // the form is deleted.
    const QPointer<Form> self(this);
    bool cancel = false;
    Form_Unload(cancel);
    if (!self) return true;
    if (cancel) return false;
    unloading_ = true;
    hide();
    if (self) emit unloaded(this);
    if (self) deleteLater();
    return true;
}

void Form::applyTwips(int left, int top, int width, int height) {
    // The remembered values must be in place before the resize event reaches Form_Resize.
    const int px = left_.set(left, 0), py = top_.set(top, 0);
    const int pw = width_.set(width, 0), ph = height_.set(height, 0);
    move(px, py);
    resize(pw, ph);
}

void Form::setLeft(int twips) {
    applyTwips(twips, Top(), Width(), Height());
}
void Form::setTop(int twips) {
    applyTwips(Left(), twips, Width(), Height());
}
void Form::setWidth(int twips) {
    applyTwips(Left(), Top(), twips, Height());
}
void Form::setHeight(int twips) {
    applyTwips(Left(), Top(), Width(), twips);
}
void Form::Move(int left, int top) {
    applyTwips(left, top, Width(), Height());
}
void Form::Move(int left, int top, int width, int height) {
    applyTwips(left, top, width, height);
}

void Form::keepSize(int width, int height) {
    keptSize_ = QSize(width, height);
    Move(Left(), Top(), width, height);
}

void Form::restoreKeptSize() {
    if (!keptSize_ || isMinimized() || Height() <= 360) return;
    // The size alone: this runs also while the window is being shown, when its position may
    // still read off by its frame; writing that back would shift the window by the frame.
    const int pw = width_.set(keptSize_->width(), 0), ph = height_.set(keptSize_->height(), 0);
    resize(pw, ph);
}

void Form::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    // A resize handler that sets the size again must not recurse.
    if (inResize_ || !loaded_) return;
    inResize_ = true;
    restoreKeptSize();
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
