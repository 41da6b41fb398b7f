#include "xlgridui/grid.h"

#include "xlgridui/gridview.h"

#include "xlpaint/qtconvert.h"

#include "xlgrid/manager.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>

namespace xlgridui {

using namespace xlgrid;

namespace {

constexpr TXLSectionKind kPanes[] = {skCorner, skTitleRows, skTitleCols, skClient};
constexpr int kWheelStep = 120;
constexpr int kAutoScrollMs = 40;

TXLGrid* g_lastFocused = nullptr;

QString ToQString(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

void InstallLinkOpener()
{
    auto& open = TXLManager::Instance().OpenUrl;
    if (!open)
        open = [](const std::string& target) {
            QDesktopServices::openUrl(QUrl::fromUserInput(ToQString(target)));
        };
}

}  // namespace

// ---- construction -----------------------------------------------------------

TXLGrid::TXLGrid(QWidget* parent) : QWidget(parent), m_state(this)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    for (TXLSectionKind s : kPanes)
        m_views[s] = new TXLView(*this, s);
    for (TXLAxis axis : {sCols, sRows}) {
        auto* bar = new QScrollBar(axis == sCols ? Qt::Horizontal : Qt::Vertical, this);
        bar->setFocusPolicy(Qt::NoFocus);
        connect(bar, &QScrollBar::actionTriggered, this, [this, axis](int action) { ScrollBarAction(axis, action); });
        connect(bar, &QScrollBar::valueChanged, this, [this, axis](int value) {
            if (m_updatingBars)
                return;
            // Thumb positions land on starts; the very end shows the last row whole.
            int64_t pos = value >= m_bars[axis]->maximum() ? m_state.MaxScroll(axis) : m_state.SnapToStart(axis, value);
            if (axis == sCols)
                m_state.ScrollTo(pos, m_state.ScrollY());
            else
                m_state.ScrollTo(m_state.ScrollX(), pos);
        });
        m_bars[axis] = bar;
    }
    m_hint = new TXLHintWindow(this);
    connect(m_hint, &TXLHintWindow::Hidden, this, [this] {
        if (m_hintShown)
            m_views[m_hintPane]->update(m_hintGeometry.Damage());
        m_hintShown = false;
        m_hintCell = {-1, -1};
    });
    m_autoScroll.setInterval(kAutoScrollMs);
    connect(&m_autoScroll, &QTimer::timeout, this, &TXLGrid::AutoScroll);
    m_state.HasEditor = [this](const TXLCellClass& cls) { return m_host && m_host->HasEditor(cls); };
    m_host = MakeEditHost(*this);
    InstallLinkOpener();
    xlpaint::InstallFontSubstitutions();
    Relayout();
}

TXLGrid::~TXLGrid()
{
    if (g_lastFocused == this)
        g_lastFocused = nullptr;
    SetHorzLink(nullptr);
    SetVertLink(nullptr);
    if (Sheet()) {
        if (EditorOpen())
            m_host->Close(false);
        Sheet()->RemoveUser(this);
    }
    m_host.reset();
}

void TXLGrid::SetSheet(TXLSheet* sheet)
{
    if (sheet == Sheet())
        return;
    CloseEditor(true);
    HideHint();
    m_tracker.Reset();
    if (Sheet())
        Sheet()->RemoveUser(this);
    m_state.SetSheet(sheet);
    m_breaksStale = true;
    if (sheet)
        sheet->AddUser(this);
    Relayout();
    Invalidate();
    Q_EMIT OnSheetChanged();
    Q_EMIT OnCurChanged();
    Q_EMIT OnSelChanged();
}

void TXLGrid::SetScale(int scale)
{
    if (!m_state.SetScale(scale))
        return;
    bool reopen = EditorOpen();
    TXLEditMode mode = EditMode();
    if (reopen)
        CloseEditor(true);
    Relayout();
    Invalidate();
    if (reopen)
        OpenEditor(mode);
    Q_EMIT OnScaleChanged();
}

void TXLGrid::SetOptions(TXLOptions options)
{
    if (options == m_state.Options())
        return;
    m_state.SetOptions(options);
    m_breaksStale = true;
    m_state.Revalidate();
    Relayout();
    Invalidate();
}

void TXLGrid::SetOption(TXLOption o, bool on)
{
    SetOptions(on ? (Options() | OptionBit(o)) : (Options() & ~OptionBit(o)));
}

void TXLGrid::SetScrolls(TXLScrolls scrolls)
{
    m_scrolls = scrolls;
    for (QScrollBar* bar : m_bars)
        bar->setTracking(scrolls & ScrollBit(sTracking));
    Relayout();
}

void TXLGrid::SetDesignMode(bool on)
{
    if (on == DesignMode())
        return;
    CloseEditor(true);
    m_state.SetDesignMode(on);
    Relayout();
    Invalidate();
}

void TXLGrid::SetShowHints(bool on)
{
    m_showHints = on;
    if (!on)
        HideHint();
}

void TXLGrid::SetCurCell(QPoint sheetCell)
{
    TXLSectionKind pane;
    TXLCellPos local;
    if (!m_state.Resolve(sheetCell, pane, local))
        return;
    if (pane != skClient && !DesignMode())
        return;
    if (pane != m_state.CurPane())
        m_state.SetCurPane(pane);
    m_state.MoveCursor(pane, local, true, true);
}

void TXLGrid::SelectRange(TXLSectionKind section, const TXLRect& rect)
{
    if (!Sheet() || (section != skClient && !DesignMode()))
        return;
    const TXLRect r = m_state.Widen(section, rect.Intersect(m_state.Bounds(section)));
    if (r.IsEmpty())
        return;
    if (section != m_state.CurPane())
        m_state.SetCurPane(section);
    m_state.MoveCursor(section, {r.Left, r.Top}, true, false);
    m_state.SetSelection(section, r);
    m_state.ScrollIntoView(section, r);
}

void TXLGrid::HideSelection()
{
    m_selHidden = true;
    Invalidate();
    if (EditorOpen())
        m_host->Reposition();
}

void TXLGrid::Invalidate()
{
    for (TXLView* v : m_views)
        v->update();
}

void TXLGrid::SetEditHost(std::unique_ptr<IXLEditHost> host)
{
    CloseEditor(true);
    m_host = std::move(host);
}

void TXLGrid::SetLink(TXLAxis axis, TXLGrid* grid)
{
    if (grid == this || grid == m_link[axis])
        return;
    if (TXLGrid* old = m_link[axis])
        old->m_link[axis] = nullptr;
    m_link[axis] = grid;
    if (grid) {
        if (TXLGrid* prev = grid->m_link[axis])
            prev->m_link[axis] = nullptr;
        grid->m_link[axis] = this;
    }
}

void TXLGrid::FollowLink(TXLAxis axis)
{
    TXLGrid* other = m_link[axis];
    if (!other || m_following)
        return;
    int64_t pos = axis == sCols ? m_state.ScrollX() : m_state.ScrollY();
    int64_t theirs = pos * other->Scale() / Scale();
    m_following = true;
    other->m_following = true;
    if (axis == sCols)
        other->m_state.ScrollTo(theirs, other->m_state.ScrollY());
    else
        other->m_state.ScrollTo(other->m_state.ScrollX(), theirs);
    other->m_following = false;
    m_following = false;
}

// ---- layout -----------------------------------------------------------------

void TXLGrid::Relayout()
{
    const TXLGridSizes& sizes = m_state.Sizes();
    int w = width(), h = height();
    bool hBar = m_scrolls & ScrollBit(sHorizontal), vBar = m_scrolls & ScrollBit(sVertical);
    int barW = vBar ? m_bars[sRows]->sizeHint().width() : 0;
    int barH = hBar ? m_bars[sCols]->sizeHint().height() : 0;
    int areaW = std::max(0, w - barW), areaH = std::max(0, h - barH);
    int tw = HasOption(oTitleRows) ? static_cast<int>(std::min<int64_t>(sizes.Extent(sCols, bdTitle), areaW)) : 0;
    int th = HasOption(oTitleCols) ? static_cast<int>(std::min<int64_t>(sizes.Extent(sRows, bdTitle), areaH)) : 0;
    m_views[skCorner]->setGeometry(0, 0, tw, th);
    m_views[skTitleRows]->setGeometry(tw, 0, areaW - tw, th);
    m_views[skTitleCols]->setGeometry(0, th, tw, areaH - th);
    m_views[skClient]->setGeometry(tw, th, areaW - tw, areaH - th);
    m_views[skCorner]->setVisible(tw > 0 && th > 0);
    m_views[skTitleRows]->setVisible(th > 0);
    m_views[skTitleCols]->setVisible(tw > 0);
    m_views[skClient]->setVisible(true);
    m_bars[sCols]->setGeometry(0, areaH, areaW, barH);
    m_bars[sRows]->setGeometry(areaW, 0, barW, areaH);
    m_bars[sCols]->setVisible(hBar);
    m_bars[sRows]->setVisible(vBar);
    m_state.SetViewport(areaW - tw, areaH - th);
    UpdateScrollBars();
    if (EditorOpen())
        m_host->Reposition();
}

void TXLGrid::UpdateScrollBars()
{
    m_updatingBars = true;
    for (TXLAxis axis : {sCols, sRows}) {
        QScrollBar* bar = m_bars[axis];
        int64_t max = std::min<int64_t>(m_state.MaxScroll(axis), INT32_MAX);
        bar->setRange(0, static_cast<int>(max));
        bar->setPageStep(std::max(1, axis == sCols ? m_state.ViewWidth() : m_state.ViewHeight()));
        bar->setSingleStep(std::max(1, Sheet() ? TXLGridSizes::Scaled(Sheet()->DefSize(axis), Scale()) : 1));
        int64_t pos = axis == sCols ? m_state.ScrollX() : m_state.ScrollY();
        bar->setValue(static_cast<int>(std::min<int64_t>(pos, INT32_MAX)));
    }
    m_updatingBars = false;
}

void TXLGrid::ScrollBarAction(TXLAxis axis, int action)
{
    QScrollBar* bar = m_bars[axis];
    int64_t pos = axis == sCols ? m_state.ScrollX() : m_state.ScrollY();
    int view = axis == sCols ? m_state.ViewWidth() : m_state.ViewHeight();
    int64_t target = pos;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
    case QAbstractSlider::SliderSingleStepSub: {
        // Line steps land on the next column or row start.
        m_state.ScrollLines(axis, action == QAbstractSlider::SliderSingleStepAdd ? 1 : -1);
        target = axis == sCols ? m_state.ScrollX() : m_state.ScrollY();
        break;
    }
    case QAbstractSlider::SliderPageStepAdd: target = m_state.SnapToStart(axis, pos + view); break;
    case QAbstractSlider::SliderPageStepSub: target = m_state.SnapToStart(axis, pos - view); break;
    case QAbstractSlider::SliderToMinimum: target = 0; break;
    case QAbstractSlider::SliderToMaximum: target = m_state.MaxScroll(axis); break;
    default: return;  // thumb moves arrive through valueChanged
    }
    bar->setSliderPosition(static_cast<int>(std::clamp<int64_t>(target, 0, bar->maximum())));
}

