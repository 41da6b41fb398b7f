#include "xlgrid/sheet.h"

#include "xlgrid/manager.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace xlgrid {

namespace {

const ITextMeasure*& MeasureSlot()
{
    static const ITextMeasure* measure = nullptr;
    return measure;
}

}  // namespace

std::string ColumnLetters(int col)
{
    if (col < 0)
        return {};
    // Bijective base 26: "A".."Z", "AA".."ZZ" (column 701), then "AAA" on,
    // so that labels never repeat.
    std::string s;
    for (int64_t n = static_cast<int64_t>(col) + 1; n > 0; n = (n - 1) / 26)
        s.insert(s.begin(), static_cast<char>('A' + (n - 1) % 26));
    return s;
}

void TXLSheet::SetTextMeasure(const ITextMeasure* measure) { MeasureSlot() = measure; }

const ITextMeasure& TXLSheet::TextMeasure()
{
    static const TFixedTextMeasure fixed;
    const ITextMeasure* m = MeasureSlot();
    return m ? *m : fixed;
}

// ---- life ------------------------------------------------------------------

TXLSheet::TXLSheet()
{
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) {
            m_sizes[a][b] = std::make_unique<TXLSizeList>();
            m_saved[a][b] = std::make_unique<TXLSizeList>();
        }
    m_baseClient = std::make_unique<TXLBaseStyle>(this, true);
    m_baseTitle = std::make_unique<TXLBaseStyle>(this, false);
    for (TXLSectionKind s : kSectionKinds)
        m_sections[s] = std::make_unique<TXLSection>(this, s, s == skClient ? m_baseClient.get() : m_baseTitle.get());
    TXLManager::Instance().AddSheet(this);
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b)
            m_sizes[a][b]->SetDefault(m_defSize[a]);
    m_sizes[sCols][1]->SetCount(5);
    m_saved[sCols][1]->SetCount(5);
    m_sizes[sRows][1]->SetCount(5);
    m_saved[sRows][1]->SetCount(5);
    m_sizes[sCols][0]->SetCount(1);
    m_saved[sCols][0]->SetCount(1);
    m_sizes[sRows][0]->SetCount(1);
    m_saved[sRows][0]->SetCount(1);
}

TXLSheet::~TXLSheet()
{
    // A user drops its reference here, often by unregistering; each is
    // taken off the list before it is told, so nothing is copied (a
    // destructor must not allocate: it may run because memory ran out).
    m_destroying = true;
    while (!m_users.empty()) {
        IXLSheetUser* user = m_users.back();
        m_users.pop_back();
        user->SheetDestroying();
    }
    if (m_styler)
        SetStyler(nullptr);
    for (auto& s : m_sections)
        s.reset();
    try {
        TXLManager::Instance().RemoveSheet(this);
    } catch (const EXLGridError&) {
        // The registry is gone at shutdown; nothing to unregister from.
    }
}

// ---- users and updates -----------------------------------------------------

void TXLSheet::AddUser(IXLSheetUser* user)
{
    if (!user || std::find(m_users.begin(), m_users.end(), user) != m_users.end())
        return;
    m_users.push_back(user);
    if (m_updateCount > 0)
        user->BeginUpdate();
}

void TXLSheet::RemoveUser(IXLSheetUser* user)
{
    auto it = std::find(m_users.begin(), m_users.end(), user);
    if (it == m_users.end())
        return;
    m_users.erase(it);
    if (m_updateCount > 0)
        user->EndUpdate();
}

void TXLSheet::BeginUpdate()
{
    if (m_updateCount++ == 0) {
        m_pending = false;
        ForEachUser([](IXLSheetUser& u) { u.BeginUpdate(); });
    }
}

void TXLSheet::EndUpdate()
{
    if (m_updateCount <= 0)
        return;
    if (--m_updateCount > 0) {
        m_pending = true;
        return;
    }
    ForEachUser([](IXLSheetUser& u) { u.EndUpdate(); });
    if (m_pending) {
        m_pending = false;
        ForEachUser([](IXLSheetUser& u) { u.SheetChanged(); });
    }
}

