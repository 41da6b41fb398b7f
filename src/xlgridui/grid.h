#pragma once
// The grid control: shows one sheet in four panes (corner, column titles,
// row titles, client) and lets the user move, select, size, zoom and edit
// in place.
//
// The grid keeps no cell data: it draws from the sheet and registers with it
// as a user, repainting exactly what the sheet reports. Several grids may
// show one sheet. Its own state (sizes, scroll, cursor and selection per
// pane, mouse tracking) lives in plain objects; the widget draws and
// forwards input. The in-cell editor host is reached through IXLEditHost.

#include "xlgridui/editgrid.h"
#include "xlgridui/gridedithost.h"
#include "xlgridui/gridstate.h"
#include "xlgridui/gridtypes.h"
#include "xlgridui/hintwindow.h"
#include "xlgridui/mousetracker.h"

#include "xlgrid/sheet.h"

#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class QMenu;
class QScrollBar;

namespace xlgridui {

class TXLView;

class TXLGrid : public QWidget, public xlgrid::IXLSheetUser, public IXLEditGrid, private IXLGridStateOwner {
    Q_OBJECT
public:
    explicit TXLGrid(QWidget* parent = nullptr);
    ~TXLGrid() override;

    // Published properties
    xlgrid::TXLSheet* Sheet() const { return m_state.Sheet(); }
    // Ends any edit, detaches from the old sheet, attaches to the new one.
    void SetSheet(xlgrid::TXLSheet* sheet);
    int Scale() const { return m_state.Scale(); }
    void SetScale(int scale);
    TXLOptions Options() const { return m_state.Options(); }
    void SetOptions(TXLOptions options);
    bool HasOption(TXLOption o) const { return m_state.Has(o); }
    void SetOption(TXLOption o, bool on);
    TXLScrolls Scrolls() const { return m_scrolls; }
    void SetScrolls(TXLScrolls scrolls);
    TXLDirection EnterDir() const { return m_state.EnterDir(); }
    void SetEnterDir(TXLDirection d) { m_state.SetEnterDir(d); }
    TXLGrid* HorzLink() const { return m_link[xlgrid::sCols]; }
    void SetHorzLink(TXLGrid* grid) { SetLink(xlgrid::sCols, grid); }
    TXLGrid* VertLink() const { return m_link[xlgrid::sRows]; }
    void SetVertLink(TXLGrid* grid) { SetLink(xlgrid::sRows, grid); }
    bool DesignMode() const { return m_state.DesignMode(); }
    void SetDesignMode(bool on);
    TXLEditMode EditMode() const;
    // emNone closes the editor keeping the typed value; the others open it.
    void SetEditMode(TXLEditMode mode);
    bool ShowHints() const { return m_showHints; }
    void SetShowHints(bool on);
    // The menu shown when the right button is released over a pane's used area.
    void SetPopupMenu(QMenu* menu) { m_popup = menu; }

    // Operations
    int Col() const { return m_state.CurCell().x(); }
    int Row() const { return m_state.CurCell().y(); }
    void SetCol(int col) { SetCurCell({col, Row()}); }
    void SetRow(int row) { SetCurCell({Col(), row}); }
    QPoint CurCell() const { return m_state.CurCell(); }
    // Makes the pane holding the cell current and moves there, collapsing
    // the selection and scrolling the cell into view.
    void SetCurCell(QPoint sheetCell);
    xlgrid::TXLSelection* Selection() const { return m_state.Pane(m_state.CurPane()).Selection.get(); }
    void SelectAll() { m_state.SelectAll(); }
    // Selects a range of a section (local cells, right and bottom
    // exclusive) as a Shift+click would: clamped into the section, widened
    // over the merged blocks it touches, the current cell on its top-left
    // corner and scrolled into view. Title sections only in design mode.
    void SelectRange(xlgrid::TXLSectionKind section, const xlgrid::TXLRect& rect);
    // Takes the highlight off until the next selection change.
    void HideSelection();
    void Invalidate();

    // The grid that last had the focus (the sheet actions work on it), or none.
    static TXLGrid* LastFocused();
    // Puts the highlight back after HideSelection, the selection unchanged
    // (a search that finds the cell already selected shows it again).
    void ShowSelection();
    bool SelectionHidden() const { return m_selHidden; }

    void SetEditHost(std::unique_ptr<IXLEditHost> host);
    IXLEditHost* EditHost() const { return m_host.get(); }
    TXLView* View(xlgrid::TXLSectionKind s) const { return m_views[s]; }
    const TXLGridState& State() const { return m_state; }
    const TXLMouseTracker& Tracker() const { return m_tracker; }
    TXLHintWindow* HintWindow() const { return m_hint; }
    const QString& PreeditText() const { return m_preedit; }

    // IXLSheetUser
    void RangeChanged(xlgrid::TXLSectionKind section, const xlgrid::TXLRect& rect, xlgrid::TXLRepaint what) override;
    void SectionChanged(xlgrid::TXLSectionKind section) override;
    void SheetChanged() override;
    void PrintChanged() override;
    void SizesChanged(xlgrid::TXLAxes axes, xlgrid::TXLBand band) override;
    void SectorsMoved(xlgrid::TXLAxis axis, xlgrid::TXLBand band, int count, int index) override;
    void SizeChanged(xlgrid::TXLAxis axis, int index, xlgrid::TXLBand band) override;
    void CellsFormatted(xlgrid::TXLSectionKind section, const xlgrid::TXLRect* rect) override;
    void SheetDestroying() override;
    void CellChanged(xlgrid::TXLCell* cell) override;
    void UnionsChanged() override;

