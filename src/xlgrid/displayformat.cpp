#include "xlgrid/displayformat.h"

#include "xlgrid/variant.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

namespace xlgrid {

namespace {

// A non-negative decimal number: 0.d1d2...dn x 10^intLen, digits without
// trailing zeros; no digits means zero.
struct Decimal {
    std::string digits;
    int intLen = 0;

    bool IsZero() const { return digits.empty(); }

    // Digit k counted from the leading one; 0 outside the stored digits.
    char DigitAt(int k) const { return k >= 0 && k < int(digits.size()) ? digits[size_t(k)] : '0'; }

    void StripZeros()
    {
        while (!digits.empty() && digits.back() == '0')
            digits.pop_back();
    }

    // Rounds to `decimals` places, half away from zero on the decimal digits.
    void Round(int decimals)
    {
        int keep = intLen + decimals;
        if (keep >= int(digits.size()))
            return;
        if (keep < 0) {
            digits.clear();
            return;
        }
        bool up = digits[size_t(keep)] >= '5';
        digits.resize(size_t(keep));
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digits[size_t(i)] == '9')
                digits[size_t(i--)] = '0';
            if (i >= 0) {
                ++digits[size_t(i)];
            } else {
                digits.insert(digits.begin(), '1');
                ++intLen;
            }
        }
        StripZeros();
    }
};

// The decimal value of |x| to 15 significant digits: what the number "is"
// to the user, so 0.1 + 0.2 is 0.3 and 1.005 rounds up to 1.01.
Decimal ToDecimal(double x)
{
    Decimal d;
    x = std::fabs(x);
    if (x == 0.0 || !std::isfinite(x))
        return d;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    std::string_view s(buf, size_t(res.ptr - buf));  // "d.dddddddddddddde+XX"
    size_t e = s.find('e');
    d.digits.push_back(s[0]);
    d.digits.append(s.substr(2, e - 2));
    int exp = 0;
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exp);
    d.intLen = exp + 1;
    d.StripZeros();
    return d;
}

