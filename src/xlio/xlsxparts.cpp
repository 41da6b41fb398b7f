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
    auto isTrue = [](const char* v) { return v && (std::strcmp(v, "1") == 0 || std::strcmp(v, "true") == 0); };
    if (name == "sheets") {
        m_inSheets = true;
    } else if (name == "sheet" && m_inSheets) {
        const char* id = FindAttr(attrs, "id");
        if (id && Sheets.size() < 100000) {
            const char* sheetName = FindAttr(attrs, "name");
            const char* state = FindAttr(attrs, "state");
            Sheets.push_back({id, sheetName ? sheetName : "", state && std::strcmp(state, "visible") != 0});
        }
    } else if (name == "workbookPr") {
        Date1904 = isTrue(FindAttr(attrs, "date1904"));
    } else if (name == "calcPr") {
        FullCalcOnLoad = isTrue(FindAttr(attrs, "fullCalcOnLoad"));
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

TStylesHandler::TStylesHandler() : Formats(1) {}

std::uint32_t TStylesHandler::IndexOf(int formatId)
{
    if (const auto it = m_indexOf.find(formatId); it != m_indexOf.end())
        return it->second;
    const auto code = m_customCodes.find(formatId);
    const TNumberFormat format = code != m_customCodes.end() ? ParseNumberFormat(code->second)
                                                             : BuiltinNumberFormat(formatId);
    std::uint32_t index = 0;
    while (index < Formats.size() && !(Formats[index] == format))
        ++index;
    if (index == Formats.size())
        Formats.push_back(format);
    m_indexOf.emplace(formatId, index);
    return index;
}

void TStylesHandler::Start(std::string_view name, const char** attrs)
{
    if (name == "numFmt") {
        std::uint64_t id = 0;
        const char* code = FindAttr(attrs, "formatCode");
        if (ParseUInt(FindAttr(attrs, "numFmtId"), id) && id < 100000 && code && m_customCodes.size() < 10000
            && std::strlen(code) <= 1024)
            m_customCodes[static_cast<int>(id)] = code;
    } else if (name == "cellXfs") {
        m_inCellXfs = true;
    } else if (name == "xf" && m_inCellXfs) {
        if (CellFormats.size() >= (1u << 20)) {
            Fail("more than " + std::to_string(1u << 20) + " cell styles");
            return;
        }
        std::uint64_t id = 0;
        const bool known = ParseUInt(FindAttr(attrs, "numFmtId"), id) && id < 100000;
        CellFormats.push_back(known ? IndexOf(static_cast<int>(id)) : 0);
    }
}

void TStylesHandler::End(std::string_view name)
{
    if (name == "cellXfs")
        m_inCellXfs = false;
}

TWorksheetHandler::TWorksheetHandler(const std::vector<std::string>& strings, const TStylesHandler& styles,
                                     bool date1904, bool fullCalc, bool keepValues, const TReadLimits& limits)
    : m_strings(strings), m_styles(styles), m_date1904(date1904), m_fullCalc(fullCalc), m_keepValues(keepValues),
      m_limits(limits)
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
    } else if (name == "f") {
        m_inFormula = m_hasFormula = true;
        m_formula.clear();
        m_formulaShared = -1;
        m_sharedMaster = false;
        const char* type = FindAttr(attrs, "t");
        std::uint64_t si = 0;
        if (type && std::strcmp(type, "shared") == 0 && ParseUInt(FindAttr(attrs, "si"), si) && si < (1u << 30)) {
            m_formulaShared = static_cast<std::int64_t>(si);
            m_sharedMaster = FindAttr(attrs, "ref") != nullptr;
        }
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
    m_cellFormat = 0;
    std::uint64_t style = 0;
    if (ParseUInt(s, style) && style < m_styles.CellFormats.size())
        m_cellFormat = m_styles.CellFormats[style];
    m_hasValue = m_hasInline = m_collect = m_inInline = false;
    m_inFormula = m_hasFormula = false;
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
    } else if (name == "f") {
        m_inFormula = false;
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
    if (!m_inCell)
        return;
    if (m_collect)
        m_text.append(text);
    else if (m_inFormula) {
        if (m_formula.size() + text.size() > 65536) {
            Fail("a formula longer than 65536 bytes");
            return;
        }
        m_formula.append(text);
    }
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

std::string TWorksheetHandler::NumberCellText(double value, std::uint32_t format) const
{
    return FormattedNumberText(value, m_styles.Formats[format], m_date1904);
}

void TWorksheetHandler::Keep(TFormulaValue::TKind kind, double number, bool pending)
{
    if (!m_keepValues)
        return;
    if (m_values.size() >= m_limits.MaxCells) {
        Fail("the sheet holds more than " + std::to_string(m_limits.MaxCells) + " cells");
        return;
    }
    m_values.push_back({m_cellRow, m_cellCol, kind, pending, number});
}

void TWorksheetHandler::FinishCell()
{
    if (m_hasFormula) {
        DecodeEscapes(m_formula);
        if (m_formulaShared >= 0 && m_sharedMaster && !m_shared.count(static_cast<std::uint64_t>(m_formulaShared))) {
            if (m_shared.size() >= 100000) {
                Fail("more than 100000 shared formulas");
                return;
            }
            m_shared[static_cast<std::uint64_t>(m_formulaShared)] = {m_formula, m_cellRow, m_cellCol};
        }
        // No result stored (or an empty one), or the workbook asks for a full
        // recalculation: what the file holds only stands in for the result.
        // A text result may be empty (t="str" with an empty value).
        const bool stored = m_hasValue && (!m_text.empty() || m_type == ctFormula);
        const bool follower = m_formulaShared >= 0 && m_formula.empty();
        // A formula element without text and no shared one (a data table's
        // cells) has only its stored value.
        if ((m_fullCalc || !stored) && (follower || !m_formula.empty())) {
            if (m_pending.size() >= m_limits.MaxCells) {
                Fail("the sheet holds more than " + std::to_string(m_limits.MaxCells) + " formulas");
                return;
            }
            Keep(TFormulaValue::fvNumber, static_cast<double>(m_pending.size()), true);
            m_pending.push_back({m_cellRow, m_cellCol, m_cellFormat, follower ? std::string() : m_formula,
                                 follower ? m_formulaShared : -1, 0, {}});
            return;
        }
    }
    if (m_type == ctInline || (m_hasInline && !m_hasValue)) {
        if (!m_hasInline)
            return;
        DecodeEscapes(m_text);
        Keep(TFormulaValue::fvText);
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
        Keep(TFormulaValue::fvText);
        Store(m_cellRow, m_cellCol, m_strings[index]);
    } else if (m_type == ctBool) {
        const bool value = m_text == "1" || m_text == "true";
        Keep(TFormulaValue::fvBool, value ? 1 : 0);
        Store(m_cellRow, m_cellCol, value ? "TRUE" : "FALSE");
    } else if (m_type == ctDate) {
        Keep(TFormulaValue::fvText);
        Store(m_cellRow, m_cellCol, IsoDateText(m_text));
    } else if (m_type == ctFormula || m_type == ctError) {
        DecodeEscapes(m_text);
        Keep(m_type == ctError ? TFormulaValue::fvError : TFormulaValue::fvText);
        Store(m_cellRow, m_cellCol, m_text);
    } else if (m_cellFormat == 0 && IsPlainInteger(m_text) && !m_keepValues) {
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
        if (res.ec != std::errc() || res.ptr != end || begin == end) {
            Keep(TFormulaValue::fvText);
            Store(m_cellRow, m_cellCol, m_text);
        } else {
            Keep(TFormulaValue::fvNumber, value);
            Store(m_cellRow, m_cellCol, NumberCellText(value, m_cellFormat));
        }
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
    // Counted before the copy is made: one long shared string in many
    // cells must not become gigabytes.
    if (m_textBytes + text.size() > m_limits.MaxResultBytes) {
        Fail("the sheet's cells hold more than " + std::to_string(m_limits.MaxResultBytes) + " bytes of text");
        return;
    }
    m_textBytes += text.size();
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

namespace {

struct TCircular {
    std::uint32_t Row, Col;
};

bool Before(std::uint32_t r1, std::uint32_t c1, std::uint32_t r2, std::uint32_t c2)
{
    return r1 < r2 || (r1 == r2 && c1 < c2);
}

}  // namespace

// The sheet as its formulas read it: the kept values in row order, formula
// cells calculated when first read. A chain of formulas reading formulas
// further down is bounded, since each link is one level of recursion.
class TWorksheetHandler::TCalcHost : public IFormulaHost {
public:
    explicit TCalcHost(TWorksheetHandler& sheet) : m_sheet(sheet)
    {
        auto& values = m_sheet.m_values;
        std::stable_sort(values.begin(), values.end(),
                         [](const TRawCell& a, const TRawCell& b) { return Before(a.Row, a.Col, b.Row, b.Col); });
        // A cell written twice: the later one counts, as for the texts.
        std::vector<TRawCell> unique;
        unique.reserve(values.size());
        for (const TRawCell& cell : values) {
            if (!unique.empty() && unique.back().Row == cell.Row && unique.back().Col == cell.Col)
                unique.back() = cell;
            else
                unique.push_back(cell);
        }
        values.swap(unique);
    }

    TFormulaValue Value(std::uint32_t row, std::uint32_t col) override
    {
        const auto& values = m_sheet.m_values;
        const auto it = Find(row, col);
        if (it == values.end() || it->Row != row || it->Col != col)
            return {};
        return ValueOf(*it);
    }

    void ForEach(std::uint32_t row1, std::uint32_t col1, std::uint32_t row2, std::uint32_t col2,
                 const std::function<void(const TFormulaValue&)>& visit) override
    {
        const auto& values = m_sheet.m_values;
        auto it = Find(row1, col1);
        while (it != values.end() && it->Row <= row2) {
            // Many formulas over whole columns must not run for hours.
            if (++m_steps > m_sheet.m_limits.MaxFormulaReads)
                throw EFormulaUnsupported("the formulas read more than "
                                          + std::to_string(m_sheet.m_limits.MaxFormulaReads) + " cells in all");
            if (it->Col < col1) {
                it = Find(it->Row, col1);
            } else if (it->Col > col2) {
                if (it->Row == UINT32_MAX)
                    break;
                it = Find(it->Row + 1, col1);
            } else {
                visit(ValueOf(*it));
                ++it;
            }
        }
    }

    const TFormulaValue& Calculate(std::size_t index)
    {
        TPendingFormula& f = m_sheet.m_pending[index];
        if (f.State == 2)
            return f.Value;
        if (f.State == 1)
            throw TCircular{f.Row, f.Col};
        if (m_depth >= MaxDepth)
            throw TFormulaFailure{f.Row, f.Col, f.Text,
                                  "formulas read other formulas more than " + std::to_string(MaxDepth) + " deep"};
        f.State = 1;
        ++m_depth;
        try {
            std::string_view text = f.Text;
            std::int64_t rowShift = 0, colShift = 0;
            if (f.Shared >= 0) {
                const auto shared = m_sheet.m_shared.find(static_cast<std::uint64_t>(f.Shared));
                if (shared == m_sheet.m_shared.end())
                    throw TFormulaFailure{f.Row, f.Col, "", "a shared formula whose first cell is missing"};
                text = shared->second.Text;
                rowShift = std::int64_t(f.Row) - shared->second.Row;
                colShift = std::int64_t(f.Col) - shared->second.Col;
            }
            TFormulaValue v = EvaluateFormula(text, *this, rowShift, colShift);
            TPendingFormula& done = m_sheet.m_pending[index];
            done.Value = std::move(v);
            done.State = 2;
        } catch (const EFormulaUnsupported& e) {
            TPendingFormula& failed = m_sheet.m_pending[index];
            std::string text = failed.Text;
            if (failed.Shared >= 0)
                if (const auto shared = m_sheet.m_shared.find(static_cast<std::uint64_t>(failed.Shared));
                    shared != m_sheet.m_shared.end())
                    text = shared->second.Text;
            throw TFormulaFailure{failed.Row, failed.Col, text, e.what()};
        }
        --m_depth;
        return m_sheet.m_pending[index].Value;
    }

private:
    static constexpr int MaxDepth = 200;

    std::vector<TRawCell>::const_iterator Find(std::uint32_t row, std::uint32_t col) const
    {
        const auto& values = m_sheet.m_values;
        return std::lower_bound(values.begin(), values.end(), std::make_pair(row, col),
                                [](const TRawCell& c, const std::pair<std::uint32_t, std::uint32_t>& key) {
                                    return Before(c.Row, c.Col, key.first, key.second);
                                });
    }

    TFormulaValue ValueOf(const TRawCell& cell)
    {
        if (cell.Pending)
            return Calculate(static_cast<std::size_t>(cell.Number));
        switch (cell.Kind) {
        case TFormulaValue::fvNumber: return TFormulaValue::Num(cell.Number);
        case TFormulaValue::fvBool: return TFormulaValue::Boolean(cell.Number != 0);
        case TFormulaValue::fvText:
        case TFormulaValue::fvError: {
            const auto& rows = m_sheet.Result;
            const std::size_t r = cell.Row - 1, c = cell.Col - 1;
            std::string text = r < rows.size() && c < rows[r].size() ? rows[r][c] : std::string();
            return cell.Kind == TFormulaValue::fvText ? TFormulaValue::Str(std::move(text))
                                                      : TFormulaValue::Err(std::move(text));
        }
        case TFormulaValue::fvEmpty: break;
        }
        return {};
    }

    TWorksheetHandler& m_sheet;
    int m_depth = 0;
    std::uint64_t m_steps = 0;
};

std::optional<TFormulaFailure> TWorksheetHandler::CalculateFormulas()
{
    if (m_pending.empty())
        return std::nullopt;
    TCalcHost host(*this);
    try {
        for (std::size_t i = 0; i < m_pending.size(); ++i)
            host.Calculate(i);
    } catch (const TFormulaFailure& failure) {
        return failure;
    } catch (const TCircular& at) {
        for (const TPendingFormula& f : m_pending)
            if (f.Row == at.Row && f.Col == at.Col)
                return TFormulaFailure{f.Row, f.Col,
                                       f.Shared >= 0 ? m_shared[static_cast<std::uint64_t>(f.Shared)].Text : f.Text,
                                       "the formula reads its own result (a circular reference)"};
        return TFormulaFailure{at.Row, at.Col, "", "a circular reference"};
    }
    for (const TPendingFormula& f : m_pending) {
        const std::string text = f.Value.Kind == TFormulaValue::fvNumber ? NumberCellText(f.Value.Number, f.Format)
                                                                         : FormulaValueText(f.Value);
        if (!text.empty())
            Store(f.Row, f.Col, text);  // past the text bound: raises, the parser being done
    }
    return std::nullopt;
}

}  // namespace xlio::detail
