#pragma once
// Reading CSV text: RFC 4180 fields (a field that starts with a double quote
// runs to the matching quote and may hold separators, doubled quotes and line
// breaks), records ended by CR LF, LF or CR. The encoding is xlgrid's one
// decision for text files (byte-order marks of UTF-8, UTF-16 and GB18030;
// else valid UTF-8 as a whole; else GB18030). The result is UTF-8 text.
//
// Fields are separated by commas. Spreadsheet programs save "Unicode text"
// as UTF-16 with tabs, and some locales save semicolons: a UTF-16 file is
// split on tabs, and a file whose first line (quotes respected) holds no
// comma but tabs or semicolons is split on the one it holds most (see
// CsvSeparator).
//
// The reader trusts nothing: the input size, the number of records and the
// number of fields of a record are bounded, and every failure is the
// library's EFileError naming the file and the line where it happened.

#include "xlio/fileerror.h"
#include "xlio/table.h"
#include "xlgrid/encoding.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace xlio {

// The encodings the CSV writer writes.
enum class TCsvEncoding { Gb18030, Utf8 };

struct TCsvLimits {
    std::size_t MaxBytes = std::size_t(256) << 20;
    std::size_t MaxRecords = 4'000'000;
    std::size_t MaxFields = 16384;
    // Every field costs a string object whatever its length; a file of
    // nothing but commas must not turn into gigabytes of empty strings.
    std::size_t MaxCells = 10'000'000;
};

// The file's bytes as UTF-8 text (the byte-order mark removed). file names
// the file in messages; an undecodable byte is reported by line and column.
std::string DecodeCsvBytes(std::string_view bytes, xlgrid::TXLTextEncoding* detected = nullptr,
                           const std::string& file = std::string());

// The separator of decoded text: the preferred one (',', or '\t' for a
// UTF-16 file) unless the first line holds none of it outside quotes but
// holds commas, tabs or semicolons: then the one it holds most.
char CsvSeparator(std::string_view text, char preferred = ',');

// Splits UTF-8 text into records of fields. A line break at the very end
// ends the last record and starts none; an empty text has no records.
Table ParseCsv(std::string_view text, const TCsvLimits& limits = {}, const std::string& file = std::string(),
               char separator = ',');

// Decodes and parses a file's bytes, split on CsvSeparator's choice.
Table ParseCsvBytes(std::string_view bytes, const TCsvLimits& limits = {}, const std::string& file = std::string(),
                    xlgrid::TXLTextEncoding* detected = nullptr);

// Reads, decodes and parses a file.
Table ReadCsvFile(const std::filesystem::path& file, const TCsvLimits& limits = {},
                  xlgrid::TXLTextEncoding* detected = nullptr);

}  // namespace xlio
