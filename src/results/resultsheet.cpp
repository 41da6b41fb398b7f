#include "results/resultsheet.h"

#include "results/averageformat.h"
#include "xlgrid/sheet.h"

namespace results {
namespace {

void CommonSetup(const xlgrid::TXLSheet& source, xlgrid::TXLSheet& sheet)
{
    sheet.SetBaseClientStyle(source.BaseClientStyle());
    sheet.SetBaseTitleStyle(source.BaseTitleStyle());
    sheet.SetTitleCols(1);
    sheet.SetTitleRows(1);
    xlgrid::TXLMargins margins = sheet.PrintMargins();
    margins.Top = margins.Bottom = margins.Left = 5;
    sheet.SetPrintMargins(margins);
    sheet.SetColCount(source.ColCount());
    sheet.SetRowCount(0);
    sheet.SetRowDefHeight(20);
    sheet.SetColDefWidth(100);
    sheet.BaseTitleStyle().SetColor(ResultTitleColor);
    sheet.SetSizes(-1, xlgrid::sCols, 28);
    sheet.SetPrintGridLines(true);
    // Every printed page repeats the column headers and the row numbers.
    sheet.SetPrintTitles(xlgrid::AxisBit(xlgrid::sCols) | xlgrid::AxisBit(xlgrid::sRows));
}

// The number RowCount + 1 goes into the title column of the new last row.
int AppendRow(xlgrid::TXLSheet& sheet)
{
    const int row = sheet.RowCount();
    sheet.SetRowCount(row + 1);
    sheet.NumberRow(row);
    return row;
}

void SetString(xlgrid::TXLSheet& sheet, int col, int row, const std::string& text)
{
    if (xlgrid::TXLCell* cell = sheet.SetCellClass(col, row, xlgrid::TXLCString::Class()))
        cell->SetAsString(text);
}

void SetInteger(xlgrid::TXLSheet& sheet, int col, int row, int value)
{
    if (xlgrid::TXLCell* cell = sheet.SetCellClass(col, row, xlgrid::TXLCInteger::Class()))
        cell->SetValue(xlgrid::Variant(static_cast<int32_t>(value)));
}

void AppendTitle(xlgrid::TXLSheet& sheet, const char* title)
{
    sheet.SetColCount(sheet.ColCount() + 1);
    sheet.SetValues(sheet.ColCount() - 1, -1, xlgrid::Variant(title));
}

void BuildOverview(const TResultContext& context, xlgrid::TXLSheet& sheet)
{
    sheet.SetColCount(4);
    sheet.SetRowDefHeight(25);
    sheet.SetColDefWidth(100);
    sheet.SetSizes(-1, xlgrid::sCols, 28);
    sheet.SetSizes(-1, xlgrid::sRows, 20);
    TOverviewView view(context.Division, context.SortField, context.Columns);
    std::string scratch;
    for (int c = 0; c < 4; ++c)
        sheet.SetValues(c, -1, xlgrid::Variant(std::string(view.Text(c, -1, scratch))));
    if (view.ColCount() > 4) {
        sheet.SetColCount(view.ColCount());
        for (int c = 4; c < view.ColCount(); ++c)
            sheet.SetValues(c, -1, xlgrid::Variant(std::string(view.Text(c, -1, scratch))));
    }
    for (int r = 0; r < view.RowCount(); ++r) {
        const int row = AppendRow(sheet);
        SetString(sheet, 0, row, std::string(view.Text(0, r, scratch)));
        for (int c = 1; c <= 3; ++c)
            SetInteger(sheet, c, row, view.CountValue(c, r));
        for (int c = 4; c < view.ColCount(); ++c) {
            std::string average(view.Text(c, r, scratch));
            if (!average.empty())
                SetString(sheet, c, row, average);
        }
        if (r == view.RowCount() - 1)
            for (int c = 1; c <= 3; ++c)
                if (xlgrid::TXLCell* cell = sheet.FindCell(c, row))
                    cell->SetFontColor(view.GradeCountColor(c));
    }
}

}  // namespace

void BuildResultSheet(const TResultContext& context, xlgrid::TXLSheet& sheet, const engine::TClassData& record,
                      TResultSheetKind kind, const std::string& studentIDPrefix, bool createStudentID,
                      const std::string& classPrefix)
{
    sheet.BeginUpdate();
    CommonSetup(context.Source, sheet);
    if (kind == rkOverview) {
        BuildOverview(context, sheet);
        sheet.EndUpdate();
        return;
    }
    const TStudentRowLayout layout(kind, context.Source.ColCount(), {studentIDPrefix, createStudentID, classPrefix});
    for (int j = 0; j < context.Source.ColCount(); ++j)
        sheet.SetValues(j, -1, context.Source.Values(j, 1));
    for (const char* title : layout.AppendedTitles())
        AppendTitle(sheet, title);
    std::string scratch;
    record.Students.ForEachBackward([&](const engine::TStuData* s) {
        const int row = AppendRow(sheet);
        for (int c = 0; c < layout.ColCount(); ++c)
            if (std::optional<std::string_view> text = layout.Text(*s, c, scratch))
                SetString(sheet, c, row, std::string(*text));
    });
    sheet.EndUpdate();
}

std::vector<TBuiltSheet> BuildResultSheets(const TResultContext& context,
                                           const std::function<void(const TBuiltSheet&)>& built)
{
    const engine::TDivideClasses& d = context.Division;
    std::vector<TBuiltSheet> out;
    out.reserve(d.Classes.size() + 2);
    auto make = [&](const std::string& title, const engine::TClassData& record, TResultSheetKind kind) {
        TBuiltSheet entry{kind, std::make_unique<xlgrid::TXLSheet>()};
        entry.Sheet->SetTitle(title);
        BuildResultSheet(context, *entry.Sheet, record, kind, d.StudentIDPrefix, d.CreateStudentID, d.ClassPrefix);
        out.push_back(std::move(entry));
        if (built)
            built(out.back());
    };
    make("全年级", d.Grade, rkGrade);
    for (const auto& cls : d.Classes)
        make(ClassDisplayName(d.ClassPrefix, cls), cls, rkClass);
    make("分班情况", engine::TClassData(), rkOverview);
    return out;
}

std::vector<xlio::TResultSheet> WorkbookSheets(const xlgrid::TXLSheet& source, const std::vector<TBuiltSheet>& sheets)
{
    std::vector<xlio::TResultSheet> list;
    list.reserve(sheets.size() + 1);
    list.push_back({rkDataSource, "数据源", &source});
    for (const TBuiltSheet& entry : sheets)
        list.push_back({entry.Kind, entry.Sheet->Title(), entry.Sheet.get()});
    return list;
}

TSheetTable::TSheetTable(const xlgrid::TXLSheet& sheet) : m_sheet(sheet), m_title(sheet.Title()) {}

int TSheetTable::ColCount() const { return m_sheet.ColCount(); }

int TSheetTable::RowCount() const { return m_sheet.RowCount(); }

std::string_view TSheetTable::Text(int col, int row, std::string& scratch) const
{
    const xlgrid::TXLCell* cell = m_sheet.FindCell(col, row);
    if (!cell)
        return {};
    scratch = cell->AsString();
    return scratch;
}

}  // namespace results
