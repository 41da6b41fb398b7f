#include "xlgridui/xlmemo.h"

#include "xlgrid/cell.h"

#include <QRegularExpression>
#include <QResizeEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace xlgridui {

TXLMemo::TXLMemo(QWidget* parent) : QPlainTextEdit(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    document()->setDocumentMargin(1);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { HeightChanged(); });
}

TXLLoadResult TXLMemo::Load(xlgrid::TXLCell& cell)
{
    QStringList lines;
    if (&cell.CellClass() == &xlgrid::TXLCStrings::Class()) {
        for (const std::string& item : static_cast<const xlgrid::TXLCStrings&>(cell).Items())
            lines << QString::fromStdString(item);
    } else {
        QString text = QString::fromStdString(cell.AsString());
        // A closing line break ends the last line; it does not start another.
        static const QRegularExpression lastBreak(QStringLiteral("(\\r\\n|\\r|\\n)$"));
        text.remove(lastBreak);
        if (!text.isEmpty())
            lines = text.split(QRegularExpression(QStringLiteral("\\r\\n|\\r|\\n")));
    }
    setPlainText(lines.join(QLatin1Char('\n')));
    moveCursor(QTextCursor::End);
    document()->setModified(false);
    return {};
}

QStringList TXLMemo::Lines() const
{
    QString text = toPlainText();
    if (text.isEmpty())
        return {};
    return text.split(QLatin1Char('\n'));
}

void TXLMemo::Store(xlgrid::TXLCell& cell)
{
    std::string text;
    for (const QString& line : Lines()) {
        text += line.toStdString();
        text += "\r\n";
    }
    cell.SetAsString(text);
}

void TXLMemo::ApplyLayout(xlgrid::TXLHorzAlign align, int indent)
{
    Qt::Alignment h = ToQtAlignment(align);
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(h);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document()->setDefaultTextOption(option);
    setViewportMargins(indent, 0, indent, 0);
    HeightChanged();
}

void TXLMemo::resizeEvent(QResizeEvent* event)
{
    int oldWidth = event->oldSize().width();
    QPlainTextEdit::resizeEvent(event);
    // Another width wraps the lines anew: the host places the memo again
    // once this resize is over.
    if (event->size().width() != oldWidth)
        QMetaObject::invokeMethod(this, [this] { HeightChanged(); }, Qt::QueuedConnection);
}

int TXLMemo::PreferredHeight(int, int maxHeight) const
{
    // The laid-out blocks at the current width; an empty memo still has one line.
    int h = 0;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        h += static_cast<int>(std::ceil(blockBoundingRect(b).height()));
    h = std::max(h, fontMetrics().height());
    h += 2 * static_cast<int>(document()->documentMargin());
    return std::min(h, maxHeight);
}

}  // namespace xlgridui
