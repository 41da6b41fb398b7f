// Times xlio::WriteResultWorkbook on a division of a CSV roster, the way the
// command line makes it: import, roster check, division, result sheets, then
// the workbook (数据源, 全年级, the classes, 分班情况). Prints one line:
//   write-median-s build-s sheets cells build-peak-kB rss-before-write-kB write-peak-kB
// where the write peak is the resident peak while writing (sheets included).
// --dump FILE writes the cells exactly as the workbook receives them, for the
// baselines that write the same cells with other writers.
//   result_export_tool ROSTER.csv CLASSES OUT.xlsx [REPEATS] [--dump FILE]
#include "engine/compute.h"
#include "engine/configstore.h"
#include "engine/divideclasses.h"
#include "engine/rostercheck.h"
#include "engine/sheetroster.h"
#include "results/resultsheet.h"
#include "xlio/sheetimport.h"
#include "xlgrid/section.h"
#include "xlgrid/sheet.h"
#include "xlio/csvreader.h"
#include "xlio/fileerror.h"
#include "xlio/resultworkbook.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A field of /proc/self/status in kB: VmRSS (resident now) or VmHWM (peak).
long StatusKb(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::atol(line.c_str() + field.size() + 1);
    return -1;
}

// Starts VmHWM afresh from the current resident set, so that the peak read
// after the write is the write's own (with the sheets it reads).
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::string Cell(const xlgrid::TXLSheet& sheet, int col, int row)
{
    const xlgrid::TXLSection& section = sheet.Section(xlgrid::TXLSheet::SectionOf(col, row));
    const xlgrid::TXLCell* cell = section.Find(sheet.LocalCol(col), sheet.LocalRow(row));
    std::string text = cell ? cell->AsString() : std::string();
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

// One sheet per header line "#S kind cols rows\tname\ttitle", then one line
// per worksheet row from row 2 on, cells separated by tabs.
void Dump(const std::string& file, const std::vector<xlio::TResultSheet>& sheets, const std::string& date)
{
    std::ofstream out(file, std::ios::binary);
    for (const auto& entry : sheets) {
        const xlgrid::TXLSheet& sheet = *entry.Sheet;
        const int cols = sheet.ColCount();
        const int rows = sheet.RowCount();
        std::string title = entry.Kind == xlio::rkDataSource ? Cell(sheet, 0, 0)
                            : entry.Kind == xlio::rkOverview ? entry.Name + "        " + date
                                                             : sheet.Title();
        const int first = entry.Kind == xlio::rkDataSource ? 1 : -1;
        out << "#S " << int(entry.Kind) << ' ' << cols << ' ' << (rows - first) << '\t' << entry.Name << '\t'
            << title << '\n';
        std::string line;
        for (int r = first; r < rows; ++r) {
            line.clear();
            for (int c = 0; c < cols; ++c) {
                if (c > 0)
                    line += '\t';
                line += Cell(sheet, c, r);
            }
            out << line << '\n';
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s ROSTER.csv CLASSES OUT.xlsx [REPEATS] [--dump FILE]\n", argv[0]);
        return 2;
    }
    const std::string rosterFile = argv[1];
    const std::string classes = argv[2];
    const std::string out = argv[3];
    int repeats = 3;
    std::string dump;
    for (int i = 4; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--dump" && i + 1 < argc)
            dump = argv[++i];
        else
            repeats = std::max(1, std::atoi(argv[i]));
    }

    try {
        const auto buildStart = Clock::now();
        xlgrid::TXLSheet source;
        xlio::ImportCsvIntoSheet(source, xlio::ReadCsvFile(rosterFile));
        engine::TConfigStore config = engine::TConfigStore::InMemory();
        config.WriteSetting("ClassCount", classes);
        config.WriteSetting("ClassPrefix", "高一");
        config.WriteSetting("CreateStudentID", "True");
        config.LoadSettings();
        engine::TSheetRoster roster(source);
        engine::TRosterColumns columns;
        engine::TSortField sortField;
        const engine::TRosterCheck check = engine::CheckRoster(roster, config, columns, sortField);
        if (!check.Passed) {
            std::fprintf(stderr, "the roster check failed: %s\n", check.Message.c_str());
            return 1;
        }
        engine::TDivideClasses division;
        engine::FillDivision(division, roster, config, columns, sortField);
        division.Divide();

        const results::TResultContext context{source, division, sortField, columns};
        const std::vector<results::TBuiltSheet> built = results::BuildResultSheets(context);
        const std::vector<xlio::TResultSheet> sheets = results::WorkbookSheets(source, built);
        const double buildSeconds = Since(buildStart);

        long long cells = 0;
        for (const auto& s : sheets)
            cells += 1 + std::int64_t(s.Sheet->ColCount())
                             * (s.Kind == xlio::rkDataSource ? s.Sheet->RowCount() - 1 : s.Sheet->RowCount() + 1);

        xlio::TResultWorkbookOptions options;
        options.Date = "2026.9.1";
        long long progressCalls = 0;
        options.Progress = [&](const std::string&, std::int64_t, std::int64_t) { ++progressCalls; };
        if (!dump.empty())
            Dump(dump, sheets, options.Date);

        const long buildPeak = StatusKb("VmHWM");
        ResetPeak();
        const long before = StatusKb("VmRSS");
        std::vector<double> times;
        for (int i = 0; i < repeats; ++i) {
            const auto start = Clock::now();
            xlio::WriteResultWorkbook(out, sheets, options);
            times.push_back(Since(start));
        }
        std::sort(times.begin(), times.end());
        std::printf("%.4f %.4f %zu %lld %ld %ld %ld\n", times[times.size() / 2], buildSeconds, sheets.size(), cells,
                    buildPeak, before, StatusKb("VmHWM"));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
