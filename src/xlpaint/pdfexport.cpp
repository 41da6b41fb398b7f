#include "xlpaint/pdfexport.h"

#include "xlpaint/pdftextmap.h"
#include "xlpaint/qtconvert.h"
#include "xlpaint/sheetprinter.h"

#include "xlgrid/atomicfile.h"
#include "xlgrid/manager.h"

#include <QIODevice>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QtGlobal>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

TXLPrinterMetrics PdfMetrics(bool landscape)
{
    TXLPrinterMetrics metrics;
    const QRect paint = PdfPageLayout(landscape).paintRectPixels(kPdfDpi);
    metrics.DpiX = metrics.DpiY = kPdfDpi;
    metrics.PageWidth = paint.width();
    metrics.PageHeight = paint.height();
    return metrics;
}

// The printer object of one sheet in the PDF. Printing reads the sheet only;
// the printer object wants it writable for PrintRange, which is not used here.
TXLSheetPrinter PdfPrinter(const TXLSheet& sheet, const TXLPdfOptions& options, bool landscape)
{
    TXLSheetPrinter printer(const_cast<TXLSheet&>(sheet), PdfMetrics(landscape));
    printer.SetPageHeadings(options.PageHeadings);
    printer.SetFitToWidth(options.FitToWidth);
    return printer;
}

