#pragma once
// The headless commands. Each takes the words after the command name and
// returns the exit code: 0 success, 1 the roster check failed, 2 a usage
// error, unreadable input or unwritable output. Results go to out (UTF-8),
// messages to err, one clear line each except the roster check's text.

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

int RunDivide(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Dispatches argv[1]; prints the general help for --help and no command.
int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace cli
