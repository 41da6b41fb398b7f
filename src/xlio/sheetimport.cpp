#include "xlio/sheetimport.h"

#include "xlio/fileerror.h"
#include "xlio/workbookwriter.h"

#include "xlgrid/sheet.h"

#include <algorithm>

namespace xlio {
namespace {

// Blank after trimming: every byte a control character or a space.
bool IsBlankText(const std::string& text)
{
    for (unsigned char c : text)
        if (c > ' ')
            return false;
    return true;
}

// The trailing-blank trim on any grid of cells: lowers rows past trailing
// blank rows, then cols past trailing blank columns of the rows left.
template <class Blank>
void TrimCounts(int& rows, int& cols, const Blank& blank)
{
    while (rows > 0) {
        bool all = true;
        for (int c = 0; c < cols && all; ++c)
            all = blank(c, rows - 1);
        if (!all)
            break;
        --rows;
    }
    while (cols > 0) {
        bool all = true;
        for (int r = 0; r < rows && all; ++r)
            all = blank(cols - 1, r);
        if (!all)
            break;
        --cols;
    }
}

void CheckSpan(const Table& rows, std::size_t width, const std::string& name)
{
    const std::uint64_t span = std::uint64_t(rows.size()) * width;
    if (span <= MaxImportCells) {
        // Every later step holds the table in a sheet (the designer, the
        // window, the result sheets): past a sheet's rows it would lose students.
        if (rows.size() > static_cast<std::size_t>(xlgrid::TXLSheet::kMaxCount))
            throw EFileError(name, "",
                             "the table has " + std::to_string(rows.size()) + " rows, more than the "
                                 + std::to_string(xlgrid::TXLSheet::kMaxCount)
                                 + " rows fenban holds; split the roster into smaller files");
        return;
    }
    const std::string column = ExcelColumn(static_cast<int>(std::min<std::size_t>(width, 1u << 30)));
    std::uint64_t present = 0;
    for (const auto& row : rows)
        for (const auto& text : row)
            present += !IsBlankText(text);
    throw EFileError(name, "",
                     "the table reaches row " + std::to_string(rows.size()) + " and column " + column + " ("
                         + std::to_string(span) + " cells), more than the " + std::to_string(MaxImportCells)
                         + " cells fenban imports, while only " + std::to_string(present)
                         + " of them hold text; delete what lies far outside the roster and read it again");
}

TImportedTable Shaped(Table rows, std::size_t width, const std::string& name)
{
    TImportedTable out;
    // The readers bound columns to 16384 and rows to about a million; the
    // clamp only keeps a hand-made table inside int.
    out.ColCount = static_cast<int>(std::min<std::size_t>(width, 1u << 30));
    for (auto& row : rows)
        if (row.size() > static_cast<std::size_t>(out.ColCount))
            row.resize(static_cast<std::size_t>(out.ColCount));
    int count = static_cast<int>(std::min<std::size_t>(rows.size(), 1u << 30));
    TrimCounts(count, out.ColCount, [&](int c, int r) {
        const auto& row = rows[static_cast<std::size_t>(r)];
        return static_cast<std::size_t>(c) >= row.size() || IsBlankText(row[static_cast<std::size_t>(c)]);
    });
    rows.resize(static_cast<std::size_t>(count));
    CheckSpan(rows, static_cast<std::size_t>(out.ColCount), name);
    for (auto& row : rows)
        if (row.size() > static_cast<std::size_t>(out.ColCount))
            row.resize(static_cast<std::size_t>(out.ColCount));
    out.Rows = std::move(rows);
    return out;
}

}  // namespace

TImportedTable ImportCsvTable(Table records, const std::string& name)
{
    const std::size_t width = records.empty() ? 0 : records.front().size();
    return Shaped(std::move(records), width, name);
}

TImportedTable ImportWorkbookTable(Table rows, const std::string& name)
{
    std::size_t width = 0;
    for (const auto& row : rows)
        width = std::max(width, row.size());
    return Shaped(std::move(rows), width, name);
}

void TrimTrailingBlanks(xlgrid::TXLSheet& sheet)
{
    int rows = sheet.RowCount(), cols = sheet.ColCount();
    TrimCounts(rows, cols, [&](int c, int r) {
        const xlgrid::TXLCell* cell = sheet.FindCell(c, r);
        return !cell || IsBlankText(cell->AsString());
    });
    if (rows != sheet.RowCount())
        sheet.SetRowCount(rows);
    if (cols != sheet.ColCount())
        sheet.SetColCount(cols);
}

void FillSheet(xlgrid::TXLSheet& sheet, const Table& table, int colCount)
{
    const int cols = colCount;
    const int rows = static_cast<int>(table.size());
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
            for (std::size_t c = 0; c < std::min(line.size(), static_cast<std::size_t>(cols)); ++c)
                if (xlgrid::TXLCell* cell = sheet.SetCellClass(static_cast<int>(c), r, xlgrid::TXLCString::Class()))
                    cell->SetAsString(line[c]);
        }
    } catch (...) {
        sheet.EndUpdate();
        throw;
    }
    sheet.EndUpdate();
}

void ImportCsvIntoSheet(xlgrid::TXLSheet& sheet, Table records, const std::string& name)
{
    if (records.empty()) {
        TrimTrailingBlanks(sheet);
        return;
    }
    const TImportedTable t = ImportCsvTable(std::move(records), name);
    FillSheet(sheet, t.Rows, t.ColCount);
}

void ImportTable(xlgrid::TXLSheet& sheet, Table rows, const std::string& name)
{
    const TImportedTable t = ImportWorkbookTable(std::move(rows), name);
    FillSheet(sheet, t.Rows, t.ColCount);
}

}  // namespace xlio
