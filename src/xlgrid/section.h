#pragma once
// Rows and sections: the sparse storage of cells and their formatting.
//
// A section is a sparse list of rows indexed by local row; a row is a sparse
// list of owned cells indexed by local column. Beside the cells a section
// keeps eight formatting matrices (sparse rows of 32-bit values), its merged
// ranges and its hints. Absent rows and slots read the base style's values.

#include "xlgrid/cell.h"
#include "xlgrid/sparselist.h"
#include "xlgrid/unionindex.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace xlgrid {

class TXLBaseStyle;

class TXLRow : public TObjectSList<TXLCell> {
public:
    TXLRow() = default;
    TXLRow(TXLSection* section, int index) : m_section(section), m_index(index) {}
    ~TXLRow() override { TXLRow::Clear(); }

    int Index() const { return m_index; }
    TXLSection* Section() const { return m_section; }
    void Clear() override;

protected:
    void FreeItem(TXLCell* cell) override;
    // Tells the editor and the merged range that the cell goes, then frees it.
    void Release(TXLCell* cell, bool repaint);
    void Renumber(int from, int to) override;

private:
    friend class TXLSection;
    TXLSection* m_section = nullptr;
    int m_index = -1;
};

// A local position of a section, ordered row by row.
struct TXLCellPos {
    int Col = 0;
    int Row = 0;
    bool operator==(const TXLCellPos&) const = default;
    bool operator<(const TXLCellPos& o) const { return Row != o.Row ? Row < o.Row : Col < o.Col; }
};

// A merged range: a rectangle in local coordinates and its anchor cell.
struct TXLUnion {
    TXLRect Rect;
    TXLCell* Anchor = nullptr;
};

// A formatting matrix: rows of sparse lists, value + 1 over a default
// (matrices 2 to 7) or raw line values (matrices 0 and 1).
class TXLMatrix : public TListSList<TDefSList> {
public:
    TXLMatrix(bool raw, int32_t def) : m_raw(raw), m_default(def) {}
    ~TXLMatrix() override { TListSList<TDefSList>::Clear(); }

    bool IsRaw() const { return m_raw; }
    int32_t Default() const { return m_default; }
    void SetDefault(int32_t def);
    int32_t Get(int col, int row) const;
    void Set(int col, int row, int32_t value);

protected:
    void ItemCreated(TDefSList* item, int index) override;

private:
    bool m_raw;
    int32_t m_default;
};

class TXLSection : public TListSList<TXLRow> {
public:
    static constexpr int kMatrixCount = 8;

    TXLSection(TXLSheet* sheet, TXLSectionKind number, TXLBaseStyle* base);
    ~TXLSection() override;

    TXLSheet* Sheet() const { return m_sheet; }
    TXLSectionKind Number() const { return m_number; }
    TXLBaseStyle* BaseStyle() const { return m_base; }
    void SetBaseStyle(TXLBaseStyle* base) { m_base = base; }
    // Sheet coordinates of a local column and row.
    int SheetCol(int col) const;
    int SheetRow(int row) const;
    int ColCount() const;  // the local column and row counts of the section
    int RowCount() const;

    TXLCell* Find(int col, int row) const;     // local, without following unions
    TXLCell* Create(int col, int row);         // local, creates the cell when absent
    // Puts a cell at the position; an old cell there is freed without asking
    // for a repaint (the caller repaints the new one).
    TXLCell* Replace(int col, int row, TXLCell* cell);
    void FreeCell(int col, int row);
    void ForEachCell(const std::function<void(TXLCell&)>& fn) const;

    TXLMatrix& Matrix(int m) { return *m_matrix[m]; }
    const TXLMatrix& Matrix(int m) const { return *m_matrix[m]; }
    // Formatting values by property number at a local position.
    int32_t GetProperty(int col, int row, int number) const;
    void SetProperty(int col, int row, int number, int32_t value);
    // A base-style change: the default of every row of the matrix follows.
    void SetMatrixDefault(int m, int32_t def);
    void ClearAll();

    // Merged ranges. A few are searched one by one; past kIndexedUnions a
    // lookup goes through an interval index, built at the first lookup after
    // a change (see unionindex.h).
    static constexpr std::size_t kIndexedUnions = 16;
    const std::vector<TXLUnion>& Unions() const { return m_unions; }
    // Adds a range that overlaps none of the others; a cell already at its
    // top-left becomes its anchor.
    void AddUnion(const TXLRect& rect);
    const TXLUnion* UnionAt(int col, int row) const;
    TXLUnion* UnionAt(int col, int row);
    TXLUnion* UnionOf(const TXLCell* anchor);
    void RemoveUnion(size_t index);

    // Hints belong to positions, not to cell objects, so that they outlive
    // the cells (a count cut and regrown keeps them) and move with insertions.
    const std::map<TXLCellPos, std::string>& Hints() const { return m_hints; }
    std::string HintAt(int col, int row) const;
    // An empty text removes the position's hint.
    void SetHintAt(int col, int row, const std::string& hint);

    // Moves rows (axis rows) or columns at a local index; count < 0 deletes.
    // True when merged ranges moved, changed or went.
    bool MoveSectors(TXLAxis axis, int index, int count);
    // Cuts rows or columns at or beyond a count (cells only; formatting stays).
    // True when merged ranges were clipped or removed.
    bool CutSectors(TXLAxis axis, int count);

protected:
    TXLRow* CreateItem() override { return new TXLRow(this, -1); }
    void ItemCreated(TXLRow* row, int index) override;
    void Renumber(int from, int to) override;

private:
    friend class TXLCell;
    friend class TXLSheet;  // SwapContents moves sections between sheets
    TXLSheet* m_sheet;
    TXLSectionKind m_number;
    TXLBaseStyle* m_base;
    std::unique_ptr<TXLMatrix> m_matrix[kMatrixCount];
    // The position in m_unions of the range holding the cell, or -1.
    std::ptrdiff_t FindUnion(int col, int row) const;
    // The range whose top-left is the cell gets it as anchor.
    void AnchorAt(int col, int row, TXLCell* cell);
    void UnionsMoved()
    {
        m_unionIndexFresh = false;
        m_unionsOverlap = false;
    }

    std::vector<TXLUnion> m_unions;
    mutable TXLUnionIndex m_unionIndex;
    mutable bool m_unionIndexFresh = false;
    mutable bool m_unionsOverlap = false;  // then every lookup searches one by one
    std::map<TXLCellPos, std::string> m_hints;
};

// The matrix that holds a property number.
int MatrixOfProperty(int number);

}  // namespace xlgrid
