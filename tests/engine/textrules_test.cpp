#include "engine/studata.h"
#include "engine/textrules.h"

#include "../commalocale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <utility>

using namespace engine;

TEST(TextRules, IsNumber)
{
    struct Row {
        const char* text;
        bool number;
    };
    const Row rows[] = {
        {"85", true},     {"85.5", true},  {"-3", true},     {"+3", true},    {"1e2", true},
        {"1E-2", true},   {".5", true},    {"5.", true},     {"1e999", true}, {"", false},
        {"+", false},     {".", false},    {"e5", false},    {"1e", false},   {"1e+", false},
        {"1,000", false}, {"0x1F", false}, {"1.2.3", false}, {" 1", false},   {"abc", false},
        {"1e2.5", false}, {"--1", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsNumber(row.text), row.number) << row.text;
}

TEST(TextRules, SortKeys)
{
    struct Row {
        const char* text;
        TSortKind kind;
        double key;
    };
    const auto stray = static_cast<TSortKind>(7);
    const Row rows[] = {
        {"85.5", skNumeric, 85.5}, {"-3", skNumeric, -3}, {"1e2", skNumeric, 100}, {"abc", skNumeric, 0},
        {"1e999", skNumeric, 0},   {"优", skGrade, 4},    {"差", skGrade, 1},      {"A", skGrade, 26},
        {"a", skGrade, 26},        {"z", skGrade, 1},     {"Z", skGrade, 1},       {"A+", skGrade, 0},
        {"b", skGrade, 25},        {"85", skNone, 0},     {"85", stray, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SortKey(row.text, row.kind), row.key) << row.text << " kind " << int(row.kind);
}

TEST(TextRules, SortKindsAndTheirStoredTexts)
{
    const std::pair<const char*, TSortKind> rows[] = {
        {"数值型", skNumeric}, {"等级型", skGrade}, {"", skNone},      {"数值", skNone},
        {" 数值型", skNone},   {"Numeric", skNone}, {"等级型 ", skNone},
    };
    for (const auto& [text, kind] : rows)
        EXPECT_EQ(SortKindOf(text), kind) << text;
    for (TSortKind kind : {skNone, skNumeric, skGrade})
        EXPECT_EQ(SortKindOf(SortFieldTypeText(kind)), kind) << int(kind);
    EXPECT_EQ(SortFieldTypeText(skNone), "");
}

TEST(TextRules, GradeLevelMarksAreExactly56)
{
    int marks = 0;
    for (int c = 0; c < 128; ++c)
        marks += IsGradeLevel(std::string(1, static_cast<char>(c)));
    for (const char* word : {"优", "良", "中", "差"})
        marks += IsGradeLevel(word);
    EXPECT_EQ(marks, 56);
    EXPECT_FALSE(IsGradeLevel("优秀"));
    EXPECT_FALSE(IsGradeLevel(""));
}

TEST(TextRules, ColumnRef)
{
    struct Row {
        int column;
        const char* ref;
    };
    const Row rows[] = {{0, "A"},   {25, "Z"},   {26, "AA"},   {27, "AB"},
                        {51, "AZ"}, {52, "C53R"}, {99, "C100R"}};
    for (const Row& row : rows)
        EXPECT_EQ(ColumnRef(row.column), row.ref) << row.column;
}

TEST(TextRules, TrimBlanksKeepsInnerAndWideBlanks)
{
    EXPECT_EQ(TrimBlanks(" \t 张 三\r\n"), "张 三");
    EXPECT_EQ(TrimBlanks("\xE3\x80\x80x"), "\xE3\x80\x80x");  // ideographic space stays
    EXPECT_EQ(TrimBlanks("   "), "");
}

TEST(TextRules, SortKeysIgnoreTheProcessLocale)
{
    TCommaDecimalLocale locale;
    ASSERT_TRUE(locale.Active()) << TCommaDecimalLocale::Missing;
    struct Row {
        const char* text;
        double key;
    };
    const Row rows[] = {
        {"85.5", 85.5}, {"-3.25", -3.25}, {".5", 0.5}, {"85.", 85}, {"1.5e2", 150}, {"+2.5", 2.5}, {"85,5", 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SortKey(row.text, skNumeric), row.key) << row.text;
}
