#pragma once
// The CSV import of a sheet, as the designer's command does it: the file's
// records fill the client rows from row 0 as text cells, the title row gets
// the column letters and the title column the row numbers, the last title
// column gets the width 30, and trailing blank rows and columns go. The
// filling is the designer imports' common xlio::ImportTable; what is CSV's
// own is that the first line fixes the column count.

#include "xlio/table.h"

namespace xlgrid {
class TXLSheet;
}

namespace results {

// records: the parsed file. The first record decides the column count.
// Without any record the sheet keeps its cells and is only trimmed.
void ImportCsvIntoSheet(xlgrid::TXLSheet& sheet, const xlio::Table& records);

}  // namespace results
