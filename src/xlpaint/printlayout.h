#pragma once
// The page layout of a printed sheet: the print rectangle on the paper, the
// sizes of rows and columns in printer dots and the page breaks. Plain
// arithmetic on the sheet's print settings and the printer's figures.

#include "xlgrid/manager.h"
#include "xlgrid/sheet.h"

#include <cstdint>
#include <vector>

namespace xlpaint {

// Sheet sizes are pixels of a 96 pixels-per-inch screen.
inline constexpr int kScreenDpi = 96;

// The printable part of the page that the sheet's margins leave, in printer
// dots from the top-left of the printable page (exclusive right and bottom).
struct TXLPrintRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TXLPrintRect&) const = default;
};

// A margin in printer dots. One margin unit is (600 / 96)^2 dots at 600 dots
// per inch (about 1.65 mm) on every device, so a sheet keeps its margins
// whichever printer it goes to, and page setup, preview and paper agree.
int MarginToDots(int margin, int dpi);

// The print rectangle of a sheet on a printer. Margins that leave less than
// nothing give an empty rectangle at the left (top) margin.
TXLPrintRect ComputePrintRect(const xlgrid::TXLSheet& sheet, const xlgrid::TXLPrinterMetrics& printer);

// Percent from screen pixels to printer dots: dpi * 100 div 96.
int DotsFactor(int dpi);

// Copies a size list with every value and the default multiplied by
// num / den (integer arithmetic, each value separately). Count is kept.
void ScaleSizeList(const xlgrid::TXLSizeList& src, xlgrid::TXLSizeList& dst, int64_t num, int64_t den);

// The breaks of one axis: walking the sizes in order, a break is recorded at
// the index whose size would take the running sum past `available`, and the
// sum restarts with it; the count closes the list. A size wider than
// `available` makes an empty strip before it. At most `maxStrips` strips are
// listed (the closing count is then left out), so a sheet of two thousand
// million columns costs no more than its first pages.
std::vector<int> PageBreaks(const xlgrid::TXLSizeList& sizes, int64_t available, int64_t maxStrips = INT64_MAX);
// The number of strips PageBreaks would list without a limit, counted in
// runs: a walk over the sizes that differ from the default, not over every index.
int64_t StripCount(const xlgrid::TXLSizeList& sizes, int64_t available);

// The strip [first, end) of a break list.
struct TXLStrip {
    int First = 0, End = 0;
    bool IsEmpty() const { return End <= First; }
};
TXLStrip StripOf(const std::vector<int>& breaks, int64_t index);

// Pages run down first, then across: strip c of columns and r of rows is page
// r + rowStrips * c + 1.
int64_t PageNumber(int64_t colStrip, int64_t rowStrip, int64_t rowStrips);
void PageStrips(int64_t page, int64_t rowStrips, int64_t& colStrip, int64_t& rowStrip);

}  // namespace xlpaint
