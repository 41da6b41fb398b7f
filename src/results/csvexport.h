#pragma once
// The CSV export: every sheet of a result, and the roster, as one CSV file
// each in a folder, in the order overview, last class .. first class, whole
// grade, roster, with the progress reported file by file and step by step.

#include "results/resultview.h"
#include "xlio/csvreader.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace results {

class ECsvExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The advice the window shows after a failure's own message.
inline constexpr const char* CsvExportAdvice = "文件锁定请关闭相关的CSV文件再重新输出。";

class ICsvExportProgress {
public:
    virtual ~ICsvExportProgress() = default;
    // text: files still to write (this one counted), "→" and the name, such
    // as "6→分班情况"; the bar runs from 0 to steps.
    virtual void BeginFile(const std::string& text, int steps) = 0;
    virtual void Step() = 0;
};

struct TCsvExportOptions {
    xlio::TCsvEncoding Encoding = xlio::TCsvEncoding::Gb18030;
    // The window's Temp folder keeps no other *.csv files than the new set
    // (they go once the set is in place); other files the user keeps there
    // are never touched.
    bool DeleteOldCsv = false;
    // "yyyy.m.d" for the overview's first line; today when empty.
    std::string Date;
};

// The file names of the set, checked before any file is written: each a
// name the folder can hold (no '/', no NUL, at most 255 bytes), none twice.
// Returns the first problem in words, or an empty text.
std::string CsvFileNamesProblem(const std::vector<const IResultTable*>& sheets);

// sheets: the result sheets in their order (whole grade, classes 1..N,
// overview); roster: the data source, its row 0 the caption. The folder is
// created with its parents when missing. The set appears together, through
// the one atomic writer: every file is written and synced before any of them
// replaces its old one, so on a failure nothing of it appears, the old files
// stay, and ECsvExportError carries the failure's own message.
void ExportCsv(const std::filesystem::path& folder, const std::vector<const IResultTable*>& sheets,
               const IResultTable& roster, const TCsvExportOptions& options, ICsvExportProgress* progress);

}  // namespace results
