#include "xlio/xlsxparts.h"

#include "xlio/fileerror.h"
#include "xlgrid/encoding.h"

#include <expat.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <new>
#include <stdexcept>

namespace xlio::detail {

struct TXmlParser::TImpl {
    XML_Parser Parser = nullptr;
    TXmlParser* Owner = nullptr;
    TXmlHandler* Handler = nullptr;
    std::string File;
    std::string Part;
    std::uint32_t MaxDepth = 0;
    std::uint32_t Depth = 0;
    bool Failed = false;
    std::string Error;
    unsigned long Line = 0;
    unsigned long Column = 0;
};

namespace {

// One pass over the name: the part after the last colon, its length known
// without a second scan (element and attribute names are short, but there
// are millions of them in a large sheet).
std::string_view LocalName(const char* name)
{
    const char* local = name;
    const char* p = name;
    for (; *p; ++p)
        if (*p == ':')
            local = p + 1;
    return std::string_view(local, static_cast<std::size_t>(p - local));
}

// Expat is C: nothing may unwind through it, so every callback catches.
template <typename F>
void Guarded(void* user, F&& f)
{
    auto& impl = *static_cast<TXmlParser::TImpl*>(user);
    if (impl.Failed)
        return;
    try {
        f(impl);
    } catch (const std::bad_alloc&) {
        impl.Owner->Fail("not enough memory");
    } catch (const std::exception& e) {
        impl.Owner->Fail(e.what());
    }
}

void OnStart(void* user, const XML_Char* name, const XML_Char** attrs)
{
    Guarded(user, [&](TXmlParser::TImpl& impl) {
        if (++impl.Depth > impl.MaxDepth) {
            impl.Owner->Fail("elements nest deeper than " + std::to_string(impl.MaxDepth) + " levels");
            return;
        }
        impl.Handler->Start(LocalName(name), attrs);
    });
}

void OnEnd(void* user, const XML_Char* name)
{
    Guarded(user, [&](TXmlParser::TImpl& impl) {
        --impl.Depth;
        impl.Handler->End(LocalName(name));
    });
}

void OnText(void* user, const XML_Char* text, int len)
{
    Guarded(user, [&](TXmlParser::TImpl& impl) {
        impl.Handler->Text(std::string_view(text, static_cast<std::size_t>(len)));
    });
}

void OnDoctype(void* user, const XML_Char*, const XML_Char*, const XML_Char*, int)
{
    Guarded(user, [&](TXmlParser::TImpl& impl) {
        impl.Owner->Fail("a document type declaration is not allowed in a workbook part");
    });
}

void OnEntity(void* user, const XML_Char*, int, const XML_Char*, int, const XML_Char*, const XML_Char*,
              const XML_Char*, const XML_Char*)
{
    Guarded(user, [&](TXmlParser::TImpl& impl) {
        impl.Owner->Fail("an entity declaration is not allowed in a workbook part");
    });
}

}  // namespace

void TXmlHandler::Fail(std::string what)
{
    if (m_parser)
        m_parser->Fail(std::move(what));
    else
        throw std::runtime_error(what);
}

TXmlParser::TXmlParser(TXmlHandler& handler, std::string file, std::string part, const TReadLimits& limits)
    : m_impl(new TImpl)
{
    m_impl->Owner = this;
    m_impl->Handler = &handler;
    m_impl->File = std::move(file);
    m_impl->Part = std::move(part);
    m_impl->MaxDepth = limits.MaxDepth;
    m_impl->Parser = XML_ParserCreate(nullptr);
    if (!m_impl->Parser) {
        delete m_impl;
        throw std::bad_alloc();
    }
    handler.m_parser = this;
    XML_SetUserData(m_impl->Parser, m_impl);
    XML_SetElementHandler(m_impl->Parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(m_impl->Parser, OnText);
    XML_SetStartDoctypeDeclHandler(m_impl->Parser, OnDoctype);
    XML_SetEntityDeclHandler(m_impl->Parser, OnEntity);
    XML_SetParamEntityParsing(m_impl->Parser, XML_PARAM_ENTITY_PARSING_NEVER);
}

TXmlParser::~TXmlParser()
{
    m_impl->Handler->m_parser = nullptr;
    XML_ParserFree(m_impl->Parser);
    delete m_impl;
}

void TXmlParser::Fail(std::string what)
{
    if (m_impl->Failed)
        return;
    m_impl->Failed = true;
    m_impl->Error = std::move(what);
    m_impl->Line = XML_GetCurrentLineNumber(m_impl->Parser);
    m_impl->Column = XML_GetCurrentColumnNumber(m_impl->Parser);
    XML_StopParser(m_impl->Parser, XML_FALSE);
}

void TXmlParser::Feed(const char* data, std::size_t size, bool last)
{
    while (true) {
        // Expat takes int lengths; feed oversized buffers in slices.
        const std::size_t slice = size > (1u << 30) ? (1u << 30) : size;
        const bool final = last && slice == size;
        const XML_Status status = XML_Parse(m_impl->Parser, data, static_cast<int>(slice), final);
        if (m_impl->Failed || status != XML_STATUS_OK) {
            std::string what = m_impl->Error;
            unsigned long line = m_impl->Line, column = m_impl->Column;
            if (!m_impl->Failed) {
                what = std::string("malformed XML: ") + XML_ErrorString(XML_GetErrorCode(m_impl->Parser));
                line = XML_GetCurrentLineNumber(m_impl->Parser);
                column = XML_GetCurrentColumnNumber(m_impl->Parser);
            }
            throw EFileError(m_impl->File,
                             m_impl->Part + " line " + std::to_string(line) + " column " + std::to_string(column + 1),
                             what);
        }
        data += slice;
        size -= slice;
        if (size == 0)
            return;
    }
}

const char* FindAttr(const char** attrs, std::string_view local)
{
    for (; attrs && attrs[0]; attrs += 2)
        if (LocalName(attrs[0]) == local)
            return attrs[1];
    return nullptr;
}

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Decimal digits only, at least one, no overflow: what from_chars accepts
// for an unsigned number spanning the whole text.
bool ParseUInt(const char* text, std::uint64_t& value)
{
    if (!text || !*text)
        return false;
    std::uint64_t v = 0;
    for (; *text; ++text) {
        const unsigned digit = static_cast<unsigned char>(*text) - '0';
        if (digit > 9 || v > (UINT64_MAX - digit) / 10)
            return false;
        v = v * 10 + digit;
    }
    value = v;
    return true;
}

}  // namespace

void DecodeEscapes(std::string& text)
{
    if (text.find("_x") == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && text[i + 6] == '_') {
            unsigned cp = 0;
            bool hex = true;
            for (std::size_t k = 2; k < 6; ++k) {
                const int h = HexValue(text[i + k]);
                hex = hex && h >= 0;
                cp = cp * 16 + static_cast<unsigned>(h < 0 ? 0 : h);
            }
            // Surrogate halves are no characters on their own; keep them as written.
            if (hex && !(cp >= 0xD800 && cp <= 0xDFFF)) {
                xlgrid::AppendUtf8(out, cp);
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    text.swap(out);
}

bool ParseCellRef(std::string_view ref, std::uint32_t& col, std::uint32_t& row)
{
    constexpr std::uint64_t clampAt = 1ull << 40;
    std::uint64_t c = 0, r = 0;
    std::size_t i = 0;
    while (i < ref.size() && ref[i] == '$')
        ++i;
    const std::size_t lettersAt = i;
    for (; i < ref.size(); ++i) {
        char ch = ref[i];
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
        if (ch < 'A' || ch > 'Z')
            break;
        c = c * 26 + static_cast<std::uint64_t>(ch - 'A' + 1);
        if (c > clampAt)
            c = clampAt;
    }
    if (i == lettersAt)
        return false;
    if (i < ref.size() && ref[i] == '$')
        ++i;
    const std::size_t digitsAt = i;
    for (; i < ref.size() && ref[i] >= '0' && ref[i] <= '9'; ++i) {
        r = r * 10 + static_cast<std::uint64_t>(ref[i] - '0');
        if (r > clampAt)
            r = clampAt;
    }
    if (i == digitsAt || i != ref.size())
        return false;
    col = static_cast<std::uint32_t>(c > UINT32_MAX ? UINT32_MAX : c);
    row = static_cast<std::uint32_t>(r > UINT32_MAX ? UINT32_MAX : r);
    return true;
}

void TRelsHandler::Start(std::string_view name, const char** attrs)
{
    if (name != "Relationship")
        return;
    TRelationship rel;
    if (const char* v = FindAttr(attrs, "Id"))
        rel.Id = v;
    if (const char* v = FindAttr(attrs, "Type"))
        rel.Type = v;
    if (const char* v = FindAttr(attrs, "Target"))
        rel.Target = v;
    if (const char* v = FindAttr(attrs, "TargetMode"))
        rel.External = std::strcmp(v, "External") == 0;
    if (Relationships.size() >= 100000) {
        Fail("too many relationships");
        return;
    }
    Relationships.push_back(std::move(rel));
}

void TWorkbookHandler::Start(std::string_view name, const char** attrs)
{
    if (name == "sheets") {
        m_inSheets = true;
    } else if (name == "sheet" && m_inSheets) {
        const char* id = FindAttr(attrs, "id");
        if (id && SheetIds.size() < 100000)
            SheetIds.emplace_back(id);
    } else if (name == "workbookPr") {
        const char* v = FindAttr(attrs, "date1904");
        Date1904 = v && (std::strcmp(v, "1") == 0 || std::strcmp(v, "true") == 0);
    }
}

void TWorkbookHandler::End(std::string_view name)
{
    if (name == "sheets")
        m_inSheets = false;
}

void TSharedStringsHandler::Start(std::string_view name, const char**)
{
    if (name == "si") {
        if (Strings.size() >= m_limits.MaxSharedStrings) {
            Fail("more than " + std::to_string(m_limits.MaxSharedStrings) + " shared strings");
            return;
        }
        Strings.emplace_back();
        m_inItem = true;
    } else if (name == "rPh") {
        ++m_phonetic;
    } else if (name == "t" && m_inItem && m_phonetic == 0) {
        m_inText = true;
    }
}

void TSharedStringsHandler::End(std::string_view name)
{
    if (name == "si") {
        if (m_inItem)
            DecodeEscapes(Strings.back());
        m_inItem = false;
        m_inText = false;
        m_phonetic = 0;
    } else if (name == "rPh") {
        if (m_phonetic > 0)
            --m_phonetic;
    } else if (name == "t") {
        m_inText = false;
    }
}

void TSharedStringsHandler::Text(std::string_view text)
{
    if (m_inText)
        Strings.back().append(text);
}

TDateKind TStylesHandler::KindOf(int formatId) const
{
    for (const auto& [id, kind] : m_customFormats)
        if (id == formatId)
            return kind;
    return BuiltinFormatKind(formatId);
}

void TStylesHandler::Start(std::string_view name, const char** attrs)
{
    if (name == "numFmt") {
        std::uint64_t id = 0;
        const char* code = FindAttr(attrs, "formatCode");
        if (ParseUInt(FindAttr(attrs, "numFmtId"), id) && id < 100000 && code && m_customFormats.size() < 10000)
            m_customFormats.emplace_back(static_cast<int>(id), FormatCodeKind(code));
    } else if (name == "cellXfs") {
        m_inCellXfs = true;
    } else if (name == "xf" && m_inCellXfs) {
        std::uint64_t id = 0;
        const bool known = ParseUInt(FindAttr(attrs, "numFmtId"), id) && id < 100000;
        CellKinds.push_back(known ? KindOf(static_cast<int>(id)) : dkNone);
    }
}

void TStylesHandler::End(std::string_view name)
{
    if (name == "cellXfs")
        m_inCellXfs = false;
}

TWorksheetHandler::TWorksheetHandler(const std::vector<std::string>& strings,
                                     const std::vector<TDateKind>& cellKinds, bool date1904,
                                     const TReadLimits& limits)
    : m_strings(strings), m_cellKinds(cellKinds), m_date1904(date1904), m_limits(limits)
{
}

void TWorksheetHandler::Start(std::string_view name, const char** attrs)
{
    if (!m_inSheetData) {
        if (name == "sheetData")
            m_inSheetData = true;
        return;
    }
    if (name == "c") {
        StartCell(attrs);
    } else if (!m_inCell) {
        if (name == "row") {
            std::uint64_t r = 0;
            if (const char* v = FindAttr(attrs, "r")) {
                if (!ParseUInt(v, r) || r == 0 || r > m_limits.MaxRows) {
                    Fail(std::string("row number \"") + v + "\" lies outside rows 1 .. "
                         + std::to_string(m_limits.MaxRows));
                    return;
                }
                m_row = static_cast<std::uint32_t>(r);
            } else {
                ++m_row;
            }
            m_col = 0;
        }
    } else if (name == "v") {
        m_hasValue = true;
        m_collect = !m_inInline;
        m_text.clear();
    } else if (name == "is") {
        m_inInline = true;
        m_hasInline = true;
        m_text.clear();
    } else if (name == "rPh") {
        ++m_phonetic;
    } else if (name == "t" && m_inInline && m_phonetic == 0) {
        m_collect = true;
    }
}

void TWorksheetHandler::StartCell(const char** attrs)
{
    if (m_inCell) {
        Fail("a cell inside a cell");
        return;
    }
    if (m_row == 0)
        m_row = 1;  // cells outside a row element: take them as the first row
    // The three attributes of a cell in one pass over the list (the first
    // of each name counts, as with FindAttr).
    const char* ref = nullptr;
    const char* t = nullptr;
    const char* s = nullptr;
    for (const char** a = attrs; a && a[0]; a += 2) {
        const std::string_view local = LocalName(a[0]);
        if (local.size() != 1)
            continue;
        const char** slot = local[0] == 'r' ? &ref : local[0] == 't' ? &t : local[0] == 's' ? &s : nullptr;
        if (slot && !*slot)
            *slot = a[1];
    }
    std::uint32_t col = m_col + 1, row = m_row;
    if (ref) {
        if (!ParseCellRef(ref, col, row)) {
            Fail(std::string("bad cell reference \"") + ref + "\"");
            return;
        }
        if (row == 0 || row > m_limits.MaxRows || col > m_limits.MaxCols) {
            Fail(std::string("cell reference \"") + ref + "\" lies outside the sheet (at most "
                 + std::to_string(m_limits.MaxRows) + " rows and " + std::to_string(m_limits.MaxCols)
                 + " columns)");
            return;
        }
    } else if (col > m_limits.MaxCols) {
        Fail("a row holds more than " + std::to_string(m_limits.MaxCols) + " columns");
        return;
    }
    m_col = col;
    m_inCell = true;
    m_cellRow = row;
    m_cellCol = col;
    m_type = ctNumber;
    if (t) {
        const std::string_view type(t);
        if (type == "s")
            m_type = ctShared;
        else if (type == "b")
            m_type = ctBool;
        else if (type == "d")
            m_type = ctDate;
        else if (type == "str")
            m_type = ctFormula;
        else if (type == "e")
            m_type = ctError;
        else if (type == "inlineStr")
            m_type = ctInline;
    }
    m_cellKind = dkNone;
    std::uint64_t style = 0;
    if (ParseUInt(s, style) && style < m_cellKinds.size())
        m_cellKind = m_cellKinds[style];
    m_hasValue = m_hasInline = m_collect = m_inInline = false;
    m_phonetic = 0;
    m_text.clear();
}

void TWorksheetHandler::End(std::string_view name)
{
    if (!m_inSheetData)
        return;
    if (name == "sheetData") {
        m_inSheetData = false;
    } else if (!m_inCell) {
        return;
    } else if (name == "c") {
        FinishCell();
        m_inCell = false;
    } else if (name == "v") {
        m_collect = false;
    } else if (name == "t") {
        if (m_phonetic == 0)
            m_collect = false;
    } else if (name == "rPh") {
        if (m_phonetic > 0)
            --m_phonetic;
    } else if (name == "is") {
        m_inInline = false;
        m_collect = false;
    }
}

void TWorksheetHandler::Text(std::string_view text)
{
    if (m_inCell && m_collect)
        m_text.append(text);
}

namespace {

// "2026-03-01T08:30:00Z" -> "2026-03-01 08:30:00"; a midnight time is dropped.
std::string IsoDateText(std::string_view text)
{
    const std::size_t t = text.find('T');
    if (t == std::string_view::npos)
        return std::string(text);
    const std::string_view date = text.substr(0, t);
    const std::string_view time = text.substr(t + 1, 8);
    if (time.empty() || time == "00:00:00")
        return std::string(date);
    if (date.empty())
        return std::string(time);
    return std::string(date) + " " + std::string(time);
}

// Digits only, 1 to 15 of them, no leading zero unless the number is 0.
bool IsPlainInteger(const std::string& text)
{
    if (text.empty() || text.size() > 15 || (text[0] == '0' && text.size() > 1))
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

}  // namespace

void TWorksheetHandler::FinishCell()
{
    if (m_type == ctInline || (m_hasInline && !m_hasValue)) {
        if (!m_hasInline)
            return;
        DecodeEscapes(m_text);
        Store(m_cellRow, m_cellCol, m_text);
        return;
    }
    if (!m_hasValue)
        return;
    if (m_type == ctShared) {
        std::uint64_t index = 0;
        if (!ParseUInt(m_text.c_str(), index) || index >= m_strings.size()) {
            Fail("shared string index \"" + m_text + "\" out of range (the workbook has "
                 + std::to_string(m_strings.size()) + " shared strings)");
            return;
        }
        Store(m_cellRow, m_cellCol, m_strings[index]);
    } else if (m_type == ctBool) {
        Store(m_cellRow, m_cellCol, (m_text == "1" || m_text == "true") ? "TRUE" : "FALSE");
    } else if (m_type == ctDate) {
        Store(m_cellRow, m_cellCol, IsoDateText(m_text));
    } else if (m_type == ctFormula || m_type == ctError) {
        DecodeEscapes(m_text);
        Store(m_cellRow, m_cellCol, m_text);
    } else if (m_cellKind == dkNone && IsPlainInteger(m_text)) {
        // Shortest text of a whole number below 1e15 is its own digits: no
        // round trip through a double.
        Store(m_cellRow, m_cellCol, m_text);
    } else {
        double value = 0;
        const char* begin = m_text.data();
        const char* end = begin + m_text.size();
        while (begin < end && (*begin == ' ' || *begin == '\t' || *begin == '\n' || *begin == '\r'))
            ++begin;
        while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\n' || end[-1] == '\r'))
            --end;
        const auto res = std::from_chars(begin, end, value);
        if (res.ec != std::errc() || res.ptr != end || begin == end)
            Store(m_cellRow, m_cellCol, m_text);
        else
            Store(m_cellRow, m_cellCol, SerialText(value, m_cellKind, m_date1904));
    }
}

void TWorksheetHandler::Store(std::uint32_t row, std::uint32_t col, std::string_view text)
{
    const std::size_t r = row - 1, c = col - 1;
    std::uint64_t grow = 0;
    if (Result.size() <= r)
        grow += r + 1 - Result.size();
    const std::size_t width = r < Result.size() ? Result[r].size() : 0;
    if (width <= c)
        grow += c + 1 - width;
    if (m_slots + grow > m_limits.MaxCells) {
        Fail("the sheet holds more than " + std::to_string(m_limits.MaxCells) + " cells");
        return;
    }
    m_slots += grow;
    if (Result.size() <= r) {
        Result.resize(r + 1);
        // Rows of a table are mostly as wide as the one before: one allocation
        // instead of a doubling series. Bounded by cells already counted.
        Result[r].reserve(std::max<std::size_t>(std::min<std::size_t>(m_lastWidth, 1024), c + 1));
    }
    auto& line = Result[r];
    if (line.size() <= c)
        line.resize(c + 1);
    line[c].assign(text);  // copied in place: the handler keeps its text buffer for the next cell
    m_lastWidth = line.size();
}

}  // namespace xlio::detail
