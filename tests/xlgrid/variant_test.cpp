#include "xlgrid/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace xlgrid;

namespace {

double Date(int y, int m, int d)
{
    double out = 0;
    EXPECT_TRUE(TryEncodeDate(y, m, d, out));
    return out;
}

}  // namespace

TEST(Variant, StaysCompactAndOwnsItsString)
{
    static_assert(sizeof(Variant) <= 40);
    Variant a("a long text that does not fit the small string buffer at all");
    Variant b = a;
    Variant c = std::move(a);
    EXPECT_EQ(b, c);
    b = Variant(3);  // string -> integer releases the text
    EXPECT_EQ(b.Type(), VarType::Integer);
    c = b;           // and back the other way
    EXPECT_EQ(c, Variant(3));
    EXPECT_FALSE(Variant(3) == Variant(3.0));                // type matters
    EXPECT_FALSE(Variant(1.5) == Variant::FromDate(1.5));
    EXPECT_TRUE(Variant::Null() == Variant::Null());
    EXPECT_FALSE(Variant::Null() == Variant());
}

TEST(Variant, ConvertsToText)
{
    struct Row { const char* name; Variant value; const char* text; };
    const Row rows[] = {
        {"unassigned", Variant(), ""},
        {"null", Variant::Null(), ""},
        {"integer", Variant(-2147483647 - 1), "-2147483648"},
        {"double tenth", Variant(0.1), "0.1"},
        {"double sum of tenths", Variant(0.1 + 0.2), "0.3"},
        {"double whole", Variant(85.0), "85"},
        {"double big whole", Variant(2026000001.0), "2026000001"},
        {"double 1e20", Variant(1e20), "1E20"},
        {"negative zero", Variant(-0.0), "0"},
        {"currency", Variant::FromCurrency(12345678), "1234.5678"},
        {"currency trailing zeros", Variant::FromCurrency(-15000), "-1.5"},
        {"currency whole", Variant::FromCurrency(30000), "3"},
        {"currency minimum", Variant::FromCurrency(std::numeric_limits<int64_t>::min()),
         "-922337203685477.5808"},
        {"true", Variant(true), "True"},
        {"false", Variant(false), "False"},
        {"date", Variant::FromDate(Date(2026, 9, 1)), "2026-09-01"},
        {"date and time", Variant::FromDate(Date(2026, 9, 1) + 0.5), "2026-09-01 12:00:00"},
        {"time only", Variant::FromDate(0.75), "18:00:00"},
        {"date zero", Variant::FromDate(0.0), "00:00:00"},
        {"string", Variant("高一(3)班"), "高一(3)班"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(VarToStr(row.value), row.text) << row.name;
}

TEST(Variant, ConvertsToNumbers)
{
    struct Row { const char* name; Variant value; double asFloat; int32_t asInt; int64_t asCur; };
    const Row rows[] = {
        {"unassigned", Variant(), 0, 0, 0},
        {"padded string", Variant("  42 "), 42, 42, 420000},
        {"exponent string", Variant("99E-02"), 0.99, 1, 9900},
        {"signed string", Variant("+7.5"), 7.5, 8, 75000},
        {"half to even down", Variant(2.5), 2.5, 2, 25000},
        {"half to even up", Variant(3.5), 3.5, 4, 35000},
        {"negative half", Variant(-2.5), -2.5, -2, -25000},
        {"currency tie", Variant::FromCurrency(25000), 2.5, 2, 25000},
        {"currency odd tie", Variant::FromCurrency(-35000), -3.5, -4, -35000},
        {"currency fifth decimal", Variant(0.00005), 0.00005, 0, 0},
        {"currency fifth decimal odd", Variant(0.00015), 0.00015, 0, 2},
        {"true", Variant(true), 1, 1, 10000},
        {"date", Variant::FromDate(1.75), 1.75, 2, 17500},
        {"underflow", Variant("1e-999"), 0, 0, 0},
    };
    for (const Row& row : rows) {
        EXPECT_DOUBLE_EQ(VarToFloat(row.value), row.asFloat) << row.name;
        EXPECT_EQ(VarToInt(row.value), row.asInt) << row.name;
        EXPECT_EQ(VarToCurrency(row.value), row.asCur) << row.name;
    }
}

TEST(Variant, RefusesWhatIsNotANumber)
{
    struct Row { const char* name; Variant value; };
    const Row rows[] = {
        {"letters", Variant("abc")},
        {"empty", Variant("")},
        {"blanks", Variant("   ")},
        {"time fragment", Variant("03:")},
        {"overflow", Variant("1e999")},
        {"thousands separator", Variant("1,234")},
        {"infinity word", Variant("inf")},
        {"hexadecimal", Variant("0x10")},
        {"lonely exponent", Variant("1e")},
        {"null", Variant::Null()},
    };
    for (const Row& row : rows) {
        EXPECT_THROW(VarToFloat(row.value), EVariantError) << row.name;
        EXPECT_THROW(VarToInt(row.value), EVariantError) << row.name;
        EXPECT_THROW(VarToCurrency(row.value), EVariantError) << row.name;
    }
    // Numbers that exist but do not fit.
    EXPECT_THROW(VarToInt(Variant(2147483647.5)), EVariantError);
    EXPECT_THROW(VarToInt(Variant("3000000000")), EVariantError);
    EXPECT_THROW(VarToInt(Variant(std::nan(""))), EVariantError);
    EXPECT_THROW(VarToCurrency(Variant(1e15)), EVariantError);
    EXPECT_EQ(VarToInt(Variant(-2147483648.4)), std::numeric_limits<int32_t>::min());
    try {
        VarToInt(Variant("abc"));
        FAIL();
    } catch (const EVariantError& e) {
        EXPECT_STREQ(e.what(), "Could not convert variant of type (String) into type (Integer)");
    }
}

TEST(Variant, ConvertsToBoolean)
{
    struct Row { const char* name; Variant value; bool expected; };
    const Row rows[] = {
        {"upper", Variant("TRUE"), true},
        {"mixed", Variant(" False "), false},
        {"number text", Variant("0.0"), false},
        {"non-zero number text", Variant("-3"), true},
        {"double", Variant(0.25), true},
        {"currency zero", Variant::FromCurrency(0), false},
        {"unassigned", Variant(), false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(VarToBool(row.value), row.expected) << row.name;
    EXPECT_THROW(VarToBool(Variant("yes")), EVariantError);
    EXPECT_THROW(VarToBool(Variant("")), EVariantError);
    EXPECT_THROW(VarToBool(Variant::Null()), EVariantError);
}

TEST(Variant, ReadsDatesAndTimes)
{
    struct Row { const char* name; const char* text; double expected; };  // NAN: refused
    const double d = Date(2026, 9, 1);
    const Row rows[] = {
        {"date", "2026-09-01", d},
        {"single digits", "2026-9-1", d},
        {"slashes", "2026/9/1", d},
        {"date and time", "2026-09-01 08:30", d + 8.5 / 24},
        {"date and seconds", "2026-9-1 8:30:15", d + (8 * 3600 + 30 * 60 + 15) / 86400.0},
        {"iso t", "2026-09-01T12:00:00", d + 0.5},
        {"time", "18:00", 0.75},
        {"time with am", "12:00 am", 0.0},
        {"time with pm", "12:30pm", 12.5 / 24},
        {"padded", "  2026-09-01  ", d},
        {"two-digit year", "26-09-01", d},
        {"leap day", "2024-02-29", Date(2024, 2, 29)},
        {"epoch", "1899-12-30", 0.0},
        {"before epoch", "1899-12-29 06:00", -1.25},
        {"plain number", "45000.5", 45000.5},
        {"no leap day", "2026-02-29", NAN},
        {"month 13", "2026-13-01", NAN},
        {"hour 24", "24:00", NAN},
        {"time fragment", "03:", NAN},
        {"day missing", "2026-09", NAN},
        {"trailing junk", "2026-09-01x", NAN},
        {"words", "tomorrow", NAN},
        {"year zero", "0000-01-01", NAN},
    };
    for (const Row& row : rows) {
        if (std::isnan(row.expected)) {
            EXPECT_THROW(VarToDateTime(Variant(row.text)), EVariantError) << row.name;
        } else {
            EXPECT_NEAR(VarToDateTime(Variant(row.text)), row.expected, 1e-9) << row.name;
        }
    }
}

TEST(Variant, DateTextRoundTrips)
{
    const double values[] = {0.0, 0.5, 1.0, Date(2026, 9, 1), Date(2026, 9, 1) + 0.999988426, Date(1, 1, 1),
                             Date(9999, 12, 31), -1.25};
    for (double v : values) {
        std::string text = DateTimeToStr(v);
        double back = -1e9;
        ASSERT_TRUE(TryStrToDateTime(text, back) || TryStrToTime(text, back)) << text;
        EXPECT_NEAR(back, v, 1.0 / 86400 / 2) << text;
    }
    // No calendar date: the number shows instead of a clamped wrong date.
    EXPECT_EQ(DateTimeToStr(1e10), "10000000000");
    EXPECT_EQ(DateTimeToStr(std::nan("")), "NAN");
}

TEST(Variant, GeneralFormatKeepsFifteenDigits)
{
    struct Row { const char* name; double value; const char* text; };
    const Row rows[] = {
        {"tenth", 0.1, "0.1"},
        {"binary noise", 0.1 + 0.2, "0.3"},
        {"third", 1.0 / 3, "0.333333333333333"},
        {"fifteen nines", 999999999999999.0, "999999999999999"},
        {"sixteen digits", 1234567890123456.0, "1.23456789012346E15"},
        {"1e15", 1e15, "1E15"},
        {"small plain", 0.00001, "0.00001"},
        {"small exponent", 0.000001234, "1.234E-6"},
        {"huge", 1.7976931348623157e308, "1.79769313486232E308"},
        {"tiny", 4.9e-324, "4.94065645841247E-324"},
        {"negative", -1234.5, "-1234.5"},
        {"rounding carries", 0.9999999999999999, "1"},
        {"negative zero", -0.0, "0"},
        {"infinity", std::numeric_limits<double>::infinity(), "INF"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FormatGeneral(row.value), row.text) << row.name;
}

TEST(Variant, ConvertsByTargetType)
{
    EXPECT_EQ(VarAsType(Variant("12"), VarType::Integer), Variant(12));
    EXPECT_EQ(VarAsType(Variant("2026-09-01"), VarType::Date), Variant::FromDate(Date(2026, 9, 1)));
    EXPECT_EQ(VarAsType(Variant(1.23456), VarType::Currency), Variant::FromCurrency(12346));
    EXPECT_EQ(VarAsType(Variant(true), VarType::String), Variant("True"));
    EXPECT_THROW(VarAsType(Variant("x"), VarType::Double), EVariantError);
}