void TXLSheet::SetModified(bool modified)
{
    if (m_loading)
        return;
    if (modified)
        ++m_changes;
    if (m_modified == modified)
        return;
    m_modified = modified;
    if (OnModified)
        OnModified(*this);
}

bool TXLSheet::NotifyRange(TXLSectionKind section, const TXLRect& rect, TXLRepaint what)
{
    ++m_changes;
    if (m_users.empty() || m_destroying)
        return false;
    // Repaint areas grow around changed lines and cells may lie beyond the
    // counts: users only hear of what they can show.
    const TXLSection& s = *m_sections[section];
    TXLRect visible = rect.Intersect({0, 0, s.ColCount(), s.RowCount()});
    if (visible.IsEmpty())
        return false;
    if (m_updateCount > 0) {
        m_pending = true;
        return false;
    }
    ForEachUser([&](IXLSheetUser& u) { u.RangeChanged(section, visible, what); });
    return true;
}

void TXLSheet::NotifySection(TXLSectionKind section)
{
    ++m_changes;
    if (m_users.empty() || m_destroying)
        return;
    if (m_updateCount > 0) {
        m_pending = true;
        return;
    }
    ForEachUser([&](IXLSheetUser& u) { u.SectionChanged(section); });
}

void TXLSheet::NotifyFormatted(TXLSectionKind section, const TXLRect* rect)
{
    if (m_destroying)
        return;
    ForEachUser([&](IXLSheetUser& u) { u.CellsFormatted(section, rect); });
}

void TXLSheet::NotifyUnions()
{
    if (m_destroying)
        return;
    ForEachUser([](IXLSheetUser& u) { u.UnionsChanged(); });
}

void TXLSheet::NotifyCellChanged(TXLCell* cell)
{
    if (m_destroying)
        return;
    ForEachUser([cell](IXLSheetUser& u) { u.CellChanged(cell); });
}

void TXLSheet::NotifyPrint()
{
    ForEachUser([](IXLSheetUser& u) { u.PrintChanged(); });
}

void TXLSheet::CellValueChanged(TXLCell& cell)
{
    SetModified(true);
    if (cell.Flags() & TXLPersistent::kInEditor)
        NotifyCellChanged(&cell);
    if (OnCellChanged && !m_inCellChanged && cell.HasStyle(csNotify)) {
        m_inCellChanged = true;
        try {
            TXLRect r;
            cell.GetSheetRect(r);
            OnCellChanged(*this, r.Left, r.Top);
        } catch (...) {
            m_inCellChanged = false;
            throw;
        }
        m_inCellChanged = false;
    }
}

// ---- shape -----------------------------------------------------------------

int TXLSheet::Count(TXLAxis axis, bool client) const { return m_sizes[axis][client]->Count(); }
int TXLSheet::ColCount() const { return Count(sCols, true); }
int TXLSheet::RowCount() const { return Count(sRows, true); }
int TXLSheet::TitleCols() const { return Count(sCols, false); }
int TXLSheet::TitleRows() const { return Count(sRows, false); }
void TXLSheet::SetColCount(int count) { SetCount(sCols, true, count); }
void TXLSheet::SetRowCount(int count) { SetCount(sRows, true, count); }
void TXLSheet::SetTitleCols(int count) { SetCount(sCols, false, count); }
void TXLSheet::SetTitleRows(int count) { SetCount(sRows, false, count); }

void TXLSheet::SectionsOfBand(TXLAxis axis, bool client, int out[2]) const
{
    if (axis == sCols) {
        out[0] = client ? 0 : 1;
        out[1] = client ? 3 : 2;
    } else {
        out[0] = client ? 1 : 0;
        out[1] = client ? 3 : 2;
    }
}

void TXLSheet::SetCount(TXLAxis axis, bool client, int count)
{
    count = std::clamp(count, 0, kMaxCount);
    TXLSizeList& live = *m_sizes[axis][client];
    if (count != live.Count()) {
        bool shrinks = count < live.Count();
        // The new count first: cells cut off lie outside it and ask for no repaint.
        live.SetCount(count);
        bool unions = false;
        if (shrinks) {
            int secs[2];
            SectionsOfBand(axis, client, secs);
            for (int s : secs)
                unions |= m_sections[s]->CutSectors(axis, count);
        }
        ForEachUser([&](IXLSheetUser& u) { u.SizesChanged(AxisBit(axis), BandOf(client)); });
        if (unions)
            NotifyUnions();
    }
    m_saved[axis][client]->SetCount(count);
}