void TXLGrid::resizeEvent(QResizeEvent*) { Relayout(); }

// ---- repainting -------------------------------------------------------------

void TXLGrid::Damage(TXLSectionKind pane, const TXLRect& range, int grow)
{
    if (range.IsEmpty())
        return;
    TXLView* v = m_views[pane];
    QRect r = m_state.RangeRect(pane, range).adjusted(-grow, -grow, grow, grow) & v->rect();
    if (!r.isEmpty())
        v->update(r);
}

void TXLGrid::DamageFrom(TXLAxis axis, TXLBand band, int index)
{
    for (TXLSectionKind s : kPanes) {
        bool shows = axis == sCols ? TXLGridSizes::ColBand(s) == band : TXLGridSizes::RowBand(s) == band;
        if (!shows)
            continue;
        TXLView* v = m_views[s];
        QRect r = m_state.RangeRect(s, {index, index, index, index});
        QRect area = axis == sCols ? QRect(r.left() - kSelectionBand, 0, v->width(), v->height())
                                   : QRect(0, r.top() - kSelectionBand, v->width(), v->height());
        v->update(area & v->rect());
    }
}

void TXLGrid::DamageTitles(const TXLRect& sel)
{
    if (!HasOption(oTitle3D) || m_state.CurPane() != skClient || sel.IsEmpty())
        return;
    Damage(skTitleRows, {sel.Left, 0, sel.Right, m_state.RowCount(skTitleRows)});
    Damage(skTitleCols, {0, sel.Top, m_state.ColCount(skTitleCols), sel.Bottom});
}

