#include "xlgrid/sparselist.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

using namespace xlgrid;

namespace {

constexpr int kMax = TSList::kMaxIndex;

// Records the hooks so tests can check when they fire.
class RecordingList : public TSList {
public:
    std::vector<std::pair<int, int>> renumbered;
    std::vector<int32_t> freed;

protected:
    void Renumber(int from, int to) override { renumbered.emplace_back(from, to); }
    void FreeItem(int32_t item) override { freed.push_back(item); }
};

// An object that knows whether it is alive, to catch leaks and double frees.
struct Counted {
    static inline std::set<const Counted*> alive;
    int id;
    explicit Counted(int id = 0) : id(id) { alive.insert(this); }
    ~Counted() { EXPECT_EQ(alive.erase(this), 1u) << "freed twice: " << id; }
};

class CountedGuard {
public:
    CountedGuard() { Counted::alive.clear(); }
    ~CountedGuard() { EXPECT_TRUE(Counted::alive.empty()) << Counted::alive.size() << " leaked"; }
};

std::map<int, int> Contents(const TSList& list)
{
    std::map<int, int> out;
    list.ForEach([&out](int index, int32_t item) {
        out[index] = item;
        return 0;
    });
    return out;
}

std::vector<int> ObjectIds(const TObjectSList<Counted>& list)
{
    std::vector<int> ids;
    for (int i = 0; i <= list.HighIndex(); ++i)
        ids.push_back(list.Object(i) ? list.Object(i)->id : -1);
    return ids;
}

// Straight walks over the slots, one entry at a time, as the size sums are defined.
int64_t ReferenceSum(const TProZeroSList& list, int n)
{
    if (n < 1)
        return 0;
    int64_t sum = static_cast<int64_t>(n) * list.Default();
    for (int i = 0; i < n && i <= list.HighIndex(); ++i)
        sum += list.Item(i);
    return sum;
}

int ReferenceLocate(const TProZeroSList& list, int64_t& pos)
{
    const int64_t d = list.Default();
    if (pos <= 0 || d <= 0) {
        pos = 0;
        return 0;
    }
    int64_t rem = pos;
    for (int64_t b = 0;; ++b) {
        const int64_t base = b * TSList::kBlockSize;
        if (!list.IsBlockAllocated(static_cast<int>(b))) {
            const int64_t span = d * TSList::kBlockSize;
            if (b < list.BlockCount() && rem >= span) {
                rem -= span;
                continue;
            }
            // Inside this block, or past the directory where every extent is d.
            int64_t index = base + rem / d;
            pos -= rem % d;
            if (index > kMax) {
                pos = ReferenceSum(list, kMax + 1);
                return kMax + 1;
            }
            return static_cast<int>(index);
        }
        for (int i = 0; i < TSList::kBlockSize; ++i) {
            const int64_t extent = d + list.Item(static_cast<int>(base) + i);
            if (rem - extent < 0) {
                pos -= rem;
                return static_cast<int>(base) + i;
            }
            rem -= extent;
        }
    }
}

}  // namespace

TEST(SparseList, FreshListReadsZeroAndZeroWritesAllocateNothing)
{
    TSList list;
    for (int index : {-5, -1, 0, 1, 15, 16, 40, kMax, kMax + 1})
        EXPECT_EQ(list.Item(index), 0) << index;
    for (int index : {0, 40, kMax, kMax + 100, -3})
        list.SetItem(index, 0);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.HighIndex(), -1);
    EXPECT_EQ(list.BlockCount(), 0);
    EXPECT_EQ(list.ForEach([](int, int32_t) { return 1; }), 0);
}

TEST(SparseList, BlockIsAllocatedOnFirstWriteAndKeptWhenZeroedAgain)
{
    TSList list;
    list.SetItem(40, 5);
    EXPECT_EQ(list.HighIndex(), 40);
    for (int b = 0; b < list.BlockCount(); ++b)
        EXPECT_EQ(list.IsBlockAllocated(b), b == 2) << b;
    list.SetItem(-1, 9);  // ignored
    EXPECT_EQ(Contents(list), (std::map<int, int>{{40, 5}}));
    list.SetItem(40, 0);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.Item(40), 0);
    EXPECT_TRUE(list.IsBlockAllocated(2));
}

