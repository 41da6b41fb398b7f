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
// Invariants: no block is empty; the Fenwick tree holds the current block
// sizes; Count() is their sum. In sorted mode the entries are ordered by the
// comparison as the insertion rule leaves them: equal keys are not kept in
// arrival order, because Insert bisects positions lo..hi exactly as the
// division has always done and puts the new element in front of the first
// equal element the bisection meets.
//
// An owning list deletes its records when it is destroyed.

#include <cstddef>
#include <cstdint>
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
    void InsertAt(std::size_t pos, TEntry entry);
    void RebuildTree();
    void AddToTree(std::size_t block, int delta);
    void Clear();

    bool m_owner;
    TKeyCompare m_compare;
    std::size_t m_count = 0;
    std::vector<std::vector<TEntry>> m_blocks;
    std::vector<std::uint32_t> m_tree;  // Fenwick tree over block sizes, 1-based
};

}  // namespace engine