    // IXLEditGrid
    QWidget* GridWidget() override { return this; }
    xlgrid::TXLSheet* EditedSheet() const override { return Sheet(); }
    int GridScale() const override { return Scale(); }
    bool Edit3D() const override { return HasOption(oEdit3D); }
    QRect EditorCellRect(const xlgrid::TXLCell& cell) const override;
    bool EditorKeyPress(QKeyEvent& event) override;
    void EditorClosed() override;

    QSize sizeHint() const override { return {400, 300}; }
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

Q_SIGNALS:
    // Sheet coordinates of the cell.
    void OnCellClick(QPoint cell);
    void OnCellDblClick(QPoint cell);
    // x: the column (OnColDblClick) or y: the row; title indexes count from -1 backwards.
    void OnColDblClick(QPoint divider);
    void OnRowDblClick(QPoint divider);
    void OnSelChanged();
    void OnCurChanged();
    void OnSheetChanged();
    void OnEditModeChanged();
    void OnScaleChanged();
    void OnChange();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    friend class TXLView;
    // The inverted band just outside a selection in the current pane.
    static constexpr int kSelectionBand = 3;

    // From the panes
    void PaintPane(TXLView& view, QPainter& painter, const QRect& area);
    void PanePress(TXLView& view, QMouseEvent& event, bool doubleClick);
    void PaneMove(TXLView& view, QMouseEvent& event);
    void PaneRelease(TXLView& view, QMouseEvent& event);
    void PaneLeave(TXLView& view);

    // IXLGridStateOwner
    void CloseEditorKeeping() override { CloseEditor(true); }
    void CursorMoved(xlgrid::TXLSectionKind pane, xlgrid::TXLCellPos old) override;
    void SelectionChanged(xlgrid::TXLSectionKind pane, const xlgrid::TXLRect& old, const xlgrid::TXLRect& now) override;
    void Scrolled(int64_t oldX, int64_t oldY) override;

    // Editing
    bool OpenEditor(TXLEditMode mode);
    void CloseEditor(bool store);
    bool EditorOpen() const;
    bool CurrentEditable() const;
    bool CurrentWritable() const;
    xlgrid::TXLCell* CurrentCellObject() const;
    // Boolean and group cells toggle, links open.
    bool ActivateCell(xlgrid::TXLSectionKind pane, xlgrid::TXLCellPos cell, bool byKey);
    void UpdateInputMethod();

    // Layout and repainting
    void Relayout();
    void UpdateScrollBars();
    void Damage(xlgrid::TXLSectionKind pane, const xlgrid::TXLRect& range, int grow = 0);
    void DamageFrom(xlgrid::TXLAxis axis, xlgrid::TXLBand band, int index);
    void DamageTitles(const xlgrid::TXLRect& sel);
    void DamageTracking();
    QRect TrackingLine(TXLView& view) const;
    void SheetStructureChanged();
    void SetLink(xlgrid::TXLAxis axis, TXLGrid* grid);
    void FollowLink(xlgrid::TXLAxis axis);
    void ScrollBarAction(xlgrid::TXLAxis axis, int action);

    // Mouse helpers
    TXLView* ViewAt(const QPoint& globalPos) const;
    QPoint PanePoint(xlgrid::TXLSectionKind pane, const QPoint& globalPos) const;
    void AutoScroll();
    void UpdateHint(TXLView& view, const QPoint& pos);
    void HideHint();
    void FinishSizing(bool alt);
    int SheetIndex(xlgrid::TXLAxis axis, xlgrid::TXLBand band, int index) const;
    int CellStateMarks(xlgrid::TXLSectionKind pane, int col, int row) const;
    void PaintSelection(TXLView& view, QPainter& painter);
    void PaintTitleHighlight(xlgrid::TXLSectionKind pane, QPainter& painter);
    void PaintPageBreaks(QPainter& painter);
    void PaintHintPointer(TXLView& view, QPainter& painter);

    TXLGridState m_state;
    TXLMouseTracker m_tracker;
    TXLView* m_views[4] = {};
    QScrollBar* m_bars[2] = {};
    std::unique_ptr<IXLEditHost> m_host;
    TXLHintWindow* m_hint = nullptr;
    TXLHintGeometry m_hintGeometry;
    xlgrid::TXLSectionKind m_hintPane = xlgrid::skClient;
    QPoint m_hintCell{-1, -1};
    bool m_hintShown = false;
    QMenu* m_popup = nullptr;
    TXLGrid* m_link[2] = {};
    TXLScrolls m_scrolls = kDefaultScrolls;
    bool m_showHints = true;
    bool m_selHidden = false;
    bool m_inEditorCall = false;
    bool m_following = false;
    bool m_updatingBars = false;
    int m_updates = 0;
    int m_wheel[2] = {0, 0};
    int m_zoomWheel = 0;
    QString m_preedit;
    QTimer m_autoScroll;
    QPoint m_lastMouse;  // global, for the auto-scroll timer
    bool m_rightPressed = false;
    mutable bool m_breaksStale = true;
    mutable std::vector<int> m_colBreaks, m_rowBreaks;
};

}  // namespace xlgridui
