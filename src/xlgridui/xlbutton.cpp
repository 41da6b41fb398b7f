#include "xlgridui/xlbutton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>

namespace xlgridui {

namespace {

// A filled triangle pointing up or down, centred in the rectangle and sized
// to it, so the glyph stays crisp at every zoom.
void DrawArrow(QPainter& p, const QRectF& r, bool up, const QColor& color)
{
    qreal w = std::max<qreal>(3, std::min(r.width() * 0.55, r.height() * 1.1));
    w = std::floor(w / 2) * 2 + 1;  // odd width: a sharp tip on the pixel grid
    qreal h = std::ceil(w / 2);
    QPointF c = r.center();
    qreal top = std::round(c.y() - h / 2);
    qreal left = std::round(c.x() - w / 2);
    QPolygonF tri;
    if (up)
        tri << QPointF(left, top + h) << QPointF(left + w, top + h) << QPointF(left + w / 2, top);
    else
        tri << QPointF(left, top) << QPointF(left + w, top) << QPointF(left + w / 2, top + h);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(tri);
}

void DrawEllipsis(QPainter& p, const QRectF& r, const QColor& color)
{
    qreal d = std::clamp<qreal>(r.width() / 7, 1.5, 3);
    qreal gap = d * 1.6;
    QPointF c = r.center();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    for (int i = -1; i <= 1; ++i)
        p.drawEllipse(QPointF(c.x() + i * gap, c.y()), d / 2, d / 2);
}

}  // namespace

TXLButton::TXLButton(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer.setInterval(kRepeatInterval);
    connect(&m_timer, &QTimer::timeout, this, &TXLButton::RepeatTick);
    hide();
}

void TXLButton::SetStyle(TXLEditStyle style)
{
    if (style == m_style)
        return;
    StopRepeat();
    m_style = style;
    setVisible(style != esNormal);
    update();
}

void TXLButton::SetFlat(bool flat)
{
    if (flat == m_flat)
        return;
    m_flat = flat;
    update();
}

bool TXLButton::StepsOnTick(int tick)
{
    if (tick < 20)
        return tick % 5 == 0;
    if (tick < 50)
        return tick % 2 == 0;
    return true;
}

void TXLButton::RepeatTick()
{
    if (m_style != esSpinner || (m_pressed != Part::Upper && m_pressed != Part::Lower))
        return;
    ++m_ticks;
    if (StepsOnTick(m_ticks) && OnClick)
        OnClick(m_pressed == Part::Lower);
}

TXLButton::Part TXLButton::PartAt(const QPoint& pos) const
{
    if (!rect().contains(pos))
        return Part::None;
    if (m_style == esSpinner)
        return pos.y() < height() / 2 ? Part::Upper : Part::Lower;
    return Part::Whole;
}

void TXLButton::Press(Part part)
{
    m_pressed = part;
    m_ticks = 0;
    update();
    if (m_style == esSpinner) {
        m_timer.start();
        if (OnClick)
            OnClick(part == Part::Lower);
    } else if (m_style == esDropDown && OnClick) {
        // A drop-down opens on the press, as a combo box does.
        OnClick(false);
    }
}

void TXLButton::StopRepeat()
{
    m_timer.stop();
    m_ticks = 0;
    if (m_pressed != Part::None) {
        m_pressed = Part::None;
        update();
    }
}

void TXLButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_style == esNormal) {
        event->ignore();
        return;
    }
    Part part = PartAt(event->position().toPoint());
    if (part != Part::None)
        Press(part);
    event->accept();
}

void TXLButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a fast double click still counts as a press.
    mousePressEvent(event);
}

void TXLButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    Part pressed = m_pressed;
    StopRepeat();
    if (m_style == esButton && pressed == Part::Whole && PartAt(event->position().toPoint()) == Part::Whole &&
        OnClick)
        OnClick(false);
    event->accept();
}

void TXLButton::hideEvent(QHideEvent* event)
{
    StopRepeat();
    QWidget::hideEvent(event);
}

void TXLButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QPalette& pal = palette();
    QColor glyph = isEnabled() ? pal.color(QPalette::ButtonText) : pal.color(QPalette::Disabled, QPalette::ButtonText);

    auto panel = [&](const QRect& r, bool down) {
        if (m_flat) {
            p.fillRect(r, down ? pal.color(QPalette::Mid) : pal.color(QPalette::Button));
            p.setPen(pal.color(QPalette::Mid));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            return;
        }
        QStyleOptionButton opt;
        opt.initFrom(this);
        opt.rect = r;
        opt.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &opt, &p, this);
    };

    QRect r = rect();
    switch (m_style) {
    case esNormal: break;
    case esSpinner: {
        QRect upper(r.left(), r.top(), r.width(), r.height() / 2);
        QRect lower(r.left(), upper.bottom() + 1, r.width(), r.height() - upper.height());
        panel(upper, m_pressed == Part::Upper);
        panel(lower, m_pressed == Part::Lower);
        p.setRenderHint(QPainter::Antialiasing, true);
        QPointF shiftUp = m_pressed == Part::Upper ? QPointF(1, 1) : QPointF();
        QPointF shiftDown = m_pressed == Part::Lower ? QPointF(1, 1) : QPointF();
        DrawArrow(p, QRectF(upper).adjusted(2, 1, -2, -1).translated(shiftUp), true, glyph);
        DrawArrow(p, QRectF(lower).adjusted(2, 1, -2, -1).translated(shiftDown), false, glyph);
        break;
    }
    case esButton:
    case esDropDown: {
        bool down = m_pressed == Part::Whole;
        panel(r, down);
        p.setRenderHint(QPainter::Antialiasing, true);
        QRectF inner = QRectF(r).adjusted(2, 2, -2, -2).translated(down ? QPointF(1, 1) : QPointF());
        if (m_style == esButton)
            DrawEllipsis(p, inner, glyph);
        else
            DrawArrow(p, inner, false, glyph);
        break;
    }
    }
}

}  // namespace xlgridui
