// The sheet's shape: merged ranges under insertion and deletion, counts,
// sizes and their limits, heading labels and the notifications to views.

#include "xlgrid/range.h"
#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

#include "sheetcontract.h"

#include <climits>
#include <memory>

using namespace xlgrid;
using xlgrid::testing::CheckedSheet;
using xlgrid::testing::SheetContract;

namespace {

TXLRect UnionRect(const TXLSheet& sheet, TXLSectionKind section = skClient)
{
    const auto& unions = sheet.Section(section).Unions();
    return unions.empty() ? TXLRect{} : unions.front().Rect;
}

// ---- merged ranges under insertion and deletion -----------------------------

struct MoveCase {
    const char* name;
    TXLAxis axis;
    int index;
    int count;
    TXLRect expected;  // empty: the range is gone
};

// The range covers columns 1..2 (exclusive 3) and rows 1..2 (exclusive 3).
const MoveCase kMoveCases[] = {
    {"InsertColAtRightEdgeWidens", sCols, 3, 1, {1, 1, 4, 3}},
    {"InsertColAtLeftEdgeMoves", sCols, 1, 1, {2, 1, 4, 3}},
    {"InsertColInsideWidens", sCols, 2, 2, {1, 1, 5, 3}},
    {"InsertColAfterLeavesAlone", sCols, 4, 1, {1, 1, 3, 3}},
    {"InsertRowAtBottomEdgeWidens", sRows, 3, 1, {1, 1, 3, 4}},
    {"InsertRowAboveMoves", sRows, 0, 2, {1, 3, 3, 5}},
    {"DeleteColBeforeMoves", sCols, 0, -1, {0, 1, 2, 3}},
    {"DeleteOneColInsideNarrows", sCols, 2, -1, {1, 1, 2, 3}},
    {"DeleteFirstColNarrows", sCols, 1, -1, {1, 1, 2, 3}},
    {"DeleteOverlappingLeft", sCols, 0, -2, {0, 1, 1, 3}},
    {"DeleteAllRowsRemoves", sRows, 1, -2, {}},
    {"DeleteAllColsAndMoreRemoves", sCols, 0, -4, {}},
    {"DeleteRowsBelowLeavesAlone", sRows, 3, -2, {1, 1, 3, 3}},
};

class MergedRangeMove : public ::testing::TestWithParam<MoveCase> {};

TEST_P(MergedRangeMove, AdjustsTheRange)
{
    const MoveCase& c = GetParam();
    CheckedSheet sheet;
    sheet.SetColCount(6);
    sheet.SetRowCount(6);
    sheet.SetText(1, 1, "anchor");
    sheet.Cells(1, 1)->SetRange({1, 1, 3, 3});
    ASSERT_EQ(UnionRect(sheet), (TXLRect{1, 1, 3, 3}));
    if (c.axis == sCols)
        sheet.InsertCols(c.index, c.count);
    else
        sheet.InsertRows(c.index, c.count);
    if (c.expected.IsEmpty()) {
        EXPECT_TRUE(sheet.Section(skClient).Unions().empty());
        return;
    }
    ASSERT_EQ(sheet.Section(skClient).Unions().size(), 1u);
    EXPECT_EQ(UnionRect(sheet), c.expected);
    // Every position of the moved range still reads one cell, its anchor.
    const TXLRect& r = c.expected;
    const TXLCell* anchor = sheet.FindCell(r.Left, r.Top);
    for (int row = r.Top; row < r.Bottom; ++row)
        for (int col = r.Left; col < r.Right; ++col)
            EXPECT_EQ(sheet.FindCell(col, row), anchor) << col << "," << row;
    if (anchor) {
        EXPECT_TRUE(anchor->IsAnchor());
        EXPECT_EQ(anchor->Range(), r);
    }
}

INSTANTIATE_TEST_SUITE_P(Sheet, MergedRangeMove, ::testing::ValuesIn(kMoveCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SheetMerge, DeletingTheAnchorRowGivesTheRangeTheCellBelowItsNewTopLeft)
{
    CheckedSheet sheet;
    sheet.SetText(0, 0, "gone");
    sheet.Cells(0, 0)->SetRange({0, 0, 2, 3});
    sheet.InsertRows(0, -1);
    ASSERT_EQ(UnionRect(sheet), (TXLRect{0, 0, 2, 2}));
    EXPECT_EQ(sheet.FindCell(1, 1), nullptr);
    // A cell written at the range later becomes its anchor.
    sheet.SetText(1, 1, "new");
    TXLCell* cell = sheet.FindCell(0, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->AsString(), "new");
    EXPECT_TRUE(cell->IsAnchor());
    EXPECT_EQ(cell->Width(), 2);
}

TEST(SheetMerge, ReadsAndWritesInsideARangeHitTheAnchor)
{
    CheckedSheet sheet;
    sheet.SetText(1, 1, "top-left");
    sheet.Cells(1, 1)->SetRange({1, 1, 4, 3});
    sheet.SetText(3, 2, "through the corner");
    TXLCell* anchor = sheet.FindCell(1, 1);
    ASSERT_NE(anchor, nullptr);
    EXPECT_EQ(anchor->AsString(), "through the corner");
    EXPECT_EQ(sheet.Cells(2, 1), anchor);
    EXPECT_EQ(sheet.Values(2, 2).Str(), "through the corner");
    sheet.SetValues(1, 2, Variant("values"));
    EXPECT_EQ(anchor->AsString(), "values");
    // No cell was created under the range.
    int cells = 0;
    sheet.Section(skClient).ForEachCell([&](TXLCell&) { ++cells; });
    EXPECT_EQ(cells, 1);
}

TEST(SheetMerge, TitleBandRangesFollowTitleInsertion)
{
    CheckedSheet sheet;
    sheet.SetTitleRows(2);
    sheet.SetText(0, -2, "caption");
    sheet.Cells(0, -2)->SetWidth(3);
    EXPECT_EQ(UnionRect(sheet, skTitleRows), (TXLRect{0, 0, 3, 1}));
    sheet.InsertCols(1, 1);
    EXPECT_EQ(UnionRect(sheet, skTitleRows), (TXLRect{0, 0, 4, 1}));
    EXPECT_EQ(sheet.FindCell(3, -2)->AsString(), "caption");
}

// ---- counts ------------------------------------------------------------------

TEST(SheetCounts, ShrinkAndRegrowKeepFormattingAndHintsButNoCells)
{
    CheckedSheet sheet;
    for (int c = 0; c < 5; ++c) {
        sheet.SetText(c, 0, "v" + std::to_string(c));
        sheet.SetText(c, -1, "h" + std::to_string(c));
        sheet.Cells(c, 0)->SetColor(RGBColor(10 * c, 0, 0));
        sheet.Cells(c, 0)->SetSides(kOuterSides, TXLLine{2, clBlue});
        sheet.Cells(c, 0)->SetHint("hint " + std::to_string(c));
    }
    sheet.SetColCount(3);
    EXPECT_EQ(sheet.ColCount(), 3);
    EXPECT_EQ(sheet.FindCell(3, 0), nullptr);
    EXPECT_EQ(sheet.FindCell(4, -1), nullptr);
    ASSERT_NE(sheet.FindCell(2, 0), nullptr);
    sheet.SetColCount(5);
    for (int c = 3; c < 5; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(sheet.FindCell(c, 0), nullptr);
        EXPECT_EQ(sheet.FindCell(c, -1), nullptr);
        EXPECT_EQ(static_cast<TColor>(sheet.GetProperty(c, 0, pnColor)), RGBColor(10 * c, 0, 0));
        EXPECT_EQ(TXLLine::Decode(sheet.GetProperty(c, 0, pnRight)), (TXLLine{2, clBlue}));
        EXPECT_EQ(TXLLine::Decode(sheet.GetProperty(c, 0, pnTop)), (TXLLine{2, clBlue}));
        EXPECT_EQ(sheet.GetCellHint(c, 0), "hint " + std::to_string(c));
        // A cell written there later shows the kept hint and colour.
        sheet.SetText(c, 0, "again");
        EXPECT_EQ(sheet.FindCell(c, 0)->Hint(), "hint " + std::to_string(c));
        EXPECT_EQ(sheet.FindCell(c, 0)->Color(), RGBColor(10 * c, 0, 0));
    }
    EXPECT_EQ(sheet.FindCell(1, 0)->AsString(), "v1");
}

TEST(SheetCounts, ShrinkingClipsAndDropsMergedRanges)
{
    CheckedSheet sheet;
    sheet.SetColCount(8);
    sheet.Cells(1, 0)->SetWidth(4);  // columns 1..4
    sheet.Cells(5, 1)->SetWidth(2);  // columns 5..6
    sheet.SetColCount(3);
    ASSERT_EQ(sheet.Section(skClient).Unions().size(), 1u);
    EXPECT_EQ(UnionRect(sheet), (TXLRect{1, 0, 3, 1}));
}

struct CountCase {
    const char* name;
    int value;
    int expected;
};

const CountCase kCountCases[] = {
    {"Negative", -3, 0},
    {"Zero", 0, 0},
    {"Ordinary", 12, 12},
    {"MostNegative", INT_MIN, 0},
    {"Huge", INT_MAX, TXLSizeList::kMaxIndex + 1},
};

class SheetCountValue : public ::testing::TestWithParam<CountCase> {};

TEST_P(SheetCountValue, IsCorrectedSilently)
{
    const CountCase& c = GetParam();
    CheckedSheet sheet;
    sheet.SetColCount(c.value);
    sheet.SetRowCount(c.value);
    sheet.SetTitleRows(c.value);
    EXPECT_EQ(sheet.ColCount(), c.expected);
    EXPECT_EQ(sheet.RowCount(), c.expected);
    EXPECT_EQ(sheet.TitleRows(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Sheet, SheetCountValue, ::testing::ValuesIn(kCountCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SheetCounts, InsertingPastTheLargestIndexIsCut)
{
    CheckedSheet sheet;
    sheet.SetText(0, 4, "last");
    sheet.SetSizes(4, sRows, 30);
    sheet.InsertRows(0, INT_MAX);
    EXPECT_EQ(sheet.RowCount(), TXLSizeList::kMaxIndex + 1);
    sheet.InsertRows(3, 10);
    EXPECT_EQ(sheet.RowCount(), TXLSizeList::kMaxIndex + 1);
    sheet.InsertRows(0, -(sheet.RowCount() - 5));
    EXPECT_EQ(sheet.RowCount(), 5);
}

TEST(SheetCounts, DeletionIsLimitedToTheBand)
{
    CheckedSheet sheet;
    sheet.SetTitleCols(3);
    sheet.SetText(-3, 0, "outer");
    sheet.InsertCols(-2, -10);  // only -2 and -1 go
    EXPECT_EQ(sheet.TitleCols(), 1);
    EXPECT_EQ(sheet.FindCell(-1, 0)->AsString(), "outer");
    sheet.InsertCols(3, -10);  // columns 3 and 4 go
    EXPECT_EQ(sheet.ColCount(), 3);
    sheet.InsertCols(99, 2);  // appends
    EXPECT_EQ(sheet.ColCount(), 5);
}

TEST(SheetCounts, InsertMovesCellsFormattingHintsAndSizes)
{
    CheckedSheet sheet;
    sheet.SetText(0, 2, "row 2");
    sheet.Cells(0, 2)->SetColor(clRed);
    sheet.Cells(0, 2)->SetHint("tip");
    sheet.SetSizes(2, sRows, 40);
    sheet.InsertRows(1, 2);
    EXPECT_EQ(sheet.RowCount(), 7);
    EXPECT_EQ(sheet.FindCell(0, 2), nullptr);
    EXPECT_EQ(sheet.FindCell(0, 4)->AsString(), "row 2");
    EXPECT_EQ(sheet.FindCell(0, 4)->Color(), clRed);
    EXPECT_EQ(sheet.GetCellHint(0, 4), "tip");
    EXPECT_EQ(sheet.GetCellHint(0, 2), "");
    EXPECT_EQ(sheet.Sizes(4, sRows), 40);
    EXPECT_EQ(sheet.Sizes(2, sRows), 15);
    EXPECT_EQ(sheet.FindCell(-1, 4), nullptr);
    sheet.InsertRows(0, -4);
    EXPECT_EQ(sheet.FindCell(0, 0)->AsString(), "row 2");
    EXPECT_EQ(sheet.GetCellHint(0, 0), "tip");
    EXPECT_EQ(sheet.FindCell(0, 0)->LocalRow(), 0);
}

// ---- sizes -------------------------------------------------------------------

TEST(SheetSizes, ZeroStoresOneAndMinusOneIsBestFit)
{
    CheckedSheet sheet;
    sheet.SetSizes(1, sCols, 0);
    EXPECT_EQ(sheet.Sizes(1, sCols), 1);
    sheet.SetSizes(1, sCols, -7);
    EXPECT_EQ(sheet.Sizes(1, sCols), 1);
    sheet.SetText(2, 0, "a rather long text");
    sheet.SetText(2, 1, "short");
    int best = sheet.BestWidth(2);
    EXPECT_GT(best, 1);
    EXPECT_NE(best, sheet.ColDefWidth());
    sheet.SetSizes(2, sCols, -1);
    EXPECT_EQ(sheet.Sizes(2, sCols), best);
    // An empty column fits to the default width.
    sheet.SetSizes(3, sCols, 90);
    sheet.SetSizes(3, sCols, -1);
    EXPECT_EQ(sheet.Sizes(3, sCols), sheet.ColDefWidth());
}

TEST(SheetSizes, BestWidthSkipsHiddenRowsAndMergedCells)
{
    CheckedSheet sheet;
    sheet.SetText(0, 0, "xx");
    int narrow = sheet.BestWidth(0);
    sheet.SetText(0, 1, "a much much longer text");
    sheet.SetVisible(1, sRows, false);
    EXPECT_EQ(sheet.BestWidth(0), narrow);
    sheet.SetText(0, 2, "another very long text here");
    sheet.Cells(0, 2)->SetWidth(2);
    EXPECT_EQ(sheet.BestWidth(0), narrow);
}

TEST(SheetSizes, SizeWrittenToAHiddenRowIsSavedAndTheRowStaysHidden)
{
    CheckedSheet sheet;
    sheet.SetSizes(2, sRows, 30);
    sheet.SetVisible(2, sRows, false);
    EXPECT_FALSE(sheet.Visible(2, sRows));
    EXPECT_EQ(sheet.LiveSize(2, sRows), 0);
    EXPECT_EQ(sheet.Sizes(2, sRows), 30);
    sheet.SetSizes(2, sRows, 45);
    EXPECT_FALSE(sheet.Visible(2, sRows));
    EXPECT_EQ(sheet.LiveSize(2, sRows), 0);
    EXPECT_EQ(sheet.Sizes(2, sRows), 45);
    sheet.SetVisible(2, sRows, true);
    EXPECT_TRUE(sheet.Visible(2, sRows));
    EXPECT_EQ(sheet.LiveSize(2, sRows), 45);
    EXPECT_EQ(sheet.Offset(3, sRows), 15 * 2 + 45);
}

TEST(SheetSizes, HidingARowOfSizeOneKeepsItHidden)
{
    CheckedSheet sheet;
    sheet.SetSizes(0, sRows, 1);
    sheet.SetVisible(0, sRows, false);
    EXPECT_FALSE(sheet.Visible(0, sRows));
    sheet.SetVisible(0, sRows, true);
    EXPECT_EQ(sheet.Sizes(0, sRows), 1);
}

TEST(SheetSizes, DefaultWidthRewriteResetsAllWidthsOfBothBands)
{
    CheckedSheet sheet;
    sheet.SetSizes(1, sCols, 99);
    sheet.SetSizes(-1, sCols, 33);
    sheet.SetVisible(3, sCols, false);
    sheet.SetColDefWidth(sheet.ColDefWidth());
    EXPECT_EQ(sheet.Sizes(1, sCols), 60);
    EXPECT_EQ(sheet.Sizes(-1, sCols), 60);
    // A hidden column stays hidden and comes back at the default width.
    EXPECT_FALSE(sheet.Visible(3, sCols));
    EXPECT_EQ(sheet.LiveSize(3, sCols), 0);
    sheet.SetVisible(3, sCols, true);
    EXPECT_EQ(sheet.LiveSize(3, sCols), 60);
    sheet.SetColDefWidth(80);
    EXPECT_EQ(sheet.Sizes(0, sCols), 80);
    EXPECT_EQ(sheet.Offset(2, sCols), 160);
}

struct MaxCase {
    const char* name;
    int max;
    int expectedDefault;
    int expected1;       // column 1 was 99
    int expectedHidden;  // hidden column 2 was 70
};

const MaxCase kMaxCases[] = {
    {"BelowDefaultLowersDefaultAndResets", 40, 40, 40, 40},
    {"AboveDefaultCutsWiderColumns", 80, 60, 80, 70},
    {"AboveAllLeavesAlone", 200, 60, 99, 70},
    {"ZeroIsNoLimit", 0, 60, 99, 70},
    {"NegativeIsNoLimit", -5, 60, 99, 70},
};

class SheetMaxWidth : public ::testing::TestWithParam<MaxCase> {};

TEST_P(SheetMaxWidth, AppliesTheMaximumRule)
{
    const MaxCase& c = GetParam();
    CheckedSheet sheet;
    sheet.SetSizes(1, sCols, 99);
    sheet.SetSizes(2, sCols, 70);
    sheet.SetVisible(2, sCols, false);
    sheet.SetColMaxWidth(c.max);
    EXPECT_EQ(sheet.ColMaxWidth(), c.max);
    EXPECT_EQ(sheet.ColDefWidth(), c.expectedDefault);
    EXPECT_EQ(sheet.Sizes(1, sCols), c.expected1);
    EXPECT_EQ(sheet.Sizes(2, sCols), c.expectedHidden);
    EXPECT_FALSE(sheet.Visible(2, sCols));
    // Later writes are cut to a positive maximum.
    sheet.SetSizes(0, sCols, 150);
    EXPECT_EQ(sheet.Sizes(0, sCols), c.max > 0 ? std::min(150, c.max) : 150);
}

INSTANTIATE_TEST_SUITE_P(Sheet, SheetMaxWidth, ::testing::ValuesIn(kMaxCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SheetSizes, SizingEventMayChangeTheSizeAndWritesPastTheCountAreIgnored)
{
    CheckedSheet sheet;
    std::vector<int> seen;
    sheet.OnSizing = [&](TXLSheet&, TXLAxis, int& size, int index) {
        seen.push_back(index);
        size += 1;
    };
    sheet.SetSizes(3, sRows, 20);
    EXPECT_EQ(sheet.Sizes(3, sRows), 21);
    sheet.SetSizes(5, sRows, 20);
    sheet.SetSizes(-2, sRows, 20);
    EXPECT_EQ(seen, std::vector<int>{3});
    EXPECT_EQ(sheet.Sizes(5, sRows), 15);
}

TEST(SheetSizes, SumAndLocateAgreeOverCustomSizes)
{
    CheckedSheet sheet;
    sheet.SetRowCount(1000);
    for (int r = 0; r < 1000; r += 7)
        sheet.SetSizes(r, sRows, 3 + r % 40);
    sheet.SetVisible(500, sRows, false);
    int64_t expected = 0;
    for (int r = 0; r < 1000; ++r) {
        ASSERT_EQ(sheet.Offset(r, sRows), expected) << r;
        if (sheet.LiveSize(r, sRows) > 0) {
            int64_t pos = expected + sheet.LiveSize(r, sRows) - 1;
            EXPECT_EQ(sheet.Locate(pos, sRows, true), r);
            EXPECT_EQ(pos, expected);
        }
        expected += sheet.LiveSize(r, sRows);
    }
}

// ---- heading labels ------------------------------------------------------------

struct LetterCase {
    int col;
    const char* label;
};

const LetterCase kLetterCases[] = {
    {0, "A"}, {25, "Z"}, {26, "AA"}, {27, "AB"}, {51, "AZ"}, {52, "BA"}, {701, "ZZ"}, {702, "AAA"}, {703, "AAB"},
};

class ColumnLabel : public ::testing::TestWithParam<LetterCase> {};

TEST_P(ColumnLabel, FollowsTheLetterScheme)
{
    EXPECT_EQ(ColumnLetters(GetParam().col), GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(Sheet, ColumnLabel, ::testing::ValuesIn(kLetterCases));

TEST(SheetTitles, FillTitlesLabelsEveryColumnAndNumbersEveryRow)
{
    CheckedSheet sheet;
    sheet.SetColCount(28);
    sheet.SetRowCount(3);
    sheet.FillTitles();
    EXPECT_EQ(sheet.FindCell(0, -1)->AsString(), "A");
    EXPECT_EQ(sheet.FindCell(25, -1)->AsString(), "Z");
    EXPECT_EQ(sheet.FindCell(26, -1)->AsString(), "AA");
    EXPECT_EQ(sheet.FindCell(27, -1)->AsString(), "AB");
    EXPECT_EQ(sheet.FindCell(-1, 0)->AsString(), "1");
    EXPECT_EQ(sheet.FindCell(-1, 2)->AsString(), "3");
    EXPECT_EQ(sheet.FindCell(-1, -1), nullptr);

    sheet.SetColCount(702);
    sheet.FillTitles();
    EXPECT_EQ(sheet.FindCell(701, -1)->AsString(), "ZZ");
    sheet.SetTitleRows(0);
    sheet.SetTitleCols(0);
    sheet.FillTitles();  // no heading band: nothing to write, nothing breaks
    sheet.NumberRow(1);
}

// ---- notifications ---------------------------------------------------------------

TEST(SheetUsers, UpdateBracketCollapsesRepaintsIntoOneSheetChanged)
{
    CheckedSheet sheet;
    SheetContract user(sheet);
    sheet.AddUser(&user);  // a second add is ignored
    sheet.BeginUpdate();
    sheet.BeginUpdate();
    for (int r = 0; r < 5; ++r)
        sheet.SetText(0, r, "x");
    sheet.Cells(1, 1)->SetColor(clRed);
    sheet.EndUpdate();
    EXPECT_EQ(user.Count("SheetChanged"), 0);
    sheet.EndUpdate();
    EXPECT_EQ(user.Count("RangeChanged"), 0);
    EXPECT_EQ(user.Events, (std::vector<std::string>{"BeginUpdate", "EndUpdate", "SheetChanged"}));
    user.Events.clear();
    sheet.SetText(0, 0, "y");
    EXPECT_EQ(user.Events, std::vector<std::string>{"RangeChanged 3 [0,0,1,1]"});
}

TEST(SheetUsers, AnEmptyBracketSendsNoSheetChanged)
{
    CheckedSheet sheet;
    SheetContract user(sheet);
    sheet.BeginUpdate();
    sheet.EndUpdate();
    EXPECT_EQ(user.Events, (std::vector<std::string>{"BeginUpdate", "EndUpdate"}));
}

TEST(SheetUsers, RegisteringInsideABracketOpensItForTheUser)
{
    CheckedSheet sheet;
    sheet.BeginUpdate();
    SheetContract user(sheet);
    user.Detach();
    sheet.EndUpdate();
    EXPECT_EQ(user.Events, (std::vector<std::string>{"BeginUpdate", "EndUpdate"}));
}

TEST(SheetUsers, InsertAndCountsAreReported)
{
    CheckedSheet sheet;
    SheetContract user(sheet);
    sheet.InsertRows(2, 3);
    EXPECT_EQ(user.Count("SectorsMoved rows client 3 at 2"), 1);
    sheet.SetTitleCols(2);
    sheet.InsertCols(-1, -1);
    EXPECT_EQ(user.Count("SectorsMoved cols title -1 at 1"), 1);
    user.Events.clear();
    sheet.SetColCount(9);
    EXPECT_EQ(user.Events, std::vector<std::string>{"SizesChanged 1 client"});
    user.Events.clear();
    sheet.SetColCount(9);
    EXPECT_TRUE(user.Events.empty());
    sheet.SetTitleRows(3);
    EXPECT_EQ(user.Count("SizesChanged 2 title"), 1);
    user.Events.clear();
    sheet.SetSizes(1, sCols, 77);
    EXPECT_EQ(user.Events, std::vector<std::string>{"SizeChanged cols 1"});
}

TEST(SheetUsers, DestroyingTellsTheLastRegisteredFirst)
{
    std::vector<std::string> order;
    auto sheet = std::make_unique<TXLSheet>();
    SheetContract a(*sheet, "a", &order), b(*sheet, "b", &order), c(*sheet, "c", &order);
    sheet->SetText(0, 0, "x");
    order.clear();
    sheet.reset();
    EXPECT_FALSE(a.Attached());
    EXPECT_EQ(order, (std::vector<std::string>{"c:SheetDestroying", "b:SheetDestroying", "a:SheetDestroying"}));
}

// A view that lets go of the sheet when told it is being destroyed.
class LeavingUser : public SheetContract {
public:
    LeavingUser(std::string name, std::vector<std::string>* shared, TXLSheet& sheet)
        : SheetContract(sheet, std::move(name), shared), m_sheet(sheet)
    {
    }
    void SheetDestroying() override
    {
        SheetContract::SheetDestroying();
        m_sheet.RemoveUser(this);
        if (Also)
            Also->Detach();
    }
    SheetContract* Also = nullptr;  // a view it owns, unregistered with it

private:
    TXLSheet& m_sheet;
};

TEST(SheetUsers, UsersMayUnregisterWhileTheSheetIsDestroyed)
{
    std::vector<std::string> order;
    auto sheet = std::make_unique<TXLSheet>();
    LeavingUser a("a", &order, *sheet), b("b", &order, *sheet), c("c", &order, *sheet), d("d", &order, *sheet);
    c.Also = &a;
    sheet.reset();
    EXPECT_EQ(order, (std::vector<std::string>{"d:SheetDestroying", "c:SheetDestroying", "b:SheetDestroying"}));
}

TEST(SheetUsers, ClearCellsEmptiesEverythingButTheCounts)
{
    CheckedSheet sheet;
    sheet.SetText(1, 1, "x");
    sheet.Cells(1, 1)->SetColor(clRed);
    sheet.Cells(1, 1)->SetHint("tip");
    sheet.Cells(1, 1)->SetWidth(2);
    sheet.SetSizes(1, sCols, 99);
    sheet.SetVisible(2, sRows, false);
    SheetContract user(sheet);
    sheet.ClearCells();
    EXPECT_EQ(user.Events, (std::vector<std::string>{"BeginUpdate", "UnionsChanged", "EndUpdate", "SheetChanged"}));
    EXPECT_EQ(sheet.FindCell(1, 1), nullptr);
    EXPECT_EQ(sheet.GetCellHint(1, 1), "");
    EXPECT_EQ(static_cast<TColor>(sheet.GetProperty(1, 1, pnColor)), clWindow);
    EXPECT_TRUE(sheet.Section(skClient).Unions().empty());
    EXPECT_EQ(sheet.Sizes(1, sCols), 60);
    EXPECT_TRUE(sheet.Visible(2, sRows));
    EXPECT_EQ(sheet.ColCount(), 5);
    sheet.Clear();
    EXPECT_EQ(sheet.ColCount(), 0);
    EXPECT_EQ(sheet.RowCount(), 0);
    EXPECT_EQ(sheet.TitleCols(), 1);
}

TEST(SheetModified, FollowsChangesAndFiresTheEvent)
{
    CheckedSheet sheet;
    int fired = 0;
    sheet.OnModified = [&](TXLSheet&) { ++fired; };
    EXPECT_FALSE(sheet.Modified());
    sheet.FindCell(0, 0);
    sheet.Values(2, 2);
    EXPECT_FALSE(sheet.Modified());
    sheet.SetTitle("高一(3)班");
    EXPECT_TRUE(sheet.Modified());
    EXPECT_EQ(fired, 1);
    sheet.SetModified(false);
    sheet.BaseTitleStyle().SetColor(clRed);
    EXPECT_TRUE(sheet.Modified());
}

}  // namespace

namespace {

// A view that closes a second view when the sheet changes.
class ClosingUser : public SheetContract {
public:
    ClosingUser(TXLSheet& sheet, SheetContract& other) : SheetContract(sheet), m_other(other) {}
    void SizesChanged(TXLAxes axes, TXLBand band) override
    {
        SheetContract::SizesChanged(axes, band);
        m_other.Detach();
    }

private:
    SheetContract& m_other;
};

TEST(SheetUsers, AUserUnregisteredDuringANotificationIsNotCalled)
{
    CheckedSheet sheet;
    SheetContract second(sheet);
    ClosingUser first(sheet, second);
    sheet.RemoveUser(&second);  // the closing view first, as a grid before its preview
    sheet.AddUser(&second);
    sheet.SetRowCount(9);
    EXPECT_EQ(first.Count("SizesChanged"), 1);
    EXPECT_EQ(second.Count("SizesChanged"), 0);
}

TEST(GroupCell, CollapsingHidesTheRowsOfTheGroupAndExpandingShowsThem)
{
    CheckedSheet sheet;
    sheet.SetRowCount(8);
    TXLCell* group = sheet.SetCellClass(0, 1, TXLCGroup::Class());
    group->SetHeight(4);  // rows 1..4, a row group
    sheet.SetText(1, 1, "group caption");
    group->Activate();
    EXPECT_TRUE(group->AsBoolean());
    EXPECT_TRUE(sheet.Visible(1, sRows));
    for (int r = 2; r < 5; ++r)
        EXPECT_FALSE(sheet.Visible(r, sRows)) << r;
    EXPECT_TRUE(sheet.Visible(5, sRows));
    group->Activate();
    for (int r = 1; r < 6; ++r)
        EXPECT_TRUE(sheet.Visible(r, sRows)) << r;
}

}  // namespace
