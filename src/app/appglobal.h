#pragma once
// Start-up helpers of the desktop program: the process formats, the product
// title, where the settings and the Temp folder live, and the whole start of
// a window process (single-instance guard, translations, main window).

#include <QString>

#include <filesystem>

namespace app {

inline constexpr const char* ProductVersion = "1.3.2";

// "分班系统 1.3.2 版 © 2026": the caption of the main window, ending with the year.
QString ProductTitle(int year);

// The date and time formats of this process: yyyy-MM-dd and hh:nn:ss with
// '-' and ':' (the sheet model's own formats, never the system's). The
// system's regional settings are never changed. Returns true when the
// formats in force are those.
bool ApplyDateFormats();

// Where the window keeps its settings and writes its exports.
struct TAppPaths {
    std::filesystem::path ConfigFile;
    std::filesystem::path TempFolder;
};

// Config.ini and Temp beside the executable, or the user's folders when that
// one is not writable; FENBAN_CONFIG names another settings file.
TAppPaths DefaultAppPaths();

// Roster files the window brings in: .xlsx, .xls, .csv and .xlf.
bool IsRosterFile(const QString& file);

// The window process: argv may carry --config FILE and one roster file.
// A second window process ends at once with 0 and shows nothing.
// `edit [FILE]` opens the sheet designer alone.
int RunDesktop(int argc, char** argv);

}  // namespace app