void TXLGrid::SheetStructureChanged()
{
    m_breaksStale = true;
    m_state.Revalidate();
    Relayout();
    Invalidate();
}

// ---- IXLSheetUser -----------------------------------------------------------

void TXLGrid::RangeChanged(TXLSectionKind section, const TXLRect& rect, TXLRepaint what)
{
    // A side's line is drawn centred on the cell edge, up to 3 pixels wide.
    Damage(section, rect, what == rpSides ? 2 : 0);
    Q_EMIT OnChange();
}

void TXLGrid::SectionChanged(TXLSectionKind section)
{
    m_views[section]->update();
    Q_EMIT OnChange();
}

void TXLGrid::SheetChanged()
{
    m_state.RebuildSizes();
    SheetStructureChanged();
    Q_EMIT OnChange();
}

void TXLGrid::PrintChanged()
{
    m_breaksStale = true;
    if (HasOption(oPageBreak))
        m_views[skClient]->update();
}

void TXLGrid::SizesChanged(TXLAxes axes, TXLBand band)
{
    if (!Sheet())
        return;
    if (axes == 0)
        m_state.RebuildSizes();
    for (TXLAxis axis : {sCols, sRows})
        if (axes & AxisBit(axis))
            m_state.Sizes().RebuildBand(*Sheet(), axis, band, Scale());
    SheetStructureChanged();
    Q_EMIT OnChange();
}

void TXLGrid::SectorsMoved(TXLAxis axis, TXLBand band, int, int)
{
    if (!Sheet())
        return;
    m_state.Sizes().RebuildBand(*Sheet(), axis, band, Scale());
    SheetStructureChanged();
    Q_EMIT OnChange();
}

void TXLGrid::SizeChanged(TXLAxis axis, int index, TXLBand band)
{
    if (!Sheet())
        return;
    m_state.Sizes().Update(*Sheet(), axis, band, index, Scale());
    m_breaksStale = true;
    if (band == bdTitle)
        Relayout();  // the band's extent sets the title pane's size
    else {
        m_state.SetViewport(m_state.ViewWidth(), m_state.ViewHeight());
        UpdateScrollBars();
        if (EditorOpen())
            m_host->Reposition();
    }
    DamageFrom(axis, band, index);
    if (HasOption(oPageBreak))
        m_views[skClient]->update();
    Q_EMIT OnChange();
}

void TXLGrid::CellsFormatted(TXLSectionKind section, const TXLRect* rect)
{
    if (rect)
        Damage(section, *rect, 2);
    else
        m_views[section]->update();
    Q_EMIT OnChange();
}

