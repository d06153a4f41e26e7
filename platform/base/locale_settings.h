#pragma once
// The runtime's locale settings, set by name at start-up: "CLACHARSET",
// "CLACOLSEQ", "CLACASE", "CLAMONTH", "CLAMON", "CLAAMPM", "CLABUTTON" and
// "CLAMSG<code>". Month names, button captions and error texts take the new
// value. The character set, AM/PM texts, collation sequence and case lists are
// compiled-in constants: a setting that names anything else is refused.
#include <string_view>

namespace rt {

// name and value are runtime text (CP1252); names ignore case. False when the
// setting is unknown or its value cannot be applied (nothing changes then).
bool setLocaleSetting(std::string_view name, std::string_view value);

}  // namespace rt
