#include "xlio/fileerror.h"

#include "xlgrid/atomicfile.h"

namespace xlio {
namespace {

std::string Compose(const std::string& file, const std::string& position, const std::string& what)
{
    std::string text = file;
    if (!position.empty())
        text += (text.empty() ? "" : ", ") + position;
    if (!text.empty())
        text += ": ";
    return text + what;
}

}  // namespace

EFileError::EFileError(std::string file, std::string position, std::string what, std::string message)
    : std::runtime_error(message), m_file(std::move(file)), m_position(std::move(position)), m_what(std::move(what))
{
}

EFileError::EFileError(std::string file, std::string position, std::string what)
    : EFileError(file, position, what, Compose(file, position, what))
{
}

EFileError EFileError::InWords(std::string file, std::string what, std::string message)
{
    return EFileError(std::move(file), "", std::move(what), std::move(message));
}

EFileError EFileError::From(const xlgrid::EXLFileError& e)
{
    return EFileError(e.Path(), "", "cannot " + e.Action() + ": " + e.Reason());
}

std::string ReadFileBounded(const std::string& path, std::uint64_t maxBytes)
{
    try {
        return xlgrid::ReadWholeFile(path, static_cast<std::size_t>(maxBytes));
    } catch (const xlgrid::EXLFileError& e) {
        throw EFileError::From(e);
    }
}

}  // namespace xlio
