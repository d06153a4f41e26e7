#pragma once
// Registers the procedures of the application core: start-up, tables, frame, users, settings, log,
// message window, search, calendar that lower subsystems reach by name.
namespace core {
void registerProcedures();
}
