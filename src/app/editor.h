#pragma once
// `fenban edit [FILE]`: the sheet designer on its own, on a sheet file, a
// workbook, a CSV file or an empty sheet.

#include <iosfwd>

namespace app {

// Runs the stand-alone designer; returns the exit code (2 when the file
// cannot be read or there is no display to open a window on).
int RunEditor(int argc, char** argv, std::ostream& err);

}  // namespace app
