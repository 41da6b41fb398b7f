#pragma once
// The one error the file readers and writers of this library raise. It
// carries the file, where in it the problem sits (a part name, a line, a byte
// offset; empty when it concerns the whole file) and what was wrong, and its
// message names the file and the position once, "file, position: what", so
// a caller shows it as it is.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace xlgrid {
class EXLFileError;
}

namespace xlio {

class EFileError : public std::runtime_error {
public:
    EFileError(std::string file, std::string position, std::string what);
    // A message in its own words that names the file once, such as
    // "cannot read the sheet file \"a.xlf\": ...".
    static EFileError InWords(std::string file, std::string what, std::string message);
    // A refusal of the program's file reader or writer: "file: cannot open: reason".
    static EFileError From(const xlgrid::EXLFileError& e);

    const std::string& File() const { return m_file; }
    const std::string& Position() const { return m_position; }
    const std::string& What() const { return m_what; }

private:
    EFileError(std::string file, std::string position, std::string what, std::string message);

    std::string m_file;
    std::string m_position;
    std::string m_what;
};

// The whole file through the program's one bounded reader (xlgrid); a
// refusal is an EFileError.
std::string ReadFileBounded(const std::string& path, std::uint64_t maxBytes);

}  // namespace xlio
