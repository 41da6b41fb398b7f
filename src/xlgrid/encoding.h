#pragma once
// Text is UTF-8 everywhere inside the program; files that hold code page 936
// text (settings, CSV, strings inside sheet files) are GB18030, the superset
// of GBK that can hold every character. These are the only conversions.

#include "xlgrid/xlerrors.h"

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

}  // namespace xlgrid
