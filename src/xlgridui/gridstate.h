#pragma once
// What a grid knows besides the sheet: the scaled sizes, the scroll
// position, and per pane the current cell and the selection; and the rules
// that move them (selectable cells, the walk to the next selectable cell,
// the key table, selecting with the mouse).
//
// A plain object: the widget forwards keys and mouse positions in pane
// pixels and draws what the owner interface reports. Each of the four panes
// shows one section; pane coordinates are local to the section. Only the
// client scroll position exists: the column-title pane follows it
// horizontally, the row-title pane vertically, the corner never scrolls.
// Nothing here is per cell: a million-row sheet costs the same as a small one.

#include "xlgridui/gridsizes.h"
#include "xlgridui/gridtypes.h"

#include "xlgrid/range.h"

#include <QPoint>
#include <QRect>
#include <Qt>

#include <functional>
#include <memory>
#include <optional>

namespace xlgridui {

struct TXLPaneState {
    xlgrid::TXLSectionKind Section = xlgrid::skClient;
    // Local; always the top-left cell of a merged block.
    xlgrid::TXLCellPos Cur;
    // Local, right and bottom exclusive.
    xlgrid::TXLRect Sel;
    // The selection as a range object (formats of its top-left cell).
    std::unique_ptr<xlgrid::TXLSelection> Selection;
};

// What the state tells the widget that owns it.
class IXLGridStateOwner {
public:
    virtual ~IXLGridStateOwner() = default;
    // Before the current cell changes: the editor closes, keeping its value.
    virtual void CloseEditorKeeping() = 0;
    // After the current cell changed (the editor reopens with oPermEdit).
    virtual void CursorMoved(xlgrid::TXLSectionKind pane, xlgrid::TXLCellPos old) = 0;
    virtual void SelectionChanged(xlgrid::TXLSectionKind pane, const xlgrid::TXLRect& old, const xlgrid::TXLRect& now) = 0;
    virtual void Scrolled(int64_t oldX, int64_t oldY) = 0;
};

// Where a pane pixel lies: on a cell, or on the divider after a column or row.
struct TXLHit {
    enum Kind : uint8_t { None, OnCell, ColDivider, RowDivider } What = None;
    xlgrid::TXLCellPos Cell;  // local cell under the point (also for dividers)
    int Index = -1;           // the sized column or row (local to its band)
    xlgrid::TXLBand Band = xlgrid::bdClient;
};

class TXLGridState {
public:
    explicit TXLGridState(IXLGridStateOwner* owner = nullptr) : m_owner(owner) {}

    void SetOwner(IXLGridStateOwner* owner) { m_owner = owner; }
    // Binds the panes to the sheet's sections; the current cell goes to the
    // first selectable client cell.
    void SetSheet(xlgrid::TXLSheet* sheet);
    xlgrid::TXLSheet* Sheet() const { return m_sheet; }

    int Scale() const { return m_scale; }
    // Clamped to 25..500; rebuilds the sizes and keeps the scroll position
    // on the same column and row starts. Returns whether it changed.
    bool SetScale(int scale);
    TXLOptions Options() const { return m_options; }
    void SetOptions(TXLOptions options) { m_options = options; }
    bool Has(TXLOption o) const { return (m_options & OptionBit(o)) != 0; }
    bool DesignMode() const { return m_design; }
    void SetDesignMode(bool on);
    TXLDirection EnterDir() const { return m_enterDir; }
    void SetEnterDir(TXLDirection d) { m_enterDir = d; }
    TXLDirection LastDir() const { return m_lastDir; }
    // The in-cell editor registry: whether a value class has an editor.
    std::function<bool(const xlgrid::TXLCellClass&)> HasEditor;

    TXLGridSizes& Sizes() { return m_sizes; }
    const TXLGridSizes& Sizes() const { return m_sizes; }
    void RebuildSizes() { m_sizes.Rebuild(m_sheet, m_scale); }
    // After the sheet's counts or merged ranges changed: cursors and
    // selections are clamped into their sections and onto block corners.
    void Revalidate();

    // Panes
    TXLPaneState& Pane(xlgrid::TXLSectionKind s) { return m_panes[s]; }
    const TXLPaneState& Pane(xlgrid::TXLSectionKind s) const { return m_panes[s]; }
    xlgrid::TXLSectionKind CurPane() const { return m_cur; }
    // Makes another pane current (design mode); the editor closes.
    void SetCurPane(xlgrid::TXLSectionKind s);
    int ColCount(xlgrid::TXLSectionKind s) const { return m_sizes.Cols(s).Count(); }
    int RowCount(xlgrid::TXLSectionKind s) const { return m_sizes.Rows(s).Count(); }
    xlgrid::TXLRect Bounds(xlgrid::TXLSectionKind s) const { return {0, 0, ColCount(s), RowCount(s)}; }
    // Sheet coordinates of the current cell.
    QPoint CurCell() const;
    // Sheet coordinates to a pane and local position; false without a sheet.
    bool Resolve(QPoint sheetPos, xlgrid::TXLSectionKind& pane, xlgrid::TXLCellPos& local) const;

