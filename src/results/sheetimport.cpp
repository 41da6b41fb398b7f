#include "results/sheetimport.h"

#include "engine/textrules.h"
#include "xlgrid/sheet.h"

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
    sheet.BeginUpdate();
    if (!records.empty()) {
        const int cols = static_cast<int>(records.front().size());
        sheet.ClearCells();
        sheet.SetSizes(-1, xlgrid::sCols, 30);
        sheet.SetColCount(cols);
        sheet.SetRowCount(static_cast<int>(records.size()));
        for (std::size_t r = 0; r < records.size(); ++r) {
            const auto& record = records[r];
            for (int c = 0; c < cols && static_cast<std::size_t>(c) < record.size(); ++c)
                if (xlgrid::TXLCell* cell =
                        sheet.SetCellClass(c, static_cast<int>(r), xlgrid::TXLCString::Class()))
                    cell->SetAsString(record[static_cast<std::size_t>(c)]);
        }
        sheet.FillTitles();
    }
    TrimSheetTrailingBlanks(sheet);
    sheet.EndUpdate();
}

}  // namespace results
