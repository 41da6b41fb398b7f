#include "results/csvexport.h"

#include "engine/atomicfile.h"
#include "xlgrid/encoding.h"
#include "xlio/csvwriter.h"
#include "xlio/resultworkbook.h"

#include <system_error>

namespace results {
namespace {

class TNoProgress : public ICsvExportProgress {
public:
    void BeginFile(const std::string&, int) override {}
    void Step() override {}
};

bool IsCsvName(const std::filesystem::path& p)
{
    std::string ext = p.extension().string();
    if (ext.size() != 4)
        return false;
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext == ".csv";
}

void DeleteCsvFiles(const std::filesystem::path& folder)
{
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError) && IsCsvName(it->path())) {
            std::error_code ignored;  // a file that cannot go is skipped
            std::filesystem::remove(it->path(), ignored);
        }
    }
}

class TCsvFile {
public:
    TCsvFile(const std::filesystem::path& folder, const std::string& title, const TCsvExportOptions& options)
        : m_options(options)
    {
        if (title.find('/') != std::string::npos || title.find('\0') != std::string::npos)
            throw ECsvExportError("cannot create " + title + ".csv: a file name cannot hold '/'");
        m_path = folder / (title + ".csv");
    }

    std::string& Text() { return m_text; }

    void Close()
    {
        std::string bytes;
        try {
            bytes = xlio::EncodeCsvText(m_text, m_options.Encoding);
        } catch (const xlgrid::EEncodingError& e) {
            throw ECsvExportError("cannot write " + m_path.string() + ": " + e.what());
        }
        try {
            engine::WriteFileAtomic(m_path, bytes);
        } catch (const engine::EFileError& e) {
            throw ECsvExportError(e.what());
        }
    }

private:
    const TCsvExportOptions& m_options;
    std::filesystem::path m_path;
    std::string m_text;
};

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

void ExportCsv(const std::filesystem::path& folder, const std::vector<const IResultTable*>& sheets,
               const IResultTable& roster, const TCsvExportOptions& options, ICsvExportProgress* progress)
{
    TNoProgress silent;
    ICsvExportProgress& report = progress ? *progress : silent;
    if (sheets.empty())
        throw ECsvExportError("there is no result to export");

    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder))
        throw ECsvExportError("cannot create the folder " + folder.string() + ": " +
                              (ec ? ec.message() : std::string("a file of that name is in the way")));
    if (options.DeleteOldCsv)
        DeleteCsvFiles(folder);

    const int total = static_cast<int>(sheets.size()) + 1;
    int counter = 0;
    auto beginFile = [&](const std::string& name, int steps) {
        report.BeginFile(std::to_string(total - counter) + "→" + name, steps);
        ++counter;
    };
    std::string scratch;

    // Overview first, then the other result sheets from the last to the first.
    const std::string date = options.Date.empty() ? xlio::TodayDotted() : options.Date;
    for (int i = static_cast<int>(sheets.size()) - 1; i >= 0; --i) {
        const IResultTable& sheet = *sheets[static_cast<std::size_t>(i)];
        const bool overview = i == static_cast<int>(sheets.size()) - 1;
        const int rows = sheet.RowCount(), cols = sheet.ColCount();
        beginFile(sheet.Title(), (rows + 1) * cols + 2);
        TCsvFile file(folder, sheet.Title(), options);
        std::string& out = file.Text();
        out.reserve(static_cast<std::size_t>(rows + 3) * static_cast<std::size_t>(cols) * 8);
        xlio::AppendCsvField(out, overview ? sheet.Title() + "        " + date : sheet.Title());
        out += "\r\n\r\n";
        report.Step();
        for (int r = -1; r < rows; ++r)
            AppendRow(out, sheet, r, scratch, report);
        file.Close();
        report.Step();
    }

    const int rows = roster.RowCount(), cols = roster.ColCount();
    // The data source file has its fixed name whatever the roster sheet's own title is.
    const std::string sourceName = "数据源";
    beginFile(sourceName, cols * (rows - 1) + 2);
    TCsvFile file(folder, sourceName, options);
    std::string& out = file.Text();
    xlio::AppendCsvField(out, roster.Text(0, 0, scratch));
    for (int c = 1; c < cols; ++c)
        out += ',';
    out += "\r\n";
    report.Step();
    for (int r = 1; r < rows; ++r)
        AppendRow(out, roster, r, scratch, report);
    file.Close();
    report.Step();
}

}  // namespace results
