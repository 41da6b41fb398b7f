#include "xlpaint/sheetprinter.h"

#include "xlpaint/paintsection.h"
#include "xlpaint/pdftextmap.h"
#include "xlpaint/qtconvert.h"

#include <QFontMetrics>
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

// A copy of a size list in which only [first, end) keeps its sizes; the
// others are 0. Costs the kept part only, whatever the count.
void KeepOnly(TXLSizeList& sizes, int first, int end)
{
    const int n = sizes.Count();
    first = std::clamp(first, 0, n);
    end = std::clamp(end, first, n);
    std::vector<int32_t> kept;
    kept.reserve(static_cast<std::size_t>(end - first));
    for (int i = first; i < end; ++i)
        kept.push_back(sizes.DiffItem(i));
    sizes.SetDefault(0);
    sizes.SetCount(n);
    for (int i = first; i < end; ++i)
        sizes.SetDiffItem(i, kept[static_cast<std::size_t>(i - first)]);
}

int64_t TotalOf(const TXLSizeList& sizes) { return sizes.Sum(sizes.Count()); }

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

void CheckPageLimit(int64_t pages)
{
    if (pages > kMaxPrintPages)
        throw EXLGridError("The sheet would print on " + std::to_string(pages) + " pages, more than the "
                           + std::to_string(kMaxPrintPages) + " one print job may have");
}

namespace {

// The sizes a job lays out, in dots (num / den scales screen pixels at 100 %),
// with what the print area and PrintTitles leave of them.
struct JobSizes {
    TXLSizeList Cols, Rows, TitleCols, TitleRows;
};

void MakeJobSizes(const TXLSheetPrinter& printer, int64_t numX, int64_t numY, int64_t den, JobSizes& out)
{
    const TXLSheet& sheet = printer.Sheet();
    ScaleSizeList(sheet.SizeList(sCols, true), out.Cols, numX, den);
    ScaleSizeList(sheet.SizeList(sRows, true), out.Rows, numY, den);
    const TXLAxes titles = sheet.PrintTitles();
    // Title bands that do not print take no room (count 0).
    if (titles & AxisBit(sCols))
        ScaleSizeList(sheet.SizeList(sCols, false), out.TitleCols, numX, den);
    else
        out.TitleCols.SetCount(0);
    if (titles & AxisBit(sRows))
        ScaleSizeList(sheet.SizeList(sRows, false), out.TitleRows, numY, den);
    else
        out.TitleRows.SetCount(0);
    // A print area leaves the client rows and columns outside it at size 0;
    // one that reaches into the title band also cuts the title rows and
    // columns outside it.
    const TXLRect& area = printer.PrintArea();
    if (area.IsEmpty())
        return;
    KeepOnly(out.Cols, area.Left, area.Right);
    KeepOnly(out.Rows, area.Top, area.Bottom);
    if (area.Left < 0 || area.Top < 0) {
        const int tc = sheet.TitleCols(), tr = sheet.TitleRows();
        if (out.TitleCols.Count() > 0)
            KeepOnly(out.TitleCols, area.Left + tc, area.Right + tc);
        if (out.TitleRows.Count() > 0)
            KeepOnly(out.TitleRows, area.Top + tr, area.Bottom + tr);
    }
}

}  // namespace

int64_t TXLSheetPrinter::JobWidth(int scale) const
{
    JobSizes sizes;
    MakeJobSizes(*this, int64_t(DotsFactor(m_metrics.DpiX)) * scale, int64_t(DotsFactor(m_metrics.DpiY)) * scale,
                 10000, sizes);
    return TotalOf(sizes.Cols) + TotalOf(sizes.TitleCols);
}

int TXLSheetPrinter::JobScale() const
{
    const int scale = m_sheet.PrintScale();
    if (!m_fitWidth)
        return scale;
    const int64_t available = PrintRect().Width();
    const int64_t width = JobWidth(scale);
    if (width <= available || scale <= kMinFitScale)
        return scale;
    // The proportional guess, then down while the per-column rounding still overflows.
    int s = static_cast<int>(std::clamp<int64_t>(available * scale / std::max<int64_t>(1, width), kMinFitScale,
                                                 scale - 1));
    while (s > kMinFitScale && JobWidth(s) > available)
        --s;
    return s;
}

void TXLSheetPrinter::GetViewStrips(TViewStrips& out) const
{
    const TXLPrintRect rect = PrintRect();
    const int scale = m_sheet.PrintScale();
    const int64_t fx = int64_t(DotsFactor(m_metrics.DpiX)) * scale, fy = int64_t(DotsFactor(m_metrics.DpiY)) * scale;
    ScaleSizeList(m_sheet.SizeList(sCols, true), out.Cols, fx, 10000);
    ScaleSizeList(m_sheet.SizeList(sRows, true), out.Rows, fy, 10000);
    out.Width = rect.Width() - BandDots(m_sheet.SizeList(sCols, false), fx, 10000);
    out.Height = rect.Height() - BandDots(m_sheet.SizeList(sRows, false), fy, 10000);
}

