#include "xlio/xlsxreader.h"

#include "xlio/fileerror.h"
#include "xlio/workbookwriter.h"
#include "xlio/xlsxparts.h"

#include <zip.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unordered_map>

namespace xlio {

namespace {

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool EndsWith(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// Resolves a relationship target against the folder of its source part,
// folding "." and ".." so that a target never climbs above the archive root.
std::string ResolveTarget(std::string_view baseDir, std::string_view target)
{
    std::string joined = (!target.empty() && target[0] == '/') ? std::string(target.substr(1))
                                                               : std::string(baseDir) + std::string(target);
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t slash = joined.find('/', start);
        if (slash == std::string::npos)
            slash = joined.size();
        const std::string seg = joined.substr(start, slash - start);
        if (seg == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            parts.push_back(seg);
        }
        start = slash + 1;
    }
    std::string out;
    for (const auto& p : parts)
        out += (out.empty() ? "" : "/") + p;
    return out;
}

std::string DirOf(std::string_view part)
{
    const std::size_t slash = part.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash + 1));
}

std::string RelsOf(std::string_view part)
{
    const std::size_t slash = part.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? part : part.substr(slash + 1);
    return DirOf(part) + "_rels/" + std::string(name) + ".rels";
}

struct TZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};

// The archive with its directory checked once: entry count, names unique
// (part names compare without regard to case), and every part read through
// the inflated-byte counters.
class TXlsxArchive {
public:
    TXlsxArchive(std::string_view bytes, std::string name, const TReadLimits& limits)
        : m_name(std::move(name)), m_limits(limits)
    {
        if (bytes.size() > limits.MaxArchiveBytes)
            Throw("", "the file is larger than " + std::to_string(limits.MaxArchiveBytes) + " bytes");
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (!source) {
            zip_error_fini(&error);
            Throw("", "not enough memory to open the archive");
        }
        zip_t* zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!zip) {
            zip_source_free(source);
            const bool twice = zip_error_code_zip(&error) == ZIP_ER_EXISTS;
            const std::string what = zip_error_strerror(&error);
            if (twice) {
                zip_error_fini(&error);
                Throw("", "not an xlsx workbook (the archive holds an entry twice)");
            }
            zip_error_fini(&error);
            Throw("", "not an xlsx workbook (the zip archive cannot be opened: " + what + ")");
        }
        zip_error_fini(&error);
        m_zip.reset(zip);
        const zip_int64_t count = zip_get_num_entries(zip, 0);
        if (count < 0 || static_cast<std::uint64_t>(count) > limits.MaxEntries)
            Throw("", "the archive holds more than " + std::to_string(limits.MaxEntries) + " entries");
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* entry = zip_get_name(zip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
            if (!entry)
                Throw("", "entry " + std::to_string(i) + " of the archive has no readable name");
            if (!m_index.emplace(Lower(entry), static_cast<zip_uint64_t>(i)).second)
                Throw(entry, "the archive holds this entry twice");
        }
    }

    bool Has(const std::string& part) const { return m_index.count(Lower(part)) != 0; }

    void Parse(const std::string& part, detail::TXmlHandler& handler)
    {
        const auto it = m_index.find(Lower(part));
        if (it == m_index.end())
            Throw(part, "the part is missing from the archive");
        std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(m_zip.get(), it->second, 0),
                                                               zip_fclose);
        if (!file)
            Throw(part, std::string("the part cannot be opened: ") + zip_strerror(m_zip.get()));
        detail::TXmlParser parser(handler, m_name, part, m_limits);
        std::uint64_t partBytes = 0;
        auto buffer = std::make_unique<char[]>(BufferSize);
        while (true) {
            const zip_int64_t n = zip_fread(file.get(), buffer.get(), BufferSize);
            if (n < 0)
                Throw(part, std::string("the part cannot be read: ") + zip_file_strerror(file.get()));
            if (n == 0)
                break;
            partBytes += static_cast<std::uint64_t>(n);
            m_total += static_cast<std::uint64_t>(n);
            if (partBytes > m_limits.MaxPartBytes)
                Throw(part, "the part inflates to more than " + std::to_string(m_limits.MaxPartBytes) + " bytes");
            if (m_total > m_limits.MaxTotalBytes)
                Throw(part, "the parts inflate to more than " + std::to_string(m_limits.MaxTotalBytes)
                                + " bytes in all");
            parser.Feed(buffer.get(), static_cast<std::size_t>(n), false);
        }
        parser.Feed(nullptr, 0, true);
    }

    [[noreturn]] void Throw(const std::string& position, const std::string& what) const
    {
        throw EFileError(m_name, position, what);
    }

private:
    static constexpr std::size_t BufferSize = 1 << 16;
    std::string m_name;
    const TReadLimits& m_limits;
    std::unique_ptr<zip_t, TZipCloser> m_zip;
    std::unordered_map<std::string, zip_uint64_t> m_index;
    std::uint64_t m_total = 0;
};

