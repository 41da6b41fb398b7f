#include "xlpaint/sheetprinter.h"

#include "xlpaint/paintsection.h"
#include "xlpaint/qtconvert.h"

#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <memory>

namespace xlpaint {

using namespace xlgrid;

namespace {

// Height of the page heading line in screen pixels.
constexpr int kHeadingPixels = 28;

int64_t BandDots(const TXLSizeList& sizes, int64_t num, int64_t den)
{
    int64_t sum = 0;
    for (int i = 0; i < sizes.Count(); ++i)
        sum += static_cast<int64_t>(sizes.DiffItem(i)) * num / den;
    return sum;
}

// Client sizes outside [first, end) become 0.
void KeepOnly(TXLSizeList& sizes, int first, int end)
{
    int n = sizes.Count();
    first = std::clamp(first, 0, n);
    end = std::clamp(end, first, n);
    for (int i = 0; i < first; ++i)
        sizes.SetDiffItem(i, 0);
    for (int i = end; i < n; ++i)
        sizes.SetDiffItem(i, 0);
}

// Puts back what PrintRange changed, whatever way the job ends.
class PrintSettingsGuard {
public:
    PrintSettingsGuard(TXLSheetPrinter& printer)
        : m_printer(printer), m_sheet(printer.Sheet()), m_area(printer.PrintArea()), m_titles(m_sheet.PrintTitles()),
          m_mode(m_sheet.PrintMode()), m_scale(m_sheet.PrintScale()), m_title(m_sheet.Title()),
          m_modified(m_sheet.Modified())
    {
    }
    ~PrintSettingsGuard()
    {
        m_printer.SetPrintArea(m_area);
        m_sheet.SetPrintTitles(m_titles);
        m_sheet.SetPrintScale(m_scale);
        m_sheet.SetPrintMode(m_mode);
        m_sheet.SetTitle(m_title);
        if (!m_modified)
            m_sheet.SetModified(false);
    }
    PrintSettingsGuard(const PrintSettingsGuard&) = delete;
    PrintSettingsGuard& operator=(const PrintSettingsGuard&) = delete;

private:
    TXLSheetPrinter& m_printer;
    TXLSheet& m_sheet;
    TXLRect m_area;
    TXLAxes m_titles;
    TXLPrintMode m_mode;
    int m_scale;
    std::string m_title;
    bool m_modified;
};

}  // namespace

// ---- the printer object ------------------------------------------------------

TXLSheetPrinter::TXLSheetPrinter(TXLSheet& sheet) : TXLSheetPrinter(sheet, TXLManager::Instance().Printer()) {}

TXLSheetPrinter::TXLSheetPrinter(TXLSheet& sheet, const TXLPrinterMetrics& metrics)
    : m_sheet(sheet), m_metrics(metrics)
{
}

TXLPrinterMetrics TXLSheetPrinter::MetricsOf(const QPrinter& printer)
{
    TXLPrinterMetrics m;
    int dpi = printer.resolution();
    if (dpi <= 0)
        return m;
    QRect paint = printer.pageLayout().paintRectPixels(dpi);
    m.DpiX = m.DpiY = dpi;
    m.PageWidth = paint.width();
    m.PageHeight = paint.height();
    return m;
}

int TXLSheetPrinter::HeadingDots() const
{
    return m_headings ? kHeadingPixels * std::max(1, m_metrics.DpiY) / kScreenDpi : 0;
}

TXLPrintRect TXLSheetPrinter::PrintRect() const
{
    TXLPrintRect r = ComputePrintRect(m_sheet, m_metrics);
    r.Top = std::min(r.Bottom, r.Top + HeadingDots());
    return r;
}

void TXLSheetPrinter::GetPageBreaks(std::vector<int>& colBreaks, std::vector<int>& rowBreaks) const
{
    TXLPrintRect rect = PrintRect();
    int scale = m_sheet.PrintScale();
    const int fx = DotsFactor(m_metrics.DpiX), fy = DotsFactor(m_metrics.DpiY);
    TXLSizeList cols, rows;
    ScaleSizeList(m_sheet.SizeList(sCols, true), cols, int64_t(fx) * scale, 10000);
    ScaleSizeList(m_sheet.SizeList(sRows, true), rows, int64_t(fy) * scale, 10000);
    int64_t titleW = BandDots(m_sheet.SizeList(sCols, false), int64_t(fx) * scale, 10000);
    int64_t titleH = BandDots(m_sheet.SizeList(sRows, false), int64_t(fy) * scale, 10000);
    colBreaks = PageBreaks(cols, rect.Width() - titleW);
    rowBreaks = PageBreaks(rows, rect.Height() - titleH);
}

int TXLSheetPrinter::PageCount() const
{
    std::vector<int> cols, rows;
    GetPageBreaks(cols, rows);
    return static_cast<int>(cols.size() * rows.size());
}

namespace {

std::vector<int> PagesOf(int count, int fromPage, int toPage)
{
    int from = std::max(1, fromPage);
    int to = (toPage < 0 || toPage > count) ? count : toPage;
    std::vector<int> pages;
    for (int p = from; p <= to; ++p)
        pages.push_back(p);
    return pages;
}

}  // namespace

std::vector<int> TXLSheetPrinter::PagesInRange(int fromPage, int toPage) const
{
    return PagesOf(JobPageCount(), fromPage, toPage);
}

// ---- the job layout ----------------------------------------------------------

struct TXLPrintJob::Layout {
    TXLPrintRect Rect;
    // Dots for the breaks, screen pixels at the print scale for drawing (the
    // painter is scaled from pixels to dots).
    TXLSizeList DotCols, DotRows, PixelCols, PixelRows;
    std::vector<int> ColBreaks, RowBreaks;
};

TXLPrintJob::TXLPrintJob(const TXLSheetPrinter& printer) : m_printer(printer), m_layout(new Layout)
{
    const TXLSheet& sheet = printer.Sheet();
    const TXLPrinterMetrics& m = printer.Metrics();
    Layout& L = *m_layout;
    L.Rect = printer.PrintRect();
    int scale = sheet.PrintScale();
    ScaleSizeList(sheet.SizeList(sCols, true), L.DotCols, int64_t(DotsFactor(m.DpiX)) * scale, 10000);
    ScaleSizeList(sheet.SizeList(sRows, true), L.DotRows, int64_t(DotsFactor(m.DpiY)) * scale, 10000);
    ScaleSizeList(sheet.SizeList(sCols, true), L.PixelCols, scale, 100);
    ScaleSizeList(sheet.SizeList(sRows, true), L.PixelRows, scale, 100);
    // The header band never reaches paper (its sizes count as 0); a print
    // area leaves the client rows and columns outside it at size 0.
    const TXLRect& area = printer.PrintArea();
    if (!area.IsEmpty()) {
        for (TXLSizeList* list : {&L.DotCols, &L.PixelCols})
            KeepOnly(*list, area.Left, area.Right);
        for (TXLSizeList* list : {&L.DotRows, &L.PixelRows})
            KeepOnly(*list, area.Top, area.Bottom);
    }
    L.ColBreaks = PageBreaks(L.DotCols, L.Rect.Width());
    L.RowBreaks = PageBreaks(L.DotRows, L.Rect.Height());
}

TXLPrintJob::~TXLPrintJob() { delete m_layout; }

int TXLPrintJob::PageCount() const
{
    return static_cast<int>(m_layout->ColBreaks.size() * m_layout->RowBreaks.size());
}

const std::vector<int>& TXLPrintJob::ColBreaks() const { return m_layout->ColBreaks; }
const std::vector<int>& TXLPrintJob::RowBreaks() const { return m_layout->RowBreaks; }

void TXLPrintJob::PaintPage(QPainter& painter, int page) const
{
    const Layout& L = *m_layout;
    const TXLSheet& sheet = m_printer.Sheet();
    const TXLPrinterMetrics& m = m_printer.Metrics();
    int rowStrips = static_cast<int>(L.RowBreaks.size());
    int c, r;
    PageStrips(page, rowStrips, c, r);
    TXLStrip cols = StripOf(L.ColBreaks, c), rows = StripOf(L.RowBreaks, r);
    double sx = m.DpiX / double(kScreenDpi), sy = m.DpiY / double(kScreenDpi);

    painter.save();
    if (m_printer.PageHeadings()) {
        int h = m_printer.HeadingDots();
        QRect band(L.Rect.Left, L.Rect.Top - h, L.Rect.Width(), h);
        painter.save();
        painter.translate(band.topLeft());
        painter.scale(sx, sy);
        QRect px(0, 0, static_cast<int>(band.width() / sx), kHeadingPixels);
        TXLFont font = sheet.BaseClientStyle().Font();
        font.Size = 12;
        font.Style = fsBold;
        painter.setFont(ToQFont(font));
        painter.setPen(ToQColor(clBlack));
        QRect text = px.adjusted(0, 0, 0, -6);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(sheet.Title()));
        font.Style = 0;
        font.Size = 9;
        painter.setFont(ToQFont(font));
        painter.drawText(text, Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("%1 / %2").arg(page).arg(PageCount()));
        painter.drawLine(0, px.height() - 4, px.width(), px.height() - 4);
        painter.restore();
    }
    if (!cols.IsEmpty() && !rows.IsEmpty()) {
        // The lines on the strip's top and left edges lie one pixel outside it.
        int gx = 2 * DotsFactor(m.DpiX) / 100, gy = 2 * DotsFactor(m.DpiY) / 100;
        painter.setClipRect(QRect(L.Rect.Left - gx, L.Rect.Top - gy, L.Rect.Width() + gx, L.Rect.Height() + gy),
                            Qt::IntersectClip);
        painter.translate(L.Rect.Left, L.Rect.Top);
        painter.scale(sx, sy);
        TXLPaintInfo info;
        info.ColSizes = &L.PixelCols;
        info.RowSizes = &L.PixelRows;
        info.FirstCol = cols.First;
        info.LastCol = cols.End - 1;
        info.FirstRow = rows.First;
        info.LastRow = rows.End - 1;
        info.Canvas = &painter;
        info.Zoom = sheet.PrintScale();
        info.VertLines = info.HorzLines = sheet.PrintGridLines();
        info.ShowHidden = sheet.PrintHidden();
        CollectMergedBlocks(sheet.Section(skClient), info);
        PaintSection(sheet.Section(skClient), info);
    }
    painter.restore();
}

