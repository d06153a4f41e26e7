#pragma once
// Where files are: the working folder (the current directory at start), the
// per-user "Windows folder" (WIN.INI, INI files named without a folder, the
// registry file) and the temp folder. Runtime file names are CP1252 text in
// Windows form (".\varneta.INI", "\PDF\"); disk names are UTF-8.
#include <filesystem>
#include <string>
#include <string_view>

namespace rt {

// The working folder, captured from the current directory by the first call
// (or by captureWorkingFolder) and fixed from then on.
std::filesystem::path workingFolder();
// Makes the current directory the working folder (start-up, tests).
void captureWorkingFolder();

// A runtime file name on disk. "\" and "/" both separate folders; an absolute
// Unix name ("/home/...") stays as it is; every other name (bare, ".\x",
// "\PDF\x", a leading drive "C:" dropped) lies in the working folder. Each
// folder and file that exists is found whatever the case of its name; parts
// that do not exist keep the spelling given. A trailing separator is kept.
std::filesystem::path resolvePath(std::string_view name);
// The same resolution for a relative name inside a given folder.
std::filesystem::path resolveIn(const std::filesystem::path& folder, std::string_view name);

// $VARNETA_WINDIR, else $XDG_CONFIG_HOME/varneta, else ~/.config/varneta;
// created when missing.
std::filesystem::path windowsFolder();
// $TMPDIR, else /tmp.
std::filesystem::path tempFolder();

// A disk path as runtime text (CP1252; characters without a CP1252 byte
// become '?').
std::string runtimeName(const std::filesystem::path& path);

}  // namespace rt
