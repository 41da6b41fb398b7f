#include "cli/sheetfiles.h"

#include "engine/atomicfile.h"
#include "engine/textrules.h"
#include "results/resultsheet.h"
#include "results/sheetimport.h"
#include "results/tableimport.h"
#include "xlgrid/sheet.h"
#include "xlgrid/sheetstream.h"
#include "xlio/csvreader.h"
#include "xlio/csvwriter.h"
#include "xlio/readerror.h"
#include "xlio/readlimits.h"
#include "xlio/sheetexport.h"
#include "xlio/sheetimport.h"
#include "xlio/xlsreader.h"
#include "xlio/xlsxreader.h"
#include "xlpaint/pdfexport.h"
#include "xlpaint/qtconvert.h"
#include "xlpaint/sheetprinter.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* InputKinds = ".csv, .xlsx, .xls or .xlf";
constexpr const char* OutputKinds = ".csv, .xlsx, .pdf or .xlf";

// The sheet file reader names the file in most of its messages, not in all.
std::string SheetFileMessage(const std::string& file, const std::string& what)
{
    if (what.find(file) != std::string::npos)
        return "cannot read the sheet file " + what;
    return "cannot read the sheet file \"" + file + "\": " + what;
}

std::shared_ptr<xlgrid::TXLSheet> LoadSheetFile(const std::string& file)
{
    auto sheet = std::make_shared<xlgrid::TXLSheet>();
    try {
        xlgrid::LoadSheetFromFile(*sheet, file);
    } catch (const xlgrid::EXLGridError& e) {
        throw EUsage(SheetFileMessage(file, e.what()));
    }
    return sheet;
}

// The workbook's first worksheet as rows of texts.
xlio::Table ReadWorkbook(const std::string& file, const std::string& ext)
{
    try {
        return ext == ".xlsx" ? xlio::ReadXlsx(file) : xlio::ReadXls(file);
    } catch (const xlio::EReadError& e) {
        throw EUsage(e.what());
    }
}

xlio::Table ReadCsv(const std::string& file)
{
    try {
        return xlio::ReadCsvFile(file);
    } catch (const xlio::EReadError& e) {
        throw EUsage(e.what());
    }
}

// What a new roster sheet starts with: margins 5, grid lines printed,
// columns 100 and rows 20 pixels, one title row and column.
void PrepareRosterSheet(xlgrid::TXLSheet& sheet)
{
    sheet.SetTitle("表格");
    sheet.SetPrintMargins({5, 5, 5, 5});
    sheet.SetPrintGridLines(true);
    sheet.SetColDefWidth(100);
    sheet.SetRowDefHeight(20);
    sheet.SetTitleCols(1);
    sheet.SetTitleRows(1);
    sheet.BaseTitleStyle().SetColor(results::ResultTitleColor);
}

bool g_qtQuieted = false;
QtMessageHandler g_qtHandler = nullptr;

// On a machine without a desktop session the offscreen platform warns that
// it has no runtime folder; the PDF needs none, and the command's stderr
// stays for its own one line.
void QuietRuntimeFolderWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("QStandardPaths:")))
        return;
    if (g_qtHandler)
        g_qtHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Starts the offscreen application the printing needs, quietly.
void EnsurePrinting()
{
    if (!g_qtQuieted) {
        g_qtQuieted = true;
        g_qtHandler = qInstallMessageHandler(QuietRuntimeFolderWarning);
    }
    xlpaint::EnsureGuiApplication();
}

