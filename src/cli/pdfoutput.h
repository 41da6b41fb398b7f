#pragma once
// The printed output of the command line: sheets into one PDF on A4.

#include <string>
#include <vector>

namespace xlgrid {
class TXLSheet;
}

namespace cli {

// Prints sheets into one PDF on A4, each sheet from a new page under its
// title; a failure is an EUsage of one line naming the file and the reason.
// fitToWidth: the division's lists, landscape when they are wider than a
// portrait page and scaled down to the width (see TXLPdfOptions).
void WritePdf(const std::vector<const xlgrid::TXLSheet*>& sheets, const std::string& file, bool fitToWidth);

}  // namespace cli
