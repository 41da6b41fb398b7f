// Merging, range objects and clearing ranges.

#include "xlgrid/range.h"
#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

#include "sheetcontract.h"

using namespace xlgrid;
using xlgrid::testing::CheckedSheet;
using xlgrid::testing::SheetContract;

namespace {

int CellCount(const TXLSheet& sheet, TXLSectionKind section = skClient)
{
    int n = 0;
    sheet.Section(section).ForEachCell([&](TXLCell&) { ++n; });
    return n;
}

TEST(Merge, KeepsOnlyTheTopLeftText)
{
    CheckedSheet sheet;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            sheet.SetText(c, r, std::to_string(c) + std::to_string(r));
    TXLSelection sel(sheet, skClient, {1, 1, 3, 3});
    EXPECT_TRUE(sel.Merge());
    EXPECT_EQ(sheet.FindCell(2, 2)->AsString(), "11");
    EXPECT_EQ(sheet.FindCell(1, 2), sheet.FindCell(1, 1));
    EXPECT_EQ(CellCount(sheet), 9 - 3);
    EXPECT_EQ(sheet.FindCell(0, 2)->AsString(), "02");
    EXPECT_TRUE(sel.IsSingle());
    EXPECT_TRUE(sel.IsMerged());
    EXPECT_FALSE(sel.Merge());
    EXPECT_EQ(sheet.Section(skClient).Unions().size(), 1u);
}

TEST(Merge, WidthThreeThenOne)
{
    CheckedSheet sheet;
    TXLCell* cell = sheet.Cells(0, 1);
    cell->SetAsString("title");
    cell->SetWidth(3);
    EXPECT_EQ(cell->Width(), 3);
    EXPECT_EQ(cell->Range(), (TXLRect{0, 1, 3, 2}));
    EXPECT_EQ(sheet.FindCell(2, 1), cell);
    TXLRect sheetRect;
    cell->GetSheetRect(sheetRect);
    EXPECT_EQ(sheetRect, (TXLRect{0, 1, 3, 2}));
    cell->SetWidth(1);
    EXPECT_EQ(cell->Width(), 1);
    EXPECT_FALSE(cell->IsAnchor());
    EXPECT_TRUE(sheet.Section(skClient).Unions().empty());
    EXPECT_EQ(sheet.FindCell(2, 1), nullptr);
    // Heights work the same way; a rectangle past the sheet is clipped.
    cell->SetHeight(100);
    EXPECT_EQ(cell->Height(), 4);
}

TEST(Merge, TitleCellsReportSheetCoordinates)
{
    CheckedSheet sheet;
    sheet.SetTitleCols(2);
    TXLCell* cell = sheet.Cells(-2, 1);
    cell->SetHeight(2);
    TXLRect r;
    cell->GetSheetRect(r);
    EXPECT_EQ(r, (TXLRect{-2, 1, -1, 3}));
    EXPECT_EQ(sheet.FindCell(-2, 2), cell);
}

TEST(Merge, OverlappingRangesAreReplaced)
{
    CheckedSheet sheet;
    SheetContract user(sheet);
    TXLSelection a(sheet, skClient, {0, 0, 2, 2});
    TXLSelection b(sheet, skClient, {1, 1, 4, 3});
    EXPECT_TRUE(a.Merge());
    EXPECT_EQ(user.Count("UnionsChanged"), 1);
    EXPECT_TRUE(b.Merge());
    ASSERT_EQ(sheet.Section(skClient).Unions().size(), 1u);
    EXPECT_EQ(sheet.Section(skClient).Unions()[0].Rect, (TXLRect{1, 1, 4, 3}));
    a.Unmerge();
    EXPECT_TRUE(sheet.Section(skClient).Unions().empty());
    EXPECT_EQ(user.Count("UnionsChanged"), 3);
}

TEST(Merge, AcrossRowsMergesEachRow)
{
    CheckedSheet sheet;
    TXLSelection sel(sheet, skClient, {0, 1, 3, 4});
    EXPECT_TRUE(sel.Merge(true));
    ASSERT_EQ(sheet.Section(skClient).Unions().size(), 3u);
    for (int r = 1; r < 4; ++r)
        EXPECT_EQ(sheet.Section(skClient).UnionAt(2, r)->Rect, (TXLRect{0, r, 3, r + 1}));
    EXPECT_FALSE(sel.Merge(true));
    EXPECT_FALSE(sel.IsSingle());
}

TEST(Merge, MakesFormattingUniform)
{
    CheckedSheet sheet;
    sheet.Cells(0, 0)->SetColor(clRed);
    sheet.Cells(1, 0)->SetColor(clBlue);
    sheet.Cells(0, 0)->SetSides(kOuterSides, TXLLine{1, clBlack});  // top line only on the first column
    sheet.Cells(1, 0)->SetSide(sBottom, TXLLine{1, clBlack});       // the bottom is the same all along
    sheet.Cells(0, 0)->SetSide(sBias1, TXLLine{1, clGreen});
    TXLSelection sel(sheet, skClient, {0, 0, 2, 1});
    sel.Merge();
    TXLCell* cell = sheet.FindCell(0, 0);
    EXPECT_EQ(cell->Color(), clRed);
    EXPECT_EQ(static_cast<TColor>(sheet.Section(skClient).GetProperty(1, 0, pnColor)), clRed);
    EXPECT_EQ(cell->GetSide(sTop), TXLLine{});
    EXPECT_EQ(cell->GetSide(sBottom), (TXLLine{1, clBlack}));
    EXPECT_EQ(cell->GetSide(sLeft), (TXLLine{1, clBlack}));
    EXPECT_EQ(sheet.Section(skClient).Matrix(0).Get(1, 0), 0);  // the inner line is gone
    EXPECT_EQ(cell->GetSide(sBias1), TXLLine{});
}

TEST(ClearRange, FormatsFlagResetsColourFontAndLinesAndKeepsValues)
{
    CheckedSheet sheet;
    for (int c = 0; c < 2; ++c) {
        TXLCell* cell = sheet.Cells(c, 0);
        cell->SetAsString("v" + std::to_string(c));
        cell->SetColor(clRed);
        cell->SetFontColor(clBlue);
        cell->SetSides(kOuterSides, TXLLine{3, clGreen});
        cell->SetHint("h");
    }
    TXLSelection sel(sheet, skClient, {0, 0, 2, 1});
    sel.ClearRange(crFormats);
    for (int c = 0; c < 2; ++c) {
        const TXLCell* cell = sheet.FindCell(c, 0);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->AsString(), "v" + std::to_string(c));
        EXPECT_EQ(cell->Color(), clWindow);
        EXPECT_EQ(cell->Font(), TXLFont{});
        EXPECT_FALSE(cell->HasOwnFont());
        EXPECT_EQ(cell->Sides(), 0);
        EXPECT_EQ(cell->Hint(), "h");
    }
    sel.ClearRange(crHints);
    EXPECT_EQ(sheet.GetCellHint(0, 0), "");
    EXPECT_NE(sheet.FindCell(0, 0), nullptr);
    sel.ClearRange(crContents);
    EXPECT_EQ(sheet.FindCell(0, 0), nullptr);
    EXPECT_EQ(sheet.FindCell(1, 0), nullptr);
}

