#pragma once
// Registers the procedures of backup, table maintenance, change history
// that lower subsystems reach by name.
namespace admin {
void registerProcedures();
}
