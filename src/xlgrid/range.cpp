#include "xlgrid/range.h"

#include <algorithm>

namespace xlgrid {

namespace {

TXLRect ClipToSection(const TXLSection& s, const TXLRect& rect)
{
    return rect.Intersect({0, 0, s.ColCount(), s.RowCount()});
}

// Keeps the lines of an edge only when they are the same all along it.
void UniformEdge(TXLMatrix& m, bool vertical, int fixed, int from, int to)
{
    auto get = [&](int i) { return vertical ? m.Get(fixed, i) : m.Get(i, fixed); };
    auto set = [&](int i, int32_t v) { vertical ? m.Set(fixed, i, v) : m.Set(i, fixed, v); };
    int32_t first = get(from);
    for (int i = from + 1; i < to; ++i)
        if (get(i) != first) {
            for (int k = from; k < to; ++k)
                set(k, 0);
            return;
        }
}

}  // namespace

bool MergeSectionRect(TXLSection& s, TXLRect rect)
{
    TXLSheet& sheet = *s.Sheet();
    rect = ClipToSection(s, rect);
    auto& unions = s.Unions();
    if (rect.Width() * static_cast<int64_t>(rect.Height()) <= 1) {
        bool changed = false;
        if (!rect.IsEmpty())
            for (size_t i = unions.size(); i-- > 0;)
                if (unions[i].Rect.Left == rect.Left && unions[i].Rect.Top == rect.Top) {
                    s.RemoveUnion(i);
                    changed = true;
                }
        return changed;
    }
    for (const TXLUnion& u : unions)
        if (u.Rect == rect)
            return false;
    for (size_t i = unions.size(); i-- > 0;)
        if (unions[i].Rect.Intersects(rect))
            s.RemoveUnion(i);

    // Formatting inside the range becomes uniform.
    TXLMatrix& vert = s.Matrix(0);
    TXLMatrix& horz = s.Matrix(1);
    UniformEdge(vert, true, rect.Left, rect.Top, rect.Bottom);
    UniformEdge(vert, true, rect.Right, rect.Top, rect.Bottom);
    UniformEdge(horz, false, rect.Top, rect.Left, rect.Right);
    UniformEdge(horz, false, rect.Bottom, rect.Left, rect.Right);
    for (int r = rect.Top; r < rect.Bottom; ++r)
        for (int c = rect.Left + 1; c < rect.Right; ++c)
            vert.Set(c, r, 0);
    for (int r = rect.Top + 1; r < rect.Bottom; ++r)
        for (int c = rect.Left; c < rect.Right; ++c)
            horz.Set(c, r, 0);
    for (int m = 2; m < 4; ++m) {
        TXLMatrix& diag = s.Matrix(m);
        int32_t first = diag.Get(rect.Left, rect.Top);
        bool same = true;
        for (int r = rect.Top; r < rect.Bottom && same; ++r)
            for (int c = rect.Left; c < rect.Right && same; ++c)
                same = diag.Get(c, r) == first;
        int32_t value = same ? first : 0;
        for (int r = rect.Top; r < rect.Bottom; ++r)
            for (int c = rect.Left; c < rect.Right; ++c)
                diag.Set(c, r, value);
    }
    for (int m = 4; m < TXLSection::kMatrixCount; ++m) {
        TXLMatrix& mx = s.Matrix(m);
        int32_t value = mx.Get(rect.Left, rect.Top);
        for (int r = rect.Top; r < rect.Bottom; ++r)
            for (int c = rect.Left; c < rect.Right; ++c)
                mx.Set(c, r, value);
    }
    // Merging discards the contents (and hints) of the covered cells.
    for (int r = rect.Top; r < rect.Bottom; ++r) {
        TXLRow* row = s.Object(r);
        if (!row)
            continue;
        for (int c = rect.Left; c < rect.Right; ++c)
            if ((r != rect.Top || c != rect.Left) && row->Object(c))
                s.FreeCell(c, r);
    }
    if (!s.Hints().empty())
        for (int r = rect.Top; r < rect.Bottom; ++r)
            for (int c = rect.Left; c < rect.Right; ++c)
                if (r != rect.Top || c != rect.Left)
                    s.SetHintAt(c, r, {});
    s.AddUnion(rect);
    sheet.SetModified(true);
    sheet.NotifyRange(s.Number(), rect, rpSides);
    return true;
}

void TXLCell::SetRange(const TXLRect& rect)
{
    TXLSection* s = Section();
    if (!s)
        return;
    TXLRect clipped = rect.Intersect({0, 0, s->ColCount(), s->RowCount()});
    if (clipped.Width() * static_cast<int64_t>(clipped.Height()) <= 1) {
        if (TXLUnion* u = s->UnionOf(this)) {
            s->RemoveUnion(static_cast<size_t>(u - s->Unions().data()));
            s->Sheet()->NotifyUnions();
        }
        m_flags &= static_cast<uint8_t>(~kAnchor);
        return;
    }
    if (MergeSectionRect(*s, clipped))
        s->Sheet()->NotifyUnions();
}

// ---- range objects ---------------------------------------------------------

TXLProRange::TXLProRange(TXLSheet& sheet, TXLSectionKind section, const TXLRect& rect)
    : m_sheet(sheet), m_section(section), m_rect(rect)
{
}

void TXLProRange::SetRect(const TXLRect& rect) { m_rect = rect; }

TXLRect TXLProRange::SheetRect() const
{
    const TXLSection& s = Section();
    return {s.SheetCol(m_rect.Left), s.SheetRow(m_rect.Top), s.SheetCol(m_rect.Left) + m_rect.Width(),
            s.SheetRow(m_rect.Top) + m_rect.Height()};
}

bool TXLProRange::IsSingle() const
{
    if (m_rect.Width() == 1 && m_rect.Height() == 1)
        return true;
    for (const TXLUnion& u : Section().Unions())
        if (u.Rect == m_rect)
            return true;
    return false;
}

bool TXLProRange::IsMerged() const
{
    for (const TXLUnion& u : Section().Unions())
        if (u.Rect.Intersects(m_rect))
            return true;
    return false;
}

void TXLProRange::Unmerge()
{
    TXLSection& s = Section();
    bool changed = false;
    for (size_t i = s.Unions().size(); i-- > 0;)
        if (s.Unions()[i].Rect.Intersects(m_rect)) {
            s.RemoveUnion(i);
            changed = true;
        }
    if (changed)
        m_sheet.NotifyUnions();
}

bool TXLProRange::Merge(bool acrossRows)
{
    TXLSection& s = Section();
    bool changed = false;
    auto mergeOne = [&](const TXLRect& r) {
        if (MergeSectionRect(s, r))
            changed = true;
    };
    if (!acrossRows)
        mergeOne(m_rect);
    else
        for (int r = m_rect.Top; r < m_rect.Bottom; ++r)
            mergeOne({m_rect.Left, r, m_rect.Right, r + 1});
    if (changed)
        m_sheet.NotifyUnions();
    return changed;
}

void TXLProRange::ClearRange(int flags)
{
    TXLSection& s = Section();
    TXLRect r = ClipToSection(s, m_rect);
    if (r.IsEmpty())
        return;
    TXLUpdateGuard update(m_sheet);
    for (int row = r.Top; row < r.Bottom; ++row)
        for (int col = r.Left; col < r.Right; ++col) {
            if (flags & crHints) {
                s.SetHintAt(col, row, {});
                if (TXLCell* cell = s.Find(col, row))
                    cell->SetProps(cell->Props() & static_cast<TXLProps>(~PropBit(prHint)));
            }
            if (flags & crFormats) {
                const TXLBaseStyle& base = *s.BaseStyle();
                s.SetProperty(col, row, pnColor, base.GetProperty(pnColor));
                for (int side : {pnLeft, pnTop, pnRight, pnBottom, pnBias1, pnBias2})
                    s.SetProperty(col, row, side, 0);
                // Back to the default font: the cell reads its provider's again.
                if (TXLCell* cell = s.Find(col, row)) {
                    cell->ResetFont();
                    cell->SetProps(cell->Props() &
                                   static_cast<TXLProps>(~(PropBit(prColor) | PropBit(prBorder))));
                }
            }
            if (flags & crContents)
                s.FreeCell(col, row);
        }
    m_sheet.SetModified(true);
    m_sheet.NotifyRange(m_section, r, rpSides);
}

Variant TXLProRange::Value() const
{
    const TXLCell* cell = Section().Find(m_rect.Left, m_rect.Top);
    return cell ? cell->Value() : Variant();
}

void TXLProRange::SetValue(const Variant& v)
{
    TXLSection& s = Section();
    TXLRect r = ClipToSection(s, m_rect);
    if (r.IsEmpty())
        return;
    TXLUpdateGuard update(m_sheet);
    for (int row = r.Top; row < r.Bottom; ++row)
        for (int col = r.Left; col < r.Right; ++col) {
            const TXLUnion* u = s.UnionAt(col, row);
            if (!u || (u->Rect.Left == col && u->Rect.Top == row))
                s.Create(col, row)->SetValue(v);
        }
}

int32_t TXLProRange::GetProperty(int number) const
{
    const TXLSection& s = Section();
    switch (number) {
    case pnRight: return s.GetProperty(m_rect.Right - 1, m_rect.Top, pnRight);
    case pnBottom: return s.GetProperty(m_rect.Left, m_rect.Bottom - 1, pnBottom);
    case pnVInside: return m_rect.Width() > 1 ? s.Matrix(0).Get(m_rect.Left + 1, m_rect.Top) : 0;
    case pnHInside: return m_rect.Height() > 1 ? s.Matrix(1).Get(m_rect.Left, m_rect.Top + 1) : 0;
    default: return s.GetProperty(m_rect.Left, m_rect.Top, number);
    }
}

void TXLProRange::SetProperty(int number, int32_t value)
{
    TXLSection& s = Section();
    TXLRect r = ClipToSection(s, m_rect);
    if (r.IsEmpty() || number < 0 || number >= kPropNumberCount)
        return;
    bool changed = false;
    auto line = [&](TXLMatrix& m, int col, int row) {
        if (m.Get(col, row) != value) {
            m.Set(col, row, value);
            changed = true;
        }
    };
    switch (number) {
    case pnLeft:
        for (int row = r.Top; row < r.Bottom; ++row) line(s.Matrix(0), r.Left, row);
        break;
    case pnRight:
        for (int row = r.Top; row < r.Bottom; ++row) line(s.Matrix(0), r.Right, row);
        break;
    case pnTop:
        for (int col = r.Left; col < r.Right; ++col) line(s.Matrix(1), col, r.Top);
        break;
    case pnBottom:
        for (int col = r.Left; col < r.Right; ++col) line(s.Matrix(1), col, r.Bottom);
        break;
    case pnVInside:
        for (int row = r.Top; row < r.Bottom; ++row)
            for (int col = r.Left + 1; col < r.Right; ++col) line(s.Matrix(0), col, row);
        break;
    case pnHInside:
        for (int row = r.Top + 1; row < r.Bottom; ++row)
            for (int col = r.Left; col < r.Right; ++col) line(s.Matrix(1), col, row);
        break;
    default:
        for (int row = r.Top; row < r.Bottom; ++row)
            for (int col = r.Left; col < r.Right; ++col)
                if (s.GetProperty(col, row, number) != value) {
                    s.SetProperty(col, row, number, value);
                    changed = true;
                }
        break;
    }
    if (!changed)
        return;
    m_sheet.SetModified(true);
    TXLRepaint what = number <= pnVInside ? rpSides : rpCells;
    m_sheet.NotifyRange(m_section, RepaintArea(r, what), what);
}

TXLFont TXLProRange::Font() const
{
    const TXLSection& s = Section();
    if (const TXLCell* cell = s.Find(m_rect.Left, m_rect.Top))
        return cell->Font();
    return s.BaseStyle()->Font();
}

void TXLProRange::SetFont(const TXLFont& font, uint32_t flags)
{
    TXLSection& s = Section();
    TXLRect r = ClipToSection(s, m_rect);
    if (r.IsEmpty())
        return;
    TXLUpdateGuard update(m_sheet);
    for (int row = r.Top; row < r.Bottom; ++row)
        for (int col = r.Left; col < r.Right; ++col) {
            if (const TXLUnion* u = s.UnionAt(col, row))
                if (u->Rect.Left != col || u->Rect.Top != row)
                    continue;
            TXLCell* cell = s.Create(col, row);
            TXLFont f = cell->Font();
            f.ApplyFrom(font, flags);
            cell->SetFont(f);
        }
}

void TXLProRange::SetSides(TXLSides sides, const TXLLine& line)
{
    for (int side = 0; side < 8; ++side)
        if (sides & (1u << side))
            SetProperty(side, line.Encode());
}

}  // namespace xlgrid
