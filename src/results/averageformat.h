#pragma once

#include <string>

namespace results {

// The text the pattern "0.##" gives: rounded to two decimals, half away from
// zero judged on the exact value of the double, no trailing zeros, no
// thousands separator, '.' as decimal separator (12.5, 100, 66.67).
std::string FormatAverage(double value);

}  // namespace results
