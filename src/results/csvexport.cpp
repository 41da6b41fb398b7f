#include "results/csvexport.h"

#include "xlgrid/atomicfile.h"
#include "xlio/csvwriter.h"
#include "xlio/resultworkbook.h"
#include "xlio/sheetfiles.h"

#include <set>
#include <system_error>

namespace results {
namespace {

class TNoProgress : public ICsvExportProgress {
public:
    void BeginFile(const std::string&, int) override {}
    void Step() override {}
};

// Files of the set kept open at once; later ones wait under a hidden name,
// so that a division of many classes needs no more descriptors than this.
constexpr std::size_t kOpenFiles = 64;

class TCsvSet {
public:
    TCsvSet(std::filesystem::path folder, const TCsvExportOptions& options)
        : m_folder(std::move(folder)), m_options(options)
    {
    }

    // The text of the next file, written by End; its name was checked.
    std::string& Begin(const std::string& title)
    {
        m_path = m_folder / (title + ".csv");
        m_text.clear();
        return m_text;
    }

    // Every file is written before any of them replaces its old one.
    void Commit()
    {
        try {
            xlgrid::CommitAll(m_files);
        } catch (const xlgrid::EXLFileError& e) {
            throw ECsvExportError(e.what());
        }
    }

    bool Holds(const std::filesystem::path& file) const
    {
        for (const auto& f : m_files)
            if (std::filesystem::path(f.Target()).filename() == file.filename())
                return true;
        return false;
    }

    // Writes the file begun last into its temporary file.
    void End()
    {
        const std::string file = m_path.string();
        m_path.clear();
        std::string bytes;
        try {
            bytes = xlio::EncodeCsvText(m_text, m_options.Encoding, file);
        } catch (const xlio::EFileError& e) {
            throw ECsvExportError(e.what());
        }
        try {
            xlgrid::TXLAtomicFile& f = m_files.emplace_back(file);
            f.Write(bytes);
            f.Finish();
            if (m_files.size() > kOpenFiles)
                f.Park();
        } catch (const xlgrid::EXLFileError& e) {
            throw ECsvExportError(e.what());
        }
    }

private:
    std::filesystem::path m_folder;
    const TCsvExportOptions& m_options;
    std::filesystem::path m_path;
    std::string m_text;
    std::vector<xlgrid::TXLAtomicFile> m_files;
};

// The data source file has its fixed name whatever the roster sheet's own title is.
const std::string kSourceName = "数据源";

// The longest file name the folders we write hold, in bytes.
constexpr std::size_t kMaxFileName = 255;

std::string FileNameProblem(const std::string& title)
{
    const std::string name = title + ".csv";
    std::string shown;
    for (const char c : name)
        shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    if (name.find('/') != std::string::npos)
        return "cannot create " + shown + ": a file name cannot hold '/'";
    if (name.find('\0') != std::string::npos)
        return "cannot create " + shown + ": a file name cannot hold a NUL character";
    if (name.size() > kMaxFileName)
        return "cannot create " + shown + ": the file name is " + std::to_string(name.size())
               + " bytes long, more than a folder holds (" + std::to_string(kMaxFileName)
               + "); choose a shorter class prefix";
    return {};
}

// A folder where a file of the set should go cannot be replaced by it.
void CheckNothingInTheWay(const std::filesystem::path& folder, const std::vector<const IResultTable*>& sheets)
{
    auto check = [&](const std::string& title) {
        std::error_code ec;
        const std::filesystem::path target = folder / (title + ".csv");
        if (std::filesystem::is_directory(target, ec))
            throw ECsvExportError("cannot create " + target.string() + ": a folder of that name is in the way");
    };
    for (const IResultTable* sheet : sheets)
        check(sheet->Title());
    check(kSourceName);
}

// The CSV files of the folder that are not part of the set just written.
void DeleteOtherCsvFiles(const std::filesystem::path& folder, const TCsvSet& set)
{
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError) && xlio::LowerExtension(it->path()) == ".csv" && !set.Holds(it->path())) {
            std::error_code ignored;  // a file that cannot go is skipped
            std::filesystem::remove(it->path(), ignored);
        }
    }
}

// A row line: the cells' texts of columns 0 .. ColCount-1 joined by commas;
// one progress step per cell.
void AppendRow(std::string& out, const IResultTable& table, int row, std::string& scratch,
               ICsvExportProgress& progress)
{
    table.AppendCsvRow(out, row, scratch);
    for (int c = table.ColCount(); c > 0; --c)
        progress.Step();
}

}  // namespace

std::string CsvFileNamesProblem(const std::vector<const IResultTable*>& sheets)
{
    std::set<std::string> seen = {kSourceName};
    for (const IResultTable* sheet : sheets) {
        const std::string& title = sheet->Title();
        std::string problem = FileNameProblem(title);
        if (!problem.empty())
            return problem;
        if (!seen.insert(title).second)
            return "cannot create " + title + ".csv twice: two sheets have that name";
    }
    return {};
}

void ExportCsv(const std::filesystem::path& folder, const std::vector<const IResultTable*>& sheets,
               const IResultTable& roster, const TCsvExportOptions& options, ICsvExportProgress* progress)
{
    TNoProgress silent;
    ICsvExportProgress& report = progress ? *progress : silent;
    if (sheets.empty())
        throw ECsvExportError("there is no result to export");
    const std::string problem = CsvFileNamesProblem(sheets);
    if (!problem.empty())
        throw ECsvExportError(problem);

    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder))
        throw ECsvExportError("cannot create the folder " + folder.string() + ": " +
                              (ec ? ec.message() : std::string("a file of that name is in the way")));
    CheckNothingInTheWay(folder, sheets);

    const int total = static_cast<int>(sheets.size()) + 1;
    int counter = 0;
    auto beginFile = [&](const std::string& name, int steps) {
        report.BeginFile(std::to_string(total - counter) + "→" + name, steps);
        ++counter;
    };
    std::string scratch;
    TCsvSet set(folder, options);

    // Overview first, then the other result sheets from the last to the first.
    const std::string date = options.Date.empty() ? xlio::TodayDotted() : options.Date;
    for (int i = static_cast<int>(sheets.size()) - 1; i >= 0; --i) {
        const IResultTable& sheet = *sheets[static_cast<std::size_t>(i)];
        const bool overview = i == static_cast<int>(sheets.size()) - 1;
        const int rows = sheet.RowCount(), cols = sheet.ColCount();
        beginFile(sheet.Title(), (rows + 1) * cols + 2);
        std::string& out = set.Begin(sheet.Title());
        out.reserve(static_cast<std::size_t>(rows + 3) * static_cast<std::size_t>(cols) * 8);
        xlio::AppendCsvField(out, overview ? sheet.Title() + "        " + date : sheet.Title());
        out += "\r\n\r\n";
        report.Step();
        for (int r = -1; r < rows; ++r)
            AppendRow(out, sheet, r, scratch, report);
        set.End();
        report.Step();
    }

    const int rows = roster.RowCount(), cols = roster.ColCount();
    beginFile(kSourceName, cols * (rows - 1) + 2);
    std::string& out = set.Begin(kSourceName);
    xlio::AppendCsvField(out, roster.Text(0, 0, scratch));
    for (int c = 1; c < cols; ++c)
        out += ',';
    out += "\r\n";
    report.Step();
    for (int r = 1; r < rows; ++r)
        AppendRow(out, roster, r, scratch, report);
    set.End();
    set.Commit();
    report.Step();
    if (options.DeleteOldCsv)
        DeleteOtherCsvFiles(folder, set);
}

}  // namespace results
