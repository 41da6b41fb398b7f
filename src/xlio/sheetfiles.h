#pragma once
// Sheet files by extension, for the designer, the main window and the command
// line: a sheet read from .csv, .xlsx, .xls or .xlf and written as .csv
// (RFC 4180, CR LF, GB18030), .xlsx (the formatted export) or .xlf; and a
// roster read as a plain table, for a division that needs no sheet. Printing
// to PDF is xlpaint's. Every failure is an EFileError whose message names
// the file once.

#include "xlio/table.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace xlgrid {
class TXLSheet;
}

namespace xlio {

inline constexpr const char* SheetInputKinds = ".csv, .xlsx, .xls or .xlf";

// ".xlsx" for "Roster.XLSX"; empty without an extension.
std::string LowerExtension(const std::filesystem::path& p);

// The colour of the heading cells of roster and result sheets (RGB 221, 228, 255).
inline constexpr std::uint32_t SheetTitleColor = 0xFFE4DD;

// What a new roster sheet starts with: margins 5, grid lines printed,
// columns 100 and rows 20 pixels, one title row and column, the title colour.
void PrepareRosterSheet(xlgrid::TXLSheet& sheet);

// A roster read from a file: rows of texts, none longer than ColCount.
// Workbooks and CSV files are shaped by the imports' table rules; a sheet
// file keeps its own shape and is kept itself in Sheet, so that results
// built from it inherit its styles.
struct TLoadedRoster {
    Table Rows;
    int ColCount = 0;
    std::shared_ptr<xlgrid::TXLSheet> Sheet;  // .xlf only
    std::string WorksheetName;                // the worksheet a workbook was read from
};

TLoadedRoster LoadRoster(const std::string& file);

// The roster sheet the results are built from: the file's own sheet, or a
// new prepared one filled from the rows, the roster's caption as its Title.
std::shared_ptr<xlgrid::TXLSheet> RosterSheet(const TLoadedRoster& roster);

// Reads any input format into the sheet; a file that is not a sheet file
// prepares the sheet as a roster sheet and gives it the file's name (without
// its extension) as Title. A bad file leaves the sheet as it was. Returns
// the name of the worksheet a workbook was read from (empty otherwise), for
// messages about the roster.
std::string LoadSheet(const std::string& file, xlgrid::TXLSheet& sheet);

// Writes the sheet by the extension of file (.csv, .xlsx or .xlf), through
// the one atomic writer.
void SaveSheet(xlgrid::TXLSheet& sheet, const std::string& file);

// Every client cell's text, RowCount rows of ColCount cells; a sheet of more
// cells than a workbook may hold is refused (name starts the message).
Table ClientTexts(const xlgrid::TXLSheet& sheet, const std::string& name);

}  // namespace xlio
