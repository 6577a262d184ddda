#include "platform/ImageControl.h"

#include <QImageReader>

namespace platform {

ImageControl::ImageControl(QWidget* parent) : Label(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

bool ImageControl::LoadPicture(const QString& path) {
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull()) return false;
    setPicture(QPixmap::fromImage(image));
    return true;
}

void ImageControl::setPicture(const QPixmap& picture) {
    picture_ = picture;
    showPicture();
}

void ImageControl::setStretch(bool on) {
    stretch_ = on;
    showPicture();
}

void ImageControl::showPicture() {
    setScaledContents(stretch_);
    setPixmap(picture_);
    if (!stretch_ && !picture_.isNull()) resize(picture_.size());
}

}  // namespace platform
