#include "xlgridui/xlpickedit.h"

#include "xlgrid/cell.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace xlgridui {

TXLPickEdit::TXLPickEdit(QWidget* parent, bool pickOnly) : QComboBox(parent)
{
    setEditable(!pickOnly);
    setFrame(false);
    setInsertPolicy(QComboBox::NoInsert);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(1);
    if (QLineEdit* edit = lineEdit())
        edit->setFrame(false);
}

QWidget* TXLPickEdit::InputWidget()
{
    if (QLineEdit* edit = lineEdit())
        return edit;
    return this;
}

TXLLoadResult TXLPickEdit::Load(xlgrid::TXLCell& cell)
{
    clear();
    if (&cell.CellClass() == &xlgrid::TXLCStrings::Class()) {
        const auto& list = static_cast<const xlgrid::TXLCStrings&>(cell);
        for (const std::string& item : list.Items())
            addItem(QString::fromStdString(item));
        int index = list.ItemIndex();
        setCurrentIndex(index >= 0 && index < count() ? index : -1);
        if (currentIndex() < 0 && isEditable())
            setEditText(QString());
    } else if (isEditable()) {
        setEditText(QString::fromStdString(cell.Text()));
    } else {
        QString text = QString::fromStdString(cell.AsString());
        text.remove(QRegularExpression(QStringLiteral("(\\r\\n|\\r|\\n)$")));
        if (!text.isEmpty())
            addItems(text.split(QRegularExpression(QStringLiteral("\\r\\n|\\r|\\n"))));
        setCurrentIndex(count() > 0 ? 0 : -1);
    }
    if (QLineEdit* edit = lineEdit())
        edit->end(false);
    return {count() > 0 ? esDropDown : esNormal, false};
}

int TXLPickEdit::ChosenIndex() const
{
    int index = currentIndex();
    if (!isEditable())
        return index;
    QString typed = currentText();
    if (index >= 0 && itemText(index) == typed)
        return index;
    for (int i = 0; i < count(); ++i)
        if (itemText(i).compare(typed, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TXLPickEdit::Store(xlgrid::TXLCell& cell)
{
    if (&cell.CellClass() == &xlgrid::TXLCStrings::Class())
        cell.SetAsInteger(ChosenIndex());
    else
        cell.SetAsString(currentText().toStdString());
}

void TXLPickEdit::ApplyLayout(xlgrid::TXLHorzAlign align, int indent)
{
    if (QLineEdit* edit = lineEdit()) {
        Qt::Alignment h = ToQtAlignment(align);
        edit->setAlignment(h | Qt::AlignVCenter);
        edit->setTextMargins(indent, 0, indent, 0);
    }
}

void TXLPickEdit::SelectAllText()
{
    if (QLineEdit* edit = lineEdit())
        edit->selectAll();
}

int TXLPickEdit::PreferredHeight(int, int maxHeight) const
{
    return std::min(fontMetrics().boundingRect(QStringLiteral("Aj")).height() + 2, maxHeight);
}

void TXLPickEdit::Place(const QRect& area)
{
    // Widen the box by its own arrow: the arrow then lies beyond the
    // host's edge, under the host's button, and the list opens at the
    // editor's width.
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.rect = QRect(0, 0, std::max(area.width(), 40), area.height());
    QRect arrow = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, this);
    setGeometry(area.adjusted(0, 0, arrow.isValid() ? arrow.width() : 0, 0));
}

bool TXLPickEdit::DropDownOpen() const { return view() && view()->isVisible(); }

}  // namespace xlgridui
