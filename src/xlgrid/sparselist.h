#pragma once
// The sparse containers under every sparse structure of the sheet: sizes,
// the rows of a section, the cells of a row and the formatting matrices.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace xlgrid {

// Maps indices 0..kMaxIndex to slots; a slot never written reads as zero.
//
// Data structure: a directory (vector of block pointers, at most 65535
// entries, grown to cover the highest block written) and blocks of 16 slots,
// each allocated zero-filled on the first non-zero write into it and kept until
// Clear, even when it holds only zeros again. The highest non-zero index is
// kept (-1 when empty) and a one-entry read cache remembers the last index read.
// `Count` is a free field the owner uses; the list never enforces it.
//
// Invariants: every slot above HighIndex() is zero; every slot of an
// unallocated block is zero; the directory never exceeds kMaxIndex / 16 + 1.
//
// Costs: reads and writes O(1), except that clearing the highest slot rescans
// downwards for the new highest. Insert, Delete and InsertDelete touch each
// block between the index and the highest index once (16 slots at a time).
// Memory: the directory plus the allocated blocks.
//
// Not safe for concurrent use, not even for concurrent reads: the read cache
// (and in TProZeroSList the size index) are updated by const members.
//
// The hooks: FreeItem receives each removed item (never a zero slot); Renumber
// receives index ranges (never empty: from <= to) whose items now sit at a new
// index.
template <class Slot>
class BasicSList {
public:
    static constexpr int kBlockSize = 16;
    static constexpr int kMaxBlocks = 65535;  // the directory length is 16-bit
    static constexpr int kMaxIndex = kMaxBlocks * kBlockSize - 1;

    BasicSList() = default;
    BasicSList(const BasicSList&) = delete;
    BasicSList& operator=(const BasicSList&) = delete;
    // Releases the blocks only: owning subclasses free their items in their
    // own destructor, where their FreeItem is still reachable.
    virtual ~BasicSList() = default;

    // Zero for a negative index or one above HighIndex().
    Slot Item(int index) const;
    // A negative index is ignored; writing zero where the slot reads zero does
    // nothing. Throws std::out_of_range for a non-zero value above kMaxIndex.
    // Does not free an overwritten item.
    void SetItem(int index, Slot value);

    int HighIndex() const { return m_high; }
    bool IsEmpty() const { return m_high < 0; }

    int Count() const { return m_count; }
    // Sets Count, then removes every item at or above `value`, highest first:
    // its slot is cleared and the item passed to FreeItem.
    void SetCount(int value);

    // Calls `callback` with every non-zero slot in ascending index order; a
    // non-zero result stops the walk and is returned (0 after a full walk).
    // The callback must not change the list.
    int ForEach(const std::function<int(int index, Slot item)>& callback) const;

    // Moves the slots from `index` up to HighIndex() one up and writes `item`
    // at `index`, then calls Renumber(index + 1, HighIndex()) and
    // Renumber(index, index). Ignored for a negative index. Throws
    // std::out_of_range (list unchanged) when an item would pass kMaxIndex.
    void Insert(int index, Slot item);
    // Moves every slot above `index` one down; the item at `index` is
    // overwritten, NOT freed (take it first, or use InsertDelete(index, -1)).
    // Then calls Renumber(index, old HighIndex()). No-op outside 0..HighIndex().
    void Delete(int index);
    // count > 0: inserts `count` empty slots at `index`, then one
    // Renumber(index, HighIndex()) call. count < 0: frees the items at index ..
    // index - count - 1 through FreeItem and closes the gap, then one
    // Renumber(index, old HighIndex()) call. Both are no-ops for a negative
    // index or one above HighIndex(). Throws std::out_of_range (list unchanged)
    // when an item would pass kMaxIndex.
    void InsertDelete(int index, int count);

    // Frees every block and the directory; Count stays.
    virtual void Clear();

