#pragma once
// The number editor: a filtered single-line edit for integer, double,
// currency and formula cells.
//
// The cell's format options (after "|", any case) hold S (a spinner), F
// (formulas may be typed: a text beginning with "=") and, in the rest, an
// editing number format used instead of the display format. Only the first
// section of that format counts, and only its characters 0-9 + - # , . E e.
// The value is integer-only when the format has no "."; the spinner step is
// 0.1 for each digit place after the ".".

#include "xlgridui/xlmaskedit.h"

#include <string>

namespace xlgrid {
class TXLSheet;
}

namespace xlgridui {

// What the number editor reads from a cell's format.
struct TXLNumFormat {
    bool Spinner = false;
    bool Formulas = false;
    std::string Picture;   // the editing format, filtered
    bool IntegerOnly = false;
    double Step = 1;
};

// intCell: the cell is an integer cell (decides integer-only without a format).
TXLNumFormat ParseNumFormat(const std::string& format, bool intCell);

class TXLNumEdit : public TXLMaskEdit {
    Q_OBJECT
public:
    explicit TXLNumEdit(QWidget* parent);

    TXLLoadResult Load(xlgrid::TXLCell& cell) override;
    void Store(xlgrid::TXLCell& cell) override;
    void ButtonClick(bool lower) override { Step(!lower); }
    bool GridClick(int col, int row) override;
    bool WantsGridClicks() const override;

    // The value of the text: a formula (with F) is evaluated on the sheet;
    // otherwise the typable characters are read as a number, empty as 0.
    // Throws on a malformed number or a failing formula.
    double Value() const;
    // Adds (up) or subtracts the step; the text is reformatted and modified.
    void Step(bool up);
    // Which of the typed characters the filter lets in, given the text
    // without its selected part.
    QString FilterTyped(const QString& typed, QString rest) const;
    const TXLNumFormat& NumFormat() const { return m_format; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    QString Show(double value) const;
    QString TextWithoutSelection() const;
    bool IsFormulaText() const;
    QChar Decimal() const;

    TXLNumFormat m_format;
    xlgrid::TXLSheet* m_sheet = nullptr;
    // The reference the last grid click put in (no key pressed since).
    int m_refStart = -1;
    int m_refLength = 0;
};

}  // namespace xlgridui
