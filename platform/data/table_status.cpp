#include "platform/data/table_status.h"

#include <sqlite3.h>

#include <map>

#include "platform/base/logical_threads.h"

namespace rt {
namespace {

std::map<ThreadNumber, TableStatus>& statuses() {
  static std::map<ThreadNumber, TableStatus> s;
  return s;
}

}  // namespace

const TableStatus& tableStatus() { return statuses()[currentThreadNumber()]; }

int setTableStatus(int code, int key, std::string detail) {
  TableStatus& s = statuses()[currentThreadNumber()];
  s.code = code;
  s.key = key;
  s.detail = std::move(detail);
  return code;
}

int runtimeErrorForSqlite(int rc) {
  switch (rc) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE: return kTableOk;
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY: return kDuplicateKey;
    case SQLITE_CORRUPT_INDEX: return kIndexMustBeRebuilt;
    default: break;
  }
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return kFileLocked;
    case SQLITE_CANTOPEN: return kFileNotFound;
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH: return kAccessDenied;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return kInvalidDataFile;
    case SQLITE_NOTFOUND: return kRecordNotFound;
    default: return kDriverError;
  }
}

}  // namespace rt