    // Directory length, and whether a block has been allocated.
    int BlockCount() const { return static_cast<int>(m_dir.size()); }
    bool IsBlockAllocated(int block) const
    {
        return block >= 0 && block < BlockCount() && m_dir[block] != nullptr;
    }

protected:
    struct Block {
        Slot Values[kBlockSize] = {};
    };

    virtual void FreeItem(Slot) {}
    virtual void Renumber(int /*from*/, int /*to*/) {}
    // Notifications for derived indexes over the slots: one slot of `index`
    // changed through SetItem, or any number of slots changed in bulk.
    virtual void SlotWritten(int /*index*/) {}
    virtual void SlotsReset() {}

    const Block* BlockAt(int block) const
    {
        return block >= 0 && block < BlockCount() ? m_dir[block].get() : nullptr;
    }
    // Empties the list as Clear does and hands its blocks over, allocating
    // nothing (destructors clear lists, also when memory has run out).
    std::vector<std::unique_ptr<Block>> DetachBlocks()
    {
        std::vector<std::unique_ptr<Block>> blocks;
        blocks.swap(m_dir);
        m_high = -1;
        ClearCache();
        SlotsReset();
        return blocks;
    }

private:
    Block* EnsureBlock(int block);
    void MoveIntoBlock(int d, int index, int gapEnd, int offset, int srcHigh);
    void ShiftUp(int index, int count);
    void ShiftDown(int index, int count);
    int ScanHighFrom(int index) const;
    void ClearCache() const { m_cacheIndex = -1; }

    std::vector<std::unique_ptr<Block>> m_dir;
    int m_high = -1;
    int m_count = 0;
    mutable int m_cacheIndex = -1;
    mutable Slot m_cacheValue{};
};

// A list of 32-bit values.
class TSList : public BasicSList<int32_t> {};

// A list of 32-bit values over a default d. Two encodings keep default
// entries free:
//  - difference (sizes): stored = value - d, read = stored + d;
//  - value + 1 (formatting): d is stored as 0, any other v as v + 1. The value
//    -1 cannot be told from an empty slot and reads back as d.
// Arithmetic on the encodings wraps at 32 bits instead of overflowing.
//
// Sum and Locate treat entry i as an extent of d + stored(i) and answer from a
// size index: a segment tree over block numbers (capacity a power of two, at
// least the directory length) holding per node the sum of stored values and
// the largest prefix sum of the extents. It is built on the first Sum or
// Locate, updated in O(16 + log blocks) by SetItem and rebuilt lazily after
// bulk changes and SetDefault. So Sum is O(log blocks) and Locate O(log
// blocks + 16), with negative differences and zero-size entries allowed.
// Lists that are never summed (formatting rows) never build it.
class TProZeroSList : public TSList {
public:
    int32_t Default() const { return m_default; }
    virtual void SetDefault(int32_t value);

    int32_t DiffItem(int index) const;
    void SetDiffItem(int index, int32_t value);
    int32_t IncItem(int index) const;
    void SetIncItem(int index, int32_t value);

    // The sum of the values (d + stored) of indices 0 .. n - 1; 0 for n < 1.
    int64_t Sum(int n) const;
    // For pos > 0 and d > 0: the index whose extent holds `pos`, with `pos` set
    // to the start of that extent. An index of size 0 is never returned; the
    // answer is the first index i with Sum(i + 1) > pos. Positions past
    // kMaxIndex give kMaxIndex + 1 and its start. For pos <= 0 or d <= 0:
    // returns 0 and sets pos to 0.
    int Locate(int64_t& pos) const;

    // Also releases the size index; the default stays.
    void Clear() override;

protected:
    void SlotWritten(int index) override;
    void SlotsReset() override { m_treeValid = false; }

private:
    void BuildTree() const;
    void UpdateLeaf(int block) const;
    void Pull(int node) const;
    int64_t ExtentSum(int node) const;
    int64_t StoredPrefix(int blocks) const;

