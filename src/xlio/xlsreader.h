#pragma once
// Reads the first visible worksheet of a legacy .xls workbook (BIFF8, or the
// Excel 5.0/95 BIFF5, inside an OLE2 compound file) as rows of cell texts, by
// the same rules as the xlsx reader: numbers in their shortest decimal text,
// dates as yyyy-MM-dd, times as hh:nn:ss, booleans as TRUE/FALSE, formulas
// as their stored result.
//
// Runs in process: the container is read with libgsf from memory, the
// records by our own reader (biffreader.h), which bounds everything it trusts
// (MaxArchiveBytes, MaxRows, MaxCols, MaxCells, MaxSharedStrings and
// MaxResultBytes for the text it hands out) and raises EFileError.

#include "xlio/biffreader.h"
#include "xlio/readlimits.h"
#include "xlio/table.h"

#include <string>
#include <string_view>

namespace xlio {

Table ReadXls(const std::string& path, const TReadLimits& limits = {});
TWorksheet ReadXlsFile(const std::string& path, const TReadLimits& limits = {});

// The worksheet with its name, from the file's bytes; name is used in
// messages only.
TWorksheet ReadXlsMemory(std::string_view bytes, const std::string& name, const TReadLimits& limits = {});

}  // namespace xlio
