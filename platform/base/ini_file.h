#pragma once
// INI files as the runtime reads and writes them (GETINI / PUTINI), with the
// Windows profile rules of IniDocument. File names: empty = WIN.INI in the
// Windows folder; a bare name ("Agenda.ini") = that file in the Windows
// folder; a name with a folder (".\varneta.INI") resolved by resolvePath.
// Files are UTF-8 on disk; sections, entries and values are runtime text
// (CP1252). Every write rewrites the file at once (see safe_file.h).
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rt {

// The disk file an INI file name stands for.
std::filesystem::path iniFilePath(std::string_view file);

// The entry's value, or `defaultValue` when the file, the section or the
// entry is missing.
std::string getIni(std::string_view section, std::string_view entry,
                   std::string_view defaultValue = {}, std::string_view file = {});

// Writes the entry (replacing its value in place, or adding it at the end of
// its section, or adding the section at the end of the file; the file is
// created when missing). False when nothing could be written, or when a name
// or the value holds a line break (see IniDocument::setValue).
bool putIni(std::string_view section, std::string_view entry, std::string_view value,
            std::string_view file = {});

// All entries of a section in file order (name, value); empty when missing.
std::vector<std::pair<std::string, std::string>> getIniSection(std::string_view section,
                                                               std::string_view file = {});

// A number from text as the runtime reads one: leading blanks, an optional
// sign and the digits that follow; anything else gives 0 (" -12abc" is -12,
// "abc" is 0). Values beyond the 64-bit range stop at its ends.
std::int64_t textToNumber(std::string_view text);

}  // namespace rt
