#include "xlgridui/gridstate.h"

#include <algorithm>

namespace xlgridui {

using namespace xlgrid;

namespace {

constexpr int kDividerReach = 3;

int ClampInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -(int64_t(1) << 29), int64_t(1) << 29)); }

bool IsSingleBlock(const TXLRect& sel, const TXLRect& block) { return sel == block || sel.IsEmpty(); }

}  // namespace

// ---- binding ----------------------------------------------------------------

void TXLGridState::SetSheet(TXLSheet* sheet)
{
    m_sheet = sheet;
    RebuildSizes();
    m_cur = skClient;
    m_band = skClient;
    m_scrollX = m_scrollY = 0;
    for (TXLSectionKind s : {skTitleRows, skTitleCols, skCorner, skClient}) {
        TXLPaneState& p = m_panes[s];
        p.Section = s;
        p.Cur = {0, 0};
        p.Sel = {};
        p.Selection.reset();
        if (!sheet)
            continue;
        if (!IsSelectable(s, 0, 0))
            if (auto first = StepToSelectable(s, {0, 0}, dRight, false); first)
                p.Cur = *first;
        p.Sel = Bounds(s).IsEmpty() ? TXLRect{} : BlockAt(s, p.Cur.Col, p.Cur.Row);
        p.Selection = std::make_unique<TXLSelection>(*sheet, s, p.Sel);
    }
}

bool TXLGridState::SetScale(int scale)
{
    scale = std::clamp(scale, kMinScale, kMaxScale);
    if (scale == m_scale)
        return false;
    // Keep the first visible column and row first.
    int64_t x = m_scrollX, y = m_scrollY;
    int col = x > 0 ? m_sizes.List(sCols, bdClient).Locate(x) : 0;
    int row = y > 0 ? m_sizes.List(sRows, bdClient).Locate(y) : 0;
    m_scale = scale;
    RebuildSizes();
    ScrollTo(m_sizes.List(sCols, bdClient).Sum(col), m_sizes.List(sRows, bdClient).Sum(row));
    return true;
}

void TXLGridState::SetDesignMode(bool on)
{
    if (m_design == on)
        return;
    m_design = on;
    if (!on && m_cur != skClient) {
        Notify([](IXLGridStateOwner& o) { o.CloseEditorKeeping(); });
        m_cur = skClient;
    }
    m_band = m_cur;
    Revalidate();
}

void TXLGridState::Revalidate()
{
    if (!m_sheet)
        return;
    for (TXLSectionKind s : {skTitleRows, skTitleCols, skCorner, skClient}) {
        TXLPaneState& p = m_panes[s];
        TXLRect bounds = Bounds(s);
        TXLRect old = p.Sel;
        TXLCellPos oldCur = p.Cur;
        if (bounds.IsEmpty()) {
            p.Cur = {0, 0};
            p.Sel = {};
        } else {
            p.Cur.Col = std::clamp(p.Cur.Col, 0, bounds.Right - 1);
            p.Cur.Row = std::clamp(p.Cur.Row, 0, bounds.Bottom - 1);
            TXLRect block = BlockAt(s, p.Cur.Col, p.Cur.Row);
            p.Cur = {block.Left, block.Top};
            TXLRect sel = Widen(s, p.Sel.Intersect(bounds));
            bool holdsCur = sel.Left <= block.Left && sel.Top <= block.Top && sel.Right >= block.Right
                         && sel.Bottom >= block.Bottom;
            p.Sel = holdsCur ? sel : block;
        }
        if (p.Selection)
            p.Selection->SetRect(p.Sel);
        if (!(p.Sel == old))
            Notify([&](IXLGridStateOwner& o) { o.SelectionChanged(s, old, p.Sel); });
        if (!(p.Cur == oldCur) && s == m_cur)
            Notify([&](IXLGridStateOwner& o) { o.CursorMoved(s, oldCur); });
    }
    ScrollTo(m_scrollX, m_scrollY);
}

