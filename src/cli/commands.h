#pragma once
// The headless commands. Each takes the words after the command name and
// returns the exit code: 0 success, 1 the roster check failed, 2 a usage
// error, unreadable input or unwritable output (standard output and error
// included). Results go to out (UTF-8), messages to err, one clear line each
// except the roster check's text.

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

// A failure that ends a command with exit code 2 and one line on stderr.
class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

int RunDivide(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Runs argv[1] as a command; prints the general help for --help and an
// unknown command. Both streams are flushed and checked at the end: a failed
// write gives exit code 2.
int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace cli
