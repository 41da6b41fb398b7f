#pragma once
// What the one fenban binary does with its arguments: a headless command
// (divide, check, convert, --help) runs in src/cli and never opens a window;
// no arguments, `edit [FILE]` or a roster file open the desktop window.

#include <iosfwd>

namespace app {

// Whether the arguments ask for the desktop window.
bool WantsWindow(int argc, char** argv);

// main() of fenban; returns the exit code.
int Run(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace app