void TXLGrid::SheetDestroying()
{
    if (EditorOpen()) {
        m_inEditorCall = true;
        m_host->Close(false);
        m_inEditorCall = false;
    }
    HideHint();
    m_tracker.Reset();
    m_autoScroll.stop();
    if (TXLSheet* s = Sheet())
        s->RemoveUser(this);
    m_state.SetSheet(nullptr);
    Relayout();
    Invalidate();
    Q_EMIT OnSheetChanged();
}

void TXLGrid::CellChanged(TXLCell*)
{
    // The open cell is the editor host's: it follows the cell, or lets it go
    // when the cell is freed (the host is a user of the sheet itself).
}

void TXLGrid::UnionsChanged()
{
    SheetStructureChanged();
    Q_EMIT OnChange();
}

// ---- state owner --------------------------------------------------------------

void TXLGrid::CursorMoved(TXLSectionKind pane, TXLCellPos old)
{
    Damage(pane, m_state.BlockAt(pane, old.Col, old.Row), kSelectionBand);
    const TXLCellPos& cur = m_state.Pane(pane).Cur;
    Damage(pane, m_state.BlockAt(pane, cur.Col, cur.Row), kSelectionBand);
    if (!m_preedit.isEmpty()) {
        m_preedit.clear();
        Damage(pane, m_state.BlockAt(pane, old.Col, old.Row));
        if (hasFocus())
            QGuiApplication::inputMethod()->reset();
    }
    UpdateInputMethod();
    if (HasOption(oPermEdit))
        OpenEditor(emEntering);
    Q_EMIT OnCurChanged();
}

void TXLGrid::SelectionChanged(TXLSectionKind pane, const TXLRect& old, const TXLRect& now)
{
    if (m_selHidden) {
        m_selHidden = false;
        Invalidate();
    }
    Damage(pane, old, kSelectionBand);
    Damage(pane, now, kSelectionBand);
    DamageTitles(old);
    DamageTitles(now);
    Q_EMIT OnSelChanged();
}

void TXLGrid::Scrolled(int64_t oldX, int64_t oldY)
{
    int dx = static_cast<int>(std::clamp<int64_t>(oldX - m_state.ScrollX(), -(1 << 29), 1 << 29));
    int dy = static_cast<int>(std::clamp<int64_t>(oldY - m_state.ScrollY(), -(1 << 29), 1 << 29));
    // A hint's pointer must not be carried along by the blit.
    bool pointer = m_hintShown;
    HideHint();
    for (TXLSectionKind s : kPanes) {
        int sx = m_state.ScrollsX(s) ? dx : 0, sy = m_state.ScrollsY(s) ? dy : 0;
        if (sx == 0 && sy == 0)
            continue;
        TXLView* v = m_views[s];
        if (std::abs(sx) >= v->width() || std::abs(sy) >= v->height() || m_tracker.Sizing() || pointer)
            v->update();
        else
            v->scroll(sx, sy);
    }
    UpdateScrollBars();
    UpdateInputMethod();
    if (EditorOpen())
        m_host->Reposition();
    if (dx != 0)
        FollowLink(sCols);
    if (dy != 0)
        FollowLink(sRows);
}

// ---- editing ----------------------------------------------------------------

bool TXLGrid::EditorOpen() const { return m_host && m_host->IsOpen(); }

TXLEditMode TXLGrid::EditMode() const { return EditorOpen() ? m_host->Mode() : emNone; }

void TXLGrid::SetEditMode(TXLEditMode mode)
{
    if (mode == emNone)
        CloseEditor(true);
    else
        OpenEditor(mode);
}

TXLCell* TXLGrid::CurrentCellObject() const
{
    if (!Sheet())
        return nullptr;
    QPoint c = CurCell();
    return Sheet()->FindCell(c.x(), c.y());
}

bool TXLGrid::CurrentEditable() const
{
    TXLSectionKind s = m_state.CurPane();
    const TXLCellPos& c = m_state.Pane(s).Cur;
    return m_state.IsEditable(s, c.Col, c.Row);
}

bool TXLGrid::CurrentWritable() const
{
    TXLSheet* sheet = Sheet();
    if (!sheet || sheet->ReadOnly())
        return false;
    if (DesignMode())
        return true;
    if (HasOption(oReadOnly))
        return false;
    QPoint c = CurCell();
    return !(static_cast<TXLCellStyles>(sheet->GetProperty(c.x(), c.y(), pnStyles)) & StyleBit(csReadOnly));
}

bool TXLGrid::OpenEditor(TXLEditMode mode)
{
    if (!m_host || !Sheet() || mode == emNone)
        return false;
    if (m_host->IsOpen()) {
        if (m_host->Mode() != mode) {
            m_host->SetMode(mode);
            Q_EMIT OnEditModeChanged();
        }
        return true;
    }
    if (!CurrentEditable())
        return false;
    HideHint();
    QPoint c = CurCell();
    TXLCell* cell = Sheet()->Cells(c.x(), c.y());
    m_inEditorCall = true;
    bool ok = m_host->Open(*cell, mode);
    m_inEditorCall = false;
    if (!ok)
        return false;
    m_preedit.clear();
    TXLSectionKind s = m_state.CurPane();
    const TXLCellPos& cur = m_state.Pane(s).Cur;
    Damage(s, m_state.BlockAt(s, cur.Col, cur.Row), kSelectionBand);
    Q_EMIT OnEditModeChanged();
    return true;
}

