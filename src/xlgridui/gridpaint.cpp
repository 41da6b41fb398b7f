#include "xlgridui/grid.h"

#include "xlgridui/gridview.h"

#include "xlpaint/paintsection.h"
#include "xlpaint/qtconvert.h"
#include "xlpaint/sheetprinter.h"

#include "xlgrid/style.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

// The grid's painting: each pane's damaged area through the section
// painter, then what the grid itself draws over it (page breaks, the
// selection, composing text, the sizing line, the hint's pointer).

namespace xlgridui {

using namespace xlgrid;


int TXLGrid::CellStateMarks(TXLSectionKind pane, int col, int row) const
{
    if (!HasOption(oTitle3D) || m_state.CurPane() != skClient || m_selHidden)
        return 0;
    const TXLRect& sel = m_state.Pane(skClient).Sel;
    bool over = (pane == skTitleRows && col >= sel.Left && col < sel.Right)
             || (pane == skTitleCols && row >= sel.Top && row < sel.Bottom);
    return over ? xlpaint::mfCorner : 0;
}

QRect TXLGrid::TrackingLine(TXLView& view) const
{
    if (!m_tracker.Sizing())
        return {};
    TXLAxis axis = m_tracker.Axis();
    TXLSectionKind s = view.Kind();
    TXLBand band = axis == sCols ? TXLGridSizes::ColBand(s) : TXLGridSizes::RowBand(s);
    if (band != m_tracker.Band())
        return {};
    int i = m_tracker.Index();
    QRect start = m_state.RangeRect(s, {i, i, i, i});
    int size = TXLGridSizes::Scaled(m_tracker.CurSize(), Scale());
    if (axis == sCols)
        return QRect(start.left() + size - 1, 0, 2, view.height());
    return QRect(0, start.top() + size - 1, view.width(), 2);
}

void TXLGrid::DamageTracking()
{
    for (TXLView* v : m_views) {
        QRect r = TrackingLine(*v);
        if (!r.isEmpty())
            v->update(r.adjusted(-1, -1, 1, 1));
    }
}

void TXLGrid::PaintPane(TXLView& view, QPainter& painter, const QRect& area)
{
    TXLSectionKind s = view.Kind();
    TXLSheet* sheet = Sheet();
    QColor paneColor = xlpaint::ToQColor(s == skClient ? clWindow : clBtnFace);
    if (!sheet) {
        painter.fillRect(area, paneColor);
        return;
    }
    const TXLGridSizes& sizes = m_state.Sizes();
    const TXLSection& sec = sheet->Section(s);
    QRect used = m_state.RangeRect(s, m_state.Bounds(s)) & view.rect();
    // Outside the used area: the pane's own colour.
    QRegion outside = QRegion(area) - QRegion(used);
    for (const QRect& r : outside)
        painter.fillRect(r, paneColor);
    QRect damaged = area & used;
    if (!damaged.isEmpty()) {
        TXLRect cells = m_state.CellsIn(s, damaged);
        xlpaint::TXLPaintInfo info;
        info.ColSizes = &sizes.Cols(s);
        info.RowSizes = &sizes.Rows(s);
        info.FirstCol = cells.Left;
        info.LastCol = cells.Right - 1;
        info.FirstRow = cells.Top;
        info.LastRow = cells.Bottom - 1;
        QRect first = m_state.RangeRect(s, {cells.Left, cells.Top, cells.Left, cells.Top});
        info.Left = first.left();
        info.Top = first.top();
        info.Canvas = &painter;
        info.Zoom = Scale();
        info.VertLines = HasOption(oVertLines);
        info.HorzLines = HasOption(oHorzLines);
        info.ShowHidden = DesignMode();
        info.HintMarks = true;
        bool titles = s == skTitleRows || s == skTitleCols;
        if (titles && HasOption(oTitle3D) && !(EditorOpen() && m_state.CurPane() == s)) {
            info.MarkMode = true;
            info.CellState = [this, s](int col, int row) { return CellStateMarks(s, col, row); };
        }
        const TXLPicture& background = sheet->Background();
        if (s == skClient && !background.IsEmpty()) {
            QImage tile;
            tile.loadFromData(reinterpret_cast<const uchar*>(background.Data.data()),
                              static_cast<int>(std::min<size_t>(background.Data.size(), INT32_MAX)));
            if (!tile.isNull()) {
                QColor base = xlpaint::ToQColor(sec.BaseStyle()->Color());
                QPoint origin = m_state.Origin(s);
                info.BackgroundHook = [tile, base, origin](QPainter& p, const QRect& block) {
                    p.fillRect(block, base);
                    // Tiled from the sheet origin, so that it moves with scrolling.
                    p.drawTiledPixmap(block, QPixmap::fromImage(tile), block.topLeft() - origin);
                };
            }
        }
        painter.setClipRect(damaged);
        xlpaint::CollectMergedBlocks(sec, info);
        xlpaint::PaintSection(sec, info);
        if (info.MarkMode)
            PaintTitleHighlight(s, painter);
        painter.setClipping(false);
    }
    if (s == skClient && HasOption(oPageBreak))
        PaintPageBreaks(painter);
    PaintSelection(view, painter);
    // The text an input method is composing, over the current cell.
    if (!m_preedit.isEmpty() && s == m_state.CurPane() && !EditorOpen()) {
        const TXLCellPos& cur = m_state.Pane(s).Cur;
        QRect r = m_state.RangeRect(s, m_state.BlockAt(s, cur.Col, cur.Row)).adjusted(0, 0, -1, -1);
        painter.fillRect(r, xlpaint::ToQColor(clWindow));
        QFont f = xlpaint::ToQFont(sec.BaseStyle()->Font(), Scale());
        f.setUnderline(true);
        painter.setFont(f);
        painter.setPen(xlpaint::ToQColor(clWindowText));
        painter.drawText(r.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, m_preedit);
    }
    if (QRect line = TrackingLine(view); !line.isEmpty())
        painter.fillRect(line, QColor(64, 64, 64));
    PaintHintPointer(view, painter);
}

// The titles over the selected columns (rows) are tinted, so that their
// letters stay readable; the corner mark comes from the section painter.
void TXLGrid::PaintTitleHighlight(TXLSectionKind pane, QPainter& painter)
{
    if (!HasOption(oTitle3D) || m_state.CurPane() != skClient || m_selHidden)
        return;
    const TXLRect& sel = m_state.Pane(skClient).Sel;
    TXLRect r = pane == skTitleRows ? TXLRect{sel.Left, 0, sel.Right, m_state.RowCount(pane)}
                                    : TXLRect{0, sel.Top, m_state.ColCount(pane), sel.Bottom};
    if (r.IsEmpty())
        return;
    QColor tint = palette().color(QPalette::Highlight);
    tint.setAlpha(70);
    painter.fillRect(m_state.RangeRect(pane, r), tint);
}

void TXLGrid::PaintSelection(TXLView& view, QPainter& painter)
{
    TXLSectionKind s = view.Kind();
    if (m_selHidden || s != m_state.CurPane())
        return;
    const TXLPaneState& p = m_state.Pane(s);
    if (p.Sel.IsEmpty())
        return;
    QRect sel = m_state.RangeRect(s, p.Sel);
    // A one-pixel line along the selection's edge stays uninverted (the
    // grid's three-dimensional look): the inside less that line, and a band
    // just outside.
    QRegion inverted = QRegion(sel.adjusted(1, 1, -1, -1))
                     + (QRegion(sel.adjusted(-kSelectionBand, -kSelectionBand, kSelectionBand, kSelectionBand))
                        - QRegion(sel));
    TXLRect curBlock = m_state.BlockAt(s, p.Cur.Col, p.Cur.Row);
    QRect cur = m_state.RangeRect(s, curBlock);
    if ((HasOption(oDrawFocus) || HasOption(oPermEdit)) && p.Sel.Contains(p.Cur.Col, p.Cur.Row))
        inverted -= QRegion(cur);
    if (EditorOpen())
        inverted -= QRegion(cur.adjusted(-2, -2, 2, 2));
    inverted &= QRegion(view.rect());
    if (inverted.isEmpty())
        return;
    painter.save();
    if (painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes)) {
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        for (const QRect& r : inverted)
            painter.fillRect(r, Qt::white);
    } else {
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        for (const QRect& r : inverted)
            painter.fillRect(r, Qt::white);
    }
    painter.restore();
}

