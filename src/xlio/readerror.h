#pragma once
// The one error the file readers and writers of this library raise (the name
// is historical: workbook writing raises it as well). It carries
// the file, where in it the problem sits (a part name, a line, a byte offset;
// empty when it concerns the whole file) and what was wrong, and composes them
// into one message a user can act on.

#include <stdexcept>
#include <string>

namespace xlio {

class EReadError : public std::runtime_error {
public:
    EReadError(std::string file, std::string position, std::string what);

    const std::string& File() const { return m_file; }
    const std::string& Position() const { return m_position; }
    const std::string& What() const { return m_what; }

private:
    std::string m_file;
    std::string m_position;
    std::string m_what;
};

}  // namespace xlio
