#pragma once
// Registers the procedures of the string class and its formatting companions, the debug and
// registry classes that lower subsystems reach by name.
namespace textlib {
void registerProcedures();
}
