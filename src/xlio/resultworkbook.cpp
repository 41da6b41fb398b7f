#include "xlio/resultworkbook.h"

#include "xlio/fileerror.h"
#include "xlio/workbookwriter.h"

#include "xlgrid/section.h"
#include "xlgrid/sheet.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <ctime>
#include <set>

namespace xlio {
namespace {

constexpr int kMaxColumns = 16384;
constexpr std::int64_t kMaxRows = 1048576;
constexpr std::int32_t kSilver = 0xC0C0C0;
constexpr std::int32_t kBlack = 0x000000;

std::string FoldCase(const std::string& name)
{
    std::string out = name;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string CellText(const xlgrid::TXLSheet& sheet, int col, int row)
{
    // The cell at the position itself: under a merged range only the anchor holds the value.
    const xlgrid::TXLSection& section = sheet.Section(xlgrid::TXLSheet::SectionOf(col, row));
    const xlgrid::TXLCell* cell = section.Find(sheet.LocalCol(col), sheet.LocalRow(row));
    return cell ? cell->AsString() : std::string();
}

// What Excel would take as a number when the text is put into a general cell:
// plain decimal numbers (the overview's counts and averages).
bool LooksNumeric(const std::string& text, double& value)
{
    std::size_t i = 0, digits = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            ++digits;
    if (digits == 0 || i != text.size() || digits > 15)
        return false;
    value = std::strtod(text.c_str(), nullptr);
    return true;
}

TCellFormat BaseFormat()
{
    TCellFormat f;
    f.FontName = "宋体";
    f.FontSize = 9;
    f.HorzAlign = 2;
    return f;
}

TCellFormat Bordered(TCellFormat f)
{
    for (auto& side : f.Border)
        side = kBlack;
    return f;
}

struct TShape {
    int Cols = 0;
    std::int64_t Rows = 0;  // worksheet rows written
};

lxw_worksheet* WriteSheet(TWorkbookWriter& writer, const TResultSheet& entry, const std::string& date, int remaining,
                const TResultWorkbookOptions& options)
{
    const xlgrid::TXLSheet& sheet = *entry.Sheet;
    const bool source = entry.Kind == rkDataSource;
    const bool text = entry.Kind != rkOverview;
    const int cols = sheet.ColCount();
    const int rows = sheet.RowCount();

    lxw_worksheet* ws = writer.AddWorksheet(entry.Name);
    TCellFormat titleFormat = BaseFormat();
    if (source)
        titleFormat.NumFormat = "@";
    TCellFormat bodyFormat = Bordered(BaseFormat());
    if (text)
        bodyFormat.NumFormat = "@";
    TCellFormat headerFormat = bodyFormat;
    if (!source)
        headerFormat.Fill = kSilver;
    lxw_format* title = writer.Format(titleFormat);
    lxw_format* body = writer.Format(bodyFormat);
    lxw_format* header = writer.Format(headerFormat);

    const std::int64_t maximum =
        source ? std::int64_t(cols) * std::max(rows - 1, 0) + 2 : (std::int64_t(rows) + 1) * cols + 2;
    std::int64_t position = 0;
    const std::string progressText = std::to_string(remaining) + "→" + entry.Name;
    auto step = [&](std::int64_t n) {
        position += n;
        if (options.Progress)
            options.Progress(progressText, position, maximum);
    };
    if (options.Progress)
        options.Progress(progressText, 0, maximum);

    std::string titleText;
    switch (entry.Kind) {
    case rkDataSource: titleText = CellText(sheet, 0, 0); break;
    case rkOverview: titleText = entry.Name + "        " + date; break;
    default: titleText = sheet.Title(); break;
    }
    if (cols > 1)
        writer.Merge(ws, 0, 0, 0, static_cast<std::uint16_t>(cols - 1), titleText, title);
    else
        writer.WriteString(ws, 0, 0, titleText, title);
    step(1);

    auto writeRow = [&](std::uint32_t excelRow, int sheetRow, lxw_format* format) {
        for (int c = 0; c < cols; ++c) {
            const std::string value = CellText(sheet, c, sheetRow);
            double number = 0;
            if (!text && LooksNumeric(value, number))
                writer.WriteNumber(ws, excelRow, static_cast<std::uint16_t>(c), number, format);
            else
                writer.WriteString(ws, excelRow, static_cast<std::uint16_t>(c), value, format);
        }
        step(cols);
    };
    if (source) {
        for (int r = 1; r < rows; ++r)
            writeRow(static_cast<std::uint32_t>(r), r, body);
    } else {
        writeRow(1, -1, header);
        for (int r = 0; r < rows; ++r)
            writeRow(static_cast<std::uint32_t>(r + 2), r, body);
    }
    step(1);
    return ws;
}

}  // namespace

std::string TodayDotted()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return std::to_string(local.tm_year + 1900) + "." + std::to_string(local.tm_mon + 1) + "."
           + std::to_string(local.tm_mday);
}

std::string ResultSheetNamesProblem(const std::vector<TResultSheet>& sheets)
{
    std::set<std::string> seen;
    for (const auto& entry : sheets) {
        std::string problem = WorksheetNameProblem(entry.Name);
        if (!problem.empty())
            return problem;
        if (!seen.insert(FoldCase(entry.Name)).second)
            return "the worksheet name \"" + entry.Name + "\" is used twice (Excel ignores case)";
    }
    return {};
}

void WriteResultWorkbook(const std::string& path, const std::vector<TResultSheet>& sheets,
                         const TResultWorkbookOptions& options)
{
    const std::string problem = ResultSheetNamesProblem(sheets);
    if (!problem.empty())
        throw EFileError(path, "", problem);
    for (const auto& entry : sheets) {
        if (!entry.Sheet)
            throw EFileError(path, "", "the worksheet \"" + entry.Name + "\" has no sheet");
        if (entry.Sheet->ColCount() > kMaxColumns)
            throw EFileError(path, "", "The maximum number of columns (" + std::to_string(kMaxColumns)
                                           + ") has been reached");
        if (std::int64_t(entry.Sheet->RowCount()) + 2 > kMaxRows)
            throw EFileError(path, "", "the worksheet \"" + entry.Name + "\" has more rows than Excel allows ("
                                           + std::to_string(kMaxRows) + ")");
    }
    const std::string date = options.Date.empty() ? TodayDotted() : options.Date;
    TWorkbookWriter writer(path, true);
    int remaining = static_cast<int>(sheets.size());
    for (const auto& entry : sheets) {
        lxw_worksheet* ws = WriteSheet(writer, entry, date, remaining--, options);
        // The data source is the worksheet in front when the workbook opens.
        if (entry.Kind == rkDataSource)
            worksheet_activate(ws);
    }
    writer.Close();
}

}  // namespace xlio