void TXLGridState::SetCurPane(TXLSectionKind s)
{
    if (s == m_cur || !m_sheet)
        return;
    Notify([](IXLGridStateOwner& o) { o.CloseEditorKeeping(); });
    TXLSectionKind old = m_cur;
    m_cur = s;
    m_band = s;
    Notify([&](IXLGridStateOwner& o) {
        o.SelectionChanged(old, m_panes[old].Sel, m_panes[old].Sel);
        o.SelectionChanged(s, m_panes[s].Sel, m_panes[s].Sel);
        o.CursorMoved(s, m_panes[s].Cur);
    });
}

QPoint TXLGridState::CurCell() const
{
    if (!m_sheet)
        return {};
    const TXLPaneState& p = m_panes[m_cur];
    const TXLSection& sec = Section(m_cur);
    return {sec.SheetCol(p.Cur.Col), sec.SheetRow(p.Cur.Row)};
}

bool TXLGridState::Resolve(QPoint pos, TXLSectionKind& pane, TXLCellPos& local) const
{
    if (!m_sheet)
        return false;
    pane = TXLSheet::SectionOf(pos.x(), pos.y());
    local = {m_sheet->LocalCol(pos.x()), m_sheet->LocalRow(pos.y())};
    return true;
}

// ---- cells ------------------------------------------------------------------

bool TXLGridState::Hidden(TXLSectionKind s, TXLAxis axis, int index) const
{
    TXLBand band = axis == sCols ? TXLGridSizes::ColBand(s) : TXLGridSizes::RowBand(s);
    return m_sheet->SizeList(axis, band == bdClient).DiffItem(index) <= 0;
}

bool TXLGridState::IsSelectable(TXLSectionKind s, int col, int row) const
{
    if (!m_sheet || col < 0 || row < 0 || col >= ColCount(s) || row >= RowCount(s))
        return false;
    if (Hidden(s, sCols, col) || Hidden(s, sRows, row))
        return false;
    const TXLSection& sec = Section(s);
    if (const TXLUnion* u = sec.UnionAt(col, row); u && (u->Rect.Left != col || u->Rect.Top != row))
        return false;
    if (!m_design) {
        auto styles = static_cast<TXLCellStyles>(sec.GetProperty(col, row, pnStyles));
        if (styles & (StyleBit(csHidden) | StyleBit(csProtect)))
            return false;
    }
    return true;
}

bool TXLGridState::IsEditable(TXLSectionKind s, int col, int row) const
{
    if (!m_sheet || m_sheet->ReadOnly())
        return false;
    if (!m_design) {
        if (Has(oReadOnly))
            return false;
        if (col >= 0 && row >= 0 && col < ColCount(s) && row < RowCount(s)
            && (static_cast<TXLCellStyles>(Section(s).GetProperty(col, row, pnStyles)) & StyleBit(csReadOnly)))
            return false;
    }
    if (!IsSelectable(s, col, row))
        return false;
    const TXLCell* cell = FindCell(s, col, row);
    const TXLCellClass& cls = cell ? cell->CellClass() : Section(s).BaseStyle()->ValueClass();
    return HasEditor ? HasEditor(cls) : !cls.Editors.empty();
}

TXLRect TXLGridState::BlockAt(TXLSectionKind s, int col, int row) const
{
    if (m_sheet)
        if (const TXLUnion* u = Section(s).UnionAt(col, row))
            return u->Rect;
    return {col, row, col + 1, row + 1};
}

TXLRect TXLGridState::Widen(TXLSectionKind s, TXLRect rect) const
{
    if (!m_sheet || rect.IsEmpty())
        return rect;
    const auto& unions = Section(s).Unions();
    for (bool grown = true; grown;) {
        grown = false;
        for (const TXLUnion& u : unions)
            if (u.Rect.Intersects(rect)) {
                TXLRect w{std::min(rect.Left, u.Rect.Left), std::min(rect.Top, u.Rect.Top),
                          std::max(rect.Right, u.Rect.Right), std::max(rect.Bottom, u.Rect.Bottom)};
                if (!(w == rect)) {
                    rect = w;
                    grown = true;
                }
            }
    }
    return rect.Intersect(Bounds(s));
}

TXLCell* TXLGridState::FindCell(TXLSectionKind s, int col, int row) const
{
    if (!m_sheet)
        return nullptr;
    const TXLSection& sec = Section(s);
    if (const TXLUnion* u = sec.UnionAt(col, row))
        return u->Anchor;
    return sec.Find(col, row);
}

