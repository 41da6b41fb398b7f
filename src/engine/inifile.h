#pragma once
// An INI text held as its lines, so that writing a key changes only that
// key's line (or appends one at the end of its section) and every other
// section, key and comment of the file stays as it was.
//
// Lookups scan the lines: settings files hold a few dozen lines, so a scan is
// cheaper than keeping an index in step with edits. Section and key names
// compare without regard to ASCII case, as the platform's private-profile
// functions did; the first occurrence wins.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

class TIniFile {
public:
    // UTF-8 text; lines may end in CR LF, LF or CR.
    void Parse(std::string_view text);
    // UTF-8 text, lines ended by CR LF.
    std::string Text() const;

    // The text after the key's '=' with one pair of matching outer quotes
    // (double or single) taken off; blanks are part of the text.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;

    // Replaces the key's line where it stands, or appends it at the end of
    // the section (the section is appended when missing). A value that
    // begins and ends with the same quote character gets one further pair of
    // double quotes, so that reading gives it back unchanged.
    void Write(std::string_view section, std::string_view key, std::string_view value);

    // Load decodes as every text file is (xlgrid::DecodeTextFile: a UTF-8
    // byte-order mark or valid UTF-8 text is UTF-8, else GB18030) and throws
    // xlgrid::EXLFileError for an unreadable, oversized or undecodable file;
    // a missing file loads as empty when missingOk. Save writes GB18030 and
    // replaces the file atomically (xlgrid's writer).
    void Load(const std::filesystem::path& file, bool missingOk);
    void Save(const std::filesystem::path& file) const;

    static constexpr std::size_t MaxFileBytes = 1 << 20;

private:
    // Index of the section's header line, or npos.
    std::size_t FindSection(std::string_view section) const;
    // Index of the key's line inside the section starting after header.
    std::size_t FindKey(std::size_t header, std::string_view key) const;
    std::size_t SectionEnd(std::size_t header) const;

    std::vector<std::string> m_lines;
};

}  // namespace engine
