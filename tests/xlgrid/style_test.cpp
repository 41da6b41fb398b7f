// Styles: base-style defaults and inheritance, partial application, named
// styles and their stylers.

#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

#include "sheetcontract.h"

using namespace xlgrid;
using xlgrid::testing::CheckedSheet;
using xlgrid::testing::SheetContract;

namespace {

struct DefaultCase {
    const char* name;
    int col, row;
    TXLHorzAlign horz;
    TXLVertAlign vert;
    TXLWrapMode wrap;
    TXLFrame frame;
    TColor color;
};

const DefaultCase kDefaults[] = {
    {"Body", 2, 3, haLeft, vaBottom, wmWrapWords, frNone, clWindow},
    {"ColumnHeader", 2, -1, haCenter, vaCenter, wmClip, frFlatUp, clBtnFace},
    {"RowHeader", -1, 3, haCenter, vaCenter, wmClip, frFlatUp, clBtnFace},
    {"Corner", -1, -1, haCenter, vaCenter, wmClip, frFlatUp, clBtnFace},
};

class BaseStyleDefault : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(BaseStyleDefault, NewCellsReadTheirSectionsBaseStyle)
{
    const DefaultCase& c = GetParam();
    CheckedSheet sheet;
    TXLCell* cell = sheet.Cells(c.col, c.row);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->HorzAlign(), c.horz);
    EXPECT_EQ(cell->VertAlign(), c.vert);
    EXPECT_EQ(cell->WrapMode(), c.wrap);
    EXPECT_EQ(cell->Frame(), c.frame);
    EXPECT_EQ(cell->Color(), c.color);
    EXPECT_EQ(cell->Font().Name, "宋体");
    EXPECT_EQ(cell->Font().Size, 9);
    EXPECT_EQ(cell->Font().Color, clWindowText);
    EXPECT_EQ(cell->Props(), 0);
    EXPECT_EQ(&cell->CellClass(), &TXLCString::Class());
}

INSTANTIATE_TEST_SUITE_P(Styles, BaseStyleDefault, ::testing::ValuesIn(kDefaults),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BaseStyle, TitleColourReachesHeaderCellsWithoutTheirOwnIncludingLaterOnes)
{
    CheckedSheet sheet;
    sheet.SetText(0, -1, "A");
    sheet.SetText(-1, 0, "1");
    sheet.Cells(1, -1)->SetColor(clRed);
    SheetContract user(sheet);
    sheet.BaseTitleStyle().SetColor(RGBColor(221, 228, 255));
    EXPECT_EQ(sheet.FindCell(0, -1)->Color(), RGBColor(221, 228, 255));
    EXPECT_EQ(sheet.FindCell(-1, 0)->Color(), RGBColor(221, 228, 255));
    EXPECT_EQ(sheet.FindCell(1, -1)->Color(), clRed);
    EXPECT_EQ(sheet.Cells(4, -1)->Color(), RGBColor(221, 228, 255));
    EXPECT_EQ(sheet.Cells(-1, 4)->Color(), RGBColor(221, 228, 255));
    EXPECT_EQ(static_cast<TColor>(sheet.GetProperty(3, -1, pnColor)), RGBColor(221, 228, 255));
    // The body keeps its own base style.
    EXPECT_EQ(sheet.Cells(0, 0)->Color(), clWindow);
    for (int s : {0, 1, 2})
        EXPECT_EQ(user.Count("SectionChanged " + std::to_string(s)), 1) << s;
    EXPECT_EQ(user.Count("SectionChanged 3"), 0);
}

TEST(BaseStyle, LayoutWrittenByNumberAlsoMovesTheDefaults)
{
    CheckedSheet sheet;
    TXLLayout layout{2, haRight, vaTop, wmEllipsis};
    sheet.BaseClientStyle().SetProperty(pnLayout, layout.Encode());
    EXPECT_EQ(sheet.Cells(0, 0)->Layout(), layout);
    sheet.BaseClientStyle().SetVertAlign(vaCenter);
    EXPECT_EQ(sheet.FindCell(0, 0)->VertAlign(), vaCenter);
    EXPECT_EQ(sheet.FindCell(0, 0)->HorzAlign(), haRight);
}

