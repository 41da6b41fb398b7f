#include "xlpaint/pdfexport.h"

#include "xlpaint/qtconvert.h"
#include "xlpaint/sheetprinter.h"

#include "xlgrid/atomicfile.h"
#include "xlgrid/manager.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <optional>

namespace xlpaint {

using namespace xlgrid;

namespace {

constexpr int kPdfDpi = 600;

// A4 with the printable area of the default printer figures centred on it,
// so that the PDF matches what preview and page setup show without a printer.
QPageLayout PdfPageLayout(bool landscape)
{
    const TXLPrinterMetrics defaults;
    QPageSize a4(QPageSize::A4);
    QSizeF paper = a4.size(QPageSize::Millimeter);
    double w = defaults.PageWidth * 25.4 / defaults.DpiX, h = defaults.PageHeight * 25.4 / defaults.DpiY;
    double mx = std::max(0.0, (paper.width() - w) / 2), my = std::max(0.0, (paper.height() - h) / 2);
    QMarginsF margins = landscape ? QMarginsF(my, mx, my, mx) : QMarginsF(mx, my, mx, my);
    return QPageLayout(a4, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, margins,
                       QPageLayout::Millimeter);
}

}  // namespace

bool PrintSheetsToPdf(const std::vector<const TXLSheet*>& sheets, const std::string& path, std::string& error,
                      const TXLPdfOptions& options)
{
    error.clear();
    if (sheets.empty()) {
        error = "No sheets to print";
        return false;
    }
    for (const TXLSheet* s : sheets)
        if (!s) {
            error = "No sheets to print";
            return false;
        }
    if (path.empty()) {
        error = "No output file given";
        return false;
    }
    EnsureGuiApplication();

    // The one atomic writer's temporary file, written through our own device
    // so that a failed write is seen (a printer's file is not).
    std::optional<TXLAtomicFile> file;
    try {
        file.emplace(path);
    } catch (const EXLFileError& e) {
        error = e.what();
        return false;
    }
    QFile device(QString::fromStdString(file->TempPath()));
    if (!device.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = "Cannot write " + path + ": " + device.errorString().toStdString();
        return false;
    }
    QPdfWriter writer(&device);
    writer.setResolution(kPdfDpi);
    writer.setPageLayout(PdfPageLayout(options.Landscape));
    writer.setCreator(QStringLiteral("fenban"));
    writer.setTitle(QString::fromStdString(sheets.front()->Title()));

    QPainter painter;
    if (!painter.begin(&writer)) {
        error = "Cannot write " + path;
        return false;
    }
    bool ok = true;
    try {
        bool first = true;
        TXLPrinterMetrics metrics;
        const QRect paint = writer.pageLayout().paintRectPixels(kPdfDpi);
        metrics.DpiX = metrics.DpiY = kPdfDpi;
        metrics.PageWidth = paint.width();
        metrics.PageHeight = paint.height();
        for (const TXLSheet* sheet : sheets) {
            // Printing reads the sheet only; the printer object wants it writable
            // for PrintRange, which this export does not use.
            TXLSheetPrinter sp(const_cast<TXLSheet&>(*sheet), metrics);
            sp.SetPageHeadings(options.PageHeadings);
            TXLPrintJob job(sp);
            for (int page = 1; page <= job.PageCount(); ++page) {
                if (!first && !writer.newPage())
                    throw EXLGridError("Cannot start a new page");
                first = false;
                job.PaintPage(painter, page);
            }
        }
    } catch (const std::exception& e) {
        error = e.what();
        ok = false;
    }
    if (!painter.end() && ok) {
        error = "Cannot write " + path;
        ok = false;
    }
    if (ok && (!device.flush() || device.error() != QFileDevice::NoError)) {
        error = "Cannot write " + path + ": " + device.errorString().toStdString();
        ok = false;
    }
    device.close();
    if (ok) {
        try {
            file->Commit();
        } catch (const EXLFileError& e) {
            error = e.what();
            ok = false;
        }
    }
    return ok;
}

}  // namespace xlpaint
