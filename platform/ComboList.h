// A drop-down list: items by position, ListIndex from -1 (nothing selected). Choosing an item
// in the list and setting ListIndex from code both raise Click.
#pragma once

#include <QComboBox>

namespace platform {

class ComboList : public QComboBox {
    Q_OBJECT
  public:
    explicit ComboList(QWidget* parent = nullptr);

    void AddItem(const QString& item);
    void Clear();
    int ListCount() const { return count(); }
    QString List(int index) const { return itemText(index); }
    int ListIndex() const { return currentIndex(); }
    // -1 clears the selection; a value outside -1..ListCount()-1 also clears it. Raises Click.
    void setListIndex(int index);
    QString Text() const { return currentText(); }

  signals:
    void Click();
};

}  // namespace platform