TEST(BaseStyle, FontAndFormatChangesReachCellsThatDoNotSetThem)
{
    CheckedSheet sheet;
    TXLCell* plain = sheet.Cells(0, 0);
    TXLCell* own = sheet.Cells(1, 0);
    TXLFont mine;
    mine.Name = "黑体";
    own->SetFont(mine);
    TXLFont bold = sheet.BaseClientStyle().Font();
    bold.Style = fsBold;
    sheet.BaseClientStyle().SetFontParts(bold, fsBold);
    EXPECT_EQ(plain->Font().Style, fsBold);
    EXPECT_EQ(own->Font().Style, 0);
    EXPECT_EQ(own->Font().Name, "黑体");
    own->SetFormat("0-0");
    sheet.BaseClientStyle().SetFormat(">LL");
    plain->SetAsString("ab");
    EXPECT_EQ(plain->Text(), "AB");
    EXPECT_EQ(sheet.Cells(2, 2)->Format(), ">LL");
    EXPECT_EQ(own->Format(), "0-0");
}

TEST(BaseStyle, AssignBetweenSheetsCopiesAllButTheTwoColours)
{
    CheckedSheet a, b;
    TXLBaseStyle& src = a.BaseClientStyle();
    TXLFont font;
    font.Name = "楷体";
    font.Size = 14;
    font.Color = clBlue;
    src.SetFont(font);
    src.SetColor(RGBColor(1, 2, 3));
    src.SetHorzAlign(haCenter);
    src.SetWrapMode(wmEllipsis);
    src.SetFrame(frBevelUp);
    src.SetStyles(StyleBit(csReadOnly));
    src.SetSide(sBias1, TXLLine{1, clRed});
    src.SetLinesColor(clRed);
    src.SetErrorColor(clGreen);
    b.SetText(0, 0, "before");
    b.SetBaseClientStyle(a.BaseClientStyle());
    const TXLBaseStyle& dst = b.BaseClientStyle();
    EXPECT_EQ(dst.Font(), font);
    EXPECT_EQ(dst.Color(), RGBColor(1, 2, 3));
    EXPECT_EQ(dst.HorzAlign(), haCenter);
    EXPECT_EQ(dst.WrapMode(), wmEllipsis);
    EXPECT_EQ(dst.Frame(), frBevelUp);
    EXPECT_EQ(dst.Styles(), StyleBit(csReadOnly));
    EXPECT_EQ(dst.GetSide(sBias1), (TXLLine{1, clRed}));
    EXPECT_EQ(dst.LinesColor(), clBtnFace);
    EXPECT_EQ(dst.ErrorColor(), clRed);
    EXPECT_EQ(dst.Props(), kAllProps);
    // Cells of the target follow at once.
    const TXLCell* cell = b.FindCell(0, 0);
    EXPECT_EQ(cell->Font(), font);
    EXPECT_EQ(cell->Color(), RGBColor(1, 2, 3));
    EXPECT_EQ(cell->Frame(), frBevelUp);
    EXPECT_EQ(cell->HorzAlign(), haCenter);
    EXPECT_TRUE(cell->HasStyle(csReadOnly));
    EXPECT_EQ(cell->GetSide(sBias1), (TXLLine{1, clRed}));
    // The title style of the target is untouched.
    EXPECT_EQ(b.BaseTitleStyle().Color(), clBtnFace);
}

// ---- named styles -----------------------------------------------------------------

TEST(NamedStyle, CellsTakeWhatTheyDoNotSetAndFollowChanges)
{
    TXLStyler styler;
    CheckedSheet sheet;
    sheet.SetStyler(&styler);
    TXLStyle* money = styler.AddStyle("money");
    money->SetHorzAlign(haRight);
    money->SetColor(clGreen);
    TXLCell* a = sheet.Cells(0, 0);
    TXLCell* b = sheet.Cells(1, 0);
    b->SetColor(clRed);
    a->SetBasedOn(money);
    b->SetBasedOn(money);
    EXPECT_EQ(a->HorzAlign(), haRight);
    EXPECT_EQ(a->Color(), clGreen);
    EXPECT_EQ(b->Color(), clRed);
    EXPECT_EQ(a->Frame(), frNone);
    // A cell that sets a group itself keeps it when the style changes.
    TXLCell* c = sheet.Cells(2, 0);
    c->SetBasedOn(money);
    a->SetVertAlign(vaCenter);
    money->SetHorzAlign(haCenter);
    EXPECT_EQ(a->HorzAlign(), haRight);
    EXPECT_EQ(a->VertAlign(), vaCenter);
    EXPECT_EQ(c->HorzAlign(), haCenter);
    EXPECT_EQ(sheet.Cells(3, 0)->HorzAlign(), haLeft);
    money->SetColor(clBlue);
    EXPECT_EQ(a->Color(), clBlue);
    EXPECT_EQ(b->Color(), clRed);
    TXLFont font = money->Font();
    font.Size = 20;
    font.Name = "ignored";
    money->SetFontParts(font, kFontSize);
    EXPECT_EQ(a->Font().Size, 20);
    EXPECT_EQ(a->Font().Name, "宋体");
}

