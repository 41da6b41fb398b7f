#include "xlio/workbookwriter.h"

#include "xlio/fileerror.h"

#include "xlgrid/atomicfile.h"

#include <xlsxwriter.h>

namespace xlio {

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
    m_workbook = workbook_new_opt(m_file->TempPath().c_str(), &options);
    if (!m_workbook)
        Fail("cannot start the workbook");
}

TWorkbookWriter::~TWorkbookWriter()
{
    // Abandoned: drop everything without writing; the temporary file goes with m_file.
    if (!m_closed && m_workbook)
        lxw_workbook_free(m_workbook);
}

void TWorkbookWriter::Fail(const std::string& what) const
{
    throw EFileError(m_path, "", what);
}

void TWorkbookWriter::Check(int error, const char* operation) const
{
    if (error != LXW_NO_ERROR)
        Fail(std::string("cannot write the workbook (") + operation + ": "
             + lxw_strerror(static_cast<lxw_error>(error)) + ")");
}

lxw_worksheet* TWorkbookWriter::AddWorksheet(const std::string& name)
{
    const std::string problem = WorksheetNameProblem(name);
    if (!problem.empty())
        Fail(problem);
    Check(workbook_validate_sheet_name(m_workbook, name.c_str()), "worksheet name");
    lxw_worksheet* ws = workbook_add_worksheet(m_workbook, name.c_str());
    if (!ws)
        Fail("cannot add the worksheet \"" + name + "\"");
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
    Check(worksheet_write_string(ws, row, col, text.c_str(), f), "cell text");
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
    Check(worksheet_merge_range(ws, firstRow, firstCol, lastRow, lastCol, text.c_str(), f), "merged range");
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
    if (error != LXW_NO_ERROR)
        Fail(std::string("cannot write the workbook (") + lxw_strerror(error) + ")");
    try {
        m_file->Commit();
    } catch (const xlgrid::EXLFileError& e) {
        throw EFileError::From(e);
    }
}

}  // namespace xlio
