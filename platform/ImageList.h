// The image list: numbered pictures (from 1) that other controls draw by number.
#pragma once

#include <QObject>
#include <QPixmap>
#include <vector>

namespace platform {

class ImageList : public QObject {
    Q_OBJECT
  public:
    ImageList(QObject* parent, const QString& name) : QObject(parent) { setObjectName(name); }

    void Add(const QPixmap& picture) { pictures_.push_back(picture); }
    int Count() const { return static_cast<int>(pictures_.size()); }
    // Picture number index (1-based); a null picture outside 1..Count.
    QPixmap Picture(int index) const {
        return index >= 1 && index <= Count() ? pictures_[index - 1] : QPixmap();
    }

  private:
    std::vector<QPixmap> pictures_;
};

}  // namespace platform
