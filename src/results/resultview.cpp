#include "results/resultview.h"

#include "results/averageformat.h"
#include "xlio/csvwriter.h"

namespace results {

std::string ClassDisplayName(const std::string& prefix, const engine::TClassData& record)
{
    return prefix + record.Name;
}

void IResultTable::AppendCsvRow(std::string& out, int row, std::string& scratch) const
{
    const int cols = ColCount();
    for (int c = 0; c < cols; ++c) {
        if (c > 0)
            out += ',';
        xlio::AppendCsvField(out, Text(c, row, scratch));
    }
    out += "\r\n";
}

TStudentRowLayout::TStudentRowLayout(TResultSheetKind kind, int sourceCols, TResultSettings settings)
    : m_kind(kind), m_sourceCols(sourceCols), m_colCount(sourceCols), m_settings(std::move(settings))
{
    m_colCount += static_cast<int>(AppendedTitles().size());
}

std::vector<const char*> TStudentRowLayout::AppendedTitles() const
{
    std::vector<const char*> titles;
    if (m_kind == rkGrade)
        titles.push_back("班别");
    if (m_settings.CreateStudentID)
        titles.push_back("学号");
    return titles;
}

std::optional<std::string_view> TStudentRowLayout::Text(const engine::TStuData& s, int col,
                                                        std::string& scratch) const
{
    if (col < 0)
        return std::nullopt;
    if (col < m_sourceCols) {
        if (static_cast<std::size_t>(col) >= s.Fields.size())
            return std::nullopt;
        return std::string_view(s.Fields[static_cast<std::size_t>(col)]);
    }
    int appended = col - m_sourceCols;
    if (m_kind == rkGrade && appended-- == 0) {
        scratch = m_settings.ClassPrefix + s.ClassName;
        return std::string_view(scratch);
    }
    if (m_settings.CreateStudentID && appended == 0) {
        scratch = m_settings.StudentIDPrefix + s.StudentID;
        return std::string_view(scratch);
    }
    return std::nullopt;
}

void TStudentRowLayout::AppendCsvRow(std::string& out, const engine::TStuData& s, std::string& scratch) const
{
    const int cols = ColCount();
    for (int c = 0; c < cols; ++c) {
        if (c > 0)
            out += ',';
        if (std::optional<std::string_view> text = Text(s, c, scratch))
            xlio::AppendCsvField(out, *text);
    }
    out += "\r\n";
}

TStudentSheetView::TStudentSheetView(const engine::TClassData& record, TResultSheetKind kind,
                                     std::vector<std::string> header, TResultSettings settings, std::string title)
    : m_layout(kind, static_cast<int>(header.size()), std::move(settings)), m_header(std::move(header)),
      m_title(std::move(title))
{
    for (const char* appended : m_layout.AppendedTitles())
        m_header.emplace_back(appended);
    m_rows.reserve(record.Students.Count());
    record.Students.ForEachBackward([&](const engine::TStuData* s) { m_rows.push_back(s); });
}

std::string_view TStudentSheetView::Text(int col, int row, std::string& scratch) const
{
    if (col < 0 || col >= ColCount())
        return {};
    if (row < 0)
        return m_header[static_cast<std::size_t>(col)];
    if (row >= RowCount())
        return {};
    return m_layout.Text(*m_rows[static_cast<std::size_t>(row)], col, scratch).value_or(std::string_view());
}

void TStudentSheetView::AppendCsvRow(std::string& out, int row, std::string& scratch) const
{
    if (row < 0 || row >= RowCount()) {
        IResultTable::AppendCsvRow(out, row, scratch);
        return;
    }
    m_layout.AppendCsvRow(out, *m_rows[static_cast<std::size_t>(row)], scratch);
}

TOverviewView::TOverviewView(const engine::TDivideClasses& division, const engine::TSortField& sortField,
                             const engine::TRosterColumns& columns, std::string title)
    : m_title(std::move(title))
{
    const bool average = sortField.Kind == engine::skNumeric && columns.SortCol != columns.IDCol;
    std::vector<std::string> header = {"班别", "总人数", "男生人数", "女生人数"};
    if (average)
        header.push_back(sortField.Name);
    m_cells.push_back(std::move(header));

    auto addRow = [&](const std::string& name, const engine::TClassData& c) {
        std::vector<std::string> row = {name, std::to_string(c.Count), std::to_string(c.BoyCount),
                                        std::to_string(c.GirlCount)};
        if (average)
            row.push_back(c.Count != 0 ? FormatAverage(c.Total / c.Count) : std::string());
        m_cells.push_back(std::move(row));
        m_counts.push_back({c.Count, c.BoyCount, c.GirlCount});
    };
    long long students = 0, boys = 0, girls = 0;
    for (const engine::TClassData& c : division.Classes) {
        addRow(ClassDisplayName(division.ClassPrefix, c), c);
        students += c.Count;
        boys += c.BoyCount;
        girls += c.GirlCount;
    }
    addRow("全年级", division.Grade);
    const engine::TClassData& g = division.Grade;
    m_gradeColors[0] = g.Count == students ? CountMatchColor : CountMismatchColor;
    m_gradeColors[1] = g.BoyCount == boys ? CountMatchColor : CountMismatchColor;
    m_gradeColors[2] = g.GirlCount == girls ? CountMatchColor : CountMismatchColor;
}

std::string_view TOverviewView::Text(int col, int row, std::string&) const
{
    if (row < -1 || row >= RowCount() || col < 0 || col >= ColCount())
        return {};
    return m_cells[static_cast<std::size_t>(row + 1)][static_cast<std::size_t>(col)];
}

int TOverviewView::CountValue(int col, int row) const
{
    return m_counts[static_cast<std::size_t>(row)][static_cast<std::size_t>(col - 1)];
}

std::string_view TRosterView::Text(int col, int row, std::string&) const
{
    if (row < 0 || row >= RowCount() || col < 0 || col >= m_colCount)
        return {};
    const auto& cells = m_rows[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(col) < cells.size() ? std::string_view(cells[static_cast<std::size_t>(col)])
                                                        : std::string_view();
}

TResultViews MakeResultViews(const engine::TDivideClasses& division, const std::vector<std::string>& header,
                             const engine::TSortField& sortField, const engine::TRosterColumns& columns)
{
    TResultSettings settings{division.StudentIDPrefix, division.CreateStudentID, division.ClassPrefix};
    TResultViews views{{}, TOverviewView(division, sortField, columns)};
    views.Students.reserve(division.Classes.size() + 1);
    views.Students.emplace_back(division.Grade, rkGrade, header, settings, "全年级");
    for (const engine::TClassData& c : division.Classes)
        views.Students.emplace_back(c, rkClass, header, settings, ClassDisplayName(division.ClassPrefix, c));
    return views;
}

}  // namespace results
