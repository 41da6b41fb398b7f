#pragma once
// The imports' rules on a plain table, for the command line that needs no
// sheet: the CSV import (the first line decides the column count, a longer
// line loses its surplus, a shorter one is padded with empty cells) and the
// workbook import, then trailing blank rows and columns are removed.

#include "xlio/table.h"

namespace results {

struct TImportedTable {
    xlio::Table Rows;  // every row ColCount cells long
    int ColCount = 0;
};

TImportedTable ImportCsvTable(xlio::Table records);

// A workbook's first worksheet as the designer imports fill a sheet with it:
// the longest row decides the column count, shorter rows are padded, then
// the trailing blank trim.
TImportedTable ImportWorkbookTable(xlio::Table rows);

// Trailing blank trim: from the last row upwards, a row whose cells are all
// blank after trimming goes, until a row holds text or row 0 is handled;
// then the same for columns over the rows that remain.
void TrimTrailingBlanks(xlio::Table& rows, int& colCount);

}  // namespace results
