#pragma once
// Runtime error codes of the table layer and the calling logical thread's
// status of its last table operation.
#include <string>

namespace rt {

enum TableError : int {
  kTableOk = 0,
  kFileNotFound = 2,
  kAccessDenied = 5,
  kFileLocked = 32,
  kRecordNotAvailable = 33,
  kRecordNotFound = 35,
  kInvalidDataFile = 36,
  kFileNotOpen = 37,
  kDuplicateKey = 40,
  kIndexMustBeRebuilt = 46,
  kInvalidRecordDeclaration = 47,
  kTransactionActive = 56,
  kRecordChanged = 89,
  kDriverError = 90,
};

struct TableStatus {
  int code = kTableOk;
  // The key a duplicate-key error names (its index in the table's keys), -1 otherwise.
  int key = -1;
  // What the database said, for the log and the driver error.
  std::string detail;
};

// Status of the calling logical thread's last table operation.
const TableStatus& tableStatus();
// Records the status and returns its code.
int setTableStatus(int code, int key = -1, std::string detail = {});

// The runtime code for a SQLite result (primary or extended).
int runtimeErrorForSqlite(int sqliteResult);

}  // namespace rt