TEST(SparseList, ClearingTheHighestSlotFindsTheNextAcrossGaps)
{
    TSList list;
    list.SetItem(3, 1);
    list.SetItem(500, 2);
    list.SetItem(1000, 3);
    EXPECT_EQ(list.Item(1000), 3);  // primes the read cache
    list.SetItem(1000, 0);
    EXPECT_EQ(list.Item(1000), 0);
    EXPECT_EQ(list.HighIndex(), 500);
    list.SetItem(3, 0);
    EXPECT_EQ(list.HighIndex(), 500);  // not the highest: no change
    list.SetItem(500, 0);
    EXPECT_EQ(list.HighIndex(), -1);
}

TEST(SparseList, ForEachWalksAscendingAndStopsOnNonZero)
{
    TSList list;
    for (int index : {700, 3, 17, 16, 0})
        list.SetItem(index, index + 1);
    std::vector<int> seen;
    const int result = list.ForEach([&seen](int index, int32_t item) {
        EXPECT_EQ(item, index + 1);
        seen.push_back(index);
        return index == 17 ? 42 : 0;
    });
    EXPECT_EQ(result, 42);
    EXPECT_EQ(seen, (std::vector<int>{0, 3, 16, 17}));
}

TEST(SparseList, DifferenceEncodingStoresOnlyDeviations)
{
    TXLSizeList sizes;
    sizes.SetDefault(20);
    sizes.SetDiffItem(3, 20);
    EXPECT_TRUE(sizes.IsEmpty());
    EXPECT_EQ(sizes.DiffItem(3), 20);
    sizes.SetDiffItem(3, 30);
    EXPECT_EQ(sizes.Item(3), 10);
    EXPECT_EQ(sizes.Sum(5), 110);
    EXPECT_EQ(sizes.Sum(0), 0);
    EXPECT_EQ(sizes.Sum(-4), 0);
    sizes.SetDiffItem(4, 0);  // a hidden row
    EXPECT_EQ(sizes.DiffItem(4), 0);
    EXPECT_EQ(sizes.Sum(4), 90);
    EXPECT_EQ(sizes.Sum(5), 90);
    EXPECT_EQ(sizes.Sum(6), 110);
}

TEST(SparseList, ValuePlusOneEncoding)
{
    struct Row {
        const char* name;
        int32_t value;
        int32_t stored;
        int32_t readBack;
    };
    const Row rows[] = {
        {"the default is not stored", 7, 0, 7},
        {"zero is stored as one", 0, 1, 0},
        {"other values", 12, 13, 12},
        {"negative", -8, -7, -8},
        {"largest value wraps", INT32_MAX, INT32_MIN, INT32_MAX},
        {"minus one cannot be told from empty", -1, 0, 7},
    };
    for (const Row& row : rows) {
        TDefSList list;
        list.SetDefault(7);
        list.SetIncItem(9, row.value);
        EXPECT_EQ(list.Item(9), row.stored) << row.name;
        EXPECT_EQ(list.IncItem(9), row.readBack) << row.name;
    }
}

TEST(SparseList, SettingTheDefaultClearsOnlyZeroLists)
{
    TXLSizeList sizes;
    sizes.SetCount(30);
    sizes.SetDefault(20);
    sizes.SetDiffItem(2, 50);
    sizes.SetDefault(25);
    EXPECT_TRUE(sizes.IsEmpty());
    EXPECT_EQ(sizes.DiffItem(2), 25);
    EXPECT_EQ(sizes.Count(), 30);

    sizes.SetDiffItem(40, 5);
    EXPECT_EQ(sizes.Sum(50), 50 * 25 - 20);
    sizes.Clear();  // keeps Count and the default
    EXPECT_EQ(sizes.Count(), 30);
    EXPECT_EQ(sizes.Sum(50), 50 * 25);
    EXPECT_FALSE(sizes.IsBlockAllocated(2));

    TDefSList styles;
    styles.SetDefault(1);
    styles.SetIncItem(2, 4);
    styles.SetDefault(2);
    EXPECT_EQ(styles.IncItem(2), 4);
}

