#include "xlio/workbookwriter.h"

#include "xlio/fileerror.h"

#include "xlgrid/atomicfile.h"

#include <xlsxwriter.h>

#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <fcntl.h>
#include <unistd.h>

namespace xlio {

TQuietStderr::TQuietStderr()
{
    std::fflush(stderr);
    m_held = ::memfd_create("held-stderr", MFD_CLOEXEC);
    if (m_held < 0)
        return;
    m_saved = ::fcntl(2, F_DUPFD_CLOEXEC, 3);
    if (m_saved < 0 || ::dup2(m_held, 2) < 0) {
        if (m_saved >= 0)
            ::close(m_saved);
        ::close(m_held);
        m_saved = m_held = -1;
    }
}

TQuietStderr::~TQuietStderr()
{
    Restore(false);
}

void TQuietStderr::Release()
{
    Restore(true);
}

void TQuietStderr::Restore(bool replay) noexcept
{
    if (m_saved < 0)
        return;
    std::fflush(stderr);
    ::dup2(m_saved, 2);
    ::close(m_saved);
    m_saved = -1;
    if (replay) {
        char buffer[4096];
        for (off_t at = 0;;) {
            const ssize_t n = ::pread(m_held, buffer, sizeof buffer, at);
            if (n <= 0 || ::write(2, buffer, static_cast<std::size_t>(n)) != n)
                break;
            at += n;
        }
    }
    ::close(m_held);
    m_held = -1;
}

namespace {

bool IsHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void AppendEscape(std::string& out, unsigned code)
{
    static const char digits[] = "0123456789ABCDEF";
    out += "_x";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += digits[(code >> shift) & 0xF];
    out += '_';
}

// The length of the UTF-8 sequence at text[i], 0 when it is not one.
std::size_t SequenceLength(std::string_view text, std::size_t i, unsigned& code)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (next & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

// The characters XML cannot hold, and CR, which a reader turns into LF.
bool IsWrittenAsEscape(unsigned code)
{
    return (code < 0x20 && code != '\t' && code != '\n') || code == 0xFFFE || code == 0xFFFF;
}

// Whether the stored text has an underscore at this character: an
// underscore, or a character written as an escape, which begins with one.
bool UnderscoreAt(std::string_view text, std::size_t i)
{
    unsigned code = 0;
    return i < text.size() && (text[i] == '_' || (SequenceLength(text, i, code) > 0 && IsWrittenAsEscape(code)));
}

// The temporary folder the library writes its parts into.
std::string LibraryTempFolder()
{
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

// Why a part of `size` bytes came out cut: the reason the system gives.
std::string CutReason(std::uint64_t size)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && size >= limit.rlim_cur)
        return std::strerror(EFBIG);
    struct statvfs fs {};
    if (::statvfs(LibraryTempFolder().c_str(), &fs) == 0 && std::uint64_t(fs.f_bavail) * fs.f_frsize < (1u << 20))
        return std::strerror(ENOSPC);
    return "the temporary files in " + LibraryTempFolder() + " could not be written in full";
}

}  // namespace

void CheckRoomFor(std::uint64_t bytes)
{
    // Mapped and given back at once: only the room is asked for, not memory.
    void* room = ::mmap(nullptr, static_cast<std::size_t>(bytes), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                        -1, 0);
    if (room == MAP_FAILED)
        throw std::bad_alloc();
    ::munmap(room, static_cast<std::size_t>(bytes));
}

std::string CutPartProblem(const std::string& path)
{
    int error = 0;
    std::unique_ptr<zip_t, int (*)(zip_t*)> zip(zip_open(path.c_str(), ZIP_RDONLY, &error), zip_close);
    if (!zip)
        return "the written workbook cannot be read back";
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const std::string name = zip_get_name(zip.get(), static_cast<zip_uint64_t>(i), 0);
        if (!name.ends_with(".xml") && !name.ends_with(".rels"))
            continue;
        std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(zip.get(), static_cast<zip_uint64_t>(i), 0),
                                                               zip_fclose);
        if (!file)
            return "the written workbook cannot be read back";
        // The start (for the root element's name) and the end of the part.
        std::string head, tail;
        std::uint64_t size = 0;
        char buffer[1 << 16];
        for (zip_int64_t n; (n = zip_fread(file.get(), buffer, sizeof buffer)) > 0;) {
            const std::string_view chunk(buffer, static_cast<std::size_t>(n));
            if (head.size() < 512)
                head.append(chunk.substr(0, 512 - head.size()));
            tail.append(chunk.substr(chunk.size() > 512 ? chunk.size() - 512 : 0));
            if (tail.size() > 512)
                tail.erase(0, tail.size() - 512);
            size += static_cast<std::uint64_t>(n);
        }
        std::size_t open = head.find('<');
        while (open != std::string::npos && open + 1 < head.size() && head[open + 1] == '?')
            open = head.find('<', open + 1);
        const std::size_t nameEnd = open == std::string::npos ? open : head.find_first_of(" \t\r\n/>", open + 1);
        while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r' || tail.back() == ' '))
            tail.pop_back();
        const bool complete = nameEnd != std::string::npos
                              && (tail.ends_with("</" + head.substr(open + 1, nameEnd - open - 1) + ">")
                                  || (size < 512 && head.find("/>", nameEnd) == tail.size() - 2));
        if (!complete)
            return "the part " + name + " came out cut short: " + CutReason(size);
    }
    return {};
}

