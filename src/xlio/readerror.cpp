#include "xlio/readerror.h"

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

EReadError::EReadError(std::string file, std::string position, std::string what)
    : std::runtime_error(Compose(file, position, what)), m_file(std::move(file)),
      m_position(std::move(position)), m_what(std::move(what))
{
}

}  // namespace xlio