const detail::TRelationship* FindRel(const std::vector<detail::TRelationship>& rels, std::string_view typeTail)
{
    for (const auto& rel : rels)
        if (!rel.External && EndsWith(rel.Type, typeTail))
            return &rel;
    return nullptr;
}

}  // namespace

TWorksheet ReadXlsxSheet(std::string_view bytes, const std::string& name, const TReadLimits& limits)
{
    TXlsxArchive archive(bytes, name, limits);

    std::string workbookPart = "xl/workbook.xml";
    if (archive.Has("_rels/.rels")) {
        detail::TRelsHandler rels;
        archive.Parse("_rels/.rels", rels);
        if (const auto* rel = FindRel(rels.Relationships, "/officeDocument"))
            workbookPart = ResolveTarget("", rel->Target);
    }
    if (!archive.Has(workbookPart))
        archive.Throw("", "not an xlsx workbook (no workbook part)");

    detail::TWorkbookHandler workbook;
    archive.Parse(workbookPart, workbook);

    const std::string relsPart = RelsOf(workbookPart);
    if (!archive.Has(relsPart))
        archive.Throw(relsPart, "the workbook's relationships part is missing");
    detail::TRelsHandler rels;
    archive.Parse(relsPart, rels);
    const std::string baseDir = DirOf(workbookPart);

    // The first visible sheet in workbook order that is a worksheet (chart
    // sheets hold no cells; a hidden sheet is not what the teacher sees).
    std::string sheetPart;
    const detail::TSheetEntry* entry = nullptr;
    bool hiddenOnly = false;
    for (const auto& sheet : workbook.Sheets) {
        for (const auto& rel : rels.Relationships) {
            if (rel.Id == sheet.Id && !rel.External && EndsWith(rel.Type, "/worksheet")) {
                if (sheet.Hidden) {
                    hiddenOnly = true;
                } else {
                    sheetPart = ResolveTarget(baseDir, rel.Target);
                    entry = &sheet;
                }
                break;
            }
        }
        if (!sheetPart.empty())
            break;
    }
    if (sheetPart.empty())
        archive.Throw(workbookPart, hiddenOnly ? "every worksheet of the workbook is hidden"
                                               : "the workbook holds no worksheet");

    detail::TStylesHandler styles;
    if (const auto* rel = FindRel(rels.Relationships, "/styles")) {
        const std::string part = ResolveTarget(baseDir, rel->Target);
        if (archive.Has(part))
            archive.Parse(part, styles);
    }
    detail::TSharedStringsHandler strings(limits);
    if (const auto* rel = FindRel(rels.Relationships, "/sharedStrings")) {
        const std::string part = ResolveTarget(baseDir, rel->Target);
        if (archive.Has(part))
            archive.Parse(part, strings);
    }

    const bool fullCalc = workbook.FullCalcOnLoad;
    auto sheet = std::make_unique<detail::TWorksheetHandler>(strings.Strings, styles, workbook.Date1904, fullCalc,
                                                             fullCalc, limits);
    archive.Parse(sheetPart, *sheet);
    if (sheet->HasPendingFormulas()) {
        // The formulas need the values of the cells they read: once more,
        // keeping them (only for the rare sheet that needs it).
        if (!fullCalc) {
            sheet = std::make_unique<detail::TWorksheetHandler>(strings.Strings, styles, workbook.Date1904, false,
                                                                true, limits);
            archive.Parse(sheetPart, *sheet);
        }
        const std::string where = "worksheet \"" + entry->Name + "\"";
        std::optional<detail::TFormulaFailure> failure;
        try {
            failure = sheet->CalculateFormulas();
        } catch (const std::bad_alloc&) {
            archive.Throw(where, "not enough memory to calculate the formulas");
        } catch (const std::runtime_error& e) {
            archive.Throw(where, e.what());
        }
        if (failure) {
            const std::string cell = ExcelColumn(static_cast<int>(failure->Col)) + std::to_string(failure->Row);
            archive.Throw(where + ", cell " + cell,
                          "the formula =" + failure->Formula + " has no stored result fenban may use, and fenban "
                              "cannot calculate it (" + failure->Reason + "); open the file in a spreadsheet "
                              "program, save it once and read it again");
        }
    }
    return {entry->Name, std::move(sheet->Result)};
}

TWorksheet ReadXlsxFile(const std::string& path, const TReadLimits& limits)
{
    const std::string bytes = ReadFileBounded(path, limits.MaxArchiveBytes);
    return ReadXlsxSheet(bytes, path, limits);
}

Table ReadXlsxMemory(std::string_view bytes, const std::string& name, const TReadLimits& limits)
{
    return ReadXlsxSheet(bytes, name, limits).Cells;
}

Table ReadXlsx(const std::string& path, const TReadLimits& limits)
{
    return ReadXlsxFile(path, limits).Cells;
}

}  // namespace xlio
