#include "xlgrid/sparselist.h"

#include <bit>

namespace xlgrid {

template class BasicSList<int32_t>;

namespace {

// The encodings wrap at 32 bits rather than overflow.
int32_t WrapAdd(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int32_t WrapSub(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

}  // namespace

void TProZeroSList::SetDefault(int32_t value)
{
    m_default = value;
    m_treeValid = false;  // the extents, and so the prefix maxima, changed
}

int32_t TProZeroSList::DiffItem(int index) const
{
    return WrapAdd(Item(index), m_default);
}

void TProZeroSList::SetDiffItem(int index, int32_t value)
{
    SetItem(index, WrapSub(value, m_default));
}

int32_t TProZeroSList::IncItem(int index) const
{
    const int32_t stored = Item(index);
    return stored == 0 ? m_default : WrapSub(stored, 1);
}

void TProZeroSList::SetIncItem(int index, int32_t value)
{
    SetItem(index, value == m_default ? 0 : WrapAdd(value, 1));
}

void TProZeroSList::Clear()
{
    TSList::Clear();
    std::vector<int64_t>().swap(m_stored);
    std::vector<int64_t>().swap(m_maxPrefix);
    m_treeCap = 0;
}

void TZeroSList::SetDefault(int32_t value)
{
    TProZeroSList::SetDefault(value);
    Clear();
}

// Sum of the extents of all slots under `node`.
int64_t TProZeroSList::ExtentSum(int node) const
{
    const int depth = std::bit_width(static_cast<unsigned>(node)) - 1;
    const int64_t span = static_cast<int64_t>(m_treeCap >> depth) * kBlockSize;
    return m_stored[node] + span * m_default;
}

void TProZeroSList::UpdateLeaf(int block) const
{
    const int node = m_treeCap + block;
    const int64_t d = m_default;
    const Block* b = BlockAt(block);
    if (!b) {
        m_stored[node] = 0;
        m_maxPrefix[node] = d > 0 ? d * kBlockSize : d;
        return;
    }
    int64_t stored = 0;
    int64_t prefix = 0;
    int64_t best = INT64_MIN;
    for (int32_t slot : b->Values) {
        stored += slot;
        prefix += d + slot;
        best = std::max(best, prefix);
    }
    m_stored[node] = stored;
    m_maxPrefix[node] = best;
}

void TProZeroSList::Pull(int node) const
{
    const int left = 2 * node;
    m_stored[node] = m_stored[left] + m_stored[left + 1];
    m_maxPrefix[node] = std::max(m_maxPrefix[left], ExtentSum(left) + m_maxPrefix[left + 1]);
}

void TProZeroSList::BuildTree() const
{
    m_treeCap = static_cast<int>(std::bit_ceil(static_cast<unsigned>(std::max(1, BlockCount()))));
    m_stored.assign(2 * m_treeCap, 0);
    m_maxPrefix.assign(2 * m_treeCap, 0);
    for (int b = 0; b < m_treeCap; ++b)
        UpdateLeaf(b);
    for (int node = m_treeCap - 1; node >= 1; --node)
        Pull(node);
    m_treeValid = true;
}

void TProZeroSList::SlotWritten(int index)
{
    if (!m_treeValid)
        return;
    const int block = index / kBlockSize;
    if (block >= m_treeCap) {
        m_treeValid = false;  // the directory outgrew the tree; rebuild on demand
        return;
    }
    UpdateLeaf(block);
    for (int node = (m_treeCap + block) / 2; node >= 1; node /= 2)
        Pull(node);
}

int64_t TProZeroSList::StoredPrefix(int blocks) const
{
    int64_t sum = 0;
    int lo = m_treeCap;
    int hi = m_treeCap + std::min(blocks, m_treeCap);
    while (lo < hi) {
        if (lo & 1)
            sum += m_stored[lo++];
        if (hi & 1)
            sum += m_stored[--hi];
        lo /= 2;
        hi /= 2;
    }
    return sum;
}

int64_t TProZeroSList::Sum(int n) const
{
    if (n < 1)
        return 0;
    if (!m_treeValid)
        BuildTree();
    const int full = n / kBlockSize;
    int64_t stored = StoredPrefix(full);
    if (const Block* b = BlockAt(full))
        for (int i = 0; i < n % kBlockSize; ++i)
            stored += b->Values[i];
    return static_cast<int64_t>(n) * m_default + stored;
}

int TProZeroSList::Locate(int64_t& pos) const
{
    const int64_t d = m_default;
    if (pos <= 0 || d <= 0) {
        pos = 0;
        return 0;
    }
    if (!m_treeValid)
        BuildTree();
    int64_t result;
    int64_t acc = 0;  // start of the current node's first extent
    if (m_maxPrefix[1] <= pos) {
        // Past every block of the tree: all further entries have extent d.
        acc = ExtentSum(1);
        const int64_t steps = (pos - acc) / d;
        result = static_cast<int64_t>(m_treeCap) * kBlockSize + steps;
        acc += steps * d;
    } else {
        // Descend to the first block holding a prefix end beyond pos.
        int node = 1;
        while (node < m_treeCap) {
            const int left = 2 * node;
            if (acc + m_maxPrefix[left] > pos) {
                node = left;
            } else {
                acc += ExtentSum(left);
                node = left + 1;
            }
        }
        const int block = node - m_treeCap;
        const Block* b = BlockAt(block);
        result = static_cast<int64_t>(block) * kBlockSize;
        if (!b) {
            const int64_t steps = (pos - acc) / d;
            result += steps;
            acc += steps * d;
        } else {
            for (int i = 0; i < kBlockSize; ++i) {
                const int64_t extent = d + b->Values[i];
                if (acc + extent > pos) {
                    result += i;
                    break;
                }
                acc += extent;
            }
        }
    }
    if (result > kMaxIndex) {
        pos = Sum(kMaxIndex + 1);
        return kMaxIndex + 1;
    }
    pos = acc;
    return static_cast<int>(result);
}

}  // namespace xlgrid
