#pragma once
// Builds small zip archives and xlsx workbooks from XML strings for the
// reader tests, including deliberately broken ones.

#include <string>
#include <utility>
#include <vector>

namespace xlio::test {

using TEntries = std::vector<std::pair<std::string, std::string>>;

// A zip archive (deflated entries) holding the given entries in order.
std::string MakeZip(const TEntries& entries);

// The parts of a one-sheet workbook around the given sheetData content;
// sharedStrings and styles parts are added when not empty.
TEntries XlsxParts(const std::string& sheetData, const std::string& sharedStrings = "",
                   const std::string& styles = "");

std::string MakeXlsx(const std::string& sheetData, const std::string& sharedStrings = "",
                     const std::string& styles = "");

// A fresh path in the test's temporary folder.
std::string TempPath(const std::string& name);

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);

}  // namespace xlio::test
