#include "engine/sheetroster.h"

#include "xlgrid/sheet.h"

namespace engine {

int TSheetRoster::RowCount() const { return m_sheet.RowCount(); }

int TSheetRoster::ColCount() const { return m_sheet.ColCount(); }

std::string TSheetRoster::CellText(int col, int row) const
{
    const xlgrid::TXLCell* cell = m_sheet.FindCell(col, row);
    return cell ? cell->AsString() : std::string();
}

void TSheetRoster::ClearMarks()
{
    const int cols = m_sheet.ColCount(), rows = m_sheet.RowCount();
    m_sheet.Section(xlgrid::skClient).ForEachCell([&](xlgrid::TXLCell& cell) {
        if (cell.SheetCol() < cols && cell.SheetRow() < rows && cell.FontColor() == MarkColor)
            cell.SetFontColor(WindowTextColor);
    });
}

void TSheetRoster::Mark(int col, int row)
{
    if (xlgrid::TXLCell* cell = m_sheet.Cells(col, row))
        cell->SetFontColor(MarkColor);
}

}  // namespace engine
