#pragma once
// The small text rules the roster check, the division and the result sheets
// share: blank trimming, the number and grade-mark tests, the sort kinds and
// their stored texts, and the column names used in roster messages.

#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

// How the sort field's texts become keys: not at all (every key 0), as
// decimal numbers, or as grade marks.
enum TSortKind : std::uint8_t { skNone, skNumeric, skGrade };

// skNumeric for "数值型", skGrade for "等级型", skNone for anything else.
TSortKind SortKindOf(std::string_view sortFieldType);
// The stored SortFieldType text of a kind: "数值型", "等级型" or empty.
std::string_view SortFieldTypeText(TSortKind kind);

// Removes every byte up to and including the blank (control characters and
// the space) from both ends; multi-byte characters are never touched.
std::string_view TrimBlanks(std::string_view text);

// A whole decimal number: optional sign, digits with at most one '.', and an
// optional exponent 'E'/'e' with optional sign and at least one digit. At
// least one mantissa digit is required, so "", "+", "." and "e5" are not numbers.
bool IsNumber(std::string_view text);

// One of the 56 grade marks: 优 良 中 差, a-z, A-Z.
bool IsGradeLevel(std::string_view text);

// 差 1, 中 2, 良 3, 优 4; letters 27 minus their place in the alphabet
// (a/A 26 ... z/Z 1); anything else 0.
int GradeLevelValue(std::string_view text);

// The text read as a decimal number; 0 when it is not one or when it does not
// fit a double (an overflowing exponent would poison every sum and average).
double NumberValue(std::string_view text);

// Column name for messages: A..Z, AA..AZ, then "C<column+1>R" so that the
// row number that follows completes a reference such as C53R7.
std::string ColumnRef(int column);

}  // namespace engine
