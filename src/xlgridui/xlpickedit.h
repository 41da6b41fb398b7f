#pragma once
// The pick edit (an edit box with a drop-down list) and the combo box (the
// same with a pick-only list). Their own arrow lies outside the visible
// area, under the host's drop-down button, which opens the list.
//
// A list cell's texts fill the list and its item is selected; other cells
// show their text (pick edit, empty list) or list the lines of their text
// (combo box).

#include "xlgridui/xledit.h"

#include <QComboBox>

namespace xlgridui {

class TXLPickEdit : public QComboBox, public TXLEditor {
    Q_OBJECT
public:
    explicit TXLPickEdit(QWidget* parent) : TXLPickEdit(parent, false) {}

    QWidget* Widget() override { return this; }
    QWidget* InputWidget() override;
    TXLLoadResult Load(xlgrid::TXLCell& cell) override;
    // A list cell: the selected entry, or (pick edit) the entry that equals
    // the typed text in any letter case, or no item. Other cells: the text.
    void Store(xlgrid::TXLCell& cell) override;
    void ApplyLayout(xlgrid::TXLHorzAlign align, int indent) override;
    void ButtonClick(bool) override { showPopup(); }
    void SelectAllText() override;
    int PreferredHeight(int width, int maxHeight) const override;
    void Place(const QRect& area) override;
    bool DropDownOpen() const override;

    // The entry the store would choose for a list cell (-1: none).
    int ChosenIndex() const;

protected:
    TXLPickEdit(QWidget* parent, bool pickOnly);
};

class TXLComboBox : public TXLPickEdit {
    Q_OBJECT
public:
    explicit TXLComboBox(QWidget* parent) : TXLPickEdit(parent, true) {}
};

}  // namespace xlgridui
