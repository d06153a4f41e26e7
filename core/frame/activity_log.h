#pragma once
// The activity log: one text line per event (a form opened or closed, a
// message shown), in one file per user and day in the account's private temp
// folder (message texts name patients: no other account may read the log or
// plant a file for it). Lines of several threads and programs interleave
// line by line.
#include <string>
#include <string_view>
#include <vector>

namespace core {

// Longest line of the log, date and time included.
inline constexpr std::size_t kLogLineLength = 1024;

// The log's file name for the logged-in user and today:
// <private temp folder>\LogTL-<user code, 4 digits>-<day number>.txt.
std::string activityLogName();
// Builds GLO::ArchivoLog again (at start and after each login).
void BuildArchivoLog();

// Appends "dd/mm/yyyy hh:mm:ss - <text without surrounding blanks>", cut at
// kLogLineLength; when the append fails, also a line of the runtime's error
// and one of the file driver's error. Shows nothing and returns nothing.
void AgregaLog(std::string_view text);

// The lines that tell the calling thread's current error after an append:
// "... - Error -> <code> - <text>" and, for a driver error,
// "... - FileError -> <driver code> - <driver message>".
std::vector<std::string> activityErrorLines();

}  // namespace core
