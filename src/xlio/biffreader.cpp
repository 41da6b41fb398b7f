#include "xlio/biffreader.h"

#include "xlio/celltext.h"
#include "xlio/fileerror.h"
#include "xlgrid/encoding.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace xlio {
namespace {

enum TRecordType : std::uint16_t {
    rtFormula = 0x0006,
    rtEof = 0x000A,
    rtDate1904 = 0x0022,
    rtCodePage = 0x0042,
    rtFilePass = 0x002F,
    rtContinue = 0x003C,
    rtBoundSheet = 0x0085,
    rtMulRk = 0x00BD,
    rtMulBlank = 0x00BE,
    rtRString = 0x00D6,
    rtDbCell = 0x00D7,
    rtXf = 0x00E0,
    rtSst = 0x00FC,
    rtLabelSst = 0x00FD,
    rtDimensions = 0x0200,
    rtBlank = 0x0201,
    rtNumber = 0x0203,
    rtLabel = 0x0204,
    rtBoolErr = 0x0205,
    rtString = 0x0207,
    rtRow = 0x0208,
    rtIndex = 0x020B,
    rtArray = 0x0221,
    rtTable = 0x0236,
    rtRk = 0x027E,
    rtFormat = 0x041E,
    rtShrFmla = 0x04BC,
    rtBof = 0x0809,
};

// Every record type a BIFF8 (or BIFF5) workbook or worksheet substream may hold, besides
// the future-record range 0x0800..0x08FF; charts embedded in a worksheet
// (their own nested substreams) add the range 0x1000..0x10FF. A header read
// out of step almost never names one of these with a fitting length.
constexpr std::uint16_t kKnownTypes[] = {
    0x0006, 0x000A, 0x000C, 0x000D, 0x000E, 0x000F, 0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x0017,
    0x0018, 0x0019, 0x001A, 0x001B, 0x001C, 0x001D, 0x0022, 0x0023, 0x0026, 0x0027, 0x0028, 0x0029, 0x002A,
    0x002B, 0x002F, 0x0031, 0x0033, 0x003C, 0x003D, 0x0040, 0x0041, 0x0042, 0x004D, 0x0050, 0x0051, 0x0052,
    0x0055, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F, 0x0060, 0x0061, 0x0063, 0x007D, 0x0080,
    0x0081, 0x0082, 0x0083, 0x0084, 0x0085, 0x0086, 0x008C, 0x008D, 0x0090, 0x0092, 0x0094, 0x0097, 0x0098,
    0x0099, 0x009A, 0x009B, 0x009C, 0x009D, 0x009E, 0x00A0, 0x00A1, 0x00A9, 0x00AB, 0x00AE, 0x00AF, 0x00B0,
    0x00B1, 0x00B2, 0x00B4, 0x00B5, 0x00B6, 0x00B8, 0x00B9, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D5,
    0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DC, 0x00DD, 0x00DE, 0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E5,
    0x00E9, 0x00EB, 0x00EC, 0x00ED, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F4, 0x00F5, 0x00F6, 0x00F7, 0x00F8,
    0x00F9, 0x00FB, 0x00FC, 0x00FD, 0x00FF, 0x0100, 0x0103, 0x0122, 0x0137, 0x0138, 0x013B, 0x013D, 0x013E,
    0x013F, 0x0140, 0x014A, 0x014B, 0x014D, 0x014E, 0x014F, 0x0150, 0x0151, 0x0152, 0x0153, 0x0154, 0x015F,
    0x0160, 0x0161, 0x0191, 0x0192, 0x0193, 0x0194, 0x0195, 0x0196, 0x0197, 0x0198, 0x01A9, 0x01AA, 0x01AB,
    0x01AC, 0x01AD, 0x01AE, 0x01AF, 0x01B0, 0x01B1, 0x01B2, 0x01B5, 0x01B6, 0x01B7, 0x01B8, 0x01B9, 0x01BA,
    0x01BB, 0x01BC, 0x01BD, 0x01BE, 0x01C0, 0x01C1, 0x01C2, 0x0200, 0x0201, 0x0203, 0x0204, 0x0205, 0x0207,
    0x0208, 0x020B, 0x0221, 0x0225, 0x0236, 0x023E, 0x027E, 0x0293, 0x0418, 0x041E, 0x043C, 0x04BC,
};

bool IsKnownType(std::uint16_t type, bool inChart)
{
    if (type >= 0x0800 && type <= 0x08FF)
        return true;
    if (inChart && type >= 0x1000 && type <= 0x10FF)
        return true;
    return std::binary_search(std::begin(kKnownTypes), std::end(kKnownTypes), type);
}

struct TSizeRule {
    std::uint16_t Type;
    std::uint16_t Min, Max;
};

// Records whose size BIFF8 fixes (or bounds).
constexpr TSizeRule kSizes[] = {
    {0x000A, 0, 0},   {0x000C, 2, 2},   {0x000D, 2, 2},   {0x000E, 2, 2},   {0x000F, 2, 2},  {0x0010, 8, 8},
    {0x0011, 2, 2},   {0x0012, 2, 2},   {0x0013, 2, 2},   {0x0019, 2, 2},   {0x0022, 2, 2},  {0x0026, 8, 8},
    {0x0027, 8, 8},   {0x0028, 8, 8},   {0x0029, 8, 8},   {0x002A, 2, 2},   {0x002B, 2, 2},  {0x003D, 18, 18},
    {0x0040, 2, 2},   {0x0042, 2, 2},   {0x0055, 2, 2},   {0x005F, 2, 2},   {0x0063, 2, 2},  {0x007D, 11, 12},
    {0x0080, 8, 8},   {0x0081, 2, 2},   {0x0082, 2, 2},   {0x0083, 2, 2},   {0x0084, 2, 2},  {0x008C, 4, 4},
    {0x008D, 2, 2},   {0x00A0, 4, 4},   {0x00A1, 34, 34}, {0x00D7, 4, 68},  {0x00DA, 2, 2},   {0x00E0, 20, 20}, {0x00FD, 10, 10},
    {0x0200, 14, 14}, {0x0201, 6, 6},   {0x0203, 14, 14}, {0x0205, 8, 8},   {0x0208, 16, 16}, {0x0225, 4, 4},
    {0x0236, 16, 16}, {0x023E, 10, 18}, {0x027E, 10, 10}, {0x0809, 8, 20},
};

// Where BIFF5 differs.
constexpr TSizeRule kBiff5Sizes[] = {{0x00E0, 16, 16}, {0x0200, 10, 10}};

const TSizeRule* SizeRule(std::uint16_t type, bool biff5)
{
    if (biff5)
        for (const auto& rule : kBiff5Sizes)
            if (rule.Type == type)
                return &rule;
    for (const auto& rule : kSizes)
        if (rule.Type == type)
            return &rule;
    return nullptr;
}

bool IsCellTableRecord(std::uint16_t type)
{
    switch (type) {
    case rtFormula: case rtMulRk: case rtMulBlank: case rtRString: case rtDbCell: case rtLabelSst: case rtBlank:
    case rtNumber: case rtLabel: case rtBoolErr: case rtString: case rtRow: case rtArray: case rtTable: case rtRk:
    case rtShrFmla:
        return true;
    default:
        return false;
    }
}

std::uint16_t U16(std::string_view s, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8);
}

