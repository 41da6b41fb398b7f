#pragma once
// Reads the first worksheet of a legacy .xls workbook as rows of cell texts,
// by the same rules as the xlsx reader: numbers in their shortest decimal
// text, dates as yyyy-MM-dd, times as hh:nn:ss.
//
// The parsing library for this format is not ours to harden, so it runs in a
// forked child with its address space and CPU time limited (TReadLimits
// MaxChildMemory, MaxChildSeconds); the child sends the cells back through a
// pipe as length-prefixed records that the parent bounds (MaxResultBytes,
// MaxRows, MaxCols, MaxCells) before it believes them. A crash, a limit hit
// or a refused file in the child raises EFileError in the caller; the caller
// itself is never at risk.
//
// Values the library reports only as numbers stay numbers: booleans arrive
// as 1 and 0 and error cells are empty.

#include "xlio/readlimits.h"
#include "xlio/table.h"

#include <string>

namespace xlio {

Table ReadXls(const std::string& path, const TReadLimits& limits = {});

}  // namespace xlio
