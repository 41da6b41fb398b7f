#include "engine/dlist.h"

#include "engine/studata.h"

#include <cassert>
#include <utility>

namespace engine {

TDList::TDList(bool owner, TKeyCompare compare) : m_owner(owner), m_compare(compare) {}

TDList::~TDList() { Clear(); }

TDList::TDList(TDList&& other) noexcept
    : m_owner(other.m_owner), m_compare(other.m_compare), m_count(other.m_count),
      m_blocks(std::move(other.m_blocks)), m_tree(std::move(other.m_tree)),
      m_lastKeys(std::move(other.m_lastKeys)), m_ordered(other.m_ordered)
{
    other.m_blocks.clear();
    other.Clear();
}

TDList& TDList::operator=(TDList&& other) noexcept
{
    if (this != &other) {
        Clear();
        m_owner = other.m_owner;
        m_compare = other.m_compare;
        m_count = other.m_count;
        m_blocks = std::move(other.m_blocks);
        m_tree = std::move(other.m_tree);
        m_lastKeys = std::move(other.m_lastKeys);
        m_ordered = other.m_ordered;
        other.m_blocks.clear();
        other.Clear();
    }
    return *this;
}

void TDList::Clear()
{
    if (m_owner)
        for (auto& block : m_blocks)
            for (TEntry& e : block)
                delete e.Item;
    m_blocks.clear();
    m_tree.clear();
    m_lastKeys.clear();
    m_count = 0;
    m_ordered = true;
}

TDList::TSpot TDList::Locate(std::size_t pos) const
{
    assert(pos < m_count);
    std::size_t n = m_blocks.size();
    std::size_t step = 1;
    while (step * 2 <= n)
        step *= 2;
    std::size_t idx = 0;  // blocks before the answer
    for (; step > 0; step /= 2) {
        if (idx + step <= n && m_tree[idx + step] <= pos) {
            idx += step;
            pos -= m_tree[idx];
        }
    }
    return {idx, pos};
}

TStuData* TDList::At(std::size_t pos) const
{
    TSpot s = Locate(pos);
    return m_blocks[s.Block][s.Offset].Item;
}

double TDList::KeyAt(std::size_t pos) const
{
    TSpot s = Locate(pos);
    return m_blocks[s.Block][s.Offset].Key;
}

namespace {

// Beyond this size a difference of two keys may overflow, and the
// comparison stops being an order.
constexpr double OrderedKeyLimit = 1e300;

bool IsOrderedKey(double key) { return key > -OrderedKeyLimit && key < OrderedKeyLimit; }

}  // namespace

std::size_t TDList::Prefix(std::size_t block) const
{
    std::size_t sum = 0;
    for (std::size_t i = block; i > 0; i -= i & (~i + 1))
        sum += m_tree[i];
    return sum;
}

template <class Keep> std::size_t TDList::Boundary(Keep keep) const
{
    // First block whose last entry fails; the boundary lies inside it.
    std::size_t lo = 0, hi = m_lastKeys.size();
    while (lo < hi) {
        std::size_t mid = (lo + hi) / 2;
        if (keep(m_lastKeys[mid]))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == m_blocks.size())
        return m_count;
    const std::vector<TEntry>& block = m_blocks[lo];
    std::size_t a = 0, b = block.size();
    while (a < b) {
        std::size_t mid = (a + b) / 2;
        if (keep(block[mid].Key))
            a = mid + 1;
        else
            b = mid;
    }
    return Prefix(lo) + a;
}

std::pair<std::size_t, std::size_t> TDList::EqualRun(double key) const
{
    // The two orderings of the division are spelled out so that the
    // comparisons inline; any other comparison goes through its pointer.
    if (m_compare == CompareAscending)
        return {Boundary([key](double e) { return e < key; }),
                Boundary([key](double e) { return e <= key; })};
    if (m_compare == CompareDescending)
        return {Boundary([key](double e) { return e > key; }),
                Boundary([key](double e) { return e >= key; })};
    return {Boundary([&](double e) { return m_compare(key, e) > 0; }),
            Boundary([&](double e) { return m_compare(key, e) >= 0; })};
}

std::size_t TDList::InsertPosition(double key) const
{
    if (!m_ordered || !IsOrderedKey(key))
        return ProbingPosition(key);
    // below: entries that compare below the key; through: below or equal.
    const auto [below, through] = EqualRun(key);
    std::ptrdiff_t lo = 0, hi = static_cast<std::ptrdiff_t>(m_count) - 1;
    while (lo <= hi) {
        std::ptrdiff_t mid = (lo + hi) / 2;
        if (static_cast<std::size_t>(mid) < below)
            lo = mid + 1;
        else if (static_cast<std::size_t>(mid) >= through)
            hi = mid - 1;
        else
            return static_cast<std::size_t>(mid);
    }
    return static_cast<std::size_t>(lo);
}

std::size_t TDList::ProbingPosition(double key) const
{
    // The bisection's last steps stay inside one block: remember the block
    // of the previous probe and skip the tree while the probe stays in it.
    std::size_t cachedFirst = 1, cachedEnd = 0, cachedBlock = 0;
    auto keyAt = [&](std::size_t pos) {
        if (pos < cachedFirst || pos >= cachedEnd) {
            TSpot s = Locate(pos);
            cachedBlock = s.Block;
            cachedFirst = pos - s.Offset;
            cachedEnd = cachedFirst + m_blocks[s.Block].size();
        }
        return m_blocks[cachedBlock][pos - cachedFirst].Key;
    };
    std::ptrdiff_t lo = 0, hi = static_cast<std::ptrdiff_t>(m_count) - 1;
    while (lo <= hi) {
        std::ptrdiff_t mid = (lo + hi) / 2;
        int r = m_compare(key, keyAt(static_cast<std::size_t>(mid)));
        if (r < 0)
            hi = mid - 1;
        else if (r > 0)
            lo = mid + 1;
        else
            return static_cast<std::size_t>(mid);
    }
    return static_cast<std::size_t>(lo);
}

void TDList::Insert(TStuData* item)
{
    std::size_t pos = InsertPosition(item->Key);
    if (!IsOrderedKey(item->Key))
        m_ordered = false;
    InsertAt(pos, TEntry{item->Key, item});
}

void TDList::AddToTree(std::size_t block, int delta)
{
    for (std::size_t i = block + 1; i < m_tree.size(); i += i & (~i + 1))
        m_tree[i] = static_cast<std::uint32_t>(static_cast<std::int64_t>(m_tree[i]) + delta);
}

void TDList::RebuildTree()
{
    std::size_t n = m_blocks.size();
    m_tree.assign(n + 1, 0);
    for (std::size_t i = 1; i <= n; ++i) {
        m_tree[i] += static_cast<std::uint32_t>(m_blocks[i - 1].size());
        std::size_t parent = i + (i & (~i + 1));
        if (parent <= n)
            m_tree[parent] += m_tree[i];
    }
}

void TDList::InsertAt(std::size_t pos, TEntry entry)
{
    if (m_blocks.empty()) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(MaxBlock + 1);
        m_tree.assign(2, 0);
        m_lastKeys.assign(1, entry.Key);
    }
    TSpot s;
    if (pos == m_count)
        s = {m_blocks.size() - 1, m_blocks.back().size()};
    else
        s = Locate(pos);
    std::vector<TEntry>& block = m_blocks[s.Block];
    block.insert(block.begin() + static_cast<std::ptrdiff_t>(s.Offset), entry);
    ++m_count;
    m_lastKeys[s.Block] = block.back().Key;
    if (block.size() <= MaxBlock) {
        AddToTree(s.Block, 1);
        return;
    }
    std::vector<TEntry> upper;
    upper.reserve(MaxBlock + 1);
    upper.assign(block.begin() + static_cast<std::ptrdiff_t>(block.size() / 2), block.end());
    block.resize(block.size() / 2);
    m_blocks.insert(m_blocks.begin() + static_cast<std::ptrdiff_t>(s.Block) + 1, std::move(upper));
    m_lastKeys[s.Block] = m_blocks[s.Block].back().Key;  // the insert may have moved the blocks
    m_lastKeys.insert(m_lastKeys.begin() + static_cast<std::ptrdiff_t>(s.Block) + 1,
                      m_blocks[s.Block + 1].back().Key);
    RebuildTree();
}

}  // namespace engine
