#pragma once
// The mouse-over hint of a cell: a small window with the hint text, and the
// pointer the pane under it draws (a line from the window's corner nearest
// the cell to the cell, an arrowhead, and the window's shadow).

#include <QPolygon>
#include <QRect>
#include <QTimer>
#include <QWidget>

namespace xlgridui {

// Where a hint for a cell goes, in the coordinates of the pane.
struct TXLHintGeometry {
    QRect Window;
    QPoint LineStart;
    QPoint Anchor;
    QPolygon Arrow;
    QRect Shadow;

    // Anchor: one pixel left of and one below the cell's top-right corner;
    // the window's top-left lies 14 pixels right of and 11 above it.
    static TXLHintGeometry ForCell(const QRect& cell, const QSize& window);
    // The window placed at a point (title cells): no pointer.
    static TXLHintGeometry AtPoint(const QPoint& topLeft, const QSize& window);
    bool HasPointer() const { return !Arrow.isEmpty(); }
    // What the pane paints for the hint (pointer and shadow).
    QRect Damage() const;
};

class TXLHintWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kShowMs = 144 * 1000;

    explicit TXLHintWindow(QWidget* owner);
    void SetText(const QString& text);
    const QString& Text() const { return m_text; }
    QSize SizeHintFor(const QString& text) const;
    // Shows the window at a global position for up to kShowMs.
    void ShowAt(const QPoint& globalTopLeft);

Q_SIGNALS:
    void Hidden();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QString m_text;
    QTimer m_timer;
};

}  // namespace xlgridui
