#pragma once
// Text is UTF-8 everywhere inside the program; files that hold code page 936
// text (settings, CSV, strings inside sheet files) are GB18030, the superset
// of GBK that can hold every character. These are the only conversions.

#include "xlgrid/xlerrors.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace xlgrid {

class EEncodingError : public EXLGridError {
public:
    using EXLGridError::EXLGridError;
};

// Throws EEncodingError on bytes that are not valid in the source encoding.
std::string Gb18030ToUtf8(std::string_view gb);
std::string Utf8ToGb18030(std::string_view utf8);

// True when every byte sequence of the text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// Plain ASCII text is the same in both encodings and needs no conversion.
bool IsAscii(std::string_view text);

// One code point as UTF-8; a surrogate or a value past U+10FFFF becomes
// U+FFFD, which has a character of its own.
void AppendUtf8(std::string& out, char32_t cp);

// UTF-16 units as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);

// ---- text files ---------------------------------------------------------------

enum class TXLTextEncoding { Gb18030, Utf8, Utf16LE, Utf16BE };

// "UTF-8", "GB18030", "UTF-16LE", "UTF-16BE".
const char* EncodingName(TXLTextEncoding encoding);

// A text file that is none of the encodings tried. Line and Column (from 1,
// the column in characters) say where the first undecodable byte sits, read
// in the encoding that got furthest; Reason says which encodings were tried.
class EXLTextError : public EEncodingError {
public:
    EXLTextError(std::size_t line, std::size_t column, const std::string& reason);
    std::size_t Line() const { return m_line; }
    std::size_t Column() const { return m_column; }
    const std::string& Reason() const { return m_reason; }
    // "line 3, column 5"
    std::string Place() const;

private:
    std::size_t m_line;
    std::size_t m_column;
    std::string m_reason;
};

struct TXLDecodedText {
    std::string Text;  // UTF-8, without a byte-order mark
    TXLTextEncoding Encoding = TXLTextEncoding::Utf8;
};

// The one decision of what a text file (a CSV roster, a settings file) is:
// a byte-order mark names its encoding (UTF-8, UTF-16 LE or BE, GB18030);
// without one a file that is valid UTF-8 as a whole is UTF-8 (plain ASCII
// included), anything else GB18030. Throws EXLTextError.
TXLDecodedText DecodeTextFile(std::string_view bytes);

}  // namespace xlgrid
