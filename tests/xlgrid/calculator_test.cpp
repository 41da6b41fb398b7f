#include "xlgrid/calculator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

namespace xlgrid {
namespace {

// --- A sheet stand-in --------------------------------------------------------

struct FakeFormula : IXLFormulaCell {
    std::string text;
    double number = 0;
    int error = 0;
    bool mark = false;
    int stores = 0;

    const std::string& FormulaText() const override { return text; }
    double FormulaResult() const override { return number; }
    int FormulaError() const override { return error; }
    void StoreFormulaResult(double value, int state) override
    {
        number = value;
        error = state;
        ++stores;
    }
    bool NeedsRecalc() const override { return mark; }
    void SetNeedsRecalc(bool value) override { mark = value; }
};

class FakeSheet : public TXLCalcHost {
public:
    FakeSheet(int cols, int rows) : m_cols(cols), m_rows(rows) {}

    int ClientColCount() const override { return m_cols; }
    int ClientRowCount() const override { return m_rows; }
    TXLCalcCell ClientCell(int col, int row) override
    {
        TXLCalcCell cell;
        if (auto f = m_formulas.find({row, col}); f != m_formulas.end()) {
            cell.Value = Variant(f->second->number);
            cell.Formula = f->second.get();
        } else if (auto v = m_values.find({row, col}); v != m_values.end()) {
            cell.Value = v->second;
        }
        return cell;
    }
    const TXLFunctions& Functions() const override { return m_functions; }
    void OnVariableEvent(const std::string& name, Variant& result) override
    {
        if (OnVariable)
            OnVariable(name, result);
    }
    void OnFunctionEvent(const std::string& name, std::vector<Variant>& params, Variant& result) override
    {
        if (OnFunction)
            OnFunction(name, params, result);
    }

    void SetValue(int col, int row, Variant v) { m_values[{row, col}] = std::move(v); }
    // Writing a formula text evaluates it, as a formula cell does.
    FakeFormula& SetFormula(int col, int row, const std::string& text)
    {
        auto& f = m_formulas[{row, col}];
        if (!f)
            f = std::make_unique<FakeFormula>();
        f->text = text;
        CalculateFormula(*f);
        return *f;
    }
    // Only sets the text, without evaluating (as a loaded file would).
    FakeFormula& PutFormula(int col, int row, const std::string& text)
    {
        auto& f = m_formulas[{row, col}];
        if (!f)
            f = std::make_unique<FakeFormula>();
        f->text = text;
        return *f;
    }
    FakeFormula& Formula(int col, int row) { return *m_formulas.at({row, col}); }
    // Rows, then columns, ascending: the order the sheet visits its cells.
    void RecalculateAll()
    {
        std::vector<IXLFormulaCell*> cells;
        for (auto& [pos, f] : m_formulas)
            cells.push_back(f.get());
        RecalculateFormulas(cells);
    }

