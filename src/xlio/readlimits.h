#pragma once
// What the workbook readers trust of an untrusted file. Every limit is checked
// against what is actually read (inflated bytes are counted as they arrive),
// never against a size the file declares. Tests lower them to reach the
// boundaries cheaply.

#include <cstdint>

namespace xlio {

struct TReadLimits {
    std::uint64_t MaxArchiveBytes = 50ull << 20;     // the workbook file itself
    std::uint32_t MaxEntries = 1000;                 // entries in the zip directory
    std::uint64_t MaxPartBytes = 64ull << 20;        // inflated bytes of one part
    std::uint64_t MaxTotalBytes = 256ull << 20;      // inflated bytes of all parts read
    std::uint32_t MaxDepth = 256;                    // XML element nesting
    std::uint32_t MaxRows = 1048576;                 // highest row a cell may name
    std::uint32_t MaxCols = 16384;                   // highest column a cell may name (XFD)
    std::uint64_t MaxCells = 16ull << 20;            // cell slots of the resulting table
    std::uint64_t MaxSharedStrings = 8ull << 20;     // entries of the shared-string table
    std::uint64_t MaxFormulaReads = 100'000'000;    // cells the calculated formulas read in all
    std::uint64_t MaxResultBytes = 256ull << 20;     // cell text a sheet may hand out, every copy counted
};

}  // namespace xlio
