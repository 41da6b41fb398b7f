#include "results/tableimport.h"

#include "engine/textrules.h"

#include <algorithm>

namespace results {
namespace {

bool IsBlank(const std::string& text) { return engine::TrimBlanks(text).empty(); }

}  // namespace

void TrimTrailingBlanks(xlio::Table& rows, int& colCount)
{
    while (!rows.empty()) {
        const auto& row = rows.back();
        bool blank = true;
        for (int c = 0; c < colCount && blank; ++c)
            blank = static_cast<std::size_t>(c) >= row.size() || IsBlank(row[static_cast<std::size_t>(c)]);
        if (!blank)
            break;
        rows.pop_back();
    }
    while (colCount > 0) {
        const std::size_t c = static_cast<std::size_t>(colCount - 1);
        bool blank = true;
        for (const auto& row : rows)
            if (c < row.size() && !IsBlank(row[c])) {
                blank = false;
                break;
            }
        if (!blank)
            break;
        --colCount;
    }
    for (auto& row : rows)
        row.resize(static_cast<std::size_t>(colCount));
}

TImportedTable ImportCsvTable(xlio::Table records)
{
    TImportedTable out;
    if (!records.empty())
        out.ColCount = static_cast<int>(records.front().size());
    for (auto& row : records)
        row.resize(static_cast<std::size_t>(out.ColCount));
    out.Rows = std::move(records);
    TrimTrailingBlanks(out.Rows, out.ColCount);
    return out;
}

TImportedTable ImportWorkbookTable(xlio::Table rows)
{
    TImportedTable out;
    std::size_t width = 0;
    for (const auto& row : rows)
        width = std::max(width, row.size());
    // The readers bound columns to 16384, far below int's range.
    out.ColCount = static_cast<int>(width);
    for (auto& row : rows)
        row.resize(width);
    out.Rows = std::move(rows);
    TrimTrailingBlanks(out.Rows, out.ColCount);
    return out;
}

}  // namespace results
