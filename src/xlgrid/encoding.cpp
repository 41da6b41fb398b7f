#include "xlgrid/encoding.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace xlgrid {
namespace {

// Opening a converter costs far more than converting a short text (a sheet
// file holds a million of them), so each thread keeps one per direction.
class TConverter {
public:
    TConverter(const char* from, const char* to) : m_cd(iconv_open(to, from)) {}
    ~TConverter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    TConverter(const TConverter&) = delete;
    TConverter& operator=(const TConverter&) = delete;
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Converts in; on bytes not valid in the source encoding returns false and
// the offset of the first of them.
bool TryConvert(std::string_view in, const char* from, const char* to, std::string& out, size_t& bad)
{
    if (IsAscii(in)) {
        out.assign(in);
        return true;
    }
    thread_local TConverter toUtf8("GB18030", "UTF-8");
    thread_local TConverter fromUtf8("UTF-8", "GB18030");
    iconv_t cd = std::string_view(from) == "GB18030" ? toUtf8.Get() : fromUtf8.Get();
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw EEncodingError(std::string("no converter from ") + from + " to " + to);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state
    out.clear();
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t done = 0;
    while (srcLeft > 0) {
        char* dst = out.data() + done;
        size_t dstLeft = out.size() - done;
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        done = out.size() - dstLeft;
        if (rc != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        bad = in.size() - srcLeft;
        out.resize(done);
        return false;
    }
    out.resize(done);
    return true;
}

std::string Convert(std::string_view in, const char* from, const char* to)
{
    std::string out;
    size_t bad = 0;
    if (!TryConvert(in, from, to, out, bad))
        throw EEncodingError(std::string("text is not valid ") + from + " at byte " + std::to_string(bad));
    return out;
}

// Offset of the first byte that is not part of well-formed UTF-8, or npos.
size_t Utf8ErrorOffset(std::string_view text)
{
    size_t i = 0, n = text.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len;
        unsigned min;
        if ((c & 0xE0) == 0xC0) { len = 2; min = 0x80; }
        else if ((c & 0xF0) == 0xE0) { len = 3; min = 0x800; }
        else if ((c & 0xF8) == 0xF0) { len = 4; min = 0x10000; }
        else return i;
        if (i + len > n)
            return i;
        unsigned cp = c & (0x7F >> len);
        for (int k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80)
                return i;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return i;
        i += len;
    }
    return std::string_view::npos;
}

// Line and column (from 1, in characters) of the position just after the
// UTF-8 text before it; a line ends at CR LF, LF or CR.
EXLTextError ErrorAfter(std::string_view before, const std::string& reason)
{
    size_t line = 1, column = 1;
    for (size_t i = 0; i < before.size(); ++i) {
        char c = before[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < before.size() && before[i + 1] == '\n')
                ++i;
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return EXLTextError(line, column, reason);
}

std::string ByteText(unsigned char b)
{
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[b >> 4] + digits[b & 15];
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF", kGbBom = "\x84\x31\x95\x33";
constexpr std::string_view kUtf16LEBom = "\xFF\xFE", kUtf16BEBom = "\xFE\xFF";

TXLDecodedText DecodeUtf16(std::string_view bytes, TXLTextEncoding encoding)
{
    const bool little = encoding == TXLTextEncoding::Utf16LE;
    const std::string promise = std::string(" (the file's byte-order mark says ") + EncodingName(encoding) + ")";
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t k = 0; k < units.size(); ++k) {
        auto lo = static_cast<unsigned char>(bytes[2 * k + (little ? 0 : 1)]);
        auto hi = static_cast<unsigned char>(bytes[2 * k + (little ? 1 : 0)]);
        units[k] = static_cast<char16_t>(lo | (hi << 8));
    }
    for (size_t k = 0; k < units.size(); ++k) {
        char16_t u = units[k];
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units.size() && units[k + 1] >= 0xDC00 && units[k + 1] <= 0xDFFF) {
            ++k;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            throw ErrorAfter(Utf16ToUtf8(std::u16string_view(units).substr(0, k)),
                             "the lone surrogate " + ByteText(static_cast<unsigned char>(u >> 8)) +
                                 ByteText(static_cast<unsigned char>(u)).substr(2) + " is not UTF-16 text" + promise);
        }
    }
    std::string text = Utf16ToUtf8(units);
    if (bytes.size() % 2 != 0)
        throw ErrorAfter(text, "the file ends inside a UTF-16 character" + promise);
    return {std::move(text), encoding};
}

}  // namespace

std::string Gb18030ToUtf8(std::string_view gb) { return Convert(gb, "GB18030", "UTF-8"); }

std::string Utf8ToGb18030(std::string_view utf8) { return Convert(utf8, "UTF-8", "GB18030"); }

bool IsAscii(std::string_view text)
{
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

bool IsValidUtf8(std::string_view text) { return Utf8ErrorOffset(text) == std::string_view::npos; }

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Utf16ToUtf8(std::u16string_view units)
{
    std::string out;
    out.reserve(units.size() * 3);
    for (size_t i = 0; i < units.size(); ++i) {
        const char32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00u));
            ++i;
        } else {
            AppendUtf8(out, u);  // a lone surrogate becomes U+FFFD
        }
    }
    return out;
}

