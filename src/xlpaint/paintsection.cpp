#include "xlpaint/paintsection.h"

#include "xlpaint/pdftextmap.h"

#include "xlpaint/qtconvert.h"

#include "xlgrid/sheet.h"
#include "xlgrid/style.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPolygon>
#include <QRegion>

#include <algorithm>
#include <string_view>

namespace xlpaint {

using namespace xlgrid;

namespace detail {

// The edge colours of the three-dimensional frames.
struct EdgeColors {
    QColor Highlight, Light, Shadow, DarkShadow;
};

EdgeColors FrameColors()
{
    return {ToQColor(clBtnHighlight), ToQColor(0xFF000016), ToQColor(clBtnShadow), ToQColor(0xFF000015)};
}

// One ring of an edge: top and left in one colour, bottom and right in another.
void DrawRing(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
    p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
}

enum class Ring { Raised, Sunken };

void DrawOuter(QPainter& p, const QRect& r, Ring kind, bool soft, const EdgeColors& c)
{
    if (kind == Ring::Raised)
        DrawRing(p, r, soft ? c.Highlight : c.Light, c.DarkShadow);
    else
        DrawRing(p, r, soft ? c.DarkShadow : c.Shadow, c.Highlight);
}

void DrawInner(QPainter& p, const QRect& r, Ring kind, bool soft, const EdgeColors& c)
{
    if (kind == Ring::Raised)
        DrawRing(p, r, soft ? c.Light : c.Highlight, c.Shadow);
    else
        DrawRing(p, r, soft ? c.Shadow : c.DarkShadow, c.Light);
}

QString ToQString(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string_view DisplayPart(const std::string& format)
{
    std::string_view f(format);
    size_t bar = f.find('|');
    return bar == std::string_view::npos ? f : f.substr(0, bar);
}

int AlignFlags(const TXLLayout& layout)
{
    int flags = 0;
    switch (layout.HorzAlign) {
    case haRight: flags |= Qt::AlignRight; break;
    case haCenter: flags |= Qt::AlignHCenter; break;
    default: flags |= Qt::AlignLeft; break;
    }
    switch (layout.VertAlign) {
    case vaBottom: flags |= Qt::AlignBottom; break;
    case vaCenter: flags |= Qt::AlignVCenter; break;
    default: flags |= Qt::AlignTop; break;
    }
    return flags;
}

// Places a size inside an area by the layout's alignment.
QRect Place(const QRect& area, QSize size, const TXLLayout& layout)
{
    int x = area.left(), y = area.top();
    if (layout.HorzAlign == haRight)
        x = area.left() + area.width() - size.width();
    else if (layout.HorzAlign == haCenter)
        x = area.left() + (area.width() - size.width()) / 2;
    if (layout.VertAlign == vaBottom)
        y = area.top() + area.height() - size.height();
    else if (layout.VertAlign == vaCenter)
        y = area.top() + (area.height() - size.height()) / 2;
    return QRect(QPoint(x, y), size);
}

// Holds what PaintSection reuses from cell to cell: the last font and
// colours, so that fonts and pens are made only when they change.
class SectionPainter {
public:
    SectionPainter(const TXLSection& section, TXLPaintInfo& info)
        : m_section(section), m_info(info), m_p(*info.Canvas), m_base(*section.BaseStyle())
    {
    }

    void Run();

private:
    int Width(int i) const { return m_xs[i + 1] - m_xs[i]; }
    int Height(int i) const { return m_ys[i + 1] - m_ys[i]; }
    QRect CellRect(int ci, int ri) const { return QRect(m_xs[ci], m_ys[ri], Width(ci), Height(ri)); }
    const QColor& Color(TColor c);
    void SetClip(const QRegion& region);
    void ResetClip();
    void PaintBackgrounds();
    void PaintGridLines();
    void PaintCells();
    void PaintBorders();
    void PaintCell(const TXLCell& cell, const QRect& rect);
    void PaintFrameAndMarks(int col, int row, const QRect& rect);
    void DrawText(const TXLCell& cell, const QString& text, const QRect& area, const TXLLayout& layout);
    void DrawCheckBox(bool checked, const QRect& area, const TXLLayout& layout, const QColor& color);
    void DrawPicture(const TXLPicture& picture, const QRect& area, const TXLLayout& layout);
    void DrawGroup(const TXLCell& cell, const QRect& area, const QColor& color);
    void SetLinePen(const TXLLine& line);
    int Zoomed(int v) const { return v * m_info.Zoom / 100; }
    bool InsideMerged(int col, int row) const;

    const TXLSection& m_section;
    TXLPaintInfo& m_info;
    QPainter& m_p;
    const TXLBaseStyle& m_base;
    std::vector<int> m_xs, m_ys;  // painter edges of the block's columns and rows
    QRegion m_callerClip;
    bool m_callerClipped = false;
    QRect m_block;
    QRegion m_colored;
    TColor m_lastColor = clNone;
    QColor m_lastQColor;
    bool m_haveFont = false;
    TXLFont m_font;
    QFont m_qfont;
    int32_t m_pen = -1;
};

const QColor& SectionPainter::Color(TColor c)
{
    if (c != m_lastColor) {
        m_lastColor = c;
        m_lastQColor = ToQColor(c);
    }
    return m_lastQColor;
}

void SectionPainter::SetClip(const QRegion& region)
{
    m_p.setClipRegion(m_callerClipped ? region.intersected(m_callerClip) : region);
}

void SectionPainter::ResetClip()
{
    if (m_callerClipped)
        m_p.setClipRegion(m_callerClip);
    else
        m_p.setClipping(false);
}

bool SectionPainter::InsideMerged(int col, int row) const
{
    for (const TXLMergedBlock& m : m_info.Merged)
        if (m.Range.Contains(col, row))
            return true;
    return false;
}

void SectionPainter::Run()
{
    const TXLPaintInfo& in = m_info;
    int nc = in.LastCol - in.FirstCol + 1, nr = in.LastRow - in.FirstRow + 1;
    m_xs.resize(nc + 1);
    m_ys.resize(nr + 1);
    m_xs[0] = in.Left;
    for (int i = 0; i < nc; ++i)
        m_xs[i + 1] = m_xs[i] + std::max(0, in.ColSizes->DiffItem(in.FirstCol + i));
    m_ys[0] = in.Top;
    for (int i = 0; i < nr; ++i)
        m_ys[i + 1] = m_ys[i] + std::max(0, in.RowSizes->DiffItem(in.FirstRow + i));
    m_block = QRect(QPoint(m_xs[0], m_ys[0]), QPoint(m_xs[nc] - 1, m_ys[nr] - 1));
    m_callerClipped = m_p.hasClipping();
    if (m_callerClipped)
        m_callerClip = m_p.clipRegion();

    PaintBackgrounds();

    QRegion rest(m_block);
    rest -= m_colored;
    if (in.BackgroundHook) {
        SetClip(rest);
        in.BackgroundHook(m_p, m_block);
    } else {
        SetClip(rest);
        m_p.fillRect(m_block, Color(m_base.Color()));
    }

    QRegion lines(m_block.adjusted(-1, -1, 0, 0));
    lines -= m_colored;
    // A merged block keeps its own last pixel row and column: its grid lines.
    for (const TXLMergedBlock& m : in.Merged)
        lines -= m.Rect.adjusted(0, 0, -1, -1);
    SetClip(lines);
    PaintGridLines();

    ResetClip();
    PaintCells();

    ResetClip();
    if (m_section.Number() == 3)
        PaintBorders();
}

void SectionPainter::PaintBackgrounds()
{
    TColor base = m_base.Color();
    int nc = static_cast<int>(m_xs.size()) - 1, nr = static_cast<int>(m_ys.size()) - 1;
    for (int ri = 0; ri < nr; ++ri) {
        if (Height(ri) <= 0)
            continue;
        int row = m_info.FirstRow + ri;
        for (int ci = 0; ci < nc; ++ci) {
            if (Width(ci) <= 0)
                continue;
            TColor c = static_cast<TColor>(m_section.GetProperty(m_info.FirstCol + ci, row, pnColor));
            if (c == base || c == clNone)
                continue;
            // One pixel up and left: over the grid lines of the cell.
            QRect r = CellRect(ci, ri).adjusted(-1, -1, 0, 0);
            m_p.fillRect(r, Color(c));
            m_colored += r;
        }
    }
}

void SectionPainter::PaintGridLines()
{
    if (m_info.Zoom <= 25 || m_base.Color() == m_base.LinesColor())
        return;
    if (!m_info.VertLines && !m_info.HorzLines)
        return;
    QPen pen(Color(m_base.LinesColor()), 1);
    pen.setCapStyle(Qt::FlatCap);
    m_p.setPen(pen);
    m_p.setRenderHint(QPainter::Antialiasing, false);
    QList<QLine> segments;
    int top = m_ys.front() - 1, bottom = m_ys.back() - 1;
    int left = m_xs.front() - 1, right = m_xs.back() - 1;
    // A line along each cell's last pixel column (row): the left (top) edge of
    // the next one. A hidden column adds no second line at the same place.
    if (m_info.VertLines)
        for (size_t i = 1; i < m_xs.size(); ++i)
            if (m_xs[i] != m_xs[i - 1])
                segments.append(QLine(m_xs[i] - 1, top, m_xs[i] - 1, bottom));
    if (m_info.HorzLines)
        for (size_t i = 1; i < m_ys.size(); ++i)
            if (m_ys[i] != m_ys[i - 1])
                segments.append(QLine(left, m_ys[i] - 1, right, m_ys[i] - 1));
    m_p.drawLines(segments);
}

void SectionPainter::PaintCells()
{
    // Merged blocks once, from their anchor; then their area is off limits.
    QRegion allowed = m_callerClipped ? m_callerClip : QRegion();
    bool clipped = false;
    for (const TXLMergedBlock& m : m_info.Merged) {
        if (m.Rect.width() <= 0 || m.Rect.height() <= 0)
            continue;
        if (m.Anchor)
            PaintCell(*m.Anchor, m.Rect);
        PaintFrameAndMarks(m.Range.Left, m.Range.Top, m.Rect);
        if (!clipped) {
            if (!m_callerClipped)
                allowed = QRegion(m_block.adjusted(-4, -4, 4, 4)) + m.Rect;
            clipped = true;
        }
        allowed -= m.Rect;
        m_p.setClipRegion(allowed);
    }
    bool anyMerged = !m_info.Merged.empty();
    int nc = static_cast<int>(m_xs.size()) - 1, nr = static_cast<int>(m_ys.size()) - 1;
    for (int ri = 0; ri < nr; ++ri) {
        if (Height(ri) <= 0)
            continue;
        int row = m_info.FirstRow + ri;
        for (int ci = 0; ci < nc; ++ci) {
            if (Width(ci) <= 0)
                continue;
            int col = m_info.FirstCol + ci;
            if (anyMerged && InsideMerged(col, row))
                continue;
            QRect rect = CellRect(ci, ri);
            if (const TXLCell* cell = m_section.Find(col, row))
                if (!cell->IsAnchor())
                    PaintCell(*cell, rect);
            PaintFrameAndMarks(col, row, rect);
        }
    }
}

void SectionPainter::SetLinePen(const TXLLine& line)
{
    int32_t key = line.Encode();
    if (key == m_pen)
        return;
    m_pen = key;
    QPen pen(Color(line.Color), line.Weight);
    pen.setCapStyle(Qt::SquareCap);
    m_p.setPen(pen);
}

void SectionPainter::PaintBorders()
{
    m_p.setRenderHint(QPainter::Antialiasing, false);
    m_pen = -1;
    const TXLMatrix& vert = m_section.Matrix(0);
    const TXLMatrix& horz = m_section.Matrix(1);
    int nc = static_cast<int>(m_xs.size()) - 1, nr = static_cast<int>(m_ys.size()) - 1;
    for (int ri = 0; ri < nr; ++ri) {
        if (Height(ri) <= 0)
            continue;
        int row = m_info.FirstRow + ri;
        int y0 = m_ys[ri] - 1, y1 = m_ys[ri + 1] - 1;
        for (int ci = 0; ci <= nc; ++ci) {
            // Column ci's left edge; ci == nc is the block's right edge.
            if (ci < nc && Width(ci) <= 0)
                continue;
            TXLLine line = TXLLine::Decode(vert.Get(m_info.FirstCol + ci, row));
            if (line.Weight == 0)
                continue;
            SetLinePen(line);
            m_p.drawLine(m_xs[ci] - 1, y0, m_xs[ci] - 1, y1);
        }
    }
    for (int ri = 0; ri <= nr; ++ri) {
        if (ri < nr && Height(ri) <= 0)
            continue;
        int row = m_info.FirstRow + ri;
        int y = m_ys[ri] - 1;
        for (int ci = 0; ci < nc; ++ci) {
            if (Width(ci) <= 0)
                continue;
            TXLLine line = TXLLine::Decode(horz.Get(m_info.FirstCol + ci, row));
            if (line.Weight == 0)
                continue;
            SetLinePen(line);
            m_p.drawLine(m_xs[ci] - 1, y, m_xs[ci + 1] - 1, y);
        }
    }
}

void SectionPainter::PaintCell(const TXLCell& cell, const QRect& rect)
{
    // The one place a cell's repaint request is answered: the grid and the
    // printout both paint here, so the next change of the cell asks again.
    cell.MarkPainted();
    if (cell.Flags() & TXLPersistent::kInEditor)
        return;
    if (cell.HasStyle(csHidden) && !m_info.MarkMode && !m_info.ShowHidden)
        return;
    TXLFrame frame = cell.Frame();
    QRect area = frame == frNone ? rect.adjusted(0, 0, -1, -1)
               : (frame == frFlatUp || frame == frFlatDown) ? rect.adjusted(1, 1, -1, -1)
                                                            : rect.adjusted(2, 2, -2, -2);
    TXLLayout layout = cell.Layout();
    int indent = Zoomed(layout.Indent);
    QRect inner = area.adjusted(indent, 0, -indent, 0);
    if (area.width() > 0 && area.height() > 0 && inner.width() > 0) {
        TXLFont font = cell.Font();
        if (!m_haveFont || !(font == m_font)) {
            m_font = font;
            m_qfont = ToQFont(font, m_info.Zoom);
            m_haveFont = true;
            m_p.setFont(m_qfont);
        }
        QColor color = Color(font.Color);
        const TXLCellClass& cls = cell.CellClass();
        if (&cls == &TXLCPicture::Class()) {
            if (auto* picture = static_cast<const TXLPicture*>(cell.AsPicture()); picture && !picture->IsEmpty())
                DrawPicture(*picture, area, layout);
        } else if (&cls == &TXLCBoolean::Class() && DisplayPart(cell.Format()).empty()) {
            DrawCheckBox(cell.AsBoolean(), inner, layout, color);
        } else if (&cls == &TXLCGroup::Class()) {
            if (cell.Width() > 1 || cell.Height() > 1)
                DrawGroup(cell, inner, color);
        } else {
            std::string text = cell.Text();
            if (!text.empty()) {
                m_p.setPen(color);
                m_pen = -1;
                DrawText(cell, ToQString(text), inner, layout);
            }
        }
    }
    if (m_info.HintMarks && (cell.HasStyle(csExtHint) || (cell.HasProp(prHint) && !m_section.HintAt(cell.Col(), cell.LocalRow()).empty()))) {
        int r = rect.left() + rect.width() - 1, t = rect.top();
        QPolygon tri({QPoint(r - 5, t), QPoint(r - 1, t), QPoint(r - 1, t + 4)});
        m_p.setPen(QColor(255, 0, 0));
        m_p.setBrush(QColor(255, 0, 0));
        m_p.drawPolygon(tri);
        m_p.setBrush(Qt::NoBrush);
        m_pen = -1;
    }
}

void SectionPainter::DrawText(const TXLCell&, const QString& text, const QRect& area, const TXLLayout& layout)
{
    int flags = AlignFlags(layout) | Qt::TextExpandTabs;
    bool simple = !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\t'));
    if (simple) {
        // One line: placed directly, which skips the line breaking of the
        // general routine (the common case, and the hot path of scrolling).
        QFontMetrics fm(m_qfont);
        int width = fm.horizontalAdvance(text);
        if (width <= area.width() || layout.WrapMode == wmClip) {
            int x = area.left();
            if (layout.HorzAlign == haRight)
                x = area.left() + area.width() - width;
            else if (layout.HorzAlign == haCenter)
                x = area.left() + (area.width() - width) / 2;
            int h = fm.height();
            int y = area.top();
            if (layout.VertAlign == vaBottom)
                y = area.top() + area.height() - h;
            else if (layout.VertAlign == vaCenter)
                y = area.top() + (area.height() - h) / 2;
            bool fits = width <= area.width() && h <= area.height() && y >= area.top();
            if (!fits) {
                m_p.save();
                m_p.setClipRect(area, Qt::IntersectClip);
            }
            NoteDrawnText(m_p.font(), text);
            m_p.drawText(QPoint(x, y + fm.ascent()), text);
            if (!fits)
                m_p.restore();
            return;
        }
    }
    QString shown = text;
    if (layout.WrapMode == wmWrapWords) {
        flags |= Qt::TextWordWrap;
    } else if (layout.WrapMode == wmEllipsis) {
        QFontMetrics fm(m_qfont);
        QStringList lines = text.split(QLatin1Char('\n'));
        for (QString& line : lines)
            line = fm.elidedText(line, Qt::ElideRight, area.width(), Qt::TextExpandTabs);
        shown = lines.join(QLatin1Char('\n'));
    }
    m_p.save();
    m_p.setClipRect(area, Qt::IntersectClip);
    NoteDrawnText(m_p.font(), shown);
    m_p.drawText(area, flags, shown);
    m_p.restore();
}

void SectionPainter::DrawCheckBox(bool checked, const QRect& area, const TXLLayout& layout, const QColor& color)
{
    int s = std::max(3, Zoomed(13));
    QRect box = Place(area, QSize(s, s), layout);
    m_p.save();
    m_p.setClipRect(area, Qt::IntersectClip);
    m_p.fillRect(box, Color(clWindow));
    m_p.setPen(QPen(color, 1));
    m_p.setBrush(Qt::NoBrush);
    m_p.drawRect(box.adjusted(0, 0, -1, -1));
    if (checked) {
        QPen tick(color, std::max(1, s / 7));
        m_p.setPen(tick);
        m_p.setRenderHint(QPainter::Antialiasing, true);
        QPointF a(box.left() + s * 0.22, box.top() + s * 0.50);
        QPointF b(box.left() + s * 0.42, box.top() + s * 0.72);
        QPointF c(box.left() + s * 0.78, box.top() + s * 0.28);
        m_p.drawPolyline(QPolygonF({a, b, c}));
    }
    m_p.restore();
    m_pen = -1;
}

void SectionPainter::DrawPicture(const TXLPicture& picture, const QRect& area, const TXLLayout& layout)
{
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(picture.Data.data()),
                            static_cast<int>(std::min<size_t>(picture.Data.size(), INT32_MAX))))
        return;
    QSize own(picture.Width > 0 ? picture.Width : image.width(), picture.Height > 0 ? picture.Height : image.height());
    QRect target;
    bool icon = picture.Kind == "ICO";
    if (icon || layout.WrapMode == wmClip)
        target = Place(area, QSize(Zoomed(own.width()), Zoomed(own.height())), layout);
    else if (layout.WrapMode == wmEllipsis)
        target = Place(area, own.scaled(area.size(), Qt::KeepAspectRatio), layout);
    else
        target = area;
    if (target.isEmpty())
        return;
    m_p.save();
    m_p.setClipRect(area, Qt::IntersectClip);
    m_p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    m_p.drawImage(target, image);
    m_p.restore();
}

void SectionPainter::DrawGroup(const TXLCell& cell, const QRect& area, const QColor& color)
{
    bool collapsed = cell.AsBoolean();
    bool columns = cell.Width() >= cell.Height();
    int s = std::max(5, Zoomed(9));
    QRect box(area.left() + 1, area.top() + 1, s, s);
    m_p.save();
    m_p.setClipRect(area, Qt::IntersectClip);
    EdgeColors ec = FrameColors();
    m_p.fillRect(box, Color(clBtnFace));
    DrawRing(m_p, box, collapsed ? ec.Highlight : ec.Shadow, collapsed ? ec.Shadow : ec.Highlight);
    m_p.setPen(QPen(color, 1));
    int cx = box.left() + s / 2, cy = box.top() + s / 2;
    m_p.drawLine(box.left() + 2, cy, box.right() - 2, cy);
    if (collapsed)
        m_p.drawLine(cx, box.top() + 2, cx, box.bottom() - 2);
    else if (DisplayPart(cell.Format()).empty()) {
        // The guide line along the expanded group.
        if (columns)
            m_p.drawLine(box.right() + 1, cy, area.right(), cy);
        else
            m_p.drawLine(cx, box.bottom() + 1, cx, area.bottom());
    }
    m_p.restore();
    m_pen = -1;
}

void SectionPainter::PaintFrameAndMarks(int col, int row, const QRect& rect)
{
    auto frame = static_cast<TXLFrame>(m_section.GetProperty(col, row, pnFrame));
    if (frame != frNone)
        DrawFrame(m_p, rect, frame);
    TXLLine d1 = TXLLine::Decode(m_section.GetProperty(col, row, pnBias1));
    TXLLine d2 = TXLLine::Decode(m_section.GetProperty(col, row, pnBias2));
    if (d1.Weight || d2.Weight) {
        bool clip = d1.Weight > 2 || d2.Weight > 2;
        if (clip) {
            m_p.save();
            m_p.setClipRect(rect, Qt::IntersectClip);
        }
        QRect r = rect.adjusted(0, 0, -1, -1);
        if (d1.Weight) {
            SetLinePen(d1);
            m_p.drawLine(r.topLeft(), r.bottomRight());
        }
        if (d2.Weight) {
            SetLinePen(d2);
            m_p.drawLine(r.topRight(), r.bottomLeft());
        }
        if (clip) {
            m_p.restore();
            m_pen = -1;
        }
    }
    if (!m_info.MarkMode || !m_info.CellState)
        return;
    int flags = m_info.CellState(col, row);
    if (!(flags & (mfPattern | mfCorner | mfFocus)))
        return;
    m_p.save();
    if (m_p.paintEngine() && m_p.paintEngine()->hasFeature(QPaintEngine::RasterOpModes))
        m_p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    if (flags & mfCorner)
        m_p.fillRect(QRect(rect.left(), rect.top(), 3, 3), Qt::white);
    if (flags & mfPattern)
        m_p.fillRect(rect, QBrush(Qt::white, Qt::Dense4Pattern));
    if (flags & mfFocus) {
        m_p.setPen(QPen(Qt::white, 1, Qt::DotLine));
        m_p.setBrush(Qt::NoBrush);
        m_p.drawRect(rect.adjusted(0, 0, -2, -2));
    }
    m_p.restore();
    m_pen = -1;
}

}  // namespace detail