std::uint32_t U32(std::string_view s, std::size_t at)
{
    return static_cast<std::uint32_t>(U16(s, at)) | static_cast<std::uint32_t>(U16(s, at + 2)) << 16;
}

double F64(std::string_view s, std::size_t at)
{
    const std::uint64_t bits = static_cast<std::uint64_t>(U32(s, at)) | static_cast<std::uint64_t>(U32(s, at + 4)) << 32;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double RkValue(std::uint32_t rk)
{
    double value;
    if (rk & 2) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) ? value / 100 : value;
}

const char* ErrorText(std::uint8_t code)
{
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    case 0x2A: return "#N/A";
    case 0x2B: return "#GETTING_DATA";
    default: return nullptr;
    }
}

// How many bytes of extra data (array constants, area lists) the tokens of a
// parsed formula need after it, read from rest. Empty when a token is not one
// this reader sizes or rest is too short; the formula record's length is then
// only bounded, not checked exactly.
std::optional<std::size_t> FormulaExtraSize(std::string_view rgce, std::string_view rest)
{
    std::vector<bool> extras;  // in token order: true an array constant, false an area list
    std::size_t at = 0;
    while (at < rgce.size()) {
        const std::uint8_t ptg = static_cast<std::uint8_t>(rgce[at++]);
        std::size_t data = 0;
        if (ptg >= 0x20) {
            switch (ptg & 0x1F) {  // the token without its value class
            case 0x00: data = 7; extras.push_back(true); break;   // array constant
            case 0x06: data = 6; extras.push_back(false); break;  // memory area
            case 0x01: case 0x09: data = 2; break;
            case 0x02: data = 3; break;
            case 0x03: case 0x04: case 0x0A: case 0x0C: data = 4; break;
            case 0x07: case 0x08: case 0x19: case 0x1A: case 0x1C: data = 6; break;
            case 0x05: case 0x0B: case 0x0D: data = 8; break;
            case 0x1B: case 0x1D: data = 10; break;
            default: return std::nullopt;
            }
        } else if (ptg >= 0x03 && ptg <= 0x16) {
            data = 0;  // operators, parentheses, a missing argument
        } else {
            switch (ptg) {
            case 0x01: case 0x02: data = 4; break;
            case 0x1C: case 0x1D: data = 1; break;
            case 0x1E: data = 2; break;
            case 0x1F: data = 8; break;
            case 0x17:  // a text constant
                if (rgce.size() - at < 2)
                    return std::nullopt;
                data = 2 + static_cast<unsigned char>(rgce[at]) * ((rgce[at + 1] & 1) ? 2u : 1u);
                break;
            case 0x19:  // attribute; a choice carries a jump table
                if (rgce.size() - at < 3)
                    return std::nullopt;
                data = (rgce[at] & 0x04) ? 3 + 2 * (U16(rgce, at + 1) + 1u) : 3;
                break;
            default: return std::nullopt;
            }
        }
        if (rgce.size() - at < data)
            return std::nullopt;
        at += data;
    }
    std::size_t used = 0;
    for (const bool array : extras) {
        if (!array) {
            if (rest.size() - used < 2)
                return std::nullopt;
            used += 2 + 8u * U16(rest, used);
        } else {
            if (rest.size() - used < 3)
                return std::nullopt;
            const std::size_t values = (static_cast<unsigned char>(rest[used]) + 1u) * (U16(rest, used + 1) + 1u);
            used += 3;
            for (std::size_t i = 0; i < values; ++i) {
                if (used >= rest.size())
                    return std::nullopt;
                const std::uint8_t kind = static_cast<std::uint8_t>(rest[used++]);
                if (kind == 0x02) {
                    if (rest.size() - used < 3)
                        return std::nullopt;
                    used += 3 + U16(rest, used) * ((rest[used + 2] & 1) ? 2u : 1u);
                } else {
                    used += 8;
                }
            }
        }
        if (used > rest.size())
            return std::nullopt;
    }
    return used;
}

