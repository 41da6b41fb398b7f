#pragma once
// The file formats of the command line: rosters and sheets read by
// extension (.csv, .xlsx, .xls, .xlf) and one sheet written by extension
// (.csv, .xlsx, .pdf, .xlf). Every failure is an EUsage with one line that
// names the file, which the commands turn into exit code 2.

#include "xlio/table.h"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace xlgrid {
class TXLSheet;
}

namespace cli {

// A failure that ends a command with exit code 2 and one line on stderr.
class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ".xlsx" for "Roster.XLSX"; empty without an extension.
std::string LowerExtension(const std::filesystem::path& p);

// A roster read from a file: rows of texts, every row ColCount cells long.
// Workbooks and CSV files go through the imports' table rules (CSV: the first
// line fixes the width; workbooks: the longest row; then the trailing blank
// trim); a sheet file keeps its own shape and is kept itself in Sheet, so
// that results built from it inherit its styles.
struct TLoadedRoster {
    xlio::Table Rows;
    int ColCount = 0;
    std::shared_ptr<xlgrid::TXLSheet> Sheet;  // .xlf only
};

TLoadedRoster LoadRoster(const std::string& file);

// The roster sheet the results are built from: the file's own sheet, or a
// new one filled from the rows by the designer imports' table import, with
// the roster sheet's settings and the roster's caption as its Title.
std::shared_ptr<xlgrid::TXLSheet> RosterSheet(const TLoadedRoster& roster);

// Reads any input format into the sheet; a sheet that is not a sheet file
// gets the file's name (without its extension) as Title.
void LoadSheet(const std::string& file, xlgrid::TXLSheet& sheet);

// Writes the sheet by the extension of file: the client rows as CSV
// (RFC 4180, CR LF, GB18030), the formatted workbook export, the printed
// pages as PDF, or the sheet file.
void SaveSheet(xlgrid::TXLSheet& sheet, const std::string& file);

// Every client cell's text, RowCount rows of ColCount cells; a sheet of more
// cells than a workbook may hold is refused (name starts the message).
xlio::Table ClientTexts(const xlgrid::TXLSheet& sheet, const std::string& name);

// Whether the sheets print in fewer column strips on a landscape A4 page
// than on a portrait one, and in no more for any of them: a class list a few
// columns wider than a portrait page is then printed across instead of being
// cut in two side by side.
bool PrintsNarrowerAcross(const std::vector<const xlgrid::TXLSheet*>& sheets);

// Prints sheets into one PDF on A4 (portrait unless landscape), each sheet
// from a new page under its title.
void WritePdf(const std::vector<const xlgrid::TXLSheet*>& sheets, const std::string& file, bool landscape);

}  // namespace cli
