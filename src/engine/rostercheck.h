#pragma once
// The roster check: shape, title, header roles, sort field and the values of
// every student row, with red font marks on offending cells.
//
// The check sees the roster through IRosterSheet so that it runs on the
// spreadsheet model in the window and on plain text tables alike.

#include "engine/configstore.h"
#include "engine/textrules.h"

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace engine {

// Font colours the check uses: pure red marks a cell, the system window-text
// colour is what a cleared mark gets.
constexpr std::uint32_t MarkColor = 0x000000FF;
constexpr std::uint32_t WindowTextColor = 0xFF000008;

class IRosterSheet {
public:
    virtual ~IRosterSheet() = default;
    virtual int RowCount() const = 0;
    virtual int ColCount() const = 0;
    // The cell's text as the sheet shows it (untrimmed; empty when no cell).
    virtual std::string CellText(int col, int row) const = 0;
    // Every cell whose font colour is MarkColor gets WindowTextColor.
    virtual void ClearMarks() = 0;
    // The cell's font colour becomes MarkColor.
    virtual void Mark(int col, int row) = 0;
};

struct TRosterColumns {
    int IDCol = -1;
    int NameCol = -1;
    int SexCol = -1;
    int SchoolCol = -1;
    int RegionCol = -1;
    int SortCol = -1;
    int AdjustCol = -1;
    bool operator==(const TRosterColumns&) const = default;
};

struct TSortField {
    std::string Name;
    TSortKind Kind = skNone;
};

struct TRosterCheck {
    bool Passed = false;
    std::string Message;  // the collected messages, trimmed; lines split by CR
};

// Runs the check. Reads ClassCount, SortFieldName and SortFieldType from the
// store; when it falls back to a default sort field it sets SortFieldName
// and SortFieldType as stored values and saves the settings.
TRosterCheck CheckRoster(IRosterSheet& sheet, TConfigStore& config, TRosterColumns& columns,
                         TSortField& sortField);

// A roster held as rows of texts (rows shorter than ColCount read as empty),
// with the marks kept as a set of (column, row).
class TTableRoster : public IRosterSheet {
public:
    TTableRoster(const std::vector<std::vector<std::string>>& rows, int colCount)
        : m_rows(rows), m_colCount(colCount)
    {
    }
    int RowCount() const override { return static_cast<int>(m_rows.size()); }
    int ColCount() const override { return m_colCount; }
    std::string CellText(int col, int row) const override;
    void ClearMarks() override { m_marks.clear(); }
    void Mark(int col, int row) override { m_marks.emplace(col, row); }
    const std::set<std::pair<int, int>>& Marks() const { return m_marks; }

private:
    const std::vector<std::vector<std::string>>& m_rows;
    int m_colCount;
    std::set<std::pair<int, int>> m_marks;
};

}  // namespace engine
