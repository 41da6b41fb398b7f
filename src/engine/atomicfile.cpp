#include "engine/atomicfile.h"

#include "xlgrid/atomicfile.h"
#include "xlgrid/sheetstream.h"

namespace engine {

// One atomic writer and one bounded reader serve the whole program; here they
// only report failures in the engine's own error type.

void WriteFileAtomic(const std::filesystem::path& target, std::string_view bytes)
{
    try {
        xlgrid::WriteFileAtomic(target.string(), bytes);
    } catch (const xlgrid::EXLStreamError& e) {
        throw EFileError(e.what());
    }
}

std::string ReadFileBounded(const std::filesystem::path& file, std::size_t maxBytes)
{
    try {
        return xlgrid::ReadWholeFile(file.string(), maxBytes);
    } catch (const xlgrid::EXLStreamError& e) {
        throw EFileError(e.what());
    }
}

}  // namespace engine
