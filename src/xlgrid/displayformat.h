#pragma once
// The display-format languages of cells: number pictures, date pictures,
// boolean formats and edit masks. All are pure functions of (format, value)
// that never throw; an odd picture gives an odd but harmless text.

#include <string>
#include <string_view>
#include <utility>

namespace xlgrid {

// A cell format is "display part|editor options"; split at the first "|".
std::pair<std::string_view, std::string_view> SplitFormat(std::string_view format);

// Number picture: "0" digit always shown, "#" digit shown when significant,
// first "." decimal point, "," in the integer part turns on grouping by three,
// "E+"/"E-" scientific, ";" sections positive;negative;zero, quoted text and
// other characters copied. Empty picture = FormatGeneral. Decimal ties round
// half away from zero on the decimal value of the number (0.125 -> "0.13").
std::string FormatFloat(std::string_view picture, double x);

// The number cell rule: with "%" in the picture, every "%" is removed, x is
// multiplied by 100 and one "%" is appended to the result.
std::string FormatNumberDisplay(std::string_view displayPart, double x);

// Date picture: d dd ddd dddd, m mm mmm mmmm (minutes after an hour), yy yyyy,
// h hh, n nn, s ss, z zzz, am/pm and a/p (12-hour clock), "/" date separator,
// ":" time separator, "c" the short date plus the time when not midnight,
// quoted text and other characters copied; specifiers ignore case.
// An empty picture gives DateTimeToStr.
std::string FormatDateTime(std::string_view picture, double dt);

// The date cell rule: value != 0 -> the picture up to the first ";"; value 0
// -> the part after the first ";", or "" when there is none.
std::string FormatDateTimeDisplay(std::string_view displayPart, double dt);

// True: the part up to the first ";"; false: the part after it ("" if none).
std::string FormatBooleanDisplay(std::string_view displayPart, bool value);

// An edit mask without its optional trailing fields ";save literals;blank":
// whether the text holds the literals ("1", the default, or "0") and the
// blank character ("_" by default). Only unescaped ";" count.
struct TXLMaskParts {
    std::string_view Mask;
    bool SaveLiterals = true;
    std::string_view Blank = "_";
};
TXLMaskParts SplitEditMask(std::string_view mask);

// Applies an edit mask to a text (UTF-8; one character may be several bytes).
// Mask characters: 0 digit, 9 optional digit, # optional digit or sign,
// L letter, l optional letter, A letter or digit, a optional letter or digit,
// C any character, c optional any character, > upper case from here,
// < lower case from here, <> no case change, \ next character literal,
// _ a blank, : time separator, / date separator, ! ignored (edit behaviour);
// everything else is a literal. Optional trailing fields ";1;_": whether the
// text holds the literals (1, default) or only the entered characters (0), and
// the blank character. Letters include every non-ASCII character, so a Chinese
// name fills "L" positions. An optional position that the next character does
// not fit stays empty; a required one ends the result there ("as far as it
// goes"). A short text ends at its last character, and the mask's trailing
// literals follow only when no required position is left open ("(000)" with
// "123" is "(123)", "000-0000" with "12345" is "123-45"). Text beyond the mask
// is not shown. Never throws.
std::string FormatMaskText(std::string_view mask, std::string_view text);

}  // namespace xlgrid
