#include "engine/dlist.h"
#include "engine/studata.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

using namespace engine;

namespace {

// The insertion rule on a plain array: the model the list must match.
std::size_t ModelPosition(const std::vector<double>& keys, double key, TKeyCompare compare)
{
    std::ptrdiff_t lo = 0, hi = static_cast<std::ptrdiff_t>(keys.size()) - 1;
    while (lo <= hi) {
        std::ptrdiff_t mid = (lo + hi) / 2;
        int r = compare(key, keys[static_cast<std::size_t>(mid)]);
        if (r < 0)
            hi = mid - 1;
        else if (r > 0)
            lo = mid + 1;
        else
            return static_cast<std::size_t>(mid);
    }
    return static_cast<std::size_t>(lo);
}

std::vector<TStuData*> Forward(const TDList& list)
{
    std::vector<TStuData*> out;
    list.ForEachForward([&](TStuData* s) { out.push_back(s); });
    return out;
}

TStuData* Record(double key, const std::string& tag)
{
    auto* s = new TStuData;
    s->Key = key;
    s->Fields = {tag};
    return s;
}

std::string Tags(const TDList& list)
{
    std::string out;
    list.ForEachForward([&](TStuData* s) { out += s->Fields[0]; });
    return out;
}

}  // namespace

TEST(TDList, EqualKeysLandBeforeTheFirstEqualElementMet)
{
    TDList list(true, CompareAscending);
    for (const char* tag : {"p", "q", "r", "s"})
        list.Insert(Record(0, tag));
    EXPECT_EQ(Tags(list), "rsqp");
}

TEST(TDList, InsertsBetweenSmallerAndLargerKeys)
{
    TDList list(true, CompareAscending);
    for (double k : {1, 2, 4, 5})
        list.Insert(Record(k, std::to_string(static_cast<int>(k))));
    EXPECT_EQ(list.InsertPosition(3), 2u);
    list.Insert(Record(3, "3"));
    EXPECT_EQ(Tags(list), "12345");
}

TEST(TDList, AllEqualKeysGoToTheMiddleOfTheCurrentList)
{
    TDList list(true, CompareDescending);
    for (int n = 0; n < 3000; ++n) {
        ASSERT_EQ(list.InsertPosition(7), n == 0 ? 0u : static_cast<std::size_t>((n - 1) / 2));
        list.Insert(Record(7, ""));
    }
}

TEST(TDList, WalksBothWays)
{
    TDList list(true, CompareDescending);
    for (int k = 0; k < 2000; ++k)
        list.Insert(Record(k % 17, ""));
    std::vector<TStuData*> forward = Forward(list), backward;
    list.ForEachBackward([&](TStuData* s) { backward.push_back(s); });
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(forward, backward);
    for (std::size_t i = 1; i < forward.size(); ++i)
        EXPECT_GE(forward[i - 1]->Key, forward[i]->Key);
    for (std::size_t i = 0; i < forward.size(); i += 97)
        EXPECT_EQ(list.At(i), forward[i]);
}

// Random keys with many ties, both orderings, sizes that cross many block
// splits: the list must equal the plain array model element by element.
TEST(TDList, MatchesThePlainArrayModel)
{
    struct Case {
        const char* name;
        int count;
        int distinctKeys;
        TKeyCompare compare;
    };
    const Case cases[] = {
        {"few keys ascending", 5000, 3, CompareAscending},
        {"few keys descending", 5000, 3, CompareDescending},
        {"one key", 4000, 1, CompareAscending},
        {"score-like ascending", 20000, 150, CompareAscending},
        {"mostly distinct descending", 8000, 100000, CompareDescending},
        {"extreme keys ascending", 3000, 40, CompareAscending},
        {"extreme keys descending", 3000, 40, CompareDescending},
    };
    for (const Case& c : cases) {
        std::mt19937 rng(12345);
        std::uniform_int_distribution<int> pick(0, c.distinctKeys - 1);
        TDList list(true, c.compare);
        std::vector<double> keys;
        std::vector<TStuData*> model;
        for (int i = 0; i < c.count; ++i) {
            double key = pick(rng) * 0.5;
            // Keys whose differences overflow: the comparison is no longer an
            // order and only probing every visited position is exact.
            if (std::string(c.name).rfind("extreme", 0) == 0 && key > 15)
                key = (key > 18 ? 1 : -1) * 1.5e308;
            std::size_t pos = ModelPosition(keys, key, c.compare);
            TStuData* s = Record(key, "");
            keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(pos), key);
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(pos), s);
            ASSERT_EQ(list.InsertPosition(key), pos) << c.name << " at " << i;
            list.Insert(s);
        }
        ASSERT_EQ(list.Count(), model.size()) << c.name;
        EXPECT_EQ(Forward(list), model) << c.name;
    }
}

TEST(TDList, ComparisonOfAnOverflowingDifferenceCountsAsEqual)
{
    EXPECT_EQ(CompareAscending(1e308, -1e308), 0);
    EXPECT_EQ(CompareDescending(-1e308, 1e308), 0);
    EXPECT_EQ(CompareAscending(2, 1), 1);
    EXPECT_EQ(CompareDescending(2, 1), -1);
}

TEST(TDList, NonOwningListLeavesRecordsAlive)
{
    auto owned = std::make_unique<TStuData>();
    {
        TDList list(false, CompareAscending);
        list.Insert(owned.get());
    }
    owned->Key = 1;  // still valid (checked further by sanitizers)
    EXPECT_EQ(owned->Key, 1);
}