TEST(NamedStyle, ClearingTheLinkResetsToTheBaseStyle)
{
    TXLStyler styler;
    CheckedSheet sheet;
    sheet.SetStyler(&styler);
    TXLStyle* style = styler.AddStyle("big");
    TXLFont font;
    font.Size = 18;
    style->SetFont(font);
    style->SetHorzAlign(haCenter);
    style->SetFormat(">LLL");
    TXLCell* cell = sheet.Cells(2, 2);
    cell->SetAsString("abc");
    cell->SetBasedOn(style);
    EXPECT_EQ(cell->Text(), "ABC");
    EXPECT_EQ(cell->Font().Size, 18);
    cell->SetBasedOn(nullptr);
    EXPECT_EQ(cell->BasedOn(), nullptr);
    EXPECT_EQ(cell->HorzAlign(), haLeft);
    EXPECT_EQ(cell->Font().Size, 9);
    EXPECT_EQ(cell->Format(), "");
    EXPECT_EQ(cell->Text(), "abc");
    EXPECT_EQ(cell->AsString(), "abc");
}

TEST(NamedStyle, AStyleOfAnotherStylerIsRefused)
{
    TXLStyler mine, other;
    CheckedSheet sheet;
    sheet.SetStyler(&mine);
    TXLStyle* foreign = other.AddStyle("x");
    TXLCell* cell = sheet.Cells(0, 0);
    try {
        cell->SetBasedOn(foreign);
        FAIL() << "no error";
    } catch (const EXLGridError& e) {
        EXPECT_STREQ(e.what(), "Cannot use Style from disconnected Styler!");
    }
    EXPECT_EQ(cell->BasedOn(), nullptr);
    CheckedSheet lonely;
    EXPECT_THROW(lonely.Cells(0, 0)->SetBasedOn(foreign), EXLGridError);
}

TEST(NamedStyle, AliasesAreUnique)
{
    TXLStyler styler;
    int changes = 0;
    styler.OnChange = [&] { ++changes; };
    TXLStyle* x = styler.AddStyle("X");
    TXLStyle* y = styler.AddStyle("Y");
    EXPECT_EQ(styler.AddStyle("X"), x);
    changes = 0;
    try {
        y->SetAlias("X");
        FAIL() << "no error";
    } catch (const EXLGridError& e) {
        EXPECT_STREQ(e.what(), "Style named \"X\" already exists!");
    }
    EXPECT_EQ(y->Alias(), "Y");
    EXPECT_EQ(changes, 0);
    y->SetAlias("x");  // aliases compare with case
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(styler.FindStyle("x"), y);
    EXPECT_EQ(styler.FindStyle("X"), x);
}

TEST(NamedStyle, SwitchingStylersKeepsLinksByAlias)
{
    TXLStyler first, second;
    CheckedSheet sheet;
    sheet.SetStyler(&first);
    first.AddStyle("head")->SetColor(clRed);
    first.AddStyle("only-first")->SetColor(clGreen);
    TXLStyle* head2 = second.AddStyle("head");
    head2->SetColor(clBlue);
    sheet.Cells(0, 0)->SetBasedOn(first.FindStyle("head"));
    sheet.Cells(0, -1)->SetBasedOn(first.FindStyle("head"));
    sheet.Cells(1, 0)->SetBasedOn(first.FindStyle("only-first"));
    int fired = 0;
    sheet.OnStylerChanged = [&](TXLSheet&) { ++fired; };
    sheet.SetStyler(&second);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(sheet.FindCell(0, 0)->BasedOn(), head2);
    EXPECT_EQ(sheet.FindCell(0, -1)->BasedOn(), head2);
    EXPECT_EQ(sheet.FindCell(0, 0)->Color(), clBlue);
    EXPECT_EQ(sheet.FindCell(1, 0)->BasedOn(), nullptr);
    EXPECT_FALSE(sheet.FindCell(1, 0)->HasProp(prBasedOn));
    EXPECT_EQ(first.Sheets().size(), 0u);
    EXPECT_EQ(second.Sheets().size(), 1u);
    sheet.SetStyler(&second);
    EXPECT_EQ(fired, 1);
    sheet.SetStyler(nullptr);
    EXPECT_EQ(sheet.FindCell(0, 0)->BasedOn(), nullptr);
}

