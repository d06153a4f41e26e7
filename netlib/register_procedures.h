#pragma once
// Registers the procedures of the connection, mail and HTTP helper classes
// that lower subsystems reach by name.
namespace netlib {
void registerProcedures();
}
