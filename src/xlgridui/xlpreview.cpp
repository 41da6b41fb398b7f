#include "xlgridui/xlpreview.h"

#include "xlpaint/printlayout.h"
#include "xlpaint/qtconvert.h"
#include "xlpaint/sheetprinter.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace xlgridui {

using xlgrid::TXLPrinterMetrics;

// ---- geometry ----

QSize TXLPreviewGeometry::PageSize(const TXLPrinterMetrics& m)
{
    const int dpi = xlpaint::kScreenDpi;
    return {m.DpiX > 0 ? dpi * m.PageWidth / m.DpiX : 0, m.DpiY > 0 ? dpi * m.PageHeight / m.DpiY : 0};
}

QSize TXLPreviewGeometry::SheetSize(const QSize& page, int border, int scale)
{
    return {(page.width() + 2 * border) * scale / 100, (page.height() + 2 * border) * scale / 100};
}

QRect TXLPreviewGeometry::PaperRect(const QSize& page, int border, int scale)
{
    return {border * scale / 100, border * scale / 100, page.width() * scale / 100, page.height() * scale / 100};
}

int TXLPreviewGeometry::AutoScale(const QSize& client, int borderWidth, const QSize& page, int border)
{
    const double w = page.width() + 2 * border, h = page.height() + 2 * border;
    if (w <= 0 || h <= 0)
        return 100;
    const double fx = (client.width() - 2 * borderWidth) / w;
    const double fy = (client.height() - 2 * borderWidth) / h;
    return std::max(25, static_cast<int>(std::min(fx, fy) * 100));
}

int TXLPreviewGeometry::Centre(int sheetExtent, int clientExtent, int borderWidth)
{
    const int room = clientExtent - 2 * borderWidth;
    return sheetExtent < room ? (room - sheetExtent) / 2 : 0;
}

// ---- cursors ----

namespace {

// A magnifying glass with a plus (zoom in) or a minus (zoom out).
QCursor ZoomCursor(bool zoomIn)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 5));
    p.drawEllipse(QPointF(12, 12), 8, 8);
    p.drawLine(QPointF(18, 18), QPointF(28, 28));
    p.setPen(QPen(Qt::black, 2.5));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(12, 12), 8, 8);
    p.setPen(QPen(Qt::black, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18.5, 18.5), QPointF(28, 28));
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(8, 12), QPointF(16, 12));
    if (zoomIn)
        p.drawLine(QPointF(12, 8), QPointF(12, 16));
    p.end();
    return QCursor(pixmap, 12, 12);
}

const QCursor& ZoomInCursor()
{
    static const QCursor cursor = ZoomCursor(true);
    return cursor;
}

const QCursor& ZoomOutCursor()
{
    static const QCursor cursor = ZoomCursor(false);
    return cursor;
}

}  // namespace

// ---- the preview ----

TXLPreview::TXLPreview(QWidget* parent) : TXLScroller(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    SetBorderWidth(10);
    viewport()->setBackgroundRole(QPalette::Mid);
    viewport()->setAutoFillBackground(false);
    UpdateCursor();
}

TXLPreview::~TXLPreview()
{
    if (m_sheet)
        m_sheet->RemoveUser(this);
}

void TXLPreview::SetSheet(xlgrid::TXLSheet* sheet)
{
    if (sheet == m_sheet)
        return;
    if (m_sheet)
        m_sheet->RemoveUser(this);
    m_sheet = sheet;
    m_pending = 0;
    if (m_sheet) {
        m_sheet->AddUser(this);
        m_pageNo = 0;
        Recompute();
        SetScrollPos({0, 0});
    } else {
        m_pageCount = 0;
        m_picture = QPicture();
        viewport()->update();
    }
    Q_EMIT PreviewSheetChanged();
}

void TXLPreview::SetPageNo(int page)
{
    page = std::max(0, std::min(page, m_pageCount - 1));
    if (page == m_pageNo)
        return;
    m_pageNo = page;
    Render();
    Q_EMIT PageChanged();
}

QString TXLPreview::PageText() const
{
    return QString::asprintf("%d/%d", m_pageNo + 1, m_pageCount);
}

void TXLPreview::SetScale(int scale)
{
    m_autoScale = false;
    m_scale = std::clamp(scale, 10, 500);
    Layout();
    Centre();
    UpdateCursor();
    viewport()->update();
}

void TXLPreview::SetAutoScale(bool on)
{
    if (on == m_autoScale)
        return;
    m_autoScale = on;
    if (on)
        Layout();
    Centre();
    UpdateCursor();
    viewport()->update();
}

void TXLPreview::ToggleZoom()
{
    if (m_autoScale)
        SetScale(100);
    else
        SetAutoScale(true);
}

void TXLPreview::Need(int what)
{
    if (!m_sheet)
        return;
    m_pending |= what;
    if (m_sheet->Updating())
        return;
    const int pending = m_pending;
    m_pending = 0;
    if (pending & kRecompute)
        Recompute();
    else
        Render();
}

void TXLPreview::EndUpdate()
{
    if (m_pending && m_sheet && !m_sheet->Updating())
        Need(0);
}

void TXLPreview::UnionsChanged()
{
    m_pageNo = 0;
    SetScrollPos({0, 0});
    Need(kRecompute);
}