TEST(SparseList, LocateFindsTheExtentHoldingAPosition)
{
    TXLSizeList sizes;
    sizes.SetDefault(20);
    int64_t pos = 45;
    EXPECT_EQ(sizes.Locate(pos), 2);
    EXPECT_EQ(pos, 40);

    sizes.SetDiffItem(1, 0);  // hidden: never the answer
    sizes.SetDiffItem(2, 5);
    struct Row {
        const char* name;
        int64_t pos;
        int index;
        int64_t start;
    };
    const Row rows[] = {
        {"zero position", 0, 0, 0},
        {"negative position", -7, 0, 0},
        {"inside the first", 19, 0, 0},
        {"end of the first skips the hidden row", 20, 2, 20},
        {"inside the narrow row", 24, 2, 20},
        {"first past the narrow row", 25, 3, 25},
        {"far past the directory", 25 + 999 * 20 + 7, 1002, 25 + 999 * 20},
    };
    for (const Row& row : rows) {
        int64_t p = row.pos;
        EXPECT_EQ(sizes.Locate(p), row.index) << row.name;
        EXPECT_EQ(p, row.start) << row.name;
    }

    TXLSizeList flat;  // default 0: no extents to walk
    pos = 100;
    EXPECT_EQ(flat.Locate(pos), 0);
    EXPECT_EQ(pos, 0);
}

TEST(SparseList, LocatePastTheLargestIndexStopsThere)
{
    TXLSizeList sizes;
    sizes.SetDefault(3);
    sizes.SetDiffItem(kMax, 10);
    int64_t pos = INT64_MAX / 2;
    EXPECT_EQ(sizes.Locate(pos), kMax + 1);
    EXPECT_EQ(pos, sizes.Sum(kMax + 1));
    pos = sizes.Sum(kMax) + 9;
    EXPECT_EQ(sizes.Locate(pos), kMax);
    EXPECT_EQ(pos, sizes.Sum(kMax));
}

// Random lists with hidden rows, negative and positive differences, negative
// sizes and unallocated gaps: the size index must agree with the plain walk,
// including after writes, bulk moves and default changes.
TEST(SparseList, SumAndLocateAgreeWithThePlainWalk)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 40; ++round) {
        TProZeroSList list;
        const int32_t d = std::uniform_int_distribution<int>(1, 30)(rng);
        list.SetDefault(d);
        const int span = std::uniform_int_distribution<int>(1, 3000)(rng);
        auto randomIndex = [&] { return std::uniform_int_distribution<int>(0, span)(rng); };
        auto check = [&](const char* stage) {
            const int64_t total = ReferenceSum(list, span + 40);
            for (int q = 0; q < 200; ++q) {
                const int n = std::uniform_int_distribution<int>(-2, span + 40)(rng);
                ASSERT_EQ(list.Sum(n), ReferenceSum(list, n)) << stage << " n=" << n;
                int64_t fast = std::uniform_int_distribution<int64_t>(-5, total + 100)(rng);
                if (q % 3 == 0)
                    fast = ReferenceSum(list, std::uniform_int_distribution<int>(0, span)(rng));
                int64_t slow = fast;
                const int64_t asked = fast;
                ASSERT_EQ(list.Locate(fast), ReferenceLocate(list, slow)) << stage << " pos=" << asked;
                ASSERT_EQ(fast, slow) << stage << " pos=" << asked;
            }
        };
        for (int w = 0; w < span / 10 + 5; ++w) {
            const int kind = std::uniform_int_distribution<int>(0, 5)(rng);
            const int32_t stored = kind == 0   ? -d  // hidden
                                   : kind == 1 ? -d - std::uniform_int_distribution<int>(1, 5)(rng)
                                   : kind == 2 ? 0
                                               : std::uniform_int_distribution<int>(-d, 40)(rng);
            list.SetItem(randomIndex(), stored);
        }
        check("filled");
        for (int w = 0; w < 30; ++w)
            list.SetItem(randomIndex(), std::uniform_int_distribution<int>(-d, 10)(rng));
        check("written after the index was built");
        list.InsertDelete(randomIndex(), std::uniform_int_distribution<int>(-40, 40)(rng));
        list.Insert(randomIndex(), 7);
        list.Delete(randomIndex());
        check("moved");
        list.SetDefault(std::uniform_int_distribution<int>(1, 30)(rng));
        check("new default");
        list.SetItem(span + 5000, 3);  // grows the directory past the index
        check("grown");
    }
}

