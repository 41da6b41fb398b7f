#pragma once
// Building the result sheets of a division: the whole grade, one class, and
// the overview, with the sheet settings every result sheet shares; and all of
// them in order with the workbook's sheet list, as the main window, the
// designer's exports and the command line use them.

#include "engine/divideclasses.h"
#include "engine/rostercheck.h"
#include "results/resultview.h"
#include "xlio/resultworkbook.h"
#include "xlio/sheetfiles.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

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

inline constexpr std::uint32_t ResultTitleColor = xlio::SheetTitleColor;

// Fills an empty sheet that the caller has created, named and titled. For
// rkGrade pass Grade, for rkClass the class record, for rkOverview any
// record (the overview reads the whole division).
void BuildResultSheet(const TResultContext& context, xlgrid::TXLSheet& sheet, const engine::TClassData& record,
                      TResultSheetKind kind, const std::string& studentIDPrefix, bool createStudentID,
                      const std::string& classPrefix);

// One built result sheet and what it shows.
struct TBuiltSheet {
    TResultSheetKind Kind = rkClass;
    std::unique_ptr<xlgrid::TXLSheet> Sheet;
};

// Every result sheet of the division in the order of the window's tabs: the
// whole grade (全年级), the classes 1..N (titled with their display names) and
// the overview (分班情况), each titled with its tab caption. built, when
// given, is called after each sheet (the progress window's step).
std::vector<TBuiltSheet> BuildResultSheets(const TResultContext& context,
                                           const std::function<void(const TBuiltSheet&)>& built = {});

// The workbook's worksheets: 数据源 (the roster sheet), then the result sheets.
std::vector<xlio::TResultSheet> WorkbookSheets(const xlgrid::TXLSheet& source,
                                               const std::vector<TBuiltSheet>& sheets);

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
