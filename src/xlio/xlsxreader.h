#pragma once
// Reads the first visible worksheet (in the workbook's own order) of an xlsx
// file as rows of cell texts, the header row as data. Numbers come as
// NumberText gives them (zero-padded by a format of zeros), booleans as
// TRUE/FALSE, cells with a date or time format as yyyy-MM-dd / hh:nn:ss,
// errors as their text, formulas as their stored result; a formula without
// one, or every formula of a workbook that asks to be recalculated when
// opened, is calculated here (xlsxformula.h), and one that cannot be is
// refused with its worksheet, cell and text.
// Row r of the sheet is Table[r - 1]; a row is as long as its last cell with a
// value, rows and cells without one are empty.
//
// The file is untrusted: the archive, its directory and every inflated part
// are bounded by TReadLimits while they are read, and any breach, any damage
// or any refused construct (a document type declaration) raises EFileError.

#include "xlio/readlimits.h"
#include "xlio/table.h"

#include <string>
#include <string_view>

namespace xlio {

Table ReadXlsx(const std::string& path, const TReadLimits& limits = {});
TWorksheet ReadXlsxFile(const std::string& path, const TReadLimits& limits = {});

// name is used in messages only.
Table ReadXlsxMemory(std::string_view bytes, const std::string& name, const TReadLimits& limits = {});
TWorksheet ReadXlsxSheet(std::string_view bytes, const std::string& name, const TReadLimits& limits = {});

}  // namespace xlio