// ---- moving -----------------------------------------------------------------

bool TXLGridState::MoveCursor(TXLSectionKind s, TXLCellPos target, bool collapse, bool scroll)
{
    TXLRect bounds = Bounds(s);
    if (!m_sheet || bounds.IsEmpty())
        return false;
    target.Col = std::clamp(target.Col, 0, bounds.Right - 1);
    target.Row = std::clamp(target.Row, 0, bounds.Bottom - 1);
    TXLRect block = BlockAt(s, target.Col, target.Row);
    target = {block.Left, block.Top};
    TXLPaneState& p = m_panes[s];
    if ((s == m_cur && target == p.Cur) || !IsSelectable(s, target.Col, target.Row))
        return false;
    Notify([](IXLGridStateOwner& o) { o.CloseEditorKeeping(); });
    TXLCellPos old = p.Cur;
    TXLSectionKind oldPane = m_cur;
    m_cur = s;
    m_band = s;
    p.Cur = target;
    TXLRect sel = block;
    if (!collapse && Has(oRangeSelect))
        sel = p.Sel;
    else if (Has(oRowSelect) && !m_design)
        sel = Widen(s, {0, block.Top, bounds.Right, block.Bottom});
    if (oldPane != s)
        Notify([&](IXLGridStateOwner& o) { o.SelectionChanged(oldPane, m_panes[oldPane].Sel, m_panes[oldPane].Sel); });
    SetSelection(s, sel);
    if (scroll)
        ScrollIntoView(s, block);
    Notify([&](IXLGridStateOwner& o) { o.CursorMoved(s, old); });
    return true;
}

bool TXLGridState::Step(TXLSectionKind s, const TXLRect& area, bool wrap, TXLDirection dir, TXLCellPos& pos) const
{
    TXLRect b = BlockAt(s, pos.Col, pos.Row);
    int c = pos.Col, r = pos.Row;
    switch (dir) {
    case dRight:
        c = std::max(c + 1, b.Right);
        if (c >= area.Right) {
            if (!wrap)
                return false;
            c = area.Left;
            r = r + 1 >= area.Bottom ? area.Top : r + 1;
        }
        break;
    case dLeft:
        c = std::min(c - 1, b.Left - 1);
        if (c < area.Left) {
            if (!wrap)
                return false;
            c = area.Right - 1;
            r = r - 1 < area.Top ? area.Bottom - 1 : r - 1;
        }
        break;
    case dDown:
        r = std::max(r + 1, b.Bottom);
        if (r >= area.Bottom) {
            if (!wrap)
                return false;
            r = area.Top;
            c = c + 1 >= area.Right ? area.Left : c + 1;
        }
        break;
    case dUp:
        r = std::min(r - 1, b.Top - 1);
        if (r < area.Top) {
            if (!wrap)
                return false;
            r = area.Bottom - 1;
            c = c - 1 < area.Left ? area.Right - 1 : c - 1;
        }
        break;
    default: return false;
    }
    // Inside a block the walk stands on the block's near edge, so that it
    // passes a block as a whole and meets the same positions on every round.
    TXLRect nb = BlockAt(s, c, r);
    if (dir == dLeft || dir == dRight)
        c = std::max(nb.Left, area.Left);
    else
        r = std::max(nb.Top, area.Top);
    pos = {c, r};
    return true;
}

std::optional<TXLCellPos> TXLGridState::StepToSelectable(TXLSectionKind s, TXLCellPos start, TXLDirection dir,
                                                         bool withinSelection) const
{
    if (!m_sheet)
        return std::nullopt;
    const TXLPaneState& p = m_panes[s];
    TXLRect area = Bounds(s);
    bool wrap = Has(oWrapKeys);
    if (withinSelection && !IsSingleBlock(p.Sel, BlockAt(s, p.Cur.Col, p.Cur.Row))) {
        area = p.Sel.Intersect(area);
        wrap = true;
    }
    if (area.IsEmpty())
        return std::nullopt;
    TXLCellPos pos = start;
    std::optional<TXLCellPos> first;
    // Every position of the area once, at most.
    for (int64_t guard = int64_t(area.Width()) * area.Height() + 1; guard > 0; --guard) {
        if (!Step(s, area, wrap, dir, pos))
            return std::nullopt;
        if (!first)
            first = pos;
        else if (pos == *first)
            return std::nullopt;
        TXLRect b = BlockAt(s, pos.Col, pos.Row);
        TXLCellPos cand{b.Left, b.Top};
        if (area.Contains(cand.Col, cand.Row) && IsSelectable(s, cand.Col, cand.Row))
            return cand;
    }
    return std::nullopt;
}