    TXLFunctions m_functions;
    std::function<void(const std::string&, Variant&)> OnVariable;
    std::function<void(const std::string&, std::vector<Variant>&, Variant&)> OnFunction;

private:
    int m_cols, m_rows;
    std::map<std::pair<int, int>, Variant> m_values;
    std::map<std::pair<int, int>, std::unique_ptr<FakeFormula>> m_formulas;
};

// --- Expressions ---------------------------------------------------------------

enum class Err { None, Syntax, Unknown, Variant, ZeroDivide, DivByZero, Overflow };

struct ExprCase {
    const char* name;
    std::string text;
    Variant expected;     // when err is None
    Err err;
    const char* message;  // when err is set (nullptr: not checked)
    int position;         // -1: not checked
};

Variant Cur(int64_t scaled) { return Variant::FromCurrency(scaled); }

const ExprCase kExprCases[] = {
    {"Empty", "", Variant(), Err::None, nullptr, -1},
    {"OnlySpaces", "   ", Variant(), Err::None, nullptr, -1},
    {"Precedence", "1+2*3", Variant(7), Err::None, nullptr, -1},
    {"Parentheses", "(1+2)*3", Variant(9), Err::None, nullptr, -1},
    {"IntDiv", "7 DIV 2", Variant(3), Err::None, nullptr, -1},
    {"Mod", "7 MOD 2", Variant(1), Err::None, nullptr, -1},
    {"ShlLowerCase", "1 shl 3", Variant(8), Err::None, nullptr, -1},
    {"ShrIsLogical", "-1 SHR 28", Variant(15), Err::None, nullptr, -1},
    {"LessThan", "1 < 2", Variant(true), Err::None, nullptr, -1},
    {"ComparisonsDoNotChain", "1 < 2 < 3", Variant(), Err::Syntax, "Syntax Error: Unexpected End", 7},
    {"FloatDivByZero", "10/0", Variant(), Err::ZeroDivide, nullptr, -1},
    {"IntDivByZero", "10 DIV 0", Variant(), Err::DivByZero, nullptr, -1},
    {"ModByZero", "10 MOD 0", Variant(), Err::DivByZero, nullptr, -1},
    {"QuotedString", "'abc'", Variant("abc"), Err::None, nullptr, -1},
    {"SpaceEndsQuotedPiece", "'a b'", Variant(), Err::Syntax, "Syntax Error: Unterminated String", 2},
    {"MissingCloseQuote", "'abc", Variant(), Err::Syntax, "Syntax Error: Unterminated String", 4},
    {"PiecesConcatenate", "'a'#13'b'", Variant("a\rb"), Err::None, nullptr, -1},
    {"DoubledQuote", "'it''s'", Variant("it's"), Err::None, nullptr, -1},
    {"EmptyQuoted", "''", Variant(""), Err::None, nullptr, -1},
    {"ControlLetter", "^M^j", Variant("\r\n"), Err::None, nullptr, -1},
    {"CodeIsUnicode", "#20320#22909", Variant("\xE4\xBD\xA0\xE5\xA5\xBD"), Err::None, nullptr, -1},
    {"CodeLimit", "#65535", Variant("\xEF\xBF\xBF"), Err::None, nullptr, -1},
    {"CodeTooBig", "#65536", Variant(), Err::Syntax, "Syntax Error: Invalid String Constant", 6},
    {"CodeHugeDigits", "#" + std::string(5000, '9'), Variant(), Err::Syntax,
     "Syntax Error: Invalid String Constant", -1},
    {"HashWithoutDigits", "#a", Variant(), Err::Syntax, "Syntax Error: Invalid String Constant", 1},
    {"CaretWithoutLetter", "^1", Variant(), Err::Syntax, "Syntax Error: Invalid Character Constant", 1},
    {"NoCharAfterOperandEndsText", "1 + 2 & 3", Variant(3), Err::None, nullptr, -1},
    {"UnknownCharFirstLeavesEmpty", "&1", Variant(), Err::None, nullptr, -1},
    {"UnknownCharAsOperand", "1 + &", Variant(), Err::Syntax, "Syntax Error", 5},
    {"MultiByteCharEnds", "2*3\xE4\xBD\xA0+1", Variant(6), Err::None, nullptr, -1},
    {"OrOfIntegers", "2 OR 1", Variant(3), Err::None, nullptr, -1},
    {"OrOfBooleans", "(1 > 2) OR (2 > 1)", Variant(true), Err::None, nullptr, -1},
    {"NotZero", "NOT 0", Variant(-1), Err::None, nullptr, -1},
    {"NotBoolean", "NOT (1 = 1)", Variant(false), Err::None, nullptr, -1},
    {"NotBindsTighterThanCompare", "NOT 1 < 2", Variant(true), Err::None, nullptr, -1},
    {"UnaryPlusMinus", "+-+-3", Variant(3), Err::None, nullptr, -1},
    {"UnaryInProduct", "2*-3", Variant(-6), Err::None, nullptr, -1},
    {"LeftAssociative", "8 - 2 - 1", Variant(5), Err::None, nullptr, -1},
    {"DivisionIsFloat", "7/2", Variant(3.5), Err::None, nullptr, -1},
    {"IntOverflowBecomesDouble", "2147483647+1", Variant(2147483648.0), Err::None, nullptr, -1},
    {"BigLiteralIsDouble", "3000000000", Variant(3000000000.0), Err::None, nullptr, -1},
    {"Decimal", "1.5*2", Variant(3.0), Err::None, nullptr, -1},
    {"TrailingPoint", "1.", Variant(1.0), Err::None, nullptr, -1},
    {"Exponent", "2E3", Variant(2000.0), Err::None, nullptr, -1},
    {"NegativeExponent", "25e-1", Variant(2.5), Err::None, nullptr, -1},
    {"ExponentNeedsDigits", "2E", Variant(), Err::Syntax, "Syntax Error: Unexpected End", 2},
    {"LiteralOverflow", "1e999", Variant(), Err::Variant, nullptr, -1},
    {"LiteralUnderflow", "1e-999", Variant(0.0), Err::None, nullptr, -1},
    {"ProductOverflow", "1e300*1e300", Variant(), Err::Overflow, nullptr, -1},
    {"StringsConcatenate", "'a'+'b'", Variant("ab"), Err::None, nullptr, -1},
    {"NumericTextAdds", "'1'+2", Variant(3.0), Err::None, nullptr, -1},
    {"TextTimesNumber", "'x'*2", Variant(), Err::Variant, nullptr, -1},
    {"TextComparison", "'abc' < 'abd'", Variant(true), Err::None, nullptr, -1},
    {"MixedNumberCompare", "1 = 1.0", Variant(true), Err::None, nullptr, -1},
    {"NotEqual", "1 <> 2", Variant(true), Err::None, nullptr, -1},
    {"GreaterOrEqual", "2 >= 3", Variant(false), Err::None, nullptr, -1},
    {"ReferenceText", "$A$1", Variant("$A$1"), Err::None, nullptr, -1},
    {"RangeIsText", "A1:B2", Variant("A1:B2"), Err::None, nullptr, -1},
    {"ConvertInteger", "INTEGER(2.5)", Variant(2), Err::None, nullptr, -1},
    {"ConvertAnyCase", "integer(7.9)", Variant(8), Err::None, nullptr, -1},
    {"ConvertString", "STRING(12)+'x'", Variant("12x"), Err::None, nullptr, -1},
    {"ConvertDouble", "DOUBLE('1.5')", Variant(1.5), Err::None, nullptr, -1},
    {"ConvertBoolean", "BOOLEAN(0)", Variant(false), Err::None, nullptr, -1},
    {"ConvertCurrency", "CURRENCY(1.23456)", Cur(12346), Err::None, nullptr, -1},
    {"ConvertDate", "DATETIME(2)", Variant::FromDate(2), Err::None, nullptr, -1},
    {"ConvertBadText", "INTEGER('x')", Variant(), Err::Variant, nullptr, -1},
    {"CurrencyArithmetic", "CURRENCY(1.5)*CURRENCY(2.5)+1", Cur(47500), Err::None, nullptr, -1},
    {"DatePlusDays", "DATETIME(2)+1", Variant::FromDate(3), Err::None, nullptr, -1},
    {"DateDifference", "DATETIME(5)-DATETIME(2)", Variant(3.0), Err::None, nullptr, -1},
    {"NoArguments", "INTEGER()", Variant(), Err::Syntax, "Syntax Error", 9},
    {"TenArguments", "INTEGER(1,2,3,4,5,6,7,8,9,10)", Variant(1), Err::None, nullptr, -1},
    {"ElevenArguments", "INTEGER(1,2,3,4,5,6,7,8,9,10,11)", Variant(), Err::Syntax,
     "Syntax Error: Too Many Parameters", 29},
    {"CallMissingClose", "INTEGER(1", Variant(), Err::Syntax, "Syntax Error: Missing ')'", 9},
    {"OtherSeparatorInCall", "INTEGER(1;2)", Variant(), Err::Syntax, "Syntax Error: Missing ')'", 10},
    {"OtherSeparatorAsOperand", ";", Variant(), Err::Syntax, "Syntax Error", 1},
    {"OtherSeparatorAfterOperand", "1;2", Variant(), Err::Syntax, "Syntax Error: Unexpected End", 2},
    {"MissingClose", "(1+2", Variant(), Err::Syntax, "Syntax Error: Missing ')'", 4},
    {"StrayClose", "1)", Variant(), Err::Syntax, "Syntax Error: Unexpected End", 2},
    {"TwoOperands", "1 2", Variant(), Err::Syntax, "Syntax Error: Unexpected End", 3},
    {"MissingOperand", "1 +", Variant(), Err::Syntax, "Syntax Error", 3},
    {"OperatorWordAsOperand", "DIV", Variant(), Err::Syntax, "Syntax Error", 3},
    {"PositionCountsCharacters", "'\xE4\xBD\xA0' + ", Variant(), Err::Syntax, "Syntax Error", 6},
    {"UnknownVariable", "foo + 1", Variant(), Err::Unknown, "Unknown Identifier: FOO", 5},
    {"UnknownFunction", "Foo(1)", Variant(), Err::Unknown, "Unknown Identifier: FOO()", 6},
    {"UnderscoreOnlyFirst", "_A_B", Variant(), Err::Unknown, "Unknown Identifier: _A", 4},
    {"NoSheetNoCells", "A1", Variant(), Err::Unknown, "Unknown Identifier: A1", 2},
};

class ExprTest : public ::testing::TestWithParam<ExprCase> {};

TEST_P(ExprTest, Evaluates)
{
    const ExprCase& c = GetParam();
    TXLCalculator calc;
    Variant result;
    try {
        calc.Evaluate(c.text, result);
        ASSERT_EQ(c.err, Err::None) << "no error raised; result " << VarToStr(result);
        EXPECT_EQ(result.Type(), c.expected.Type()) << VarTypeName(result.Type());
        EXPECT_TRUE(result == c.expected) << VarToStr(result) << " vs " << VarToStr(c.expected);
    } catch (const EXLFormula& e) {
        Err got = dynamic_cast<const EXLSyntax*>(&e) ? Err::Syntax
                  : dynamic_cast<const EXLUnknown*>(&e) ? Err::Unknown
                                                        : Err::None;
        ASSERT_EQ(got, c.err) << e.what();
        if (c.message) {
            EXPECT_STREQ(e.what(), c.message);
        }
        if (c.position >= 0) {
            EXPECT_EQ(e.Position(), c.position);
        }
    } catch (const EZeroDivide& e) {
        EXPECT_EQ(c.err, Err::ZeroDivide) << e.what();
    } catch (const EDivByZero& e) {
        EXPECT_EQ(c.err, Err::DivByZero) << e.what();
    } catch (const EOverflow& e) {
        EXPECT_EQ(c.err, Err::Overflow) << e.what();
    } catch (const EVariantError& e) {
        EXPECT_EQ(c.err, Err::Variant) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Calculator, ExprTest, ::testing::ValuesIn(kExprCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Calculator, CommaDecimalSeparatorMakesSemicolonTheSeparator)
{
    FakeSheet sheet(0, 0);
    std::vector<Variant> seen;
    sheet.OnFunction = [&](const std::string& name, std::vector<Variant>& params, Variant& result) {
        if (name == "SUM") {
            seen = params;
            result = Variant(int32_t(params.size()));
        }
    };
    TXLCalculator calc(&sheet);
    EXPECT_EQ(calc.Evaluate("SUM(1,2)"), Variant(2));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_THROW(calc.Evaluate("SUM(1;2)"), EXLSyntax);

    calc.SetDecimalSeparator(',');
    EXPECT_EQ(calc.Evaluate("SUM(1;2)"), Variant(2));
    EXPECT_EQ(calc.Evaluate("SUM(1,5)"), Variant(1));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], Variant(1.5));
    EXPECT_EQ(calc.Evaluate("1.5"), Variant(1));  // "." is no token and ends the text
}

TEST(Calculator, RangeArgumentReachesOnFunctionAsText)
{
    FakeSheet sheet(5, 5);
    std::vector<Variant> seen;
    sheet.OnFunction = [&](const std::string&, std::vector<Variant>& params, Variant& result) {
        seen = params;
        result = Variant(0);
    };
    TXLCalculator calc(&sheet);
    calc.Evaluate("COUNT(A1:B2, $C$3)");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], Variant("A1:B2"));
    EXPECT_EQ(seen[1], Variant("$C$3"));
}

