#pragma once
// The text editor: a borderless single-line edit whose input mask comes from
// the cell's display format (the sheet's edit-mask language, translated to a
// Qt input mask). Base of the number and date editors.

#include "xlgridui/xledit.h"

#include <QLineEdit>

#include <string_view>
#include <vector>

namespace xlgridui {

// An edit mask of the sheet translated for QLineEdit::setInputMask.
struct TXLQtMask {
    QString Mask;               // empty: no mask
    std::vector<bool> Literal;  // per position of the edit's text: a literal
    bool SaveLiterals = true;   // the stored text keeps the literals
    QChar Blank = QLatin1Char('_');
};

// Translates the sheet's mask characters (0 9 # L l A a C c > < <> \ _ : /
// !, trailing ";save literals;blank") into Qt's (9 0 # A a N n X x > < ! \)
// and escapes every literal that Qt would read as a mask character.
TXLQtMask ToQtMask(std::string_view mask);

class TXLMaskEdit : public QLineEdit, public TXLEditor {
    Q_OBJECT
public:
    explicit TXLMaskEdit(QWidget* parent);

    QWidget* Widget() override { return this; }
    TXLLoadResult Load(xlgrid::TXLCell& cell) override;
    void Store(xlgrid::TXLCell& cell) override;
    void ApplyLayout(xlgrid::TXLHorzAlign align, int indent) override;
    void SelectAllText() override { selectAll(); }
    int PreferredHeight(int width, int maxHeight) const override;

    // The text a cell receives: with a mask and without saved literals only
    // the entered characters; with a mask and nothing entered, empty.
    QString StoredText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Fills the edit with a text and puts the caret at the end, unmodified.
    void LoadText(const QString& text);

    TXLQtMask m_mask;
};

}  // namespace xlgridui
