// The whole xlsx reader from memory: archive, directory, every part.
#include "xlio/fileerror.h"
#include "xlio/xlsxreader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    xlio::TReadLimits limits;
    // Small enough that a hostile input cannot exhaust the fuzzer's memory
    // while still reaching every limit check.
    limits.MaxPartBytes = 8u << 20;
    limits.MaxTotalBytes = 16u << 20;
    limits.MaxCells = 1u << 20;
    limits.MaxSharedStrings = 1u << 18;
    try {
        xlio::ReadXlsxMemory(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xlsx", limits);
    } catch (const xlio::EFileError&) {
    }
    return 0;
}
