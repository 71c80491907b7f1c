// A drop-down list without an edit field. Items stay in the order they were inserted, whatever
// the template's style says: callers read the selected index as data.
#pragma once

#include <QComboBox>
#include <string_view>

class CComboBoxEx : public QComboBox {
    Q_OBJECT

public:
    explicit CComboBoxEx(QWidget* pParent = nullptr);

    // Inserts text before item iItem (at the end for -1) and returns the new item's index.
    int InsertItem(int iItem, std::u16string_view text);
    // Selects item nSelect (-1: none) without telling anyone, as CB_SETCURSEL does; returns it.
    int SetCurSel(int nSelect);
    // Selects item nSelect as if the user had chosen it: listeners of activated hear of it.
    void ChooseItem(int nSelect);
    // The selected item's index, or -1.
    int GetCurSel() const;
};