void TXLGrid::CloseEditor(bool store)
{
    if (!EditorOpen())
        return;
    m_inEditorCall = true;
    m_host->Close(store);
    m_inEditorCall = false;
}

void TXLGrid::EditorClosed()
{
    TXLSectionKind s = m_state.CurPane();
    const TXLCellPos& cur = m_state.Pane(s).Cur;
    if (Sheet())
        Damage(s, m_state.BlockAt(s, cur.Col, cur.Row), kSelectionBand);
    if (isVisible())
        setFocus(Qt::OtherFocusReason);
    Q_EMIT OnEditModeChanged();
}

QRect TXLGrid::EditorCellRect(const TXLCell& cell) const
{
    TXLSection* sec = cell.Section();
    if (!sec || sec->Sheet() != Sheet())
        return {};
    auto s = static_cast<TXLSectionKind>(sec->Number());
    TXLView* v = m_views[s];
    QRect r = m_state.RangeRect(s, cell.Range()) & v->rect();
    return r.translated(v->pos());
}

bool TXLGrid::EditorKeyPress(QKeyEvent& event)
{
    int key = event.key();
    Qt::KeyboardModifiers mods = event.modifiers();
    switch (key) {
    case Qt::Key_Escape:
        CloseEditor(false);
        return true;
    case Qt::Key_F2:
        if (mods != Qt::NoModifier)
            return false;
        m_host->SetMode(m_host->Mode() == emEntering ? emEditing : emEntering);
        Q_EMIT OnEditModeChanged();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (!HasOption(oTabKeys))
            return false;
        [[fallthrough]];
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!HasOption(oPermEdit)) {
            CloseEditor(true);
            if (EditorOpen())
                return true;  // the value could not be stored: stay
        }
        m_state.NavigationKey(key, mods & ~Qt::KeypadModifier);
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (EditMode() != emEntering || mods == Qt::AltModifier)
            return false;
        CloseEditor(true);
        if (EditorOpen())
            return true;
        m_state.NavigationKey(key, mods & ~Qt::KeypadModifier);
        return true;
    default:
        return false;
    }
}

bool TXLGrid::ActivateCell(TXLSectionKind pane, TXLCellPos pos, bool byKey)
{
    TXLCell* cell = m_state.FindCell(pane, pos.Col, pos.Row);
    if (!cell)
        return false;
    const TXLCellClass& cls = cell->CellClass();
    bool toggles = cls.InheritsFrom(TXLCBoolean::Class());
    if (toggles) {
        if (!CurrentWritable())
            return false;
        return byKey ? cell->HandleKey(' ') : (cell->Activate(), true);
    }
    if (!byKey && cls.InheritsFrom(TXLCUrl::Class())) {
        cell->Activate();
        return true;
    }
    return false;
}

// ---- keys -------------------------------------------------------------------

bool TXLGrid::event(QEvent* e)
{
    // Tab belongs to the grid only with oTabKeys.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) && HasOption(oTabKeys)) {
            keyPressEvent(k);
            return true;
        }
    }
    return QWidget::event(e);
}

TXLGrid* TXLGrid::LastFocused() { return g_lastFocused; }

void TXLGrid::ShowSelection()
{
    if (!m_selHidden)
        return;
    m_selHidden = false;
    Invalidate();
}

void TXLGrid::focusInEvent(QFocusEvent* event)
{
    g_lastFocused = this;
    QWidget::focusInEvent(event);
}

bool TXLGrid::focusNextPrevChild(bool next)
{
    if (HasOption(oTabKeys))
        return false;
    return QWidget::focusNextPrevChild(next);
}

