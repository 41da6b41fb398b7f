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

namespace xlgrid { class TXLSheet; }

namespace xlio {

// A table shaped by an import's rules: no row longer than ColCount (a
// shorter row reads as empty cells), the trailing blank rows and columns gone.
struct TImportedTable {
    Table Rows;
    int ColCount = 0;
};

TImportedTable ImportCsvTable(Table records);
TImportedTable ImportWorkbookTable(Table rows);

// Fills the sheet with a shaped table (rows no longer than colCount).
void FillSheet(xlgrid::TXLSheet& sheet, const Table& rows, int colCount);

// The designer's CSV import; without any record the sheet keeps its cells
// and is only trimmed.
void ImportCsvIntoSheet(xlgrid::TXLSheet& sheet, Table records);
// The designer's workbook import (xlsx, xls).
void ImportTable(xlgrid::TXLSheet& sheet, Table rows);

// The trailing-blank trim of the sheet's own cells (RowCount, then ColCount).
void TrimTrailingBlanks(xlgrid::TXLSheet& sheet);

}  // namespace xlio