void TXLGridState::SetSelection(TXLSectionKind s, const TXLRect& rect)
{
    TXLPaneState& p = m_panes[s];
    if (rect == p.Sel)
        return;
    TXLRect old = p.Sel;
    p.Sel = rect;
    if (p.Selection)
        p.Selection->SetRect(rect);
    Notify([&](IXLGridStateOwner& o) { o.SelectionChanged(s, old, rect); });
}

void TXLGridState::SelectAll()
{
    if (m_sheet)
        SetSelection(m_cur, Bounds(m_cur));
}

void TXLGridState::MoveTo(TXLSectionKind s, TXLCellPos target, TXLDirection correction, bool wrapCorrection)
{
    TXLRect bounds = Bounds(s);
    if (bounds.IsEmpty())
        return;
    target.Col = std::clamp(target.Col, 0, bounds.Right - 1);
    target.Row = std::clamp(target.Row, 0, bounds.Bottom - 1);
    TXLRect block = BlockAt(s, target.Col, target.Row);
    if (IsSelectable(s, block.Left, block.Top)) {
        MoveCursor(s, {block.Left, block.Top}, true, true);
        return;
    }
    // The nearest selectable cell in the correction's direction.
    TXLOptions saved = m_options;
    if (wrapCorrection)
        m_options |= OptionBit(oWrapKeys);
    else
        m_options &= ~OptionBit(oWrapKeys);
    std::optional<TXLCellPos> t = StepToSelectable(s, target, correction, false);
    m_options = saved;
    if (t)
        MoveCursor(s, *t, true, true);
}

void TXLGridState::PageMove(bool down, bool ctrl)
{
    TXLSectionKind s = m_cur;
    TXLPaneState& p = m_panes[s];
    TXLDirection correction = down ? dUp : dDown;
    int last = RowCount(s) - 1;
    if (ctrl || !ScrollsY(s) || m_viewH <= 0) {
        MoveTo(s, {p.Cur.Col, down ? last : 0}, correction, false);
        return;
    }
    const TXLSizeList& rows = m_sizes.Rows(s);
    int64_t extent = rows.Sum(rows.Count());
    int64_t dist = SnapToStart(sRows, m_scrollY + (down ? m_viewH : -m_viewH)) - m_scrollY;
    if (dist == 0) {
        // A pane lower than a row still moves a row.
        int64_t y = m_scrollY;
        int r = rows.Locate(y);
        dist = down ? rows.Sum(r + 1) - m_scrollY : SnapToStart(sRows, m_scrollY - 1) - m_scrollY;
    }
    ScrollTo(m_scrollX, m_scrollY + dist);
    int64_t y = rows.Sum(p.Cur.Row) + dist;
    int row = y >= extent ? last : (y <= 0 ? 0 : rows.Locate(y));
    MoveTo(s, {p.Cur.Col, row}, correction, false);
}

bool TXLGridState::EnterMove(TXLDirection dir)
{
    TXLSectionKind s = m_cur;
    TXLPaneState& p = m_panes[s];
    bool multi = !IsSingleBlock(p.Sel, BlockAt(s, p.Cur.Col, p.Cur.Row));
    std::optional<TXLCellPos> t = StepToSelectable(s, p.Cur, dir, true);
    if (!t) {
        if (!Has(oPermEdit))
            Notify([](IXLGridStateOwner& o) { o.CloseEditorKeeping(); });
        return false;
    }
    return MoveCursor(s, *t, !multi, true);
}