void TXLGrid::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_Escape && m_tracker.Active()) {
        DamageTracking();
        m_tracker.Cancel();
        m_autoScroll.stop();
        if (HasOption(oPermEdit))
            OpenEditor(emEntering);
        return;
    }
    if (!Sheet()) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (mods & Qt::AltModifier) {
        event->accept();
        return;
    }
    if (key == Qt::Key_Escape) {
        if (EditorOpen())
            CloseEditor(false);
        else
            event->ignore();
        return;
    }
    if (EditorOpen() && EditorKeyPress(*event))
        return;
    if (key == Qt::Key_F2 && mods == Qt::NoModifier) {
        OpenEditor(emEditing);
        return;
    }
    if (key == Qt::Key_Space && !(mods & Qt::ControlModifier)) {
        TXLSectionKind s = m_state.CurPane();
        if (ActivateCell(s, m_state.Pane(s).Cur, true))
            return;
    }
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && !HasOption(oTabKeys)) {
        event->ignore();
        return;
    }
    // In a dialog, Enter belongs to the grid only while the cell can be edited.
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && qobject_cast<QDialog*>(window()) && !CurrentEditable()) {
        event->ignore();
        return;
    }
    if (m_state.NavigationKey(key, mods))
        return;
    QString text = event->text();
    bool typed = !(mods & Qt::ControlModifier) && !text.isEmpty() && text.at(0).isPrint();
    if (typed || key == Qt::Key_Backspace) {
        if (OpenEditor(emEntering)) {
            m_host->ForwardText(typed ? text : QStringLiteral("\b"));
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

void TXLGrid::UpdateInputMethod()
{
    // The input method's candidate window follows the current cell.
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled | Qt::ImCursorRectangle);
}

void TXLGrid::inputMethodEvent(QInputMethodEvent* event)
{
    TXLSectionKind s = m_state.CurPane();
    const TXLCellPos& cur = m_state.Pane(s).Cur;
    TXLRect block = m_state.BlockAt(s, cur.Col, cur.Row);
    if (!event->commitString().isEmpty()) {
        m_preedit.clear();
        Damage(s, block);
        if (OpenEditor(emEntering))
            m_host->ForwardText(event->commitString());
        event->accept();
        return;
    }
    QString pre = CurrentEditable() ? event->preeditString() : QString();
    if (pre != m_preedit) {
        m_preedit = pre;
        Damage(s, block);
    }
    event->accept();
}

QVariant TXLGrid::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled: return Sheet() != nullptr && CurrentEditable();
    case Qt::ImCursorRectangle:
    case Qt::ImAnchorRectangle: {
        if (!Sheet())
            return QRect();
        TXLSectionKind s = m_state.CurPane();
        const TXLCellPos& cur = m_state.Pane(s).Cur;
        QRect r = m_state.RangeRect(s, m_state.BlockAt(s, cur.Col, cur.Row));
        return r.translated(m_views[s]->pos());
    }
    case Qt::ImFont: return font();
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition: return static_cast<int>(m_preedit.size());
    case Qt::ImSurroundingText:
    case Qt::ImCurrentSelection: return QString();
    case Qt::ImHints: return static_cast<int>(Qt::ImhNone);
    default: return QWidget::inputMethodQuery(query);
    }
}

void TXLGrid::wheelEvent(QWheelEvent* event)
{
    event->accept();
    if (!Sheet() || m_tracker.Sizing())
        return;
    QPoint delta = event->angleDelta();
    if ((event->modifiers() & Qt::ControlModifier) && !HasOption(oFixScale)) {
        m_zoomWheel += delta.y();
        int steps = m_zoomWheel / kWheelStep;
        m_zoomWheel -= steps * kWheelStep;
        int scale = Scale();
        for (; steps > 0; --steps)
            scale = std::min(kMaxWheelScale, scale + (scale < 100 ? 15 : 25));
        for (; steps < 0; ++steps)
            scale = std::max(kMinScale, scale - (scale <= 100 ? 15 : 25));
        if (scale != Scale())
            SetScale(scale);
        return;
    }
    // High-resolution wheels send parts of a step: they add up to whole
    // steps first, so a small delta never scrolls, let alone the wrong way.
    int rowDef = std::max(1, Sheet()->RowDefHeight());
    for (TXLAxis axis : {sRows, sCols}) {
        int d = axis == sRows ? delta.y() : delta.x();
        if (d == 0)
            continue;
        m_wheel[axis] += d;
        int steps = m_wheel[axis] / kWheelStep;
        m_wheel[axis] -= steps * kWheelStep;
        if (steps == 0)
            continue;
        int whole = steps * kWheelStep;
        int n = (whole / 2) / (axis == sRows ? rowDef : std::max(1, Sheet()->ColDefWidth()));
        int lines = whole > 0 ? -(std::max(n, 0) + 1) : 1 - std::min(n, 0);
        m_state.ScrollLines(axis, lines);
    }
}

// ---- mouse ------------------------------------------------------------------

int TXLGrid::SheetIndex(TXLAxis axis, TXLBand band, int index) const
{
    if (band == bdClient || !Sheet())
        return index;
    return index - Sheet()->Count(axis, false);
}

TXLView* TXLGrid::ViewAt(const QPoint& globalPos) const
{
    for (TXLView* v : m_views)
        if (v->isVisible() && v->rect().contains(v->mapFromGlobal(globalPos)))
            return v;
    return nullptr;
}

QPoint TXLGrid::PanePoint(TXLSectionKind pane, const QPoint& globalPos) const
{
    return m_views[pane]->mapFromGlobal(globalPos);
}

