#pragma once
// The program's command line as it was started: the command name (item 0, as
// typed: a bare name and a full path are different names) and the switches.
// Kept here so that every library can test a switch, not only the program.
#include <string>
#include <string_view>
#include <vector>

namespace rt {

// Kept once at start; runtime text (CP1252).
void setCommandLine(int argc, const char* const* argv);
void setCommandLine(std::vector<std::string> items);
// Item 0; empty when none was kept.
std::string commandName();
// Whether an item equals `name` (ignoring case, as switches are typed).
bool hasSwitch(std::string_view name);

}  // namespace rt
