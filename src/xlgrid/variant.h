#pragma once
// The value type of cells and formulas, and its conversions.
//
// Variant is a one-byte type tag beside a hand-made union of the payloads
// (int32, double, int64 fixed point, bool, std::string). The string member is
// constructed only while the tag is String, so every other kind costs no heap
// and sizeof(Variant) is 40 bytes on 64-bit libstdc++ (the string's 32 bytes
// plus the tag, padded). Copies of non-string values are a memcpy-sized copy.
//
// Conversions follow the classic variant rules of the sheet:
// - Unassigned converts to 0 / "" / false; Null converts to "" only, and to a
//   number or boolean it is an error.
// - Strings are trimmed of blanks and parsed as numbers in the process format
//   (decimal point "."; a thousands "," is not accepted inside numbers);
//   an empty string is not a number.
// - Doubles become integers and currency by rounding half to even on their
//   15-significant-digit decimal value (2.5 -> 2, 3.5 -> 4, 0.00015 -> 0.0002).
// Failed conversions throw EVariantError with a message naming both types.

#include "xlgrid/xlerrors.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace xlgrid {

enum class VarType : uint8_t { Unassigned, Null, Integer, Double, Currency, Date, Boolean, String };

// "Unassigned", "Null", "Integer", "Double", "Currency", "Date", "Boolean", "String".
const char* VarTypeName(VarType type);

class EVariantError : public EXLGridError {
public:
    using EXLGridError::EXLGridError;
};

class Variant {
public:
    Variant() noexcept : m_type(VarType::Unassigned) { m_int = 0; }
    Variant(int32_t value) noexcept : m_type(VarType::Integer) { m_int = value; }
    Variant(double value) noexcept : m_type(VarType::Double) { m_dbl = value; }
    Variant(bool value) noexcept : m_type(VarType::Boolean) { m_bool = value; }
    Variant(std::string value) : m_type(VarType::String) { new (&m_str) std::string(std::move(value)); }
    Variant(const char* value) : Variant(std::string(value ? value : "")) {}
    Variant(std::string_view value) : Variant(std::string(value)) {}

    static Variant Null() noexcept;
    // Currency is the amount times 10000 (four decimals, 64-bit fixed point).
    static Variant FromCurrency(int64_t scaled) noexcept;
    // Days since 30 December 1899; the time of day is the fraction.
    static Variant FromDate(double days) noexcept;

    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;
    ~Variant();

    VarType Type() const noexcept { return m_type; }
    bool IsUnassigned() const noexcept { return m_type == VarType::Unassigned; }
    bool IsNull() const noexcept { return m_type == VarType::Null; }
    bool IsNumeric() const noexcept
    {
        return m_type == VarType::Integer || m_type == VarType::Double || m_type == VarType::Currency;
    }

    // Raw payloads; the caller checks Type() first (asserted in debug builds).
    int32_t Int() const noexcept;
    double Dbl() const noexcept;  // Double and Date
    int64_t Cur() const noexcept;
    bool Bool() const noexcept;
    const std::string& Str() const noexcept;

    // Same type and same value (doubles compared with ==, so NaN != NaN).
    friend bool operator==(const Variant& a, const Variant& b) noexcept;

private:
    void Reset() noexcept;
    void CopyFrom(const Variant& other);
    void MoveFrom(Variant&& other) noexcept;

    union {
        int32_t m_int;
        double m_dbl;
        int64_t m_cur;
        bool m_bool;
        std::string m_str;
    };
    VarType m_type;
};

// Conversions; each throws EVariantError when the value cannot be converted.
// VarToStr: Unassigned/Null -> ""; integer -> decimal; double -> FormatGeneral;
// currency -> up to four decimals without trailing zeros; boolean -> "True" /
// "False"; date -> DateTimeToStr.
std::string VarToStr(const Variant& v);
int32_t VarToInt(const Variant& v);      // rounds half to even; range checked
double VarToFloat(const Variant& v);
int64_t VarToCurrency(const Variant& v); // scaled by 10000, rounded half to even
double VarToDateTime(const Variant& v);  // strings: date+time, date, time, then number
bool VarToBool(const Variant& v);        // "True"/"False" any case, or a number != 0

// Converts to the given type (Unassigned and Null give themselves).
Variant VarAsType(const Variant& v, VarType type);

// The formats of this process (fixed; the system settings are never read).
struct ProcessFormats {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    char DateSeparator = '-';
    char TimeSeparator = ':';
    std::string ShortDateFormat = "yyyy-MM-dd";
    std::string LongTimeFormat = "hh:nn:ss";
};
const ProcessFormats& Formats();

// Parsing in the process formats. Dates are year-month-day with one or two
// digit month and day ("-" or "/" between; two-digit years 00-49 are 20xx,
// 50-99 are 19xx),
// times are h:n or h:n:s with an optional ".zzz" fraction and "am"/"pm".
// Blanks around the text are ignored. Return false on anything else, leaving
// the output untouched.
bool TryStrToDateTime(std::string_view text, double& out);
bool TryStrToDate(std::string_view text, double& out);
bool TryStrToTime(std::string_view text, double& out);
// Number text: optional sign, digits, "." fraction, exponent; blanks trimmed.
// Overflow to infinity fails.
bool TryStrToFloat(std::string_view text, double& out);

// "yyyy-MM-dd", "yyyy-MM-dd hh:nn:ss" when the time is not midnight, or only
// "hh:nn:ss" when the date part is 0 (30 December 1899).
std::string DateTimeToStr(double dt);

// Calendar helpers (proleptic Gregorian; days since 30 December 1899).
bool TryEncodeDate(int year, int month, int day, double& out);
bool TryEncodeTime(int hour, int minute, int second, int msec, double& out);
void DecodeDate(double dt, int& year, int& month, int& day);
void DecodeTime(double dt, int& hour, int& minute, int& second, int& msec);

// Shortest text that gives the number back within 15 significant digits; plain
// notation for magnitudes in [1e-5, 1e15), else "1.5E20" / "1E-7" style.
std::string FormatGeneral(double x);

}  // namespace xlgrid
