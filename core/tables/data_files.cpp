#include "core/tables/data_files.h"

#include "platform/base/paths.h"
#include "platform/base/runtime_errors.h"
#include "platform/base/thread_timer.h"
#include "platform/data/database.h"

namespace core {

const rt::DataFile& mainDataFile() {
  static const rt::DataFile f{"Varneta.dat", ""};
  return f;
}

// The owner passwords are built into the program: the same on every
// workstation, so every workstation opens the same files.
const rt::DataFile& clinicalDataFile() {
  static const rt::DataFile f{"VarnetaC.dat", "q7vn2rk4m"};
  return f;
}

const rt::DataFile& agendaDataFile() {
  static const rt::DataFile f{"VarnetaA.dat", "ag3nd4v7rn2x9kp"};
  return f;
}

const std::vector<const rt::DataFile*>& practiceDataFiles() {
  static const std::vector<const rt::DataFile*> files = {&mainDataFile(), &clinicalDataFile(),
                                                         &agendaDataFile()};
  return files;
}

int openPracticeDatabase(const std::filesystem::path& folder, bool createMissing) {
  return rt::openDatabase(folder, practiceDataFiles(), createMissing);
}

int openPracticeDatabaseWaiting(const std::filesystem::path& folder, int limitMs,
                                bool createMissing) {
  constexpr int kStepMs = 100;
  for (int waited = 0;; waited += kStepMs) {
    int rc = openPracticeDatabase(folder, createMissing);
    if (rc == 0) {
      for (const rt::DataFile* file : {&clinicalDataFile(), &agendaDataFile()}) {
        if (rt::dataFileError(*file) == rt::error::FileLocked) rc = rt::error::FileLocked;
      }
    }
    if (rc != rt::error::FileLocked || waited >= limitMs) return rc;
    // Another workstation is writing: no file stays half attached while we wait.
    rt::closeDatabase();
    rt::waitOnTimer(kStepMs);
  }
}

}  // namespace core

namespace core {

int openPracticeDatabase() {
  return rt::databaseIsOpen() ? 0 : openPracticeDatabase(rt::workingFolder());
}

}  // namespace core