QRect RangeRect(const TXLPaintInfo& info, const TXLRect& range)
{
    if (!info.ColSizes || !info.RowSizes)
        return {};
    int64_t x = info.Left + info.ColSizes->Sum(range.Left) - info.ColSizes->Sum(info.FirstCol);
    int64_t y = info.Top + info.RowSizes->Sum(range.Top) - info.RowSizes->Sum(info.FirstRow);
    int64_t w = info.ColSizes->Sum(range.Right) - info.ColSizes->Sum(range.Left);
    int64_t h = info.RowSizes->Sum(range.Bottom) - info.RowSizes->Sum(range.Top);
    auto clampInt = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -(1 << 29), 1 << 29)); };
    return QRect(clampInt(x), clampInt(y), clampInt(w), clampInt(h));
}

void CollectMergedBlocks(const TXLSection& section, TXLPaintInfo& info)
{
    info.Merged.clear();
    TXLRect block{info.FirstCol, info.FirstRow, info.LastCol + 1, info.LastRow + 1};
    for (const TXLUnion& u : section.Unions())
        if (u.Rect.Intersects(block))
            info.Merged.push_back({u.Rect, u.Anchor, RangeRect(info, u.Rect)});
}

void PaintSection(const TXLSection& section, TXLPaintInfo& info)
{
    if (!info.Canvas || !info.ColSizes || !info.RowSizes || info.LastCol < info.FirstCol || info.LastRow < info.FirstRow
        || info.FirstCol < 0 || info.FirstRow < 0)
        return;
    QPainter& p = *info.Canvas;
    p.save();
    try {
        detail::SectionPainter(section, info).Run();
    } catch (...) {
        p.restore();
        throw;
    }
    p.restore();
}

void DrawFrame(QPainter& painter, const QRect& rect, TXLFrame frame)
{
    using detail::Ring;
    detail::EdgeColors c = detail::FrameColors();
    QRect inner = rect.adjusted(1, 1, -1, -1);
    switch (frame) {
    case frNone: break;
    case frFlatUp: detail::DrawInner(painter, rect, Ring::Raised, false, c); break;
    case frFlatDown: detail::DrawInner(painter, rect, Ring::Sunken, true, c); break;
    case frDeepUp:
        detail::DrawOuter(painter, rect, Ring::Raised, true, c);
        detail::DrawInner(painter, inner, Ring::Raised, true, c);
        break;
    case frDeepDown:
        detail::DrawOuter(painter, rect, Ring::Sunken, true, c);
        detail::DrawInner(painter, inner, Ring::Sunken, true, c);
        break;
    case frBevelUp:
        detail::DrawOuter(painter, rect, Ring::Raised, false, c);
        detail::DrawInner(painter, inner, Ring::Sunken, false, c);
        break;
    case frBevelDown:
        detail::DrawOuter(painter, rect, Ring::Sunken, false, c);
        detail::DrawInner(painter, inner, Ring::Raised, false, c);
        break;
    }
}

}  // namespace xlpaint
