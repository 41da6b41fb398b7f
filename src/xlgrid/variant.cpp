#include "xlgrid/variant.h"

#include "xlgrid/displayformat.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace xlgrid {

namespace {

constexpr double kMsPerDay = 86400000.0;
// 0001-01-01 and 9999-12-31 as day numbers: the range a date can be shown in.
constexpr double kMinDate = -693593.0;
constexpr double kMaxDate = 2958465.0;

[[noreturn]] void ThrowConversion(VarType from, VarType to)
{
    throw EVariantError(std::string("Could not convert variant of type (") + VarTypeName(from) +
                        ") into type (" + VarTypeName(to) + ")");
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// Rounds half to even on the number's 15-digit decimal value, so that the
// binary noise of 0.00015 * 10000 (1.4999999999999998) still counts as a tie.
double RoundHalfEven(double x)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    double decimal = x;
    std::from_chars(buf, res.ptr, decimal);
    return std::nearbyint(decimal);
}

bool DoubleToInt32(double x, int32_t& out)
{
    if (!std::isfinite(x))
        return false;
    double r = RoundHalfEven(x);
    if (r < -2147483648.0 || r > 2147483647.0)
        return false;
    out = int32_t(r);
    return true;
}

bool DoubleToCurrency(double x, int64_t& out)
{
    if (!std::isfinite(x))
        return false;
    double r = RoundHalfEven(x * 10000.0);
    if (!std::isfinite(r))
        return false;
    // 2^63 is exactly representable; anything at or beyond it overflows.
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0)
        return false;
    out = int64_t(r);
    return true;
}

std::string CurrencyToStr(int64_t cur)
{
    bool neg = cur < 0;
    uint64_t mag = neg ? uint64_t(0) - uint64_t(cur) : uint64_t(cur);
    std::string text = std::to_string(mag / 10000);
    uint64_t frac = mag % 10000;
    if (frac != 0) {
        char buf[5];
        for (int i = 3; i >= 0; --i) {
            buf[i] = char('0' + frac % 10);
            frac /= 10;
        }
        int len = 4;
        while (buf[len - 1] == '0')
            --len;
        text += '.';
        text.append(buf, size_t(len));
    }
    return neg ? "-" + text : text;
}

// Rounds cur / 10000 half to even, in integers so no precision is lost.
bool CurrencyToInt32(int64_t cur, int32_t& out)
{
    int64_t q = cur / 10000, r = cur % 10000;
    if (r > 5000 || (r == 5000 && (q & 1)))
        ++q;
    else if (r < -5000 || (r == -5000 && (q & 1)))
        --q;
    if (q < std::numeric_limits<int32_t>::min() || q > std::numeric_limits<int32_t>::max())
        return false;
    out = int32_t(q);
    return true;
}

// Parses an unsigned decimal field of 1..maxDigits digits at pos.
bool ReadNumber(std::string_view s, size_t& pos, int maxDigits, int& value, int& digits)
{
    value = 0;
    digits = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && digits < maxDigits) {
        value = value * 10 + (s[pos] - '0');
        ++pos;
        ++digits;
    }
    return digits > 0 && !(pos < s.size() && s[pos] >= '0' && s[pos] <= '9');
}

// Date "y-m-d" (or with "/"); pos is left after the day.
bool ScanDate(std::string_view s, size_t& pos, double& out)
{
    int year, month, day, yd, md, dd;
    if (!ReadNumber(s, pos, 4, year, yd))
        return false;
    if (pos >= s.size())
        return false;
    char sep = s[pos];
    if (sep != Formats().DateSeparator && sep != '/')
        return false;
    ++pos;
    if (!ReadNumber(s, pos, 2, month, md))
        return false;
    if (pos >= s.size() || s[pos] != sep)
        return false;
    ++pos;
    if (!ReadNumber(s, pos, 2, day, dd))
        return false;
    if (yd <= 2) // two-digit years: 00-49 are 20xx, 50-99 are 19xx
        year += year < 50 ? 2000 : 1900;
    else if (yd == 3)
        return false;
    return TryEncodeDate(year, month, day, out);
}

