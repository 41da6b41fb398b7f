#pragma once
// The mouse-tracking state of a grid: none, pressed, dragging, then
// released or cancelled (Esc or a double-click); what is tracked (a
// selection, or the size of a column or row) and for sizing the divider,
// the pixel where the drag started and the size before it.

#include "xlgrid/sheet.h"

namespace xlgridui {

// Sizes cannot be dragged below this, in sheet units.
inline constexpr int kMinDragSize = 5;
// A drag inside the client pane shorter than this is a click.
inline constexpr int kMinClientDrag = 5;

class TXLMouseTracker {
public:
    enum TState : uint8_t { tsNone, tsPressed, tsDragging, tsReleased, tsCancelled };
    enum TKind : uint8_t { tkSelecting, tkSizingCol, tkSizingRow };

    void BeginSelecting(xlgrid::TXLSectionKind pane);
    // oldSize in sheet units, oldPixels its scaled size.
    void BeginSizing(xlgrid::TXLAxis axis, xlgrid::TXLBand band, int index, xlgrid::TXLSectionKind pane,
                     int startPixel, int oldSize, int oldPixels);
    // The size (sheet units) for the mouse at `pixel`: the drag distance
    // added to the size before the drag, never below kMinDragSize.
    int SizeAt(int pixel, int scale) const;
    // Moves the drag; returns the new size (sizing) and marks dragging.
    int DragTo(int pixel, int scale);
    // The sheet's OnSizing handler may correct the dragged size.
    void SetCurSize(int size) { m_curSize = size; }
    void Cancel() { m_state = tsCancelled; }
    void Release() { m_state = tsReleased; }
    void Reset() { m_state = tsNone; }

    bool Active() const { return m_state == tsPressed || m_state == tsDragging; }
    bool Sizing() const { return Active() && m_kind != tkSelecting; }
    bool Selecting() const { return Active() && m_kind == tkSelecting; }
    // Whether a release stores the size: a client-pane drag must be long enough.
    bool StoresSize() const;

    TState State() const { return m_state; }
    TKind Kind() const { return m_kind; }
    xlgrid::TXLSectionKind Pane() const { return m_pane; }
    xlgrid::TXLAxis Axis() const { return m_axis; }
    xlgrid::TXLBand Band() const { return m_band; }
    int Index() const { return m_index; }
    int OldSize() const { return m_oldSize; }
    int CurSize() const { return m_curSize; }
    int StartPixel() const { return m_start; }

private:
    TState m_state = tsNone;
    TKind m_kind = tkSelecting;
    xlgrid::TXLSectionKind m_pane = xlgrid::skClient;
    xlgrid::TXLAxis m_axis = xlgrid::sCols;
    xlgrid::TXLBand m_band = xlgrid::bdClient;
    int m_index = -1;
    int m_start = 0;
    int m_oldSize = 0;
    int m_oldPixels = 0;
    int m_curSize = 0;
    int m_maxDistance = 0;
};

}  // namespace xlgridui
