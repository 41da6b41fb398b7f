#pragma once
// Copying ranges of a sheet to the clipboard and pasting them back.
//
// A copied range travels three ways at once: as the sheet stream of a small
// sheet holding the range (MIME type application/x-fenban-sheet, read by
// our own grids), as tab-separated text and as an HTML table (read by other
// spreadsheet programs and word processors). Pasting prefers the sheet
// stream, then an HTML table, then tab-separated text; what comes from
// other programs fills text cells from the selection's top-left.
//
// The conversions are plain functions on sheets, strings and tables; only
// the last block of this header touches Qt's clipboard.

#include "xlgrid/sheet.h"
#include "xlio/table.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

class QClipboard;
class QMimeData;

namespace xlgridui {

inline constexpr char kSheetMimeType[] = "application/x-fenban-sheet";

// What a paste leaves out (the paste action's Ignore set).
enum TXLPasteIgnore : int {
    piFormatting = 1,  // values only, and not into cells marked read-only
    piInvisible = 2,   // hidden source rows and columns are skipped, hidden targets passed over
    piReadOnly = 4,    // with piFormatting: write read-only cells too
    piGraphics = 8,    // a picture on the clipboard is not pasted
};

// Text from another program that is too large to paste.
class EXLClipboardError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TXLTableLimits {
    std::size_t MaxBytes = std::size_t(64) << 20;
    std::size_t MaxCells = 4'000'000;
    std::size_t MaxCols = 16384;
};

// The stream of a sheet without title bands that holds the rectangle's
// cells (local to the section) with values, formats and merged blocks.
std::string CopyRangeToStream(const xlgrid::TXLSheet& sheet, xlgrid::TXLSectionKind section,
                              const xlgrid::TXLRect& rect);
// The cells' display texts, one line per row ended by a line feed, fields
// separated by tabs; a field holding a tab, a line break or a double quote
// is quoted with doubled quotes, as spreadsheet programs read it.
std::string RangeToTsv(const xlgrid::TXLSheet& sheet, xlgrid::TXLSectionKind section, const xlgrid::TXLRect& rect);
// An HTML document with one table: merged blocks as colspan and rowspan,
// texts escaped, line breaks as <br>.
std::string RangeToHtml(const xlgrid::TXLSheet& sheet, xlgrid::TXLSectionKind section, const xlgrid::TXLRect& rect);

// Tab-separated text (quoted fields as above; CR LF, LF or CR end a line; a
// line break at the very end starts no row). Raises EXLClipboardError past
// the limits.
xlio::Table ParseTsv(std::string_view text, const TXLTableLimits& limits = {});
// The first table of an HTML text: one row per <tr>, one field per <td> or
// <th> (colspan and rowspan leave empty fields where the span covers),
// tags dropped, entities decoded, white space collapsed, <br> and paragraph
// ends as line breaks. Empty when the text holds no table.
xlio::Table ParseHtmlTable(std::string_view html, const TXLTableLimits& limits = {});

// Pastes a sheet stream with its top-left at the selection's top-left and
// returns the pasted rectangle (local), which the caller selects. The client
// section grows to take the block; in the title sections a block that does
// not fit pastes nothing (empty rectangle). Merged blocks under the target
// go; the source's merged blocks come along. Raises EXLStreamError for a
// damaged stream, with nothing changed.
xlgrid::TXLRect PasteSheetStream(xlgrid::TXLSheet& sheet, xlgrid::TXLSectionKind section,
                                 const xlgrid::TXLRect& selection, std::string_view stream, int ignore = 0);
// Fills text cells from the table, row by row from (left, top), growing the
// client section as needed. Cells marked read-only are passed over unless
// piReadOnly is in `ignore`; an empty field empties an existing cell and
// creates none. Returns the rectangle written.
xlgrid::TXLRect PasteTable(xlgrid::TXLSheet& sheet, xlgrid::TXLSectionKind section, int left, int top,
                           const xlio::Table& table, int ignore = 0);

// ---- Qt's clipboard ----

// The three forms of the range.
QMimeData* RangeMimeData(const xlgrid::TXLSheet& sheet, xlgrid::TXLSectionKind section, const xlgrid::TXLRect& rect);
// Puts the range on the clipboard; false when the clipboard did not take it
// (a cut must then leave the cells alone).
bool CopyRangeToClipboard(QClipboard& clipboard, const xlgrid::TXLSheet& sheet, xlgrid::TXLSectionKind section,
                          const xlgrid::TXLRect& rect);
// Whether the data holds something PasteMimeData can paste.
bool CanPasteMimeData(const QMimeData* data, int ignore = 0);
// Pastes the best form the data offers into the selection and returns the
// rectangle to select (empty when nothing was pasted).
xlgrid::TXLRect PasteMimeData(xlgrid::TXLSheet& sheet, xlgrid::TXLSectionKind section,
                              const xlgrid::TXLRect& selection, const QMimeData* data, int ignore = 0);

}  // namespace xlgridui
