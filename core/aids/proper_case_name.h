#pragma once
// Capitalisation of personal names for letters: "JUAN PEREZ" becomes
// "Juan Perez", "mclean" "McLean", "o'brien" "O'Brien".
#include <string>
#include <string_view>

namespace core {

// Every word begins with a capital and goes on in lower case (the runtime's
// Spanish case rules); only a space separates words, so hyphens, apostrophes
// and dots are letters inside a word. The first four words also get the
// Mc and O' rules. Same length as the text; trailing spaces kept; a blank
// text comes back unchanged.
std::string ProperCaseName(std::string_view text);

}  // namespace core