// Time "h:n[:s[.zzz]][ am|pm]"; pos is left after the time.
bool ScanTime(std::string_view s, size_t& pos, double& out)
{
    int hour, minute, second = 0, msec = 0, digits;
    const char tsep = Formats().TimeSeparator;
    if (!ReadNumber(s, pos, 2, hour, digits))
        return false;
    if (pos >= s.size() || s[pos] != tsep)
        return false;
    ++pos;
    if (!ReadNumber(s, pos, 2, minute, digits))
        return false;
    if (pos < s.size() && s[pos] == tsep) {
        ++pos;
        if (!ReadNumber(s, pos, 2, second, digits))
            return false;
        if (pos < s.size() && s[pos] == '.') {
            ++pos;
            int frac;
            if (!ReadNumber(s, pos, 3, frac, digits))
                return false;
            msec = frac * (digits == 1 ? 100 : digits == 2 ? 10 : 1);
        }
    }
    size_t p = pos;
    while (p < s.size() && s[p] == ' ')
        ++p;
    if (p + 2 <= s.size()) {
        std::string_view mark = s.substr(p, 2);
        bool am = EqualsNoCase(mark, "am"), pm = EqualsNoCase(mark, "pm");
        if (am || pm) {
            if (hour < 1 || hour > 12)
                return false;
            hour = hour % 12 + (pm ? 12 : 0);
            pos = p + 2;
        }
    }
    return TryEncodeTime(hour, minute, second, msec, out);
}

// Days from 1970-01-01 for a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = int64_t(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(y + (month <= 2));
}

// 1899-12-30 is day 0 of the sheet and day -25569 of 1970.
constexpr int64_t kEpochShift = 25569;

}  // namespace

const char* VarTypeName(VarType type)
{
    switch (type) {
    case VarType::Unassigned: return "Unassigned";
    case VarType::Null: return "Null";
    case VarType::Integer: return "Integer";
    case VarType::Double: return "Double";
    case VarType::Currency: return "Currency";
    case VarType::Date: return "Date";
    case VarType::Boolean: return "Boolean";
    case VarType::String: return "String";
    }
    return "Unknown";
}

// --- Variant ---------------------------------------------------------------

Variant Variant::Null() noexcept
{
    Variant v;
    v.m_type = VarType::Null;
    return v;
}

Variant Variant::FromCurrency(int64_t scaled) noexcept
{
    Variant v;
    v.m_type = VarType::Currency;
    v.m_cur = scaled;
    return v;
}

Variant Variant::FromDate(double days) noexcept
{
    Variant v(days);
    v.m_type = VarType::Date;
    return v;
}

Variant::Variant(const Variant& other) : m_type(VarType::Unassigned)
{
    CopyFrom(other);
}

Variant::Variant(Variant&& other) noexcept : m_type(VarType::Unassigned)
{
    MoveFrom(std::move(other));
}