TEST(Calculator, NamesResolveRegistryThenEventThenCells)
{
    FakeSheet sheet(2, 2);
    sheet.SetValue(0, 0, Variant(5));
    TXLCalculator calc(&sheet);
    EXPECT_EQ(calc.Evaluate("A1 + 1"), Variant(6));
    EXPECT_EQ(calc.Evaluate("a1 + 1"), Variant(6));
    EXPECT_EQ(calc.Evaluate("B2 + 1"), Variant(1));  // an empty position counts as 0
    EXPECT_THROW(calc.Evaluate("C1"), EXLUnknown);   // outside the client band
    EXPECT_THROW(calc.Evaluate("A3"), EXLUnknown);
    EXPECT_THROW(calc.Evaluate("A0"), EXLUnknown);   // title cells cannot be named

    std::vector<std::string> asked;
    sheet.OnVariable = [&](const std::string& name, Variant& result) {
        asked.push_back(name);
        if (name == "A1")
            result = Variant(100);
    };
    EXPECT_EQ(calc.Evaluate("a1"), Variant(100));  // the event comes before the cells
    EXPECT_EQ(calc.Evaluate("B1+1"), Variant(1));  // the event leaves it null: the cell
    ASSERT_TRUE(sheet.m_functions.RegisterVariable("a1", [](TXLCalcHost*, Variant& r) { r = Variant(7); }));
    EXPECT_FALSE(sheet.m_functions.RegisterVariable("A1", [](TXLCalcHost*, Variant& r) { r = Variant(8); }));
    EXPECT_EQ(calc.Evaluate("A1"), Variant(7));  // the registry comes first
    EXPECT_EQ(asked, (std::vector<std::string>{"A1", "B1"}));
}

