#pragma once
// The runtime's Spanish locale texts: month names, AM/PM, the captions of the
// standard message buttons. Fixed, whatever the machine's locale.
#include <array>
#include <string_view>

namespace rt {

// 1..12; CP1252 (all ASCII).
std::string_view monthName(int month);
std::string_view monthShortName(int month);
// The texts the runtime shows for times before and after noon.
std::string_view amText();
std::string_view pmText();

// Captions of the eight standard message buttons, in the runtime's order:
// Ok ("Continuar"), Yes, No, Abort, Ignore, Retry, Cancel, Help.
enum class StandardButton { Ok, Yes, No, Abort, Ignore, Retry, Cancel, Help };
std::string_view buttonCaption(StandardButton button);

// Replace the texts from a comma-separated list, as the locale settings give
// them (12 month names, 12 short names, 8 captions). A list with another
// count changes nothing and answers false. Views returned earlier stay valid
// only until the texts are replaced.
bool setMonthNames(std::string_view commaList);
bool setMonthShortNames(std::string_view commaList);
bool setButtonCaptions(std::string_view commaList);

}  // namespace rt
