#include "xlgridui/xlmaskedit.h"

#include "xlgrid/cell.h"
#include "xlgrid/displayformat.h"
#include "xlgrid/variant.h"

#include <QKeyEvent>

namespace xlgridui {

namespace {

// Characters that mean something in a Qt input mask.
bool IsQtMaskChar(QChar c)
{
    static const QString special = QStringLiteral("AaNnXx90Dd#HhBb><!\\[]{};");
    return special.contains(c);
}

void AddLiteral(TXLQtMask& m, QChar c)
{
    if (IsQtMaskChar(c))
        m.Mask += QLatin1Char('\\');
    m.Mask += c;
    m.Literal.push_back(true);
}

void AddField(TXLQtMask& m, char qt)
{
    m.Mask += QLatin1Char(qt);
    m.Literal.push_back(false);
}

}  // namespace

TXLQtMask ToQtMask(std::string_view mask)
{
    TXLQtMask m;
    xlgrid::TXLMaskParts parts = xlgrid::SplitEditMask(mask);
    m.SaveLiterals = parts.SaveLiterals;
    QString blank = QString::fromUtf8(parts.Blank);
    if (!blank.isEmpty())
        m.Blank = blank[0];
    mask = parts.Mask;

    const xlgrid::ProcessFormats& f = xlgrid::Formats();
    QString src = QString::fromUtf8(mask);
    for (qsizetype i = 0; i < src.size(); ++i) {
        QChar c = src[i];
        switch (c.unicode()) {
        case '\\':
            if (i + 1 < src.size())
                AddLiteral(m, src[++i]);
            break;
        case '>': m.Mask += QLatin1Char('>'); break;
        case '<':
            if (i + 1 < src.size() && src[i + 1] == QLatin1Char('>')) {
                m.Mask += QLatin1Char('!');
                ++i;
            } else {
                m.Mask += QLatin1Char('<');
            }
            break;
        case '!': break;  // leading-blank handling of the home platform; no meaning here
        case '0': AddField(m, '9'); break;
        case '9': AddField(m, '0'); break;
        case '#': AddField(m, '#'); break;
        case 'L': AddField(m, 'A'); break;
        case 'l': AddField(m, 'a'); break;
        case 'A': AddField(m, 'N'); break;
        case 'a': AddField(m, 'n'); break;
        case 'C': AddField(m, 'X'); break;
        case 'c': AddField(m, 'x'); break;
        case '_': AddLiteral(m, QLatin1Char(' ')); break;
        case ':': AddLiteral(m, QLatin1Char(f.TimeSeparator)); break;
        case '/': AddLiteral(m, QLatin1Char(f.DateSeparator)); break;
        default: AddLiteral(m, c); break;
        }
    }
    if (m.Literal.empty()) {
        m.Mask.clear();  // only case switches or nothing: no mask at all
        return m;
    }
    // A blank that is itself a mask character would confuse Qt.
    if (m.Blank == QLatin1Char(';') || m.Blank.isNull())
        m.Blank = QLatin1Char('_');
    m.Mask += QLatin1Char(';');
    m.Mask += m.Blank;
    return m;
}

TXLMaskEdit::TXLMaskEdit(QWidget* parent) : QLineEdit(parent)
{
    setFrame(false);
    setAutoFillBackground(true);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

void TXLMaskEdit::LoadText(const QString& text)
{
    setText(text);
    end(false);
    setModified(false);
}

TXLLoadResult TXLMaskEdit::Load(xlgrid::TXLCell& cell)
{
    std::string format = cell.Format();
    m_mask = ToQtMask(xlgrid::SplitFormat(format).first);
    setInputMask(m_mask.Mask);
    QString text = QString::fromStdString(cell.Text());
    if (m_mask.Mask.isEmpty()) {
        LoadText(text);
    } else {
        setText(text);
        home(false);
        setModified(false);
    }
    return {};
}

QString TXLMaskEdit::StoredText() const
{
    if (m_mask.Mask.isEmpty())
        return text();
    QString shown = displayText();
    QString entered;
    for (qsizetype i = 0; i < shown.size() && i < static_cast<qsizetype>(m_mask.Literal.size()); ++i)
        if (!m_mask.Literal[static_cast<size_t>(i)] && shown[i] != m_mask.Blank)
            entered += shown[i];
    if (entered.isEmpty())
        return {};
    return m_mask.SaveLiterals ? text() : entered;
}

void TXLMaskEdit::Store(xlgrid::TXLCell& cell)
{
    cell.SetValue(xlgrid::Variant(StoredText().toStdString()));
}

void TXLMaskEdit::ApplyLayout(xlgrid::TXLHorzAlign align, int indent)
{
    Qt::Alignment h = ToQtAlignment(align);
    setAlignment(h | Qt::AlignVCenter);
    setTextMargins(indent, 0, indent, 0);
}

int TXLMaskEdit::PreferredHeight(int, int maxHeight) const
{
    return std::min(fontMetrics().height() + 2, maxHeight);
}

void TXLMaskEdit::keyPressEvent(QKeyEvent* event)
{
    if (!m_mask.Mask.isEmpty() && selectedText().size() <= 1 && event->modifiers() == Qt::NoModifier) {
        // The caret stays inside the mask instead of running against its ends.
        if ((event->key() == Qt::Key_Left && cursorPosition() == 0) ||
            (event->key() == Qt::Key_Right && cursorPosition() >= displayText().size())) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace xlgridui
