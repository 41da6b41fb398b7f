#pragma once
// Switches the C library's number locale to one whose decimal mark is a
// comma (as the desktop toolkit does when it adopts the user's locale) for
// the life of the object. scripts/install-deps.sh generates de_DE.UTF-8, so
// a test that needs one fails rather than skips when none is found.

#include <clocale>
#include <string>

class TCommaDecimalLocale {
public:
    TCommaDecimalLocale()
    {
        if (const char* old = std::setlocale(LC_NUMERIC, nullptr))
            m_old = old;
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8", "de_DE"})
            if (std::setlocale(LC_NUMERIC, name) && std::localeconv()->decimal_point[0] == ',') {
                m_active = true;
                return;
            }
        std::setlocale(LC_NUMERIC, m_old.c_str());
    }
    ~TCommaDecimalLocale() { std::setlocale(LC_NUMERIC, m_old.c_str()); }
    TCommaDecimalLocale(const TCommaDecimalLocale&) = delete;
    TCommaDecimalLocale& operator=(const TCommaDecimalLocale&) = delete;
    bool Active() const { return m_active; }

    static constexpr const char* Missing =
        "no locale with a decimal comma is installed (scripts/install-deps.sh generates de_DE.UTF-8)";

private:
    std::string m_old = "C";
    bool m_active = false;
};