bool EscapeCellText(std::string_view text, std::string& out)
{
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        unsigned code = 0;
        const std::size_t length = SequenceLength(text, i, code);
        if (length == 0)
            return false;
        // An underscore that would begin an escape in the stored text.
        const bool looksEscaped = code == '_' && i + 6 < text.size() && text[i + 1] == 'x' && IsHex(text[i + 2])
                                  && IsHex(text[i + 3]) && IsHex(text[i + 4]) && IsHex(text[i + 5])
                                  && UnderscoreAt(text, i + 6);
        if (looksEscaped || IsWrittenAsEscape(code))
            AppendEscape(out, code);
        else
            out.append(text.substr(i, length));
        i += length;
    }
    return true;
}

std::string ExcelColumn(int number)
{
    std::string name;
    while (number > 0) {
        name.insert(name.begin(), static_cast<char>('A' + (number - 1) % 26));
        number = (number - 1) / 26;
    }
    return name;
}

std::string WorksheetNameProblem(const std::string& name)
{
    if (name.empty())
        return "the worksheet name is empty";
    // Excel counts UTF-16 units: characters beyond the basic plane count twice.
    std::size_t units = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if ((c & 0xC0) != 0x80)
            units += c >= 0xF0 ? 2 : 1;
    }
    if (units > 31)
        return "the worksheet name \"" + name + "\" is longer than 31 characters";
    const std::size_t bad = name.find_first_of("[]:*?/\\");
    if (bad != std::string::npos)
        return "the worksheet name \"" + name + "\" contains the character " + name[bad]
               + ", which Excel does not allow (none of [ ] : * ? / \\)";
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20)
            return "the worksheet name \"" + name + "\" contains a control character";
    if (name.front() == '\'' || name.back() == '\'')
        return "the worksheet name \"" + name + "\" begins or ends with an apostrophe";
    return {};
}

TWorkbookWriter::TWorkbookWriter(const std::string& path, bool constantMemory) : m_path(path)
{
    try {
        m_file = std::make_unique<xlgrid::TXLAtomicFile>(path);
    } catch (const xlgrid::EXLFileError& e) {
        throw EFileError::From(e);
    }
    lxw_workbook_options options{};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    options.use_zip64 = LXW_FALSE;
    errno = 0;
    m_workbook = workbook_new_opt(m_file->TempPath().c_str(), &options);
    if (!m_workbook) {
        if (errno == ENOMEM)
            throw std::bad_alloc();
        Fail("cannot start the workbook" + SystemReason(errno));
    }
    // From here a failed write into the library's own temporary files shows
    // only in errno (see Close).
    errno = 0;
}