void TXLSheet::SetDefSize(TXLAxis axis, int size)
{
    if (size < 0)
        size = 0;
    m_defSize[axis] = size;
    for (int b = 0; b < 2; ++b) {
        TXLSizeList& live = *m_sizes[axis][b];
        TXLSizeList& saved = *m_saved[axis][b];
        // Hidden rows or columns stay hidden; they come back at the new default.
        std::vector<int> hidden;
        saved.ForEach([&hidden](int i, int32_t) {
            hidden.push_back(i);
            return 0;
        });
        int count = live.Count();
        live.SetDefault(size);  // clears every stored size
        live.SetCount(count);
        for (int i : hidden) {
            saved.SetItem(i, std::max(1, size));
            live.SetDiffItem(i, 0);
        }
    }
    ForEachUser([&](IXLSheetUser& u) {
        u.SizesChanged(AxisBit(axis), bdTitle);
        u.SizesChanged(AxisBit(axis), bdClient);
    });
}

void TXLSheet::SetMaxSize(TXLAxis axis, int size)
{
    m_maxSize[axis] = size;
    if (size <= 0)
        return;
    if (size < m_defSize[axis]) {
        SetDefSize(axis, size);
        return;
    }
    for (int b = 0; b < 2; ++b) {
        bool client = b == 1;
        int n = Count(axis, client);
        for (int i = 0; i < n; ++i) {
            int index = client ? i : i - n;
            if (Sizes(index, axis) > size)
                SetSizes(index, axis, size);
        }
    }
}

int TXLSheet::BandIndex(int index, TXLAxis axis, bool& client) const
{
    client = index >= 0;
    return client ? index : Count(axis, false) + index;
}

int TXLSheet::LiveSize(int index, TXLAxis axis) const
{
    bool client;
    int i = BandIndex(index, axis, client);
    if (i < 0)
        return 0;
    return m_sizes[axis][client]->DiffItem(i);
}

int TXLSheet::Sizes(int index, TXLAxis axis) const
{
    bool client;
    int i = BandIndex(index, axis, client);
    if (i < 0)
        return 0;
    int saved = m_saved[axis][client]->Item(i);
    return saved != 0 ? saved : m_sizes[axis][client]->DiffItem(i);
}

void TXLSheet::SetSizeRaw(int index, TXLAxis axis, int size)
{
    bool client;
    int i = BandIndex(index, axis, client);
    if (i < 0 || i >= Count(axis, client))
        return;
    TXLSizeList& live = *m_sizes[axis][client];
    if (live.DiffItem(i) == size)
        return;
    live.SetDiffItem(i, size);
    ForEachUser([&](IXLSheetUser& u) { u.SizeChanged(axis, i, BandOf(client)); });
}

void TXLSheet::ApplySizingRule(int index, TXLAxis axis, int size)
{
    if (OnSizing)
        OnSizing(*this, axis, size, index);
    if (m_maxSize[axis] > 0)
        size = std::min(size, m_maxSize[axis]);
    SetSizeRaw(index, axis, size);
}

void TXLSheet::SetSizes(int index, TXLAxis axis, int size)
{
    bool client;
    int i = BandIndex(index, axis, client);
    if (i < 0 || i >= Count(axis, client))
        return;
    if (size == -1)
        size = axis == sCols ? BestWidth(index) : BestHeight(index);
    if (size <= 0)
        size = 1;
    TXLSizeList& saved = *m_saved[axis][client];
    if (saved.Item(i) != 0)
        saved.SetItem(i, size);  // hidden: keeps the size for when it is shown
    else
        ApplySizingRule(index, axis, size);
}

bool TXLSheet::Visible(int index, TXLAxis axis) const
{
    bool client;
    int i = BandIndex(index, axis, client);
    if (i < 0)
        return false;
    return m_saved[axis][client]->Item(i) == 0;
}

