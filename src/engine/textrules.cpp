#include "engine/textrules.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace engine {

TSortKind SortKindOf(std::string_view sortFieldType)
{
    for (TSortKind kind : {skNumeric, skGrade})
        if (sortFieldType == SortFieldTypeText(kind))
            return kind;
    return skNone;
}

std::string_view SortFieldTypeText(TSortKind kind)
{
    switch (kind) {
    case skNumeric:
        return "数值型";
    case skGrade:
        return "等级型";
    case skNone:
        break;
    }
    return {};
}

std::string_view TrimBlanks(std::string_view text)
{
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return text.substr(b, e - b);
}

bool IsNumber(std::string_view text)
{
    size_t i = 0, n = text.size();
    auto isDigit = [&](size_t k) { return k < n && text[k] >= '0' && text[k] <= '9'; };
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (isDigit(i)) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (isDigit(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (!isDigit(i))
            return false;
        while (isDigit(i))
            ++i;
    }
    return i == n;
}

namespace {

int WordGradeValue(std::string_view text)
{
    if (text == "差")
        return 1;
    if (text == "中")
        return 2;
    if (text == "良")
        return 3;
    if (text == "优")
        return 4;
    return 0;
}

int LetterGradeValue(std::string_view text)
{
    if (text.size() != 1)
        return 0;
    char c = text[0];
    if (c >= 'a' && c <= 'z')
        return 26 - (c - 'a');
    if (c >= 'A' && c <= 'Z')
        return 26 - (c - 'A');
    return 0;
}

}  // namespace

bool IsGradeLevel(std::string_view text) { return GradeLevelValue(text) != 0; }

int GradeLevelValue(std::string_view text)
{
    int word = WordGradeValue(text);
    return word != 0 ? word : LetterGradeValue(text);
}

double NumberValue(std::string_view text)
{
    if (!IsNumber(text))
        return 0;
    // from_chars, not strtod: the desktop toolkit adopts the user's locale,
    // and a decimal comma there must not turn 85.5 into 85.
    if (text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return 0;
    return value;
}

std::string ColumnRef(int column)
{
    if (column < 0)
        return std::string();
    if (column < 26)
        return std::string(1, static_cast<char>('A' + column));
    if (column < 52)
        return {'A', static_cast<char>('A' + column % 26)};
    std::string ref = "C";
    ref += std::to_string(column + 1);
    ref += 'R';
    return ref;
}

}  // namespace engine
