#pragma once
// Printing a sheet: pages of its client cells on a printer, a PDF file or a
// canvas that the caller passes (the print preview draws one page at a time).
// With PrintTitles the sheet's title rows (its column headers) head every
// page and its title columns (row numbers) lead every page.
//
// The printer object reads the sheet's print settings every time it is
// asked, so it may live as long as the sheet or be made for one job. It keeps
// what the sheet model does not: the print area (empty = the whole sheet),
// whether pages get a heading line with the sheet's title, and whether the
// columns are scaled down to the page width.
// Costs: a page count walks the sizes that differ from the default once; a
// job lists at most kMaxPrintPages pages; a page paints only the cells of its
// strips.

#include "xlpaint/printlayout.h"

#include "xlgrid/range.h"

#include <string>
#include <vector>

class QPainter;
class QPrinter;

namespace xlpaint {

// The most pages one print job or PDF may have: about fifty times the grade
// list of 100,000 students, and far below what a damaged or hostile sheet
// file asks for.
inline constexpr int64_t kMaxPrintPages = 50000;
// The smallest scale fitting to the page width goes down to: still legible.
inline constexpr int kMinFitScale = 60;

// Raises EXLGridError naming the count when `pages` is above kMaxPrintPages.
void CheckPageLimit(int64_t pages);

class TXLSheetPrinter {
public:
    // Uses the registry's printer figures (600 dpi, 4676 x 6744 dots without a printer).
    explicit TXLSheetPrinter(xlgrid::TXLSheet& sheet);
    TXLSheetPrinter(xlgrid::TXLSheet& sheet, const xlgrid::TXLPrinterMetrics& metrics);

    xlgrid::TXLSheet& Sheet() const { return m_sheet; }
    const xlgrid::TXLPrinterMetrics& Metrics() const { return m_metrics; }
    void SetMetrics(const xlgrid::TXLPrinterMetrics& metrics) { m_metrics = metrics; }
    // The printable page of a printer: its resolution and its paint rectangle.
    static xlgrid::TXLPrinterMetrics MetricsOf(const QPrinter& printer);

    // Sheet coordinates; empty = the whole sheet.
    const xlgrid::TXLRect& PrintArea() const { return m_area; }
    void SetPrintArea(const xlgrid::TXLRect& area) { m_area = area; }
    // A heading line (the sheet's title, the page of pages) above the cells of
    // every page; it takes its height from the print rectangle.
    bool PageHeadings() const { return m_headings; }
    void SetPageHeadings(bool on) { m_headings = on; }
    // Scale the sheet down (never up, never below kMinFitScale) so that its
    // columns, with the title columns that print, fit the page width.
    bool FitToWidth() const { return m_fitWidth; }
    void SetFitToWidth(bool on) { m_fitWidth = on; }

    // The print rectangle in dots (less the heading line when there is one).
    TXLPrintRect PrintRect() const;
    // The scale a job prints at: PrintScale, or less when fitting to the width.
    int JobScale() const;
    // The width in dots of what a job prints across at `scale`: the columns
    // in the print area and the title columns that print.
    int64_t JobWidth(int scale) const;
    // Column strips x row strips of the whole sheet, the title band's sizes
    // taken off the page (the breaks of GetPageBreaks).
    int64_t PageCount() const;
    // The page breaks the views draw as lines (client indices, see
    // PageBreaks; at most kMaxPrintPages strips an axis).
    void GetPageBreaks(std::vector<int>& colBreaks, std::vector<int>& rowBreaks) const;
    // The breaks a print job uses: the title bands off the page unless they
    // print (PrintTitles), cells outside the print area of size 0, the job's scale.
    void GetJobPageBreaks(std::vector<int>& colBreaks, std::vector<int>& rowBreaks) const;
    int64_t JobPageCount() const;

    // Pages `fromPage` to `toPage` (1-based; toPage -1 = to the last; 0 to -1
    // = everything) as one print job titled with the sheet's Title, drawn
    // with the printer's own figures. The job is ended also when drawing
    // fails; more than kMaxPrintPages pages raise EXLGridError before it
    // starts. Returns the number of pages printed.
    int Print(QPrinter& printer, int fromPage = 0, int toPage = -1);
    // Draws page `page` on a canvas whose units are printer dots with the
    // origin at the printable page's top-left. A null canvas raises
    // EXLGridError "Invalid TCanvas reference!".
    void PrintPage(int page, QPainter* canvas);
    // Prints the cells of a range: print area, Title, PrintMode pmNormal,
    // PrintScale 100 and PrintTitles are set for the job and given their old
    // values back afterwards, also when printing fails.
    int PrintRange(const xlgrid::TXLProRange& range, const std::string& title, xlgrid::TXLAxes titles,
                   QPrinter& printer);

    // The page numbers a Print(fromPage, toPage) would print, in order (at
    // most kMaxPrintPages).
    std::vector<int> PagesInRange(int fromPage, int toPage) const;

private:
    friend class TXLPrintJob;
    int HeadingDots() const;
    // The view's scaled client sizes and the page room left beside the title bands.
    struct TViewStrips {
        xlgrid::TXLSizeList Cols, Rows;
        int64_t Width = 0, Height = 0;
    };
    void GetViewStrips(TViewStrips& out) const;

    xlgrid::TXLSheet& m_sheet;
    xlgrid::TXLPrinterMetrics m_metrics;
    xlgrid::TXLRect m_area;
    bool m_headings = false;
    bool m_fitWidth = false;
};

// Draws a run of a sheet's pages onto an open painter of a paged device:
// what Print does for one sheet and the PDF export for many. The painter's
// units must be the device's dots with the origin at the printable top-left.
class TXLPrintJob {
public:
    explicit TXLPrintJob(const TXLSheetPrinter& printer);
    ~TXLPrintJob();
    TXLPrintJob(const TXLPrintJob&) = delete;
    TXLPrintJob& operator=(const TXLPrintJob&) = delete;

    // All the job's pages, also beyond kMaxPrintPages; only those up to the
    // limit are laid out (PaintPage draws nothing on the others).
    int64_t PageCount() const;
    int Scale() const;
    const std::vector<int>& ColBreaks() const;
    const std::vector<int>& RowBreaks() const;
    void PaintPage(QPainter& painter, int page) const;

private:
    struct Layout;
    const TXLSheetPrinter& m_printer;
    Layout* m_layout;
};

}  // namespace xlpaint