bool TXLGridState::ExtendSelection(int key)
{
    TXLSectionKind s = m_cur;
    TXLPaneState& p = m_panes[s];
    TXLRect bounds = Bounds(s);
    TXLRect cur = BlockAt(s, p.Cur.Col, p.Cur.Row);
    TXLRect sel = p.Sel.IsEmpty() ? cur : p.Sel;
    bool horizontal = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home || key == Qt::Key_End;
    TXLAxis axis = horizontal ? sCols : sRows;
    auto visible = [&](int i) { return !Hidden(s, axis, i); };
    int count = horizontal ? bounds.Right : bounds.Bottom;
    // Near/far edges along the axis: the far edge is the one away from the current cell.
    auto lo = [&](TXLRect& r) -> int& { return horizontal ? r.Left : r.Top; };
    auto hi = [&](TXLRect& r) -> int& { return horizontal ? r.Right : r.Bottom; };
    bool forward = key == Qt::Key_Right || key == Qt::Key_Down || key == Qt::Key_End;
    bool farIsHigh = lo(sel) == lo(cur) && (hi(sel) > hi(cur) || forward);
    TXLRect t = sel;
    for (int guard = 0; guard <= count; ++guard) {
        TXLRect n = t;
        if (key == Qt::Key_Home) {
            lo(n) = 0;
            hi(n) = hi(cur);
        } else if (key == Qt::Key_End) {
            lo(n) = lo(cur);
            hi(n) = count;
        } else if (farIsHigh) {
            int e = hi(n);
            if (forward) {
                while (e < count && !visible(e))
                    ++e;
                if (e >= count)
                    break;
                hi(n) = e + 1;
            } else {
                int last = e - 2;
                while (last >= hi(cur) && !visible(last))
                    --last;
                hi(n) = std::max(last + 1, hi(cur));
            }
        } else {
            int e = lo(n);
            if (forward) {
                int first = e + 1;
                while (first < lo(cur) && !visible(first))
                    ++first;
                lo(n) = std::min(first, lo(cur));
            } else {
                int first = e - 1;
                while (first >= 0 && !visible(first))
                    --first;
                if (first < 0)
                    break;
                lo(n) = first;
            }
        }
        if (n == t)
            break;
        t = n;
        TXLRect w = Widen(s, t);
        if (!(w == sel)) {
            SetSelection(s, w);
            int edge = farIsHigh || key == Qt::Key_End ? hi(w) - 1 : lo(w);
            if (key == Qt::Key_Home)
                edge = 0;
            TXLRect shown = horizontal ? TXLRect{edge, cur.Top, edge + 1, cur.Bottom}
                                       : TXLRect{cur.Left, edge, cur.Right, edge + 1};
            ScrollIntoView(s, shown);
            return true;
        }
    }
    return false;
}

bool TXLGridState::NavigationKey(int key, Qt::KeyboardModifiers mods)
{
    if (!m_sheet || (mods & Qt::AltModifier))
        return false;
    bool shift = mods & Qt::ShiftModifier, ctrl = mods & Qt::ControlModifier;
    TXLSectionKind s = m_cur;
    TXLPaneState& p = m_panes[s];
    auto dirOf = [](int k) {
        switch (k) {
        case Qt::Key_Left: return dLeft;
        case Qt::Key_Right: return dRight;
        case Qt::Key_Up: return dUp;
        default: return dDown;
        }
    };
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        TXLDirection dir = dirOf(key);
        m_lastDir = dir;
        if (shift && Has(oRangeSelect)) {
            if (!Has(oPermEdit))
                Notify([](IXLGridStateOwner& o) { o.CloseEditorKeeping(); });
            ExtendSelection(key);
            return true;
        }
        if (ctrl) {
            TXLAxis axis = (dir == dLeft || dir == dRight) ? sCols : sRows;
            if (axis == sCols ? ScrollsX(s) : ScrollsY(s))
                ScrollLines(axis, (dir == dLeft || dir == dUp) ? -1 : 1);
        }
        if (auto t = StepToSelectable(s, p.Cur, dir, false))
            MoveCursor(s, *t, true, true);
        return true;
    }
    case Qt::Key_Home:
    case Qt::Key_End: {
        bool home = key == Qt::Key_Home;
        m_lastDir = home ? dRight : dLeft;
        if (shift) {
            if (Has(oRangeSelect)) {
                if (!Has(oPermEdit))
                    Notify([](IXLGridStateOwner& o) { o.CloseEditorKeeping(); });
                ExtendSelection(key);
            }
            return true;
        }
        TXLCellPos target{home ? 0 : ColCount(s) - 1, p.Cur.Row};
        if (ctrl)
            target.Row = home ? 0 : RowCount(s) - 1;
        MoveTo(s, target, m_lastDir, ctrl);
        return true;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (shift)
            return true;
        m_lastDir = key == Qt::Key_PageUp ? dDown : dUp;
        PageMove(key == Qt::Key_PageDown, ctrl);
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        bool tab = key == Qt::Key_Tab || key == Qt::Key_Backtab;
        if (tab && !Has(oTabKeys))
            return false;
        TXLDirection dir = m_enterDir == dAuto ? m_lastDir : m_enterDir;
        if (dir == dNone)
            return true;
        if (shift || key == Qt::Key_Backtab)
            dir = Reversed(dir);
        EnterMove(dir);
        return true;
    }
    default:
        return false;
    }
}