Variant& Variant::operator=(const Variant& other)
{
    if (this != &other) {
        if (m_type == VarType::String && other.m_type == VarType::String) {
            m_str = other.m_str;
        } else {
            Variant copy(other);  // a throwing string copy leaves *this intact
            Reset();
            MoveFrom(std::move(copy));
        }
    }
    return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept
{
    if (this != &other) {
        Reset();
        MoveFrom(std::move(other));
    }
    return *this;
}

Variant::~Variant() { Reset(); }

void Variant::Reset() noexcept
{
    if (m_type == VarType::String)
        m_str.~basic_string();
    m_type = VarType::Unassigned;
    m_cur = 0;
}

void Variant::CopyFrom(const Variant& other)
{
    if (other.m_type == VarType::String)
        new (&m_str) std::string(other.m_str);
    else
        std::memcpy(static_cast<void*>(&m_cur), &other.m_cur, sizeof m_cur);
    m_type = other.m_type;
}

void Variant::MoveFrom(Variant&& other) noexcept
{
    if (other.m_type == VarType::String) {
        new (&m_str) std::string(std::move(other.m_str));
        other.Reset();
        m_type = VarType::String;
    } else {
        std::memcpy(static_cast<void*>(&m_cur), &other.m_cur, sizeof m_cur);
        m_type = other.m_type;
    }
}

int32_t Variant::Int() const noexcept
{
    assert(m_type == VarType::Integer);
    return m_int;
}

double Variant::Dbl() const noexcept
{
    assert(m_type == VarType::Double || m_type == VarType::Date);
    return m_dbl;
}

int64_t Variant::Cur() const noexcept
{
    assert(m_type == VarType::Currency);
    return m_cur;
}

bool Variant::Bool() const noexcept
{
    assert(m_type == VarType::Boolean);
    return m_bool;
}

const std::string& Variant::Str() const noexcept
{
    assert(m_type == VarType::String);
    return m_str;
}

bool operator==(const Variant& a, const Variant& b) noexcept
{
    if (a.m_type != b.m_type)
        return false;
    switch (a.m_type) {
    case VarType::Unassigned:
    case VarType::Null: return true;
    case VarType::Integer: return a.m_int == b.m_int;
    case VarType::Double:
    case VarType::Date: return a.m_dbl == b.m_dbl;
    case VarType::Currency: return a.m_cur == b.m_cur;
    case VarType::Boolean: return a.m_bool == b.m_bool;
    case VarType::String: return a.m_str == b.m_str;
    }
    return false;
}

// --- Conversions -----------------------------------------------------------

std::string VarToStr(const Variant& v)
{
    switch (v.Type()) {
    case VarType::Unassigned:
    case VarType::Null: return {};
    case VarType::Integer: return std::to_string(v.Int());
    case VarType::Double: return FormatGeneral(v.Dbl());
    case VarType::Currency: return CurrencyToStr(v.Cur());
    case VarType::Date: return DateTimeToStr(v.Dbl());
    case VarType::Boolean: return v.Bool() ? "True" : "False";
    case VarType::String: return v.Str();
    }
    return {};
}

double VarToFloat(const Variant& v)
{
    switch (v.Type()) {
    case VarType::Unassigned: return 0.0;
    case VarType::Integer: return v.Int();
    case VarType::Double:
    case VarType::Date: return v.Dbl();
    case VarType::Currency: return double(v.Cur()) / 10000.0;
    case VarType::Boolean: return v.Bool() ? 1.0 : 0.0;
    case VarType::String: {
        double x;
        if (TryStrToFloat(v.Str(), x))
            return x;
        break;
    }
    case VarType::Null: break;
    }
    ThrowConversion(v.Type(), VarType::Double);
}

int32_t VarToInt(const Variant& v)
{
    int32_t out = 0;
    switch (v.Type()) {
    case VarType::Unassigned: return 0;
    case VarType::Integer: return v.Int();
    case VarType::Boolean: return v.Bool() ? 1 : 0;
    case VarType::Currency:
        if (CurrencyToInt32(v.Cur(), out))
            return out;
        break;
    case VarType::Double:
    case VarType::Date:
        if (DoubleToInt32(v.Dbl(), out))
            return out;
        break;
    case VarType::String: {
        double x;
        if (TryStrToFloat(v.Str(), x) && DoubleToInt32(x, out))
            return out;
        break;
    }
    case VarType::Null: break;
    }
    ThrowConversion(v.Type(), VarType::Integer);
}

int64_t VarToCurrency(const Variant& v)
{
    int64_t out = 0;
    switch (v.Type()) {
    case VarType::Unassigned: return 0;
    case VarType::Integer: return int64_t(v.Int()) * 10000;
    case VarType::Currency: return v.Cur();
    case VarType::Boolean: return v.Bool() ? 10000 : 0;
    case VarType::Double:
    case VarType::Date:
        if (DoubleToCurrency(v.Dbl(), out))
            return out;
        break;
    case VarType::String: {
        double x;
        if (TryStrToFloat(v.Str(), x) && DoubleToCurrency(x, out))
            return out;
        break;
    }
    case VarType::Null: break;
    }
    ThrowConversion(v.Type(), VarType::Currency);
}

double VarToDateTime(const Variant& v)
{
    if (v.Type() == VarType::String) {
        double dt;
        if (TryStrToDateTime(v.Str(), dt) || TryStrToDate(v.Str(), dt) || TryStrToTime(v.Str(), dt) ||
            TryStrToFloat(v.Str(), dt))
            return dt;
        ThrowConversion(VarType::String, VarType::Date);
    }
    if (v.Type() == VarType::Null)
        ThrowConversion(VarType::Null, VarType::Date);
    return VarToFloat(v);
}

bool VarToBool(const Variant& v)
{
    switch (v.Type()) {
    case VarType::Unassigned: return false;
    case VarType::Integer: return v.Int() != 0;
    case VarType::Double:
    case VarType::Date: return v.Dbl() != 0.0;
    case VarType::Currency: return v.Cur() != 0;
    case VarType::Boolean: return v.Bool();
    case VarType::String: {
        std::string_view s = Trim(v.Str());
        if (EqualsNoCase(s, "true"))
            return true;
        if (EqualsNoCase(s, "false"))
            return false;
        double x;
        if (TryStrToFloat(s, x))
            return x != 0.0;
        break;
    }
    case VarType::Null: break;
    }
    ThrowConversion(v.Type(), VarType::Boolean);
}

Variant VarAsType(const Variant& v, VarType type)
{
    switch (type) {
    case VarType::Unassigned: return Variant();
    case VarType::Null: return Variant::Null();
    case VarType::Integer: return Variant(VarToInt(v));
    case VarType::Double: return Variant(VarToFloat(v));
    case VarType::Currency: return Variant::FromCurrency(VarToCurrency(v));
    case VarType::Date: return Variant::FromDate(VarToDateTime(v));
    case VarType::Boolean: return Variant(VarToBool(v));
    case VarType::String: return Variant(VarToStr(v));
    }
    return Variant();
}

// --- Process formats, parsing, calendar ------------------------------------

const ProcessFormats& Formats()
{
    static const ProcessFormats formats;
    return formats;
}

bool TryStrToFloat(std::string_view text, double& out)
{
    std::string_view s = Trim(text);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    // The number grammar is checked here so that from_chars' own extras
    // ("inf", "nan", hexadecimal) are refused and "03:" is not half-read.
    size_t i = 0;
    if (i < s.size() && s[i] == '-')
        ++i;
    size_t mantissaDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        ++i, ++mantissaDigits;
    if (i < s.size() && s[i] == Formats().DecimalSeparator) {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0)
        return false;
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            negativeExponent = s[i++] == '-';
        size_t expDigits = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i, ++expDigits;
        if (expDigits == 0)
            return false;
    }
    if (i != s.size())
        return false;
    double x = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), x);
    if (ec == std::errc::result_out_of_range) {
        if (!negativeExponent)
            return false;  // overflow: no infinity from text
        x = 0.0;           // underflow: the number is zero
    } else if (ec != std::errc() || end != s.data() + s.size()) {
        return false;
    }
    out = x;
    return true;
}