    int32_t m_default = 0;
    mutable bool m_treeValid = false;
    mutable int m_treeCap = 0;  // leaves; leaf b covers block b
    mutable std::vector<int64_t> m_stored;  // sum of stored values per node
    mutable std::vector<int64_t> m_maxPrefix;  // largest prefix sum of extents
};

// Setting the default also clears the list.
class TZeroSList : public TProZeroSList {
public:
    void SetDefault(int32_t value) override;
};

// A row of a formatting matrix (value + 1 encoding over a base style value).
class TDefSList : public TProZeroSList {};

// Sizes of rows or columns (difference encoding over the default size).
class TXLSizeList : public TZeroSList {};

// A list that owns its objects: FreeItem deletes, Clear and the destructor
// free every object first. SetItem/Insert hand ownership of a non-null item to
// the list (unless they throw); Take hands it back. Delete() does not free (see
// BasicSList), InsertDelete and SetCount do.
template <class T>
class TObjectSList : public BasicSList<T*> {
    using Base = BasicSList<T*>;

public:
    ~TObjectSList() override { TObjectSList::Clear(); }

    T* Object(int index) const { return this->Item(index); }
    // Stores `object` (owned from now on) and frees a different object that
    // was at `index`. Throws std::out_of_range for an index outside
    // 0..kMaxIndex (the caller keeps `object`).
    void SetObject(int index, T* object);
    // Removes the object at `index` without freeing it; nullptr when none.
    T* Take(int index);

    void Clear() override;

protected:
    void FreeItem(T* item) override { delete item; }
};

// A list of owned sub-lists created on demand.
template <class T>
class TListSList : public TObjectSList<T> {
public:
    // The sub-list at `index`, created through CreateItem and announced through
    // ItemCreated when absent. Throws std::out_of_range outside 0..kMaxIndex.
    // Use Object() to read without creating.
    T* Lists(int index);

protected:
    // Override to construct sub-lists with arguments.
    virtual T* CreateItem();
    virtual void ItemCreated(T* /*item*/, int /*index*/) {}
};

// ---------------------------------------------------------------------------
// Template implementation.

template <class Slot>
Slot BasicSList<Slot>::Item(int index) const
{
    if (index < 0 || index > m_high)
        return Slot{};
    if (index == m_cacheIndex)
        return m_cacheValue;
    const Block* block = m_dir[index / kBlockSize].get();
    Slot value = block ? block->Values[index % kBlockSize] : Slot{};
    m_cacheIndex = index;
    m_cacheValue = value;
    return value;
}

template <class Slot>
typename BasicSList<Slot>::Block* BasicSList<Slot>::EnsureBlock(int block)
{
    if (block >= BlockCount())
        m_dir.resize(block + 1);
    if (!m_dir[block])
        m_dir[block] = std::make_unique<Block>();
    return m_dir[block].get();
}

template <class Slot>
void BasicSList<Slot>::SetItem(int index, Slot value)
{
    if (index < 0)
        return;
    if (value == Slot{} && Item(index) == Slot{})
        return;
    if (index > kMaxIndex)
        throw std::out_of_range("sparse list index beyond the largest index");
    EnsureBlock(index / kBlockSize)->Values[index % kBlockSize] = value;
    ClearCache();
    if (value != Slot{}) {
        if (index > m_high)
            m_high = index;
    } else if (index == m_high) {
        m_high = ScanHighFrom(index);
    }
    SlotWritten(index);
}

template <class Slot>
int BasicSList<Slot>::ScanHighFrom(int index) const
{
    if (index >= BlockCount() * kBlockSize)
        index = BlockCount() * kBlockSize - 1;
    for (int b = index / kBlockSize; b >= 0; --b) {
        const Block* block = m_dir[b].get();
        if (!block)
            continue;
        int top = b == index / kBlockSize ? index % kBlockSize : kBlockSize - 1;
        for (int i = top; i >= 0; --i)
            if (block->Values[i] != Slot{})
                return b * kBlockSize + i;
    }
    return -1;
}

