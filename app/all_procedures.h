#pragma once
// Registers the procedures of every subsystem, so that any of them can reach
// any other by name.
namespace app {
void registerAllProcedures();
}
