#pragma once
// The workbook stream of a legacy .xls file, taken out of its OLE2 compound
// file (the container format) with libgsf. Private to the xls reader.

#include "xlio/readlimits.h"

#include <string>
#include <string_view>

namespace xlio::detail {

// The bytes of the "Workbook" stream (Excel 97 and later) or else the "Book"
// stream (Excel 5.0/95) of the compound file held in file. name is used in
// messages only. Raises EFileError when the bytes are no compound file, hold
// no workbook stream, or the stream cannot be read whole; the stream is never
// larger than file.
std::string ReadWorkbookStream(std::string_view file, const std::string& name, const TReadLimits& limits);

}  // namespace xlio::detail
