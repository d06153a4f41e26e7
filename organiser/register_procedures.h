#pragma once
// Registers the procedures of the office organiser: address book, reminders, topics, notes
// that lower subsystems reach by name.
namespace organiser {
void registerProcedures();
}
