#pragma once
// Fills a sheet from a table of texts the way the designer's imports do:
// the sheet's cells are cleared, its counts become the table's shape, row r
// of the table lands in sheet row r (a roster's caption in row 0, its
// headers in row 1), every value is a text cell, the heading row reads
// A, B, ..., the heading column 1, 2, ..., the last heading column is 30
// pixels wide, and trailing blank rows and columns are trimmed.

#include "xlio/table.h"

namespace xlgrid { class TXLSheet; }

namespace xlio {

void ImportTable(xlgrid::TXLSheet& sheet, const Table& table);

// Lowers RowCount past trailing rows whose cells are all blank (empty after
// trimming blanks), then ColCount past trailing blank columns of the rows
// left. Blank rows and columns inside the data stay.
void TrimTrailingBlanks(xlgrid::TXLSheet& sheet);

}  // namespace xlio
