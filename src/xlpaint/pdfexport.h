#pragma once
// Printing sheets into one PDF file, for the command line and hand-outs.

#include "xlgrid/sheet.h"

#include <string>
#include <vector>

namespace xlpaint {

struct TXLPdfOptions {
    // A4 portrait unless told otherwise.
    bool Landscape = false;
    // A heading line with the sheet's title and page of pages on every page.
    bool PageHeadings = true;
};

// Prints every page of each sheet, in order, into one PDF file; each sheet
// starts on a new page. Pages use the sheets' own print settings on an A4
// page with the printable area of the default printer figures; text stays
// text. The file goes through the one atomic writer (xlgrid): a failure
// (a full disk too) leaves no half-written file and keeps an old one.
// Returns false with a message in `error` when it fails.
//
// Needs a QGuiApplication (the offscreen platform is enough): call
// EnsureGuiApplication() (qtconvert.h) first in a program without one; this
// function calls it itself as a last resort.
bool PrintSheetsToPdf(const std::vector<const xlgrid::TXLSheet*>& sheets, const std::string& path,
                      std::string& error, const TXLPdfOptions& options = {});

}  // namespace xlpaint