TEST(ClearRange, ContentsOfAMergedRangeLeaveTheRange)
{
    CheckedSheet sheet;
    sheet.SetText(0, 0, "m");
    sheet.Cells(0, 0)->SetWidth(2);
    TXLSelection(sheet, skClient, {0, 0, 1, 1}).ClearRange(crContents);
    EXPECT_EQ(sheet.FindCell(1, 0), nullptr);
    ASSERT_EQ(sheet.Section(skClient).Unions().size(), 1u);
    EXPECT_EQ(sheet.Section(skClient).Unions()[0].Anchor, nullptr);
    sheet.SetText(1, 0, "back");
    EXPECT_EQ(sheet.FindCell(0, 0)->AsString(), "back");
    EXPECT_TRUE(sheet.FindCell(0, 0)->IsAnchor());
}

TEST(RangeObject, ReadsTheFirstCellAndWritesAll)
{
    CheckedSheet sheet;
    sheet.SetText(1, 1, "first");
    TXLSelection sel(sheet, skClient, {1, 1, 3, 3});
    EXPECT_EQ(sel.Value().Str(), "first");
    sel.SetValue(Variant("all"));
    for (int r = 1; r < 3; ++r)
        for (int c = 1; c < 3; ++c)
            EXPECT_EQ(sheet.FindCell(c, r)->AsString(), "all");
    sel.SetProperty(pnColor, static_cast<int32_t>(clRed));
    EXPECT_EQ(sheet.FindCell(2, 2)->Color(), clRed);
    EXPECT_EQ(static_cast<TColor>(sel.GetProperty(pnColor)), clRed);
    sel.SetSides(kOuterSides | 1 << sHInside | 1 << sVInside, TXLLine{1, clBlack});
    EXPECT_EQ(sheet.FindCell(1, 1)->GetSide(sRight), (TXLLine{1, clBlack}));
    EXPECT_EQ(sheet.FindCell(2, 2)->GetSide(sTop), (TXLLine{1, clBlack}));
    TXLFont font;
    font.Size = 11;
    sel.SetFont(font, kFontSize);
    EXPECT_EQ(sheet.FindCell(2, 1)->Font().Size, 11);
    EXPECT_EQ(sel.Font().Size, 11);
    EXPECT_EQ(sel.SheetRect(), (TXLRect{1, 1, 3, 3}));
}

