#include "platform/ComboList.h"

namespace platform {

ComboList::ComboList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setMaxVisibleItems(12);
    connect(this, &QComboBox::activated, this, [this](int) { emit Click(); });
}

void ComboList::AddItem(const QString& item) {
    const int before = currentIndex();
    addItem(item);
    // Adding the first item must not select it: a new list has no selection.
    if (before < 0) setCurrentIndex(-1);
}

void ComboList::Clear() {
    clear();
}

void ComboList::setListIndex(int index) {
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
    emit Click();
}

}  // namespace platform
