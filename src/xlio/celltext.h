#pragma once
// How a workbook's stored values become the texts an import delivers: numbers
// in their shortest decimal form, date and time serials in the program's fixed
// formats (yyyy-MM-dd, hh:nn:ss), shared by the xlsx and the xls reader.

#include <string>
#include <string_view>

namespace xlio {

enum TDateKind { dkNone, dkDate, dkTime, dkDateTime };

// The number as spreadsheet programs show it: rounded to 15 significant
// digits, then the shortest text of that (240.60000000000002 reads 240.6);
// no exponent for magnitudes from 1e-9 up to below 1e15, "-0" written as "0".
// Every reader turns numbers into roster text through this one function.
std::string NumberText(double value);

// Whether a text is exactly how a number is written at its shortest: an
// optional minus, digits without a leading zero, an optional fraction
// without trailing zeros, at most 15 significant digits, no exponent, no
// blanks, no plus. Such a text can become that number in a workbook and read
// back the same; any other text (00260103, 1.50, +5, 1e3) stays text.
bool IsShortestNumberText(std::string_view text, double& value);

// What a cell's number format does to the text of its number: a date or
// time kind, or, for a format of two or more zeros with literal text around
// them (00000000, "A"0000, 0000\-), the zero padding of whole numbers. Every
// other format leaves the number's own text (0"分" too: it pads nothing, and
// a score must stay a number).
struct TNumberFormat {
    TDateKind Date = dkNone;
    int ZeroDigits = 0;  // pads whole numbers to this many digits when > 1
    std::string Prefix, Suffix;
    bool operator==(const TNumberFormat&) const = default;
};

TNumberFormat ParseNumberFormat(std::string_view code);
TNumberFormat BuiltinNumberFormat(int id);

// The number's text under the format (dates as SerialText gives them).
std::string FormattedNumberText(double value, const TNumberFormat& format, bool date1904 = false);

// The serial (days since 30 December 1899, the 1900 date system; for the
// 1904 system pass date1904) as text of the given kind. Serials outside
// year 1900 .. 9999 are written as numbers, since no date names them.
std::string SerialText(double serial, TDateKind kind, bool date1904 = false);

// Which kind of value a number format code shows: looks at the first section
// only, outside quoted text, escapes and colour or condition brackets.
TDateKind FormatCodeKind(std::string_view code);

// The same for the built-in format numbers (including the East Asian ones).
TDateKind BuiltinFormatKind(int id);

}  // namespace xlio