std::string Hex(std::uint16_t type)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", type);
    return buf;
}

struct TRecord {
    std::uint16_t Type = 0;
    std::size_t Offset = 0;  // of the header in the stream
    std::string_view Body;
};

class TWorkbook;

// A record body and the CONTINUE records after it, read as one sequence.
// Character arrays are the exception: where one crosses into the next
// record, that record begins with a fresh flag byte saying whether the rest
// is stored in one or two bytes a character.
class TContinued {
public:
    TContinued(const TWorkbook& book, std::vector<TRecord> parts) : m_book(book), m_parts(std::move(parts))
    {
        for (const auto& part : m_parts)
            m_left += part.Body.size();
    }

    std::uint64_t Left() const { return m_left - m_at; }
    std::size_t Offset() const { return m_parts[m_part].Offset + 4 + m_at; }

    std::uint8_t U8();
    std::uint16_t U16()
    {
        const std::uint8_t low = U8();  // two statements: the reads must come in order
        return static_cast<std::uint16_t>(low | U8() << 8);
    }
    std::uint32_t U32()
    {
        const std::uint32_t low = U16();
        return low | static_cast<std::uint32_t>(U16()) << 16;
    }
    void Skip(std::uint64_t count);
    std::string Chars(std::size_t count, bool twoBytes);
    std::string Bytes(std::size_t count);

private:
    bool NextPart();
    [[noreturn]] void RunsPast() const;

    const TWorkbook& m_book;
    std::vector<TRecord> m_parts;
    std::size_t m_part = 0;
    std::size_t m_at = 0;
    std::uint64_t m_left = 0;  // bytes from the start of the current part to the end
};

// One pass over the stream: the globals substream first (string table,
// formats, cell styles, date system, sheet list), then the substream of the
// first visible worksheet only. The string table is held decoded (UTF-8); a
// cell's text is copied into the table, counted against MaxResultBytes.
class TWorkbook {
public:
    TWorkbook(std::string_view stream, const std::string& file, const TReadLimits& limits)
        : m_stream(stream), m_file(file), m_limits(limits)
    {
    }

    TWorksheet Read();

    [[noreturn]] void Damaged(std::size_t offset, const std::string& what) const
    {
        throw EFileError(m_file, "workbook stream, byte " + std::to_string(offset), what + "; the file is damaged");
    }

private:
    // The record at pos, which must lie before end.
    TRecord At(std::size_t pos, std::size_t end, bool inChart) const;
    std::vector<TRecord> WithContinues(const TRecord& first, std::size_t& pos, std::size_t end) const;
    void ReadGlobals(std::size_t& pos);
    void ReadSst(TContinued& in);
    // A text as its record stores it: BIFF8 with a 16-bit count (or, with
    // shortCount, an 8-bit one) and a flag byte; BIFF5 as bytes in the
    // workbook's code page.
    std::string ReadString(TContinued& in, bool shortCount = false) const;
    std::string FromCodePage(std::size_t offset, const std::string& bytes) const;
    void ReadSheet(std::size_t begin, std::size_t end);
    void CheckBof(const TRecord& bof, std::uint16_t kind, const char* what) const;

