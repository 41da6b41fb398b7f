// Painting a full-HD view of a text sheet at random scroll positions: the
// time per frame must stay flat as the sheet grows.
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFENBAN_BUILD_TESTS=OFF -DFENBAN_BUILD_BENCH=ON
//   cmake --build build-bench -j2 --target paint_bench
//   QT_QPA_PLATFORM=offscreen build-bench/bench/paint_bench --benchmark_repetitions=5

#include "xlpaint/paintsection.h"
#include "xlpaint/pdfexport.h"
#include "xlpaint/qtconvert.h"

#include "xlgrid/sheet.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>

namespace {

using namespace xlgrid;
using namespace xlpaint;

constexpr int kCols = 10;
constexpr int kViewWidth = 1920, kViewHeight = 1080;

// One sheet per row count, filled once: names, numbers and school texts, as a roster.
TXLSheet& SheetOf(int rows)
{
    static std::map<int, std::unique_ptr<TXLSheet>> sheets;
    auto& sheet = sheets[rows];
    if (!sheet) {
        sheet = std::make_unique<TXLSheet>();
        sheet->BeginUpdate();
        sheet->SetColCount(kCols);
        sheet->SetRowCount(rows);
        sheet->SetColDefWidth(190);
        sheet->SetRowDefHeight(20);
        const char* family[] = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄"};
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < kCols; ++c) {
                std::string text = c == 0   ? std::string(family[r % 8]) + "同学" + std::to_string(r)
                                   : c == 1 ? (r % 2 ? "女" : "男")
                                   : c == 2 ? std::to_string(50 + r % 50) + "." + std::to_string(r % 10)
                                            : "第" + std::to_string(c) + "中学 " + std::to_string(r);
                sheet->SetText(c, r, text);
            }
        sheet->EndUpdate();
    }
    return *sheet;
}

void PaintView(benchmark::State& state)
{
    EnsureGuiApplication();
    int rows = static_cast<int>(state.range(0));
    TXLSheet& sheet = SheetOf(rows);
    QImage image(kViewWidth, kViewHeight, QImage::Format_ARGB32_Premultiplied);
    std::mt19937 random(42);
    const TXLSizeList& heights = sheet.SizeList(sRows, true);
    int64_t total = heights.Sum(rows);
    for (auto _ : state) {
        int64_t pos = std::uniform_int_distribution<int64_t>(0, std::max<int64_t>(0, total - kViewHeight))(random);
        int64_t start = pos;
        int first = sheet.Locate(start, sRows, true);
        int last = first;
        int64_t end = pos + kViewHeight;
        int64_t edge = start;
        while (last < rows - 1 && edge + heights.DiffItem(last) < end)
            edge += heights.DiffItem(last++);
        QPainter painter(&image);
        TXLPaintInfo info;
        info.ColSizes = &sheet.SizeList(sCols, true);
        info.RowSizes = &heights;
        info.FirstCol = 0;
        info.LastCol = kCols - 1;
        info.FirstRow = first;
        info.LastRow = last;
        info.Left = 0;
        info.Top = static_cast<int>(start - pos);
        info.Canvas = &painter;
        CollectMergedBlocks(sheet.Section(skClient), info);
        PaintSection(sheet.Section(skClient), info);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["cells"] = benchmark::Counter(static_cast<double>(kCols) * (kViewHeight / 20 + 1));
}

BENCHMARK(PaintView)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A division of 600 students as it is handed out: the whole grade, 12
// classes and the overview, each a boxed table with a header row.
void FillResult(TXLSheet& sheet, const std::string& title, int rows, int cols)
{
    sheet.BeginUpdate();
    sheet.SetTitle(title);
    sheet.SetColCount(cols);
    sheet.SetRowCount(rows + 1);
    sheet.SetColDefWidth(80);
    sheet.SetRowDefHeight(20);
    sheet.SetPrintMargins({5, 5, 0, 5});
    for (int c = 0; c < cols; ++c)
        sheet.SetCellBox(c, 0, clBlack, RGBColor(221, 228, 255), clWindowText, Variant("栏目" + std::to_string(c)));
    for (int r = 1; r <= rows; ++r) {
        for (int c = 0; c < cols; ++c)
            sheet.SetCellBox(c, r, clBlack, clNone, clWindowText,
                             Variant(c == 0 ? "学生" + std::to_string(r) : std::to_string(r * 7 % 100)));
        sheet.NumberRow(r);
    }
    sheet.EndUpdate();
}

void PdfOfADivision(benchmark::State& state)
{
    EnsureGuiApplication();
    std::vector<std::unique_ptr<TXLSheet>> sheets;
    sheets.push_back(std::make_unique<TXLSheet>());
    FillResult(*sheets.back(), "全年级", 600, 9);
    for (int k = 1; k <= 12; ++k) {
        sheets.push_back(std::make_unique<TXLSheet>());
        FillResult(*sheets.back(), "高一(" + std::to_string(k) + ")班", 50, 8);
    }
    sheets.push_back(std::make_unique<TXLSheet>());
    FillResult(*sheets.back(), "分班情况", 13, 5);
    std::vector<const TXLSheet*> list;
    for (auto& s : sheets)
        list.push_back(s.get());
    std::string path = (std::filesystem::temp_directory_path() / "fenban-paint-bench.pdf").string();
    for (auto _ : state) {
        std::string error;
        if (!PrintSheetsToPdf(list, path, error))
            state.SkipWithError(error.c_str());
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}

BENCHMARK(PdfOfADivision)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
