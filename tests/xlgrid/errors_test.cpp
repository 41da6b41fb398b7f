// One error family: whatever the sheet component raises is an EXLGridError.

#include "xlgrid/calculator.h"
#include "xlgrid/encoding.h"
#include "xlgrid/variant.h"
#include "xlgrid/xlerrors.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>

using namespace xlgrid;

namespace {

struct ErrorCase {
    const char* name;
    std::function<void()> raise;
    std::function<bool(const EXLGridError&)> isExpectedKind;
};

Variant Evaluate(const std::string& text)
{
    TXLCalculator calc;
    Variant result;
    calc.Evaluate(text, result);
    return result;
}

const ErrorCase kErrorCases[] = {
    {"VariantConversion", [] { VarToInt(Variant("abc")); },
     [](const EXLGridError& e) { return dynamic_cast<const EVariantError*>(&e) != nullptr; }},
    {"FloatDivisionByZero", [] { Evaluate("1/0"); },
     [](const EXLGridError& e) { return dynamic_cast<const EZeroDivide*>(&e) != nullptr; }},
    {"IntegerDivisionByZero", [] { Evaluate("1 DIV 0"); },
     [](const EXLGridError& e) { return dynamic_cast<const EDivByZero*>(&e) != nullptr; }},
    {"Encoding", [] { Gb18030ToUtf8("\xFF"); },
     [](const EXLGridError& e) { return dynamic_cast<const EEncodingError*>(&e) != nullptr; }},
    {"Syntax", [] { Evaluate("1 +"); },
     [](const EXLGridError& e) { return dynamic_cast<const EXLSyntax*>(&e) != nullptr; }},
};

class GridErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(GridErrors, AreCaughtAsTheComponentsError)
{
    try {
        GetParam().raise();
        FAIL() << "nothing raised";
    } catch (const EXLGridError& e) {
        EXPECT_TRUE(GetParam().isExpectedKind(e)) << typeid(e).name() << ": " << e.what();
        EXPECT_STRNE(e.what(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Sheet, GridErrors, ::testing::ValuesIn(kErrorCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
