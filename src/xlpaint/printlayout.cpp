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

std::vector<int> PageBreaks(const TXLSizeList& sizes, int64_t available)
{
    std::vector<int> breaks;
    int n = sizes.Count();
    int64_t sum = 0;
    for (int i = 0; i < n; ++i) {
        int64_t s = sizes.DiffItem(i);
        if (sum + s > available) {
            breaks.push_back(i);
            sum = s;
        } else {
            sum += s;
        }
    }
    breaks.push_back(n);
    return breaks;
}

TXLStrip StripOf(const std::vector<int>& breaks, int index)
{
    if (index < 0 || index >= static_cast<int>(breaks.size()))
        return {};
    return {index == 0 ? 0 : breaks[index - 1], breaks[index]};
}

int PageNumber(int colStrip, int rowStrip, int rowStrips) { return rowStrip + rowStrips * colStrip + 1; }

void PageStrips(int page, int rowStrips, int& colStrip, int& rowStrip)
{
    int i = page - 1;
    rowStrips = std::max(1, rowStrips);
    colStrip = i / rowStrips;
    rowStrip = i % rowStrips;
}

}  // namespace xlpaint
