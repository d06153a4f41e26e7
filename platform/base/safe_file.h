#pragma once
// Small settings files (INI files, the registry file) read whole and rewritten
// at once: a change is written to a temporary file beside the original and
// renamed over it, so a crash never leaves half a file, and read-modify-write
// cycles of several processes on one file (workstations sharing a folder)
// follow each other under a byte-range lock instead of losing updates.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace rt {

// The file's bytes; nullopt when it is missing or cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Reads the file (empty when missing), lets `edit` change the content and,
// when edit answers true, replaces the file with it. False when the file could
// not be read, locked or written; the file is then unchanged.
bool editFileAtomically(const std::filesystem::path& path,
                        const std::function<bool(std::string& content)>& edit);

}  // namespace rt
