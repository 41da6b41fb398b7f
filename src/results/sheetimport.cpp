#include "results/sheetimport.h"

#include "engine/textrules.h"
#include "xlgrid/sheet.h"
#include "xlio/sheetimport.h"

#include <algorithm>

namespace results {
namespace {

bool IsBlankCell(const xlgrid::TXLSheet& sheet, int col, int row)
{
    const xlgrid::TXLCell* cell = sheet.FindCell(col, row);
    return !cell || engine::TrimBlanks(cell->AsString()).empty();
}

}  // namespace

void TrimSheetTrailingBlanks(xlgrid::TXLSheet& sheet)
{
    while (sheet.RowCount() > 0) {
        const int row = sheet.RowCount() - 1;
        bool blank = true;
        for (int c = 0; c < sheet.ColCount() && blank; ++c)
            blank = IsBlankCell(sheet, c, row);
        if (!blank)
            break;
        sheet.SetRowCount(row);
    }
    while (sheet.ColCount() > 0) {
        const int col = sheet.ColCount() - 1;
        bool blank = true;
        for (int r = 0; r < sheet.RowCount() && blank; ++r)
            blank = IsBlankCell(sheet, col, r);
        if (!blank)
            break;
        sheet.SetColCount(col);
    }
}

void ImportCsvIntoSheet(xlgrid::TXLSheet& sheet, const xlio::Table& records)
{
    if (records.empty()) {
        TrimSheetTrailingBlanks(sheet);
        return;
    }
    // The first line decides the width: later lines lose what lies beyond it.
    const std::size_t width = records.front().size();
    xlio::Table rows;
    rows.reserve(records.size());
    for (const auto& record : records)
        rows.emplace_back(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(std::min(width, record.size())));
    xlio::ImportTable(sheet, rows);
    // Blank means empty after removing every control character and space,
    // as the roster check trims; a cell holding only a line break is blank.
    TrimSheetTrailingBlanks(sheet);
}

}  // namespace results