void TXLSheet::SetVisible(int index, TXLAxis axis, bool visible)
{
    bool client;
    int i = BandIndex(index, axis, client);
    if (i < 0 || i >= Count(axis, client) || Visible(index, axis) == visible)
        return;
    TXLSizeList& saved = *m_saved[axis][client];
    if (!visible) {
        int size = std::max(1, m_sizes[axis][client]->DiffItem(i));
        saved.SetItem(i, size);
        SetSizeRaw(index, axis, 0);
    } else {
        int size = saved.Item(i);
        saved.SetItem(i, 0);
        ApplySizingRule(index, axis, size);
    }
}

int TXLSheet::BestWidth(int col) const
{
    int best = -1;
    const ITextMeasure& measure = TextMeasure();
    int rows[2] = {-TitleRows(), RowCount()};
    for (int r = rows[0]; r < rows[1]; ++r) {
        if (!Visible(r, sRows))
            continue;
        int lc, lr;
        const TXLSection& s = Locate(col, r, lc, lr);
        const TXLCell* cell = s.Find(lc, lr);
        if (!cell || cell->Width() > 1)
            continue;
        best = std::max(best, cell->GetBestSize(measure).Width);
    }
    return best < 0 ? m_defSize[sCols] : best;
}

int TXLSheet::BestHeight(int row) const
{
    int best = -1;
    const ITextMeasure& measure = TextMeasure();
    for (int c = -TitleCols(); c < ColCount(); ++c) {
        if (!Visible(c, sCols))
            continue;
        int lc, lr;
        const TXLSection& s = Locate(c, row, lc, lr);
        const TXLCell* cell = s.Find(lc, lr);
        if (!cell || cell->Height() > 1)
            continue;
        best = std::max(best, cell->GetBestSize(measure).Height);
    }
    return best < 0 ? m_defSize[sRows] : best;
}

int64_t TXLSheet::Offset(int index, TXLAxis axis) const
{
    bool client;
    int i = BandIndex(index, axis, client);
    return m_sizes[axis][client]->Sum(i);
}

int TXLSheet::Locate(int64_t& pos, TXLAxis axis, bool client) const
{
    return m_sizes[axis][client]->Locate(pos);
}

void TXLSheet::InsertSectors(TXLAxis axis, int index, int count)
{
    int titles = Count(axis, false);
    int clients = Count(axis, true);
    index = std::clamp(index, -titles, clients);
    bool client = index >= 0;
    if (count < 0) {
        int available = client ? clients - index : -index;
        count = static_cast<int>(-std::min(-static_cast<int64_t>(count), static_cast<int64_t>(available)));
    } else {
        // A band never grows past the largest index of its lists.
        count = std::min(count, kMaxCount - (client ? clients : titles));
    }
    if (count == 0)
        return;
    int local = client ? index : titles + index;
    int secs[2];
    SectionsOfBand(axis, client, secs);
    TXLUpdateGuard update(*this);
    bool unions = false;
    for (int s : secs)
        unions |= m_sections[s]->MoveSectors(axis, local, count);
    for (TXLSizeList* list : {m_sizes[axis][client].get(), m_saved[axis][client].get()}) {
        int n = list->Count();
        list->InsertDelete(local, count);
        list->SetCount(n + count);
    }
    SetModified(true);
    ForEachUser([&](IXLSheetUser& u) { u.SectorsMoved(axis, BandOf(client), count, local); });
    if (unions)
        NotifyUnions();
    m_pending = true;
}

void TXLSheet::Clear()
{
    ClearCells();
    SetColCount(0);
    SetRowCount(0);
}

void TXLSheet::ClearCells()
{
    TXLUpdateGuard update(*this);
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) {
            m_sizes[a][b]->Clear();
            m_saved[a][b]->Clear();
        }
    bool unions = false;
    for (auto& s : m_sections) {
        unions |= !s->Unions().empty();
        s->ClearAll();
    }
    m_pending = true;
    SetModified(true);
    if (unions)
        NotifyUnions();
}

// ---- cells -----------------------------------------------------------------

TXLSection& TXLSheet::Locate(int col, int row, int& localCol, int& localRow)
{
    return const_cast<TXLSection&>(static_cast<const TXLSheet*>(this)->Locate(col, row, localCol, localRow));
}

