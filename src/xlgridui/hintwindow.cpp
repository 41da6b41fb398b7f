#include "xlgridui/hintwindow.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace xlgridui {

namespace {
constexpr int kPadding = 3;
constexpr double kArrowLength = 6, kArrowWidth = 6;
}  // namespace

TXLHintGeometry TXLHintGeometry::ForCell(const QRect& cell, const QSize& window)
{
    TXLHintGeometry g;
    g.Anchor = QPoint(cell.left() + cell.width() - 1 - 1, cell.top() + 1);
    g.Window = QRect(g.Anchor + QPoint(14, -11), window);
    // The corner that faces the anchor.
    int x = g.Anchor.x() < g.Window.center().x() ? g.Window.left() : g.Window.right();
    int y = g.Anchor.y() > g.Window.center().y() ? g.Window.bottom() : g.Window.top();
    g.LineStart = QPoint(x, y);
    double dx = g.Anchor.x() - x, dy = g.Anchor.y() - y;
    double len = std::hypot(dx, dy);
    if (len < 1)
        len = 1;
    double ux = dx / len, uy = dy / len;
    QPointF tip(g.Anchor), base = tip - QPointF(ux, uy) * kArrowLength;
    QPointF side(-uy * kArrowWidth / 2, ux * kArrowWidth / 2);
    g.Arrow = QPolygonF({tip, base + side, base - side}).toPolygon();
    g.Shadow = QRect(g.Window.left() + 1, g.Window.top(), g.Window.width() - 1, g.Window.height()).translated(2, 2);
    return g;
}

TXLHintGeometry TXLHintGeometry::AtPoint(const QPoint& topLeft, const QSize& window)
{
    TXLHintGeometry g;
    g.Window = QRect(topLeft, window);
    g.Anchor = g.LineStart = topLeft;
    g.Shadow = QRect(g.Window.left() + 1, g.Window.top(), g.Window.width() - 1, g.Window.height()).translated(2, 2);
    return g;
}

QRect TXLHintGeometry::Damage() const
{
    QRect r = Shadow | Window;
    if (HasPointer())
        r |= QRect(LineStart, Anchor).normalized().adjusted(-4, -4, 4, 4) | Arrow.boundingRect().adjusted(-1, -1, 1, 1);
    return r;
}

TXLHintWindow::TXLHintWindow(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &QWidget::hide);
}

QSize TXLHintWindow::SizeHintFor(const QString& text) const
{
    QFontMetrics fm(font());
    QRect r = fm.boundingRect(QRect(0, 0, 400, 10000), Qt::TextWordWrap, text);
    return {r.width() + 2 * kPadding + 2, r.height() + 2 * kPadding};
}

void TXLHintWindow::SetText(const QString& text)
{
    m_text = text;
    resize(SizeHintFor(text));
    update();
}

void TXLHintWindow::ShowAt(const QPoint& globalTopLeft)
{
    move(globalTopLeft);
    show();
    m_timer.start(kShowMs);
}

void TXLHintWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(255, 255, 225));
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.drawText(rect().adjusted(kPadding + 1, kPadding, -kPadding, -kPadding), Qt::TextWordWrap, m_text);
}

void TXLHintWindow::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
    Q_EMIT Hidden();
}

}  // namespace xlgridui