// The PDF's file: written in large pieces, keeping the system's reason of
// the first failed write (a full disk, a file-size limit).
class TPdfFile : public QIODevice {
public:
    ~TPdfFile() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool Open(const std::string& path)
    {
        m_fd = ::open(path.c_str(), O_RDWR | O_TRUNC | O_CLOEXEC);
        if (m_fd < 0) {
            m_errno = errno;
            return false;
        }
        return open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    // Writes what is held and closes the file; false on any failure.
    bool Finish()
    {
        Drain();
        if (m_fd >= 0 && ::close(m_fd) != 0 && !m_errno)
            m_errno = errno;
        m_fd = -1;
        QIODevice::close();
        return !Failed();
    }
    // The end of the file from before its fonts on, read back (see FontsTail).
    bool ReadFontsTail(std::string& tail, std::uint64_t& size)
    {
        if (!Drain())
            return false;
        const off_t end = ::lseek(m_fd, 0, SEEK_END);
        if (end < 0) {
            m_errno = errno;
            return false;
        }
        size = static_cast<std::uint64_t>(end);
        const bool ok = FontsTail(size, [this](std::uint64_t at, std::size_t n, char* into) {
            for (std::size_t done = 0; done < n;) {
                const ssize_t got = ::pread(m_fd, into + done, n - done, static_cast<off_t>(at + done));
                if (got < 0 && errno == EINTR)
                    continue;
                if (got <= 0) {
                    m_errno = got < 0 ? errno : EIO;
                    return false;
                }
                done += static_cast<std::size_t>(got);
            }
            return true;
        }, tail);
        return ok && !Failed();
    }
    bool Failed() const { return m_errno != 0; }
    std::string Reason() const { return std::strerror(m_errno ? m_errno : EIO); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override
    {
        if (Failed())
            return -1;
        m_held.append(data, static_cast<std::size_t>(len));
        if (m_held.size() >= (1u << 20) && !Drain())
            return -1;
        return len;
    }

private:
    bool Drain()
    {
        std::size_t done = 0;
        while (!Failed() && done < m_held.size()) {
            const ssize_t n = ::write(m_fd, m_held.data() + done, m_held.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else if (n < 0 && errno == EINTR)
                continue;
            else
                m_errno = n < 0 ? errno : ENOSPC;
        }
        m_held.clear();
        return !Failed();
    }

    int m_fd = -1;
    int m_errno = 0;
    std::string m_held;
};

// Holds back Qt's own warnings while the file is written: a failure is told
// once, by the caller, with the file and the reason.
class QuietQt {
public:
    QuietQt() : m_previous(qInstallMessageHandler(&QuietQt::Drop)) {}
    ~QuietQt() { qInstallMessageHandler(m_previous); }
    QuietQt(const QuietQt&) = delete;
    QuietQt& operator=(const QuietQt&) = delete;

private:
    static void Drop(QtMsgType, const QMessageLogContext&, const QString&) {}
    QtMessageHandler m_previous;
};

}  // namespace

bool PrintsLandscape(const TXLSheet& sheet, const TXLPdfOptions& options)
{
    if (!options.FitToWidth)
        return options.Landscape;
    TXLPdfOptions portrait = options;
    portrait.FitToWidth = false;
    const TXLSheetPrinter printer = PdfPrinter(sheet, portrait, false);
    return printer.JobWidth(sheet.PrintScale()) > printer.PrintRect().Width();
}

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
    QuietQt quiet;

    // Every sheet's orientation and pages, counted before a byte is written.
    std::vector<bool> landscape;
    int64_t pages = 0;
    try {
        for (const TXLSheet* sheet : sheets) {
            landscape.push_back(PrintsLandscape(*sheet, options));
            pages += TXLPrintJob(PdfPrinter(*sheet, options, landscape.back())).PageCount();
        }
        CheckPageLimit(pages);
    } catch (const std::exception& e) {
        error = "cannot write " + path + ": " + e.what();
        return false;
    }

    // The one atomic writer's temporary file, written through our own device
    // so that a failed write is seen (a printer's file is not).
    std::optional<TXLAtomicFile> file;
    try {
        file.emplace(path);
    } catch (const EXLFileError& e) {
        error = "cannot write " + path + ": " + e.Reason();
        return false;
    }
    TPdfFile device;
    if (!device.Open(file->TempPath())) {
        error = "cannot write " + path + ": " + device.Reason();
        return false;
    }
    // The reason a failed write gives: the device's, else the step that failed.
    auto failure = [&](const std::string& step) {
        return "cannot write " + path + ": " + (device.Failed() ? device.Reason() : step);
    };
    QPdfWriter writer(&device);
    writer.setResolution(kPdfDpi);
    writer.setPageLayout(PdfPageLayout(landscape.front()));
    writer.setCreator(QStringLiteral("fenban"));
    writer.setTitle(QString::fromStdString(sheets.front()->Title()));

    TXLPdfTextLog textLog;
    QPainter painter;
    if (!painter.begin(&writer)) {
        error = failure("the PDF writer did not start");
        return false;
    }
    bool ok = true;
    try {
        const TXLTextLogScope logging(textLog);
        bool first = true;
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            const TXLSheetPrinter printer = PdfPrinter(*sheets[i], options, landscape[i]);
            TXLPrintJob job(printer);
            for (int page = 1; page <= job.PageCount(); ++page) {
                if (!first) {
                    // A new orientation applies from the page that follows.
                    if (page == 1 && landscape[i] != landscape[i - 1])
                        writer.setPageLayout(PdfPageLayout(landscape[i]));
                    if (!writer.newPage())
                        throw EXLGridError("a new page could not be started");
                }
                first = false;
                job.PaintPage(painter, page);
                if (device.Failed())
                    throw EXLGridError("the page could not be written");
            }
        }
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        error = failure(e.what());
        ok = false;
    }
    if (!painter.end() && ok) {
        error = failure("the PDF writer did not finish");
        ok = false;
    }
    // Complete the text maps: names beyond the basic plane stay searchable.
    if (ok) {
        std::string tail;
        std::uint64_t size = 0;
        if (!device.ReadFontsTail(tail, size)) {
            error = failure("the file could not be read back");
            ok = false;
        } else if (const std::string update = textLog.TextMapUpdate(tail, size); !update.empty()) {
            device.write(update.data(), static_cast<qint64>(update.size()));
        }
    }
    if (!device.Finish() && ok) {
        error = failure("the file could not be written");
        ok = false;
    }
    if (ok) {
        try {
            file->Commit();
        } catch (const EXLFileError& e) {
            error = "cannot write " + path + ": " + e.Reason();
            ok = false;
        }
    }
    return ok;
}

}  // namespace xlpaint
