#include "xlpaint/pdfexport.h"

#include "xlpaint/qtconvert.h"
#include "xlpaint/sheetprinter.h"

#include "xlgrid/manager.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace xlpaint {

using namespace xlgrid;

namespace {

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

    std::filesystem::path target(path);
    std::filesystem::path part = target;
    part += ".part" + std::to_string(getpid());
    std::error_code ec;
    std::filesystem::remove(part, ec);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(part.string()));
    printer.setResolution(600);
    printer.setPageLayout(PdfPageLayout(options.Landscape));
    printer.setCreator(QStringLiteral("fenban"));
    printer.setDocName(QString::fromStdString(sheets.front()->Title()));

    QPainter painter;
    if (!painter.begin(&printer)) {
        std::filesystem::remove(part, ec);
        error = "Cannot write " + path;
        return false;
    }
    bool ok = true;
    try {
        bool first = true;
        TXLPrinterMetrics metrics = TXLSheetPrinter::MetricsOf(printer);
        for (const TXLSheet* sheet : sheets) {
            // Printing reads the sheet only; the printer object wants it writable
            // for PrintRange, which this export does not use.
            TXLSheetPrinter sp(const_cast<TXLSheet&>(*sheet), metrics);
            sp.SetPageHeadings(options.PageHeadings);
            TXLPrintJob job(sp);
            for (int page = 1; page <= job.PageCount(); ++page) {
                if (!first && !printer.newPage())
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
    if (ok) {
        std::filesystem::rename(part, target, ec);
        if (ec) {
            error = "Cannot write " + path + ": " + ec.message();
            ok = false;
        }
    }
    if (!ok)
        std::filesystem::remove(part, ec);
    return ok;
}

}  // namespace xlpaint