const TXLSection& TXLSheet::Locate(int col, int row, int& localCol, int& localRow) const
{
    const TXLSection& s = *m_sections[SectionOf(col, row)];
    localCol = LocalCol(col);
    localRow = LocalRow(row);
    if (!s.Unions().empty())
        if (const TXLUnion* u = s.UnionAt(localCol, localRow)) {
            localCol = u->Rect.Left;
            localRow = u->Rect.Top;
        }
    return s;
}

TXLCell* TXLSheet::Cells(int col, int row)
{
    int lc, lr;
    TXLSection& s = Locate(col, row, lc, lr);
    if (lc < 0 || lr < 0 || lc > TXLSizeList::kMaxIndex || lr > TXLSizeList::kMaxIndex)
        return nullptr;
    return s.Create(lc, lr);
}

TXLCell* TXLSheet::FindCell(int col, int row) const
{
    int lc, lr;
    const TXLSection& s = Locate(col, row, lc, lr);
    if (lc < 0 || lr < 0)
        return nullptr;
    return s.Find(lc, lr);
}

Variant TXLSheet::Values(int col, int row) const
{
    const TXLCell* cell = FindCell(col, row);
    return cell ? cell->Value() : Variant();
}

void TXLSheet::SetValues(int col, int row, const Variant& value)
{
    if (TXLCell* cell = Cells(col, row))
        cell->SetValue(value);
}

void TXLSheet::SetText(int col, int row, const std::string& text)
{
    if (TXLCell* cell = Cells(col, row))
        cell->SetAsString(text);
}

void* TXLSheet::Pictures(int col, int row) const
{
    const TXLCell* cell = FindCell(col, row);
    return cell ? cell->AsPicture() : nullptr;
}

TXLCell* TXLSheet::SetCellClass(int col, int row, const TXLCellClass& cls)
{
    int lc, lr;
    TXLSection& s = Locate(col, row, lc, lr);
    if (lc < 0 || lr < 0 || lc > TXLSizeList::kMaxIndex || lr > TXLSizeList::kMaxIndex)
        return nullptr;
    TXLCell* old = s.Find(lc, lr);
    if (old && &old->CellClass() == &cls)
        return old;
    if (old)
        return ReplaceCellClass(s, *old, cls);
    TXLCell* cell = cls.Create();
    s.Replace(lc, lr, cell);
    cell->m_flags |= TXLPersistent::kTextStale;
    if (&cls == &s.BaseStyle()->ValueClass() && !s.BaseStyle()->Format().empty())
        cell->Extra().Format = s.BaseStyle()->Format();
    cell->Repaint();
    SetModified(true);
    return cell;
}

TXLCell* TXLSheet::ReplaceCellClass(TXLSection& s, TXLCell& old, const TXLCellClass& cls)
{
    // The layout lives in the section; font, value and style link move to the new cell.
    bool ownFont = old.HasOwnFont();
    TXLFont font = old.Font();
    Variant value = old.Value();
    TXLStyle* style = old.BasedOn();
    TXLProps props = old.Props();
    // A repaint the old cell asked for and was not yet painted covers the new one.
    uint8_t asked = old.m_flags & TXLPersistent::kRepaintAsked;
    int lc = old.Col(), lr = old.LocalRow();
    TXLCell* cell = cls.Create();
    s.Replace(lc, lr, cell);  // frees `old`
    cell->m_flags |= asked;
    // The hint belongs to the position and stays where it is.
    cell->m_props = props & static_cast<TXLProps>(~(PropBit(prValue) | PropBit(prControl) | PropBit(prFont)));
    if (style)
        cell->Extra().BasedOn = style;
    if (ownFont)
        cell->SetFont(font);
    if (&cls == &s.BaseStyle()->ValueClass() && !s.BaseStyle()->Format().empty())
        cell->Extra().Format = s.BaseStyle()->Format();
    try {
        cell->SetValue(value);
    } catch (const EVariantError&) {
        // A value the new class cannot take is dropped.
    }
    cell->m_flags |= TXLPersistent::kTextStale;
    cell->Repaint();
    SetModified(true);
    return cell;
}

