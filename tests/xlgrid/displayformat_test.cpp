#include "xlgrid/displayformat.h"

#include "xlgrid/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace xlgrid;

namespace {

double DateTime(int y, int m, int d, int hh = 0, int nn = 0, int ss = 0)
{
    double date = 0, time = 0;
    EXPECT_TRUE(TryEncodeDate(y, m, d, date));
    EXPECT_TRUE(TryEncodeTime(hh, nn, ss, 0, time));
    return date + time;
}

// What a number cell shows for a whole cell format.
std::string NumberCell(std::string_view format, double x)
{
    return FormatNumberDisplay(SplitFormat(format).first, x);
}

}  // namespace

TEST(DisplayFormat, SplitsAtTheFirstBar)
{
    EXPECT_EQ(SplitFormat("DD/MM/YYYY|c").first, "DD/MM/YYYY");
    EXPECT_EQ(SplitFormat("DD/MM/YYYY|c").second, "c");
    EXPECT_EQ(SplitFormat("0|s|x").second, "s|x");
    EXPECT_EQ(SplitFormat("0.00").second, "");
    EXPECT_EQ(SplitFormat("|http://x").first, "");
}

TEST(DisplayFormat, NumberPictures)
{
    struct Row { const char* name; const char* format; double value; const char* text; };
    const Row rows[] = {
        // The predefined number, currency and formula formats.
        {"integer", "0", 1234.5, "1235"},
        {"integer spinner", "0|s", -1234.5, "-1235"},
        {"integer formula", "0|c", 0.4, "0"},
        {"two decimals", "0.00", 2.5, "2.50"},
        {"two decimals spinner", "0.00|s", -0.005, "-0.01"},
        {"two decimals formula", "0.00|c", 1.005, "1.01"},
        {"grouped", "#,##0", 1234567.5, "1,234,568"},
        {"grouped small", "#,##0|s", 12, "12"},
        {"grouped zero", "#,##0|c", 0, "0"},
        {"grouped decimals", "#,##0.00", 1234.5, "1,234.50"},
        {"grouped decimals negative", "#,##0.00|s", -1234.5, "-1,234.50"},
        {"grouped decimals big", "#,##0.00|c", 1e20, "100,000,000,000,000,000,000.00"},
        {"percent optional", "0.##%", 0.256, "25.6%"},
        {"percent half", "0.##%|s", 0.5, "50%"},
        {"percent formula", "0.##%|c", 0.123456, "12.35%"},
        {"percent fixed", "0.00%", 0.5, "50.00%"},
        {"percent fixed spinner", "0.00%|s", -0.0125, "-1.25%"},
        {"percent fixed formula", "0.00%|c", 0, "0.00%"},
        {"dollar", "$# ##0", 1234.5, "$1 235"},
        {"dollar spinner", "$# ##0|s", 5, "$5"},
        {"dollar big", "$# ##0.00", 1234567.891, "$1234 567.89"},
        {"dollar negative", "$# ##0.00|s", -12.5, "-$12.50"},
        // Averages on the result sheets.
        {"average thirds", "0.##", 200.0 / 3, "66.67"},
        {"average half", "0.##", 90.5, "90.5"},
        {"average whole", "0.##", 90, "90"},
        {"average of tenths", "0.##", 0.1 + 0.2, "0.3"},
        // Sections.
        {"negative section", "0.0;(0.0)", -2.25, "(2.3)"},
        {"negative section positive", "0.0;(0.0)", 2.25, "2.3"},
        {"zero section", "0;-0;\"nil\"", 0, "nil"},
        {"rounds into zero section", "0;-0;zero", -0.3, "zero"},
        {"rounds to zero without sign", "0.0", -0.04, "0.0"},
        {"empty negative section", "0;;z", -3, "-3"},
        {"negative zero", "0.00", -0.0, "0.00"},
        // Odd pictures.
        {"empty is general", "", 0.1 + 0.2, "0.3"},
        {"leading point", ".00", 12.5, "12.50"},
        {"hash only zero", "#.##", 0, ""},
        {"quoted text", "\"Total: \"0 \"pts\"", 7, "Total: 7 pts"},
        {"second point literal", "0.0.", 1.25, "1.3."},
        {"only text", "\"n/a\"", 5, "n/a"},
        {"scientific", "0.00E+00", 12345, "1.23E+04"},
        {"scientific small", "0.0E-0", 0.000125, "1.3E-4"},
        {"tie away from zero", "0", -0.5, "-1"},
        {"chinese suffix", "0\"分\"", 95, "95分"},
        {"infinity", "0.00", std::numeric_limits<double>::infinity(), "INF"},
        {"nan", "0.00", std::nan(""), "NAN"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(NumberCell(row.format, row.value), row.text) << row.name;
}

TEST(DisplayFormat, DatePictures)
{
    struct Row { const char* name; const char* format; double value; const char* text; };
    const double day = DateTime(2026, 9, 1, 14, 5, 9);
    const Row rows[] = {
        // The predefined date formats.
        {"day month year", "DD/MM/YYYY|c", day, "01-09-2026"},
        {"short year", "DD/MM/YY|c", day, "01-09-26"},
        {"day month", "DD/MM|c", day, "01-09"},
        {"month year", "MM/YYYY|c", day, "09-2026"},
        {"hours minutes seconds", "HH:MM:SS", day, "14:05:09"},
        {"am/pm afternoon", "h:nn am/pm", day, "2:05 pm"},
        {"am/pm seconds", "h:nn:ss am/pm", day, "2:05:09 pm"},
        {"short time", "h:nn", day, "14:05"},
        {"long time", "h:nn:ss", day, "14:05:09"},
        {"date and time", "DD/MM/YYYY h:nn", day, "01-09-2026 14:05"},
        // A zero value shows the part after ";" or nothing.
        {"zero without zero part", "DD/MM/YYYY|c", 0, ""},
        {"zero with zero part", "yyyy-mm-dd;\"none\"", 0, "none"},
        {"zero empty picture", "", 0, ""},
        {"non-zero empty picture", "", day, "2026-09-01 14:05:09"},
        {"non-zero with zero part", "yyyy-mm-dd;none", day, "2026-09-01"},
        // Twelve-hour clock edges.
        {"midnight", "h:nn am/pm", DateTime(2026, 9, 1), "12:00 am"},
        {"noon", "h:nn AM/PM", DateTime(2026, 9, 1, 12), "12:00 PM"},
        {"a/p", "hh a/p", DateTime(2026, 9, 1, 23), "11 p"},
        // Other specifiers.
        {"single digits", "d/m/yy h:n:s", DateTime(2026, 3, 4, 5, 6, 7), "4-3-26 5:6:7"},
        {"minutes after hour through literal", "hh\"h\"mm", DateTime(2026, 3, 4, 5, 6), "05h06"},
        {"names", "ddd dddd mmm mmmm", day, "Tue Tuesday Sep September"},
        {"c with time", "c", day, "2026-09-01 14:05:09"},
        {"c midnight", "c", DateTime(2026, 9, 1), "2026-09-01"},
        {"chinese literals", "yyyy年m月d日", day, "2026年9月1日"},
        {"quoted specifiers", "'dd' dd", day, "dd 01"},
        {"before epoch", "yyyy-mm-dd hh:nn", -1.25, "1899-12-29 06:00"},
        {"rounds to next second", "hh:nn:ss", DateTime(2026, 9, 1, 23, 59, 59) + 0.9999 / 86400,
         "00:00:00"},
        {"far future clamps", "yyyy", 1e12, "9999"},
        {"nan", "yyyy-mm-dd", std::nan(""), "1899-12-30"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FormatDateTimeDisplay(SplitFormat(row.format).first, row.value), row.text) << row.name;
}

TEST(DisplayFormat, BooleanFormats)
{
    struct Row { const char* name; const char* format; bool value; const char* text; };
    const Row rows[] = {
        {"true", "True;False", true, "True"},
        {"false", "True;False", false, "False"},
        {"yes", "Yes;No", true, "Yes"},
        {"no", "Yes;No", false, "No"},
        {"no false part", "on", false, ""},
        {"empty", "", true, ""},
        {"chinese", "是;否", false, "否"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FormatBooleanDisplay(row.format, row.value), row.text) << row.name;
}

TEST(DisplayFormat, EditMasks)
{
    struct Row { const char* name; const char* mask; const char* text; const char* shown; };
    const Row rows[] = {
        {"phone with literals in text", "000-0000", "123-4567", "123-4567"},
        {"phone without literals", "000-0000", "1234567", "123-4567"},
        {"literals not saved", "(000) 000;0;_", "5551234", "(555) 123"},
        {"short text stops", "000-0000", "12345", "123-45"},
        {"closing literal", "(000)", "123", "(123)"},
        {"does not fit", "000-0000", "12a4567", "12"},
        {"optional digits fill first", "990", "7", "7"},
        {"optional digits skipped", "99-00", "-12", "-12"},
        {"upper case", ">LL-000", "ab-123", "AB-123"},
        {"lower then as typed", "<LL<>LL", "ABcD", "abcD"},
        {"escaped literal", "\\0\\A-00", "0A-12", "0A-12"},
        {"date separator", "0000/00/00;1;_", "2026-09-01", "2026-09-01"},
        {"time separator", "00:00", "0830", "08:30"},
        {"blank position", "000;1;*", "1*3", "1 3"},
        {"chinese letters", "LL-0", "张三-1", "张三-1"},
        {"chinese any", "CCC", "高一班级", "高一班"},
        {"chinese literal", "0年", "3年", "3年"},
        {"chinese text in digits", "000", "三", ""},
        {"sign", "#00", "-12", "-12"},
        {"extra text dropped", "00", "12345", "12"},
        {"empty text", "000", "", ""},
        {"stray byte", "CC", "\xff" "a", "\xff" "a"},
        {"truncated utf-8", "C", "\xe4\xb8", "\xe4\xb8"},
        {"escape at end", "0\\", "1", "1"},
        {"only fields", ";0;_", "abc", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FormatMaskText(row.mask, row.text), row.shown) << row.name;
}
