#pragma once
// What the user is told when an action ends by an exception nobody caught
// (memory that could not be had, a fault of the program): a message naming
// the window or procedure it happened in, also written to the debug output.
// Nothing ends silently.
#include <exception>
#include <string>
#include <string_view>

namespace rt {

// The message's text for the failure in `where` (CP1252).
std::string failureText(std::string_view where, std::exception_ptr failure);
// Writes the failure to the debug output and shows it in an error message.
void reportFailure(std::string_view where, std::exception_ptr failure);

}  // namespace rt
