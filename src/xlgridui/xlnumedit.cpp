#include "xlgridui/xlnumedit.h"

#include "xlgrid/calculator.h"
#include "xlgrid/cell.h"
#include "xlgrid/displayformat.h"
#include "xlgrid/sheet.h"
#include "xlgrid/variant.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

#include <cmath>

namespace xlgridui {

namespace {

bool IsPictureChar(char c)
{
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '#' || c == ',' || c == '.' || c == 'E' || c == 'e';
}

// Chinese input methods commit full-width forms (１２３, ＋, －, ＝) and the
// ideographic full stop for "."; the editor reads them as their plain forms.
QString NormalizeTyped(const QString& text, QChar decimal)
{
    QString out = text;
    for (QChar& c : out) {
        char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(u - 0xFF01 + 0x21);
        else if (u == 0x3002)
            c = decimal;
    }
    return out;
}

}  // namespace

TXLNumFormat ParseNumFormat(const std::string& format, bool intCell)
{
    TXLNumFormat f;
    auto [display, options] = xlgrid::SplitFormat(format);
    std::string rest;
    for (char c : options) {
        if (c == 's' || c == 'S')
            f.Spinner = true;
        else if (c == 'f' || c == 'F')
            f.Formulas = true;
        else
            rest += c;
    }
    // The rest is an editing format only when it holds a number picture: the
    // other editors' letters ("c" on the predefined formula formats) are not one.
    bool restIsPicture = false;
    for (char c : rest.substr(0, rest.find(';')))
        restIsPicture = restIsPicture || IsPictureChar(c);
    std::string raw = restIsPicture ? rest : std::string(display);
    raw = raw.substr(0, raw.find(';'));
    for (char c : raw)
        if (IsPictureChar(c))
            f.Picture += c;
    if (f.Picture.empty()) {
        f.IntegerOnly = intCell;
        return f;
    }
    size_t dot = f.Picture.find('.');
    if (raw.find('%') != std::string::npos && dot != std::string::npos)
        f.Picture += "##";  // the value is edited unscaled: two more places
    f.IntegerOnly = dot == std::string::npos;
    if (!f.IntegerOnly) {
        int places = 0;
        for (size_t i = dot + 1; i < f.Picture.size() && f.Picture[i] != 'E' && f.Picture[i] != 'e'; ++i)
            if (f.Picture[i] == '#' || f.Picture[i] == '0')
                ++places;
        f.Step = std::pow(10.0, -places);
    }
    return f;
}

TXLNumEdit::TXLNumEdit(QWidget* parent) : TXLMaskEdit(parent) {}

QChar TXLNumEdit::Decimal() const { return QLatin1Char(xlgrid::Formats().DecimalSeparator); }

QString TXLNumEdit::Show(double value) const
{
    return QString::fromStdString(xlgrid::FormatFloat(m_format.Picture, value));
}

TXLLoadResult TXLNumEdit::Load(xlgrid::TXLCell& cell)
{
    m_sheet = cell.Sheet();
    m_format = ParseNumFormat(cell.Format(), &cell.CellClass() == &xlgrid::TXLCInteger::Class());
    m_mask = {};
    setInputMask(QString());
    m_refStart = -1;
    TXLLoadResult result{m_format.Spinner ? esSpinner : esNormal, m_format.Formulas};
    if (m_format.Formulas && &cell.CellClass() == &xlgrid::TXLCFormula::Class()) {
        std::string text = cell.AsString();
        if (!text.empty() && text[0] == '=') {
            LoadText(QString::fromStdString(text));
            return result;
        }
    }
    double x = 0;
    try {
        x = cell.AsFloat();
    } catch (const std::exception&) {
        x = 0;
    }
    LoadText(Show(x));
    return result;
}

bool TXLNumEdit::IsFormulaText() const
{
    return m_format.Formulas && text().trimmed().startsWith(QLatin1Char('='));
}

double TXLNumEdit::Value() const
{
    QString t = text().trimmed();
    if (IsFormulaText()) {
        xlgrid::TXLCalculator calc(m_sheet ? &m_sheet->CalcHost() : nullptr);
        calc.SetDecimalSeparator(xlgrid::Formats().DecimalSeparator);
        return xlgrid::detail::FormulaResultToDouble(calc.Evaluate(t.mid(1).toStdString()));
    }
    std::string number;
    const char dec = xlgrid::Formats().DecimalSeparator;
    for (QChar c : t) {
        char16_t u = c.unicode();
        if ((u >= '0' && u <= '9') || u == '+' || u == '-' || u == 'E' || u == 'e')
            number += static_cast<char>(u);
        else if (u == static_cast<unsigned char>(dec))
            number += '.';
    }
    if (number.empty())
        return 0;
    double v = 0;
    if (!xlgrid::TryStrToFloat(number, v))
        throw xlgrid::EVariantError("Could not convert variant of type (String) into type (Double)");
    return v;
}

void TXLNumEdit::Step(bool up)
{
    double v = 0;
    try {
        v = Value();
    } catch (const std::exception&) {
        return;  // nothing sensible to step from
    }
    v += up ? m_format.Step : -m_format.Step;
    if (m_format.IntegerOnly)
        v = std::round(v);
    else if (std::fabs(v) < m_format.Step / 2)
        v = 0;  // no "-0.00" after stepping down through zero
    setText(Show(v));
    end(false);
    setModified(true);
    m_refStart = -1;
}

void TXLNumEdit::Store(xlgrid::TXLCell& cell)
{
    if (!isModified())
        return;
    QString t = text().trimmed();
    if (IsFormulaText() && &cell.CellClass() == &xlgrid::TXLCFormula::Class()) {
        cell.SetAsString(t.toStdString());
        return;
    }
    cell.SetValue(xlgrid::Variant(Value()));
}

QString TXLNumEdit::TextWithoutSelection() const
{
    QString t = text();
    if (hasSelectedText())
        t.remove(selectionStart(), selectedText().size());
    return t;
}

QString TXLNumEdit::FilterTyped(const QString& typed, QString rest) const
{
    const QChar dec = Decimal();
    QString accepted;
    for (QChar c : NormalizeTyped(typed, dec)) {
        bool ok = false;
        if (m_format.Formulas && (rest.contains(QLatin1Char('=')) || c == QLatin1Char('=')))
            ok = true;
        else if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') || c == QLatin1Char('-'))
            ok = true;
        else if (!m_format.IntegerOnly && !rest.contains(dec))
            ok = c == dec || c == QLatin1Char('E') || c == QLatin1Char('e');
        if (ok) {
            accepted += c;
            rest += c;
        }
    }
    return accepted;
}

void TXLNumEdit::keyPressEvent(QKeyEvent* event)
{
    m_refStart = -1;  // any key forgets the reference the last click put in
    int key = event->key();
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && event->modifiers() == Qt::ShiftModifier) {
        Step(key == Qt::Key_Up);
        event->accept();
        return;
    }
    QString typed = event->text();
    bool printable = !typed.isEmpty() && typed[0].isPrint() &&
                     !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!printable) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QString accepted = FilterTyped(typed, TextWithoutSelection());
    if (accepted == typed)
        QLineEdit::keyPressEvent(event);
    else if (!accepted.isEmpty())
        insert(accepted);
    event->accept();
}

