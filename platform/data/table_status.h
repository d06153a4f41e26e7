#pragma once
// How the table layer reports: every operation answers 0 or a runtime error
// code and sets the calling logical thread's error status (runtime_errors.h);
// a duplicate key also names the key.
#include <functional>
#include <string_view>

#include "platform/base/runtime_errors.h"

namespace rt {

// Sets the thread's error (0 clears it) and returns the code. `key` is the
// index of the key a duplicate-key error names.
int setTableError(int code, int key = -1);
// The key the thread's last duplicate-key error named; -1 after any other outcome.
int duplicateKeyIndex();

// Maps a SQLite result to the runtime's code, sets it (a driver error keeps
// SQLite's code and message) and returns it.
int setSqliteError(int sqliteResult, std::string_view message);
int runtimeErrorForSqlite(int sqliteResult);

struct DataFile;

// The same for an operation on a table of `file`. When SQLite finds the file
// damaged (corrupt, not a database, a sealed journal record failing its
// tag), the damaged-file hook hears of it, once per file until the files
// are opened again: one report naming the file, not one per table and
// operation.
int setSqliteError(int sqliteResult, std::string_view message, const DataFile& file);
// Tells the hook when `sqliteResult` means `file` is damaged (once).
void reportDamage(int sqliteResult, const DataFile& file);
using DamagedFileHook = std::function<void(const DataFile& file)>;
void setDamagedFileHook(DamagedFileHook hook);
// Forgets the files reported; called when the files are opened again.
void forgetDamagedFiles();

struct TableDef;
// The same for an operation on a table; keys SQLite finds out of step with
// their table (a damaged index) go to the damaged-keys hook as well.
int setSqliteError(int sqliteResult, std::string_view message, const TableDef& def);
// The damaged-keys hook hears of a table's storage whose keys SQLite found
// damaged, once no transaction is open (at once, or when the transaction
// ends, so its work is not rolled back with it), and once per storage until
// it reports the keys rebuilt (true) or the files are opened again.
using DamagedKeysHook = std::function<bool(const TableDef& storage)>;
void setDamagedKeysHook(DamagedKeysHook hook);
// Hands the hook the storages reported during a transaction; the table
// layer calls it when a transaction ends.
void reportPendingDamagedKeys();

}  // namespace rt
