#pragma once
// The sheet component stream: sheet files (.xlf), copying a sheet, the
// clipboard form of a copied range; and the styler stream.
//
// A stream is the signature TPF0, the class and component names, the sheet's
// property records (smallest integer kind; strings as ASCII short or long
// strings or UTF-8) and one binary property "XLData" with base styles, sizes
// and the four sections (merged ranges, cells by class, formatting matrices).
// Texts inside "XLData" are GB18030.
//
// Loading parses into a new sheet and swaps it in only when the whole stream
// was read, so a damaged stream leaves the target as it was. The reader
// checks every length and count against the bytes left before it allocates,
// bounds every text, and fails with EXLStreamError (file position and
// reason); "XLData" without its signature raises "Unknown XLGrid stream
// format!". Nothing may be left unread: bytes after the end of the sheet,
// of its data or of a property's value fail the load. A cell or style block
// whose parse does not end exactly at its length (it runs short, stops
// early, or holds a format index outside its class's list) fails the load
// too, unless the caller asks for a report: then it is skipped by its
// length, as the format allows, and described there. An unknown value class
// always fails.

#include "xlgrid/atomicfile.h"
#include "xlgrid/binstream.h"
#include "xlgrid/sheet.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace xlgrid {

// Finds the styler a stream names ("Styler" property); null = none.
using TXLStylerResolver = std::function<TXLStyler*(const std::string& name)>;

struct TXLStreamLimits {
    size_t MaxText = 16u << 20;      // one text (cell value, hint, format, list)
    size_t MaxPicture = 256u << 20;  // one picture's bytes
    size_t MaxFile = 1u << 30;       // a sheet file read from disk
    size_t MaxMergedRanges = 1'000'000;  // in one section
};

// The damaged blocks a tolerant load skipped: how many, and the first few
// described ("cell block at byte 812 (client row 3, column 2): ...").
struct TXLLoadReport {
    static constexpr size_t kMaxDescribed = 20;
    size_t DamagedBlocks = 0;
    std::vector<std::string> Described;
};

struct TXLLoadOptions {
    // Without a resolver, a named styler is found only when it is the target
    // sheet's current styler with that name; otherwise the sheet loads
    // without styler and its cells without style links.
    TXLStylerResolver FindStyler;
    TXLStreamLimits Limits;
    // Null: a damaged block fails the load. Set: it is skipped and reported
    // here (the report is cleared first).
    TXLLoadReport* Report = nullptr;
};

// Appends the sheet's stream to `out`; the component name is the sheet's Name().
void SaveSheetToStream(const TXLSheet& sheet, std::string& out);
std::string SaveSheetToString(const TXLSheet& sheet);
// Replaces the sheet's contents by the stream's; the sheet is unchanged when it fails.
void LoadSheetFromStream(TXLSheet& sheet, std::string_view data, const TXLLoadOptions& options = {});

// Writes the stream with an empty component name through a temporary file
// that replaces the target; marks the sheet unmodified once it is on disk.
void SaveSheetToFile(TXLSheet& sheet, const std::string& path, const TXLWriteProgress& progress = {});
void LoadSheetFromFile(TXLSheet& sheet, const std::string& path, const TXLLoadOptions& options = {});

// Copies a whole sheet through its stream; the destination uses the source's styler.
void AssignSheet(TXLSheet& dst, const TXLSheet& src);

// The styler stream: its named styles as the binary property "Styles".
void SaveStylerToStream(const TXLStyler& styler, std::string& out);
// Replaces the styler's styles by the stream's; unchanged when it fails.
void LoadStylerFromStream(TXLStyler& styler, std::string_view data, const TXLStreamLimits& limits = {});

}  // namespace xlgrid
