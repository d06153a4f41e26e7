#pragma once
// The backup of the practice's data: a consistent copy of the three data
// files and a plain copy of the working folder's other INI and data files,
// packed by the 7-Zip archiver into one archive in a folder the user chooses.
// The window says which archive it made, and records where and when the last
// backup was made in respaldo.ini (a failed one changes nothing there).
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/shapes/aided_window.h"
#include "platform/base/clock.h"
#include "platform/base/private_temp.h"

namespace admin {

// The archive's runtime name: the destination, "\Varneta-", the date as
// YYYYMMDD, "-" and the time as HHMM; the archiver adds its extension.
std::string backupArchiveName(std::string_view destination, rt::Date date, rt::Time time);

// The files of a working folder copied into a work folder of the account's
// private temp folder (each copy readable by the account only), ready to be
// packed: the data files through one read transaction (no commit of any
// workstation falls between them; the sealed ones stay sealed), the other
// "*.ini" and "*.dat" files (any case) as they are. Blocks: run it on a worker.
struct BackupSnapshot {
  rt::WorkFolder work;             // removed with the snapshot
  std::filesystem::path folder;    // the work folder's path
  std::vector<std::string> names;  // the copied files, by name
  std::string error;               // runtime text; empty when the copy is complete
  double heldMs = 0;               // how long the data files were held against writers
};
BackupSnapshot snapshotWorkingFiles(const std::filesystem::path& workingFolder);

// The archiver's arguments: add, the switches, the archive, then "--" and
// the names, each taken as it is (a name that reads as a switch, a list file
// or a wildcard is still one file).
std::vector<std::string> archiverArguments(const std::filesystem::path& archive,
                                           const std::vector<std::string>& names);
// The command line as one text for the trace (arguments with blanks quoted).
std::string commandLineText(const std::string& program, const std::vector<std::string>& args);

// Runs the archiver (Debian's 7z from $PATH) in `folder`; blocks. Empty on
// success (exit code 0, the archive present and listing every one of
// `names`), else what went wrong (runtime text); an archive that lacks a
// name is removed.
std::string runArchiver(const std::string& program, const std::vector<std::string>& args,
                        const std::filesystem::path& folder, const std::filesystem::path& archive,
                        const std::vector<std::string>& names);

class BackupWindow : public core::AidedWindow {
 public:
  BackupWindow() : AidedWindow("Respaldo") {}
  int Init() override;
  int TakeAccepted() override;

 private:
  void takeControls();
  void showValues();
  // The backup; empty on success (`made` is then the archive), else why it
  // failed (runtime text).
  std::string backUp(std::filesystem::path& made);

  std::string Destino;  // ?CAMINOPARARESPALDO
  rt::Date UltimaFecha = 0;
  rt::Time UltimaHora = 0;
};

// The procedure "Respaldo".
int Respaldo();

}  // namespace admin
