#pragma once
// Saving a file so that a failure never leaves a half-written file or
// destroys the old one: the bytes go to a temporary file in the target's own
// folder (so the rename stays on one file system), are flushed to disk, and
// the temporary file is renamed over the target.

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace engine {

class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws EFileError naming the file and the system's reason.
void WriteFileAtomic(const std::filesystem::path& target, std::string_view bytes);

// Reads a whole file of at most maxBytes bytes; throws EFileError when the
// file cannot be read or is larger (a reader never trusts a file's size).
std::string ReadFileBounded(const std::filesystem::path& file, std::size_t maxBytes);

}  // namespace engine
