#pragma once
// A checked wrapper around the xlsx writing library: the library writes into
// the temporary file of the program's one atomic writer (xlgrid), which
// replaces the target only when the workbook is complete, so a failure never
// leaves a partial workbook under the final name nor destroys an old one.
// Every call of the library is checked and a failure raises EFileError
// naming the target file and the system's reason; the library running out
// of memory raises std::bad_alloc. What the library itself prints on stderr
// while the workbook is written is held back, so a failure reads as one
// message of ours. Cell formats are deduplicated by their properties, so a
// format is created once however many cells use it.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace xlgrid {
class TXLAtomicFile;
}

namespace xlio {

// A cell format as properties; colours are 0xRRGGBB, -1 for none.
struct TCellFormat {
    std::string FontName;        // empty: the library's default
    double FontSize = 0;         // 0: the default
    std::int32_t FontColor = -1;
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    std::int32_t Fill = -1;
    int HorzAlign = 0;           // 0 general, 1 left, 2 centre, 3 right
    std::string NumFormat;       // empty: general
    // Border colour per side (left, top, right, bottom), -1 for no line.
    std::int32_t Border[4] = {-1, -1, -1, -1};

    auto Key() const
    {
        return std::tie(FontName, FontSize, FontColor, Bold, Italic, Underline, StrikeOut, Fill, HorzAlign,
                        NumFormat, Border[0], Border[1], Border[2], Border[3]);
    }
    bool operator<(const TCellFormat& other) const { return Key() < other.Key(); }
};

// Holds back what is printed on the standard error stream while it lives
// (the library reports its failures there in its own words); on Release the
// held text is printed after all, as nothing failed. Never allocates once
// made, so it is safe to end while running out of memory.
class TQuietStderr {
public:
    TQuietStderr();
    ~TQuietStderr();
    TQuietStderr(const TQuietStderr&) = delete;
    TQuietStderr& operator=(const TQuietStderr&) = delete;
    void Release();

private:
    void Restore(bool replay) noexcept;
    int m_saved = -1, m_held = -1;
};

class TWorkbookWriter {
public:
    // constantMemory: rows must then be written in order, each one complete
    // before the next, which keeps memory flat for very large sheets.
    TWorkbookWriter(const std::string& path, bool constantMemory);
    ~TWorkbookWriter();
    TWorkbookWriter(const TWorkbookWriter&) = delete;
    TWorkbookWriter& operator=(const TWorkbookWriter&) = delete;

    // The name must be valid (see CheckWorksheetName); the library checks again.
    lxw_worksheet* AddWorksheet(const std::string& name);
    lxw_format* Format(const TCellFormat& format);

    void WriteString(lxw_worksheet* ws, std::uint32_t row, std::uint16_t col, const std::string& text, lxw_format* f);
    void WriteNumber(lxw_worksheet* ws, std::uint32_t row, std::uint16_t col, double value, lxw_format* f);
    void WriteBoolean(lxw_worksheet* ws, std::uint32_t row, std::uint16_t col, bool value, lxw_format* f);
    void WriteBlank(lxw_worksheet* ws, std::uint32_t row, std::uint16_t col, lxw_format* f);
    void Merge(lxw_worksheet* ws, std::uint32_t firstRow, std::uint16_t firstCol, std::uint32_t lastRow,
               std::uint16_t lastCol, const std::string& text, lxw_format* f);
    void SetRowHeight(lxw_worksheet* ws, std::uint32_t row, double points);
    void InsertImage(lxw_worksheet* ws, std::uint32_t row, std::uint16_t col, const std::string& bytes);

    // Writes the file and renames it into place; raises on any failure.
    void Close();

    const std::string& Path() const { return m_path; }
    [[noreturn]] void Fail(const std::string& what) const;

private:
    void Check(int error, const char* operation) const;
    // ": reason" for an errno, empty for none.
    static std::string SystemReason(int err);

    std::string m_path;
    TQuietStderr m_quiet;
    std::unique_ptr<xlgrid::TXLAtomicFile> m_file;
    lxw_workbook* m_workbook = nullptr;
    std::map<TCellFormat, lxw_format*> m_formats;
    bool m_closed = false;
};

// Excel's rules for a worksheet name: not empty, at most 31 characters, none
// of [ ] : * ? / \ and no control character, not beginning or ending with an
// apostrophe. Returns the problem in words, or an empty text when the name is
// fine.
std::string WorksheetNameProblem(const std::string& name);

// A cell text as the workbook stores it: characters XML cannot hold (NUL
// and the other control characters but tab and line feed, CR, U+FFFE and
// U+FFFF) as _xHHHH_, and a text that looks like such an escape keeps its
// underscore as _x005F_, so every text reads back as it was. False when the
// text is not valid UTF-8.
bool EscapeCellText(std::string_view text, std::string& out);

// The library does not check every allocation it makes and crashes when
// one fails: this raises std::bad_alloc unless the address space for
// `bytes` more is there, before the library starts.
void CheckRoomFor(std::uint64_t bytes);

// Whether each XML part of a written workbook ends with its root element's
// end tag, as a complete part does. Returns what is wrong, in words with the
// system's reason, or an empty text.
std::string CutPartProblem(const std::string& path);

// Bijective column name: 1 = A, 26 = Z, 27 = AA, 703 = AAA.
std::string ExcelColumn(int number);

}  // namespace xlio