// ---- printing ----------------------------------------------------------------

void TXLSheetPrinter::GetJobPageBreaks(std::vector<int>& colBreaks, std::vector<int>& rowBreaks) const
{
    TXLPrintJob job(*this);
    colBreaks = job.ColBreaks();
    rowBreaks = job.RowBreaks();
}

int TXLSheetPrinter::JobPageCount() const { return TXLPrintJob(*this).PageCount(); }

void TXLSheetPrinter::PrintPage(int page, QPainter* canvas)
{
    if (!canvas)
        throw EXLGridError("Invalid TCanvas reference!");
    TXLPrintJob job(*this);
    if (page < 1 || page > job.PageCount())
        return;
    job.PaintPage(*canvas, page);
}

int TXLSheetPrinter::Print(QPrinter& printer, int fromPage, int toPage)
{
    m_metrics = MetricsOf(printer);
    printer.setDocName(QString::fromStdString(m_sheet.Title()));
    TXLPrintJob job(*this);
    std::vector<int> pages = PagesOf(job.PageCount(), fromPage, toPage);
    QPainter painter;
    if (!painter.begin(&printer))
        throw EXLGridError("Cannot start the print job");
    int printed = 0;
    try {
        for (int page : pages) {
            if (printed > 0 && !printer.newPage())
                throw EXLGridError("Cannot start a new page");
            job.PaintPage(painter, page);
            ++printed;
        }
    } catch (...) {
        painter.end();
        throw;
    }
    if (!painter.end())
        throw EXLGridError("Cannot finish the print job");
    return printed;
}

int TXLSheetPrinter::PrintRange(const TXLProRange& range, const std::string& title, TXLAxes titles, QPrinter& printer)
{
    PrintSettingsGuard guard(*this);
    m_area = range.SheetRect();
    m_sheet.SetTitle(title);
    m_sheet.SetPrintMode(pmNormal);
    m_sheet.SetPrintScale(100);
    m_sheet.SetPrintTitles(titles);
    return Print(printer, 0, -1);
}

}  // namespace xlpaint