TEST(SparseList, InsertAndDeleteMatchAPlainModel)
{
    std::mt19937 rng(777);
    for (int round = 0; round < 60; ++round) {
        TSList list;
        std::map<int, int> model;
        const int span = std::uniform_int_distribution<int>(1, 400)(rng);
        auto pick = [&] { return std::uniform_int_distribution<int>(0, span)(rng); };
        for (int step = 0; step < 200; ++step) {
            const int index = pick();
            const int value = std::uniform_int_distribution<int>(0, 3)(rng) == 0 ? 0 : step + 1;
            std::map<int, int> next;
            switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
            case 0:
                list.SetItem(index, value);
                model[index] = value;
                next = model;
                break;
            case 1:
                list.Insert(index, value);
                for (auto [i, v] : model)
                    next[i >= index ? i + 1 : i] = v;
                next[index] = value;
                break;
            case 2:
                list.Delete(index);
                for (auto [i, v] : model)
                    if (i != index)
                        next[i > index ? i - 1 : i] = v;
                break;
            default: {
                const int count = std::uniform_int_distribution<int>(-40, 40)(rng);
                const int high = list.HighIndex();
                list.InsertDelete(index, count);
                for (auto [i, v] : model) {
                    if (index > high || i < index)
                        next[i] = v;
                    else if (count > 0)
                        next[i + count] = v;
                    else if (i >= index - count)
                        next[i + count] = v;
                }
            }
            }
            std::erase_if(next, [](const auto& e) { return e.second == 0; });
            model = next;
            ASSERT_EQ(Contents(list), model) << "round " << round << " step " << step;
            ASSERT_EQ(list.HighIndex(), model.empty() ? -1 : model.rbegin()->first);
            for (int probe = 0; probe < 3; ++probe) {
                const int i = pick();
                ASSERT_EQ(list.Item(i), model.count(i) ? model[i] : 0);
            }
        }
    }
}

TEST(SparseList, RenumberAndFreeItemRanges)
{
    struct Row {
        const char* name;
        std::vector<int> items;  // item i + 1 at each listed index i
        std::function<void(RecordingList&)> act;
        std::vector<std::pair<int, int>> renumbered;
        std::vector<int32_t> freed;
    };
    const Row rows[] = {
        {"insert in the middle", {0, 5, 9}, [](RecordingList& l) { l.Insert(5, 99); }, {{6, 10}, {5, 5}}, {}},
        {"insert at the top", {0, 5}, [](RecordingList& l) { l.Insert(5, 99); }, {{6, 6}, {5, 5}}, {}},
        {"insert past the top", {0, 5}, [](RecordingList& l) { l.Insert(8, 99); }, {{8, 8}}, {}},
        {"insert an empty slot", {0, 5}, [](RecordingList& l) { l.Insert(2, 0); }, {{3, 6}, {2, 2}}, {}},
        {"delete overwrites without freeing", {0, 5, 9}, [](RecordingList& l) { l.Delete(5); }, {{5, 9}}, {}},
        {"delete past the top", {0, 5}, [](RecordingList& l) { l.Delete(6); }, {}, {}},
        {"delete negative", {0, 5}, [](RecordingList& l) { l.Delete(-1); }, {}, {}},
        {"insert slots", {0, 5, 9}, [](RecordingList& l) { l.InsertDelete(3, 4); }, {{3, 13}}, {}},
        {"delete slots frees them", {0, 1, 2, 3}, [](RecordingList& l) { l.InsertDelete(1, -2); }, {{1, 3}}, {2, 3}},
        {"delete slots past the top", {0, 1, 2}, [](RecordingList& l) { l.InsertDelete(1, -50); }, {{1, 2}}, {2, 3}},
        {"delete nothing", {0, 1}, [](RecordingList& l) { l.InsertDelete(4, -2); }, {}, {}},
        {"shrink the count", {0, 1, 5, 9}, [](RecordingList& l) { l.SetCount(2); }, {}, {10, 6}},
        {"clear frees nothing in a value list", {0, 9}, [](RecordingList& l) { l.Clear(); }, {}, {}},
    };
    for (const Row& row : rows) {
        RecordingList list;
        for (int i : row.items)
            list.SetItem(i, i + 1);
        row.act(list);
        EXPECT_EQ(list.renumbered, row.renumbered) << row.name;
        EXPECT_EQ(list.freed, row.freed) << row.name;
    }
}

TEST(SparseList, SetCountFreesOwnedItemsAtOrAboveIt)
{
    CountedGuard guard;
    TObjectSList<Counted> list;
    for (int i : {0, 1, 5})
        list.SetObject(i, new Counted(i));
    list.SetCount(2);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(ObjectIds(list), (std::vector<int>{0, 1}));
    EXPECT_EQ(Counted::alive.size(), 2u);
}

TEST(SparseList, InsertDeleteFreesRemovedObjectsAndMovesTheRest)
{
    CountedGuard guard;
    TObjectSList<Counted> list;
    for (int i = 0; i < 4; ++i)
        list.SetObject(i, new Counted(i));
    list.InsertDelete(1, -2);
    EXPECT_EQ(ObjectIds(list), (std::vector<int>{0, 3}));
    EXPECT_EQ(Counted::alive.size(), 2u);
}