TEST(RangeObject, APartlyOutsideRectangleIsClipped)
{
    CheckedSheet sheet;
    TXLSelection sel(sheet, skClient, {3, 3, 9, 9});
    EXPECT_TRUE(sel.Merge());
    EXPECT_EQ(sheet.Section(skClient).Unions()[0].Rect, (TXLRect{3, 3, 5, 5}));
    TXLSelection outside(sheet, skClient, {7, 7, 9, 9});
    EXPECT_FALSE(outside.Merge());
    outside.ClearRange(crContents | crFormats | crHints);
}

TEST(RangeObject, AFailedWriteStillClosesTheUpdateBracket)
{
    CheckedSheet sheet;
    sheet.BaseClientStyle().SetValueClass(TXLCInteger::Class());
    SheetContract user(sheet);
    TXLSelection sel(sheet, skClient, {0, 0, 2, 2});
    EXPECT_THROW(sel.SetValue(Variant("abc")), EVariantError);
    EXPECT_FALSE(sheet.Updating());
    EXPECT_EQ(user.Count("BeginUpdate"), 1);
    EXPECT_EQ(user.Count("EndUpdate"), 1);
    sheet.BaseTitleStyle().SetValueClass(TXLCInteger::Class());
    EXPECT_THROW(sheet.FillTitles(), EVariantError);  // letters into number headings
    EXPECT_FALSE(sheet.Updating());
}

struct OutsideCase {
    const char* name;
    TXLSectionKind section;  // a section outside the four is refused by the type
    TXLRect rect;
};

const OutsideCase kOutside[] = {
    {"Negative", skClient, {-5, -5, 2, 2}},
    {"BeyondTheLists", skClient, {TXLSizeList::kMaxIndex - 1, 0, TXLSizeList::kMaxIndex + 9, 2}},
    {"TitleBandBeyondItsRows", skTitleRows, {0, 0, 2, 2}},
    {"Inverted", skClient, {3, 3, 1, 1}},
};

class RangeOutside : public ::testing::TestWithParam<OutsideCase> {};

TEST_P(RangeOutside, IsCorrectedSilently)
{
    const OutsideCase& c = GetParam();
    CheckedSheet sheet;
    TXLSelection sel(sheet, c.section, c.rect);
    EXPECT_NO_THROW({
        sel.SetValue(Variant("x"));
        sel.SetProperty(pnColor, static_cast<int32_t>(clRed));
        sel.SetSides(0xFF, TXLLine{1, clBlack});
        sel.SetFont(TXLFont{}, kFontSize);
        sel.Value();
        sel.GetProperty(pnRight);
        sel.Merge();
        sel.Unmerge();
        sel.ClearRange(crContents | crFormats | crHints);
    });
}

INSTANTIATE_TEST_SUITE_P(Ranges, RangeOutside, ::testing::ValuesIn(kOutside),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SheetPositions, FarPositionsNeverThrow)
{
    CheckedSheet sheet;
    const int far = TXLSizeList::kMaxIndex + 5;
    EXPECT_EQ(sheet.Cells(far, 0), nullptr);
    EXPECT_EQ(sheet.Cells(0, far), nullptr);
    EXPECT_EQ(sheet.Cells(-far, 0), nullptr);
    EXPECT_EQ(sheet.FindCell(far, far), nullptr);
    EXPECT_EQ(sheet.SetCellClass(far, 0, TXLCInteger::Class()), nullptr);
    EXPECT_NO_THROW(sheet.SetText(far, 1, "x"));
    EXPECT_NO_THROW(sheet.SetProperty(far, 1, pnColor, 5));
    EXPECT_NO_THROW(sheet.SetProperty(1, far, pnRight, 5));
    EXPECT_TRUE(sheet.Values(far, -far).IsUnassigned());
    EXPECT_EQ(sheet.GetCellHint(far, 0), "");
    TXLCell* edge = sheet.Cells(TXLSizeList::kMaxIndex, 0);
    ASSERT_NE(edge, nullptr);
    EXPECT_NO_THROW(edge->SetSides(kOuterSides, TXLLine{1, clBlack}));
    EXPECT_NO_THROW(edge->SetWidth(3));
}

}  // namespace
