#pragma once
// Reading CSV text: RFC 4180 fields (a field that starts with a double quote
// runs to the matching quote and may hold commas, doubled quotes and line
// breaks), records ended by CR LF, LF or CR. A file with a UTF-8 byte-order
// mark, or one that is valid UTF-8 as a whole, is UTF-8; anything else is
// GB18030. The result is UTF-8 text.
//
// The reader trusts nothing: the input size, the number of records and the
// number of fields of a record are bounded, and every failure is the
// library's EFileError naming the file and the line where it happened.

#include "xlio/fileerror.h"
#include "xlio/table.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace xlio {

enum class TCsvEncoding { Gb18030, Utf8 };

struct TCsvLimits {
    std::size_t MaxBytes = std::size_t(256) << 20;
    std::size_t MaxRecords = 4'000'000;
    std::size_t MaxFields = 16384;
    // Every field costs a string object whatever its length; a file of
    // nothing but commas must not turn into gigabytes of empty strings.
    std::size_t MaxCells = 10'000'000;
};

// The file's bytes as UTF-8 text (the byte-order mark removed).
// file names the file in messages.
std::string DecodeCsvBytes(std::string_view bytes, TCsvEncoding* detected = nullptr,
                           const std::string& file = std::string());

// Splits UTF-8 text into records of fields. A line break at the very end
// ends the last record and starts none; an empty text has no records.
Table ParseCsv(std::string_view text, const TCsvLimits& limits = {}, const std::string& file = std::string());

// Reads, decodes and parses a file.
Table ReadCsvFile(const std::filesystem::path& file, const TCsvLimits& limits = {},
                  TCsvEncoding* detected = nullptr);

}  // namespace xlio