void TXLGrid::PaintPageBreaks(QPainter& painter)
{
    TXLSheet* sheet = Sheet();
    if (m_breaksStale) {
        xlpaint::TXLSheetPrinter printer(*sheet);
        printer.GetPageBreaks(m_colBreaks, m_rowBreaks);
        m_breaksStale = false;
    }
    if (m_colBreaks.empty() || m_rowBreaks.empty())
        return;
    auto x = [this](int col) { return m_state.RangeRect(skClient, {col, 0, col, 0}).left(); };
    auto y = [this](int row) { return m_state.RangeRect(skClient, {0, row, 0, row}).top(); };
    painter.save();
    QColor blue = xlpaint::ToQColor(clBlue);
    int right = x(m_colBreaks.back()) - 1, bottom = y(m_rowBreaks.back()) - 1;
    painter.setPen(QPen(blue, 3));
    painter.drawLine(0, bottom, right, bottom);
    painter.drawLine(right, bottom, right, 0);
    painter.setPen(QPen(blue, 1));
    for (size_t i = 0; i + 1 < m_colBreaks.size(); ++i) {
        int bx = x(m_colBreaks[i]) - 1;
        painter.drawLine(bx, 0, bx, bottom);
    }
    for (size_t i = 0; i + 1 < m_rowBreaks.size(); ++i) {
        int by = y(m_rowBreaks[i]) - 1;
        painter.drawLine(0, by, right, by);
    }
    painter.restore();
}

void TXLGrid::PaintHintPointer(TXLView& view, QPainter& painter)
{
    if (!m_hintShown || view.Kind() != m_hintPane)
        return;
    const TXLHintGeometry& g = m_hintGeometry;
    painter.save();
    painter.fillRect(g.Shadow, Qt::black);
    if (g.HasPointer()) {
        painter.setPen(QPen(Qt::black, 1));
        painter.drawLine(g.LineStart, g.Anchor);
        painter.setBrush(Qt::black);
        painter.drawPolygon(g.Arrow);
    }
    painter.restore();
}

}  // namespace xlgridui
