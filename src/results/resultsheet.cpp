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
    if (view.HasAverage()) {
        sheet.SetColCount(5);
        sheet.SetValues(4, -1, xlgrid::Variant(std::string(view.Text(4, -1, scratch))));
    }
    for (int r = 0; r < view.RowCount(); ++r) {
        const int row = AppendRow(sheet);
        SetString(sheet, 0, row, std::string(view.Text(0, r, scratch)));
        for (int c = 1; c <= 3; ++c)
            SetInteger(sheet, c, row, view.CountValue(c, r));
        if (view.HasAverage()) {
            std::string average(view.Text(4, r, scratch));
            if (!average.empty())
                SetString(sheet, 4, row, average);
        }
        if (r == view.RowCount() - 1)
            for (int c = 1; c <= 3; ++c)
                if (xlgrid::TXLCell* cell = sheet.FindCell(c, row))
                    cell->SetFontColor(view.GradeCountColor(c));
    }
}

}  // namespace

TStudentRowWriter::TStudentRowWriter(xlgrid::TXLSheet& sheet, TResultSheetKind kind, std::string studentIDPrefix,
                                     bool createStudentID, std::string classPrefix)
    : m_sheet(sheet), m_kind(kind), m_studentIDPrefix(std::move(studentIDPrefix)),
      m_createStudentID(createStudentID), m_classPrefix(std::move(classPrefix))
{
}

void TStudentRowWriter::WriteStudentRow(const engine::TStuData& student, int row)
{
    for (std::size_t i = 0; i < student.Fields.size(); ++i)
        SetString(m_sheet, static_cast<int>(i), row, student.Fields[i]);
    const int last = m_sheet.ColCount() - 1;
    if (m_createStudentID)
        SetString(m_sheet, last, row, m_studentIDPrefix + student.StudentID);
    if (m_kind == rkGrade)
        SetString(m_sheet, m_createStudentID ? last - 1 : last, row, m_classPrefix + student.ClassName);
}

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
    for (int j = 0; j < context.Source.ColCount(); ++j)
        sheet.SetValues(j, -1, context.Source.Values(j, 1));
    if (kind == rkGrade)
        AppendTitle(sheet, "班别");
    if (createStudentID)
        AppendTitle(sheet, "学号");
    TStudentRowWriter writer(sheet, kind, studentIDPrefix, createStudentID, classPrefix);
    record.Students.ForEachBackward([&](const engine::TStuData* s) { writer.WriteStudentRow(*s, AppendRow(sheet)); });
    sheet.EndUpdate();
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
