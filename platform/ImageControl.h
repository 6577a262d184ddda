// The image control: shows a picture loaded from a file, either stretched to the control's
// size or with the control sized to the picture. Mouse events as on a Label.
#pragma once

#include <QPixmap>
#include <QString>

#include "platform/Label.h"

namespace platform {

class ImageControl : public Label {
    Q_OBJECT
  public:
    explicit ImageControl(QWidget* parent = nullptr);

    // Loads the picture from a file. A missing or unreadable file leaves the picture as it
    // was and returns false.
    bool LoadPicture(const QString& path);
    void setPicture(const QPixmap& picture);
    QPixmap Picture() const { return picture_; }
    bool HasPicture() const { return !picture_.isNull(); }

    // Stretch on: the picture fills the control. Off: the control takes the picture's size.
    void setStretch(bool on);
    bool Stretch() const { return stretch_; }

    void Refresh() { update(); }

  private:
    void showPicture();

    QPixmap picture_;
    bool stretch_ = false;
};

}  // namespace platform
