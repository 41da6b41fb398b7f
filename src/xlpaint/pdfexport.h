#pragma once
// Printing sheets into one PDF file, for the command line and hand-outs.

#include "xlgrid/sheet.h"

#include <string>
#include <vector>

namespace xlpaint {

struct TXLPdfOptions {
    // A4 portrait unless told otherwise.
    bool Landscape = false;
    // Class lists a teacher can hold: a sheet whose columns are wider than a
    // portrait page turns landscape, and is then scaled down to the page
    // width (not below kMinFitScale), so that a row is on one page.
    bool FitToWidth = false;
    // A heading line with the sheet's title and "第 n 页 / 共 m 页" on every page.
    bool PageHeadings = true;
};

// Whether a sheet prints landscape under the options: the options' own
// orientation, or with FitToWidth whether its columns are wider than a
// portrait page.
bool PrintsLandscape(const xlgrid::TXLSheet& sheet, const TXLPdfOptions& options);

// Prints every page of each sheet, in order, into one PDF file; each sheet
// starts on a new page. Pages use the sheets' own print settings on an A4
// page with the printable area of the default printer figures; text stays
// text (also names beyond the basic plane: the text map is completed). The
// file goes through the one atomic writer (xlgrid): a failure (a full disk
// too) leaves no half-written file and keeps an old one. More than
// kMaxPrintPages pages in all fail before a page is written. Returns false
// with one line in `error` ("cannot write FILE: reason") when it fails; Qt's
// own warnings of the failure are held back.
//
// Needs a QGuiApplication (the offscreen platform is enough): call
// EnsureGuiApplication() (qtconvert.h) first in a program without one; this
// function calls it itself as a last resort.
bool PrintSheetsToPdf(const std::vector<const xlgrid::TXLSheet*>& sheets, const std::string& path,
                      std::string& error, const TXLPdfOptions& options = {});

}  // namespace xlpaint