    // Cells
    bool IsSelectable(xlgrid::TXLSectionKind s, int col, int row) const;
    bool IsEditable(xlgrid::TXLSectionKind s, int col, int row) const;
    // The merged block at a local position, or the single cell.
    xlgrid::TXLRect BlockAt(xlgrid::TXLSectionKind s, int col, int row) const;
    // Widens a rectangle until it holds every merged block it touches.
    xlgrid::TXLRect Widen(xlgrid::TXLSectionKind s, xlgrid::TXLRect rect) const;
    // The cell shown at a local position (a merged block's top-left cell);
    // the cells are the sheet's, so the grid may change what it finds.
    xlgrid::TXLCell* FindCell(xlgrid::TXLSectionKind s, int col, int row) const;

    // Moving
    // Returns whether the current cell changed.
    bool MoveCursor(xlgrid::TXLSectionKind s, xlgrid::TXLCellPos target, bool collapse, bool scroll);
    std::optional<xlgrid::TXLCellPos> StepToSelectable(xlgrid::TXLSectionKind s, xlgrid::TXLCellPos start,
                                                       TXLDirection dir, bool withinSelection) const;
    void SetSelection(xlgrid::TXLSectionKind s, const xlgrid::TXLRect& rect);
    void SelectAll();
    // The navigation keys of the key table (arrows, Home, End, Page Up and
    // Down, Enter, Tab with their modifiers). Returns whether the key was one.
    bool NavigationKey(int key, Qt::KeyboardModifiers mods);

    // Scrolling (client pane, content pixels)
    void SetViewport(int width, int height);
    int ViewWidth() const { return m_viewW; }
    int ViewHeight() const { return m_viewH; }
    int64_t ScrollX() const { return m_scrollX; }
    int64_t ScrollY() const { return m_scrollY; }
    int64_t MaxScroll(xlgrid::TXLAxis axis) const;
    // Clamped into range; returns whether anything moved.
    bool ScrollTo(int64_t x, int64_t y);
    // By whole columns (rows), landing on a start.
    void ScrollLines(xlgrid::TXLAxis axis, int lines);
    // The start of the column (row) that holds a content pixel.
    int64_t SnapToStart(xlgrid::TXLAxis axis, int64_t pos) const;
    void ScrollIntoView(xlgrid::TXLSectionKind s, const xlgrid::TXLRect& range);

    // Geometry in pane pixels
    bool ScrollsX(xlgrid::TXLSectionKind s) const { return TXLGridSizes::ColBand(s) == xlgrid::bdClient; }
    bool ScrollsY(xlgrid::TXLSectionKind s) const { return TXLGridSizes::RowBand(s) == xlgrid::bdClient; }
    QPoint Origin(xlgrid::TXLSectionKind s) const;
    QRect RangeRect(xlgrid::TXLSectionKind s, const xlgrid::TXLRect& range) const;
    // The local cell under a pane pixel, clamped into the section; false
    // outside the used area.
    bool CellAt(xlgrid::TXLSectionKind s, QPoint p, xlgrid::TXLCellPos& cell) const;
    // The first and last local cell a pixel rectangle touches.
    xlgrid::TXLRect CellsIn(xlgrid::TXLSectionKind s, const QRect& pixels) const;
    // Nothing without a sheet or on a read-only sheet.
    TXLHit HitTest(xlgrid::TXLSectionKind s, QPoint p) const;

    // Mouse selection: the clicked cell of a pane (see the press rules).
    // Returns false when the press selects nothing.
    bool PressCell(xlgrid::TXLSectionKind s, xlgrid::TXLCellPos cell, bool shift);
    // Extends the selection from the current cell to the cell under the mouse.
    void DragTo(xlgrid::TXLSectionKind s, xlgrid::TXLCellPos cell);

private:
    xlgrid::TXLSection& Section(xlgrid::TXLSectionKind s) const { return m_sheet->Section(s); }
    bool Hidden(xlgrid::TXLSectionKind s, xlgrid::TXLAxis axis, int index) const;
    void Notify(const std::function<void(IXLGridStateOwner&)>& f)
    {
        if (m_owner)
            f(*m_owner);
    }
    bool Step(xlgrid::TXLSectionKind s, const xlgrid::TXLRect& area, bool wrap, TXLDirection dir,
              xlgrid::TXLCellPos& pos) const;
    bool ExtendSelection(int key);
    void MoveTo(xlgrid::TXLSectionKind s, xlgrid::TXLCellPos target, TXLDirection correction, bool wrapCorrection);
    void PageMove(bool down, bool ctrl);
    bool EnterMove(TXLDirection dir);
    xlgrid::TXLRect BandSelection(xlgrid::TXLSectionKind pressed, xlgrid::TXLCellPos from, xlgrid::TXLCellPos to) const;

    IXLGridStateOwner* m_owner;
    xlgrid::TXLSheet* m_sheet = nullptr;
    TXLGridSizes m_sizes;
    TXLPaneState m_panes[4];
    xlgrid::TXLSectionKind m_cur = xlgrid::skClient;
    // The pane a title-band selection was started from (client otherwise).
    xlgrid::TXLSectionKind m_band = xlgrid::skClient;
    int m_scale = 100;
    TXLOptions m_options = kDefaultOptions;
    bool m_design = false;
    TXLDirection m_enterDir = dAuto;
    TXLDirection m_lastDir = dDown;
    int m_viewW = 0, m_viewH = 0;
    int64_t m_scrollX = 0, m_scrollY = 0;
};

}  // namespace xlgridui
