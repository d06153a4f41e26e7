#pragma once
// The process's connection to the database files of the working folder: the
// plain main file with the files of the owner-password tables attached, so a
// transaction over any tables is atomic.
#include <filesystem>
#include <vector>

#include "platform/data/table_dictionary.h"

namespace rt {

// Opens (creating when missing) `files` in `folder`; the first one is the main
// file and must have no owner password. An encrypted file that does not open
// under its password (a wrong password, a damaged file) is left out: its
// tables refuse to open. Returns 0 or a runtime error code.
// Why an existing data file (or a journal beside it) cannot be used, as a
// sentence naming it; empty when it can, or when it is missing (a missing
// file is created). An empty file is a problem only beside another file of
// `all` that holds data (alone it is a new folder whose first start was cut
// short). Looks only: nothing is opened or changed.
std::string dataFileProblem(const std::filesystem::path& folder, const DataFile& file,
                            const std::vector<const DataFile*>& all);
// The problem that made the last openDatabase() refuse, empty after a good open.
const std::string& refusedDataFile();
// The same when it was this file's problem, else empty. Beside the problems
// dataFileProblem() sees, the open refuses a file SQLite cannot read (a
// sealed file of another key or of random bytes) or whose journal fails its
// tags.
std::string refusalOf(const DataFile& file);

// SQLite's integrity check of one open data file, with the program's
// collations and keys (an outside sqlite3 cannot check the keys, which use
// them): "ok", or the problems found, one per line.
std::string integrityCheck(const DataFile& file);

// The error with which a file of the open database could not be attached;
// 0 when it is attached.
int dataFileError(const DataFile& file);

// The path of a data file in a folder: an existing file whatever the case
// of its name, else the name as declared.
std::filesystem::path dataFilePath(const std::filesystem::path& folder, const DataFile& file);
// The first of `files` missing from `folder` while another of them holds
// data; nullptr when none is. The open refuses it unless told to create it.
const DataFile* missingBesideData(const std::filesystem::path& folder,
                                  const std::vector<const DataFile*>& files);

// A file the open creates is written at once (its meta table), so it is
// never later taken for an empty file beside files with data.
int openDatabase(const std::filesystem::path& folder, const std::vector<const DataFile*>& files,
                 bool createMissing = false);
void closeDatabase();
bool databaseIsOpen();

// One transaction over any tables of any of the files. Begin takes the write
// lock at once and never waits: another workstation's lock answers 32.
int beginTransaction();
int commitTransaction();  // a commit that cannot finish rolls back and answers 32
int rollbackTransaction();
bool transactionIsOpen();

// Resets every open statement, so no lock is held while a logical thread
// waits. The fiber layer calls it before a fiber suspends; cursors seek again
// from their last key when next used.
void resetTableStatements();

}  // namespace rt
