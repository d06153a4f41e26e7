#pragma once
// Registers the procedures of report destination, e-mail and support windows, list export
// that lower subsystems reach by name.
namespace output {
void registerProcedures();
}
