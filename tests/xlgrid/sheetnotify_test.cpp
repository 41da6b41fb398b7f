// What the sheet tells its users: operations that change nothing say
// nothing, repaint requests are coalesced until the cell is painted, and
// repaint areas stay inside their sections.

#include "xlgrid/range.h"
#include "xlgrid/sheet.h"
#include "xlgrid/sheetstream.h"

#include <gtest/gtest.h>

#include "sheetcontract.h"

#include <climits>
#include <functional>
#include <string>
#include <vector>

using namespace xlgrid;
using xlgrid::testing::CheckedSheet;
using xlgrid::testing::SheetContract;

namespace {

// 6 x 6 body, one title row and column; a red text cell at (1, 1), a merged
// range over (3, 3)-(4, 4), a wide column 2 and a hidden row 5.
void FillSample(TXLSheet& sheet)
{
    sheet.SetColCount(6);
    sheet.SetRowCount(6);
    sheet.SetText(1, 1, "x");
    sheet.Cells(1, 1)->SetColor(clRed);
    sheet.Cells(1, 1)->SetHint("tip");
    TXLSelection(sheet, skClient, {3, 3, 5, 5}).Merge();
    sheet.SetSizes(2, sCols, 90);
    sheet.SetVisible(5, sRows, false);
    sheet.FillTitles();
    sheet.SetModified(false);
}

struct SilentCase {
    const char* name;
    std::function<void(TXLSheet&)> op;
};

const TXLRect kOutside{7, 7, 9, 9};

const SilentCase kSilentCases[] = {
    {"InsertNoRows", [](TXLSheet& s) { s.InsertRows(2, 0); }},
    {"InsertNoTitleColumns", [](TXLSheet& s) { s.InsertCols(-1, 0); }},
    {"DeleteRowsPastTheEnd", [](TXLSheet& s) { s.InsertRows(s.RowCount(), -3); }},
    {"DeleteColumnsFarPastTheEnd", [](TXLSheet& s) { s.InsertCols(INT_MAX, INT_MIN); }},
    {"ColCountToItsValue", [](TXLSheet& s) { s.SetColCount(s.ColCount()); }},
    {"RowCountToItsValue", [](TXLSheet& s) { s.SetRowCount(6); }},
    {"TitleColsToItsValue", [](TXLSheet& s) { s.SetTitleCols(1); }},
    {"TitleRowsToItsValue", [](TXLSheet& s) { s.SetTitleRows(1); }},
    {"SizeToItsValue", [](TXLSheet& s) { s.SetSizes(2, sCols, 90); }},
    {"DefaultSizeOfAColumnToItsValue", [](TXLSheet& s) { s.SetSizes(1, sCols, 60); }},
    {"SizePastTheBand", [](TXLSheet& s) { s.SetSizes(9, sCols, 30); }},
    {"SizeBeforeTheTitleBand", [](TXLSheet& s) { s.SetSizes(-2, sRows, 30); }},
    {"SizeAtINT_MIN", [](TXLSheet& s) { s.SetSizes(INT_MIN, sRows, 30); }},
    {"ShowAVisibleRow", [](TXLSheet& s) { s.SetVisible(1, sRows, true); }},
    {"HideAHiddenRow", [](TXLSheet& s) { s.SetVisible(5, sRows, false); }},
    {"HideAColumnPastTheBand", [](TXLSheet& s) { s.SetVisible(6, sCols, false); }},
    {"NoMaximumWidth", [](TXLSheet& s) { s.SetColMaxWidth(0); }},
    {"MergeOutsideTheSheet", [](TXLSheet& s) { TXLSelection(s, skClient, kOutside).Merge(); }},
    {"MergeTheMergedRangeAgain", [](TXLSheet& s) { TXLSelection(s, skClient, {3, 3, 5, 5}).Merge(); }},
    {"MergeOneCell", [](TXLSheet& s) { TXLSelection(s, skClient, {0, 0, 1, 1}).Merge(); }},
    {"UnmergeWhereNothingIsMerged", [](TXLSheet& s) { TXLSelection(s, skClient, {0, 0, 2, 2}).Unmerge(); }},
    {"WriteARangeOutsideItsSection", [](TXLSheet& s) { TXLSelection(s, skClient, kOutside).SetValue(Variant(1)); }},
    {"ColourARangeOutsideItsSection",
     [](TXLSheet& s) { TXLSelection(s, skTitleRows, {0, 2, 3, 4}).SetProperty(pnColor, clRed); }},
    {"LineARangeOutsideItsSection",
     [](TXLSheet& s) { TXLSelection(s, skClient, kOutside).SetSides(kOuterSides, TXLLine{2, clBlue}); }},
    {"FontOfARangeOutsideItsSection", [](TXLSheet& s) { TXLSelection(s, skCorner, {1, 1, 2, 2}).SetFont(TXLFont{}); }},
    {"ClearARangeOutsideItsSection",
     [](TXLSheet& s) { TXLSelection(s, skClient, kOutside).ClearRange(crContents | crFormats | crHints); }},
    {"ColourARangeWithItsColour",
     [](TXLSheet& s) { TXLSelection(s, skClient, {4, 0, 6, 2}).SetProperty(pnColor, static_cast<int32_t>(clWindow)); }},
    {"RemoveLinesThatAreNotThere", [](TXLSheet& s) { TXLSelection(s, skClient, {0, 0, 2, 2}).SetSides(0xFF, TXLLine{}); }},
    {"TextToItsValue", [](TXLSheet& s) { s.SetText(1, 1, "x"); }},
    {"ColourToItsValue", [](TXLSheet& s) { s.Cells(1, 1)->SetColor(clRed); }},
    {"AlignmentToItsValue", [](TXLSheet& s) { s.Cells(1, 1)->SetHorzAlign(haLeft); }},
    {"FormatToItsValue", [](TXLSheet& s) { s.Cells(1, 1)->SetFormat(""); }},
    {"EditorToItsValue", [](TXLSheet& s) { s.Cells(1, 1)->SetEditor(0); }},
    {"EditorOutOfRangeIsTheFirst", [](TXLSheet& s) { s.Cells(1, 1)->SetEditor(99); }},
    {"HintToItsText", [](TXLSheet& s) { s.Cells(1, 1)->SetHint("tip"); }},
    {"ClassToItsClass", [](TXLSheet& s) { s.SetCellClass(1, 1, TXLCString::Class()); }},
    {"PositionColourToItsValue", [](TXLSheet& s) { s.SetProperty(0, 0, pnColor, static_cast<int32_t>(clWindow)); }},
    {"InnerLinesOfOnePosition", [](TXLSheet& s) { s.SetProperty(0, 0, pnHInside, TXLLine{1, clBlack}.Encode()); }},
    {"PropertyNumberOutOfRange", [](TXLSheet& s) { s.SetProperty(0, 0, kPropNumberCount, 7); }},
    {"NegativePropertyNumber", [](TXLSheet& s) { s.SetProperty(0, 0, -1, 7); }},
    {"PositionPastTheLists", [](TXLSheet& s) { s.SetProperty(INT_MAX, 0, pnColor, 7); }},
    {"NegativeMarginsOnNone", [](TXLSheet& s) { s.SetPrintMargins({-1, -5, INT_MIN, 0}); }},
    {"PrintScaleToItsValue", [](TXLSheet& s) { s.SetPrintScale(100); }},
    {"PrintTitlesToTheirValue", [](TXLSheet& s) { s.SetPrintTitles(0); }},
    {"PrintFlagsToTheirValues",
     [](TXLSheet& s) {
         s.SetPrintHidden(false);
         s.SetPrintGridLines(false);
     }},
    {"BackgroundToTheSamePicture", [](TXLSheet& s) { s.SetBackground(TXLPicture{}); }},
    {"AuthorAndTitleToTheirValues",
     [](TXLSheet& s) {
         s.SetAuthor("");
         s.SetTitle("");
     }},
    {"RecalculateWithoutFormulas", [](TXLSheet& s) { s.Recalculate(); }},
};

class SilentOperation : public ::testing::TestWithParam<SilentCase> {};

TEST_P(SilentOperation, ChangesNothingAndNotifiesNothing)
{
    CheckedSheet sheet;
    FillSample(sheet);
    const std::string before = SaveSheetToString(sheet);
    sheet.SetModified(false);
    SheetContract user(sheet);
    EXPECT_NO_THROW(GetParam().op(sheet));
    EXPECT_EQ(user.Events, std::vector<std::string>{});
    EXPECT_FALSE(sheet.Modified());
    EXPECT_EQ(SaveSheetToString(sheet), before);
}

INSTANTIATE_TEST_SUITE_P(Sheet, SilentOperation, ::testing::ValuesIn(kSilentCases),
                         [](const auto& info) { return std::string(info.param.name); });

// As if a view had just painted everything.
void PaintAll(TXLSheet& sheet)
{
    for (TXLSectionKind k : kSectionKinds)
        sheet.Section(k).ForEachCell([](TXLCell& cell) { cell.MarkPainted(); });
}

struct DocumentedCase {
    const char* name;
    std::function<void(TXLSheet&)> op;
    std::vector<std::string> expected;  // what the mutator's comment in sheet.h promises
};

using Events = std::vector<std::string>;
const std::string kSides = "RangeChanged 3 [0,0,2,2] sides";

const DocumentedCase kDocumentedCases[] = {
    {"ColCountGrows", [](TXLSheet& s) { s.SetColCount(9); }, Events{"SizesChanged 1 client"}},
    {"ColCountCutsAMergedRange", [](TXLSheet& s) { s.SetColCount(4); }, Events{"SizesChanged 1 client", "UnionsChanged"}},
    {"TitleRowsGrow", [](TXLSheet& s) { s.SetTitleRows(2); }, Events{"SizesChanged 2 title"}},
    {"DefaultWidthToItsValue", [](TXLSheet& s) { s.SetColDefWidth(60); },
     Events{"SizesChanged 1 title", "SizesChanged 1 client"}},
    {"MaximumBelowTheDefault", [](TXLSheet& s) { s.SetRowMaxHeight(10); },
     Events{"SizesChanged 2 title", "SizesChanged 2 client"}},
    {"MaximumCutsAWideColumn", [](TXLSheet& s) { s.SetColMaxWidth(70); }, Events{"SizeChanged cols 2"}},
    {"SizeOfAHiddenRow", [](TXLSheet& s) { s.SetSizes(5, sRows, 40); }, Events{}},
    {"SizeOfATitleColumn", [](TXLSheet& s) { s.SetSizes(-1, sCols, 40); }, Events{"SizeChanged cols 0"}},
    {"HideARow", [](TXLSheet& s) { s.SetVisible(1, sRows, false); }, Events{"SizeChanged rows 1"}},
    {"ShowTheHiddenRow", [](TXLSheet& s) { s.SetVisible(5, sRows, true); }, Events{"SizeChanged rows 5"}},
    {"InsertRowsAboveAMergedRange", [](TXLSheet& s) { s.InsertRows(1, 1); },
     Events{"BeginUpdate", "SectorsMoved rows client 1 at 1", "UnionsChanged", "EndUpdate", "SheetChanged"}},
    {"DeleteATitleColumn", [](TXLSheet& s) { s.InsertCols(-1, -1); },
     Events{"BeginUpdate", "SectorsMoved cols title -1 at 0", "EndUpdate", "SheetChanged"}},
    {"Clear", [](TXLSheet& s) { s.Clear(); },
     Events{"BeginUpdate", "UnionsChanged", "EndUpdate", "SheetChanged", "SizesChanged 1 client",
            "SizesChanged 2 client"}},
    {"TextOfANewCell", [](TXLSheet& s) { s.SetText(0, 4, "new"); }, Events{"RangeChanged 3 [0,4,1,5]"}},
    {"TextOfAPaintedCell", [](TXLSheet& s) { s.SetText(1, 1, "y"); }, Events{"RangeChanged 3 [1,1,2,2]"}},
    {"ClassOfACell", [](TXLSheet& s) { s.SetCellClass(1, 1, TXLCInteger::Class()); }, Events{"RangeChanged 3 [1,1,2,2]"}},
    {"BorderOfAnEmptyPosition", [](TXLSheet& s) { s.SetCellBorder(0, 0, clBlack, clNone); },
     Events{"RangeChanged 3 [0,0,1,1]", kSides, kSides, kSides, kSides}},
    {"FillTitlesAgain", [](TXLSheet& s) { s.FillTitles(); }, Events{"BeginUpdate", "EndUpdate"}},
    {"FillTitlesOfANewColumn",
     [](TXLSheet& s) {
         s.SetColCount(7);
         s.FillTitles();
     },
     Events{"SizesChanged 1 client", "BeginUpdate", "EndUpdate", "SheetChanged"}},
    {"NumberANewRow",
     [](TXLSheet& s) {
         s.SetRowCount(7);
         s.NumberRow(6);
     },
     Events{"SizesChanged 2 client", "RangeChanged 1 [0,6,1,7]"}},
    {"NumberANumberedRow", [](TXLSheet& s) { s.NumberRow(4); }, Events{}},
    {"ColourOfAPosition", [](TXLSheet& s) { s.SetProperty(2, 2, pnColor, clRed); }, Events{"RangeChanged 3 [2,2,3,3]"}},
    {"LineOfAPosition", [](TXLSheet& s) { s.SetProperty(2, 2, pnTop, TXLLine{1, clBlack}.Encode()); },
     Events{"RangeChanged 3 [1,1,4,4] sides"}},
    {"BodyColour", [](TXLSheet& s) { s.BaseClientStyle().SetColor(clRed); },
     Events{"CellsFormatted 3 all", "SectionChanged 3"}},
    {"GridLineColourOfTheHeadings", [](TXLSheet& s) { s.BaseTitleStyle().SetLinesColor(clRed); },
     Events{"SectionChanged 0", "SectionChanged 1", "SectionChanged 2"}},
    {"Background", [](TXLSheet& s) { s.SetBackground(TXLPicture{"BMP", "BM..", 1, 1}); }, Events{"SectionChanged 3"}},
    {"PrintScale", [](TXLSheet& s) { s.SetPrintScale(50); }, Events{"PrintChanged"}},
    {"PrintMode", [](TXLSheet& s) { s.SetPrintMode(pmCustom); }, Events{}},
    {"Author", [](TXLSheet& s) { s.SetAuthor("王老师"); }, Events{}},
    {"MergeACell", [](TXLSheet& s) { s.FindCell(1, 1)->SetWidth(2); },
     Events{"RangeChanged 3 [1,1,3,2] sides", "UnionsChanged"}},
};

class DocumentedNotifications : public ::testing::TestWithParam<DocumentedCase> {};

TEST_P(DocumentedNotifications, AreWhatTheMutatorSends)
{
    CheckedSheet sheet;
    FillSample(sheet);
    PaintAll(sheet);
    SheetContract user(sheet);
    GetParam().op(sheet);
    EXPECT_EQ(user.Events, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Sheet, DocumentedNotifications, ::testing::ValuesIn(kDocumentedCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Boundary values through every range entry point: corrected silently, no
// throw, and whatever is reported lies inside its section (the contract).
TEST(SheetBoundaries, RangeEntryPointsTakeAnyRectangle)
{
    const int values[] = {INT_MIN, -1, 0, 1, 5, TXLSheet::kMaxCount, INT_MAX};
    CheckedSheet sheet;
    FillSample(sheet);
    for (TXLSectionKind section : kSectionKinds)
        for (int a : values)
            for (int b : values) {
                TXLSelection sel(sheet, section, {a, a, b, b});
                EXPECT_NO_THROW(sel.SetProperty(pnColor, clGreen));
                EXPECT_NO_THROW(sel.SetSides(0xFF, TXLLine{3, clBlue}));
                EXPECT_NO_THROW(sel.SetFont(TXLFont{}, kFontSize));
                EXPECT_NO_THROW(sel.Merge());
                EXPECT_NO_THROW(sel.Unmerge());
                EXPECT_NO_THROW(sel.ClearRange(crFormats | crHints));
            }
    EXPECT_EQ(sheet.Contract.Failures(), 0);
}

// ---- repaint requests -------------------------------------------------------------

TEST(RepaintRequests, ACellAsksOnceUntilItIsPainted)
{
    CheckedSheet sheet;
    SheetContract user(sheet);
    sheet.SetText(1, 2, "a");  // created, then written
    sheet.SetText(1, 2, "b");
    sheet.SetText(1, 2, "c");
    EXPECT_EQ(user.Repaints(skClient), std::vector<TXLRect>{(TXLRect{1, 2, 2, 3})});
    TXLCell* cell = sheet.FindCell(1, 2);
    cell->MarkPainted();
    for (int i = 0; i < 50; ++i)
        sheet.SetValues(1, 2, Variant(i));
    EXPECT_EQ(user.Repaints(skClient).size(), 2u);
    cell->MarkPainted();
    sheet.SetText(1, 2, "again");
    EXPECT_EQ(user.Repaints(skClient).size(), 3u);
    // Each cell asks for itself.
    sheet.SetText(0, 0, "other");
    EXPECT_EQ(user.Repaints(skClient).back(), (TXLRect{0, 0, 1, 1}));
}

struct ChangeCase {
    const char* name;
    std::function<void(TXLCell&, int round)> change;  // a different value each round
    bool sides;  // lines: the neighbours too, every time
};

const ChangeCase kChangeCases[] = {
    {"Value", [](TXLCell& c, int i) { c.SetAsString("v" + std::to_string(i)); }, false},
    {"Format", [](TXLCell& c, int i) { c.SetFormat(i % 2 ? ">L" : "<L"); }, false},
    {"Font", [](TXLCell& c, int i) { c.SetFontColor(RGBColor(i, 0, 0)); }, false},
    {"Editor", [](TXLCell& c, int i) { c.SetEditor(1 + i % 2); }, false},
    {"Colour", [](TXLCell& c, int i) { c.SetColor(RGBColor(0, i, 0)); }, false},
    {"Frame", [](TXLCell& c, int i) { c.SetFrame(i % 2 ? frDeepUp : frBevelDown); }, false},
    {"Alignment", [](TXLCell& c, int i) { c.SetHorzAlign(i % 2 ? haRight : haCenter); }, false},
    {"Styles", [](TXLCell& c, int i) { c.SetStyles(i % 2 ? StyleBit(csProtect) : StyleBit(csReadOnly)); }, false},
    {"Hint", [](TXLCell& c, int i) { c.SetHint("hint " + std::to_string(i)); }, false},
    {"Side", [](TXLCell& c, int i) { c.SetSide(sBottom, TXLLine{1, RGBColor(i, i, 0)}); }, true},
    {"Diagonal", [](TXLCell& c, int i) { c.SetSide(sBias1, TXLLine{2, RGBColor(0, 0, i)}); }, true},
};

class RepaintOfAChange : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(RepaintOfAChange, FollowsTheOnceUntilPaintedRule)
{
    const ChangeCase& c = GetParam();
    CheckedSheet sheet;
    TXLCell* cell = sheet.Cells(4, 4);  // the last body cell: the neighbours end at the counts
    cell->MarkPainted();
    SheetContract user(sheet);
    for (int round = 1; round <= 3; ++round)
        c.change(*cell, round);
    // The first change asks, the others ride on its request; lines ask every time.
    std::vector<TXLRect> expected{c.sides ? TXLRect{3, 3, 5, 5} : TXLRect{4, 4, 5, 5}};
    if (c.sides)
        expected.resize(3, TXLRect{3, 3, 5, 5});
    EXPECT_EQ(user.Repaints(skClient), expected);
    cell->MarkPainted();
    c.change(*cell, 4);
    EXPECT_EQ(user.Repaints(skClient).size(), expected.size() + 1);
    for (const auto& n : user.Records) {
        if (n.What == xlgrid::testing::Notification::RangeChanged) {
            EXPECT_EQ(n.Repaint, c.sides ? rpSides : rpCells);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cell, RepaintOfAChange, ::testing::ValuesIn(kChangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RepaintRequests, AnUpdateBracketStillSendsOneSheetChanged)
{
    CheckedSheet sheet;
    SheetContract user(sheet);
    {
        TXLUpdateGuard update(sheet);
        for (int r = 0; r < 5; ++r)
            for (int i = 0; i < 3; ++i)
                sheet.SetText(0, r, "x" + std::to_string(i));
    }
    EXPECT_EQ(user.Events, (std::vector<std::string>{"BeginUpdate", "EndUpdate", "SheetChanged"}));
    // Nothing asked inside the bracket: the next change asks at once.
    sheet.SetText(0, 1, "after");
    EXPECT_EQ(user.Repaints(skClient), std::vector<TXLRect>{(TXLRect{0, 1, 1, 2})});
}

TEST(RepaintRequests, ChangingAClassAsksOnce)
{
    CheckedSheet sheet;
    SheetContract user(sheet);
    sheet.SetText(2, 2, "12");
    TXLCell* number = sheet.SetCellClass(2, 2, TXLCInteger::Class());
    EXPECT_EQ(number->AsInteger(), 12);
    EXPECT_EQ(user.Repaints(skClient), std::vector<TXLRect>{(TXLRect{2, 2, 3, 3})});
    number->MarkPainted();
    sheet.SetCellClass(2, 2, TXLCDouble::Class());
    EXPECT_EQ(user.Repaints(skClient).size(), 2u);
}

TEST(RepaintRequests, AFreedAnchorRepaintsItsWholeRange)
{
    CheckedSheet empty, sheet;
    sheet.SetText(1, 1, "merged");
    TXLSelection(sheet, skClient, {1, 1, 3, 4}).Merge();
    sheet.FindCell(1, 1)->MarkPainted();
    SheetContract user(sheet);
    TXLSheet::CopyCell(empty, 0, 0, sheet, 1, 1);  // an empty position frees the anchor
    EXPECT_EQ(sheet.FindCell(1, 1), nullptr);
    EXPECT_EQ(user.Repaints(skClient), std::vector<TXLRect>{(TXLRect{1, 1, 3, 4})});
}

TEST(RepaintAreas, StayInsideTheirSection)
{
    CheckedSheet sheet;
    SheetContract user(sheet);
    // Lines of the last cell: the area grows past the counts and is cut there.
    sheet.Cells(4, 4)->SetSides(kOuterSides, TXLLine{3, clBlack});
    TXLSelection(sheet, skClient, {3, 0, 5, 5}).SetProperty(pnRight, TXLLine{1, clBlue}.Encode());
    sheet.SetProperty(-1, -1, pnBottom, TXLLine{1, clBlue}.Encode());
    // Cells beyond the counts exist but are nowhere to be seen.
    sheet.SetText(7, 7, "beyond");
    for (const TXLRect& r : user.Repaints(skClient))
        EXPECT_TRUE(r.Right <= 5 && r.Bottom <= 5) << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
    EXPECT_EQ(user.Repaints(skCorner), std::vector<TXLRect>{(TXLRect{0, 0, 1, 1})});
    EXPECT_EQ(user.Count("RangeChanged 3 [4,4,5,5] sides"), 0);
    EXPECT_EQ(user.Count("RangeChanged 3 [3,3,5,5] sides"), 4);
    EXPECT_EQ(sheet.Contract.Failures(), 0);
}

TEST(RepaintAreas, CountsCutNoRepaintOfWhatIsGone)
{
    CheckedSheet sheet;
    sheet.SetColCount(8);
    for (int c = 0; c < 8; ++c)
        sheet.SetText(c, 0, "x");
    SheetContract user(sheet);
    sheet.SetColCount(3);
    EXPECT_EQ(user.Events, std::vector<std::string>{"SizesChanged 1 client"});
}

// ---- merged ranges ------------------------------------------------------------------

struct UnionsCase {
    const char* name;
    std::function<void(TXLSheet&)> op;
};

const UnionsCase kUnionsCases[] = {
    {"WidenACell", [](TXLSheet& s) { s.Cells(0, 0)->SetWidth(3); }},
    {"NarrowAMergedCell", [](TXLSheet& s) { s.FindCell(1, 1)->SetWidth(1); }},
    {"ShrinkPastTheRange", [](TXLSheet& s) { s.SetColCount(2); }},
    {"DeleteTheRangesRows", [](TXLSheet& s) { s.InsertRows(1, -2); }},
    {"InsertBeforeTheRange", [](TXLSheet& s) { s.InsertCols(0, 1); }},
    {"ClearTheCells", [](TXLSheet& s) { s.ClearCells(); }},
};

class UnionsNotification : public ::testing::TestWithParam<UnionsCase> {};

// Every change of the merged ranges tells the users, who cache them.
TEST_P(UnionsNotification, FollowsEveryChangeOfTheRanges)
{
    CheckedSheet sheet;
    sheet.SetText(1, 1, "m");
    sheet.FindCell(1, 1)->SetRange({1, 1, 3, 3});
    SheetContract user(sheet);
    GetParam().op(sheet);
    EXPECT_EQ(user.Count("UnionsChanged"), 1);
}

INSTANTIATE_TEST_SUITE_P(Sheet, UnionsNotification, ::testing::ValuesIn(kUnionsCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the tester itself --------------------------------------------------------------

// A user that breaks the contract on purpose: the tester must say so.
TEST(SheetContractTester, ReportsAnAreaPastItsSectionAndUnbalancedBrackets)
{
    CheckedSheet sheet;
    SheetContract tester(sheet);
    std::vector<std::string> failures;
    tester.SetFailureHandler([&](const std::string& m) { failures.push_back(m); });
    tester.RangeChanged(skClient, {4, 4, 6, 5}, rpCells);
    tester.RangeChanged(skTitleRows, {0, 0, 0, 1}, rpCells);
    tester.SizeChanged(sRows, 5, bdClient);
    tester.SectorsMoved(sCols, bdTitle, 2, 0);
    tester.EndUpdate();
    tester.BeginUpdate();
    tester.SheetChanged();
    tester.EndUpdate();
    ASSERT_EQ(failures.size(), 6u);
    EXPECT_NE(failures[0].find("reaches past its section of 5 x 5"), std::string::npos) << failures[0];
    EXPECT_NE(failures[1].find("empty rectangle"), std::string::npos) << failures[1];
    EXPECT_NE(failures[2].find("outside its band of 5"), std::string::npos) << failures[2];
    EXPECT_NE(failures[3].find("outside its band of 1"), std::string::npos) << failures[3];
    EXPECT_NE(failures[4].find("never opened"), std::string::npos) << failures[4];
    EXPECT_NE(failures[5].find("inside an update bracket"), std::string::npos) << failures[5];
    tester.BeginUpdate();
    tester.Detach();
    EXPECT_EQ(failures.size(), 7u);
}

}  // namespace
