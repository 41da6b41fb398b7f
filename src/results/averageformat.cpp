#include "results/averageformat.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace results {

std::string FormatAverage(double value)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    bool negative = std::signbit(value);
    // Three decimals of the exact binary value, cut, never rounded: sixty
    // decimals show the expansion far beyond what decides the rounding.
    // to_chars, not printf: the text must not follow the process locale's
    // decimal separator.
    char buf[400];
    auto [end, error] = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed, 60);
    if (error != std::errc())
        return "0";  // unreachable: 309 whole digits and 60 decimals fit
    std::string digits(buf, end);
    std::size_t point = digits.find('.');
    std::string whole = digits.substr(0, point);
    std::string frac = digits.substr(point + 1, 2);
    bool roundUp = digits[point + 3] >= '5';
    std::string number = whole + frac;  // value * 100, truncated
    if (roundUp) {
        int i = static_cast<int>(number.size()) - 1;
        while (i >= 0 && number[static_cast<std::size_t>(i)] == '9') {
            number[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0)
            number.insert(number.begin(), '1');
        else
            ++number[static_cast<std::size_t>(i)];
    }
    whole = number.substr(0, number.size() - 2);
    frac = number.substr(number.size() - 2);
    while (!frac.empty() && frac.back() == '0')
        frac.pop_back();
    std::string out = whole;
    if (!frac.empty())
        out += "." + frac;
    if (negative && out != "0")
        out.insert(out.begin(), '-');
    return out;
}

}  // namespace results
