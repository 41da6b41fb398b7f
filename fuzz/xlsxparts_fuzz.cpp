// The XML handlers alone, without the archive around them. The first byte
// picks the handler, the second how the text is cut into chunks, so that
// text and elements split across buffers are exercised too.
#include "xlio/fileerror.h"
#include "xlio/xlsxparts.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

using namespace xlio::detail;

namespace {

void Run(TXmlHandler& handler, const char* text, std::size_t size, std::size_t chunk, const xlio::TReadLimits& limits)
{
    TXmlParser parser(handler, "fuzz.xlsx", "part", limits);
    while (size > chunk) {
        parser.Feed(text, chunk, false);
        text += chunk;
        size -= chunk;
    }
    parser.Feed(text, size, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const unsigned which = data[0] % 5;
    const std::size_t chunk = 1 + data[1] * 16u;
    const char* text = reinterpret_cast<const char*>(data + 2);
    size -= 2;
    xlio::TReadLimits limits;
    limits.MaxCells = 1u << 20;
    limits.MaxSharedStrings = 1u << 18;
    const std::vector<std::string> strings = {"a", "", "高一"};
    TStylesHandler styles;
    styles.Formats = {{}, {xlio::dkDate, 0, "", ""}, {xlio::dkTime, 0, "", ""}, {xlio::dkNone, 8, "A", "-"}};
    styles.CellFormats = {0, 1, 2, 3};
    try {
        switch (which) {
        case 0: { TRelsHandler h; Run(h, text, size, chunk, limits); break; }
        case 1: { TWorkbookHandler h; Run(h, text, size, chunk, limits); break; }
        case 2: { TSharedStringsHandler h(limits); Run(h, text, size, chunk, limits); break; }
        case 3: { TStylesHandler h; Run(h, text, size, chunk, limits); break; }
        default: {
            // Bit 0 of the chunk byte: the 1904 date system; bit 1: a full
            // recalculation (which keeps every value for the formulas).
            const bool fullCalc = data[1] & 2;
            TWorksheetHandler h(strings, styles, data[1] & 1, fullCalc, fullCalc || (data[1] & 4), limits);
            Run(h, text, size, chunk, limits);
            if (fullCalc || (data[1] & 4))
                (void)h.CalculateFormulas();
            break;
        }
        }
    } catch (const xlio::EFileError&) {
    } catch (const std::runtime_error&) {
        // the text bound, met while the calculated results are stored
    }
    return 0;
}