void TXLSheet::SetCellBox(int col, int row, TColor borderColor, TColor color, TColor fontColor, const Variant& value)
{
    TXLCell* cell = Cells(col, row);
    if (!cell)
        return;
    cell->SetValue(value);
    if (fontColor != clWindowText)
        cell->SetFontColor(fontColor);
    cell->SetColor(color);
    cell->SetSides(kOuterSides, TXLLine{1, borderColor});
}

void TXLSheet::SetCellBorder(int col, int row, TColor borderColor, TColor color)
{
    TXLCell* cell = Cells(col, row);
    if (!cell)
        return;
    if (color != clNone)
        cell->SetColor(color);
    cell->SetSides(kOuterSides, TXLLine{1, borderColor});
}

void TXLSheet::FillTitles()
{
    TXLUpdateGuard update(*this);
    if (TitleRows() > 0)
        for (int c = 0; c < ColCount(); ++c)
            SetText(c, -1, ColumnLetters(c));
    if (TitleCols() > 0)
        for (int r = 0; r < RowCount(); ++r)
            NumberRow(r);
}

void TXLSheet::NumberRow(int row)
{
    if (TitleCols() > 0 && row >= 0)
        SetValues(-1, row, Variant(static_cast<int32_t>(std::min<int64_t>(row + int64_t{1}, INT32_MAX))));
}

int32_t TXLSheet::GetProperty(int col, int row, int number) const
{
    if (const TXLCell* cell = FindCell(col, row))
        return cell->GetProperty(number);
    int lc, lr;
    const TXLSection& s = Locate(col, row, lc, lr);
    return s.GetProperty(lc, lr, number);
}

void TXLSheet::SetProperty(int col, int row, int number, int32_t value)
{
    if (TXLCell* cell = FindCell(col, row)) {
        cell->SetProperty(number, value);
        return;
    }
    // Inner lines belong to ranges, not to one position.
    if (number < 0 || number >= kPropNumberCount || number == pnHInside || number == pnVInside)
        return;
    int lc, lr;
    TXLSection& s = Locate(col, row, lc, lr);
    if (lc < 0 || lr < 0 || lc > TXLSizeList::kMaxIndex || lr > TXLSizeList::kMaxIndex ||
        s.GetProperty(lc, lr, number) == value)
        return;
    s.SetProperty(lc, lr, number, value);
    SetModified(true);
    TXLRepaint what = number <= pnBias2 ? rpSides : rpCells;
    NotifyRange(s.Number(), RepaintArea({lc, lr, lc + 1, lr + 1}, what), what);
}

void TXLSheet::CopyCell(const TXLSheet& src, int srcCol, int srcRow, TXLSheet& dst, int dstCol, int dstRow)
{
    const TXLCell* from = src.FindCell(srcCol, srcRow);
    if (!from) {
        int lc, lr;
        TXLSection& s = dst.Locate(dstCol, dstRow, lc, lr);
        if (lc >= 0 && lr >= 0) {
            s.FreeCell(lc, lr);
            s.SetHintAt(lc, lr, src.GetCellHint(srcCol, srcRow));
        }
        return;
    }
    TXLCell* to = dst.SetCellClass(dstCol, dstRow, from->CellClass());
    if (!to || to == from)
        return;
    to->Assign(*from);
    // What the cell takes from its section's formatting travels too.
    for (int n : {pnBias1, pnBias2, pnColor, pnFrame, pnStyles, pnLayout})
        to->SetProperty(n, from->GetProperty(n));
    for (int n : {pnLeft, pnTop, pnRight, pnBottom})
        to->SetProperty(n, from->GetProperty(n));
    if (!from->HasOwnFont() && (to->HasOwnFont() || to->Font() != from->Font()))
        to->SetFont(from->Font());
}

std::string TXLSheet::GetCellHint(int col, int row) const
{
    int lc, lr;
    const TXLSection& s = Locate(col, row, lc, lr);
    if (lc < 0 || lr < 0)
        return {};
    std::string stored = s.HintAt(lc, lr);
    if (stored.empty() && OnGetCellHint &&
        (static_cast<TXLCellStyles>(GetProperty(col, row, pnStyles)) & StyleBit(csExtHint))) {
        std::string text;
        OnGetCellHint(const_cast<TXLSheet&>(*this), col, row, text);
        return text;
    }
    return stored;
}