const char* EncodingName(TXLTextEncoding encoding)
{
    switch (encoding) {
    case TXLTextEncoding::Gb18030: return "GB18030";
    case TXLTextEncoding::Utf8: return "UTF-8";
    case TXLTextEncoding::Utf16LE: return "UTF-16LE";
    case TXLTextEncoding::Utf16BE: return "UTF-16BE";
    }
    return "?";
}

EXLTextError::EXLTextError(size_t line, size_t column, const std::string& reason)
    : EEncodingError("line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + reason),
      m_line(line), m_column(column), m_reason(reason)
{
}

std::string EXLTextError::Place() const
{
    return "line " + std::to_string(m_line) + ", column " + std::to_string(m_column);
}

TXLDecodedText DecodeTextFile(std::string_view bytes)
{
    if (bytes.substr(0, 2) == kUtf16LEBom)
        return DecodeUtf16(bytes.substr(2), TXLTextEncoding::Utf16LE);
    if (bytes.substr(0, 2) == kUtf16BEBom)
        return DecodeUtf16(bytes.substr(2), TXLTextEncoding::Utf16BE);
    const bool utf8Bom = bytes.substr(0, 3) == kUtf8Bom;
    const bool gbBom = bytes.substr(0, 4) == kGbBom;
    if (utf8Bom)
        bytes.remove_prefix(3);
    else if (gbBom)
        bytes.remove_prefix(4);
    const size_t utf8Bad = gbBom ? 0 : Utf8ErrorOffset(bytes);
    if (!gbBom && utf8Bad == std::string_view::npos)
        return {std::string(bytes), TXLTextEncoding::Utf8};
    if (utf8Bom)
        throw ErrorAfter(bytes.substr(0, utf8Bad), "the byte " + ByteText(static_cast<unsigned char>(bytes[utf8Bad])) +
                                                       " is not UTF-8 text (the file's byte-order mark says UTF-8)");
    TXLDecodedText gb{std::string(), TXLTextEncoding::Gb18030};
    size_t gbBad = 0;
    if (TryConvert(bytes, "GB18030", "UTF-8", gb.Text, gbBad))
        return gb;
    const unsigned char bad = static_cast<unsigned char>(bytes[gbBom ? gbBad : std::max(gbBad, utf8Bad)]);
    if (gbBom)
        throw ErrorAfter(gb.Text, "the byte " + ByteText(bad) +
                                      " is not GB18030 text (the file's byte-order mark says GB18030)");
    // Read as far as the encoding that got further: that is the file's own.
    const std::string reason = "the byte " + ByteText(bad) + " is neither UTF-8 nor GB18030 text (tried both)";
    if (utf8Bad >= gbBad)
        throw ErrorAfter(bytes.substr(0, utf8Bad), reason);
    throw ErrorAfter(gb.Text, reason);
}

}  // namespace xlgrid
