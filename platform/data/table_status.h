#pragma once
// How the table layer reports: every operation answers 0 or a runtime error
// code and sets the calling logical thread's error status (runtime_errors.h);
// a duplicate key also names the key.
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

}  // namespace rt
