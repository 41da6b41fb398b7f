#include "xlio/celltext.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace xlio {

std::string NumberText(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0)
        return "0";
    char buf[400];
    // 15 significant digits first, then the shortest text of what they say.
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    double rounded = value;
    std::from_chars(buf, res.ptr, rounded);
    if (rounded == 0)
        return "0";
    const double mag = std::fabs(rounded);
    const auto format = (mag < 1e15 && mag >= 1e-9) ? std::chars_format::fixed : std::chars_format::general;
    res = std::to_chars(buf, buf + sizeof buf, rounded, format);
    return std::string(buf, res.ptr);
}

bool IsShortestNumberText(std::string_view text, double& value)
{
    std::size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
    std::size_t significant = 0;
    bool point = false, nonZero = false;
    for (std::size_t k = i; k < text.size(); ++k) {
        const char c = text[k];
        if (c == '.' && !point && k > i && k + 1 < text.size()) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            nonZero = nonZero || c != '0';
            significant += nonZero ? 1 : 0;
        } else {
            return false;
        }
    }
    if (significant > 15)
        return false;
    double parsed = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size())
        return false;
    // "-0", "007", "1.50", "0.10": not the shortest form of their number.
    if (parsed == 0 && text != "0")
        return false;
    if (NumberText(parsed) != text)
        return false;
    value = parsed;
    return true;
}

TNumberFormat ParseNumberFormat(std::string_view code)
{
    TNumberFormat out;
    out.Date = FormatCodeKind(code);
    if (out.Date != dkNone)
        return out;
    // One section of literal text, one run of zeros, literal text.
    std::string prefix, suffix;
    int zeros = 0;
    bool after = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        std::string* literal = after ? &suffix : &prefix;
        if (c == '0') {
            if (after)
                return out;
            ++zeros;
            if (i + 1 >= code.size() || code[i + 1] != '0')
                after = true;
        } else if (c == '"') {
            const std::size_t end = code.find('"', i + 1);
            if (end == std::string_view::npos)
                return out;
            literal->append(code.substr(i + 1, end - i - 1));
            i = end;
        } else if (c == '\\' && i + 1 < code.size()) {
            // One escaped character, which may be a UTF-8 sequence.
            std::size_t n = 1;
            while (i + 1 + n < code.size() && (static_cast<unsigned char>(code[i + 1 + n]) & 0xC0) == 0x80)
                ++n;
            literal->append(code.substr(i + 1, n));
            i += n;
        } else {
            return out;
        }
    }
    // One zero pads nothing: a score shown as 85"分" stays the number 85.
    if (zeros > 1) {
        out.ZeroDigits = zeros;
        out.Prefix = std::move(prefix);
        out.Suffix = std::move(suffix);
    }
    return out;
}

TNumberFormat BuiltinNumberFormat(int id)
{
    TNumberFormat out;
    out.Date = BuiltinFormatKind(id);
    return out;
}

std::string FormattedNumberText(double value, const TNumberFormat& format, bool date1904)
{
    if (format.Date != dkNone)
        return SerialText(value, format.Date, date1904);
    // Only whole numbers are padded: a fraction keeps every digit it has
    // rather than the rounding the format would show.
    if (format.ZeroDigits > 0 && std::isfinite(value) && std::trunc(value) == value && std::fabs(value) < 1e15) {
        std::string digits = NumberText(std::fabs(value));
        if (digits.size() < static_cast<std::size_t>(format.ZeroDigits))
            digits.insert(0, static_cast<std::size_t>(format.ZeroDigits) - digits.size(), '0');
        return (value < 0 ? "-" : "") + format.Prefix + digits + format.Suffix;
    }
    return NumberText(value);
}

namespace {

// Civil date from days since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(long long z, int& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yy + (m <= 2));
}

}  // namespace

std::string SerialText(double serial, TDateKind kind, bool date1904)
{
    if (kind == dkNone || !std::isfinite(serial))
        return NumberText(serial);
    double days = date1904 ? serial + 1462 : serial;
    // 2958466 is 10000-01-01; a time alone may exceed a day only as elapsed time.
    if (days < 0 || days >= 2958466)
        return NumberText(serial);
    long long seconds = std::llround(days * 86400.0);
    long long day = seconds / 86400;
    const long long secOfDay = seconds % 86400;
    char buf[40];
    std::string dateText;
    if (kind != dkTime) {
        // The 1900 system counts a 29 February 1900 that never was: serials
        // before it are one day behind the calendar.
        if (!date1904 && day == 60) {
            dateText = "1900-02-29";
        } else {
            if (!date1904 && day < 60 && day >= 1)
                day += 1;
            int y;
            unsigned m, d;
            CivilFromDays(day - 25569, y, m, d);  // 25569: 1899-12-30 .. 1970-01-01
            std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", y, m, d);
            dateText = buf;
        }
    }
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", secOfDay / 3600, secOfDay / 60 % 60, secOfDay % 60);
    switch (kind) {
    case dkDate: return dateText;
    case dkTime: return buf;
    default: return dateText + " " + buf;
    }
}

TDateKind FormatCodeKind(std::string_view code)
{
    bool date = false, time = false, minute = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == ';')
            break;
        if (c == '"') {
            const size_t end = code.find('"', i + 1);
            if (end == std::string_view::npos)
                break;
            i = end;
            continue;
        }
        if (c == '\\' || c == '_' || c == '*') {
            ++i;
            continue;
        }
        if (c == '[') {
            const size_t end = code.find(']', i + 1);
            if (end == std::string_view::npos)
                break;
            const std::string_view inner = code.substr(i + 1, end - i - 1);
            // Elapsed time [h] [mm] [ss]; the locale codes F800 and F400 are
            // the system's long date and time formats.
            if (!inner.empty() && (inner[0] == 'h' || inner[0] == 'H' || inner[0] == 's' || inner[0] == 'S'
                                   || inner[0] == 'm' || inner[0] == 'M'))
                time = true;
            if (inner.find("F800") != std::string_view::npos || inner.find("f800") != std::string_view::npos)
                date = true;
            if (inner.find("F400") != std::string_view::npos || inner.find("f400") != std::string_view::npos)
                time = true;
            i = end;
            continue;
        }
        switch (c) {
        case 'y': case 'Y': case 'd': case 'D':
            date = true;
            break;
        case 'h': case 'H': case 's': case 'S':
            time = true;
            break;
        case 'm': case 'M':
            minute = true;
            break;
        case 'A':
            if (code.substr(i, 5) == "AM/PM" || code.substr(i, 3) == "A/P")
                time = true;
            break;
        default:
            break;
        }
    }
    // A lone m is a month; next to hours or seconds it is minutes.
    if (minute && !time)
        date = true;
    if (date && time)
        return dkDateTime;
    if (date)
        return dkDate;
    return time ? dkTime : dkNone;
}

TDateKind BuiltinFormatKind(int id)
{
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || id == 36 || (id >= 50 && id <= 58))
        return dkDate;
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 35) || (id >= 45 && id <= 47))
        return dkTime;
    if (id == 22)
        return dkDateTime;
    return dkNone;
}

}  // namespace xlio
