// The sheet stream reader on arbitrary bytes: every input either loads or
// fails with EXLStreamError; a strict load succeeds exactly when a tolerant
// one reports no damaged block; a loaded sheet saves, loads again and saves
// to the same bytes; the styler stream reader gets the same input.

#include "xlgrid/sheetstream.h"
#include "xlgrid/style.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace xlgrid;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    TXLStyler styler;
    styler.SetName("Styler1");
    styler.AddStyle("A");
    styler.AddStyle("B");
    TXLLoadOptions options;
    options.FindStyler = [&styler](const std::string&) { return &styler; };
    options.Limits.MaxText = 1 << 16;
    options.Limits.MaxPicture = 1 << 16;

    TXLSheet sheet;
    sheet.SetText(0, 0, "before");
    TXLLoadReport report;
    options.Report = &report;
    bool tolerant = true;
    try {
        LoadSheetFromStream(sheet, input, options);
    } catch (const EXLStreamError&) {
        if (sheet.Values(0, 0).Str() != "before")
            std::abort();  // a failed load changed the sheet
        sheet.SetText(0, 1, "still usable");
        tolerant = false;
    }
    options.Report = nullptr;
    bool strict = true;
    try {
        TXLSheet other;
        LoadSheetFromStream(other, input, options);
    } catch (const EXLStreamError&) {
        strict = false;
    }
    if (strict != (tolerant && report.DamagedBlocks == 0))
        std::abort();  // the strict load let damage through, or refused a sound stream
    std::string first = SaveSheetToString(sheet);
    TXLSheet again;
    LoadSheetFromStream(again, first, options);
    if (SaveSheetToString(again) != first)
        std::abort();  // what we write, we read back the same

    TXLStyler other;
    try {
        LoadStylerFromStream(other, input, options.Limits);
    } catch (const EXLStreamError&) {
    }
    return 0;
}
