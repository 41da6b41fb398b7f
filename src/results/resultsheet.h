#pragma once
// Building the result sheets of a division: the whole grade, one class, and
// the overview, with the sheet settings every result sheet shares.

#include "engine/divideclasses.h"
#include "engine/rostercheck.h"
#include "results/resultview.h"

#include <string>

namespace xlgrid {
class TXLSheet;
}

namespace results {

// What BuildResultSheet reads beside its arguments: the roster sheet (its
// styles, column count and header row), the division, and the sort field and
// columns found by the roster check.
struct TResultContext {
    const xlgrid::TXLSheet& Source;
    const engine::TDivideClasses& Division;
    engine::TSortField SortField;
    engine::TRosterColumns Columns;
};

inline constexpr std::uint32_t ResultTitleColor = 0xFFE4DD;  // RGB 221, 228, 255

// Fills an empty sheet that the caller has created, named and titled. For
// rkGrade pass Grade, for rkClass the class record, for rkOverview any
// record (the overview reads the whole division).
void BuildResultSheet(const TResultContext& context, xlgrid::TXLSheet& sheet, const engine::TClassData& record,
                      TResultSheetKind kind, const std::string& studentIDPrefix, bool createStudentID,
                      const std::string& classPrefix);

// Writes one student into a row of a grade or class sheet being built.
class TStudentRowWriter {
public:
    TStudentRowWriter(xlgrid::TXLSheet& sheet, TResultSheetKind kind, std::string studentIDPrefix,
                      bool createStudentID, std::string classPrefix);
    void WriteStudentRow(const engine::TStuData& student, int row);

private:
    xlgrid::TXLSheet& m_sheet;
    TResultSheetKind m_kind;
    std::string m_studentIDPrefix;
    bool m_createStudentID;
    std::string m_classPrefix;
};

// A built sheet as the CSV export reads it: its Title and every cell's AsString.
class TSheetTable : public IResultTable {
public:
    explicit TSheetTable(const xlgrid::TXLSheet& sheet);
    const std::string& Title() const override { return m_title; }
    int ColCount() const override;
    int RowCount() const override;
    std::string_view Text(int col, int row, std::string& scratch) const override;

private:
    const xlgrid::TXLSheet& m_sheet;
    std::string m_title;
};

}  // namespace results
