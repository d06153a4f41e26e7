// datcheck [folder]: SQLite's integrity check of the three data files of a
// data folder (the current folder by default), with the program's
// collations and the owner passwords of the sealed files. Prints one line per
// file and ends with 0 when every file is sound, 1 otherwise.
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/tables/data_files.h"
#include "platform/base/cp1252.h"
#include "platform/base/paths.h"
#include "platform/data/database.h"

int main(int argc, char** argv) {
  const std::filesystem::path folder =
      argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::current_path();
  if (core::openPracticeDatabase(folder) != 0) {
    const std::string& problem = rt::refusedDataFile();
    // The program's texts are CP1252; a terminal reads UTF-8.
    std::printf("%s: %s\n", folder.c_str(),
                problem.empty() ? "cannot be opened" : rt::cp1252ToUtf8(problem).c_str());
    return 1;
  }
  bool sound = true;
  for (const rt::DataFile* file :
       {&core::mainDataFile(), &core::clinicalDataFile(), &core::agendaDataFile()}) {
    const std::string result = rt::integrityCheck(*file);
    std::printf("%s: %s\n", file->fileName.c_str(), result.c_str());
    sound = sound && result == "ok";
  }
  rt::closeDatabase();
  return sound ? 0 : 1;
}
