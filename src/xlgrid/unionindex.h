#pragma once
// Point lookups among the merged ranges of a section, and the check that
// ranges do not overlap, both in n log n.
//
// The index is a centred interval tree over rows: a node keeps the ranges
// that hold its centre row, sorted by their left column; those are disjoint
// in columns (they share a row), so one binary search finds the only
// candidate. Ranges wholly above or below the centre go to the children.
// Building costs O(n log n), a lookup O(log² n), the memory O(n) indices.
// The ranges must not overlap (FindOverlap first).

#include "xlgrid/xltypes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace xlgrid {

// The first pair (by position in rects) found to overlap, or nothing: a
// sweep down the rows keeps the ranges crossing the current row in a map by
// left column.
std::optional<std::pair<std::size_t, std::size_t>> FindOverlap(const std::vector<TXLRect>& rects);

class TXLUnionIndex {
public:
    // The rectangles must be pairwise disjoint; the index keeps a copy.
    void Build(std::vector<TXLRect> rects);
    void Clear();
    // The position (in the rectangles built from) of the one that holds the
    // cell, or -1.
    std::ptrdiff_t Find(int col, int row) const;

private:
    struct TNode {
        int Center = 0;
        std::uint32_t First = 0, Count = 0;  // a run of m_byLeft
        std::int32_t Below = -1, Above = -1;  // child nodes: rows before and after Center
    };
    std::int32_t BuildNode(std::vector<std::uint32_t>& items);

    std::vector<TXLRect> m_rects;
    std::vector<TNode> m_nodes;
    std::vector<std::uint32_t> m_byLeft;  // per node, its ranges by left column
    std::int32_t m_root = -1;
};

}  // namespace xlgrid
