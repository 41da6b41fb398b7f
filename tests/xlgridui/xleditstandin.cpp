#include "xleditstandin.h"

#include "xlpaint/paintsection.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>

namespace xlgridui::testing {

TStandInGrid::TStandInGrid(xlgrid::TXLSheet& sheet, QWidget* parent)
    : QWidget(parent), m_sheet(sheet), m_host(new TXLEdit(*this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    resize(480, 240);
}

QRect TStandInGrid::PositionRect(int col, int row) const
{
    auto at = [this](int64_t px) { return static_cast<int>(px * Scale / 100); };
    int x = at(m_sheet.Offset(col, xlgrid::sCols));
    int y = at(m_sheet.Offset(row, xlgrid::sRows));
    int r = at(m_sheet.Offset(col, xlgrid::sCols) + m_sheet.LiveSize(col, xlgrid::sCols));
    int b = at(m_sheet.Offset(row, xlgrid::sRows) + m_sheet.LiveSize(row, xlgrid::sRows));
    return QRect(QPoint(x, y), QPoint(r - 1, b - 1));
}

QRect TStandInGrid::EditorCellRect(const xlgrid::TXLCell& cell) const
{
    xlgrid::TXLRect r;
    cell.GetSheetRect(r);
    return PositionRect(r.Left, r.Top).united(PositionRect(r.Right - 1, r.Bottom - 1));
}

bool TStandInGrid::EditorKeyPress(QKeyEvent& event)
{
    Keys.push_back(event.key());
    if (!TakeKeys)
        return false;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        m_host->Close(true);
        return true;
    case Qt::Key_Escape:
        m_host->Close(false);
        return true;
    case Qt::Key_F2:
        m_host->SetMode(m_host->Mode() == emEntering ? emEditing : emEntering);
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (m_host->Mode() == emEntering && !(event.modifiers() & (Qt::AltModifier | Qt::ShiftModifier))) {
            m_host->Close(true);
            return true;
        }
        return false;
    default: return false;
    }
}

xlgrid::TXLCell& TStandInGrid::CellAt(int col, int row) { return *m_sheet.Cells(col, row); }

bool TStandInGrid::Open(int col, int row, TXLEditMode mode) { return m_host->Open(CellAt(col, row), mode); }

void TypeChars(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &release);
    }
}

void TStandInGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const xlgrid::TXLSection& body = m_sheet.Section(xlgrid::skClient);
    xlpaint::TXLPaintInfo info;
    info.ColSizes = &m_sheet.SizeList(xlgrid::sCols, true);
    info.RowSizes = &m_sheet.SizeList(xlgrid::sRows, true);
    info.FirstCol = 0;
    info.LastCol = m_sheet.ColCount() - 1;
    info.FirstRow = 0;
    info.LastRow = m_sheet.RowCount() - 1;
    info.Canvas = &p;
    xlpaint::CollectMergedBlocks(body, info);
    xlpaint::PaintSection(body, info);
}

}  // namespace xlgridui::testing
