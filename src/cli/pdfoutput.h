#pragma once
// The printed output of the command line: sheets into one PDF on A4, and the
// choice of the page's orientation for the result sheets.

#include <string>
#include <vector>

namespace xlgrid {
class TXLSheet;
}

namespace cli {

// Whether the sheets print in fewer column strips on a landscape A4 page
// than on a portrait one, and in no more for any of them: a class list a few
// columns wider than a portrait page is then printed across instead of being
// cut in two side by side.
bool PrintsNarrowerAcross(const std::vector<const xlgrid::TXLSheet*>& sheets);

// Prints sheets into one PDF on A4 (portrait unless landscape), each sheet
// from a new page under its title; a failure is an EUsage naming the file.
void WritePdf(const std::vector<const xlgrid::TXLSheet*>& sheets, const std::string& file, bool landscape);

}  // namespace cli