    void CheckFormulaSize(const TRecord& record, std::size_t cceAt) const;
    void Number(std::size_t offset, std::uint16_t row, std::uint16_t col, std::uint16_t xf, double value);
    void Store(std::size_t offset, std::uint16_t row, std::uint16_t col, std::string text);

    struct TSheetEntry {
        std::uint32_t Offset;
        std::uint8_t State, Kind;
        std::string Name;
        std::size_t RecordOffset;
    };

    std::string_view m_stream;
    const std::string& m_file;
    const TReadLimits& m_limits;
    std::vector<std::string> m_strings;
    std::map<std::uint16_t, std::string> m_formats;
    std::vector<std::uint16_t> m_xfFormats;
    std::vector<TNumberFormat> m_numberFormats;   // distinct ones, by first use
    std::vector<std::uint32_t> m_xfNumberFormat;  // index into them, by XF
    std::vector<TSheetEntry> m_sheets;
    bool m_date1904 = false;
    bool m_biff5 = false;             // Excel 5.0/95: texts in the code page, no string table
    std::uint16_t m_codePage = 1252;  // of BIFF5 texts
    Table m_cells;
    std::uint64_t m_slots = 0;
    std::uint64_t m_textBytes = 0;
};

std::uint8_t TContinued::U8()
{
    while (m_at == m_parts[m_part].Body.size())
        if (!NextPart())
            RunsPast();
    return static_cast<std::uint8_t>(m_parts[m_part].Body[m_at++]);
}

void TContinued::Skip(std::uint64_t count)
{
    if (count > Left())
        RunsPast();
    while (count > 0) {
        const std::size_t here = std::min<std::uint64_t>(count, m_parts[m_part].Body.size() - m_at);
        m_at += here;
        count -= here;
        if (count > 0)
            NextPart();
    }
}

std::string TContinued::Chars(std::size_t count, bool twoBytes)
{
    if (count > Left())
        RunsPast();
    std::u16string units;
    units.reserve(count);
    while (units.size() < count) {
        std::string_view body = m_parts[m_part].Body;
        if (m_at == body.size()) {
            if (!NextPart())
                RunsPast();
            body = m_parts[m_part].Body;
            const std::uint8_t flags = static_cast<std::uint8_t>(body[m_at++]);  // a record is never empty here
            if (flags & 0xFE)
                m_book.Damaged(Offset() - 1, "a text continued in the next record has the flag byte "
                                                 + std::to_string(flags));
            twoBytes = flags & 1;
        }
        const std::size_t step = twoBytes ? 2 : 1;
        const std::size_t take = std::min(count - units.size(), (body.size() - m_at) / step);
        if (take == 0)
            m_book.Damaged(Offset(), "a character is split between two records");
        for (std::size_t i = 0; i < take; ++i, m_at += step)
            units += twoBytes ? static_cast<char16_t>(xlio::U16(body, m_at))
                              : static_cast<char16_t>(static_cast<unsigned char>(body[m_at]));
    }
    return xlgrid::Utf16ToUtf8(units);
}

std::string TContinued::Bytes(std::size_t count)
{
    if (count > Left())
        RunsPast();
    std::string out;
    out.reserve(count);
    while (out.size() < count)
        out += static_cast<char>(U8());
    return out;
}

bool TContinued::NextPart()
{
    // Empty CONTINUE records carry nothing; the flag byte sits in the next one
    // with a body.
    while (m_part + 1 < m_parts.size()) {
        m_left -= m_parts[m_part].Body.size();
        ++m_part;
        m_at = 0;
        if (!m_parts[m_part].Body.empty())
            return true;
    }
    return false;
}

void TContinued::RunsPast() const
{
    m_book.Damaged(m_parts.front().Offset, "the " + Hex(m_parts.front().Type)
                                               + " record and its continuations end in the middle of a value");
}

TRecord TWorkbook::At(std::size_t pos, std::size_t end, bool inChart) const
{
    if (end - pos < 4)
        Damaged(pos, "a record header runs past the end of its substream");
    TRecord record;
    record.Type = U16(m_stream, pos);
    record.Offset = pos;
    const std::uint16_t length = U16(m_stream, pos + 2);
    if (!IsKnownType(record.Type, inChart))
        Damaged(pos, "unknown record type " + Hex(record.Type)
                         + " (a length field before it is probably wrong)");
    if (length > end - pos - 4)
        Damaged(pos, "the " + Hex(record.Type) + " record of " + std::to_string(length)
                         + " bytes runs past the end of its substream");
    if (const TSizeRule* rule = SizeRule(record.Type, m_biff5); rule && (length < rule->Min || length > rule->Max))
        Damaged(pos, "the " + Hex(record.Type) + " record has " + std::to_string(length) + " bytes where "
                         + (rule->Min == rule->Max ? std::to_string(rule->Min)
                                                   : std::to_string(rule->Min) + " to " + std::to_string(rule->Max))
                         + " belong");
    record.Body = m_stream.substr(pos + 4, length);
    // The page header and footer hold nothing or exactly one text.
    if ((record.Type == 0x0014 || record.Type == 0x0015) && length > 0
        && (m_biff5 ? length != 1u + static_cast<unsigned char>(record.Body[0])
                    : length < 3 || length != 3 + U16(record.Body, 0) * ((record.Body[2] & 1) ? 2u : 1u)))
        Damaged(pos, "the " + Hex(record.Type) + " record's length does not fit its text");
    return record;
}