void WriteCsv(const xlgrid::TXLSheet& sheet, const std::string& file)
{
    std::string text;
    for (const auto& row : ClientTexts(sheet, file))
        xlio::AppendCsvLine(text, row);
    try {
        engine::WriteFileAtomic(file, xlio::EncodeCsvText(text, xlio::TCsvEncoding::Gb18030));
    } catch (const engine::EFileError& e) {
        throw EUsage(e.what());
    }
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

TLoadedRoster LoadRoster(const std::string& file)
{
    const std::string ext = LowerExtension(file);
    if (ext == ".csv") {
        results::TImportedTable t = results::ImportCsvTable(ReadCsv(file));
        return {std::move(t.Rows), t.ColCount, nullptr};
    }
    if (ext == ".xlsx" || ext == ".xls") {
        results::TImportedTable t = results::ImportWorkbookTable(ReadWorkbook(file, ext));
        return {std::move(t.Rows), t.ColCount, nullptr};
    }
    if (ext == ".xlf") {
        TLoadedRoster r;
        r.Sheet = LoadSheetFile(file);
        r.Rows = ClientTexts(*r.Sheet, file);
        r.ColCount = r.Sheet->ColCount();
        return r;
    }
    throw EUsage("unknown file type of " + file + " (expected " + InputKinds + ")");
}

std::shared_ptr<xlgrid::TXLSheet> RosterSheet(const TLoadedRoster& roster)
{
    if (roster.Sheet)
        return roster.Sheet;
    auto sheet = std::make_shared<xlgrid::TXLSheet>();
    PrepareRosterSheet(*sheet);
    xlio::ImportTable(*sheet, roster.Rows);
    const xlgrid::TXLCell* caption = sheet->FindCell(0, 0);
    const std::string title = caption ? caption->AsString() : std::string();
    sheet->SetTitle(title.empty() ? "数据源" : title);
    return sheet;
}

void LoadSheet(const std::string& file, xlgrid::TXLSheet& sheet)
{
    const std::string ext = LowerExtension(file);
    if (ext == ".xlf") {
        std::shared_ptr<xlgrid::TXLSheet> loaded = LoadSheetFile(file);
        sheet.SwapContents(*loaded);
        return;
    }
    if (ext != ".csv" && ext != ".xlsx" && ext != ".xls")
        throw EUsage("unknown file type of " + file + " (expected " + InputKinds + ")");
    // Read before the sheet changes, so that a bad file leaves it as it was.
    xlio::Table rows = ext == ".csv" ? ReadCsv(file) : ReadWorkbook(file, ext);
    PrepareRosterSheet(sheet);
    if (ext == ".csv")
        results::ImportCsvIntoSheet(sheet, rows);
    else
        xlio::ImportTable(sheet, rows);
    sheet.SetTitle(fs::path(file).stem().string());
}

void SaveSheet(xlgrid::TXLSheet& sheet, const std::string& file)
{
    const std::string ext = LowerExtension(file);
    if (ext == ".csv") {
        WriteCsv(sheet, file);
    } else if (ext == ".xlsx") {
        try {
            xlio::ExportSheetFormatted(file, sheet);
        } catch (const xlio::EReadError& e) {
            throw EUsage(e.what());
        }
    } else if (ext == ".pdf") {
        WritePdf({&sheet}, file, false);
    } else if (ext == ".xlf") {
        try {
            xlgrid::SaveSheetToFile(sheet, file);
        } catch (const xlgrid::EXLGridError& e) {
            throw EUsage("cannot write the sheet file \"" + file + "\": " + e.what());
        }
    } else {
        throw EUsage("unknown file type of " + file + " (expected " + OutputKinds + ")");
    }
}

xlio::Table ClientTexts(const xlgrid::TXLSheet& sheet, const std::string& name)
{
    // A sparse sheet may declare far more cells than it holds; the texts
    // are one string per cell, so the shape is bounded as a workbook's is.
    const std::uint64_t cells = std::uint64_t(sheet.RowCount()) * std::uint64_t(sheet.ColCount());
    if (cells > xlio::TReadLimits{}.MaxCells)
        throw EUsage(name + ": the sheet has " + std::to_string(sheet.RowCount()) + " rows of "
                     + std::to_string(sheet.ColCount()) + " columns, more cells than fenban reads ("
                     + std::to_string(xlio::TReadLimits{}.MaxCells) + ")");
    xlio::Table rows(static_cast<std::size_t>(sheet.RowCount()));
    for (int r = 0; r < sheet.RowCount(); ++r) {
        auto& row = rows[static_cast<std::size_t>(r)];
        row.resize(static_cast<std::size_t>(sheet.ColCount()));
        for (int c = 0; c < sheet.ColCount(); ++c)
            if (const xlgrid::TXLCell* cell = sheet.FindCell(c, r))
                row[static_cast<std::size_t>(c)] = cell->AsString();
    }
    return rows;
}

bool PrintsNarrowerAcross(const std::vector<const xlgrid::TXLSheet*>& sheets)
{
    EnsurePrinting();
    const xlgrid::TXLPrinterMetrics portrait;
    xlgrid::TXLPrinterMetrics landscape = portrait;
    std::swap(landscape.PageWidth, landscape.PageHeight);
    bool narrower = false;
    for (const xlgrid::TXLSheet* sheet : sheets) {
        std::vector<int> tallCols, wideCols, rows;
        // Page breaks only read the sheet.
        xlpaint::TXLSheetPrinter printer(const_cast<xlgrid::TXLSheet&>(*sheet), portrait);
        printer.SetPageHeadings(true);
        printer.GetJobPageBreaks(tallCols, rows);
        printer.SetMetrics(landscape);
        printer.GetJobPageBreaks(wideCols, rows);
        if (wideCols.size() > tallCols.size())
            return false;
        narrower = narrower || wideCols.size() < tallCols.size();
    }
    return narrower;
}

void WritePdf(const std::vector<const xlgrid::TXLSheet*>& sheets, const std::string& file, bool landscape)
{
    // A missing folder is told plainly, before the printer complains of it.
    const fs::path folder = fs::path(file).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec))
        throw EUsage("cannot write " + file + ": the folder " + folder.string() + " does not exist");
    EnsurePrinting();
    std::string error;
    xlpaint::TXLPdfOptions options;
    options.Landscape = landscape;
    if (!xlpaint::PrintSheetsToPdf(sheets, file, error, options))
        throw EUsage(error.empty() ? "cannot write " + file : error);
}

}  // namespace cli