void TXLPreview::Recompute()
{
    if (m_sheet) {
        xlpaint::TXLSheetPrinter printer(*m_sheet);
        m_pageCount = static_cast<int>(std::min(printer.PageCount(), xlpaint::kMaxPrintPages));
    } else {
        m_pageCount = 0;
    }
    Layout();
    Centre();
    Render();
}

void TXLPreview::Layout()
{
    const TXLPrinterMetrics& metrics = xlgrid::TXLManager::Instance().Printer();
    m_page = TXLPreviewGeometry::PageSize(metrics);
    const int border = TXLPreviewGeometry::PageBorder();
    if (m_autoScale)
        m_scale = TXLPreviewGeometry::AutoScale(viewport()->size(), BorderWidth(), m_page, border);
    m_sheetSize = TXLPreviewGeometry::SheetSize(m_page, border, m_scale);
    m_paper = TXLPreviewGeometry::PaperRect(m_page, border, m_scale);
    m_printable = m_paper;
    if (m_sheet) {
        xlpaint::TXLSheetPrinter printer(*m_sheet, metrics);
        const xlpaint::TXLPrintRect r = printer.PrintRect();
        const int dpi = xlpaint::kScreenDpi;
        auto toX = [&](int dots) { return dots * dpi / std::max(1, metrics.DpiX) * m_scale / 100; };
        auto toY = [&](int dots) { return dots * dpi / std::max(1, metrics.DpiY) * m_scale / 100; };
        m_printable = QRect(QPoint(m_paper.left() + toX(r.Left), m_paper.top() + toY(r.Top)),
                            QPoint(m_paper.left() + toX(r.Right) - 1, m_paper.top() + toY(r.Bottom) - 1));
    }
    SetContentSize(m_sheetSize);
}

void TXLPreview::Centre()
{
    const QSize client = viewport()->size();
    const QPoint offset(TXLPreviewGeometry::Centre(m_sheetSize.width(), client.width(), BorderWidth()),
                        TXLPreviewGeometry::Centre(m_sheetSize.height(), client.height(), BorderWidth()));
    if (offset != m_offset) {
        m_offset = offset;
        viewport()->update();
    }
}

void TXLPreview::Render()
{
    QPicture picture;
    if (m_sheet) {
        QPainter painter(&picture);
        try {
            xlpaint::TXLSheetPrinter printer(*m_sheet);
            printer.PrintPage(m_pageNo + 1, &painter);
        } catch (...) {
            painter.end();
            m_picture = QPicture();
            viewport()->update();
            throw;
        }
        painter.end();
    }
    m_picture = picture;
    viewport()->update();
}

void TXLPreview::UpdateCursor()
{
    viewport()->setCursor(m_scale < 100 ? ZoomInCursor() : ZoomOutCursor());
}

void TXLPreview::PaintContent(QPainter& painter)
{
    const QColor background = palette().color(QPalette::Mid);
    const QRect all(-BorderWidth() + ScrollPos().x(), -BorderWidth() + ScrollPos().y(), viewport()->width(),
                    viewport()->height());
    if (!m_sheet) {
        painter.fillRect(all, background);
        return;
    }
    const QRect sheet(m_offset, m_sheetSize);
    QRegion rest(all);
    rest -= QRegion(sheet);
    painter.save();
    painter.setClipRegion(rest);
    painter.fillRect(all, background);
    painter.fillRect(sheet.translated(2, 2), Qt::black);
    painter.restore();
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(sheet.adjusted(0, 0, -1, -1));
    const TXLPrinterMetrics& metrics = xlgrid::TXLManager::Instance().Printer();
    if (metrics.PageWidth > 0 && metrics.PageHeight > 0 && !m_paper.isEmpty()) {
        painter.save();
        const QRect paper = m_paper.translated(m_offset);
        painter.setClipRect(paper);
        painter.translate(paper.topLeft());
        painter.scale(double(paper.width()) / metrics.PageWidth, double(paper.height()) / metrics.PageHeight);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.drawPicture(0, 0, m_picture);
        painter.restore();
    }
}

void TXLPreview::resizeEvent(QResizeEvent* event)
{
    TXLScroller::resizeEvent(event);
    if (m_autoScale)
        Layout();
    Centre();
}

void TXLPreview::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_pressAt = event->position().toPoint();
    }
    setFocus(Qt::MouseFocusReason);
    TXLScroller::mousePressEvent(event);
}

void TXLPreview::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        if ((event->position().toPoint() - m_pressAt).manhattanLength() < 4 && viewport()->rect().contains(event->position().toPoint()))
            ToggleZoom();
    }
    TXLScroller::mouseReleaseEvent(event);
}

void TXLPreview::wheelEvent(QWheelEvent* event)
{
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() - event->angleDelta().y());
    event->accept();
}

// ---- printer metrics ----

void ApplyPrinterMetrics(const QPrinter& printer)
{
    xlgrid::TXLManager::Instance().SetPrinter(xlpaint::TXLSheetPrinter::MetricsOf(printer));
}

QPrinter& SharedPrinter()
{
    static QPrinter* printer = [] {
        auto* p = new QPrinter(QPrinter::HighResolution);
        if (QPrinterInfo::availablePrinters().isEmpty())
            p->setOutputFormat(QPrinter::PdfFormat);
        return p;
    }();
    return *printer;
}

void RefreshPrinterMetrics()
{
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        xlgrid::TXLManager::Instance().SetPrinter(TXLPrinterMetrics{});
        return;
    }
    ApplyPrinterMetrics(SharedPrinter());
}

}  // namespace xlgridui