void TXLGrid::PanePress(TXLView& view, QMouseEvent& event, bool doubleClick)
{
    HideHint();
    TXLSheet* sheet = Sheet();
    if (!sheet)
        return;
    setFocus(Qt::MouseFocusReason);
    TXLSectionKind s = view.Kind();
    QPoint pos = event.position().toPoint();
    m_lastMouse = view.mapToGlobal(pos);
    bool shift = event.modifiers() & Qt::ShiftModifier, ctrl = event.modifiers() & Qt::ControlModifier;
    TXLHit hit = m_state.HitTest(s, pos);
    if (hit.What == TXLHit::None)
        return;
    // Design mode: Ctrl, or any press while the cursor is in a title pane, makes the pressed pane current.
    if (DesignMode() && (ctrl || m_state.CurPane() != skClient) && s != m_state.CurPane())
        m_state.SetCurPane(s);

    if (event.button() == Qt::RightButton) {
        m_rightPressed = true;
        if (hit.What == TXLHit::OnCell && s == m_state.CurPane()) {
            const TXLRect& sel = m_state.Pane(s).Sel;
            if (!sel.Contains(hit.Cell.Col, hit.Cell.Row))
                m_state.PressCell(s, hit.Cell, false);
        }
        return;
    }
    if (event.button() != Qt::LeftButton)
        return;

    if (hit.What == TXLHit::ColDivider || hit.What == TXLHit::RowDivider) {
        TXLAxis axis = hit.What == TXLHit::ColDivider ? sCols : sRows;
        int index = SheetIndex(axis, hit.Band, hit.Index);
        if (doubleClick) {
            DamageTracking();
            m_tracker.Cancel();
            QPoint p = axis == sCols ? QPoint(index, 0) : QPoint(0, index);
            if (axis == sCols)
                Q_EMIT OnColDblClick(p);
            else
                Q_EMIT OnRowDblClick(p);
            return;
        }
        CloseEditor(true);
        int pixel = axis == sCols ? pos.x() : pos.y();
        int oldPixels = m_state.Sizes().List(axis, hit.Band).DiffItem(hit.Index);
        m_tracker.BeginSizing(axis, hit.Band, hit.Index, s, pixel, sheet->Sizes(index, axis), oldPixels);
        DamageTracking();
        return;
    }

    // A click on another cell while a formula takes references goes to the editor.
    if (EditorOpen() && m_host->ForwardsClicks() && s == m_state.CurPane()) {
        const TXLPaneState& p = m_state.Pane(s);
        TXLRect block = m_state.BlockAt(s, hit.Cell.Col, hit.Cell.Row);
        if (!(TXLCellPos{block.Left, block.Top} == p.Cur)) {
            const TXLSection& sec = sheet->Section(s);
            m_host->GridClick({sec.SheetCol(block.Left), sec.SheetRow(block.Top)});
            return;
        }
    }

    if (!m_state.PressCell(s, hit.Cell, shift))
        return;
    if (doubleClick) {
        m_tracker.Reset();
        TXLSectionKind cs = m_state.CurPane();
        TXLCellPos cur = m_state.Pane(cs).Cur;
        const TXLSection& sec = sheet->Section(cs);
        QPoint where{sec.SheetCol(cur.Col), sec.SheetRow(cur.Row)};
        if (s == cs && !ActivateCell(cs, cur, false) && CurrentEditable()) {
            const TXLCell* cell = m_state.FindCell(cs, cur.Col, cur.Row);
            bool empty = !cell || cell->Text().empty();
            OpenEditor(empty || HasOption(oPermEdit) ? emEntering : emEditing);
        }
        Q_EMIT OnCellDblClick(where);
        if (sheet->OnCellDblClick)
            sheet->OnCellDblClick(*sheet, where.x(), where.y());
        return;
    }
    if (!shift && s == m_state.CurPane() && HasOption(oPermEdit))
        OpenEditor(emEntering);
    m_tracker.BeginSelecting(s);
    m_autoScroll.start();
}

void TXLGrid::PaneMove(TXLView& view, QMouseEvent& event)
{
    QPoint pos = event.position().toPoint();
    m_lastMouse = view.mapToGlobal(pos);
    if (m_tracker.Sizing()) {
        TXLView& from = *m_views[m_tracker.Pane()];
        QPoint p = from.mapFromGlobal(m_lastMouse);
        DamageTracking();
        int size = m_tracker.DragTo(m_tracker.Axis() == sCols ? p.x() : p.y(), Scale());
        if (TXLSheet* sheet = Sheet(); sheet && sheet->OnSizing) {
            TXLAxis axis = m_tracker.Axis();
            sheet->OnSizing(*sheet, axis, size, SheetIndex(axis, m_tracker.Band(), m_tracker.Index()));
            m_tracker.SetCurSize(std::max(kMinDragSize, size));
        }
        DamageTracking();
        return;
    }
    if (m_tracker.Selecting()) {
        if (event.buttons() & Qt::LeftButton) {
            TXLSectionKind s = m_tracker.Pane();
            m_tracker.DragTo(0, Scale());
            TXLCellPos cell;
            m_state.CellAt(s, PanePoint(s, m_lastMouse), cell);
            m_state.DragTo(s, cell);
        }
        return;
    }
    if (!Sheet())
        return;
    TXLHit hit = m_state.HitTest(view.Kind(), pos);
    if (hit.What == TXLHit::ColDivider)
        view.setCursor(Qt::SplitHCursor);
    else if (hit.What == TXLHit::RowDivider)
        view.setCursor(Qt::SplitVCursor);
    else
        view.unsetCursor();
    UpdateHint(view, pos);
}