TEST(NamedStyle, DestroyingAStylerOrStyleDropsTheLinks)
{
    CheckedSheet sheet;
    {
        TXLStyler styler;
        sheet.SetStyler(&styler);
        TXLStyle* a = styler.AddStyle("a");
        TXLStyle* b = styler.AddStyle("b");
        sheet.Cells(0, 0)->SetBasedOn(a);
        sheet.Cells(1, 0)->SetBasedOn(b);
        styler.DeleteStyle(a);
        EXPECT_EQ(sheet.FindCell(0, 0)->BasedOn(), nullptr);
        EXPECT_EQ(sheet.FindCell(1, 0)->BasedOn(), b);
    }
    EXPECT_EQ(sheet.Styler(), nullptr);
    EXPECT_EQ(sheet.FindCell(1, 0)->BasedOn(), nullptr);
    sheet.SetText(1, 0, "still usable");
}

TEST(NamedStyle, ASheetDestroyedBeforeItsStylerUnregisters)
{
    TXLStyler styler;
    {
        CheckedSheet sheet;
        sheet.SetStyler(&styler);
        sheet.Cells(0, 0)->SetBasedOn(styler.AddStyle("s"));
    }
    EXPECT_TRUE(styler.Sheets().empty());
    styler.Styles(0)->SetColor(clRed);  // reaches no freed sheet
}

}  // namespace

// ---- a style's value class ---------------------------------------------------------

namespace {

// A styler with a number style (TXLCInteger, "0.00") and a colour-only style.
struct NumberStyles {
    TXLStyler styler;
    TXLStyle* number;
    TXLStyle* colour;
    NumberStyles()
    {
        number = styler.AddStyle("number");
        number->SetValueClass(TXLCInteger::Class());
        number->SetFormat("0.00");
        colour = styler.AddStyle("colour");
        colour->SetColor(clGreen);
    }
};

}  // namespace

struct ClassCase {
    const char* name;
    const char* text;         // written into a plain text cell first
    const char* shown;        // its display text once based on the number style
};

const ClassCase kClassCases[] = {
    {"NumberText", "12", "12.00"},
    {"NegativeNumber", "-7", "-7.00"},
    {"TextTheClassCannotTake", "abc", "0.00"},  // dropped, as SetCellClass drops it
    {"Empty", "", "0.00"},
};

class StyleValueClass : public ::testing::TestWithParam<ClassCase> {};

TEST_P(StyleValueClass, ACellBasedOnTheStyleTakesItsClassAndFormat)
{
    const ClassCase& c = GetParam();
    NumberStyles styles;
    CheckedSheet sheet;
    sheet.SetStyler(&styles.styler);
    sheet.SetText(1, 1, c.text);
    sheet.FindCell(1, 1)->MarkPainted();
    SheetContract user(sheet);
    TXLCell* cell = sheet.FindCell(1, 1)->SetBasedOn(styles.number);
    EXPECT_EQ(cell, sheet.FindCell(1, 1));
    EXPECT_EQ(&cell->CellClass(), &TXLCInteger::Class());
    EXPECT_EQ(cell->Format(), "0.00");
    EXPECT_FALSE(cell->HasProp(prControl));  // inherited, not its own
    EXPECT_EQ(cell->BasedOn(), styles.number);
    EXPECT_EQ(cell->Text(), c.shown);
    // The replaced cell asked for one repaint of its position.
    EXPECT_EQ(user.Repaints(skClient), std::vector<TXLRect>{(TXLRect{1, 1, 2, 2})});
    // Clearing the link gives the base style's class and format back.
    cell = cell->SetBasedOn(nullptr);
    EXPECT_EQ(cell, sheet.FindCell(1, 1));
    EXPECT_EQ(&cell->CellClass(), &TXLCString::Class());
    EXPECT_EQ(cell->Format(), "");
}

