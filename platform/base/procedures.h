#pragma once
// Procedures of higher-numbered subsystems are reached by name, so a library
// never links what sits above it. A name nobody registered answers 2
// (cancelled), the way a window closed without a choice answers.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

constexpr int kCompleted = 1;
constexpr int kCancelled = 2;

// Arguments travel as runtime text (CP1252); numbers as their decimal text.
using ProcedureArgs = std::vector<std::string>;
using Procedure = std::function<int(const ProcedureArgs&)>;

// Registers (or replaces) a procedure. Names ignore case.
void registerProcedure(std::string_view name, Procedure procedure);
void unregisterProcedure(std::string_view name);
bool isProcedureRegistered(std::string_view name);

// Runs the procedure on the calling logical thread and returns its answer;
// kCancelled (and a line in the debug output) when no such name is registered.
int callProcedure(std::string_view name, const ProcedureArgs& args = {});

}  // namespace rt
