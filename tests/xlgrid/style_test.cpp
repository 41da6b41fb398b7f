// Styles: base-style defaults and inheritance, partial application, named
// styles and their stylers.

#include "sheettestutil.h"

#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

using namespace xlgrid;
using xlgrid::testing::RecordingUser;

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
    TXLSheet sheet;
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
    TXLSheet sheet;
    sheet.SetText(0, -1, "A");
    sheet.SetText(-1, 0, "1");
    sheet.Cells(1, -1)->SetColor(clRed);
    RecordingUser user;
    sheet.AddUser(&user);
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
    sheet.RemoveUser(&user);
}

TEST(BaseStyle, LayoutWrittenByNumberAlsoMovesTheDefaults)
{
    TXLSheet sheet;
    TXLLayout layout{2, haRight, vaTop, wmEllipsis};
    sheet.BaseClientStyle().SetProperty(pnLayout, layout.Encode());
    EXPECT_EQ(sheet.Cells(0, 0)->Layout(), layout);
    sheet.BaseClientStyle().SetVertAlign(vaCenter);
    EXPECT_EQ(sheet.FindCell(0, 0)->VertAlign(), vaCenter);
    EXPECT_EQ(sheet.FindCell(0, 0)->HorzAlign(), haRight);
}

TEST(BaseStyle, FontAndFormatChangesReachCellsThatDoNotSetThem)
{
    TXLSheet sheet;
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
    TXLSheet a, b;
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
    TXLSheet sheet;
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
    TXLSheet sheet;
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
    TXLSheet sheet;
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
    TXLSheet lonely;
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
    TXLSheet sheet;
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
    TXLSheet sheet;
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
        TXLSheet sheet;
        sheet.SetStyler(&styler);
        sheet.Cells(0, 0)->SetBasedOn(styler.AddStyle("s"));
    }
    EXPECT_TRUE(styler.Sheets().empty());
    styler.Styles(0)->SetColor(clRed);  // reaches no freed sheet
}

}  // namespace
