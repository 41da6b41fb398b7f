#include "xlio/sheetfiles.h"

#include "xlio/csvreader.h"
#include "xlio/csvwriter.h"
#include "xlio/fileerror.h"
#include "xlio/readlimits.h"
#include "xlio/sheetexport.h"
#include "xlio/sheetimport.h"
#include "xlio/xlsreader.h"
#include "xlio/xlsxreader.h"

#include "xlgrid/sheet.h"
#include "xlgrid/sheetstream.h"

namespace xlio {
namespace {

namespace fs = std::filesystem;

// What went wrong, without the file name a file error carries itself.
std::string Reason(const xlgrid::EXLGridError& e)
{
    if (const auto* file = dynamic_cast<const xlgrid::EXLFileError*>(&e))
        return "cannot " + file->Action() + ": " + file->Reason();
    return e.what();
}

std::shared_ptr<xlgrid::TXLSheet> LoadSheetFile(const std::string& file)
{
    auto sheet = std::make_shared<xlgrid::TXLSheet>();
    try {
        const std::string bytes = xlgrid::ReadWholeFile(file, xlgrid::TXLStreamLimits{}.MaxFile);
        xlgrid::LoadSheetFromStream(*sheet, bytes);
    } catch (const xlgrid::EXLGridError& e) {
        throw EFileError::InWords(file, Reason(e), "cannot read the sheet file \"" + file + "\": " + Reason(e));
    }
    return sheet;
}

void SaveSheetFile(xlgrid::TXLSheet& sheet, const std::string& file)
{
    try {
        xlgrid::SaveSheetToFile(sheet, file);
    } catch (const xlgrid::EXLGridError& e) {
        throw EFileError::InWords(file, Reason(e), "cannot write the sheet file \"" + file + "\": " + Reason(e));
    }
}

bool IsWorkbook(const std::string& ext) { return ext == ".xlsx" || ext == ".xls"; }

// The workbook's first visible worksheet.
TWorksheet ReadWorkbook(const std::string& file, const std::string& ext)
{
    return ext == ".xlsx" ? ReadXlsxFile(file) : ReadXlsFile(file);
}

void WriteCsv(const xlgrid::TXLSheet& sheet, const std::string& file)
{
    std::string text;
    for (const auto& row : ClientTexts(sheet, file))
        AppendCsvLine(text, row);
    const std::string bytes = EncodeCsvText(text, TCsvEncoding::Gb18030, file);
    try {
        xlgrid::WriteFileAtomic(file, bytes);
    } catch (const xlgrid::EXLFileError& e) {
        throw EFileError::From(e);
    }
}

[[noreturn]] void UnknownType(const std::string& file, const char* kinds)
{
    const std::string what = std::string("unknown file type (expected ") + kinds + ")";
    throw EFileError::InWords(file, what, "unknown file type of " + file + " (expected " + kinds + ")");
}

}  // namespace

std::string LowerExtension(const fs::path& p)
{
    std::string ext = p.extension().string();
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

void PrepareRosterSheet(xlgrid::TXLSheet& sheet)
{
    sheet.SetTitle("表格");
    sheet.SetPrintMargins({5, 5, 5, 5});
    sheet.SetPrintGridLines(true);
    sheet.SetColDefWidth(100);
    sheet.SetRowDefHeight(20);
    sheet.SetTitleCols(1);
    sheet.SetTitleRows(1);
    sheet.BaseTitleStyle().SetColor(SheetTitleColor);
}

TLoadedRoster LoadRoster(const std::string& file)
{
    const std::string ext = LowerExtension(file);
    if (ext == ".csv") {
        TImportedTable t = ImportCsvTable(ReadCsvFile(file), file);
        return {std::move(t.Rows), t.ColCount, nullptr, {}};
    }
    if (IsWorkbook(ext)) {
        TWorksheet sheet = ReadWorkbook(file, ext);
        TImportedTable t = ImportWorkbookTable(std::move(sheet.Cells), file);
        return {std::move(t.Rows), t.ColCount, nullptr, std::move(sheet.Name)};
    }
    if (ext == ".xlf") {
        TLoadedRoster r;
        r.Sheet = LoadSheetFile(file);
        r.Rows = ClientTexts(*r.Sheet, file);
        r.ColCount = r.Sheet->ColCount();
        return r;
    }
    UnknownType(file, SheetInputKinds);
}

std::shared_ptr<xlgrid::TXLSheet> RosterSheet(const TLoadedRoster& roster)
{
    if (roster.Sheet)
        return roster.Sheet;
    auto sheet = std::make_shared<xlgrid::TXLSheet>();
    PrepareRosterSheet(*sheet);
    FillSheet(*sheet, roster.Rows, roster.ColCount);
    const xlgrid::TXLCell* caption = sheet->FindCell(0, 0);
    const std::string title = caption ? caption->AsString() : std::string();
    sheet->SetTitle(title.empty() ? "数据源" : title);
    return sheet;
}

std::string LoadSheet(const std::string& file, xlgrid::TXLSheet& sheet)
{
    const std::string ext = LowerExtension(file);
    if (ext == ".xlf") {
        std::shared_ptr<xlgrid::TXLSheet> loaded = LoadSheetFile(file);
        sheet.SwapContents(*loaded);
        return {};
    }
    if (ext != ".csv" && !IsWorkbook(ext))
        UnknownType(file, SheetInputKinds);
    // Read before the sheet changes, so that a bad file leaves it as it was.
    std::string worksheet;
    Table rows;
    if (ext == ".csv") {
        rows = ReadCsvFile(file);
    } else {
        TWorksheet read = ReadWorkbook(file, ext);
        worksheet = std::move(read.Name);
        rows = std::move(read.Cells);
    }
    const bool noRecords = rows.empty();
    TImportedTable t = ext == ".csv" ? ImportCsvTable(std::move(rows), file) : ImportWorkbookTable(std::move(rows), file);
    PrepareRosterSheet(sheet);
    if (ext == ".csv" && noRecords)
        TrimTrailingBlanks(sheet);
    else
        FillSheet(sheet, t.Rows, t.ColCount);
    sheet.SetTitle(fs::path(file).stem().string());
    return worksheet;
}

void SaveSheet(xlgrid::TXLSheet& sheet, const std::string& file)
{
    const std::string ext = LowerExtension(file);
    if (ext == ".csv")
        WriteCsv(sheet, file);
    else if (ext == ".xlsx")
        ExportSheetFormatted(file, sheet);
    else if (ext == ".xlf")
        SaveSheetFile(sheet, file);
    else
        UnknownType(file, ".csv, .xlsx or .xlf");
}

Table ClientTexts(const xlgrid::TXLSheet& sheet, const std::string& name)
{
    // A sparse sheet may declare far more cells than it holds; the texts
    // are one string per cell, so the shape is bounded as a workbook's is.
    const std::uint64_t cells = std::uint64_t(sheet.RowCount()) * std::uint64_t(sheet.ColCount());
    if (cells > TReadLimits{}.MaxCells)
        throw EFileError(name, "",
                         "the sheet has " + std::to_string(sheet.RowCount()) + " rows of "
                             + std::to_string(sheet.ColCount()) + " columns, more cells than fenban reads ("
                             + std::to_string(TReadLimits{}.MaxCells) + ")");
    Table rows(static_cast<std::size_t>(sheet.RowCount()));
    for (int r = 0; r < sheet.RowCount(); ++r) {
        auto& row = rows[static_cast<std::size_t>(r)];
        row.resize(static_cast<std::size_t>(sheet.ColCount()));
        for (int c = 0; c < sheet.ColCount(); ++c)
            if (const xlgrid::TXLCell* cell = sheet.FindCell(c, r))
                row[static_cast<std::size_t>(c)] = cell->AsString();
    }
    return rows;
}

}  // namespace xlio
