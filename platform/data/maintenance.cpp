#include "platform/data/maintenance.h"

#include <sqlite3.h>

#include <chrono>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "platform/base/cp_literal.h"
#include "platform/data/connection.h"
#include "platform/data/crypt_vfs.h"
#include "platform/data/database.h"
#include "platform/data/structure_versions.h"
#include "platform/data/table_sql.h"
#include "platform/data/table_status.h"

namespace rt {

using sql::Connection;
using sql::quoteName;
using sql::Statement;

namespace {

using Clock = std::chrono::steady_clock;

bool busy(int rc) { return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED; }

int exec(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

// One key built again from its stored entries' table: made when missing,
// then reindexed.
int rebuildKey(sqlite3* db, const TableDef& def, const KeyDef& key, const std::string& schema) {
  const int rc = exec(db, sql::createIndexSql(def, key, schema));
  return rc == SQLITE_OK ? exec(db, "REINDEX " + schema + "." + quoteName(sql::indexName(def, key)))
                         : rc;
}

bool storageExists(sqlite3* db, const std::string& schema, const std::string& name) {
  Statement s(db, "SELECT 1 FROM " + schema +
                      ".sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
  if (!s.valid()) return false;
  s.bind(1, name);
  return s.step() == SQLITE_ROW;
}

// Storages of `file` among the tables, each once.
std::vector<const TableDef*> storagesOf(const DataFile& file,
                                        const std::vector<const TableDef*>& tables) {
  std::vector<const TableDef*> out;
  std::set<std::string> seen;
  for (const TableDef* def : tables) {
    const TableDef& s = def->storage();
    if (s.file == &file && seen.insert(s.storageName).second) out.push_back(&s);
  }
  return out;
}

}  // namespace

std::filesystem::path openDataFolder() {
  Connection& c = Connection::get();
  if (!c.isOpen()) return {};
  const char* name = sqlite3_db_filename(c.db(), "main");
  return name && *name ? std::filesystem::path(name).parent_path() : std::filesystem::path();
}

// ---------------------------------------------------------------------------
// The worker's connection.

MaintenanceConnection::MaintenanceConnection(std::filesystem::path folder,
                                             std::vector<const DataFile*> files)
    : folder_(std::move(folder)), files_(std::move(files)) {}

MaintenanceConnection::~MaintenanceConnection() { close(); }

void MaintenanceConnection::close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

int MaintenanceConnection::fail(int sqliteResult) {
  message_ = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(sqliteResult);
  return runtimeErrorForSqlite(sqliteResult);
}

std::string MaintenanceConnection::schemaOf(const DataFile& file) const {
  for (std::size_t i = 0; i < files_.size(); ++i) {
    if (files_[i] == &file) return i == 0 ? "main" : "f" + std::to_string(i);
  }
  return {};
}

int MaintenanceConnection::open() {
  if (db_) return 0;
  message_.clear();
  if (files_.empty()) return error::BadRecordDeclaration;
  // Through the data files' VFS, as the windows' connection: a journal it
  // writes carries its tags, and one it finds is rolled back only whole.
  registerCryptVfs();
  int rc = sqlite3_open_v2((sql::uriPath(dataFilePath(folder_, *files_[0])) + "?mode=rw").c_str(),
                           &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, kCryptVfsName);
  if (rc == SQLITE_OK) {
    sqlite3_extended_result_codes(db_, 1);
    // A workstation in the middle of a commit is waited for while the files
    // are opened (a worker may wait; no lock is kept between statements).
    sqlite3_busy_timeout(db_, 10000);
    sql::registerCollations(db_);
    // Packing an owner-password file must not spill its pages into a plain
    // temporary file.
    rc = exec(db_, "PRAGMA temp_store=MEMORY; SELECT count(*) FROM main.sqlite_master;");
  }
  for (std::size_t i = 1; rc == SQLITE_OK && i < files_.size(); ++i) {
    const DataFile& file = *files_[i];
    const std::filesystem::path path = dataFilePath(folder_, file);
    std::string uri = sql::uriPath(path) + "?mode=rw";
    if (!file.ownerPassword.empty()) {
      setCryptPassword(file.fileName, file.ownerPassword);
      setCryptAlias(path.filename().string(), file.fileName);
      uri += std::string("&vfs=") + kCryptVfsName;
    }
    Statement attach(db_, "ATTACH DATABASE ?1 AS " + schemaOf(file));
    attach.bind(1, uri);
    rc = attach.valid() ? attach.step() : attach.prepareError();
    if (rc == SQLITE_DONE)
      rc = exec(db_, "SELECT count(*) FROM " + schemaOf(file) + ".sqlite_master");
  }
  if (rc != SQLITE_OK) {
    const int code = fail(rc);
    close();
    return code;
  }
  // From here on a lock held elsewhere is answered at once (see copyFilesTo).
  sqlite3_busy_timeout(db_, 0);
  return 0;
}

int MaintenanceConnection::copyFilesTo(const std::filesystem::path& target, int limitMs,
                                       double* heldMs) {
  if (const int error = open()) return error;
  // Every file's read lock is taken at once or none is kept: waiting for one
  // file while holding another could hold up a workstation that commits
  // over both.
  const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
  // The files are taken in the order every connection commits them (the
  // main file first), so a short wait for the next one cannot close a
  // circle with a committing workstation.
  sqlite3_busy_timeout(db_, 250);
  for (;;) {
    int rc = exec(db_, "BEGIN");
    for (const DataFile* file : files_) {
      if (rc == SQLITE_OK)
        rc = exec(db_, "SELECT count(*) FROM " + schemaOf(*file) + ".sqlite_master");
    }
    if (rc == SQLITE_OK) break;
    const int code = fail(rc);
    exec(db_, "ROLLBACK");
    if (!busy(rc) || Clock::now() > deadline) {
      sqlite3_busy_timeout(db_, 0);
      return code;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  sqlite3_busy_timeout(db_, 0);
  const auto lockedAt = Clock::now();
  int result = 0;
  for (const DataFile* file : files_) {
    sqlite3* copy = nullptr;
    std::string uri = sql::uriPath(target / file->fileName);
    if (!file->ownerPassword.empty()) uri += std::string("?vfs=") + kCryptVfsName;
    int rc = sqlite3_open_v2(uri.c_str(), &copy,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, nullptr);
    if (rc == SQLITE_OK && !file->ownerPassword.empty()) {
      // The sealed copy gets its first page (page size, reserved bytes)
      // before any other: the copy may write pages out of order when its
      // cache fills, and a sealed page is only made once the page size is
      // known.
      reserveCryptBytes(copy, "main");
      Statement size(db_, "PRAGMA " + schemaOf(*file) + ".page_size");
      const int pageSize =
          size.valid() && size.step() == SQLITE_ROW ? sqlite3_column_int(size.get(), 0) : 4096;
      rc = exec(copy, "PRAGMA page_size = " + std::to_string(pageSize) +
                          "; CREATE TABLE _varneta_copy (x); DROP TABLE _varneta_copy;");
    }
    if (rc == SQLITE_OK) {
      sqlite3_backup* backup = sqlite3_backup_init(copy, "main", db_, schemaOf(*file).c_str());
      rc = backup ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(copy);
      if (backup) sqlite3_backup_finish(backup);
      if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK) {
      message_ = copy ? sqlite3_errmsg(copy) : sqlite3_errstr(rc);
      result = runtimeErrorForSqlite(rc);
    }
    sqlite3_close_v2(copy);
    if (result) break;
  }
  exec(db_, "ROLLBACK");
  if (heldMs)
    heldMs[0] = std::chrono::duration<double, std::milli>(Clock::now() - lockedAt).count();
  return result;
}

int MaintenanceConnection::lockForWriting(const DataFile& file) {
  // A write that changes nothing takes the file's write lock alone (BEGIN
  // IMMEDIATE would take every attached file's).
  const std::string schema = schemaOf(file);
  int rc = exec(db_, "BEGIN");
  if (rc == SQLITE_OK) {
    rc = exec(db_, metaTableSql(schema));
  }
  if (rc == SQLITE_OK)
    rc = exec(db_, "UPDATE " + schema + "._varneta_meta SET version = version WHERE 0");
  if (rc != SQLITE_OK) {
    const int code = fail(rc);
    exec(db_, "ROLLBACK");
    return code;
  }
  return 0;
}

int MaintenanceConnection::rebuildKeys(const TableDef& table,
                                       const std::function<void(int key)>& onKey,
                                       const std::atomic<bool>& cancel, bool* cancelled) {
  *cancelled = false;
  if (const int error = open()) return error;
  const TableDef& def = table.storage();
  const std::string schema = schemaOf(*def.file);
  if (!storageExists(db_, schema, def.storageName)) return error::NoFile;
  if (const int error = lockForWriting(*def.file)) return error;
  sqlite3_progress_handler(
      db_, 2000,
      [](void* flag) { return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0; },
      const_cast<std::atomic<bool>*>(&cancel));
  int rc = SQLITE_OK;
  for (std::size_t k = 0; k < def.keys.size() && rc == SQLITE_OK; ++k) {
    if (cancel.load()) {
      rc = SQLITE_INTERRUPT;
      break;
    }
    if (onKey) onKey(static_cast<int>(k));
    // A key whose index is missing is made again as well.
    rc = rebuildKey(db_, def, def.keys[k], schema);
  }
  if (rc == SQLITE_OK) rc = exec(db_, "COMMIT");
  sqlite3_progress_handler(db_, 0, nullptr, nullptr);
  if (rc == SQLITE_OK) return 0;
  const int code = fail(rc);
  exec(db_, "ROLLBACK");
  if ((rc & 0xFF) == SQLITE_INTERRUPT) {
    *cancelled = true;
    return 0;
  }
  return code;
}

int MaintenanceConnection::pack(const DataFile& file) {
  if (const int error = open()) return error;
  const int rc = exec(db_, "VACUUM " + schemaOf(file));
  return rc == SQLITE_OK ? 0 : fail(rc);
}

int MaintenanceConnection::countRecords(const TableDef& table, std::int64_t* count,
                                        const std::function<void(int percent)>& onProgress) {
  *count = 0;
  if (const int error = open()) return error;
  const TableDef& def = table.storage();
  const std::string schema = schemaOf(*def.file);
  if (!storageExists(db_, schema, def.storageName)) return error::NoFile;
  if (const int error = lockForWriting(*def.file)) return error;
  const std::string name = schema + "." + quoteName(def.storageName);
  std::int64_t total = 0;
  int rc;
  {
    Statement s(db_, "SELECT count(*) FROM " + name);
    rc = s.valid() ? s.step() : s.prepareError();
    if (rc == SQLITE_ROW) total = sqlite3_column_int64(s.get(), 0);
    Statement walk(db_, "SELECT _id FROM " + name);
    rc = walk.valid() ? SQLITE_ROW : walk.prepareError();
    std::int64_t read = 0;
    while (rc == SQLITE_ROW && (rc = walk.step()) == SQLITE_ROW) {
      // An empty table has nothing left to read: done, not divided by zero.
      if (++read % 1000 == 0 && onProgress && total > 0)
        onProgress(static_cast<int>(read * 100 / total));
    }
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
    *count = read;
  }
  const int code = rc == SQLITE_OK ? 0 : fail(rc);
  exec(db_, "ROLLBACK");
  if (code == 0 && onProgress) onProgress(100);
  return code;
}

int MaintenanceConnection::freshen(const TableDef& table) {
  if (const int error = open()) return error;
  const TableDef& def = table.storage();
  const std::string schema = schemaOf(*def.file);
  if (!storageExists(db_, schema, def.storageName)) return error::NoFile;
  if (const int error = lockForWriting(*def.file)) return error;
  if (storedTableVersion(db_, schema, def.storageName) > def.version) {
    exec(db_, "ROLLBACK");
    message_ =
        "La tabla " + def.storageName + " tiene una estructura más nueva que la del programa."_cp;
    return error::BadRecordDeclaration;
  }
  int rc = copyIntoCurrentStructure(db_, schema, def);
  if (rc == SQLITE_OK) rc = exec(db_, "COMMIT");
  if (rc == SQLITE_OK) return 0;
  const int code = fail(rc);
  exec(db_, "ROLLBACK");
  return code;
}

// ---------------------------------------------------------------------------
// On the windows' connection.

TableProbe probeTable(const TableDef& table) {
  TableProbe probe;
  Connection& c = Connection::get();
  const TableDef& def = table.storage();
  if (!c.isOpen()) {
    probe.error = error::FileNotOpen;
    return probe;
  }
  if (const int error = c.fileError(*def.file)) {
    probe.error = error;
    return probe;
  }
  const std::string schema = c.schemaOf(*def.file);
  if (!storageExists(c.db(), schema, def.storageName)) {
    probe.error = error::NoFile;
    return probe;
  }
  Statement s(c.db(), "SELECT count(*) FROM " + c.qualifiedName(def));
  const int rc = s.valid() ? s.step() : s.prepareError();
  if (rc != SQLITE_ROW) {
    probe.error = runtimeErrorForSqlite(rc);
    return probe;
  }
  probe.records = sqlite3_column_int64(s.get(), 0);
  probe.version = storedTableVersion(c.db(), schema, def.storageName);
  return probe;
}

int createTableStorage(const TableDef& table) {
  Connection& c = Connection::get();
  const TableDef& def = table.storage();
  if (c.isOpen()) c.checkedStorages().erase(c.schemaOf(*def.file) + "." + def.storageName);
  return ensureTableStorage(table);
}

int rebuildTableKeys(const TableDef& table) {
  Connection& c = Connection::get();
  const TableDef& def = table.storage();
  if (!c.isOpen()) return setTableError(error::FileNotOpen);
  if (c.inTransaction()) return setTableError(error::TransactionActive);
  // No statement of a cursor may read the table while its keys are rebuilt.
  c.resetCursors();
  const std::string schema = c.schemaOf(*def.file);
  int rc = c.exec("BEGIN IMMEDIATE");
  for (std::size_t k = 0; k < def.keys.size() && rc == SQLITE_OK; ++k)
    rc = rebuildKey(c.db(), def, def.keys[k], schema);
  if (rc == SQLITE_OK) rc = c.exec("COMMIT");
  if (rc == SQLITE_OK) return setTableError(error::NoError);
  const std::string message = sqlite3_errmsg(c.db());
  if (!sqlite3_get_autocommit(c.db())) c.exec("ROLLBACK");
  return setSqliteError(rc, message);
}

bool olderStructureStored(const std::vector<const TableDef*>& tables) {
  Connection& c = Connection::get();
  if (!c.isOpen()) return false;
  for (const TableDef* table : tables) {
    const TableDef& def = table->storage();
    if (c.fileError(*def.file)) continue;
    const std::string schema = c.schemaOf(*def.file);
    if (storageExists(c.db(), schema, def.storageName) &&
        storedTableVersion(c.db(), schema, def.storageName) < def.version) {
      return true;
    }
  }
  return false;
}

int writeStructureFile(const DataFile& file, const std::vector<const TableDef*>& tables,
                       const std::filesystem::path& path) {
  std::ostringstream out;
  out << "-- Estructura de " << file.fileName << ": una sentencia por línea.\n"_cp;
  out << "CREATE TABLE IF NOT EXISTS main._varneta_meta (tbl TEXT PRIMARY KEY COLLATE NOCASE, "
         "version "
         "INTEGER NOT NULL);\n";
  for (const TableDef* def : storagesOf(file, tables)) {
    out << sql::createTableSql(*def, "main", def->storageName) << ";\n";
    for (const KeyDef& key : def->keys) out << sql::createIndexSql(*def, key, "main") << ";\n";
    out << "INSERT OR REPLACE INTO main._varneta_meta (tbl, version) VALUES ("
        << sql::quoteText(def->storageName) << ", " << def->version << ");\n";
  }
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  stream << out.str();
  stream.close();
  return stream ? 0 : error::AccessDenied;
}

}  // namespace rt
