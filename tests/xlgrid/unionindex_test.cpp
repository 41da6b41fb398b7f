#include "xlgrid/sheetstream.h"
#include "xlgrid/range.h"
#include "xlgrid/unionindex.h"

#include <gtest/gtest.h>

#include "sheetcontract.h"

#include <random>

using namespace xlgrid;

namespace {

std::ptrdiff_t SlowFind(const std::vector<TXLRect>& rects, int col, int row)
{
    for (size_t i = 0; i < rects.size(); ++i)
        if (rects[i].Contains(col, row))
            return static_cast<std::ptrdiff_t>(i);
    return -1;
}

bool SlowOverlap(const std::vector<TXLRect>& rects)
{
    for (size_t i = 0; i < rects.size(); ++i)
        for (size_t j = i + 1; j < rects.size(); ++j)
            if (rects[i].Intersects(rects[j]))
                return true;
    return false;
}

}  // namespace

TEST(UnionIndex, FindsOverlapsAsThePairwiseCheckDoes)
{
    struct Row {
        const char* name;
        std::vector<TXLRect> rects;
        bool overlap;
    };
    const Row rows[] = {
        {"none", {}, false},
        {"one", {{0, 0, 2, 2}}, false},
        {"side by side", {{0, 0, 2, 2}, {2, 0, 4, 2}}, false},
        {"one above the other", {{0, 0, 2, 2}, {0, 2, 2, 4}}, false},
        {"corner shared", {{0, 0, 2, 2}, {1, 1, 3, 3}}, true},
        {"inside", {{0, 0, 10, 10}, {4, 4, 5, 5}}, true},
        {"same", {{3, 3, 5, 5}, {3, 3, 5, 5}}, true},
        {"cross", {{0, 4, 10, 5}, {4, 0, 5, 10}}, true},
        {"tall beside wide, apart", {{0, 0, 1, 100}, {1, 50, 100, 51}}, false},
        {"ended before the next starts", {{0, 0, 5, 1}, {0, 1, 5, 2}, {2, 0, 3, 1}}, true},
        {"left neighbour reaches in", {{0, 5, 4, 6}, {6, 5, 8, 6}, {3, 4, 5, 7}}, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FindOverlap(row.rects).has_value(), row.overlap) << row.name;
        if (auto pair = FindOverlap(row.rects)) {
            EXPECT_TRUE(row.rects[pair->first].Intersects(row.rects[pair->second])) << row.name;
        }
    }
}

// Random layouts of disjoint and overlapping ranges: the sweep agrees with
// the pairwise check, and the index finds what a search one by one finds.
TEST(UnionIndex, AgreesWithASearchOneByOne)
{
    std::mt19937 random(20261209);
    for (int round = 0; round < 300; ++round) {
        std::vector<TXLRect> rects;
        const int size = 1 + round % 40;
        const int count = static_cast<int>(random() % 60);
        for (int k = 0; k < count; ++k) {
            int l = static_cast<int>(random() % size), t = static_cast<int>(random() % size);
            int w = 1 + static_cast<int>(random() % 6), h = 1 + static_cast<int>(random() % (round % 3 == 0 ? 40 : 4));
            TXLRect r{l, t, l + w, t + h};
            bool keep = round % 5 == 0;  // every fifth layout may overlap
            if (!keep) {
                keep = true;
                for (const TXLRect& o : rects)
                    keep = keep && !o.Intersects(r);
            }
            if (keep)
                rects.push_back(r);
        }
        ASSERT_EQ(FindOverlap(rects).has_value(), SlowOverlap(rects)) << "round " << round;
        if (SlowOverlap(rects))
            continue;
        TXLUnionIndex index;
        index.Build(rects);
        for (int row = -1; row <= size + 45; ++row)
            for (int col = -1; col <= size + 7; ++col)
                ASSERT_EQ(index.Find(col, row), SlowFind(rects, col, row)) << "round " << round << " at " << col
                                                                           << ", " << row;
    }
}

// A sheet of many merged ranges looks cells up through the index: the cell
// inside a range is its anchor, whatever the number of ranges.
TEST(UnionIndex, SheetLookupsFollowManyRanges)
{
    auto text = [](const TXLSheet& sheet, int col, int row) {
        const TXLCell* cell = sheet.FindCell(col, row);
        return cell ? cell->AsString() : std::string("(none)");
    };
    xlgrid::testing::CheckedSheet sheet;
    sheet.SetColCount(4);
    sheet.SetRowCount(400);
    // Rows 0-1 columns 0-1, rows 2-3 columns 1-3, and so on.
    for (int r = 0; r < 400; r += 2)
        MergeSectionRect(sheet.Section(skClient), {r % 4 == 0 ? 0 : 1, r, r % 4 == 0 ? 2 : 4, r + 2});
    ASSERT_GT(sheet.Section(skClient).Unions().size(), TXLSection::kIndexedUnions);
    sheet.SetText(2, 203, "inside");  // the range (1, 202) - (4, 204)
    EXPECT_EQ(text(sheet, 1, 202), "inside");
    EXPECT_EQ(text(sheet, 3, 203), "inside");
    EXPECT_EQ(text(sheet, 0, 203), "(none)");
    const std::string stream = SaveSheetToString(sheet);
    xlgrid::testing::CheckedSheet loaded;
    LoadSheetFromStream(loaded, stream);
    EXPECT_EQ(text(loaded, 2, 202), "inside");
    EXPECT_EQ(SaveSheetToString(loaded), stream);
    // Ranges move with inserted rows, and lookups follow.
    loaded.InsertRows(0, 3);
    EXPECT_EQ(text(loaded, 3, 206), "inside");
    EXPECT_EQ(text(loaded, 3, 204), "(none)");
}

TEST(UnionIndex, TheLoadBoundsTheRangesOfASection)
{
    xlgrid::testing::CheckedSheet sheet;
    sheet.SetColCount(2);
    sheet.SetRowCount(20);
    for (int r = 0; r < 20; ++r)
        MergeSectionRect(sheet.Section(skClient), {0, r, 2, r + 1});
    const std::string stream = SaveSheetToString(sheet);
    TXLLoadOptions options;
    options.Limits.MaxMergedRanges = 20;
    xlgrid::testing::CheckedSheet loaded;
    EXPECT_NO_THROW(LoadSheetFromStream(loaded, stream, options));
    options.Limits.MaxMergedRanges = 19;
    try {
        LoadSheetFromStream(loaded, stream, options);
        FAIL();
    } catch (const EXLStreamError& e) {
        EXPECT_NE(std::string(e.what()).find("the section has 20 merged ranges, more than 19"), std::string::npos)
            << e.what();
    }
}
