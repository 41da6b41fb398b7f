#include "cli/pdfoutput.h"

#include "cli/commands.h"
#include "xlgrid/sheet.h"
#include "xlpaint/pdfexport.h"
#include "xlpaint/qtconvert.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <filesystem>

namespace cli {
namespace {

namespace fs = std::filesystem;

bool g_qtQuieted = false;
QtMessageHandler g_qtHandler = nullptr;

// On a machine without a desktop session the offscreen platform warns that
// it has no runtime folder; the PDF needs none, and the command's stderr
// stays for its own one line.
void QuietRuntimeFolderWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("QStandardPaths:")))
        return;
    if (g_qtHandler)
        g_qtHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Starts the offscreen application the printing needs, quietly.
void EnsurePrinting()
{
    if (!g_qtQuieted) {
        g_qtQuieted = true;
        g_qtHandler = qInstallMessageHandler(QuietRuntimeFolderWarning);
    }
    xlpaint::EnsureGuiApplication();
}

}  // namespace

void WritePdf(const std::vector<const xlgrid::TXLSheet*>& sheets, const std::string& file, bool fitToWidth)
{
    // A missing folder is told plainly, before the printer complains of it.
    const fs::path folder = fs::path(file).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec))
        throw EUsage("cannot write " + file + ": the folder " + folder.string() + " does not exist");
    EnsurePrinting();
    std::string error;
    xlpaint::TXLPdfOptions options;
    options.FitToWidth = fitToWidth;
    if (!xlpaint::PrintSheetsToPdf(sheets, file, error, options))
        throw EUsage(error.empty() ? "cannot write " + file : error);
}

}  // namespace cli
