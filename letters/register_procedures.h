#pragma once
// Registers the procedures of letters from templates with macros
// that lower subsystems reach by name.
namespace letters {
void registerProcedures();
}
