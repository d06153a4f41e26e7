#pragma once
// Small settings files (INI files, the registry file) read whole and rewritten
// at once: a change is written to a temporary file beside the original and
// renamed over it, so a crash never leaves half a file, and read-modify-write
// cycles of several processes on one file (workstations sharing a folder)
// follow each other under a byte-range lock instead of losing updates.
//
// Every file the program writes whole (settings, PDFs, exports, documents)
// is made anew beside its name and renamed over it: a write never goes
// through a symbolic link in the file's place (the link is replaced by the
// file), and never leaves half a file behind.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace rt {

// The file's bytes; nullopt when it is missing or cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Makes `path` anew: `write` fills a scratch file beside it (given by its
// name, not yet made), which is then renamed over `path`. The new file keeps
// the mode of the plain file it replaces, else gets 0666; either narrowed to
// the rule of file_modes.h. Zero on success, else the errno of what failed
// (EIO when `write` answered false); nothing is left behind then, and `path`
// is unchanged.
int replaceFile(const std::filesystem::path& path,
                const std::function<bool(const std::filesystem::path& scratch)>& write);

// Reads the file (empty when missing), lets `edit` change the content and,
// when edit answers true, replaces the file with it (keeping its mode). A
// link in the file's place is first replaced by a file holding what the link
// showed, so the file it points at is never written. False when the file could
// not be read, locked or written; the file is then unchanged.
bool editFileAtomically(const std::filesystem::path& path,
                        const std::function<bool(std::string& content)>& edit);

}  // namespace rt
