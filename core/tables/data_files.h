#pragma once
// The practice's database files in the working folder: the plain one and one
// per owner password.
#include <filesystem>
#include <vector>

#include "platform/data/table_dictionary.h"

namespace core {

const rt::DataFile& mainDataFile();      // "Varneta.dat"
const rt::DataFile& clinicalDataFile();  // "VarnetaC.dat": access log, schedule sheets
const rt::DataFile& agendaDataFile();    // "VarnetaA.dat": address book, reminders
// The three, the plain one first, as the database attaches them.
const std::vector<const rt::DataFile*>& practiceDataFiles();

// Opens the three files in `folder` (`createMissing`: a file missing beside
// files with data is created, see rt::openDatabase).
int openPracticeDatabase(const std::filesystem::path& folder, bool createMissing = false);
// The same, waiting while another workstation holds a file's lock (the
// calling logical thread suspends on a timer between tries, up to
// `limitMs`): 0, or the error that remained (32 when still locked).
int openPracticeDatabaseWaiting(const std::filesystem::path& folder, int limitMs = 10000,
                                bool createMissing = false);
// The same in the working folder, unless the files are open already.
int openPracticeDatabase();

}  // namespace core
