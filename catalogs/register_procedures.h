#pragma once
// Registers the procedures of the reference catalogues
// that lower subsystems reach by name.
namespace catalogs {
void registerProcedures();
}
