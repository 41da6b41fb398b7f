#include "xlgrid/manager.h"
#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

#include "sheetcontract.h"

using namespace xlgrid;
using xlgrid::testing::CheckedSheet;
using xlgrid::testing::SheetContract;

namespace {

TXLCFormula* Formula(TXLSheet& sheet, int col, int row, const std::string& text)
{
    auto* cell = static_cast<TXLCFormula*>(sheet.SetCellClass(col, row, TXLCFormula::Class()));
    cell->SetAsString(text);
    return cell;
}

}  // namespace

TEST(SheetFormulas, EvaluateThroughTheSheet)
{
    CheckedSheet sheet;
    sheet.SetCellClass(0, 0, TXLCInteger::Class())->SetAsInteger(41);
    TXLCFormula* f = Formula(sheet, 1, 0, "=A1+1");
    EXPECT_EQ(f->Text(), "42");
    EXPECT_EQ(f->AsString(), "=A1+1");

    TXLCFormula* g = Formula(sheet, 2, 0, "B1*2");
    EXPECT_EQ(g->Text(), "84");

    // Formulas are not recalculated on their own; Recalculate settles them.
    sheet.FindCell(0, 0)->SetAsInteger(1);
    EXPECT_EQ(g->Text(), "84");
    sheet.Recalculate();
    EXPECT_EQ(f->Text(), "2");
    EXPECT_EQ(g->Text(), "4");

    EXPECT_EQ(Formula(sheet, 3, 0, "1/0")->Text(), "#DIV/0!");
    EXPECT_EQ(Formula(sheet, 3, 1, "NOSUCHNAME")->Text(), "#NAME!");
    TXLCFormula* a = Formula(sheet, 0, 2, "B3");
    TXLCFormula* b = Formula(sheet, 1, 2, "A3");
    sheet.Recalculate();
    EXPECT_EQ(a->Text(), "#CIRCULAR!");
    EXPECT_EQ(b->Text(), "#CIRCULAR!");
}

TEST(SheetFormulas, EventsResolveUnknownNames)
{
    CheckedSheet sheet;
    sheet.OnVariable = [](TXLSheet&, const std::string& name, Variant& value) {
        if (name == "RATE")
            value = Variant(0.5);
    };
    EXPECT_EQ(Formula(sheet, 0, 0, "RATE*10")->Text(), "5");
}

// ---- functions and variables every sheet sees ---------------------------------------

namespace {

// Registers for one test and leaves the process-wide registry as it was.
struct Registered {
    std::string function, variable;
    ~Registered()
    {
        if (!function.empty())
            TXLManager::Instance().UnregisterFunction(function);
        if (!variable.empty())
            TXLManager::Instance().UnregisterVariable(variable);
    }
};

}  // namespace

TEST(RegisteredFunctions, AreFoundByTheFormulasOfEverySheet)
{
    Registered guard{"twice", {}};
    ASSERT_TRUE(TXLManager::Instance().RegisterFunction(
        "twice", [](TXLCalcHost*, const std::vector<Variant>& p, Variant& r) { r = Variant(2 * VarToFloat(p[0])); }));
    CheckedSheet a, b;
    EXPECT_EQ(Formula(a, 0, 0, "TWICE(21)")->Text(), "42");
    EXPECT_EQ(Formula(b, 1, 1, "twice(2)+Twice(3)")->Text(), "10");
    // Names are kept in upper case and never registered twice.
    EXPECT_FALSE(TXLManager::Instance().RegisterFunction("TWICE", [](TXLCalcHost*, const std::vector<Variant>&, Variant&) {}));
    EXPECT_FALSE(TXLManager::Instance().RegisterFunction("String", [](TXLCalcHost*, const std::vector<Variant>&, Variant&) {}));
    EXPECT_EQ(Formula(a, 0, 1, "STRING(5)")->Text(), "5");  // the conversions stay
    TXLManager::Instance().UnregisterFunction("TWICE");
    a.Recalculate();
    EXPECT_EQ(a.FindCell(0, 0)->Text(), "#NAME!");
}

struct StageCase {
    const char* name;
    bool registryAnswers;   // stage 1: the registered handler gives a result
    bool eventAnswers;      // stage 2: the sheet's OnFunction gives one
    const char* shown;
    int eventCalls;
};

const StageCase kFunctionStages[] = {
    {"RegistryFirst", true, true, "1", 0},
    {"EventWhenTheRegistryLeavesItNull", false, true, "2", 1},
    {"UnknownWhenNoStageAnswers", false, false, "#NAME!", 1},
};

class FunctionStages : public ::testing::TestWithParam<StageCase> {};

TEST_P(FunctionStages, RunInOrder)
{
    const StageCase& c = GetParam();
    Registered guard{"PICK", {}};
    TXLManager::Instance().RegisterFunction("PICK", [&c](TXLCalcHost*, const std::vector<Variant>&, Variant& r) {
        if (c.registryAnswers)
            r = Variant(1);
    });
    CheckedSheet sheet;
    int calls = 0;
    sheet.OnFunction = [&](TXLSheet&, const std::string& name, std::vector<Variant>&, Variant& value, bool&) {
        ++calls;
        if (c.eventAnswers && name == "PICK")
            value = Variant(2);
    };
    EXPECT_EQ(Formula(sheet, 0, 0, "PICK(0)")->Text(), c.shown);
    EXPECT_EQ(calls, c.eventCalls);
}

INSTANTIATE_TEST_SUITE_P(SheetFormulas, FunctionStages, ::testing::ValuesIn(kFunctionStages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RegisteredVariables, ComeBeforeTheEventAndTheCellReferences)
{
    CheckedSheet sheet;
    sheet.SetText(0, 0, "5");
    int calls = 0;
    sheet.OnVariable = [&](TXLSheet&, const std::string& name, Variant& value) {
        ++calls;
        if (name == "B1")
            value = Variant(7);
    };
    EXPECT_EQ(Formula(sheet, 2, 0, "A1+B1")->Text(), "12");  // cell, then event
    {
        Registered guard{{}, "A1"};
        TXLManager::Instance().RegisterVariable("a1", [](TXLCalcHost*, Variant& r) { r = Variant(100); });
        calls = 0;
        EXPECT_EQ(Formula(sheet, 2, 1, "A1")->Text(), "100");
        EXPECT_EQ(calls, 0);
    }
    EXPECT_EQ(Formula(sheet, 2, 2, "A1")->Text(), "5");
}
