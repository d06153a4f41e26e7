#pragma once
// Super-journals a transaction over several files left behind.
#include <sqlite3.h>

#include <filesystem>

namespace rt::sql {

// Removes the super-journals of the main file at `mainPath` that no journal
// names any more. Such a super-journal is left by a transaction over several
// files cut short before any file had begun its commit: each file then rolls
// back on its own, and SQLite deletes a super-journal only from the recovery
// of a file whose journal named it. The check runs while `db` (the connection
// of every file, each of its files attached) holds every file's write lock,
// so a super-journal of another workstation's commit in progress is never
// taken; when the lock is not free nothing is removed.
void removeStaleSuperJournals(sqlite3* db, const std::filesystem::path& mainPath);

// Whether a journal found beside a file opens through the encrypting VFS:
// whether every part of it that a rollback would use passes its tags (and,
// for a sealed file's journal, it is of the file's key). Looks only.
bool journalOpens(const std::filesystem::path& journal);

}  // namespace rt::sql
