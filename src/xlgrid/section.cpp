#include "xlgrid/section.h"

#include "xlgrid/sheet.h"

#include <algorithm>

namespace xlgrid {

int MatrixOfProperty(int number)
{
    switch (number) {
    case pnLeft: case pnRight: case pnVInside: return 0;
    case pnTop: case pnBottom: case pnHInside: return 1;
    case pnBias1: return 2;
    case pnBias2: return 3;
    case pnColor: return 4;
    case pnFrame: return 5;
    case pnStyles: return 6;
    default: return 7;
    }
}

// ---- rows ------------------------------------------------------------------

void TXLRow::Clear()
{
    m_index = -1;
    TObjectSList<TXLCell>::Clear();
}

void TXLRow::FreeItem(TXLCell* cell)
{
    Release(cell, true);
}

void TXLRow::Release(TXLCell* cell, bool repaint)
{
    if (!cell)
        return;
    if (m_section) {
        TXLSheet* sheet = m_section->Sheet();
        if (cell->m_flags & TXLPersistent::kInEditor)
            sheet->NotifyCellChanged(cell);
        // The whole merged range it anchored shows it; a repaint it asked
        // for and that was not painted yet covers the position already.
        TXLRect area{cell->m_col, m_index, cell->m_col + 1, m_index + 1};
        if (cell->m_flags & TXLPersistent::kAnchor)
            if (TXLUnion* u = m_section->UnionOf(cell)) {
                area = u->Rect;
                u->Anchor = nullptr;  // the range stays, with no anchor
            }
        if (repaint && m_index >= 0 && !(cell->m_flags & TXLPersistent::kRepaintAsked))
            sheet->NotifyRange(m_section->Number(), area);
    }
    delete cell;
}

void TXLRow::Renumber(int from, int to)
{
    for (int c = from; c <= to; ++c)
        if (TXLCell* cell = Object(c))
            cell->m_col = c;
}

// ---- matrices --------------------------------------------------------------

void TXLMatrix::ItemCreated(TDefSList* item, int)
{
    item->SetDefault(m_raw ? 0 : m_default);
}

void TXLMatrix::SetDefault(int32_t def)
{
    m_default = def;
    if (m_raw)
        return;
    ForEach([def](int, TDefSList* row) {
        // The row keeps its stored values; only what a 0 slot reads changes.
        row->TProZeroSList::SetDefault(def);
        return 0;
    });
}

int32_t TXLMatrix::Get(int col, int row) const
{
    const TDefSList* r = Object(row);
    if (!r)
        return m_raw ? 0 : m_default;
    return m_raw ? r->Item(col) : r->IncItem(col);
}

void TXLMatrix::Set(int col, int row, int32_t value)
{
    // Positions the lists cannot hold are ignored, like any out-of-range argument.
    if (col < 0 || row < 0 || col > kMaxIndex || row > kMaxIndex)
        return;
    if (m_raw) {
        if (value == 0 && !Object(row))
            return;
        Lists(row)->SetItem(col, value);
    } else {
        if (value == m_default && !Object(row))
            return;
        Lists(row)->SetIncItem(col, value);
    }
}

// ---- sections --------------------------------------------------------------

TXLSection::TXLSection(TXLSheet* sheet, TXLSectionKind number, TXLBaseStyle* base)
    : m_sheet(sheet), m_number(number), m_base(base)
{
    for (int m = 0; m < kMatrixCount; ++m) {
        bool raw = m < 2;
        int32_t def = raw ? 0 : base->GetProperty(m == 2 ? pnBias1 : m == 3 ? pnBias2 : m + 4);
        m_matrix[m] = std::make_unique<TXLMatrix>(raw, def);
    }
}

TXLSection::~TXLSection()
{
    m_hints.clear();
    m_unions.clear();
    TListSList<TXLRow>::Clear();
}

int TXLSection::SheetCol(int col) const
{
    return (m_number == 1 || m_number == 2) ? col - m_sheet->TitleCols() : col;
}

int TXLSection::SheetRow(int row) const
{
    return (m_number == 0 || m_number == 2) ? row - m_sheet->TitleRows() : row;
}

int TXLSection::ColCount() const
{
    return (m_number == 1 || m_number == 2) ? m_sheet->TitleCols() : m_sheet->ColCount();
}

int TXLSection::RowCount() const
{
    return (m_number == 0 || m_number == 2) ? m_sheet->TitleRows() : m_sheet->RowCount();
}

void TXLSection::ItemCreated(TXLRow* row, int index)
{
    row->m_section = this;
    row->m_index = index;
}

void TXLSection::Renumber(int from, int to)
{
    for (int r = from; r <= to; ++r)
        if (TXLRow* row = Object(r))
            row->m_index = r;
}

TXLCell* TXLSection::Find(int col, int row) const
{
    const TXLRow* r = Object(row);
    return r ? r->Object(col) : nullptr;
}

TXLCell* TXLSection::Create(int col, int row)
{
    TXLRow* r = Lists(row);
    if (TXLCell* cell = r->Object(col))
        return cell;
    const TXLCellClass& cls = m_base->ValueClass();
    TXLCell* cell = cls.Create();
    cell->m_row = r;
    cell->m_col = col;
    r->SetObject(col, cell);
    AnchorAt(col, row, cell);
    cell->m_flags |= TXLPersistent::kTextStale;
    const std::string& format = m_base->Format();
    if (!format.empty())
        cell->Extra().Format = format;
    cell->Repaint();
    return cell;
}

TXLCell* TXLSection::Replace(int col, int row, TXLCell* cell)
{
    if (TXLRow* old = Object(row))
        if (old->Object(col))
            old->Release(old->Take(col), false);
    TXLRow* r = Lists(row);
    cell->m_row = r;
    cell->m_col = col;
    r->SetObject(col, cell);
    AnchorAt(col, row, cell);
    return cell;
}

void TXLSection::FreeCell(int col, int row)
{
    TXLRow* r = Object(row);
    if (!r || !r->Object(col))
        return;
    TXLCell* cell = r->Take(col);
    r->FreeItem(cell);
}

void TXLSection::ForEachCell(const std::function<void(TXLCell&)>& fn) const
{
    ForEach([&fn](int, TXLRow* row) {
        row->ForEach([&fn](int, TXLCell* cell) {
            fn(*cell);
            return 0;
        });
        return 0;
    });
}

int32_t TXLSection::GetProperty(int col, int row, int number) const
{
    switch (number) {
    case pnLeft: return m_matrix[0]->Get(col, row);
    case pnRight: return m_matrix[0]->Get(col + 1, row);
    case pnTop: return m_matrix[1]->Get(col, row);
    case pnBottom: return m_matrix[1]->Get(col, row + 1);
    case pnHInside: case pnVInside: return 0;
    default: return m_matrix[MatrixOfProperty(number)]->Get(col, row);
    }
}

void TXLSection::SetProperty(int col, int row, int number, int32_t value)
{
    switch (number) {
    case pnLeft: m_matrix[0]->Set(col, row, value); break;
    case pnRight: m_matrix[0]->Set(col + 1, row, value); break;
    case pnTop: m_matrix[1]->Set(col, row, value); break;
    case pnBottom: m_matrix[1]->Set(col, row + 1, value); break;
    case pnHInside: case pnVInside: break;
    default: m_matrix[MatrixOfProperty(number)]->Set(col, row, value); break;
    }
}

void TXLSection::SetMatrixDefault(int m, int32_t def)
{
    m_matrix[m]->SetDefault(def);
}

void TXLSection::ClearAll()
{
    m_hints.clear();
    m_unions.clear();
    m_unionIndex.Clear();
    UnionsMoved();
    TListSList<TXLRow>::Clear();
    for (auto& m : m_matrix)
        m->Clear();
}

std::ptrdiff_t TXLSection::FindUnion(int col, int row) const
{
    if (m_unions.size() <= kIndexedUnions || m_unionsOverlap) {
        for (size_t i = 0; i < m_unions.size(); ++i)
            if (m_unions[i].Rect.Contains(col, row))
                return static_cast<std::ptrdiff_t>(i);
        return -1;
    }
    if (!m_unionIndexFresh) {
        std::vector<TXLRect> rects;
        rects.reserve(m_unions.size());
        for (const TXLUnion& u : m_unions)
            rects.push_back(u.Rect);
        m_unionsOverlap = FindOverlap(rects).has_value();
        if (m_unionsOverlap)
            return FindUnion(col, row);
        m_unionIndex.Build(std::move(rects));
        m_unionIndexFresh = true;
    }
    return m_unionIndex.Find(col, row);
}

const TXLUnion* TXLSection::UnionAt(int col, int row) const
{
    const std::ptrdiff_t i = FindUnion(col, row);
    return i < 0 ? nullptr : &m_unions[static_cast<size_t>(i)];
}

TXLUnion* TXLSection::UnionAt(int col, int row)
{
    const std::ptrdiff_t i = FindUnion(col, row);
    return i < 0 ? nullptr : &m_unions[static_cast<size_t>(i)];
}

void TXLSection::AnchorAt(int col, int row, TXLCell* cell)
{
    if (m_unions.empty())
        return;
    if (TXLUnion* u = UnionAt(col, row); u && u->Rect.Left == col && u->Rect.Top == row) {
        u->Anchor = cell;
        cell->m_flags |= TXLPersistent::kAnchor;
    }
}

void TXLSection::AddUnion(const TXLRect& rect)
{
    m_unions.push_back({rect, Find(rect.Left, rect.Top)});
    if (m_unions.back().Anchor)
        m_unions.back().Anchor->m_flags |= TXLPersistent::kAnchor;
    UnionsMoved();
}

TXLUnion* TXLSection::UnionOf(const TXLCell* anchor)
{
    // An anchor sits at its range's top-left; the search one by one covers
    // the moments a range and its anchor are not in step (while they move).
    if (m_unions.size() > kIndexedUnions && anchor)
        if (TXLUnion* u = UnionAt(anchor->Col(), anchor->LocalRow()); u && u->Anchor == anchor)
            return u;
    for (TXLUnion& u : m_unions)
        if (u.Anchor == anchor)
            return &u;
    return nullptr;
}

void TXLSection::RemoveUnion(size_t index)
{
    TXLUnion u = m_unions[index];
    if (u.Anchor)
        u.Anchor->m_flags &= static_cast<uint8_t>(~TXLPersistent::kAnchor);
    m_unions.erase(m_unions.begin() + static_cast<std::ptrdiff_t>(index));
    UnionsMoved();
    m_sheet->NotifyRange(m_number, u.Rect);
}

std::string TXLSection::HintAt(int col, int row) const
{
    if (m_hints.empty())
        return {};
    auto it = m_hints.find({col, row});
    return it == m_hints.end() ? std::string() : it->second;
}

void TXLSection::SetHintAt(int col, int row, const std::string& hint)
{
    if (hint.empty())
        m_hints.erase({col, row});
    else
        m_hints[{col, row}] = hint;
}

bool TXLSection::MoveSectors(TXLAxis axis, int index, int count)
{
    if (axis == sRows) {
        InsertDelete(index, count);
        for (auto& m : m_matrix)
            m->InsertDelete(index, count);
    } else {
        ForEach([index, count](int, TXLRow* row) {
            row->InsertDelete(index, count);
            return 0;
        });
        for (auto& m : m_matrix)
            m->ForEach([index, count](int, TDefSList* row) {
                row->InsertDelete(index, count);
                return 0;
            });
    }
    if (!m_hints.empty()) {
        std::map<TXLCellPos, std::string> moved;
        for (auto& [pos, text] : m_hints) {
            TXLCellPos p = pos;
            int& k = axis == sCols ? p.Col : p.Row;
            if (k >= index) {
                if (count < 0 && k < index - count)
                    continue;  // deleted with its row or column
                k += count;
            }
            moved.emplace(p, std::move(text));
        }
        m_hints.swap(moved);
    }
    // Merged ranges follow along the axis.
    UnionsMoved();
    bool moved = false;
    for (size_t i = m_unions.size(); i-- > 0;) {
        TXLRect& r = m_unions[i].Rect;
        const TXLRect before = r;
        int& s = axis == sCols ? r.Left : r.Top;
        int& e = axis == sCols ? r.Right : r.Bottom;
        if (count > 0) {
            if (s >= index) s += count;
            if (e >= index) e += count;
        } else {
            if (s >= index) s = std::max(s + count, index);
            if (e > index) e = std::max(e + count, index);
        }
        moved |= r != before;
        if (e <= s) {
            if (m_unions[i].Anchor)
                m_unions[i].Anchor->m_flags &= static_cast<uint8_t>(~TXLPersistent::kAnchor);
            m_unions.erase(m_unions.begin() + static_cast<std::ptrdiff_t>(i));
        } else if (!m_unions[i].Anchor) {
            // The anchor went with its row or column: the cell now at the
            // top-left (if any) anchors the range.
            if (TXLCell* cell = Find(r.Left, r.Top)) {
                m_unions[i].Anchor = cell;
                cell->m_flags |= TXLPersistent::kAnchor;
            }
        }
    }
    return moved;
}

bool TXLSection::CutSectors(TXLAxis axis, int count)
{
    if (axis == sRows) {
        while (HighIndex() >= count) {
            int r = HighIndex();
            TXLRow* row = Take(r);
            delete row;
        }
    } else {
        ForEach([count](int, TXLRow* row) {
            while (row->HighIndex() >= count)
                row->FreeItem(row->Take(row->HighIndex()));
            return 0;
        });
    }
    UnionsMoved();
    bool cut = false;
    for (size_t i = m_unions.size(); i-- > 0;) {
        TXLRect& r = m_unions[i].Rect;
        int& s = axis == sCols ? r.Left : r.Top;
        int& e = axis == sCols ? r.Right : r.Bottom;
        if (s >= count) {
            if (m_unions[i].Anchor)
                m_unions[i].Anchor->m_flags &= static_cast<uint8_t>(~TXLPersistent::kAnchor);
            m_unions.erase(m_unions.begin() + static_cast<std::ptrdiff_t>(i));
            cut = true;
        } else if (e > count) {
            e = count;
            cut = true;
        }
    }
    return cut;
}

}  // namespace xlgrid
