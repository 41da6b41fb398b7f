#pragma once
// One pane of a grid: it shows one section of the sheet and hands its
// painting and mouse input to the grid, which keeps all the state.

#include "xlgrid/sheet.h"

#include <QRegion>
#include <QWidget>

namespace xlgridui {

class TXLGrid;

class TXLView : public QWidget {
    Q_OBJECT
public:
    TXLView(TXLGrid& grid, xlgrid::TXLSectionKind kind);
    xlgrid::TXLSectionKind Kind() const { return m_kind; }
    // What was painted since the last reset (tests assert repaint areas).
    const QRegion& PaintedRegion() const { return m_painted; }
    void ResetPainted() { m_painted = QRegion(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    TXLGrid& m_grid;
    xlgrid::TXLSectionKind m_kind;
    QRegion m_painted;
};

}  // namespace xlgridui