// ---- scrolling --------------------------------------------------------------

void TXLGridState::SetViewport(int width, int height)
{
    m_viewW = std::max(0, width);
    m_viewH = std::max(0, height);
    ScrollTo(m_scrollX, m_scrollY);
}

int64_t TXLGridState::MaxScroll(TXLAxis axis) const
{
    return std::max<int64_t>(0, m_sizes.Extent(axis, bdClient) - (axis == sCols ? m_viewW : m_viewH));
}

bool TXLGridState::ScrollTo(int64_t x, int64_t y)
{
    x = std::clamp<int64_t>(x, 0, MaxScroll(sCols));
    y = std::clamp<int64_t>(y, 0, MaxScroll(sRows));
    if (x == m_scrollX && y == m_scrollY)
        return false;
    int64_t ox = m_scrollX, oy = m_scrollY;
    m_scrollX = x;
    m_scrollY = y;
    Notify([&](IXLGridStateOwner& o) { o.Scrolled(ox, oy); });
    return true;
}

int64_t TXLGridState::SnapToStart(TXLAxis axis, int64_t pos) const
{
    if (pos <= 0)
        return 0;
    const TXLSizeList& l = m_sizes.List(axis, bdClient);
    int64_t extent = l.Sum(l.Count());
    if (pos >= extent)
        return extent;
    l.Locate(pos);
    return pos;
}

void TXLGridState::ScrollLines(TXLAxis axis, int lines)
{
    const TXLSizeList& l = m_sizes.List(axis, bdClient);
    int64_t pos = axis == sCols ? m_scrollX : m_scrollY;
    pos = SnapToStart(axis, pos);
    for (; lines > 0; --lines) {
        int64_t p = pos;
        int i = pos > 0 ? l.Locate(p) : 0;
        while (i < l.Count() && l.DiffItem(i) <= 0)
            ++i;
        if (i >= l.Count())
            break;
        pos = l.Sum(i + 1);
    }
    for (; lines < 0; ++lines)
        pos = SnapToStart(axis, pos - 1);
    if (axis == sCols)
        ScrollTo(pos, m_scrollY);
    else
        ScrollTo(m_scrollX, pos);
}

void TXLGridState::ScrollIntoView(TXLSectionKind s, const TXLRect& range)
{
    auto fit = [this](TXLAxis axis, const TXLSizeList& l, int first, int end, int64_t pos, int view) {
        if (view <= 0)
            return pos;
        int64_t a = l.Sum(first), b = l.Sum(end);
        if (a < pos || b - a >= view)
            return a;
        if (b > pos + view) {
            // The first start that shows the range's far edge.
            int64_t need = b - view;
            int64_t snapped = SnapToStart(axis, need);
            if (snapped < need) {
                int64_t p = snapped;
                int i = l.Locate(p);
                snapped = l.Sum(i + 1);
            }
            return std::min(a, snapped);
        }
        return pos;
    };
    int64_t x = m_scrollX, y = m_scrollY;
    if (ScrollsX(s))
        x = fit(sCols, m_sizes.Cols(s), range.Left, range.Right, x, m_viewW);
    if (ScrollsY(s))
        y = fit(sRows, m_sizes.Rows(s), range.Top, range.Bottom, y, m_viewH);
    ScrollTo(x, y);
}

