#pragma once

#include <string>
#include <vector>

namespace xlio {

using Table = std::vector<std::vector<std::string>>;

// The worksheet a workbook reader took, with its name as its tab shows it.
struct TWorksheet {
    std::string Name;
    Table Cells;
};

}  // namespace xlio