TEST(Calculator, RegistryFunctionsComeBeforeTheEvent)
{
    FakeSheet sheet(0, 0);
    int eventCalls = 0;
    sheet.OnFunction = [&](const std::string&, std::vector<Variant>&, Variant& r) {
        ++eventCalls;
        r = Variant(-5);
    };
    EXPECT_FALSE(sheet.m_functions.RegisterFunction("integer", [](TXLCalcHost*, const auto&, Variant&) {}));
    TXLCalculator calc(&sheet);
    EXPECT_EQ(calc.Evaluate("INTEGER(4)"), Variant(4));
    EXPECT_EQ(eventCalls, 0);
    EXPECT_EQ(calc.Evaluate("OTHER(4)"), Variant(-5));
    EXPECT_EQ(eventCalls, 1);
}

TEST(Calculator, CheckOnlyAppliesNoOperator)
{
    TXLCalculator calc;
    calc.SetCheckOnly(true);
    EXPECT_TRUE(calc.Evaluate("10/0 + 'x'*2").IsUnassigned());
    EXPECT_THROW(calc.Evaluate("1 +"), EXLSyntax);
    EXPECT_THROW(calc.Evaluate("NOSUCH"), EXLUnknown);
}

// --- Nesting depth -------------------------------------------------------------

std::string Nest(const std::string& open, const std::string& inner, const std::string& close, int n)
{
    std::string s;
    s.reserve((open.size() + close.size()) * n + inner.size());
    for (int i = 0; i < n; ++i)
        s += open;
    s += inner;
    for (int i = 0; i < n; ++i)
        s += close;
    return s;
}

