#include "xlgridui/gridview.h"

#include "xlgridui/grid.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace xlgridui {

TXLView::TXLView(TXLGrid& grid, xlgrid::TXLSectionKind kind) : QWidget(&grid), m_grid(grid), m_kind(kind)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TXLView::paintEvent(QPaintEvent* event)
{
    m_painted += event->region();
    QPainter painter(this);
    m_grid.PaintPane(*this, painter, event->rect());
}

void TXLView::mousePressEvent(QMouseEvent* event) { m_grid.PanePress(*this, *event, false); }
void TXLView::mouseMoveEvent(QMouseEvent* event) { m_grid.PaneMove(*this, *event); }
void TXLView::mouseReleaseEvent(QMouseEvent* event) { m_grid.PaneRelease(*this, *event); }
void TXLView::mouseDoubleClickEvent(QMouseEvent* event) { m_grid.PanePress(*this, *event, true); }
void TXLView::leaveEvent(QEvent*) { m_grid.PaneLeave(*this); }
void TXLView::wheelEvent(QWheelEvent* event) { m_grid.wheelEvent(event); }

}  // namespace xlgridui