void TXLGrid::PaneRelease(TXLView& view, QMouseEvent& event)
{
    m_autoScroll.stop();
    QPoint pos = event.position().toPoint();
    if (event.button() == Qt::RightButton) {
        bool over = m_rightPressed;
        m_rightPressed = false;
        TXLCellPos cell;
        if (over && m_popup && m_state.CellAt(view.Kind(), pos, cell))
            m_popup->popup(view.mapToGlobal(pos));
        return;
    }
    if (event.button() != Qt::LeftButton)
        return;
    if (m_tracker.Sizing()) {
        FinishSizing(event.modifiers() & Qt::AltModifier);
        return;
    }
    if (!m_tracker.Selecting()) {
        m_tracker.Reset();
        return;
    }
    m_tracker.Release();
    TXLSheet* sheet = Sheet();
    TXLSectionKind s = m_tracker.Pane();
    m_tracker.Reset();
    if (!sheet)
        return;
    TXLCellPos cell;
    m_state.CellAt(s, PanePoint(s, view.mapToGlobal(pos)), cell);
    TXLRect block = m_state.BlockAt(s, cell.Col, cell.Row);
    m_state.ScrollIntoView(s, block);
    const TXLSection& sec = sheet->Section(s);
    QPoint where{sec.SheetCol(block.Left), sec.SheetRow(block.Top)};
    Q_EMIT OnCellClick(where);
    if (sheet->OnCellClick)
        sheet->OnCellClick(*sheet, where.x(), where.y());
}

void TXLGrid::FinishSizing(bool alt)
{
    DamageTracking();
    bool store = m_tracker.StoresSize();
    m_tracker.Release();
    TXLSheet* sheet = Sheet();
    if (store && sheet) {
        TXLAxis axis = m_tracker.Axis();
        int size = m_tracker.CurSize();
        int index = SheetIndex(axis, m_tracker.Band(), m_tracker.Index());
        const TXLPaneState& p = m_state.Pane(m_state.CurPane());
        TXLRect sheetSel = p.Selection ? p.Selection->SheetRect() : TXLRect{};
        TXLUpdateGuard bracket(*sheet);
        if (alt && !sheetSel.IsEmpty()) {
            int from = axis == sCols ? sheetSel.Left : sheetSel.Top;
            int to = axis == sCols ? sheetSel.Right : sheetSel.Bottom;
            for (int i = from; i < to; ++i)
                sheet->SetSizes(i, axis, size);
        } else {
            sheet->SetSizes(index, axis, size);
        }
    }
    m_tracker.Reset();
    if (HasOption(oPermEdit))
        OpenEditor(emEntering);
}

void TXLGrid::PaneLeave(TXLView& view)
{
    if (!m_tracker.Active() && m_hintShown && m_hintPane == view.Kind())
        HideHint();
}

void TXLGrid::AutoScroll()
{
    if (!m_tracker.Selecting() || !Sheet()) {
        m_autoScroll.stop();
        return;
    }
    TXLView& client = *m_views[skClient];
    QPoint p = client.mapFromGlobal(m_lastMouse);
    TXLSectionKind s = m_tracker.Pane();
    if (m_state.ScrollsX(s)) {
        if (p.x() < 0)
            m_state.ScrollLines(sCols, -1);
        else if (p.x() >= client.width())
            m_state.ScrollLines(sCols, 1);
    }
    if (m_state.ScrollsY(s)) {
        if (p.y() < 0)
            m_state.ScrollLines(sRows, -1);
        else if (p.y() >= client.height())
            m_state.ScrollLines(sRows, 1);
    }
    TXLCellPos cell;
    m_state.CellAt(s, PanePoint(s, m_lastMouse), cell);
    m_state.DragTo(s, cell);
}

// ---- hints ------------------------------------------------------------------

void TXLGrid::UpdateHint(TXLView& view, const QPoint& pos)
{
    TXLSheet* sheet = Sheet();
    TXLCellPos cell;
    if (!m_showHints || !sheet || m_tracker.Active() || !m_state.CellAt(view.Kind(), pos, cell)) {
        HideHint();
        return;
    }
    TXLSectionKind s = view.Kind();
    TXLRect block = m_state.BlockAt(s, cell.Col, cell.Row);
    const TXLSection& sec = sheet->Section(s);
    QPoint where{sec.SheetCol(block.Left), sec.SheetRow(block.Top)};
    if (m_hintShown && where == m_hintCell && s == m_hintPane)
        return;
    std::string text = sheet->GetCellHint(where.x(), where.y());
    if (text.empty()) {
        HideHint();
        return;
    }
    HideHint();
    m_hint->setFont(font());
    m_hint->SetText(ToQString(text));
    QSize size = m_hint->size();
    m_hintGeometry = s == skClient ? TXLHintGeometry::ForCell(m_state.RangeRect(s, block), size)
                                   : TXLHintGeometry::AtPoint(pos + QPoint(12, 16), size);
    m_hintPane = s;
    m_hintCell = where;
    m_hintShown = true;
    m_hint->ShowAt(view.mapToGlobal(m_hintGeometry.Window.topLeft()));
    view.update(m_hintGeometry.Damage());
}

void TXLGrid::HideHint()
{
    if (m_hint && m_hint->isVisible())
        m_hint->hide();  // Hidden repaints what the pointer covered
}

}  // namespace xlgridui
