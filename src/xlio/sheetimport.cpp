#include "xlio/sheetimport.h"

#include "xlgrid/sheet.h"

#include <algorithm>

namespace xlio {
namespace {

bool IsBlank(const xlgrid::TXLSheet& sheet, int col, int row)
{
    const xlgrid::TXLCell* cell = sheet.FindCell(col, row);
    if (!cell)
        return true;
    // Blank after trimming: every byte a control character or a space.
    for (unsigned char c : cell->AsString())
        if (c > ' ')
            return false;
    return true;
}

}  // namespace

void TrimTrailingBlanks(xlgrid::TXLSheet& sheet)
{
    while (sheet.RowCount() > 0) {
        const int row = sheet.RowCount() - 1;
        bool blank = true;
        for (int c = 0; c < sheet.ColCount() && blank; ++c)
            blank = IsBlank(sheet, c, row);
        if (!blank)
            break;
        sheet.SetRowCount(row);
    }
    while (sheet.ColCount() > 0) {
        const int col = sheet.ColCount() - 1;
        bool blank = true;
        for (int r = 0; r < sheet.RowCount() && blank; ++r)
            blank = IsBlank(sheet, col, r);
        if (!blank)
            break;
        sheet.SetColCount(col);
    }
}

void ImportTable(xlgrid::TXLSheet& sheet, const Table& table)
{
    std::size_t width = 0;
    for (const auto& row : table)
        width = std::max(width, row.size());
    const int cols = static_cast<int>(std::min<std::size_t>(width, 1u << 30));
    const int rows = static_cast<int>(std::min<std::size_t>(table.size(), 1u << 30));

    sheet.BeginUpdate();
    try {
        sheet.ClearCells();
        sheet.SetSizes(-1, xlgrid::sCols, 30);
        sheet.SetColCount(cols);
        sheet.SetRowCount(rows);
        if (sheet.TitleRows() > 0)
            for (int c = 0; c < cols; ++c)
                sheet.SetText(c, -1, xlgrid::ColumnLetters(c));
        for (int r = 0; r < rows; ++r) {
            if (sheet.TitleCols() > 0)
                sheet.SetValues(-1, r, xlgrid::Variant(static_cast<int32_t>(r + 1)));
            const auto& line = table[static_cast<std::size_t>(r)];
            for (int c = 0; c < cols; ++c) {
                const std::string empty;
                const std::string& text = static_cast<std::size_t>(c) < line.size() ? line[static_cast<std::size_t>(c)] : empty;
                // Empty fields of a short row need no cell: an absent cell reads as empty text.
                if (text.empty() && static_cast<std::size_t>(c) >= line.size())
                    continue;
                if (xlgrid::TXLCell* cell = sheet.SetCellClass(c, r, xlgrid::TXLCString::Class()))
                    cell->SetAsString(text);
            }
        }
        TrimTrailingBlanks(sheet);
    } catch (...) {
        sheet.EndUpdate();
        throw;
    }
    sheet.EndUpdate();
}

}  // namespace xlio