TWorkbookWriter::~TWorkbookWriter()
{
    // Abandoned: drop everything without writing; the temporary file goes with m_file.
    if (!m_closed && m_workbook)
        lxw_workbook_free(m_workbook);
}

std::string TWorkbookWriter::SystemReason(int err)
{
    return err != 0 ? std::string(": ") + std::strerror(err) : std::string();
}

void TWorkbookWriter::Fail(const std::string& what) const
{
    throw EFileError(m_path, "", what);
}

void TWorkbookWriter::Check(int error, const char* operation) const
{
    if (error == LXW_NO_ERROR)
        return;
    if (error == LXW_ERROR_MEMORY_MALLOC_FAILED)
        throw std::bad_alloc();
    Fail(std::string("cannot write the workbook (") + operation + ": "
         + lxw_strerror(static_cast<lxw_error>(error)) + ")");
}

lxw_worksheet* TWorkbookWriter::AddWorksheet(const std::string& name)
{
    const std::string problem = WorksheetNameProblem(name);
    if (!problem.empty())
        Fail(problem);
    Check(workbook_validate_sheet_name(m_workbook, name.c_str()), "worksheet name");
    errno = 0;
    lxw_worksheet* ws = workbook_add_worksheet(m_workbook, name.c_str());
    if (!ws) {
        // Its memory, or the library's own temporary file for constant memory.
        if (errno == ENOMEM)
            throw std::bad_alloc();
        Fail("cannot add the worksheet \"" + name + "\"" + SystemReason(errno));
    }
    return ws;
}

namespace {

// The library reads colour 0 as "not set"; black has its own value.
lxw_color_t LibraryColor(std::int32_t rgb)
{
    return rgb == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : static_cast<lxw_color_t>(rgb);
}

}  // namespace

lxw_format* TWorkbookWriter::Format(const TCellFormat& f)
{
    const auto it = m_formats.find(f);
    if (it != m_formats.end())
        return it->second;
    lxw_format* format = workbook_add_format(m_workbook);
    if (!format)
        Fail("not enough memory for a cell format");
    if (!f.FontName.empty())
        format_set_font_name(format, f.FontName.c_str());
    if (f.FontSize > 0)
        format_set_font_size(format, f.FontSize);
    if (f.FontColor >= 0)
        format_set_font_color(format, LibraryColor(f.FontColor));
    if (f.Bold)
        format_set_bold(format);
    if (f.Italic)
        format_set_italic(format);
    if (f.Underline)
        format_set_underline(format, LXW_UNDERLINE_SINGLE);
    if (f.StrikeOut)
        format_set_font_strikeout(format);
    if (f.Fill >= 0) {
        format_set_pattern(format, LXW_PATTERN_SOLID);
        format_set_bg_color(format, LibraryColor(f.Fill));
    }
    switch (f.HorzAlign) {
    case 1: format_set_align(format, LXW_ALIGN_LEFT); break;
    case 2: format_set_align(format, LXW_ALIGN_CENTER); break;
    case 3: format_set_align(format, LXW_ALIGN_RIGHT); break;
    default: break;
    }
    if (!f.NumFormat.empty())
        format_set_num_format(format, f.NumFormat.c_str());
    if (f.Border[0] >= 0) {
        format_set_left(format, LXW_BORDER_THIN);
        format_set_left_color(format, LibraryColor(f.Border[0]));
    }
    if (f.Border[1] >= 0) {
        format_set_top(format, LXW_BORDER_THIN);
        format_set_top_color(format, LibraryColor(f.Border[1]));
    }
    if (f.Border[2] >= 0) {
        format_set_right(format, LXW_BORDER_THIN);
        format_set_right_color(format, LibraryColor(f.Border[2]));
    }
    if (f.Border[3] >= 0) {
        format_set_bottom(format, LXW_BORDER_THIN);
        format_set_bottom_color(format, LibraryColor(f.Border[3]));
    }
    m_formats.emplace(f, format);
    return format;
}