bool TryEncodeDate(int year, int month, int day, double& out)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int maxDay = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    if (day > maxDay)
        return false;
    out = double(DaysFromCivil(year, unsigned(month), unsigned(day)) + kEpochShift);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, double& out)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
        msec > 999)
        return false;
    out = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / kMsPerDay;
    return true;
}

namespace {

// Splits a date-time into a day number and milliseconds of that day. Before
// 1899-12-30 the fraction still counts forward from midnight (-1.25 is
// 1899-12-29 06:00). Values outside the calendar are clamped to it.
void SplitDateTime(double dt, int64_t& day, int64_t& ms)
{
    if (!std::isfinite(dt))
        dt = 0.0;
    dt = std::clamp(dt, kMinDate, kMaxDate + 0.99999999);
    double whole = std::trunc(dt);
    day = int64_t(whole);
    ms = std::llround(std::fabs(dt - whole) * kMsPerDay);
    if (ms >= int64_t(kMsPerDay)) {
        ms = 0;
        day += dt < 0 ? -1 : 1;
    }
}

}  // namespace

void DecodeDate(double dt, int& year, int& month, int& day)
{
    int64_t d, ms;
    SplitDateTime(dt, d, ms);
    CivilFromDays(d - kEpochShift, year, month, day);
}

void DecodeTime(double dt, int& hour, int& minute, int& second, int& msec)
{
    int64_t d, ms;
    SplitDateTime(dt, d, ms);
    hour = int(ms / 3600000);
    minute = int(ms / 60000 % 60);
    second = int(ms / 1000 % 60);
    msec = int(ms % 1000);
}

bool TryStrToDate(std::string_view text, double& out)
{
    std::string_view s = Trim(text);
    size_t pos = 0;
    double d;
    if (!ScanDate(s, pos, d) || pos != s.size())
        return false;
    out = d;
    return true;
}

bool TryStrToTime(std::string_view text, double& out)
{
    std::string_view s = Trim(text);
    size_t pos = 0;
    double t;
    if (!ScanTime(s, pos, t) || pos != s.size())
        return false;
    out = t;
    return true;
}

bool TryStrToDateTime(std::string_view text, double& out)
{
    std::string_view s = Trim(text);
    size_t pos = 0;
    double d, t;
    if (!ScanDate(s, pos, d))
        return false;
    if (pos == s.size()) {
        out = d;
        return true;
    }
    if (s[pos] != ' ' && s[pos] != 'T')
        return false;
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == 'T'))
        ++pos;
    if (!ScanTime(s, pos, t) || pos != s.size())
        return false;
    out = d < 0 ? d - t : d + t;
    return true;
}

std::string DateTimeToStr(double dt)
{
    if (!std::isfinite(dt) || dt < kMinDate || dt >= kMaxDate + 1.0)
        return FormatGeneral(dt);  // no calendar date: show the number itself
    int64_t day, ms;
    SplitDateTime(dt, day, ms);
    const ProcessFormats& f = Formats();
    if (day == 0)
        return FormatDateTime(f.LongTimeFormat, dt);
    if (ms == 0)
        return FormatDateTime(f.ShortDateFormat, dt);
    return FormatDateTime(f.ShortDateFormat + " " + f.LongTimeFormat, dt);
}

}  // namespace xlgrid