template <class Slot>
void BasicSList<Slot>::SetCount(int value)
{
    m_count = value;
    while (m_high >= 0 && m_high >= value) {
        Slot item = Item(m_high);
        SetItem(m_high, Slot{});
        FreeItem(item);
    }
}

template <class Slot>
int BasicSList<Slot>::ForEach(const std::function<int(int index, Slot item)>& callback) const
{
    if (m_high < 0)
        return 0;
    for (int b = 0; b <= m_high / kBlockSize; ++b) {
        const Block* block = m_dir[b].get();
        if (!block)
            continue;
        for (int i = 0; i < kBlockSize; ++i) {
            if (block->Values[i] == Slot{})
                continue;
            if (int result = callback(b * kBlockSize + i, block->Values[i]))
                return result;
        }
    }
    return 0;
}

// Rewrites the slots from `index` up in destination block `d`: slot j gets
// source slot j + offset when j >= gapEnd and that source is at most `srcHigh`,
// zero otherwise. Stretches where neither the destination nor the source
// blocks are allocated cost three lookups.
template <class Slot>
void BasicSList<Slot>::MoveIntoBlock(int d, int index, int gapEnd, int offset, int srcHigh)
{
    const int base = d * kBlockSize;
    const int first = std::max(base, index) - base;
    const int srcFirst = std::max(base, gapEnd) + offset;
    const int srcLast = std::min(base + kBlockSize - 1 + offset, srcHigh);
    const Block* srcLo = srcFirst <= srcLast ? BlockAt(srcFirst / kBlockSize) : nullptr;
    const Block* srcHi = srcFirst <= srcLast ? BlockAt(srcLast / kBlockSize) : nullptr;
    Block* own = d < BlockCount() ? m_dir[d].get() : nullptr;
    if (!own && !srcLo && !srcHi)
        return;
    // Slots [first, from) lie in the gap, [from, to) take their source, the
    // rest lie above the source range: zero but for the two copied pieces.
    Slot gathered[kBlockSize] = {};
    const int from = std::clamp(gapEnd - base, first, kBlockSize);
    const int to = std::clamp(srcHigh - offset - base + 1, from, kBlockSize);
    if (from < to) {
        const int src = base + from + offset;
        const int split = std::min(to - from, kBlockSize - src % kBlockSize);
        if (srcLo)
            std::copy_n(srcLo->Values + src % kBlockSize, split, gathered + from);
        if (srcHi && split < to - from)
            std::copy_n(srcHi->Values, to - from - split, gathered + from + split);
    }
    if (!own) {
        if (std::all_of(gathered + first, gathered + kBlockSize, [](Slot v) { return v == Slot{}; }))
            return;
        own = EnsureBlock(d);
    }
    std::copy(gathered + first, gathered + kBlockSize, own->Values + first);
}

// Moves [index, high] to [index + count, high + count] and zeroes the gap,
// from the top down so that no source is overwritten before it is read.
template <class Slot>
void BasicSList<Slot>::ShiftUp(int index, int count)
{
    const int oldHigh = m_high;
    for (int d = (oldHigh + count) / kBlockSize; d >= index / kBlockSize; --d)
        MoveIntoBlock(d, index, index + count, -count, oldHigh);
    m_high = oldHigh + count;
    ClearCache();
}

// Moves [index + count, high] to [index, high - count] and zeroes the top,
// from the bottom up.
template <class Slot>
void BasicSList<Slot>::ShiftDown(int index, int count)
{
    const int oldHigh = m_high;
    for (int d = index / kBlockSize; d <= oldHigh / kBlockSize; ++d)
        MoveIntoBlock(d, index, index, count, oldHigh);
    m_high = ScanHighFrom(oldHigh);
    ClearCache();
}

