#pragma once
// The calls the grid makes on its in-cell editor host, in one place. The
// host (TXLEdit) opens one editor control over a cell, loads and stores the
// cell and hands leaving keys back through IXLEditGrid::EditorKeyPress.
// Tests put a stand-in in its place.

#include "xlgridui/editgrid.h"

#include <QString>

#include <memory>

namespace xlgrid {
struct TXLCellClass;
}

namespace xlgridui {

class IXLEditHost {
public:
    virtual ~IXLEditHost() = default;
    // Whether the registry has an editor for the value class.
    virtual bool HasEditor(const xlgrid::TXLCellClass& cls) const = 0;
    // False when opening failed; the host then stays closed.
    virtual bool Open(xlgrid::TXLCell& cell, TXLEditMode mode) = 0;
    virtual void Close(bool store) = 0;
    // The cell's rectangle moved (scroll, zoom, size change).
    virtual void Reposition() = 0;
    // Typed characters or committed input-method text, in entering mode;
    // "\b" is the Backspace key, which clears the text.
    virtual void ForwardText(const QString& text) = 0;
    virtual void SetMode(TXLEditMode mode) = 0;
    virtual TXLEditMode Mode() const = 0;
    virtual bool IsOpen() const = 0;
    // Whether a click on another cell goes to the editor (a formula taking
    // a reference) instead of moving the current cell.
    virtual bool ForwardsClicks() const = 0;
    virtual void GridClick(const QPoint& sheetCell) = 0;
};

// The real host (TXLEdit) for a grid.
std::unique_ptr<IXLEditHost> MakeEditHost(IXLEditGrid& grid);

}  // namespace xlgridui