std::string NonFinite(double x)
{
    if (std::isnan(x))
        return "NAN";
    return x < 0 ? "-INF" : "INF";
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// Splits at ";" outside quotes.
std::vector<std::string_view> SplitSections(std::string_view picture)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    char quote = 0;
    for (size_t i = 0; i < picture.size(); ++i) {
        char c = picture[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (IsQuote(c)) {
            quote = c;
        } else if (c == ';') {
            parts.push_back(picture.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(picture.substr(start));
    return parts;
}

// --- Number pictures --------------------------------------------------------

struct NumToken {
    enum Kind { Zero, Hash, Point, Literal, Exponent } kind;
    std::string text;       // Literal: the text; Exponent: "E+" etc.
    int expDigits = 0;      // Exponent: minimum digits
};

struct NumPicture {
    std::vector<NumToken> tokens;
    bool grouping = false;
    bool hasPlaceholders = false;
};

NumPicture ParseNumPicture(std::string_view pic)
{
    NumPicture p;
    bool pointSeen = false, digitSeen = false;
    auto literal = [&](std::string_view t) {
        if (!p.tokens.empty() && p.tokens.back().kind == NumToken::Literal)
            p.tokens.back().text.append(t);
        else
            p.tokens.push_back({NumToken::Literal, std::string(t)});
    };
    for (size_t i = 0; i < pic.size(); ++i) {
        char c = pic[i];
        if (IsQuote(c)) {
            size_t end = pic.find(c, i + 1);
            if (end == std::string_view::npos)
                end = pic.size();
            literal(pic.substr(i + 1, end - i - 1));
            i = end;
        } else if (c == '\\' && i + 1 < pic.size()) {
            literal(pic.substr(++i, 1));
        } else if (c == '0' || c == '#') {
            p.tokens.push_back({c == '0' ? NumToken::Zero : NumToken::Hash, {}});
            digitSeen = p.hasPlaceholders = true;
        } else if (c == '.' && !pointSeen) {
            p.tokens.push_back({NumToken::Point, {}});
            pointSeen = true;
        } else if (c == ',' && !pointSeen && digitSeen) {
            p.grouping = true;
        } else if ((c == 'E' || c == 'e') && digitSeen && i + 2 < pic.size() &&
                   (pic[i + 1] == '+' || pic[i + 1] == '-') && (pic[i + 2] == '0' || pic[i + 2] == '#')) {
            NumToken t{NumToken::Exponent, std::string(pic.substr(i, 2))};
            i += 2;
            while (i < pic.size() && (pic[i] == '0' || pic[i] == '#')) {
                if (pic[i] == '0')
                    ++t.expDigits;
                ++i;
            }
            --i;
            p.tokens.push_back(std::move(t));
        } else {
            literal(pic.substr(i, 1));
        }
    }
    return p;
}

bool IsDigitToken(const NumToken& t) { return t.kind == NumToken::Zero || t.kind == NumToken::Hash; }

// Formats |x| with one section; `zero` tells whether it rounded to zero.
std::string FormatSection(const NumPicture& p, double x, bool& zero)
{
    const auto& toks = p.tokens;
    const ProcessFormats& f = Formats();
    if (!p.hasPlaceholders) {
        zero = x == 0.0;
        std::string out;
        for (const NumToken& t : toks)
            out += t.kind == NumToken::Point ? std::string(1, f.DecimalSeparator) : t.text;
        return out;
    }

    size_t n = toks.size(), firstPh = n, lastPh = 0, pointIdx = n, expIdx = n;
    for (size_t i = 0; i < n; ++i) {
        if (IsDigitToken(toks[i]) && expIdx == n) {
            firstPh = std::min(firstPh, i);
            lastPh = i;
        } else if (toks[i].kind == NumToken::Point && expIdx == n) {
            pointIdx = i;
        } else if (toks[i].kind == NumToken::Exponent && expIdx == n) {
            expIdx = i;
        }
    }
    const bool hasPoint = pointIdx < n;
    const size_t start = std::min(firstPh, pointIdx);
    const size_t intEnd = hasPoint ? pointIdx : lastPh + 1;
    const size_t fracEnd = hasPoint ? std::max(pointIdx + 1, lastPh + 1) : intEnd;

    int intCount = 0, minInt = 0, fracCount = 0, minFrac = 0;
    for (size_t i = start; i < intEnd; ++i) {
        if (!IsDigitToken(toks[i]))
            continue;
        ++intCount;
        if (toks[i].kind == NumToken::Zero && minInt == 0)
            minInt = 1;
        else if (minInt > 0)
            ++minInt;
    }
    for (size_t i = intEnd; i < fracEnd; ++i) {
        if (!IsDigitToken(toks[i]))
            continue;
        ++fracCount;
        if (toks[i].kind == NumToken::Zero)
            minFrac = fracCount;
    }

    Decimal d = ToDecimal(x);
    int exponent = 0;
    if (expIdx < n && !d.IsZero()) {
        const int wantInt = std::max(1, intCount);
        exponent = d.intLen - wantInt;
        d.intLen = wantInt;
        d.Round(fracCount);
        if (d.intLen > wantInt) {
            d.intLen = wantInt;
            ++exponent;
        }
    } else {
        d.Round(fracCount);
    }
    zero = d.IsZero();

    std::string intDigits;
    for (int k = 0; k < d.intLen; ++k)
        intDigits += d.DigitAt(k);
    if (int(intDigits.size()) < minInt)
        intDigits.insert(0, size_t(minInt) - intDigits.size(), '0');
    std::string fracDigits;
    int lastSig = minFrac;
    for (int k = 0; k < fracCount; ++k) {
        char c = d.DigitAt(d.intLen + k);
        fracDigits += c;
        if (c != '0')
            lastSig = std::max(lastSig, k + 1);
    }

    std::string out;
    for (size_t i = 0; i < start; ++i)
        out += toks[i].text;

    // The integer part is built right to left: each placeholder takes one
    // digit, the leftmost takes all that remain, literals between
    // placeholders show only inside the number.
    std::string rev;
    size_t remaining = intDigits.size();
    int emitted = 0;
    auto emitDigit = [&] {
        if (p.grouping && emitted > 0 && emitted % 3 == 0)
            rev += f.ThousandSeparator;
        rev += intDigits[--remaining];
        ++emitted;
    };
    size_t leftmost = n;
    for (size_t i = start; i < intEnd; ++i)
        if (IsDigitToken(toks[i])) {
            leftmost = i;
            break;
        }
    if (leftmost == n) {
        while (remaining > 0)
            emitDigit();
    }
    for (size_t i = intEnd; i-- > start;) {
        const NumToken& t = toks[i];
        if (IsDigitToken(t)) {
            if (i == leftmost) {
                while (remaining > 0)
                    emitDigit();
            } else if (remaining > 0) {
                emitDigit();
            }
        } else if (t.kind == NumToken::Literal && remaining > 0) {
            rev.append(t.text.rbegin(), t.text.rend());
        }
    }
    out.append(rev.rbegin(), rev.rend());

    if (hasPoint && lastSig > 0) {
        out += f.DecimalSeparator;
        int k = 0;
        for (size_t i = pointIdx + 1; i < fracEnd; ++i) {
            const NumToken& t = toks[i];
            if (IsDigitToken(t)) {
                if (k < lastSig)
                    out += fracDigits[size_t(k)];
                ++k;
            } else if (t.kind == NumToken::Literal && k < lastSig) {
                out += t.text;
            }
        }
    }

    for (size_t i = fracEnd; i < n; ++i) {
        const NumToken& t = toks[i];
        if (t.kind == NumToken::Exponent) {
            std::string digits = std::to_string(std::abs(exponent));
            if (int(digits.size()) < t.expDigits)
                digits.insert(0, size_t(t.expDigits) - digits.size(), '0');
            out += t.text[0];
            if (exponent < 0)
                out += '-';
            else if (t.text[1] == '+')
                out += '+';
            out += digits;
        } else if (t.kind == NumToken::Point) {
            out += f.DecimalSeparator;
        } else if (!IsDigitToken(t)) {
            out += t.text;
        }
    }
    return out;
}

// --- Date pictures ------------------------------------------------------------

const char* const kShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view s, size_t pos, std::string_view word)
{
    if (pos + word.size() > s.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Lower(s[pos + i]) != word[i])
            return false;
    return true;
}

void AppendNumber(std::string& out, int value, int width)
{
    std::string s = std::to_string(value);
    if (int(s.size()) < width)
        out.append(size_t(width) - s.size(), '0');
    out += s;
}

// True when the picture has an am/pm marker outside quotes.
bool HasAmPm(std::string_view pic)
{
    char quote = 0;
    for (size_t i = 0; i < pic.size(); ++i) {
        char c = pic[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (IsQuote(c)) {
            quote = c;
        } else if (StartsWithNoCase(pic, i, "am/pm") || StartsWithNoCase(pic, i, "a/p") ||
                   StartsWithNoCase(pic, i, "ampm")) {
            return true;
        }
    }
    return false;
}

struct DateParts {
    int year, month, day, hour, minute, second, msec, dayOfWeek;
    bool hasTime;
};

void AppendDatePicture(std::string& out, std::string_view pic, const DateParts& t, int depth)
{
    const ProcessFormats& f = Formats();
    const bool twelve = HasAmPm(pic);
    char last = 0;  // the last specifier letter, for "m" after "h" = minutes
    for (size_t i = 0; i < pic.size();) {
        char c = pic[i];
        char lc = Lower(c);
        size_t run = 1;
        while (i + run < pic.size() && Lower(pic[i + run]) == lc)
            ++run;
        if (IsQuote(c)) {
            size_t end = pic.find(c, i + 1);
            if (end == std::string_view::npos)
                end = pic.size();
            out.append(pic.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        switch (lc) {
        case 'd':
            if (run == 1 || run == 2)
                AppendNumber(out, t.day, int(run));
            else if (run == 3)
                out += kShortDays[t.dayOfWeek];
            else if (run == 4)
                out += kLongDays[t.dayOfWeek];
            else if (depth == 0)
                AppendDatePicture(out, f.ShortDateFormat, t, depth + 1);
            break;
        case 'm':
            if (last == 'h')
                AppendNumber(out, t.minute, run >= 2 ? 2 : 1);
            else if (run <= 2)
                AppendNumber(out, t.month, int(run));
            else
                out += run == 3 ? kShortMonths[t.month - 1] : kLongMonths[t.month - 1];
            break;
        case 'y':
            if (run <= 2)
                AppendNumber(out, t.year % 100, 2);
            else
                AppendNumber(out, t.year, 4);
            break;
        case 'h': {
            int hour = t.hour;
            if (twelve) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            AppendNumber(out, hour, run >= 2 ? 2 : 1);
            break;
        }
        case 'n': AppendNumber(out, t.minute, run >= 2 ? 2 : 1); break;
        case 's': AppendNumber(out, t.second, run >= 2 ? 2 : 1); break;
        case 'z': AppendNumber(out, t.msec, run >= 3 ? 3 : 1); break;
        case 't':
            if (depth == 0)
                AppendDatePicture(out, run >= 2 ? f.LongTimeFormat : std::string("hh:nn"), t, depth + 1);
            break;
        case 'c':
            if (depth == 0) {
                AppendDatePicture(out, f.ShortDateFormat, t, depth + 1);
                if (t.hasTime) {
                    out += ' ';
                    AppendDatePicture(out, f.LongTimeFormat, t, depth + 1);
                }
            }
            break;
        case 'a': {
            bool pm = t.hour >= 12;
            bool upper = c == 'A';
            if (StartsWithNoCase(pic, i, "am/pm")) {
                out += upper ? (pm ? "PM" : "AM") : (pm ? "pm" : "am");
                run = 5;
            } else if (StartsWithNoCase(pic, i, "a/p")) {
                out += upper ? (pm ? 'P' : 'A') : (pm ? 'p' : 'a');
                run = 3;
            } else if (StartsWithNoCase(pic, i, "ampm")) {
                out += upper ? (pm ? "PM" : "AM") : (pm ? "pm" : "am");
                run = 4;
            } else {
                out += c;
                run = 1;
            }
            i += run;
            continue;
        }
        case '/':  // separators leave `last` alone: "hh:mm" is minutes
            out.append(run, f.DateSeparator);
            i += run;
            continue;
        case ':':
            out.append(run, f.TimeSeparator);
            i += run;
            continue;
        default:
            out.append(pic.substr(i, run));
            i += run;
            continue;
        }
        last = lc;
        i += run;
    }
}

// --- Edit masks -------------------------------------------------------------

size_t Utf8Length(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;  // a stray byte counts as one character
}

std::string_view NextChar(std::string_view s, size_t pos)
{
    return s.substr(pos, std::min(Utf8Length((unsigned char)s[pos]), s.size() - pos));
}

struct MaskElement {
    enum Kind { Literal, Digit, DigitOrSign, Letter, AlphaNum, Any } kind;
    bool required = false;
    char caseMode = 0;  // '>' upper, '<' lower, 0 as typed
    std::string literal;
};

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool Accepts(const MaskElement& e, std::string_view ch)
{
    const char c = ch[0];
    const bool digit = c >= '0' && c <= '9';
    const bool letter = IsAsciiLetter(c) || (unsigned char)c >= 0x80;
    switch (e.kind) {
    case MaskElement::Digit: return digit;
    case MaskElement::DigitOrSign: return digit || c == '+' || c == '-';
    case MaskElement::Letter: return letter;
    case MaskElement::AlphaNum: return letter || digit;
    case MaskElement::Any: return true;
    case MaskElement::Literal: return false;
    }
    return false;
}

// Finds the ";" field separators of a mask, skipping escaped characters.
std::vector<size_t> MaskSeparators(std::string_view mask)
{
    std::vector<size_t> seps;
    for (size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] == '\\')
            ++i;
        else if (mask[i] == ';')
            seps.push_back(i);
    }
    return seps;
}

}  // namespace

// --- Public functions -------------------------------------------------------

std::pair<std::string_view, std::string_view> SplitFormat(std::string_view format)
{
    size_t bar = format.find('|');
    if (bar == std::string_view::npos)
        return {format, {}};
    return {format.substr(0, bar), format.substr(bar + 1)};
}

std::string FormatGeneral(double x)
{
    if (!std::isfinite(x))
        return NonFinite(x);
    Decimal d = ToDecimal(x);
    if (d.IsZero())
        return "0";  // negative zero too
    const char point = Formats().DecimalSeparator;
    const int n = int(d.digits.size());
    const int exp = d.intLen - 1;
    std::string out = x < 0 ? "-" : "";
    if (exp >= -5 && exp < 15) {
        if (d.intLen <= 0) {
            out += '0';
            out += point;
            out.append(size_t(-d.intLen), '0');
            out += d.digits;
        } else if (d.intLen >= n) {
            out += d.digits;
            out.append(size_t(d.intLen - n), '0');
        } else {
            out.append(d.digits, 0, size_t(d.intLen));
            out += point;
            out.append(d.digits, size_t(d.intLen));
        }
    } else {
        out += d.digits[0];
        if (n > 1) {
            out += point;
            out.append(d.digits, 1);
        }
        out += 'E';
        out += std::to_string(exp);
    }
    return out;
}

std::string FormatFloat(std::string_view picture, double x)
{
    if (!std::isfinite(x))
        return NonFinite(x);
    if (picture.empty())
        return FormatGeneral(x);
    std::vector<std::string_view> sections = SplitSections(picture);
    const bool negative = x < 0;
    const size_t chosen = negative && sections.size() > 1 && !sections[1].empty() ? 1 : 0;
    if (sections[chosen].empty())
        return FormatGeneral(x);
    NumPicture pic = ParseNumPicture(sections[chosen]);
    bool zero = false;
    std::string out = FormatSection(pic, std::fabs(x), zero);
    if (zero) {
        // A value that shows as zero never carries a sign; it takes the
        // zero section when there is one.
        if (sections.size() > 2 && !sections[2].empty())
            return FormatSection(ParseNumPicture(sections[2]), 0.0, zero);
        if (chosen == 1)
            return FormatSection(ParseNumPicture(sections[0]), 0.0, zero);
        return out;
    }
    if (negative && chosen == 0 && pic.hasPlaceholders)
        out.insert(0, 1, '-');
    return out;
}

std::string FormatNumberDisplay(std::string_view displayPart, double x)
{
    if (displayPart.find('%') == std::string_view::npos)
        return FormatFloat(displayPart, x);
    std::string rest;
    for (char c : displayPart)
        if (c != '%')
            rest += c;
    return FormatFloat(rest, x * 100.0) + "%";
}

std::string FormatDateTime(std::string_view picture, double dt)
{
    if (picture.empty())
        return DateTimeToStr(dt);
    DateParts t{};
    DecodeDate(dt, t.year, t.month, t.day);
    DecodeTime(dt, t.hour, t.minute, t.second, t.msec);
    t.hasTime = t.hour || t.minute || t.second || t.msec;
    double days = std::isfinite(dt) ? std::trunc(std::clamp(dt, -693593.0, 2958465.0)) : 0.0;
    t.dayOfWeek = int((int64_t(days) % 7 + 7 + 6) % 7);
    std::string out;
    AppendDatePicture(out, picture, t, 0);
    return out;
}

std::string FormatDateTimeDisplay(std::string_view displayPart, double dt)
{
    size_t semi = displayPart.find(';');
    if (dt != 0.0)
        return FormatDateTime(displayPart.substr(0, semi), dt);
    if (semi == std::string_view::npos)
        return {};
    std::string_view zeroPart = displayPart.substr(semi + 1);
    return zeroPart.empty() ? std::string() : FormatDateTime(zeroPart, dt);
}

std::string FormatBooleanDisplay(std::string_view displayPart, bool value)
{
    size_t semi = displayPart.find(';');
    if (value)
        return std::string(displayPart.substr(0, semi));
    if (semi == std::string_view::npos)
        return {};
    return std::string(displayPart.substr(semi + 1));
}

TXLMaskParts SplitEditMask(std::string_view mask)
{
    TXLMaskParts parts;
    parts.Mask = mask;
    std::vector<size_t> seps = MaskSeparators(mask);
    if (seps.size() >= 2) {
        size_t a = seps[seps.size() - 2], b = seps.back();
        parts.SaveLiterals = mask.substr(a + 1, b - a - 1) != "0";
        if (b + 1 < mask.size())
            parts.Blank = NextChar(mask, b + 1);
        parts.Mask = mask.substr(0, a);
    } else if (seps.size() == 1) {
        parts.SaveLiterals = mask.substr(seps[0] + 1) != "0";
        parts.Mask = mask.substr(0, seps[0]);
    }
    return parts;
}

std::string FormatMaskText(std::string_view mask, std::string_view text)
{
    TXLMaskParts parts = SplitEditMask(mask);
    mask = parts.Mask;
    bool saveLiterals = parts.SaveLiterals;
    std::string_view blank = parts.Blank;

    const ProcessFormats& f = Formats();
    std::vector<MaskElement> elements;
    char caseMode = 0;
    for (size_t i = 0; i < mask.size();) {
        char c = mask[i];
        MaskElement e{MaskElement::Literal, false, 0, {}};
        e.caseMode = caseMode;
        switch (c) {
        case '\\':
            if (i + 1 < mask.size()) {
                e.literal = NextChar(mask, i + 1);
                i += 1 + e.literal.size();
                elements.push_back(std::move(e));
            } else {
                ++i;
            }
            continue;
        case '>': caseMode = '>'; ++i; continue;
        case '<':
            if (i + 1 < mask.size() && mask[i + 1] == '>') {  // "<>": as typed again
                caseMode = 0;
                i += 2;
            } else {
                caseMode = '<';
                ++i;
            }
            continue;
        case '!': ++i; continue;
        case '0': e.kind = MaskElement::Digit; e.required = true; break;
        case '9': e.kind = MaskElement::Digit; break;
        case '#': e.kind = MaskElement::DigitOrSign; break;
        case 'L': e.kind = MaskElement::Letter; e.required = true; break;
        case 'l': e.kind = MaskElement::Letter; break;
        case 'A': e.kind = MaskElement::AlphaNum; e.required = true; break;
        case 'a': e.kind = MaskElement::AlphaNum; break;
        case 'C': e.kind = MaskElement::Any; e.required = true; break;
        case 'c': e.kind = MaskElement::Any; break;
        case '_': e.literal = " "; break;
        case ':': e.literal = std::string(1, f.TimeSeparator); break;
        case '/': e.literal = std::string(1, f.DateSeparator); break;
        default: e.literal = NextChar(mask, i); break;
        }
        i += e.kind == MaskElement::Literal && c != '_' && c != ':' && c != '/' ? e.literal.size() : 1;
        elements.push_back(std::move(e));
    }

    std::string out;
    size_t ti = 0;
    for (size_t k = 0; k < elements.size(); ++k) {
        const MaskElement& e = elements[k];
        if (ti >= text.size()) {
            // The text ran out: close the mask with its trailing literals only
            // when no required position is left unfilled.
            bool open = std::any_of(elements.begin() + long(k), elements.end(),
                                    [](const MaskElement& m) { return m.required; });
            if (!open)
                for (size_t r = k; r < elements.size(); ++r)
                    out += elements[r].literal;
            break;
        }
        std::string_view ch = NextChar(text, ti);
        if (e.kind == MaskElement::Literal) {
            out += e.literal;
            if (saveLiterals && ch == e.literal)
                ti += ch.size();
            continue;
        }
        if (Accepts(e, ch)) {
            std::string piece(ch);
            if (e.caseMode == '>' && piece[0] >= 'a' && piece[0] <= 'z')
                piece[0] = char(piece[0] - 'a' + 'A');
            else if (e.caseMode == '<' && piece[0] >= 'A' && piece[0] <= 'Z')
                piece[0] = char(piece[0] - 'A' + 'a');
            out += piece;
            ti += ch.size();
        } else if (ch == blank || ch == " ") {
            out += ' ';  // an empty position
            ti += ch.size();
        } else if (!e.required) {
            continue;  // optional position left empty; the character may fit later
        } else {
            break;  // does not fit: show the result as far as it goes
        }
    }
    return out;
}

}  // namespace xlgrid
