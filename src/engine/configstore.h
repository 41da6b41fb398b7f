#pragma once
// The division settings: ten named values in section [Global] of Config.ini.
//
// The store keeps the ten stored values (texts once loaded) in their fixed
// order and a path. In file mode every ReadSetting reads the file at the
// moment of the call and every save rewrites it atomically; in memory mode
// (the command line) the file is read once, edits and saves stay in memory,
// and nothing is ever written to disk.

#include "engine/inifile.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

struct TStoredValue {
    std::string Name;
    std::string Value;  // the text written to the file
};

class TConfigStore {
public:
    static constexpr std::string_view Section = "Global";

    // File mode on the given path.
    explicit TConfigStore(std::filesystem::path file);
    // Memory mode: starts from the file's keys (a missing file is empty).
    static TConfigStore InMemory(const std::filesystem::path& file);
    static TConfigStore InMemory();

    const std::vector<TStoredValue>& StoredValues() const { return m_values; }
    // Changes a stored value; it reaches the file with the next SaveSettings.
    void SetStoredValue(std::string_view name, std::string_view text);
    void SetStoredValue(std::string_view name, bool value);
    void SetStoredValue(std::string_view name, int value);
    bool IsLoaded() const { return m_loaded; }

    // Every stored value := its key's text, the current text as default.
    void LoadSettings();
    // Writes every stored value in order; does nothing before the first load.
    void SaveSettings();

    std::string ReadSetting(std::string_view key, std::string_view fallback) const;
    int ReadIntSetting(std::string_view key, int fallback) const;
    bool ReadBoolSetting(std::string_view key, std::string_view fallback) const;
    // Writes one key (in file mode straight to the file).
    void WriteSetting(std::string_view key, std::string_view text);

    const std::filesystem::path& File() const { return m_file; }
    bool IsInMemory() const { return m_inMemory; }

private:
    TConfigStore(std::filesystem::path file, bool inMemory);
    const TIniFile& Current() const;

    std::filesystem::path m_file;
    bool m_inMemory = false;
    bool m_loaded = false;
    std::vector<TStoredValue> m_values;
    mutable TIniFile m_ini;
};

// The whole text read as a decimal integer of 32 bits, else the fallback.
int ParseIntSetting(std::string_view text, int fallback);

// The one environment variable of the program: the settings file to use
// instead of the default Config.ini (tests name their own with it).
inline constexpr const char* ConfigFileVariable = "FENBAN_CONFIG";

// Where Config.ini lives: $FENBAN_CONFIG when set; else beside the executable
// when that folder is writable, else $XDG_CONFIG_HOME/fenban (default
// ~/.config/fenban).
std::filesystem::path DefaultConfigFile();
// The CSV export folder: Temp beside the executable when writable, else
// $XDG_DATA_HOME/fenban/Temp (default ~/.local/share/fenban/Temp).
std::filesystem::path DefaultTempFolder();
std::filesystem::path ExecutableFolder();

}  // namespace engine
