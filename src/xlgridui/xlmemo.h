#pragma once
// The memo: a borderless multi-line edit for text and list cells. Its height
// follows its text (word-wrapped to its width) up to the host's height.

#include "xlgridui/xledit.h"

#include <QPlainTextEdit>

namespace xlgridui {

class TXLMemo : public QPlainTextEdit, public TXLEditor {
    Q_OBJECT
public:
    explicit TXLMemo(QWidget* parent);

    QWidget* Widget() override { return this; }
    // A list cell's lines, or the cell's value as text split at line breaks.
    TXLLoadResult Load(xlgrid::TXLCell& cell) override;
    // Every line followed by CR LF, through the cell's AsString.
    void Store(xlgrid::TXLCell& cell) override;
    void ApplyLayout(xlgrid::TXLHorzAlign align, int indent) override;
    void SelectAllText() override { selectAll(); }
    int PreferredHeight(int width, int maxHeight) const override;

    QStringList Lines() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace xlgridui