template <class Slot>
void BasicSList<Slot>::Insert(int index, Slot item)
{
    if (index < 0)
        return;
    if (index <= m_high) {
        if (m_high + 1 > kMaxIndex)
            throw std::out_of_range("sparse list insert beyond the largest index");
        ShiftUp(index, 1);
        if (item != Slot{})
            EnsureBlock(index / kBlockSize)->Values[index % kBlockSize] = item;
        SlotsReset();
    } else {
        SetItem(index, item);
    }
    if (index + 1 <= m_high)
        Renumber(index + 1, m_high);
    Renumber(index, index);
}

template <class Slot>
void BasicSList<Slot>::Delete(int index)
{
    if (index < 0 || index > m_high)
        return;
    const int oldHigh = m_high;
    ShiftDown(index, 1);
    SlotsReset();
    Renumber(index, oldHigh);
}

template <class Slot>
void BasicSList<Slot>::InsertDelete(int index, int count)
{
    if (index < 0 || index > m_high || count == 0)
        return;
    if (count > 0) {
        if (static_cast<int64_t>(m_high) + count > kMaxIndex)
            throw std::out_of_range("sparse list insert beyond the largest index");
        ShiftUp(index, count);
        SlotsReset();
        Renumber(index, m_high);
        return;
    }
    const int oldHigh = m_high;
    const int64_t wanted = -static_cast<int64_t>(count);
    const int n = static_cast<int>(std::min<int64_t>(wanted, oldHigh - index + 1));
    // Take the doomed items out before freeing them, so FreeItem never sees a
    // list that still holds them; then close the gap.
    std::vector<Slot> doomed;
    for (int b = index / kBlockSize; b <= (index + n - 1) / kBlockSize; ++b) {
        Block* block = m_dir[b].get();
        if (!block)
            continue;
        for (int i = 0; i < kBlockSize; ++i) {
            const int j = b * kBlockSize + i;
            if (j >= index && j < index + n && block->Values[i] != Slot{}) {
                doomed.push_back(block->Values[i]);
                block->Values[i] = Slot{};
            }
        }
    }
    ShiftDown(index, n);
    SlotsReset();
    for (Slot item : doomed)
        FreeItem(item);
    Renumber(index, oldHigh);
}

template <class Slot>
void BasicSList<Slot>::Clear()
{
    std::vector<std::unique_ptr<Block>>().swap(m_dir);
    m_high = -1;
    ClearCache();
    SlotsReset();
}

template <class T>
void TObjectSList<T>::SetObject(int index, T* object)
{
    if (index < 0 || index > Base::kMaxIndex)
        throw std::out_of_range("sparse list index outside the list");
    T* old = this->Item(index);
    if (old == object)
        return;
    this->SetItem(index, object);
    delete old;
}

template <class T>
T* TObjectSList<T>::Take(int index)
{
    T* item = this->Item(index);
    if (item)
        this->SetItem(index, nullptr);
    return item;
}

template <class T>
void TObjectSList<T>::Clear()
{
    // The blocks leave first: an object's destructor then finds the list
    // already empty. The objects go in ascending index order.
    const auto blocks = this->DetachBlocks();
    for (const auto& block : blocks)
        if (block)
            for (T* item : block->Values)
                if (item)
                    FreeItem(item);
}

template <class T>
T* TListSList<T>::CreateItem()
{
    if constexpr (std::is_default_constructible_v<T>)
        return new T;
    else
        throw std::logic_error("sub-list class needs a CreateItem override");
}

template <class T>
T* TListSList<T>::Lists(int index)
{
    if (index < 0 || index > TObjectSList<T>::kMaxIndex)
        throw std::out_of_range("sparse list index outside the list");
    T* item = this->Item(index);
    if (item)
        return item;
    std::unique_ptr<T> created(CreateItem());
    this->SetItem(index, created.get());
    item = created.release();
    ItemCreated(item, index);
    return item;
}

extern template class BasicSList<int32_t>;

}  // namespace xlgrid
