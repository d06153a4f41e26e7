#pragma once
// Who may read and write what the program makes. Its files hold patient data
// and passwords, so they are the account's own (files 0600, folders 0700);
// in a data folder shared with a group (setgid, or writable by its group)
// that group shares them (0660, 0770). Other accounts never get in.
//
// The rule is taken once from the data folder at start and set as the
// process's creation mask, so every file and folder that the program, SQLite,
// Qt, the office-file libraries and the programs it starts (the archiver)
// make follows it. A file rewritten through a temporary one keeps the mode it
// had, narrowed to the rule.
#include <sys/types.h>

#include <filesystem>

namespace rt {

struct FileModes {
  mode_t file = 0600;
  mode_t folder = 0700;
};

// The rule for what the program makes in `dataFolder`.
FileModes fileModesFor(const std::filesystem::path& dataFolder);

// Sets the rule of `dataFolder` for the process, and narrows to it what an
// earlier version left open there: the folder's own files and folders, and
// the files of its subfolders (PDF/, Exportados/ ...). Only the account's own
// files change, and only ever lose permissions (0644 becomes 0600, or 0640
// in a group-shared folder); links are never followed.
void applyFileModes(const std::filesystem::path& dataFolder);

// `mode` without what the rule in force forbids (the process's creation mask).
mode_t permittedMode(mode_t mode);

}  // namespace rt