void TXLSheet::Recalculate()
{
    std::vector<IXLFormulaCell*> formulas;
    for (auto& s : m_sections)
        s->ForEachCell([&](TXLCell& cell) {
            if (&cell.CellClass() == &TXLCFormula::Class())
                formulas.push_back(static_cast<TXLCFormula*>(&cell));
        });
    if (formulas.empty())
        return;
    CalcHost().RecalculateFormulas(formulas);
    NotifySection(skClient);
}

Variant TXLSheet::DoVariable(const std::string& name) const
{
    // Column letters (bijective) followed by a row number.
    size_t i = 0;
    int64_t col = 0;
    while (i < name.size() && std::isalpha(static_cast<unsigned char>(name[i]))) {
        col = col * 26 + (std::toupper(static_cast<unsigned char>(name[i])) - 'A' + 1);
        if (col > 1'000'000)
            return {};
        ++i;
    }
    if (i == 0 || i == name.size())
        return {};
    int64_t row = 0;
    for (size_t k = i; k < name.size(); ++k) {
        if (!std::isdigit(static_cast<unsigned char>(name[k])))
            return {};
        row = row * 10 + (name[k] - '0');
        if (row > 100'000'000)
            return {};
    }
    if (row < 1 || col - 1 >= ColCount() || row - 1 >= RowCount())
        return {};
    return Values(static_cast<int>(col - 1), static_cast<int>(row - 1));
}

// ---- styles and properties -------------------------------------------------

void TXLSheet::SetStyler(TXLStyler* styler)
{
    if (styler == m_styler)
        return;
    struct Link {
        int section, col, row;
        std::string alias;
    };
    std::vector<Link> links;
    bool moving = m_styler && styler && !m_loading;
    if (m_styler && !m_destroying) {
        for (int s = 0; s < 4; ++s)
            m_sections[s]->ForEachCell([&](TXLCell& cell) {
                if (TXLStyle* style = cell.BasedOn()) {
                    if (moving)
                        links.push_back({s, cell.Col(), cell.LocalRow(), style->Alias()});
                    cell.Extra().BasedOn = nullptr;
                }
            });
    }
    if (m_styler)
        std::erase(m_styler->m_sheets, this);
    m_styler = styler;
    if (styler)
        styler->m_sheets.push_back(this);
    for (const Link& l : links)
        if (TXLCell* cell = m_sections[l.section]->Find(l.col, l.row)) {
            if (TXLStyle* style = styler->FindStyle(l.alias))
                cell->SetBasedOn(style);
            else
                cell->SetProps(cell->Props() & static_cast<TXLProps>(~PropBit(prBasedOn)));
        }
    if (OnStylerChanged && !m_destroying)
        OnStylerChanged(*this);
}

void TXLSheet::SetAuthor(const std::string& author)
{
    if (author == m_author)
        return;
    m_author = author;
    SetModified(true);
}

void TXLSheet::SetTitle(const std::string& title)
{
    if (title == m_title)
        return;
    m_title = title;
    SetModified(true);
}

void TXLSheet::SetBackground(const TXLPicture& picture)
{
    if (picture == m_background)
        return;
    m_background = picture;
    NotifySection(skClient);
}

void TXLSheet::SetPrintMargins(const TXLMargins& margins)
{
    TXLMargins m{std::max(0, margins.Left), std::max(0, margins.Top), std::max(0, margins.Right),
                 std::max(0, margins.Bottom)};
    if (m == m_margins)
        return;
    m_margins = m;
    NotifyPrint();
}

void TXLSheet::SetPrintScale(int scale)
{
    scale = std::clamp(scale, 25, 500);
    if (scale == m_printScale)
        return;
    m_printScale = scale;
    NotifyPrint();
}

void TXLSheet::SetPrintHidden(bool on)
{
    if (on == m_printHidden)
        return;
    m_printHidden = on;
    NotifyPrint();
}

void TXLSheet::SetPrintTitles(TXLAxes axes)
{
    if (axes == m_printTitles)
        return;
    m_printTitles = axes;
    NotifyPrint();
}

void TXLSheet::SetPrintGridLines(bool on)
{
    if (on == m_printGridLines)
        return;
    m_printGridLines = on;
    NotifyPrint();
}

}  // namespace xlgrid
