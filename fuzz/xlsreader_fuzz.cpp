// The legacy .xls reader from memory. An input that begins with the compound
// file signature goes through libgsf's container reader and then the record
// reader; any other input is taken as the workbook stream itself, so that most
// runs reach the BIFF records instead of failing in the container.
#include "xlio/biffreader.h"
#include "xlio/fileerror.h"
#include "xlio/xlsreader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    xlio::TReadLimits limits;
    // Small enough that a hostile input cannot exhaust the fuzzer's memory
    // while still reaching every limit check.
    limits.MaxCells = 1u << 20;
    limits.MaxSharedStrings = 1u << 18;
    limits.MaxResultBytes = 16u << 20;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        if (size >= 8 && std::memcmp(data, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0)
            xlio::ReadXlsMemory(bytes, "fuzz.xls", limits);
        else
            xlio::ReadBiffWorkbook(bytes, "fuzz.xls", limits);
    } catch (const xlio::EFileError&) {
    }
    return 0;
}
