#pragma once
// Writing CSV text: cells joined by commas, a cell quoted (quotes doubled)
// only when it holds a comma, a double quote, CR or LF, every line ended by
// CR LF. The file bytes are GB18030, or UTF-8 after a byte-order mark.

#include "xlio/csvreader.h"
#include "xlio/table.h"

#include <string>
#include <string_view>
#include <vector>

namespace xlio {

// Appends one cell as the file shows it.
void AppendCsvField(std::string& out, std::string_view cell);
// Appends the cells joined by commas and CR LF.
void AppendCsvLine(std::string& out, const std::vector<std::string>& cells);
// UTF-8 text of a whole table.
std::string CsvText(const Table& table);
// The bytes of the file holding UTF-8 text in the chosen encoding; text
// that is not valid UTF-8 is an EFileError naming the file.
std::string EncodeCsvText(std::string_view text, TCsvEncoding encoding, const std::string& file);

}  // namespace xlio
