#pragma once
// Whole-file reads and crash-safe writes for every file the program saves.
//
// A save writes a new temporary file in the target's folder, syncs it, and
// renames it over the target (then syncs the folder), so a full disk, a
// missing permission or a killed process leaves the old file as it was. The
// temporary file has no name while it is written (O_TMPFILE) wherever the
// file system allows, so a killed process leaves nothing behind either; it
// gets a hidden name beside the target only for the moment of the rename.
// Failures raise EXLFileError; the temporary file is removed on every
// reported failure.

#include "xlgrid/binstream.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace xlgrid {

// A file the system refused, or a bound it broke. The message reads
// Cannot <action> "<path>": <reason>; the parts stay apart for callers that
// name the file in their own words.
class EXLFileError : public EXLStreamError {
public:
    EXLFileError(std::string action, std::string path, std::string reason);
    const std::string& Action() const { return m_action; }
    const std::string& Path() const { return m_path; }
    const std::string& Reason() const { return m_reason; }

private:
    std::string m_action, m_path, m_reason;
};

// Called after each chunk written to the temporary file with the bytes done
// so far (tests use it to stop a save half-way).
using TXLWriteProgress = std::function<void(size_t done, size_t total)>;

// One file being saved. The target is untouched until Commit; an object
// destroyed without a commit removes its temporary file. Libraries that
// write to a file name write to TempPath() (the same temporary file).
class TXLAtomicFile {
public:
    explicit TXLAtomicFile(std::string target);
    ~TXLAtomicFile();
    TXLAtomicFile(TXLAtomicFile&& other) noexcept;
    TXLAtomicFile& operator=(TXLAtomicFile&&) = delete;
    TXLAtomicFile(const TXLAtomicFile&) = delete;
    TXLAtomicFile& operator=(const TXLAtomicFile&) = delete;

    const std::string& Target() const { return m_target; }
    const std::string& TempPath() const { return m_tempPath; }

    // Appends bytes to the temporary file.
    void Write(std::string_view data, const TXLWriteProgress& progress = {}, size_t chunk = 1 << 20);
    // Syncs the temporary file to disk and closes it (whoever wrote it).
    void Finish();
    // Finish, and a hidden name beside the target instead of the open
    // descriptor an unnamed file needs (for sets of many files).
    void Park();
    // Finish, then the rename over the target and the folder sync.
    void Commit();

private:
    void Discard() noexcept;

    std::string m_target;
    std::string m_tempPath;  // /proc/self/fd/N for an unnamed file
    std::string m_namedPath; // the hidden name of a named temporary file
    int m_fd = -1;
    bool m_finished = false;
    bool m_committed = false;
};

// Commits the files together: each is finished before any is renamed, so
// the set appears in place only when every file of it is complete.
void CommitAll(std::vector<TXLAtomicFile>& files);

// Writes data into a new file that replaces path.
void WriteFileAtomic(const std::string& path, std::string_view data, const TXLWriteProgress& progress = {},
                     size_t chunk = 1 << 20);

// Reads a whole regular file of at most maxSize bytes; a larger one is
// refused, whatever size the file claims. A folder, pipe (FIFO), device or
// socket is refused without blocking and before anything is read.
std::string ReadWholeFile(const std::string& path, size_t maxSize);

}  // namespace xlgrid