INSTANTIATE_TEST_SUITE_P(NamedStyle, StyleValueClass, ::testing::ValuesIn(kClassCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NamedStyle, ChangingAStylesClassReachesItsCellsInEverySheet)
{
    NumberStyles styles;
    CheckedSheet a, b;
    a.SetStyler(&styles.styler);
    b.SetStyler(&styles.styler);
    a.SetText(0, 0, "3");
    b.SetText(2, -1, "4");  // a heading cell
    a.FindCell(0, 0)->SetBasedOn(styles.number);
    b.FindCell(2, -1)->SetBasedOn(styles.number);
    styles.number->SetValueClass(TXLCDouble::Class());
    EXPECT_EQ(&a.FindCell(0, 0)->CellClass(), &TXLCDouble::Class());
    EXPECT_EQ(&b.FindCell(2, -1)->CellClass(), &TXLCDouble::Class());
    EXPECT_EQ(b.FindCell(2, -1)->AsFloat(), 4.0);
    // Only the format changes: cells of the style's class take it.
    styles.number->SetFormat("0.0");
    EXPECT_EQ(a.FindCell(0, 0)->Text(), "3.0");
}

TEST(NamedStyle, AClassTheCellWasGivenStays)
{
    NumberStyles styles;
    CheckedSheet sheet;
    sheet.SetStyler(&styles.styler);
    // Asked for by the program, not taken from a style.
    TXLCell* flag = sheet.SetCellClass(0, 0, TXLCBoolean::Class());
    EXPECT_EQ(flag->SetBasedOn(styles.colour), flag);
    EXPECT_EQ(&flag->CellClass(), &TXLCBoolean::Class());
    EXPECT_EQ(flag->Color(), clGreen);
    EXPECT_EQ(flag->SetBasedOn(nullptr), flag);
    EXPECT_EQ(&flag->CellClass(), &TXLCBoolean::Class());
    // A cell that sets its own control group keeps its class under any style.
    TXLCell* own = sheet.Cells(1, 0);
    own->SetFormat(">L");
    EXPECT_EQ(own->SetBasedOn(styles.number), own);
    EXPECT_EQ(&own->CellClass(), &TXLCString::Class());
    EXPECT_EQ(own->Format(), ">L");
    // A base style's class reaches new cells only.
    TXLCell* text = sheet.Cells(2, 0);
    sheet.BaseClientStyle().SetValueClass(TXLCInteger::Class());
    EXPECT_EQ(sheet.FindCell(2, 0), text);
    EXPECT_EQ(&text->CellClass(), &TXLCString::Class());
    EXPECT_EQ(&sheet.Cells(3, 0)->CellClass(), &TXLCInteger::Class());
}

TEST(NamedStyle, AReplacedAnchorStillAnchorsItsRange)
{
    NumberStyles styles;
    CheckedSheet sheet;
    sheet.SetStyler(&styles.styler);
    sheet.SetText(1, 1, "5");
    sheet.FindCell(1, 1)->SetRange({1, 1, 3, 2});
    TXLCell* cell = sheet.FindCell(2, 1)->SetBasedOn(styles.number);
    ASSERT_EQ(sheet.Section(skClient).Unions().size(), 1u);
    EXPECT_EQ(sheet.Section(skClient).Unions()[0].Anchor, cell);
    EXPECT_TRUE(cell->IsAnchor());
    EXPECT_EQ(cell->Width(), 2);
    EXPECT_EQ(sheet.FindCell(2, 1), cell);
}

TEST(NamedStyle, DeletingAStyleGivesItsCellsTheBaseClassBack)
{
    NumberStyles styles;
    CheckedSheet sheet;
    sheet.SetStyler(&styles.styler);
    for (int c = 0; c < 5; ++c) {
        sheet.SetText(c, 0, std::to_string(c));
        sheet.FindCell(c, 0)->SetBasedOn(styles.number);
    }
    styles.styler.DeleteStyle(styles.number);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(&sheet.FindCell(c, 0)->CellClass(), &TXLCString::Class()) << c;
        EXPECT_EQ(sheet.FindCell(c, 0)->AsString(), std::to_string(c)) << c;
    }
}
