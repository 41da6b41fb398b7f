#pragma once
// Whole-file reads and crash-safe writes for every file the program saves.
//
// A write goes to a new temporary file in the target's folder, is flushed
// and synced, and is then renamed over the target (and the folder synced),
// so a full disk, a missing permission or a killed process leaves the old
// file as it was. Failures raise EXLStreamError with the file name and the
// system's reason; the temporary file is removed on every reported failure.

#include "xlgrid/binstream.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace xlgrid {

// Called after each chunk written to the temporary file with the bytes done
// so far (tests use it to stop a save half-way).
using TXLWriteProgress = std::function<void(size_t done, size_t total)>;

void WriteFileAtomic(const std::string& path, std::string_view data, const TXLWriteProgress& progress = {},
                     size_t chunk = 1 << 20);

// Reads a whole file; refuses files larger than maxSize.
std::string ReadWholeFile(const std::string& path, size_t maxSize);

}  // namespace xlgrid
