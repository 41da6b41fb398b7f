#include "xlpaint/printlayout.h"

#include <algorithm>

namespace xlpaint {

using namespace xlgrid;

int MarginToDots(int margin, int dpi)
{
    // (600/96)^2 dots at 600 dpi = 600 * dpi / 96^2 dots at dpi.
    int64_t dots = static_cast<int64_t>(std::max(0, margin)) * 600 * std::max(1, dpi) / (kScreenDpi * kScreenDpi);
    return static_cast<int>(std::min<int64_t>(dots, 1 << 30));
}

TXLPrintRect ComputePrintRect(const TXLSheet& sheet, const TXLPrinterMetrics& printer)
{
    const TXLMargins& m = sheet.PrintMargins();
    TXLPrintRect r;
    r.Left = MarginToDots(m.Left, printer.DpiX);
    r.Top = MarginToDots(m.Top, printer.DpiY);
    r.Right = std::max(r.Left, printer.PageWidth - MarginToDots(m.Right, printer.DpiX));
    r.Bottom = std::max(r.Top, printer.PageHeight - MarginToDots(m.Bottom, printer.DpiY));
    return r;
}

int DotsFactor(int dpi) { return std::max(1, dpi) * 100 / kScreenDpi; }

void ScaleSizeList(const TXLSizeList& src, TXLSizeList& dst, int64_t num, int64_t den)
{
    auto scale = [num, den](int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v * num / den, 0, INT32_MAX / 2));
    };
    dst.Clear();
    int32_t def = scale(src.Default());
    dst.SetDefault(def);
    dst.SetCount(src.Count());
    src.ForEach([&](int index, int32_t) {
        if (index < src.Count())
            dst.SetDiffItem(index, scale(src.DiffItem(index)));
        return 0;
    });
}

namespace {

// Walks the breaks of one axis in arithmetic runs: emit(first, step, count)
// stands for `count` breaks at first, first + step, ... A run of default
// sizes is stepped over in one go. Stops early when emit returns false.
template <class Emit>
void WalkBreaks(const TXLSizeList& sizes, int64_t available, Emit&& emit)
{
    available = std::max<int64_t>(0, available);
    const int64_t n = sizes.Count();
    const int64_t d = std::max<int32_t>(0, sizes.Default());
    int64_t sum = 0;
    auto single = [&](int64_t i, int64_t s) {
        if (sum + s > available) {
            sum = s;
            return emit(i, 1, 1);
        }
        sum += s;
        return true;
    };
    // Indices [first, end) all of the default size.
    auto run = [&](int64_t first, int64_t end) {
        if (first >= end || d == 0)
            return true;
        if (!single(first, d))
            return false;
        if (++first >= end)
            return true;
        if (d > available) {
            sum = d;
            return emit(first, 1, end - first);
        }
        const int64_t fit = (available - sum) / d;  // more that fit beside the running sum
        if (end - first <= fit) {
            sum += (end - first) * d;
            return true;
        }
        const int64_t per = available / d, start = first + fit;
        const int64_t count = (end - 1 - start) / per + 1;
        sum = (end - (start + (count - 1) * per)) * d;
        return emit(start, per, count);
    };
    int64_t next = 0;
    const int stopped = sizes.ForEach([&](int index, int32_t) {
        if (index >= n)
            return 1;
        if (!run(next, index) || !single(index, std::max<int32_t>(0, sizes.DiffItem(index))))
            return 2;
        next = index + 1;
        return 0;
    });
    if (stopped != 2)
        run(next, n);
}

}  // namespace

std::vector<int> PageBreaks(const TXLSizeList& sizes, int64_t available, int64_t maxStrips)
{
    std::vector<int> breaks;
    bool full = false;
    WalkBreaks(sizes, available, [&](int64_t first, int64_t step, int64_t count) {
        for (int64_t k = 0; k < count; ++k) {
            if (static_cast<int64_t>(breaks.size()) >= maxStrips) {
                full = true;
                return false;
            }
            breaks.push_back(static_cast<int>(first + k * step));
        }
        return true;
    });
    if (!full && static_cast<int64_t>(breaks.size()) < maxStrips)
        breaks.push_back(sizes.Count());
    return breaks;
}

int64_t StripCount(const TXLSizeList& sizes, int64_t available)
{
    int64_t strips = 1;
    WalkBreaks(sizes, available, [&](int64_t, int64_t, int64_t count) {
        strips += count;
        return true;
    });
    return strips;
}

TXLStrip StripOf(const std::vector<int>& breaks, int64_t index)
{
    if (index < 0 || index >= static_cast<int64_t>(breaks.size()))
        return {};
    return {index == 0 ? 0 : breaks[index - 1], breaks[index]};
}

int64_t PageNumber(int64_t colStrip, int64_t rowStrip, int64_t rowStrips)
{
    return rowStrip + rowStrips * colStrip + 1;
}

void PageStrips(int64_t page, int64_t rowStrips, int64_t& colStrip, int64_t& rowStrip)
{
    int64_t i = page - 1;
    rowStrips = std::max<int64_t>(1, rowStrips);
    colStrip = i / rowStrips;
    rowStrip = i % rowStrips;
}

}  // namespace xlpaint
