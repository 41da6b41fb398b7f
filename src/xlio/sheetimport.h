#pragma once
// The designer's imports into a sheet (CSV, xlsx, xls), and the same rules on
// a plain table for the command line, which needs no sheet to divide:
//
// - CSV: the first record fixes the column count; a longer record loses its
//   surplus. Workbooks: the longest row fixes it.
// - Then the one trailing-blank trim: from the last row upwards, a row whose
//   cells are all blank (empty after trimming blanks) goes, until a row holds
//   text; then the same for columns over the rows that remain. Blank rows and
//   columns inside the data stay.
// - Filling a sheet: its cells are cleared, its counts become the table's
//   shape, row r of the table lands in sheet row r (a roster's caption in row
//   0, its headers in row 1), every value is a text cell (an empty field is an
//   empty text cell, a field a short row lacks is no cell), the heading row
//   reads A, B, ..., the heading column 1, 2, ..., and the last heading
//   column is 30 pixels wide.

#include "xlio/table.h"

#include <cstdint>

namespace xlgrid { class TXLSheet; }

namespace xlio {

// The most cells (rows times columns) an imported table may span. Everything
// after the import is as wide as the table for every row (the designer's
// sheet, the roster's rows once divided), so one cell far from the others
// must not square the table: a larger span is refused with an EFileError
// that names the table's extent and the cells it really holds. So is a
// table of more rows than a sheet holds (TXLSheet::kMaxCount, 1048560): a
// sheet would drop the rows past it.
inline constexpr std::uint64_t MaxImportCells = 16ull << 20;

// A table shaped by an import's rules: no row longer than ColCount (a
// shorter row reads as empty cells), the trailing blank rows and columns gone.
struct TImportedTable {
    Table Rows;
    int ColCount = 0;
};

// name starts the message of a refusal (the file, or empty).
TImportedTable ImportCsvTable(Table records, const std::string& name = {});
TImportedTable ImportWorkbookTable(Table rows, const std::string& name = {});

// Fills the sheet with a shaped table (rows no longer than colCount).
void FillSheet(xlgrid::TXLSheet& sheet, const Table& rows, int colCount);

// The designer's CSV import; without any record the sheet keeps its cells
// and is only trimmed.
void ImportCsvIntoSheet(xlgrid::TXLSheet& sheet, Table records, const std::string& name = {});
// The designer's workbook import (xlsx, xls).
void ImportTable(xlgrid::TXLSheet& sheet, Table rows, const std::string& name = {});

// The trailing-blank trim of the sheet's own cells (RowCount, then ColCount).
void TrimTrailingBlanks(xlgrid::TXLSheet& sheet);

}  // namespace xlio
