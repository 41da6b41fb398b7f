#include "results/sheetimport.h"

#include "xlgrid/sheet.h"
#include "xlio/sheetimport.h"

#include <algorithm>

namespace results {
void ImportCsvIntoSheet(xlgrid::TXLSheet& sheet, const xlio::Table& records)
{
    if (records.empty()) {
        xlio::TrimTrailingBlanks(sheet);
        return;
    }
    // The first line decides the width: later lines lose what lies beyond it.
    const std::size_t width = records.front().size();
    xlio::Table rows;
    rows.reserve(records.size());
    for (const auto& record : records)
        rows.emplace_back(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(std::min(width, record.size())));
    xlio::ImportTable(sheet, rows);
}

}  // namespace results
