#pragma once
// The system macros that letters may use: the program records each one that
// is missing at every start and never changes them afterwards.
#include <string_view>
#include <vector>

namespace letters {

struct BuiltInMacro {
  std::string_view identifier;
  std::string_view description;  // runtime text (CP1252)
};

// The system macros in the order they are recorded.
const std::vector<BuiltInMacro>& builtInMacros();

// Adds each system macro whose identifier has no record yet (marked built-in,
// with the next free code); leaves existing macros as they are.
void AltaMacros();

}  // namespace letters
