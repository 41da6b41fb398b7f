#include "engine/compute.h"

#include "engine/textrules.h"

#include <algorithm>

namespace engine {

void FillDivision(TDivideClasses& division, const IRosterSheet& roster, const TConfigStore& config,
                  const TRosterColumns& columns, const TSortField& sortField)
{
    const int rows = roster.RowCount();
    const int cols = roster.ColCount();
    division.Headers.clear();
    for (int j = 0; j < cols; ++j)
        division.Headers.emplace_back(TrimBlanks(roster.CellText(j, 1)));
    division.Data.clear();
    division.Data.reserve(static_cast<std::size_t>(std::max(rows - 2, 0)));
    for (int r = 2; r < rows; ++r) {
        std::vector<std::string> row;
        row.reserve(static_cast<std::size_t>(cols));
        for (int j = 0; j < cols; ++j)
            row.emplace_back(TrimBlanks(roster.CellText(j, r)));
        division.Data.push_back(std::move(row));
    }
    division.ClassCount = std::max(config.ReadIntSetting("ClassCount", 1), 1);
    division.ClassPrefix = config.ReadSetting("ClassPrefix", "");
    division.Columns = columns;
    division.SortType = sortField.Kind;
    division.CreateStudentID = config.ReadBoolSetting("CreateStudentID", "False");
    division.StudentIDPrefix = config.ReadSetting("StudentIDPrefix", "");
    division.SexPrefix = config.ReadBoolSetting("SexPrefix", "False");
    division.CreateSeats = config.ReadBoolSetting("CreateSeats", "False");
}

}  // namespace engine
