#pragma once
// The CSV import's rules on a plain table: the first line decides the column
// count (a longer line loses its surplus, a shorter one is padded with
// empty cells), then trailing blank rows and columns are removed.

#include "xlio/table.h"

namespace results {

struct TImportedTable {
    xlio::Table Rows;  // every row ColCount cells long
    int ColCount = 0;
};

TImportedTable ImportCsvTable(xlio::Table records);

// Trailing blank trim: from the last row upwards, a row whose cells are all
// blank after trimming goes, until a row holds text or row 0 is handled;
// then the same for columns over the rows that remain.
void TrimTrailingBlanks(xlio::Table& rows, int& colCount);

}  // namespace results
