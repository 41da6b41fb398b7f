#pragma once
// The print preview: one page of a sheet as it comes out of the printer,
// fitted into the window or at a chosen percentage.
//
// The page is drawn once, in printer dots, into an off-screen picture
// (QPicture) that serves every repaint until the sheet or the page changes;
// painting only stretches it onto the white page. The page geometry is plain
// arithmetic (TXLPreviewGeometry) on the registry's printer metrics: the page
// in screen pixels at 100 % is W = 96 x page width / dpi by the same for H,
// with a page border of 96 x 50 / 256 pixels round it.

#include "xlgridui/xlscroller.h"

#include "xlgrid/manager.h"
#include "xlgrid/sheet.h"

#include <QPicture>
#include <QRect>

class QPrinter;

namespace xlgridui {

// The geometry of the previewed page at a scale, in content pixels.
struct TXLPreviewGeometry {
    // The page at 100 % in screen pixels (W, H) and the border round it.
    static QSize PageSize(const xlgrid::TXLPrinterMetrics& metrics);
    static int PageBorder(int screenDpi = 96) { return screenDpi * 50 / 256; }
    // The white page sheet: (W + 2m) x s / 100 by (H + 2m) x s / 100.
    static QSize SheetSize(const QSize& page, int border, int scale);
    // The paper inside the sheet.
    static QRect PaperRect(const QSize& page, int border, int scale);
    // The largest scale at which the sheet fits the client less twice the
    // border width; never below 25.
    static int AutoScale(const QSize& client, int borderWidth, const QSize& page, int border);
    // Where the sheet lies on one axis: centred when it is smaller than the
    // client less twice the border width, else at 0.
    static int Centre(int sheetExtent, int clientExtent, int borderWidth);
};

class TXLPreview : public TXLScroller, private xlgrid::IXLSheetUser {
    Q_OBJECT
public:
    explicit TXLPreview(QWidget* parent = nullptr);
    ~TXLPreview() override;

    xlgrid::TXLSheet* Sheet() const { return m_sheet; }
    // Registers with the new sheet and shows its first page at scroll 0.
    void SetSheet(xlgrid::TXLSheet* sheet);
    // Counted from 0; lowered to the last page.
    int PageNo() const { return m_pageNo; }
    void SetPageNo(int page);
    int PageCount() const { return m_pageCount; }
    // "page/count" for the status bar, the page counted from 1.
    QString PageText() const;

    int Scale() const { return m_scale; }
    // Turns AutoScale off.
    void SetScale(int scale);
    bool AutoScale() const { return m_autoScale; }
    void SetAutoScale(bool on);
    // Toggles between the fitted page and 100 % (what a click does).
    void ToggleZoom();

    // Recomputes the page count and the layout, then renders the current page
    // (after the printer changed or the margins were edited).
    void Recompute();

    // Geometry in content coordinates (for tests and the status bar).
    QPoint Offset() const { return m_offset; }
    QSize SheetSize() const { return m_sheetSize; }
    QRect PaperRect() const { return m_paper; }
    QRect PrintableRect() const { return m_printable; }
    const QPicture& RenderedPage() const { return m_picture; }

Q_SIGNALS:
    // Another sheet (or none) is shown.
    void PreviewSheetChanged();
    void PageChanged();

protected:
    void PaintContent(QPainter& painter) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // The sheet's notifications; inside an update bracket the work waits for its end.
    void RangeChanged(xlgrid::TXLSectionKind, const xlgrid::TXLRect&, xlgrid::TXLRepaint) override { Need(kRender); }
    void SectionChanged(xlgrid::TXLSectionKind) override { Need(kRender); }
    void SheetChanged() override { Need(kRender); }
    void PrintChanged() override { Need(kRecompute); }
    void SizesChanged(xlgrid::TXLAxes, xlgrid::TXLBand) override { Need(kRecompute); }
    void SectorsMoved(xlgrid::TXLAxis, xlgrid::TXLBand, int, int) override { Need(kRecompute); }
    void SizeChanged(xlgrid::TXLAxis, int, xlgrid::TXLBand) override { Need(kRecompute); }
    void CellsFormatted(xlgrid::TXLSectionKind, const xlgrid::TXLRect*) override { Need(kRender); }
    void UnionsChanged() override;
    void SheetDestroying() override { SetSheet(nullptr); }
    void EndUpdate() override;

    enum : int { kRender = 1, kRecompute = 2 };
    void Need(int what);
    void Layout();
    void Centre();
    void Render();
    void UpdateCursor();

    xlgrid::TXLSheet* m_sheet = nullptr;
    int m_pageNo = 0;
    int m_pageCount = 0;
    int m_scale = 100;
    bool m_autoScale = true;
    int m_pending = 0;
    QSize m_page;       // W x H
    QSize m_sheetSize;  // the white page sheet at the scale
    QRect m_paper;
    QRect m_printable;
    QPoint m_offset;
    QPoint m_pressAt;
    bool m_pressed = false;
    QPicture m_picture;
};

// The printer the print and page-setup dialogs work on, one for the process:
// the default printer, or a PDF file when no printer is installed.
QPrinter& SharedPrinter();
// The printer metrics of the registry from the platform: the shared
// printer's resolution and printable page, or 600 dots per inch and 4676 by
// 6744 dots when no printer is installed. Every live sheet repaginates.
void RefreshPrinterMetrics();
// The same from a printer the user set up.
void ApplyPrinterMetrics(const QPrinter& printer);

}  // namespace xlgridui
