#include "xlgrid/unionindex.h"

#include <algorithm>
#include <functional>
#include <map>
#include <queue>

namespace xlgrid {

std::optional<std::pair<std::size_t, std::size_t>> FindOverlap(const std::vector<TXLRect>& rects)
{
    std::vector<std::size_t> order(rects.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return rects[a].Top < rects[b].Top; });
    // The ranges crossing the current row, by left column (disjoint, as
    // every one of them was checked against the others when it came in),
    // and the rows at which they end.
    std::map<int, std::size_t> active;
    using TEnd = std::pair<int, int>;  // bottom, left
    std::priority_queue<TEnd, std::vector<TEnd>, std::greater<TEnd>> ends;
    for (std::size_t i : order) {
        const TXLRect& r = rects[i];
        while (!ends.empty() && ends.top().first <= r.Top) {
            active.erase(ends.top().second);
            ends.pop();
        }
        auto next = active.lower_bound(r.Left);
        if (next != active.end() && rects[next->second].Left < r.Right)
            return std::make_pair(next->second, i);
        if (next != active.begin()) {
            auto before = std::prev(next);
            if (rects[before->second].Right > r.Left)
                return std::make_pair(before->second, i);
        }
        active.emplace(r.Left, i);
        ends.push({r.Bottom, r.Left});
    }
    return std::nullopt;
}

void TXLUnionIndex::Build(std::vector<TXLRect> rects)
{
    Clear();
    m_rects = std::move(rects);
    m_byLeft.reserve(m_rects.size());
    std::vector<std::uint32_t> items(m_rects.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i] = static_cast<std::uint32_t>(i);
    m_root = BuildNode(items);
}

void TXLUnionIndex::Clear()
{
    m_rects.clear();
    m_nodes.clear();
    m_byLeft.clear();
    m_root = -1;
}

std::int32_t TXLUnionIndex::BuildNode(std::vector<std::uint32_t>& items)
{
    const std::vector<TXLRect>& rects = m_rects;
    if (items.empty())
        return -1;
    // The median top row as centre: each child gets at most half the ranges
    // whose top lies on its side, so the depth stays logarithmic.
    auto mid = items.begin() + static_cast<std::ptrdiff_t>(items.size() / 2);
    std::nth_element(items.begin(), mid, items.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return rects[a].Top < rects[b].Top; });
    const int center = rects[*mid].Top;
    std::vector<std::uint32_t> below, above;
    TNode node;
    node.Center = center;
    node.First = static_cast<std::uint32_t>(m_byLeft.size());
    for (std::uint32_t i : items) {
        const TXLRect& r = rects[i];
        if (r.Bottom <= center)
            below.push_back(i);
        else if (r.Top > center)
            above.push_back(i);
        else
            m_byLeft.push_back(i);
    }
    items.clear();
    items.shrink_to_fit();
    node.Count = static_cast<std::uint32_t>(m_byLeft.size() - node.First);
    std::sort(m_byLeft.begin() + node.First, m_byLeft.end(),
              [&](std::uint32_t a, std::uint32_t b) { return rects[a].Left < rects[b].Left; });
    const auto at = static_cast<std::int32_t>(m_nodes.size());
    m_nodes.push_back(node);
    const std::int32_t b = BuildNode(below);
    const std::int32_t a = BuildNode(above);
    m_nodes[static_cast<std::size_t>(at)].Below = b;
    m_nodes[static_cast<std::size_t>(at)].Above = a;
    return at;
}

std::ptrdiff_t TXLUnionIndex::Find(int col, int row) const
{
    const std::vector<TXLRect>& rects = m_rects;
    for (std::int32_t n = m_root; n >= 0;) {
        const TNode& node = m_nodes[static_cast<std::size_t>(n)];
        auto first = m_byLeft.begin() + node.First;
        auto last = first + node.Count;
        // The last range starting at or before the column.
        auto it = std::upper_bound(first, last, col,
                                   [&](int c, std::uint32_t i) { return c < rects[i].Left; });
        if (it != first && rects[*(it - 1)].Contains(col, row))
            return static_cast<std::ptrdiff_t>(*(it - 1));
        if (row == node.Center)
            return -1;
        n = row < node.Center ? node.Below : node.Above;
    }
    return -1;
}

}  // namespace xlgrid