struct NestCase {
    const char* name;
    std::string open, close;
};

class NestTest : public ::testing::TestWithParam<NestCase> {};

TEST_P(NestTest, HundredLevelsWorkDeeperIsASyntaxError)
{
    const NestCase& c = GetParam();
    TXLCalculator calc;
    EXPECT_NO_THROW(calc.Evaluate(Nest(c.open, "1", c.close, 100)));
    for (int n : {101, 100000}) {
        try {
            calc.Evaluate(Nest(c.open, "1", c.close, n));
            ADD_FAILURE() << n << " levels were accepted";
        } catch (const EXLSyntax& e) {
            EXPECT_STREQ(e.what(), "Syntax Error: Nesting Too Deep");
            // Just after the token that opened the 101st level.
            int opener = int(c.open.size()) - (c.open.back() == ' ' ? 1 : 0);
            EXPECT_EQ(e.Position(), 100 * int(c.open.size()) + opener);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Calculator, NestTest,
                         ::testing::Values(NestCase{"Parentheses", "(", ")"}, NestCase{"UnaryMinus", "-", ""},
                                           NestCase{"Not", "NOT ", ""}, NestCase{"Calls", "INTEGER(", ")"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Calculator, MixedNestingCountsEveryLevel)
{
    TXLCalculator calc;
    EXPECT_NO_THROW(calc.Evaluate(Nest("-(", "1", ")", 50)));
    EXPECT_THROW(calc.Evaluate(Nest("-(", "1", ")", 51)), EXLSyntax);
    calc.SetMaxDepth(3);
    EXPECT_EQ(calc.Evaluate("((-1))"), Variant(-1));
    EXPECT_THROW(calc.Evaluate("(((-1)))"), EXLSyntax);
    // Long flat chains are loops, not nesting.
    std::string flat = "1";
    for (int i = 0; i < 100000; ++i)
        flat += "+1";
    EXPECT_EQ(calc.Evaluate(flat), Variant(100001));
}

// --- Cell references ---------------------------------------------------------

struct RefCase {
    const char* text;
    bool ok;
    int col, row;
};

TEST(Calculator, ParseCellReference)
{
    const RefCase cases[] = {
        {"A1", true, 0, 0},         {"z1", true, 25, 0},      {"AA1", true, 26, 0},
        {"AZ10", true, 51, 9},      {"ZZ1", true, 701, 0},    {"AAA1", true, 702, 0},
        {"A01", true, 0, 0},        {"A0", false, 0, 0},      {"A", false, 0, 0},
        {"1", false, 0, 0},         {"A1B", false, 0, 0},     {"A-1", false, 0, 0},
        {"", false, 0, 0},          {"$A1", false, 0, 0},     {"A2147483648", false, 0, 0},
        {"A2147483647", true, 0, 2147483646},                 {"FXSHRXX1", false, 0, 0},
        {"FXSHRXW1", true, 2147483646, 0},
    };
    for (const RefCase& c : cases) {
        int col = -7, row = -7;
        EXPECT_EQ(ParseCellReference(c.text, col, row), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(col, c.col) << c.text;
            EXPECT_EQ(row, c.row) << c.text;
        }
    }
}

// --- Formula cells -------------------------------------------------------------

struct CellCase {
    const char* name;
    const char* formula;
    double expected;
    int error;
};

TEST(FormulaCell, ResultsAndErrorStates)
{
    const CellCase cases[] = {
        {"EmptyKeepsNumber", "", 42, 0},
        {"Arithmetic", "1+2*3", 7, 0},
        {"TrueIsMinusOne", "1 < 2", -1, 0},
        {"FalseIsZero", "1 > 2", 0, 0},
        {"CellReference", "A1 + 1", 6, 0},
        {"LowerCaseReference", "a1 + 1", 6, 0},
        {"EmptyCellIsZero", "B1", 0, 0},
        {"NumericText", "'12'", 12, 0},
        {"FloatDivByZero", "10/0", 42, feDivZero},
        {"IntDivByZero", "10 DIV 0", 42, feValue},
        {"UnknownName", "NOSUCH", 42, feName},
        {"OutsideBand", "Z99", 42, feName},
        {"Text", "'abc'", 42, feValue},
        {"Unterminated", "'a b'", 42, feValue},
        {"Syntax", "1 < 2 < 3", 42, feValue},
        {"Overflow", "1e300*1e300", 42, feValue},
        {"TooDeep", "-------------------------------------------------------------------------------"
                    "---------------------------1", 42, feValue},
    };
    for (const CellCase& c : cases) {
        FakeSheet sheet(3, 3);
        sheet.SetValue(0, 0, Variant(5));
        FakeFormula& f = sheet.PutFormula(2, 2, c.formula);
        f.number = 42;
        f.error = feCircular;  // a stale state is reset by every evaluation
        sheet.CalculateFormula(f);
        EXPECT_EQ(f.number, c.expected) << c.name;
        EXPECT_EQ(f.error, c.error) << c.name;
        EXPECT_FALSE(f.mark) << c.name;
    }
    EXPECT_STREQ(FormulaErrorText(feValue), "#VALUE!");
    EXPECT_STREQ(FormulaErrorText(feName), "#NAME!");
    EXPECT_STREQ(FormulaErrorText(feDivZero), "#DIV/0!");
    EXPECT_STREQ(FormulaErrorText(feCircular), "#CIRCULAR!");
    EXPECT_STREQ(FormulaErrorText(feNone), "");
}

TEST(FormulaCell, NoClientCellsMeansUnknownName)
{
    FakeSheet sheet(0, 0);
    FakeFormula& f = sheet.SetFormula(-1, -1, "A1");
    EXPECT_EQ(f.error, feName);
}

TEST(FormulaCell, ReadsStoredResultUntilRecalculate)
{
    FakeSheet sheet(3, 3);
    sheet.SetFormula(1, 0, "5");               // B1
    FakeFormula& a1 = sheet.SetFormula(0, 0, "B1+1");
    EXPECT_EQ(a1.number, 6);
    sheet.SetFormula(1, 0, "10");
    EXPECT_EQ(a1.number, 6);                   // no dependency graph
    sheet.RecalculateAll();
    EXPECT_EQ(a1.number, 11);
}

TEST(FormulaCell, OneRecalculateSettlesForwardReferences)
{
    FakeSheet sheet(1, 5);
    // A1 reads A2 reads A3 ...: every reference points at a later cell.
    sheet.PutFormula(0, 0, "A2+1");
    sheet.PutFormula(0, 1, "A3+1");
    sheet.PutFormula(0, 2, "A4*2");
    sheet.PutFormula(0, 3, "3");
    sheet.RecalculateAll();
    EXPECT_EQ(sheet.Formula(0, 0).number, 8);
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(sheet.Formula(0, r).stores, 1) << "each cell is evaluated once";
}

TEST(FormulaCell, ErrorsOtherThanCircularAreNotPassedOn)
{
    FakeSheet sheet(3, 3);
    sheet.PutFormula(1, 0, "NOSUCH");
    sheet.PutFormula(0, 0, "B1+1");
    sheet.RecalculateAll();
    EXPECT_EQ(sheet.Formula(1, 0).error, feName);
    EXPECT_EQ(sheet.Formula(0, 0).error, feNone);
    EXPECT_EQ(sheet.Formula(0, 0).number, 1);
}

TEST(FormulaCell, CircularReferences)
{
    FakeSheet sheet(4, 4);
    FakeFormula& self = sheet.SetFormula(3, 3, "D4+1");
    EXPECT_EQ(self.error, feCircular);

    sheet.PutFormula(0, 0, "B1+1");  // A1 -> B1 -> A1
    sheet.PutFormula(1, 0, "A1+1");
    sheet.PutFormula(2, 0, "1");
    sheet.PutFormula(0, 1, "A1*2");  // reads the cycle
    sheet.PutFormula(1, 1, "C1+1");  // independent
    sheet.RecalculateAll();
    EXPECT_EQ(sheet.Formula(0, 0).error, feCircular);
    EXPECT_EQ(sheet.Formula(1, 0).error, feCircular);
    EXPECT_EQ(sheet.Formula(0, 1).error, feCircular);
    EXPECT_EQ(sheet.Formula(1, 1).error, feNone);
    EXPECT_EQ(sheet.Formula(1, 1).number, 2);

    // Breaking the cycle clears the states on the next Recalculate.
    sheet.PutFormula(1, 0, "7");
    sheet.RecalculateAll();
    EXPECT_EQ(sheet.Formula(0, 0).error, feNone);
    EXPECT_EQ(sheet.Formula(0, 0).number, 8);
    EXPECT_EQ(sheet.Formula(0, 1).number, 16);
}

TEST(FormulaCell, HandlerWritingTheCellUnderEvaluationIsCircular)
{
    FakeSheet sheet(2, 2);
    FakeFormula* target = nullptr;
    sheet.OnFunction = [&](const std::string&, std::vector<Variant>&, Variant& r) {
        sheet.CalculateFormula(*target);
        r = Variant(1);
    };
    target = &sheet.PutFormula(0, 0, "TOUCH(1)");
    sheet.CalculateFormula(*target);
    EXPECT_EQ(target->error, feCircular);
}

TEST(FormulaCell, LongChainsSettleInOneRecalculateWithBoundedStack)
{
    const int n = 20000;
    FakeSheet sheet(1, n);
    for (int r = 0; r < n - 1; ++r)
        sheet.PutFormula(0, r, "A" + std::to_string(r + 2) + "+1");
    sheet.PutFormula(0, n - 1, "1");
    sheet.RecalculateAll();
    EXPECT_EQ(sheet.Formula(0, 0).number, n);
    EXPECT_EQ(sheet.Formula(0, 0).error, feNone);
    long stores = 0;
    for (int r = 0; r < n; ++r)
        stores += sheet.Formula(0, r).stores;
    EXPECT_EQ(stores, n);  // interrupted evaluations store nothing
}

TEST(FormulaCell, DeeplyNestedFormulasInALongChainFitTheStack)
{
    // The worst case the limits allow: every cell of a chain longer than
    // MaxCellDepth nests its reference as deep as a formula may.
    const int n = 200;
    FakeSheet sheet(1, n);
    for (int r = 0; r < n - 1; ++r)
        sheet.PutFormula(0, r, Nest("-(", "A" + std::to_string(r + 2), ")", 50));
    sheet.PutFormula(0, n - 1, "1");
    sheet.RecalculateAll();
    EXPECT_EQ(sheet.Formula(0, 0).error, feNone);
    EXPECT_EQ(sheet.Formula(0, 0).number, 1);  // fifty negations per cell
}

TEST(FormulaCell, LongCycleIsFoundAcrossSetAsideEvaluations)
{
    const int n = 1000;
    FakeSheet sheet(1, n);
    for (int r = 0; r < n; ++r)
        sheet.PutFormula(0, r, "A" + std::to_string((r + 1) % n + 1) + "+1");
    sheet.SetMaxCellDepth(7);
    sheet.RecalculateAll();
    for (int r = 0; r < n; ++r)
        ASSERT_EQ(sheet.Formula(0, r).error, feCircular) << r;
}

// --- Fuzzer findings -----------------------------------------------------------

TEST(Calculator, FuzzRegressionInputsFailCleanly)
{
    // Every file under tests/data named calculator-*.txt once broke the
    // calculator; now it evaluates or ends in an error state.
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(FENBAN_TEST_DATA)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("calculator-", 0) != 0)
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        ASSERT_TRUE(in) << name;
        std::stringstream buf;
        buf << in.rdbuf();
        FakeSheet sheet(3, 3);
        FakeFormula& f = sheet.PutFormula(0, 0, buf.str());
        EXPECT_NO_THROW(sheet.CalculateFormula(f)) << name;
        EXPECT_FALSE(f.mark) << name;
    }
}

}  // namespace
}  // namespace xlgrid
