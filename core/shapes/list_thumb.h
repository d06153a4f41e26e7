#pragma once
// The alphabetic steps of a list's scroll thumb: the thumb of a list ordered
// by a text stands at the letter of the selected row's key, and dropping it on
// a letter moves the list to the first record from that letter on.
#include <string>
#include <string_view>

namespace core {

// The upper-case letters of the runtime's character set (A to Z and the
// accented capitals of its case rules), in the collation order: one step each.
const std::string& alphabeticSteps();

// The step a key value falls in: the last step whose letter does not collate
// after the value's first character (without regard to case); values before
// the first letter (digits, signs, blank) fall in the first step.
int alphabeticStep(std::string_view value);

}  // namespace core
