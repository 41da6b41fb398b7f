#include "xlgridui/xlscroller.h"

#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace xlgridui {

TXLScroller::TXLScroller(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setSingleStep(16);
}

void TXLScroller::SetBorderWidth(int width)
{
    width = std::max(0, width);
    if (width == m_border)
        return;
    m_border = width;
    UpdateRanges();
    viewport()->update();
}

void TXLScroller::SetSingleBorder(bool on)
{
    setFrameStyle(on ? (QFrame::StyledPanel | QFrame::Sunken) : QFrame::NoFrame);
}

void TXLScroller::SetContentSize(const QSize& size)
{
    if (size == m_content)
        return;
    m_content = size;
    UpdateRanges();
}

QPoint TXLScroller::ScrollPos() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void TXLScroller::SetScrollPos(const QPoint& pos)
{
    horizontalScrollBar()->setValue(pos.x());
    verticalScrollBar()->setValue(pos.y());
}

void TXLScroller::UpdateRanges()
{
    const QSize view = viewport()->size();
    const int w = m_content.width() > 0 ? m_content.width() + 2 * m_border : 0;
    const int h = m_content.height() > 0 ? m_content.height() + 2 * m_border : 0;
    const QPoint before = ScrollPos();
    horizontalScrollBar()->setRange(0, std::max(0, w - view.width()));
    horizontalScrollBar()->setPageStep(std::max(1, view.width()));
    verticalScrollBar()->setRange(0, std::max(0, h - view.height()));
    verticalScrollBar()->setPageStep(std::max(1, view.height()));
    if (ScrollPos() != before)
        viewport()->update();
}

void TXLScroller::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.translate(m_border - horizontalScrollBar()->value(), m_border - verticalScrollBar()->value());
    PaintContent(painter);
}

void TXLScroller::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateRanges();
}

void TXLScroller::scrollContentsBy(int, int)
{
    viewport()->update();
}

}  // namespace xlgridui