std::vector<TRecord> TWorkbook::WithContinues(const TRecord& first, std::size_t& pos, std::size_t end) const
{
    std::vector<TRecord> parts{first};
    while (end - pos >= 4 && U16(m_stream, pos) == rtContinue) {
        parts.push_back(At(pos, end, false));
        pos += 4 + parts.back().Body.size();
    }
    return parts;
}

void TWorkbook::CheckBof(const TRecord& bof, std::uint16_t kind, const char* what) const
{
    if (bof.Type != rtBof)
        Damaged(bof.Offset, std::string("the ") + what + " does not begin with a BOF record");
    const std::uint16_t version = U16(bof.Body, 0);
    if (version != (m_biff5 ? 0x0500 : 0x0600))
        Damaged(bof.Offset, "the BOF record names format version " + Hex(version) + ", not "
                                + (m_biff5 ? "BIFF5 (0x0500) as the workbook" : "BIFF8 (0x0600)"));
    if (U16(bof.Body, 2) != kind)
        Damaged(bof.Offset, std::string("the ") + what + " begins with a BOF record of kind " + Hex(U16(bof.Body, 2)));
}

std::string TWorkbook::ReadString(TContinued& in, bool shortCount) const
{
    const std::size_t offset = in.Offset();
    const std::uint16_t count = shortCount ? in.U8() : in.U16();
    if (m_biff5)
        return FromCodePage(offset, in.Bytes(count));
    const std::uint8_t flags = in.U8();
    return in.Chars(count, flags & 1);
}

