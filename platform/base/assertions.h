#pragma once
// The runtime's assertion hook: code reports a failed assertion with the line
// number, the name of the source that holds it and its message; the installed
// hook decides what happens (the debug object shows it or traces it).
#include <functional>
#include <string_view>

namespace rt {

using AssertHook = std::function<void(int line, std::string_view source, std::string_view message)>;

// Installs the hook (an empty function clears it) and returns the one it
// replaces.
AssertHook setAssertHook(AssertHook hook);
bool assertHookInstalled();

// Reports a failed assertion to the hook. Without one the failure is written
// to the debug output: "Assertion failed in [source] @[line]: message".
void assertionFailed(int line, std::string_view source, std::string_view message);

}  // namespace rt