// ---- geometry ---------------------------------------------------------------

QPoint TXLGridState::Origin(TXLSectionKind s) const
{
    return {ScrollsX(s) ? ClampInt(-m_scrollX) : 0, ScrollsY(s) ? ClampInt(-m_scrollY) : 0};
}

QRect TXLGridState::RangeRect(TXLSectionKind s, const TXLRect& range) const
{
    const TXLSizeList& cols = m_sizes.Cols(s);
    const TXLSizeList& rows = m_sizes.Rows(s);
    int64_t x0 = cols.Sum(range.Left), x1 = cols.Sum(range.Right);
    int64_t y0 = rows.Sum(range.Top), y1 = rows.Sum(range.Bottom);
    int64_t ox = ScrollsX(s) ? -m_scrollX : 0, oy = ScrollsY(s) ? -m_scrollY : 0;
    return QRect(ClampInt(x0 + ox), ClampInt(y0 + oy), ClampInt(x1 - x0), ClampInt(y1 - y0));
}

bool TXLGridState::CellAt(TXLSectionKind s, QPoint p, TXLCellPos& cell) const
{
    const TXLSizeList& cols = m_sizes.Cols(s);
    const TXLSizeList& rows = m_sizes.Rows(s);
    int64_t ex = cols.Sum(cols.Count()), ey = rows.Sum(rows.Count());
    if (ex <= 0 || ey <= 0) {
        cell = {0, 0};
        return false;
    }
    QPoint o = Origin(s);
    int64_t x = int64_t(p.x()) - o.x(), y = int64_t(p.y()) - o.y();
    bool inside = x >= 0 && y >= 0 && x < ex && y < ey;
    x = std::clamp<int64_t>(x, 0, ex - 1);
    y = std::clamp<int64_t>(y, 0, ey - 1);
    int c = x > 0 ? cols.Locate(x) : 0;
    int r = y > 0 ? rows.Locate(y) : 0;
    // Position 0 of a list whose first entries are hidden.
    while (c + 1 < cols.Count() && cols.DiffItem(c) <= 0)
        ++c;
    while (r + 1 < rows.Count() && rows.DiffItem(r) <= 0)
        ++r;
    cell = {std::min(c, cols.Count() - 1), std::min(r, rows.Count() - 1)};
    return inside;
}

TXLRect TXLGridState::CellsIn(TXLSectionKind s, const QRect& pixels) const
{
    TXLCellPos a, b;
    CellAt(s, pixels.topLeft(), a);
    CellAt(s, pixels.bottomRight(), b);
    if (ColCount(s) == 0 || RowCount(s) == 0)
        return {};
    return {a.Col, a.Row, b.Col + 1, b.Row + 1};
}

TXLHit TXLGridState::HitTest(TXLSectionKind s, QPoint p) const
{
    TXLHit hit;
    if (!m_sheet || m_sheet->ReadOnly())
        return hit;
    bool inside = CellAt(s, p, hit.Cell);
    bool colDividers = TXLGridSizes::RowBand(s) == bdTitle || (s == skClient && m_design && !Has(oTitleCols));
    bool rowDividers = TXLGridSizes::ColBand(s) == bdTitle || (s == skClient && m_design && !Has(oTitleRows));
    QPoint o = Origin(s);
    // The divider after the visible column (row) nearest to a content pixel.
    auto divider = [&](const TXLSizeList& l, int64_t pos, int across, TXLAxis axis) -> int {
        int64_t extent = l.Sum(l.Count());
        if (extent <= 0 || pos < -kDividerReach || pos > extent + kDividerReach)
            return -1;
        int64_t start = std::clamp<int64_t>(pos, 0, extent - 1);
        int i = start > 0 ? l.Locate(start) : 0;
        while (i + 1 < l.Count() && l.DiffItem(i) <= 0)
            ++i;
        int64_t end = start + l.DiffItem(i);
        int best = -1;
        if (end - pos <= kDividerReach)
            best = i;
        else if (pos - start <= kDividerReach && start > 0) {
            int64_t q = start - 1;
            best = l.Locate(q);
        }
        if (best < 0)
            return -1;
        // Never inside a merged block.
        int col = axis == sCols ? best : across, row = axis == sCols ? across : best;
        if (const TXLUnion* u = Section(s).UnionAt(col, row)) {
            int far = axis == sCols ? u->Rect.Right : u->Rect.Bottom;
            if (far > best + 1)
                return -1;
        }
        return best;
    };
    if (colDividers && (m_options & OptionBit(oColSizing))) {
        int i = divider(m_sizes.Cols(s), int64_t(p.x()) - o.x(), hit.Cell.Row, sCols);
        if (i >= 0) {
            hit.What = TXLHit::ColDivider;
            hit.Index = i;
            hit.Band = TXLGridSizes::ColBand(s);
            return hit;
        }
    }
    if (rowDividers && (m_options & OptionBit(oRowSizing))) {
        int i = divider(m_sizes.Rows(s), int64_t(p.y()) - o.y(), hit.Cell.Col, sRows);
        if (i >= 0) {
            hit.What = TXLHit::RowDivider;
            hit.Index = i;
            hit.Band = TXLGridSizes::RowBand(s);
            return hit;
        }
    }
    if (inside)
        hit.What = TXLHit::OnCell;
    return hit;
}

