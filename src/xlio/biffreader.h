#pragma once
// Reads the first visible worksheet of a BIFF8 workbook stream (the records
// inside a legacy .xls file; the Excel 5.0/95 form BIFF5 too, its texts in
// code page 936 or 1252) as rows of cell texts, by the rules of the xlsx
// reader: numbers in their shortest decimal text, cells with a date or time
// format (built-in or custom, 1900 or 1904 date system) as yyyy-MM-dd /
// hh:nn:ss, booleans as TRUE/FALSE, errors as their text (#DIV/0!), formulas
// as their stored result. Row r of the sheet is Cells[r]; a row is as long as
// its last cell with a value.
//
// The stream is untrusted and checked as it is walked: every record lies
// inside its substream, every length and count inside the bytes left; record
// types must be known ones, records of fixed size must have it, cells must
// sit inside the sheet and inside the one run of cell records (the cell
// table), and a worksheet must end in its EOF record exactly where the next
// substream begins. So a damaged length field, which throws the walk out of
// step, is refused with the byte offset where it showed instead of silently
// losing the rest of the sheet.

#include "xlio/readlimits.h"
#include "xlio/table.h"

#include <string>
#include <string_view>

namespace xlio {

// file names the workbook in messages. Raises EFileError.
TWorksheet ReadBiffWorkbook(std::string_view stream, const std::string& file, const TReadLimits& limits = {});

}  // namespace xlio
