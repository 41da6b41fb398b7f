// Times xlio::ReadXlsx on one workbook: prints the median wall time of the
// repeats in seconds, then the rows and cells read (a check that the whole
// sheet arrived).
//   xlsx_read_tool FILE.xlsx [REPEATS]
#include "xlio/fileerror.h"
#include "xlio/xlsxreader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE.xlsx [REPEATS]\n", argv[0]);
        return 2;
    }
    int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    if (repeats < 1 || repeats > 1000)
        repeats = 5;
    std::vector<double> times;
    std::size_t rows = 0, cells = 0;
    try {
        for (int i = 0; i < repeats; ++i) {
            const auto start = std::chrono::steady_clock::now();
            xlio::Table table = xlio::ReadXlsx(argv[1]);
            times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            rows = table.size();
            cells = 0;
            for (const auto& row : table)
                cells += row.size();
        }
    } catch (const xlio::EFileError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::sort(times.begin(), times.end());
    std::printf("%.4f %zu %zu\n", times[times.size() / 2], rows, cells);
    return 0;
}