void TWorkbookWriter::WriteString(lxw_worksheet* ws, std::uint32_t row, std::uint16_t col, const std::string& text,
                                  lxw_format* f)
{
    if (text.empty()) {
        WriteBlank(ws, row, col, f);
        return;
    }
    std::string stored;
    if (!EscapeCellText(text, stored))
        Fail("the text of cell " + ExcelColumn(col + 1) + std::to_string(row + 1) + " is not valid UTF-8");
    Check(worksheet_write_string(ws, row, col, stored.c_str(), f), "cell text");
}

void TWorkbookWriter::WriteNumber(lxw_worksheet* ws, std::uint32_t row, std::uint16_t col, double value, lxw_format* f)
{
    Check(worksheet_write_number(ws, row, col, value, f), "cell number");
}

void TWorkbookWriter::WriteBoolean(lxw_worksheet* ws, std::uint32_t row, std::uint16_t col, bool value, lxw_format* f)
{
    Check(worksheet_write_boolean(ws, row, col, value ? 1 : 0, f), "cell boolean");
}

void TWorkbookWriter::WriteBlank(lxw_worksheet* ws, std::uint32_t row, std::uint16_t col, lxw_format* f)
{
    // A blank without a format is nothing at all to the library; that is fine.
    if (f)
        Check(worksheet_write_blank(ws, row, col, f), "blank cell");
}

void TWorkbookWriter::Merge(lxw_worksheet* ws, std::uint32_t firstRow, std::uint16_t firstCol, std::uint32_t lastRow,
                            std::uint16_t lastCol, const std::string& text, lxw_format* f)
{
    std::string stored;
    if (!EscapeCellText(text, stored))
        Fail("the text of cell " + ExcelColumn(firstCol + 1) + std::to_string(firstRow + 1) + " is not valid UTF-8");
    Check(worksheet_merge_range(ws, firstRow, firstCol, lastRow, lastCol, stored.c_str(), f), "merged range");
}

void TWorkbookWriter::SetRowHeight(lxw_worksheet* ws, std::uint32_t row, double points)
{
    Check(worksheet_set_row(ws, row, points, nullptr), "row height");
}

void TWorkbookWriter::InsertImage(lxw_worksheet* ws, std::uint32_t row, std::uint16_t col, const std::string& bytes)
{
    Check(worksheet_insert_image_buffer(ws, row, col, reinterpret_cast<const unsigned char*>(bytes.data()),
                                        bytes.size()),
          "picture");
}

void TWorkbookWriter::Close()
{
    lxw_workbook* workbook = m_workbook;
    m_workbook = nullptr;
    m_closed = true;
    const lxw_error error = workbook_close(workbook);  // frees the workbook in every case
    const int reason = errno;
    if (error == LXW_ERROR_MEMORY_MALLOC_FAILED || (error != LXW_NO_ERROR && reason == ENOMEM))
        throw std::bad_alloc();
    if (error != LXW_NO_ERROR)
        Fail(reason != 0 ? std::string("cannot write: ") + std::strerror(reason)
                         : std::string("cannot write the workbook (") + lxw_strerror(error) + ")");
    // The library writes every part into a temporary file of its own first
    // and does not check those writes: a full disk or a file-size limit there
    // gives a workbook of cut parts, reported as written.
    const std::string cut = CutPartProblem(m_file->TempPath());
    if (!cut.empty())
        Fail("cannot write: " + cut);
    try {
        m_file->Commit();
    } catch (const xlgrid::EXLFileError& e) {
        throw EFileError::From(e);
    }
    m_quiet.Release();
}

}  // namespace xlio
