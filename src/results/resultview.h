#pragma once
// What each result sheet shows, read straight from a finished division:
// the whole grade, one class, the overview, and the roster itself. The sheet
// builder, the CSV export and the command line all read these views, so the
// three can never disagree about a text.
//
// Coordinates are sheet client coordinates: columns from 0, rows from 0,
// row -1 the title row (column headers). Student views hold one pointer per
// row in display order (the class list walked from its last element), so a
// view costs one pointer per student; the texts stay in the division.

#include "engine/divideclasses.h"
#include "engine/rostercheck.h"
#include "xlio/resultworkbook.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace results {

// The kinds of result sheet are the workbook's: rkDataSource (the roster),
// rkGrade, rkClass, rkOverview.
using xlio::TResultSheetKind;
using xlio::rkDataSource;
using xlio::rkGrade;
using xlio::rkClass;
using xlio::rkOverview;

// A table of texts as the CSV export reads it.
class IResultTable {
public:
    virtual ~IResultTable() = default;
    virtual const std::string& Title() const = 0;
    virtual int ColCount() const = 0;
    virtual int RowCount() const = 0;
    // The cell's text (its AsString); scratch holds texts that are built.
    virtual std::string_view Text(int col, int row, std::string& scratch) const = 0;
    // Appends the row's cells as one CSV line (RFC 4180 quoting, CR LF).
    virtual void AppendCsvRow(std::string& out, int row, std::string& scratch) const;
};

struct TResultSettings {
    std::string StudentIDPrefix;
    bool CreateStudentID = false;
    std::string ClassPrefix;
};

// The one layout of a student's row in the whole grade (rkGrade) or a class
// (rkClass): the roster's columns, then 班别 (the grade only, the class
// display name) and 学号 (when numbers are made, with their prefix). The
// sheet builder, the views and the CSV export all lay rows out through it.
class TStudentRowLayout {
public:
    TStudentRowLayout(TResultSheetKind kind, int sourceCols, TResultSettings settings);

    TResultSheetKind Kind() const { return m_kind; }
    int SourceColCount() const { return m_sourceCols; }
    int ColCount() const { return m_colCount; }
    // The titles of the columns after the roster's, in order.
    std::vector<const char*> AppendedTitles() const;

    // The student's text in a column; nullopt where the student has no such
    // roster field (no cell is made there). scratch holds texts that are built.
    std::optional<std::string_view> Text(const engine::TStuData& student, int col, std::string& scratch) const;
    // The row's cells as one CSV line (RFC 4180 quoting, CR LF).
    void AppendCsvRow(std::string& out, const engine::TStuData& student, std::string& scratch) const;

private:
    TResultSheetKind m_kind;
    int m_sourceCols;
    int m_colCount;
    TResultSettings m_settings;
};

// The whole grade (rkGrade) or one class (rkClass).
class TStudentSheetView : public IResultTable {
public:
    // header: the roster's header row texts, one per roster column.
    TStudentSheetView(const engine::TClassData& record, TResultSheetKind kind, std::vector<std::string> header,
                      TResultSettings settings, std::string title);

    const std::string& Title() const override { return m_title; }
    int ColCount() const override { return static_cast<int>(m_header.size()); }
    int RowCount() const override { return static_cast<int>(m_rows.size()); }
    std::string_view Text(int col, int row, std::string& scratch) const override;
    // The export's hot loop: one record fetched per row, not per cell.
    void AppendCsvRow(std::string& out, int row, std::string& scratch) const override;

    const TStudentRowLayout& Layout() const { return m_layout; }
    const engine::TStuData& Student(int row) const { return *m_rows[static_cast<std::size_t>(row)]; }

private:
    TStudentRowLayout m_layout;
    std::vector<std::string> m_header;  // with the appended titles
    std::string m_title;
    std::vector<const engine::TStuData*> m_rows;
};

// Colours of the overview's grade counts.
constexpr std::uint32_t CountMatchColor = 0x008000;     // green
constexpr std::uint32_t CountMismatchColor = 0x0000FF;  // red

// The overview: a row per class, then the grade row.
class TOverviewView : public IResultTable {
public:
    TOverviewView(const engine::TDivideClasses& division, const engine::TSortField& sortField,
                  const engine::TRosterColumns& columns, std::string title = "分班情况");

    const std::string& Title() const override { return m_title; }
    int ColCount() const override { return static_cast<int>(m_cells.front().size()); }
    int RowCount() const override { return static_cast<int>(m_cells.size()) - 1; }
    std::string_view Text(int col, int row, std::string& scratch) const override;

    bool HasAverage() const { return ColCount() == 5; }
    // Counts are integer cells (columns 1 to 3 of every row).
    bool IsCount(int col, int row) const { return row >= 0 && col >= 1 && col <= 3; }
    int CountValue(int col, int row) const;
    // Font colour of the grade row's counts (columns 1 to 3).
    std::uint32_t GradeCountColor(int col) const { return m_gradeColors[static_cast<std::size_t>(col - 1)]; }

private:
    std::string m_title;
    std::vector<std::vector<std::string>> m_cells;  // [row + 1][col]
    std::vector<std::vector<int>> m_counts;         // [row][0..2]
    std::uint32_t m_gradeColors[3];
};

// The roster as the export writes it: its own title, texts as they stand.
class TRosterView : public IResultTable {
public:
    TRosterView(const std::vector<std::vector<std::string>>& rows, int colCount, std::string title = "数据源")
        : m_rows(rows), m_colCount(colCount), m_title(std::move(title))
    {
    }
    const std::string& Title() const override { return m_title; }
    int ColCount() const override { return m_colCount; }
    int RowCount() const override { return static_cast<int>(m_rows.size()); }
    std::string_view Text(int col, int row, std::string& scratch) const override;

private:
    const std::vector<std::vector<std::string>>& m_rows;
    int m_colCount;
    std::string m_title;
};

// The views of a whole result in sheet order: grade, classes 1..N, overview.
struct TResultViews {
    std::vector<TStudentSheetView> Students;  // [0] grade, [i] class i
    TOverviewView Overview;
};

TResultViews MakeResultViews(const engine::TDivideClasses& division, const std::vector<std::string>& header,
                             const engine::TSortField& sortField, const engine::TRosterColumns& columns);

// The class display name: the class prefix followed by the class's Name.
std::string ClassDisplayName(const std::string& prefix, const engine::TClassData& record);

}  // namespace results
