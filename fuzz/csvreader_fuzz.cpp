// The CSV reader from memory: encoding detection, the separator, then the
// record parser.
#include "xlio/csvreader.h"
#include "xlio/csvwriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    xlio::TCsvLimits limits;
    limits.MaxRecords = 1u << 16;
    limits.MaxFields = 1024;
    limits.MaxCells = 1u << 18;
    try {
        xlio::Table table = xlio::ParseCsvBytes(std::string_view(reinterpret_cast<const char*>(data), size), limits);
        // What the writer makes of it must read back as the same table, apart
        // from a last record that is one empty field (a trailing line break).
        if (!(table.size() > 0 && table.back().size() == 1 && table.back()[0].empty())) {
            xlio::Table again = xlio::ParseCsv(xlio::CsvText(table), limits);
            if (again != table)
                std::abort();
        }
    } catch (const xlio::EFileError&) {
    }
    return 0;
}
