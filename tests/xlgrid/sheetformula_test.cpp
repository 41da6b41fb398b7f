#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

using namespace xlgrid;

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
    TXLSheet sheet;
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
    TXLSheet sheet;
    sheet.OnVariable = [](TXLSheet&, const std::string& name, Variant& value) {
        if (name == "RATE")
            value = Variant(0.5);
    };
    EXPECT_EQ(Formula(sheet, 0, 0, "RATE*10")->Text(), "5");
}
