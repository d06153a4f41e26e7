#include "platform/data/table_status.h"

#include <sqlite3.h>

#include <map>
#include <set>
#include <string>
#include <utility>

#include "platform/base/logical_threads.h"
#include "platform/data/connection.h"
#include "platform/data/table_dictionary.h"

namespace rt {
namespace {

std::map<ThreadNumber, int>& duplicateKeys() {
  static std::map<ThreadNumber, int> keys;
  static bool hooked = [] {
    addThreadHooks(
        ThreadLayer::ErrorStatus, [](ThreadNumber) {},
        [](ThreadNumber n) { duplicateKeys().erase(n); });
    return true;
  }();
  (void)hooked;
  return keys;
}

DamagedFileHook& damagedFileHook() {
  static DamagedFileHook hook;
  return hook;
}

std::set<const DataFile*>& reportedFiles() {
  static std::set<const DataFile*> files;
  return files;
}

bool meansDamage(int rc) {
  return ((rc & 0xFF) == SQLITE_CORRUPT && rc != SQLITE_CORRUPT_INDEX) || rc == SQLITE_NOTADB ||
         rc == SQLITE_IOERR_DATA;
}

}  // namespace

void reportDamage(int sqliteResult, const DataFile& file) {
  if (meansDamage(sqliteResult) && reportedFiles().insert(&file).second && damagedFileHook()) {
    damagedFileHook()(file);
  }
}

int setSqliteError(int sqliteResult, std::string_view message, const DataFile& file) {
  reportDamage(sqliteResult, file);
  // After the hook, whose own work may set another error.
  return setSqliteError(sqliteResult, message);
}

void setDamagedFileHook(DamagedFileHook hook) { damagedFileHook() = std::move(hook); }

namespace {

DamagedKeysHook& damagedKeysHook() {
  static DamagedKeysHook hook;
  return hook;
}

// Storages whose damaged keys were handed to the hook and not rebuilt, and
// those waiting for their transaction to end.
std::set<const TableDef*>& keysReported() {
  static std::set<const TableDef*> storages;
  return storages;
}
std::set<const TableDef*>& keysPending() {
  static std::set<const TableDef*> storages;
  return storages;
}

void reportDamagedKeys(const TableDef& storage) {
  if (!damagedKeysHook() || !keysReported().insert(&storage).second) return;
  if (sql::Connection::get().inTransaction()) {
    keysPending().insert(&storage);
    return;
  }
  if (damagedKeysHook()(storage)) keysReported().erase(&storage);
}

}  // namespace

int setSqliteError(int sqliteResult, std::string_view message, const TableDef& def) {
  reportDamage(sqliteResult, *def.storage().file);
  if (sqliteResult == SQLITE_CORRUPT_INDEX) {
    const std::string text(message);
    reportDamagedKeys(def.storage());
    return setSqliteError(sqliteResult, text);
  }
  return setSqliteError(sqliteResult, message);
}

void setDamagedKeysHook(DamagedKeysHook hook) { damagedKeysHook() = std::move(hook); }

void reportPendingDamagedKeys() {
  const std::set<const TableDef*> pending = std::exchange(keysPending(), {});
  for (const TableDef* storage : pending) {
    if (damagedKeysHook() && damagedKeysHook()(*storage)) keysReported().erase(storage);
  }
}

void forgetDamagedFiles() {
  reportedFiles().clear();
  keysReported().clear();
  keysPending().clear();
}

int setTableError(int code, int key) {
  setError(code);
  if (key >= 0) {
    duplicateKeys()[currentThreadNumber()] = key;
  } else {
    duplicateKeys().erase(currentThreadNumber());
  }
  return code;
}

int duplicateKeyIndex() {
  const auto it = duplicateKeys().find(currentThreadNumber());
  return it == duplicateKeys().end() ? -1 : it->second;
}

int setSqliteError(int sqliteResult, std::string_view message) {
  const int code = runtimeErrorForSqlite(sqliteResult);
  setTableError(code);
  if (code == error::DriverError) setFileError(sqliteResult, message);
  return code;
}

int runtimeErrorForSqlite(int rc) {
  switch (rc) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return error::NoError;
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
      return error::DuplicateKey;
    case SQLITE_CORRUPT_INDEX:
      return error::RebuildKeys;
    case SQLITE_IOERR_DATA:  // a sealed journal's record failed its tag
      return error::BadDataFile;
    default:
      break;
  }
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return error::FileLocked;
    case SQLITE_CANTOPEN:
      return error::NoFile;
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
      return error::AccessDenied;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return error::BadDataFile;
    case SQLITE_NOTFOUND:
      return error::RecordNotFound;
    default:
      return error::DriverError;
  }
}

}  // namespace rt
