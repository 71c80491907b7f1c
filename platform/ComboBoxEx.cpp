#include "platform/ComboBoxEx.h"

#include "platform/QtStrings.h"

CComboBoxEx::CComboBoxEx(QWidget* pParent) : QComboBox(pParent) {
    setEditable(false);
}

int CComboBoxEx::InsertItem(int iItem, std::u16string_view text) {
    const int index = (iItem < 0 || iItem > count()) ? count() : iItem;
    insertItem(index, ToQString(text));
    return index;
}

int CComboBoxEx::SetCurSel(int nSelect) {
    const QSignalBlocker quiet(this); // a program's own selection is not a user's choice
    setCurrentIndex(nSelect);
    return currentIndex();
}

int CComboBoxEx::GetCurSel() const {
    return currentIndex();
}

void CComboBoxEx::ChooseItem(int nSelect) {
    if (nSelect < 0 || nSelect >= count())
        return;
    setCurrentIndex(nSelect);
    emit activated(nSelect);
}