TEST(SparseList, ObjectListsNeitherLeakNorFreeTwice)
{
    CountedGuard guard;
    {
        TObjectSList<Counted> list;
        for (int i = 0; i < 100; i += 3)
            list.SetObject(i, new Counted(i));
        list.SetObject(3, new Counted(1003));  // frees the old one
        list.SetObject(6, list.Object(6));     // same object: kept
        list.SetObject(9, nullptr);            // frees
        Counted* taken = list.Take(12);
        ASSERT_NE(taken, nullptr);
        EXPECT_EQ(list.Take(12), nullptr);
        list.Insert(0, taken);
        list.InsertDelete(10, 50);
        list.InsertDelete(5, -30);
        Counted* moved = list.Take(20);
        list.Delete(20);
        delete moved;
        list.SetCount(60);
        EXPECT_THROW(list.SetObject(-1, nullptr), std::out_of_range);
        EXPECT_THROW(list.SetObject(kMax + 1, nullptr), std::out_of_range);
        list.Clear();
        EXPECT_TRUE(Counted::alive.empty());
        for (int i = 0; i < 40; i += 7)
            list.SetObject(i, new Counted(i));
    }  // the destructor frees the rest
}

class SubList : public TObjectSList<Counted> {
public:
    explicit SubList(int tag) : tag(tag) {}
    int tag;
    int index = -1;
};

class Section : public TListSList<SubList> {
public:
    std::vector<int> created;

protected:
    SubList* CreateItem() override { return new SubList(77); }
    void ItemCreated(SubList* item, int index) override
    {
        item->index = index;
        created.push_back(index);
    }
    void Renumber(int from, int to) override
    {
        for (int i = from; i <= to; ++i)
            if (SubList* row = Object(i))
                row->index = i;
    }
};

TEST(SparseList, ListsCreateSubListsOnceAndRenumberThem)
{
    CountedGuard guard;
    Section section;
    EXPECT_EQ(section.Object(4), nullptr);
    SubList* row = section.Lists(4);
    EXPECT_EQ(section.Lists(4), row);
    EXPECT_EQ(row->tag, 77);
    row->SetObject(2, new Counted(2));
    section.Lists(9)->SetObject(0, new Counted(9));
    EXPECT_EQ(section.created, (std::vector<int>{4, 9}));
    section.InsertDelete(0, 3);
    EXPECT_EQ(section.Object(7)->index, 7);
    EXPECT_EQ(section.Object(12)->index, 12);
    section.InsertDelete(5, -3);  // frees row 7 with its cell
    EXPECT_EQ(section.Object(9)->index, 9);
    EXPECT_EQ(Counted::alive.size(), 1u);
    EXPECT_THROW(section.Lists(-1), std::out_of_range);
    EXPECT_THROW(section.Lists(kMax + 1), std::out_of_range);

    TListSList<TSList> plain;  // default construction of sub-lists
    plain.Lists(3)->SetItem(1, 5);
    EXPECT_EQ(plain.Object(3)->Item(1), 5);
}

TEST(SparseList, LargestIndexIsEnforcedWithoutLosingData)
{
    TSList list;
    list.SetItem(kMax, 1);
    EXPECT_EQ(list.HighIndex(), kMax);
    EXPECT_EQ(list.BlockCount(), TSList::kMaxBlocks);
    EXPECT_THROW(list.SetItem(kMax + 1, 1), std::out_of_range);
    list.SetItem(kMax + 1, 0);  // reads 0 already: fine
    EXPECT_THROW(list.Insert(0, 2), std::out_of_range);
    EXPECT_THROW(list.InsertDelete(kMax, 1), std::out_of_range);
    EXPECT_EQ(Contents(list), (std::map<int, int>{{kMax, 1}}));
    list.Delete(0);
    list.InsertDelete(kMax - 1, 1);  // exactly fits
    EXPECT_EQ(Contents(list), (std::map<int, int>{{kMax, 1}}));

    TSList other;
    other.SetItem(kMax - 20, 3);
    EXPECT_THROW(other.InsertDelete(0, 21), std::out_of_range);
    EXPECT_THROW(other.InsertDelete(0, INT32_MAX), std::out_of_range);
    other.InsertDelete(0, 20);
    EXPECT_EQ(other.HighIndex(), kMax);
}
