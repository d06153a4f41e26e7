#pragma once
// Two start-up and menu duties of the frame that touch settings files: the
// reminder to make a backup, and clearing the saved window positions.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/clock.h"

namespace core {

// respaldo.ini in the working folder: the backup window's last run and the
// reminder switch.
std::string backupIniFile();

// Whether the reminder shows: it is switched on (1) and the last backup
// (`lastBackup`, a day number; 0 = never) is two or more days before today.
// A last backup dated after today counts as recent.
bool backupReminderDue(rt::Date today, std::int64_t lastBackup, std::int64_t enabled);

// At start, before the frame's window opens: when the reminder is due, tells
// the user and runs the backup window ("Respaldo") on this thread. The start
// goes on whatever the backup window did.
bool AvisoRespaldo();

// The procedures whose sections of the program INI hold window positions.
const std::vector<std::string_view>& windowPositionSections();
// Empties the position and size entries of every procedure's section of the
// program INI, then says so.
void ResetearPosicionVentanas();

}  // namespace core
