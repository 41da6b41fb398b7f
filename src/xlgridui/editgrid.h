#pragma once
// The seam between the grid and its in-cell editor host (TXLEdit).
//
// The grid owns one host, a child widget of the grid. The grid decides when
// the host opens and closes; the host decides which editor control to use
// for a cell, loads and stores the cell, and hands the keys that leave the
// editor (arrows in entering mode, Enter, Tab, Esc, F2) back to the grid.
// The host knows the grid only through IXLEditGrid, so either side can be
// tested with a stand-in for the other.

#include <QRect>

class QKeyEvent;
class QWidget;

namespace xlgrid {
class TXLCell;
class TXLSheet;
}  // namespace xlgrid

namespace xlgridui {

// Whether and how the in-cell editor is open: opened by typing (arrow keys
// leave the cell) or by F2 or a double-click (arrow keys move the caret).
enum TXLEditMode : int { emNone = 0, emEntering = 1, emEditing = 2 };

// What the host asks of the grid that owns it.
class IXLEditGrid {
public:
    virtual ~IXLEditGrid() = default;
    // The widget the host lives in (the host's parent).
    virtual QWidget* GridWidget() = 0;
    virtual xlgrid::TXLSheet* EditedSheet() const = 0;
    // Zoom in percent (cell fonts are scaled by it).
    virtual int GridScale() const = 0;
    // The grid option oEdit3D: the host grows 2 pixels each side for a sunken border.
    virtual bool Edit3D() const = 0;
    // The cell's rectangle (its whole merged block) in GridWidget() coordinates,
    // clipped to the pane it lies in.
    virtual QRect EditorCellRect(const xlgrid::TXLCell& cell) const = 0;
    // A key the editor received, before the editor handles it. Returns true
    // when the grid took it (navigation that leaves the editor, Enter, Tab,
    // Esc, F2): the editor then ignores it.
    virtual bool EditorKeyPress(QKeyEvent& event) = 0;
    // The host closed (stored or not), or an open failed. The host has given
    // the grid back its tab stop (removed while an editor is open) and the
    // focus; the grid may repaint the cell and restore its own state.
    virtual void EditorClosed() = 0;
};

}  // namespace xlgridui
