#pragma once
// TDList: the sorted student list of a division.
//
// Data structure: a chunked list. Entries (key and record pointer) live in
// blocks of at most MaxBlock entries kept in list order; a Fenwick tree over
// the block sizes turns a list position into (block, offset) in O(log B) for
// B blocks. Positional access is O(log B); an insertion costs O(MaxBlock) for
// the move inside one block plus O(log B), and a block that outgrows
// MaxBlock is split in two and the Fenwick tree rebuilt (O(B), once per
// MaxBlock/2 insertions).
//
// Finding the insertion position does not probe element by element: while
// every key is finite and of moderate size, the comparison is the natural
// order of the keys, so the elements that compare below, equal to and above
// the new key form three runs. Their two boundaries are found by bisecting
// the blocks' last keys (a contiguous array) and then one block, and the
// insertion rule's bisection is replayed on positions alone. A key so large
// that a difference could overflow switches the list to probing every
// position the rule visits, which is exact for any comparison.
//
// Invariants: no block is empty; the Fenwick tree holds the current block
// sizes; Count() is their sum; m_lastKeys[b] is the key of block b's last
// entry. In sorted mode the entries are ordered by the
// comparison as the insertion rule leaves them: equal keys are not kept in
// arrival order, because Insert bisects positions lo..hi exactly as the
// division has always done and puts the new element in front of the first
// equal element the bisection meets.
//
// An owning list deletes its records when it is destroyed.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace engine {

struct TStuData;

using TKeyCompare = int (*)(double x, double y);

class TDList {
public:
    TDList(bool owner, TKeyCompare compare);
    ~TDList();
    TDList(TDList&& other) noexcept;
    TDList& operator=(TDList&& other) noexcept;
    TDList(const TDList&) = delete;
    TDList& operator=(const TDList&) = delete;

    // Sorted insertion; an owning list takes the record over.
    void Insert(TStuData* item);
    // The position Insert would choose for a key, without inserting.
    std::size_t InsertPosition(double key) const;

    std::size_t Count() const { return m_count; }
    TStuData* At(std::size_t pos) const;
    double KeyAt(std::size_t pos) const;
    bool IsOwner() const { return m_owner; }

    // Walks from the first element to the last, and from the last to the first.
    template <class F> void ForEachForward(F&& visit) const
    {
        for (const auto& block : m_blocks)
            for (const TEntry& e : block)
                visit(e.Item);
    }
    template <class F> void ForEachBackward(F&& visit) const
    {
        for (auto b = m_blocks.rbegin(); b != m_blocks.rend(); ++b)
            for (auto e = b->rbegin(); e != b->rend(); ++e)
                visit(e->Item);
    }

    static constexpr std::size_t MaxBlock = 512;

private:
    struct TEntry {
        double Key;
        TStuData* Item;
    };
    struct TSpot {
        std::size_t Block;
        std::size_t Offset;
    };

    TSpot Locate(std::size_t pos) const;
    std::size_t ProbingPosition(double key) const;
    // Entries before the first one whose key keep() refuses.
    template <class Keep> std::size_t Boundary(Keep keep) const;
    // Entries comparing below the key, and below or equal.
    std::pair<std::size_t, std::size_t> EqualRun(double key) const;
    std::size_t Prefix(std::size_t block) const;
    void InsertAt(std::size_t pos, TEntry entry);
    void RebuildTree();
    void AddToTree(std::size_t block, int delta);
    void Clear();

    bool m_owner;
    TKeyCompare m_compare;
    std::size_t m_count = 0;
    std::vector<std::vector<TEntry>> m_blocks;
    std::vector<std::uint32_t> m_tree;  // Fenwick tree over block sizes, 1-based
    std::vector<double> m_lastKeys;
    bool m_ordered = true;  // every key so far compares by natural order
};

}  // namespace engine
