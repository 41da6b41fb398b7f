#pragma once
// Reading written workbooks back: facts from python3-openpyxl (sheet order,
// merges, formats, fonts, fills, borders) for what our own reader ignores.

#include <set>
#include <string>

namespace xlio::test {

bool HaveOpenpyxl();

// The lines of tests/data/dump-workbook.py for the workbook.
std::set<std::string> WorkbookFacts(const std::string& path);

// The lines of tests/data/dump-texts.py: every value with its type, as JSON.
std::set<std::string> WorkbookTexts(const std::string& path);

}  // namespace xlio::test