void TXLSheetPrinter::GetPageBreaks(std::vector<int>& colBreaks, std::vector<int>& rowBreaks) const
{
    TViewStrips v;
    GetViewStrips(v);
    colBreaks = PageBreaks(v.Cols, v.Width, kMaxPrintPages);
    rowBreaks = PageBreaks(v.Rows, v.Height, kMaxPrintPages);
}

int64_t TXLSheetPrinter::PageCount() const
{
    TViewStrips v;
    GetViewStrips(v);
    return StripCount(v.Cols, v.Width) * StripCount(v.Rows, v.Height);
}

namespace {

std::vector<int> PagesOf(int64_t count, int fromPage, int toPage)
{
    count = std::min(count, kMaxPrintPages);
    int from = std::max(1, fromPage);
    int to = (toPage < 0 || toPage > count) ? static_cast<int>(count) : toPage;
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
    int Scale = 100;
    // Dots for the breaks, screen pixels at the print scale for drawing (the
    // painter is scaled from pixels to dots).
    JobSizes Dots, Pixels;
    int64_t ColStrips = 1, RowStrips = 1;
    std::vector<int> ColBreaks, RowBreaks;
};

TXLPrintJob::TXLPrintJob(const TXLSheetPrinter& printer) : m_printer(printer), m_layout(new Layout)
{
    const TXLPrinterMetrics& m = printer.Metrics();
    Layout& L = *m_layout;
    L.Rect = printer.PrintRect();
    L.Scale = printer.JobScale();
    MakeJobSizes(printer, int64_t(DotsFactor(m.DpiX)) * L.Scale, int64_t(DotsFactor(m.DpiY)) * L.Scale, 10000,
                 L.Dots);
    MakeJobSizes(printer, L.Scale, L.Scale, 100, L.Pixels);
    // Repeated titles take their room from every page.
    const int64_t width = L.Rect.Width() - TotalOf(L.Dots.TitleCols);
    const int64_t height = L.Rect.Height() - TotalOf(L.Dots.TitleRows);
    L.ColStrips = StripCount(L.Dots.Cols, width);
    L.RowStrips = StripCount(L.Dots.Rows, height);
    // Only the pages up to the limit are laid out, so a sheet heading for
    // millions of pages costs no more than the limit.
    L.ColBreaks = PageBreaks(L.Dots.Cols, width, kMaxPrintPages);
    L.RowBreaks = PageBreaks(L.Dots.Rows, height, std::max<int64_t>(1, kMaxPrintPages / L.ColStrips));
}

TXLPrintJob::~TXLPrintJob() { delete m_layout; }

int64_t TXLPrintJob::PageCount() const { return m_layout->ColStrips * m_layout->RowStrips; }
int TXLPrintJob::Scale() const { return m_layout->Scale; }

const std::vector<int>& TXLPrintJob::ColBreaks() const { return m_layout->ColBreaks; }
const std::vector<int>& TXLPrintJob::RowBreaks() const { return m_layout->RowBreaks; }

namespace {

// The heading line: the title on the left, cut with an ellipsis before it
// reaches the page number on the right, and a rule below.
void PaintHeading(QPainter& painter, const TXLSheet& sheet, const QRect& px, int page, int64_t pages)
{
    TXLFont font = sheet.BaseClientStyle().Font();
    font.Style = 0;
    font.Size = 9;
    const QFont numberFont = ToQFont(font);
    font.Size = 12;
    font.Style = fsBold;
    const QFont titleFont = ToQFont(font);
    const QRect text = px.adjusted(0, 0, 0, -6);
    const QString number = QStringLiteral("第 %1 页 / 共 %2 页").arg(page).arg(pages);
    const int numberWidth = QFontMetrics(numberFont).horizontalAdvance(number);
    painter.setPen(ToQColor(clBlack));
    painter.setFont(titleFont);
    const QString title = QFontMetrics(titleFont).elidedText(QString::fromStdString(sheet.Title()), Qt::ElideRight,
                                                            std::max(0, text.width() - numberWidth - 12));
    NoteDrawnText(painter.font(), title);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
    painter.setFont(numberFont);
    NoteDrawnText(painter.font(), number);
    painter.drawText(text, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, number);
    painter.drawLine(0, px.height() - 4, px.width(), px.height() - 4);
}

// One section's block of a page, at a pixel position of the scaled painter.
void PaintPart(QPainter& painter, const TXLSheet& sheet, TXLSectionKind kind, const TXLSizeList& cols,
               const TXLSizeList& rows, TXLStrip colStrip, TXLStrip rowStrip, QPoint at, int zoom)
{
    if (colStrip.IsEmpty() || rowStrip.IsEmpty())
        return;
    TXLPaintInfo info;
    info.ColSizes = &cols;
    info.RowSizes = &rows;
    info.FirstCol = colStrip.First;
    info.LastCol = colStrip.End - 1;
    info.FirstRow = rowStrip.First;
    info.LastRow = rowStrip.End - 1;
    info.Left = at.x();
    info.Top = at.y();
    info.Canvas = &painter;
    info.Zoom = zoom;
    info.VertLines = info.HorzLines = sheet.PrintGridLines();
    info.ShowHidden = sheet.PrintHidden();
    CollectMergedBlocks(sheet.Section(kind), info);
    PaintSection(sheet.Section(kind), info);
}

}  // namespace

void TXLPrintJob::PaintPage(QPainter& painter, int page) const
{
    const Layout& L = *m_layout;
    const TXLSheet& sheet = m_printer.Sheet();
    const TXLPrinterMetrics& m = m_printer.Metrics();
    int64_t c, r;
    PageStrips(page, L.RowStrips, c, r);
    TXLStrip cols = StripOf(L.ColBreaks, c), rows = StripOf(L.RowBreaks, r);
    double sx = m.DpiX / double(kScreenDpi), sy = m.DpiY / double(kScreenDpi);

    painter.save();
    if (m_printer.PageHeadings()) {
        int h = m_printer.HeadingDots();
        QRect band(L.Rect.Left, L.Rect.Top - h, L.Rect.Width(), h);
        painter.save();
        painter.translate(band.topLeft());
        painter.scale(sx, sy);
        PaintHeading(painter, sheet, QRect(0, 0, static_cast<int>(band.width() / sx), kHeadingPixels), page,
                     PageCount());
        painter.restore();
    }
    if (!cols.IsEmpty() && !rows.IsEmpty()) {
        // The lines on the strip's top and left edges lie one pixel outside it.
        int gx = 2 * DotsFactor(m.DpiX) / 100, gy = 2 * DotsFactor(m.DpiY) / 100;
        painter.setClipRect(QRect(L.Rect.Left - gx, L.Rect.Top - gy, L.Rect.Width() + gx, L.Rect.Height() + gy),
                            Qt::IntersectClip);
        painter.translate(L.Rect.Left, L.Rect.Top);
        painter.scale(sx, sy);
        const JobSizes& P = L.Pixels;
        const int tw = static_cast<int>(TotalOf(P.TitleCols)), th = static_cast<int>(TotalOf(P.TitleRows));
        const TXLStrip titleCols{0, P.TitleCols.Count()}, titleRows{0, P.TitleRows.Count()};
        // Titles first, so the body's lines on their edges come on top.
        PaintPart(painter, sheet, skCorner, P.TitleCols, P.TitleRows, titleCols, titleRows, {0, 0}, L.Scale);
        PaintPart(painter, sheet, skTitleRows, P.Cols, P.TitleRows, cols, titleRows, {tw, 0}, L.Scale);
        PaintPart(painter, sheet, skTitleCols, P.TitleCols, P.Rows, titleCols, rows, {0, th}, L.Scale);
        PaintPart(painter, sheet, skClient, P.Cols, P.Rows, cols, rows, {tw, th}, L.Scale);
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

int64_t TXLSheetPrinter::JobPageCount() const { return TXLPrintJob(*this).PageCount(); }

void TXLSheetPrinter::PrintPage(int page, QPainter* canvas)
{
    if (!canvas)
        throw EXLGridError("Invalid TCanvas reference!");
    TXLPrintJob job(*this);
    if (page < 1 || page > std::min(job.PageCount(), kMaxPrintPages))
        return;
    job.PaintPage(*canvas, page);
}

int TXLSheetPrinter::Print(QPrinter& printer, int fromPage, int toPage)
{
    m_metrics = MetricsOf(printer);
    printer.setDocName(QString::fromStdString(m_sheet.Title()));
    TXLPrintJob job(*this);
    CheckPageLimit(job.PageCount());
    std::vector<int> pages = PagesOf(job.PageCount(), fromPage, toPage);
    QPainter painter;
    if (!painter.begin(&printer))
        throw EXLGridError("Cannot start the print job");
    // A job printed to a PDF file gets complete text maps afterwards.
    TXLPdfTextLog textLog;
    int printed = 0;
    try {
        const TXLTextLogScope logging(textLog);
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
    const std::string file = printer.outputFileName().toStdString();
    std::string reason;
    if (printer.outputFormat() == QPrinter::PdfFormat && !file.empty() && !CompleteTextMaps(file, textLog, reason))
        throw EXLGridError("Cannot complete " + file + ": " + reason);
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