// ---- mouse selection --------------------------------------------------------

TXLRect TXLGridState::BandSelection(TXLSectionKind pressed, TXLCellPos from, TXLCellPos to) const
{
    TXLRect b = Bounds(m_cur);
    TXLRect r = b;
    if (pressed == skTitleRows)
        r = {std::min(from.Col, to.Col), 0, std::max(from.Col, to.Col) + 1, b.Bottom};
    else if (pressed == skTitleCols)
        r = {0, std::min(from.Row, to.Row), b.Right, std::max(from.Row, to.Row) + 1};
    return Widen(m_cur, r.Intersect(b));
}

bool TXLGridState::PressCell(TXLSectionKind s, TXLCellPos cell, bool shift)
{
    if (!m_sheet)
        return false;
    bool ranges = m_design || Has(oRangeSelect);
    if (s != m_cur) {
        // A title band of the current (client) pane: whole columns or rows.
        if (m_cur != skClient || s == skClient)
            return false;
        TXLPaneState& p = m_panes[m_cur];
        if (!shift) {
            TXLCellPos start{s == skTitleCols ? 0 : cell.Col, s == skTitleRows ? 0 : cell.Row};
            if (s == skCorner)
                start = {0, 0};
            TXLRect block = BlockAt(m_cur, start.Col, start.Row);
            if (IsSelectable(m_cur, block.Left, block.Top))
                MoveCursor(m_cur, {block.Left, block.Top}, true, false);
            else if (auto t = StepToSelectable(m_cur, start, s == skTitleCols ? dRight : dDown, false))
                MoveCursor(m_cur, *t, true, false);
        }
        m_band = s;
        if (ranges)
            SetSelection(m_cur, BandSelection(s, p.Cur, cell));
        return true;
    }
    m_band = s;
    TXLRect block = BlockAt(s, cell.Col, cell.Row);
    if (shift && ranges) {
        DragTo(s, cell);
        return true;
    }
    if (!IsSelectable(s, block.Left, block.Top))
        return false;
    MoveCursor(s, {block.Left, block.Top}, true, false);
    return true;
}

void TXLGridState::DragTo(TXLSectionKind s, TXLCellPos cell)
{
    if (!m_sheet || !(m_design || Has(oRangeSelect)))
        return;
    TXLPaneState& p = m_panes[m_cur];
    if (m_band != m_cur) {
        SetSelection(m_cur, BandSelection(m_band, p.Cur, cell));
        return;
    }
    if (s != m_cur)
        return;
    TXLRect c = BlockAt(s, p.Cur.Col, p.Cur.Row);
    TXLRect r{std::min(c.Left, cell.Col), std::min(c.Top, cell.Row), std::max(c.Right, cell.Col + 1),
              std::max(c.Bottom, cell.Row + 1)};
    if (Has(oRowSelect) && !m_design) {
        r.Left = 0;
        r.Right = ColCount(s);
    }
    SetSelection(s, Widen(s, r));
}

}  // namespace xlgridui