void TXLNumEdit::inputMethodEvent(QInputMethodEvent* event)
{
    if (event->commitString().isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    m_refStart = -1;
    QString accepted = FilterTyped(event->commitString(), TextWithoutSelection());
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(accepted, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtered);
    event->accept();
}

bool TXLNumEdit::WantsGridClicks() const { return IsFormulaText(); }

bool TXLNumEdit::GridClick(int col, int row)
{
    if (!m_format.Formulas || col < 0 || row < 0)
        return false;  // only client cells have names a formula can read
    QString name = QString::fromStdString(xlgrid::ColumnLetters(col)) + QString::number(static_cast<qint64>(row) + 1);
    QString t = text();
    int start = cursorPosition();
    int length = 0;
    if (hasSelectedText()) {
        start = selectionStart();
        length = static_cast<int>(selectedText().size());
    } else if (m_refStart >= 0 && m_refStart + m_refLength <= t.size()) {
        start = m_refStart;
        length = m_refLength;
    }
    QString result = t.left(start) + name + t.mid(start + length);
    QString trimmed = result.trimmed();
    if (!trimmed.startsWith(QLatin1Char('=')))
        return false;
    // A formula typed so far may still lack its closing parentheses: test it without any.
    QString probe = trimmed.mid(1);
    probe.remove(QLatin1Char('(')).remove(QLatin1Char(')'));
    try {
        xlgrid::TXLCalculator calc(m_sheet ? &m_sheet->CalcHost() : nullptr);
        calc.SetDecimalSeparator(xlgrid::Formats().DecimalSeparator);
        calc.SetCheckOnly(true);
        calc.Evaluate(probe.toStdString());
    } catch (const std::exception&) {
        return false;
    }
    setText(result);
    setCursorPosition(start + static_cast<int>(name.size()));
    setModified(true);
    m_refStart = start;
    m_refLength = static_cast<int>(name.size());
    return true;
}

}  // namespace xlgridui