std::string TWorkbook::FromCodePage(std::size_t offset, const std::string& bytes) const
{
    if (xlgrid::IsAscii(bytes))
        return bytes;
    if (m_codePage == 936) {
        try {
            return xlgrid::Gb18030ToUtf8(bytes);
        } catch (const xlgrid::EEncodingError&) {
            Damaged(offset, "a text that is not valid in the workbook's code page 936");
        }
    }
    if (m_codePage != 1252 && m_codePage != 367 && m_codePage != 20127)
        throw EFileError(m_file, "", "the workbook's texts are in code page " + std::to_string(m_codePage)
                                         + ", which is not read; save it as Excel 97-2003 (.xls) or as .xlsx");
    // Windows-1252: Latin-1 but for 0x80..0x9F.
    static constexpr char16_t kHigh[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                           0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    std::u16string units;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        units += (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : static_cast<char16_t>(b);
    }
    return xlgrid::Utf16ToUtf8(units);
}

void TWorkbook::ReadSst(TContinued& in)
{
    if (in.Left() < 8)
        Damaged(in.Offset(), "the shared string table is shorter than its header");
    in.U32();  // references to the strings in the workbook: not needed
    const std::uint32_t unique = in.U32();
    // Each string takes at least three bytes.
    if (unique > in.Left() / 3 || unique > m_limits.MaxSharedStrings)
        Damaged(in.Offset(), "the shared string table claims " + std::to_string(unique) + " strings in "
                                 + std::to_string(in.Left()) + " bytes");
    m_strings.reserve(unique);
    for (std::uint32_t i = 0; i < unique; ++i) {
        const std::uint16_t count = in.U16();
        const std::uint8_t flags = in.U8();
        const std::uint16_t runs = (flags & 0x08) ? in.U16() : 0;
        const std::uint32_t phonetic = (flags & 0x04) ? in.U32() : 0;
        m_strings.push_back(in.Chars(count, flags & 1));
        in.Skip(4ull * runs);
        in.Skip(phonetic);
    }
    if (in.Left() != 0)
        Damaged(in.Offset(), "the shared string table holds " + std::to_string(in.Left())
                                 + " bytes after its last string");
}

void TWorkbook::ReadGlobals(std::size_t& pos)
{
    const std::size_t end = m_stream.size();
    const TRecord bof = At(pos, end, false);
    m_biff5 = bof.Type == rtBof && U16(bof.Body, 0) == 0x0500;
    CheckBof(bof, 0x0005, "workbook stream");
    pos += 4 + bof.Body.size();
    bool sst = false;
    while (true) {
        const TRecord record = At(pos, end, false);
        pos += 4 + record.Body.size();
        const std::string_view body = record.Body;
        switch (record.Type) {
        case rtEof:
            return;
        case rtBof:
            Damaged(record.Offset, "a BOF record inside the workbook globals");
        case rtFilePass:
            throw EFileError(m_file, "", "the workbook is protected by a password to open; "
                                         "save it without the password and read it again");
        case rtCodePage:
            m_codePage = U16(body, 0);
            break;
        case rtDate1904:
            m_date1904 = U16(body, 0) == 1;
            break;
        case rtXf:
            m_xfFormats.push_back(U16(body, 2));
            break;
        case rtFormat: {
            TContinued in(*this, {record});
            if (in.Left() < 5)
                Damaged(record.Offset, "a FORMAT record too short for its number and code");
            const std::uint16_t id = in.U16();
            m_formats[id] = ReadString(in, m_biff5);
            if (in.Left() != 0)
                Damaged(record.Offset, "a FORMAT record longer than its code");
            break;
        }
        case rtBoundSheet: {
            if (body.size() < 8)
                Damaged(record.Offset, "a BOUNDSHEET record too short for its sheet name");
            TSheetEntry sheet{U32(body, 0), static_cast<std::uint8_t>(body[4]), static_cast<std::uint8_t>(body[5]), "",
                              record.Offset};
            const std::size_t count = static_cast<unsigned char>(body[6]);
            const bool twoBytes = !m_biff5 && (body[7] & 1);
            if (body.size() != (m_biff5 ? 7 : 8) + count * (twoBytes ? 2 : 1))
                Damaged(record.Offset, "a BOUNDSHEET record whose length does not fit its sheet name");
            TContinued name(*this, {record});
            name.Skip(6);
            sheet.Name = ReadString(name, true);
            m_sheets.push_back(std::move(sheet));
            break;
        }
        case rtSst: {
            if (sst)
                Damaged(record.Offset, "a second shared string table");
            sst = true;
            TContinued in(*this, WithContinues(record, pos, end));
            ReadSst(in);
            break;
        }
        default:
            break;
        }
    }
}

void TWorkbook::Store(std::size_t offset, std::uint16_t row, std::uint16_t col, std::string text)
{
    if (row >= m_limits.MaxRows)
        throw EFileError(m_file, "workbook stream, byte " + std::to_string(offset),
                         "a cell in row " + std::to_string(row + 1) + " lies past the " + std::to_string(m_limits.MaxRows)
                             + " rows allowed");
    if (col >= 256 || col >= m_limits.MaxCols)
        Damaged(offset, "a cell in column " + std::to_string(col + 1) + " lies past the "
                            + std::to_string(std::min<std::uint32_t>(256, m_limits.MaxCols)) + " columns of the sheet");
    if (text.empty())
        return;
    std::uint64_t grow = row >= m_cells.size() ? row + 1 - m_cells.size() : 0;
    const std::size_t width = row < m_cells.size() ? m_cells[row].size() : 0;
    grow += col >= width ? col + 1 - width : 0;
    if ((m_slots += grow) > m_limits.MaxCells)
        throw EFileError(m_file, "", "the sheet holds more than " + std::to_string(m_limits.MaxCells) + " cells");
    if ((m_textBytes += text.size()) > m_limits.MaxResultBytes)
        throw EFileError(m_file, "", "the sheet's cells hold more than " + std::to_string(m_limits.MaxResultBytes)
                                         + " bytes of text");
    if (row >= m_cells.size())
        m_cells.resize(row + 1);
    auto& line = m_cells[row];
    if (col >= line.size())
        line.resize(col + 1);
    line[col] = std::move(text);
}

// A formula (cell, shared or array) whose record is longer than its tokens
// and their extra data is a length field gone wrong.
void TWorkbook::CheckFormulaSize(const TRecord& record, std::size_t cceAt) const
{
    const std::string_view body = record.Body;
    if (body.size() < cceAt + 2 || body.size() - cceAt - 2 < U16(body, cceAt))
        Damaged(record.Offset, "the " + Hex(record.Type) + " record is shorter than its formula");
    const std::size_t tokens = U16(body, cceAt);
    const std::string_view rest = body.substr(cceAt + 2 + tokens);
    // BIFF5 tokens have other sizes; their records are only bounded.
    if (m_biff5)
        return;
    if (const auto extra = FormulaExtraSize(body.substr(cceAt + 2, tokens), rest); extra && *extra != rest.size())
        Damaged(record.Offset, "the " + Hex(record.Type) + " record has " + std::to_string(rest.size() - *extra)
                                   + " bytes more than its formula");
}

void TWorkbook::Number(std::size_t offset, std::uint16_t row, std::uint16_t col, std::uint16_t xf, double value)
{
    const TNumberFormat plain;
    const TNumberFormat& format = xf < m_xfNumberFormat.size() ? m_numberFormats[m_xfNumberFormat[xf]] : plain;
    Store(offset, row, col, FormattedNumberText(value, format, m_date1904));
}

void TWorkbook::ReadSheet(std::size_t begin, std::size_t end)
{
    enum { tsBefore, tsInside, tsAfter } table = tsBefore;
    int charts = 0;  // depth of embedded chart substreams
    struct {
        bool Pending = false;
        std::uint16_t Row = 0, Col = 0;
    } text;  // a formula whose text result follows in a STRING record
    std::size_t pos = begin;
    const TRecord bof = At(pos, end, false);
    CheckBof(bof, 0x0010, "worksheet");
    pos += 4 + bof.Body.size();
    while (true) {
        if (pos == end)
            Damaged(pos, "the worksheet ends without its EOF record");
        const TRecord record = At(pos, end, charts > 0);
        pos += 4 + record.Body.size();
        const std::string_view body = record.Body;
        if (charts > 0) {
            if (record.Type == rtBof)
                ++charts;
            else if (record.Type == rtEof)
                --charts;
            continue;
        }
        if (text.Pending && record.Type != rtString && record.Type != rtShrFmla && record.Type != rtArray
            && record.Type != rtTable)
            Damaged(record.Offset, "the formula in row " + std::to_string(text.Row + 1) + ", column "
                                       + std::to_string(text.Col + 1) + " has a text result but no STRING record follows");
        if (IsCellTableRecord(record.Type)) {
            if (table == tsAfter)
                Damaged(record.Offset, "a cell record " + Hex(record.Type) + " after the end of the cell table");
            table = tsInside;
        } else if (table == tsInside) {
            table = tsAfter;
        }
        switch (record.Type) {
        case rtEof:
            // Only padding may follow before the next substream.
            for (std::size_t i = pos; i < end; ++i)
                if (m_stream[i] != '\0')
                    Damaged(pos, "the worksheet's EOF record comes " + std::to_string(end - pos)
                                     + " bytes before the end of its substream");
            return;
        case rtBof:
            if (body.size() >= 4 && U16(body, 2) == 0x0020) {
                ++charts;
                break;
            }
            Damaged(record.Offset, "a BOF record inside the worksheet");
        case rtContinue:
            if (table == tsInside)
                Damaged(record.Offset, "a CONTINUE record inside the cell table");
            break;
        case rtLabelSst: {
            const std::uint32_t index = U32(body, 6);
            if (index >= m_strings.size())
                Damaged(record.Offset, "a cell names shared string " + std::to_string(index) + " of "
                                           + std::to_string(m_strings.size()));
            Store(record.Offset, U16(body, 0), U16(body, 2), m_strings[index]);
            break;
        }
        case rtLabel:
        case rtRString: {
            TContinued in(*this, {record});
            if (body.size() < 9)
                Damaged(record.Offset, "a text cell record shorter than its text");
            in.Skip(6);
            std::string value = ReadString(in);
            // A rich string's formatting runs follow; a plain label ends here.
            if (record.Type == rtLabel && in.Left() != 0)
                Damaged(record.Offset, "a text cell record longer than its text");
            Store(record.Offset, U16(body, 0), U16(body, 2), std::move(value));
            break;
        }
        case rtNumber:
            Number(record.Offset, U16(body, 0), U16(body, 2), U16(body, 4), F64(body, 6));
            break;
        case rtRk:
            Number(record.Offset, U16(body, 0), U16(body, 2), U16(body, 4), RkValue(U32(body, 6)));
            break;
        case rtMulRk: {
            if (body.size() < 12 || (body.size() - 6) % 6 != 0)
                Damaged(record.Offset, "a MULRK record of " + std::to_string(body.size()) + " bytes");
            const std::size_t count = (body.size() - 6) / 6;
            const std::uint16_t first = U16(body, 2);
            if (U16(body, body.size() - 2) != first + count - 1)
                Damaged(record.Offset, "a MULRK record whose last column does not fit its length");
            for (std::size_t i = 0; i < count; ++i)
                Number(record.Offset, U16(body, 0), static_cast<std::uint16_t>(first + i), U16(body, 4 + 6 * i),
                       RkValue(U32(body, 6 + 6 * i)));
            break;
        }
        case rtBlank:
            Store(record.Offset, U16(body, 0), U16(body, 2), "");
            break;
        case rtMulBlank: {
            if (body.size() < 8 || body.size() % 2 != 0)
                Damaged(record.Offset, "a MULBLANK record of " + std::to_string(body.size()) + " bytes");
            const std::size_t count = (body.size() - 6) / 2;
            if (U16(body, body.size() - 2) != U16(body, 2) + count - 1)
                Damaged(record.Offset, "a MULBLANK record whose last column does not fit its length");
            Store(record.Offset, U16(body, 0), U16(body, 2), "");
            Store(record.Offset, U16(body, 0), static_cast<std::uint16_t>(U16(body, 2) + count - 1), "");
            break;
        }
        case rtBoolErr: {
            const std::uint8_t value = static_cast<std::uint8_t>(body[6]);
            const std::uint8_t isError = static_cast<std::uint8_t>(body[7]);
            const char* shown = isError == 1 ? ErrorText(value)
                                : isError == 0 && value <= 1 ? (value ? "TRUE" : "FALSE") : nullptr;
            if (!shown)
                Damaged(record.Offset, "a BOOLERR record with the value " + std::to_string(value) + "/"
                                           + std::to_string(isError));
            Store(record.Offset, U16(body, 0), U16(body, 2), shown);
            break;
        }
        case rtFormula: {
            CheckFormulaSize(record, 20);
            const std::uint16_t row = U16(body, 0), col = U16(body, 2);
            if (U16(body, 12) != 0xFFFF) {
                Number(record.Offset, row, col, U16(body, 4), F64(body, 6));
                break;
            }
            const std::uint8_t kind = static_cast<std::uint8_t>(body[6]), value = static_cast<std::uint8_t>(body[8]);
            switch (kind) {
            case 0:
                Store(record.Offset, row, col, "");  // bounds now, the text with the STRING record
                text.Pending = true;
                text.Row = row;
                text.Col = col;
                break;
            case 1:
                if (value > 1)
                    Damaged(record.Offset, "a formula with the boolean result " + std::to_string(value));
                Store(record.Offset, row, col, value ? "TRUE" : "FALSE");
                break;
            case 2:
                if (!ErrorText(value))
                    Damaged(record.Offset, "a formula with the unknown error result " + std::to_string(value));
                Store(record.Offset, row, col, ErrorText(value));
                break;
            case 3:
                Store(record.Offset, row, col, "");
                break;
            default:
                Damaged(record.Offset, "a formula with the unknown result kind " + std::to_string(kind));
            }
            break;
        }
        case rtShrFmla:
            CheckFormulaSize(record, 8);
            break;
        case rtArray:
            CheckFormulaSize(record, 12);
            break;
        case rtString: {
            if (!text.Pending)
                Damaged(record.Offset, "a STRING record that follows no formula");
            TContinued in(*this, WithContinues(record, pos, end));
            if (in.Left() < 3)
                Damaged(record.Offset, "a STRING record shorter than its text");
            std::string value = ReadString(in);
            if (in.Left() != 0)
                Damaged(record.Offset, "a STRING record longer than its text");
            text.Pending = false;
            Store(record.Offset, text.Row, text.Col, std::move(value));
            break;
        }
        default:
            break;
        }
    }
}

TWorksheet TWorkbook::Read()
{
    std::size_t pos = 0;
    ReadGlobals(pos);
    std::map<std::uint16_t, std::uint32_t> indexOf;
    for (const std::uint16_t id : m_xfFormats) {
        auto it = indexOf.find(id);
        if (it == indexOf.end()) {
            const auto custom = m_formats.find(id);
            m_numberFormats.push_back(custom != m_formats.end() ? ParseNumberFormat(custom->second)
                                                                : BuiltinNumberFormat(id));
            it = indexOf.emplace(id, static_cast<std::uint32_t>(m_numberFormats.size() - 1)).first;
        }
        m_xfNumberFormat.push_back(it->second);
    }
    // Substreams follow the globals in the order of their offsets; each ends
    // where the next begins.
    std::vector<std::uint32_t> starts;
    for (const auto& sheet : m_sheets) {
        if (sheet.Offset < pos || sheet.Offset >= m_stream.size())
            Damaged(sheet.RecordOffset, "the sheet \"" + sheet.Name + "\" is said to begin at byte "
                                            + std::to_string(sheet.Offset) + ", outside the sheets' part of the stream");
        starts.push_back(sheet.Offset);
    }
    std::sort(starts.begin(), starts.end());
    if (std::adjacent_find(starts.begin(), starts.end()) != starts.end())
        Damaged(pos, "two sheets are said to begin at the same byte");
    if (!starts.empty() && starts.front() != pos)
        Damaged(pos, "the first sheet does not begin where the workbook globals end");
    for (const auto& sheet : m_sheets) {
        // Worksheets (kind 0) that are neither hidden nor very hidden.
        if (sheet.Kind != 0 || (sheet.State & 3) != 0)
            continue;
        const auto next = std::upper_bound(starts.begin(), starts.end(), sheet.Offset);
        ReadSheet(sheet.Offset, next == starts.end() ? m_stream.size() : *next);
        return {sheet.Name, std::move(m_cells)};
    }
    throw EFileError(m_file, "", m_sheets.empty() ? "the workbook holds no worksheet"
                                                  : "the workbook holds no visible worksheet");
}

}  // namespace

TWorksheet ReadBiffWorkbook(std::string_view stream, const std::string& file, const TReadLimits& limits)
{
    return TWorkbook(stream, file, limits).Read();
}

}  // namespace xlio
