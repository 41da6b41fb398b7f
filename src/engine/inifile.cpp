#include "engine/inifile.h"

#include "engine/textrules.h"
#include "xlgrid/atomicfile.h"
#include "xlgrid/encoding.h"

#include <system_error>

namespace engine {
namespace {

constexpr std::size_t npos = std::string::npos;

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// The section name of a header line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line)
{
    std::string_view t = TrimBlanks(line);
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    size_t close = t.find(']');
    if (close == npos)
        return std::nullopt;
    return TrimBlanks(t.substr(1, close - 1));
}

bool IsComment(std::string_view line)
{
    std::string_view t = TrimBlanks(line);
    return !t.empty() && t.front() == ';';
}

bool IsQuotedText(std::string_view v)
{
    return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

}  // namespace

void TIniFile::Parse(std::string_view text)
{
    m_lines.clear();
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        m_lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        m_lines.emplace_back(text.substr(start));
}

std::string TIniFile::Text() const
{
    std::string out;
    for (const std::string& line : m_lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::size_t TIniFile::FindSection(std::string_view section) const
{
    for (size_t i = 0; i < m_lines.size(); ++i) {
        auto name = SectionName(m_lines[i]);
        if (name && SameName(*name, section))
            return i;
    }
    return npos;
}

std::size_t TIniFile::SectionEnd(std::size_t header) const
{
    size_t i = header + 1;
    while (i < m_lines.size() && !SectionName(m_lines[i]))
        ++i;
    return i;
}

std::size_t TIniFile::FindKey(std::size_t header, std::string_view key) const
{
    size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        const std::string& line = m_lines[i];
        size_t eq = line.find('=');
        if (eq == npos || IsComment(line))
            continue;
        if (SameName(TrimBlanks(std::string_view(line).substr(0, eq)), key))
            return i;
    }
    return npos;
}

std::optional<std::string> TIniFile::Read(std::string_view section, std::string_view key) const
{
    size_t header = FindSection(section);
    if (header == npos)
        return std::nullopt;
    size_t at = FindKey(header, key);
    if (at == npos)
        return std::nullopt;
    std::string_view line = m_lines[at];
    // The value is the text as written: a prefix may end in a blank.
    std::string_view value = line.substr(line.find('=') + 1);
    if (IsQuotedText(value))
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

void TIniFile::Write(std::string_view section, std::string_view key, std::string_view value)
{
    std::string line(key);
    line += '=';
    if (IsQuotedText(value)) {
        line += '"';
        line += value;
        line += '"';
    } else {
        line += value;
    }
    size_t header = FindSection(section);
    if (header == npos) {
        std::string header = "[";
        header += section;
        header += ']';
        m_lines.push_back(std::move(header));
        m_lines.push_back(std::move(line));
        return;
    }
    size_t at = FindKey(header, key);
    if (at != npos) {
        m_lines[at] = std::move(line);
        return;
    }
    // After the section's last non-blank line, so that a blank line that
    // separates it from the next section stays where it is.
    size_t end = SectionEnd(header);
    while (end > header + 1 && TrimBlanks(m_lines[end - 1]).empty())
        --end;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(end), std::move(line));
}

void TIniFile::Load(const std::filesystem::path& file, bool missingOk)
{
    std::error_code ec;
    if (missingOk && !std::filesystem::exists(file, ec) && !ec) {
        m_lines.clear();
        return;
    }
    std::string bytes = xlgrid::ReadWholeFile(file.string(), MaxFileBytes);
    try {
        Parse(xlgrid::DecodeTextFile(bytes).Text);
    } catch (const xlgrid::EXLTextError& e) {
        throw xlgrid::EXLFileError("read", file.string(), "it is not a settings file of text: " + std::string(e.what()));
    }
}

void TIniFile::Save(const std::filesystem::path& file) const
{
    std::error_code ec;
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), ec);
    xlgrid::WriteFileAtomic(file.string(), xlgrid::Utf8ToGb18030(Text()));
}

}  // namespace engine
