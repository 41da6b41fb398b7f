#include "engine/configstore.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace engine {

TConfigStore::TConfigStore(std::filesystem::path file) : TConfigStore(std::move(file), false) {}

TConfigStore::TConfigStore(std::filesystem::path file, bool inMemory)
    : m_file(std::move(file)), m_inMemory(inMemory)
{
    // The values the store holds before its first load.
    m_values = {
        {"ClassCount", "1"},     {"ClassPrefix", ""},   {"CreateStudentID", "False"},
        {"StudentIDPrefix", ""}, {"SexPrefix", "False"}, {"SortFieldName", ""},
        {"SortFieldType", ""},   {"CreateSeats", "True"}, {"GroupCount", "1"},
        {"SeatSex", "True"},
    };
}

TConfigStore TConfigStore::InMemory(const std::filesystem::path& file)
{
    TConfigStore store(file, true);
    store.m_ini.Load(file, true);
    return store;
}

TConfigStore TConfigStore::InMemory() { return TConfigStore(std::filesystem::path(), true); }

const TIniFile& TConfigStore::Current() const
{
    if (!m_inMemory)
        m_ini.Load(m_file, true);
    return m_ini;
}

void TConfigStore::SetStoredValue(std::string_view name, std::string_view text)
{
    for (TStoredValue& v : m_values)
        if (v.Name == name) {
            v.Value = std::string(text);
            return;
        }
}

void TConfigStore::SetStoredValue(std::string_view name, bool value)
{
    SetStoredValue(name, std::string_view(value ? "True" : "False"));
}

void TConfigStore::SetStoredValue(std::string_view name, int value)
{
    SetStoredValue(name, std::string_view(std::to_string(value)));
}

void TConfigStore::LoadSettings()
{
    const TIniFile& ini = Current();
    for (TStoredValue& v : m_values)
        if (auto text = ini.Read(Section, v.Name))
            v.Value = *text;
    m_loaded = true;
}

void TConfigStore::SaveSettings()
{
    if (!m_loaded)
        return;
    Current();
    for (const TStoredValue& v : m_values)
        m_ini.Write(Section, v.Name, v.Value);
    if (!m_inMemory)
        m_ini.Save(m_file);
}

std::string TConfigStore::ReadSetting(std::string_view key, std::string_view fallback) const
{
    if (auto text = Current().Read(Section, key))
        return *text;
    return std::string(fallback);
}

int TConfigStore::ReadIntSetting(std::string_view key, int fallback) const
{
    auto text = Current().Read(Section, key);
    return text ? ParseIntSetting(*text, fallback) : fallback;
}

bool TConfigStore::ReadBoolSetting(std::string_view key, std::string_view fallback) const
{
    return ReadSetting(key, fallback) == "True";
}

void TConfigStore::WriteSetting(std::string_view key, std::string_view text)
{
    Current();
    m_ini.Write(Section, key, text);
    if (!m_inMemory)
        m_ini.Save(m_file);
}

int ParseIntSetting(std::string_view text, int fallback)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;  // a hand-edited "ClassCount= 5" still reads as 5
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return fallback;
    long long value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9')
            return fallback;
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return fallback;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return fallback;
    return static_cast<int>(value);
}

std::filesystem::path ExecutableFolder()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec) : exe.parent_path();
}

namespace {

std::filesystem::path UserFolder(const char* variable, const char* homeRelative)
{
    const char* value = std::getenv(variable);
    if (value && *value == '/')
        return value;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/tmp") / homeRelative;
}

bool IsWritableFolder(const std::filesystem::path& folder)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

std::filesystem::path DefaultConfigFile()
{
    const char* named = std::getenv(ConfigFileVariable);
    if (named && *named)
        return named;
    std::filesystem::path exe = ExecutableFolder();
    if (IsWritableFolder(exe))
        return exe / "Config.ini";
    return UserFolder("XDG_CONFIG_HOME", ".config") / "fenban" / "Config.ini";
}

std::filesystem::path DefaultTempFolder()
{
    std::filesystem::path exe = ExecutableFolder();
    if (IsWritableFolder(exe))
        return exe / "Temp";
    return UserFolder("XDG_DATA_HOME", ".local/share") / "fenban" / "Temp";
}

}  // namespace engine
