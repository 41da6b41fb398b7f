#include "xlgridui/mousetracker.h"

#include "xlgridui/gridsizes.h"

#include <algorithm>
#include <cstdlib>

namespace xlgridui {

using namespace xlgrid;

void TXLMouseTracker::BeginSelecting(TXLSectionKind pane)
{
    m_state = tsPressed;
    m_kind = tkSelecting;
    m_pane = pane;
}

void TXLMouseTracker::BeginSizing(TXLAxis axis, TXLBand band, int index, TXLSectionKind pane, int startPixel,
                                  int oldSize, int oldPixels)
{
    m_state = tsPressed;
    m_kind = axis == sCols ? tkSizingCol : tkSizingRow;
    m_axis = axis;
    m_band = band;
    m_index = index;
    m_pane = pane;
    m_start = startPixel;
    m_oldSize = oldSize;
    m_oldPixels = oldPixels;
    m_curSize = oldSize;
    m_maxDistance = 0;
}

int TXLMouseTracker::SizeAt(int pixel, int scale) const
{
    int pixels = pixel - m_start + m_oldPixels;
    return std::max(kMinDragSize, TXLGridSizes::Unscaled(pixels, scale));
}

int TXLMouseTracker::DragTo(int pixel, int scale)
{
    if (!Active())
        return m_curSize;
    m_state = tsDragging;
    m_maxDistance = std::max(m_maxDistance, std::abs(pixel - m_start));
    if (m_kind != tkSelecting)
        m_curSize = SizeAt(pixel, scale);
    return m_curSize;
}

bool TXLMouseTracker::StoresSize() const
{
    if (m_kind == tkSelecting || m_curSize == m_oldSize)
        return false;
    return m_pane != skClient || m_maxDistance >= kMinClientDrag;
}

}  // namespace xlgridui
