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


int exec(sqlite3* db, const std::string& sql) { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr); }

bool storageExists(sqlite3* db, const std::string& schema, const std::string& name) {
  Statement s(db, "SELECT 1 FROM " + schema + ".sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
  if (!s.valid()) return false;
  s.bind(1, name);
  return s.step() == SQLITE_ROW;
}

// Storages of `file` among the tables, each once.
std::vector<const TableDef*> storagesOf(const DataFile& file, const std::vector<const TableDef*>& tables) {
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

MaintenanceConnection::MaintenanceConnection(std::filesystem::path folder, std::vector<const DataFile*> files)
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
  int rc = sqlite3_open_v2((sql::uriPath(folder_ / files_[0]->fileName) + "?mode=rw").c_str(), &db_,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
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
    std::string uri = sql::uriPath(folder_ / file.fileName) + "?mode=rw";
    if (!file.ownerPassword.empty()) {
      registerCryptVfs();
      setCryptPassword(file.fileName, file.ownerPassword);
      uri += std::string("&vfs=") + kCryptVfsName;
    }
    Statement attach(db_, "ATTACH DATABASE ?1 AS " + schemaOf(file));
    attach.bind(1, uri);
    rc = attach.valid() ? attach.step() : attach.prepareError();
    if (rc == SQLITE_DONE) rc = exec(db_, "SELECT count(*) FROM " + schemaOf(file) + ".sqlite_master");
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

int MaintenanceConnection::copyFilesTo(const std::filesystem::path& target, int limitMs, double* heldMs) {
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
      if (rc == SQLITE_OK) rc = exec(db_, "SELECT count(*) FROM " + schemaOf(*file) + ".sqlite_master");
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
    int rc = sqlite3_open_v2(uri.c_str(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI,
                             nullptr);
    if (rc == SQLITE_OK && !file->ownerPassword.empty()) {
      // The sealed copy gets its first page (page size, reserved bytes)
      // before any other: the copy may write pages out of order when its
      // cache fills, and a sealed page is only made once the page size is
      // known.
      reserveCryptBytes(copy, "main");
      Statement size(db_, "PRAGMA " + schemaOf(*file) + ".page_size");
      const int pageSize = size.valid() && size.step() == SQLITE_ROW ? sqlite3_column_int(size.get(), 0) : 4096;
      rc = exec(copy, "PRAGMA page_size = " + std::to_string(pageSize) + "; CREATE TABLE _varneta_copy (x); DROP TABLE _varneta_copy;");
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
  if (heldMs) heldMs[0] = std::chrono::duration<double, std::milli>(Clock::now() - lockedAt).count();
  return result;
}

int MaintenanceConnection::lockForWriting(const DataFile& file) {
  // A write that changes nothing takes the file's write lock alone (BEGIN
  // IMMEDIATE would take every attached file's).
  const std::string schema = schemaOf(file);
  int rc = exec(db_, "BEGIN");
  if (rc == SQLITE_OK) {
    rc = exec(db_, "CREATE TABLE IF NOT EXISTS " + schema +
                       "._varneta_meta (tbl TEXT PRIMARY KEY COLLATE NOCASE, version INTEGER NOT NULL)");
  }
  if (rc == SQLITE_OK) rc = exec(db_, "UPDATE " + schema + "._varneta_meta SET version = version WHERE 0");
  if (rc != SQLITE_OK) {
    const int code = fail(rc);
    exec(db_, "ROLLBACK");
    return code;
  }
  return 0;
}

int MaintenanceConnection::rebuildKeys(const TableDef& table, const std::function<void(int key)>& onKey,
                                       const std::atomic<bool>& cancel, bool* cancelled) {
  *cancelled = false;
  if (const int error = open()) return error;
  const TableDef& def = table.storage();
  const std::string schema = schemaOf(*def.file);
  if (!storageExists(db_, schema, def.storageName)) return error::NoFile;
  if (const int error = lockForWriting(*def.file)) return error;
  sqlite3_progress_handler(
      db_, 2000, [](void* flag) { return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0; },
      const_cast<std::atomic<bool>*>(&cancel));
  int rc = SQLITE_OK;
  for (std::size_t k = 0; k < def.keys.size() && rc == SQLITE_OK; ++k) {
    if (cancel.load()) {
      rc = SQLITE_INTERRUPT;
      break;
    }
    if (onKey) onKey(static_cast<int>(k));
    // A key whose index is missing is made again as well.
    rc = exec(db_, sql::createIndexSql(def, def.keys[k], schema));
    if (rc == SQLITE_OK) rc = exec(db_, "REINDEX " + schema + "." + quoteName(sql::indexName(def, def.keys[k])));
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
      if (++read % 1000 == 0 && onProgress && total > 0) onProgress(static_cast<int>(read * 100 / total));
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
    message_ = "La tabla " + def.storageName + " tiene una estructura más nueva que la del programa."_cp;
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
  out << "CREATE TABLE IF NOT EXISTS main._varneta_meta (tbl TEXT PRIMARY KEY COLLATE NOCASE, version "
         "INTEGER NOT NULL);\n";
  for (const TableDef* def : storagesOf(file, tables)) {
    out << sql::createTableSql(*def, "main", def->storageName) << ";\n";
    for (const KeyDef& key : def->keys) out << sql::createIndexSql(*def, key, "main") << ";\n";
    out << "INSERT OR REPLACE INTO main._varneta_meta (tbl, version) VALUES (" << sql::quoteText(def->storageName)
        << ", " << def->version << ");\n";
  }
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  stream << out.str();
  stream.close();
  return stream ? 0 : error::AccessDenied;
}

// ---------------------------------------------------------------------------
// Repair.

namespace {

struct Db {
  sqlite3* db = nullptr;
  ~Db() { sqlite3_close_v2(db); }
};

std::vector<std::string> columnsOf(sqlite3* db, const std::string& table) {
  std::vector<std::string> out;
  Statement s(db, "PRAGMA main.table_info(" + quoteName(table) + ")");
  while (s.valid() && s.step() == SQLITE_ROW) out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 1)));
  return out;
}

std::map<std::string, int> versionsOf(sqlite3* db) {
  std::map<std::string, int> out;
  Statement s(db, "SELECT tbl, version FROM main._varneta_meta");
  while (s.valid() && s.step() == SQLITE_ROW) {
    out[reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0))] = sqlite3_column_int(s.get(), 1);
  }
  return out;
}

// name -> creating statement of each table, and the statements of its indexes.
struct StoredSchema {
  bool readable = false;
  std::map<std::string, std::string> tables;
  std::multimap<std::string, std::string> indexes;
};

StoredSchema storedSchema(sqlite3* db) {
  StoredSchema out;
  Statement s(db, "SELECT type, name, tbl_name, sql FROM main.sqlite_master WHERE sql IS NOT NULL");
  int rc = s.valid() ? SQLITE_ROW : SQLITE_ERROR;
  while (rc == SQLITE_ROW && (rc = s.step()) == SQLITE_ROW) {
    const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0));
    const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 1));
    const std::string table = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 2));
    const std::string text = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 3));
    if (name.rfind("sqlite_", 0) == 0) continue;
    if (type == "table") out.tables[name] = text;
    if (type == "index") out.indexes.emplace(table, text);
  }
  out.readable = rc == SQLITE_DONE;
  return out;
}

std::uint32_t changeCounter(const std::filesystem::path& file) {
  unsigned char bytes[4] = {};
  std::ifstream in(file, std::ios::binary);
  in.seekg(24);
  in.read(reinterpret_cast<char*>(bytes), 4);
  return (std::uint32_t{bytes[0]} << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3];
}

std::int64_t sequenceOf(sqlite3* db, const std::string& table) {
  Statement s(db, "SELECT seq FROM main.sqlite_sequence WHERE name = ?1");
  if (!s.valid()) return 0;
  s.bind(1, table);
  return s.step() == SQLITE_ROW ? sqlite3_column_int64(s.get(), 0) : 0;
}

// Copies the readable records of one table: a walk in record order while it
// reads, then record by record past a damaged page.
void salvageTable(sqlite3* from, sqlite3* into, const std::string& table, RepairOutcome& outcome) {
  const std::vector<std::string> target = columnsOf(into, table);
  std::vector<std::string> source = columnsOf(from, table);
  if (source.empty()) source = target;
  std::string list;
  int count = 0;
  for (const std::string& column : target) {
    bool found = false;
    for (const std::string& s : source) found = found || sqlite3_stricmp(s.c_str(), column.c_str()) == 0;
    if (!found) continue;
    list += (count++ ? ", " : "") + quoteName(column);
  }
  if (list.find("\"_id\"") == std::string::npos) return;
  std::string marks;
  for (int i = 1; i <= count; ++i) marks += (i > 1 ? ", ?" : "?") + std::to_string(i);
  Statement insert(into, "INSERT OR IGNORE INTO main." + quoteName(table) + " (" + list + ") VALUES (" + marks + ")");
  std::int64_t last = 0;
  auto store = [&](sqlite3_stmt* row) {
    for (int i = 0; i < count; ++i) sqlite3_bind_value(insert.get(), i + 1, sqlite3_column_value(row, i));
    const int rc = insert.step();
    insert.reset();
    if (rc == SQLITE_DONE && sqlite3_changes(into) == 1) {
      ++outcome.recovered;
    } else {
      ++outcome.unreadable;  // a key another record holds already
    }
  };
  // _id is the first column of every table.
  Statement walk(from, "SELECT " + list + " FROM main." + quoteName(table) + " ORDER BY _id");
  int rc = walk.valid() ? SQLITE_ROW : SQLITE_ERROR;
  while (rc == SQLITE_ROW && (rc = walk.step()) == SQLITE_ROW) {
    last = sqlite3_column_int64(walk.get(), 0);
    store(walk.get());
  }
  std::int64_t highest = sequenceOf(from, table);
  if (rc != SQLITE_DONE) {
    Statement top(from, "SELECT max(_id) FROM main." + quoteName(table));
    if (top.valid() && top.step() == SQLITE_ROW) highest = std::max<std::int64_t>(highest, sqlite3_column_int64(top.get(), 0));
    // Without a known end the positions after the damage are tried a while.
    if (highest <= last) highest = last + 100000;
    Statement one(from, "SELECT " + list + " FROM main." + quoteName(table) + " WHERE _id = ?1");
    for (std::int64_t id = last + 1; one.valid() && id <= highest; ++id) {
      one.reset();
      one.bind(1, id);
      const int r = one.step();
      if (r == SQLITE_ROW) {
        store(one.get());
      } else if (r != SQLITE_DONE) {
        ++outcome.unreadable;
      }
    }
  }
  // Record positions are never reused, not even those of lost records.
  const std::int64_t next = std::max(highest, last);
  exec(into, "DELETE FROM main.sqlite_sequence WHERE name = " + sql::quoteText(table));
  exec(into, "INSERT INTO main.sqlite_sequence (name, seq) VALUES (" + sql::quoteText(table) + ", " +
                 std::to_string(std::max(next, sequenceOf(into, table))) + ")");
}

RepairOutcome finish(RepairOutcome outcome, RepairOutcome::Code code, std::string text) {
  outcome.code = code;
  outcome.text = std::move(text);
  return outcome;
}

}  // namespace

RepairOutcome repairDataFile(const RepairRequest& request) {
  RepairOutcome outcome;
  const std::string name = request.file.filename().string();
  std::ifstream structureFile(request.structure, std::ios::binary);
  std::stringstream structure;
  structure << structureFile.rdbuf();
  if (!structureFile || structure.str().empty()) {
    return finish(outcome, RepairOutcome::Unreadable,
                  "No se puede leer la descripción de la estructura " + request.structure.filename().string() + ".");
  }
  Db fresh;
  sqlite3_open(":memory:", &fresh.db);
  sql::registerCollations(fresh.db);
  if (exec(fresh.db, structure.str()) != SQLITE_OK) {
    return finish(outcome, RepairOutcome::Unreadable,
                  "La descripción " + request.structure.filename().string() + " no es válida: " +
                      sqlite3_errmsg(fresh.db));
  }
  Db damaged;
  int rc = SQLITE_CANTOPEN;
  if (std::filesystem::is_regular_file(request.file)) {
    rc = sqlite3_open_v2((sql::uriPath(request.file) + "?mode=rw").c_str(), &damaged.db,
                         SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
  }
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(damaged.db, 0);
    sql::registerCollations(damaged.db);
    // The write lock first: until it is had nothing is changed.
    rc = exec(damaged.db, "BEGIN IMMEDIATE");
  }
  if (busy(rc)) {
    return finish(outcome, RepairOutcome::Locked,
                  "El archivo " + name + " está en uso por otra estación: no se modificó.");
  }
  if (rc != SQLITE_OK) {
    return finish(outcome, RepairOutcome::Unreadable,
                  "No se puede abrir " + name + ": " + (damaged.db ? sqlite3_errmsg(damaged.db) : "no existe"));
  }
  const std::uint32_t counter = changeCounter(request.file);
  const StoredSchema stored = storedSchema(damaged.db);
  const std::map<std::string, int> storedVersions = versionsOf(damaged.db);
  const std::map<std::string, int> versions = versionsOf(fresh.db);
  auto known = [&](const std::string& table) {
    for (const auto& [t, v] : versions) {
      if (sqlite3_stricmp(t.c_str(), table.c_str()) == 0) return true;
    }
    return false;
  };
  for (const auto& [table, version] : storedVersions) {
    const auto it = versions.find(table);
    if ((it != versions.end() && version > it->second) || (it == versions.end() && !known(table))) {
      exec(damaged.db, "ROLLBACK");
      return finish(outcome, RepairOutcome::NewerStructure,
                    "El archivo " + name + " tiene la tabla " + table +
                        " con una estructura más nueva que la descripción: no se modificó.");
    }
  }
  for (const auto& [table, text] : stored.tables) {
    if (table != "_varneta_meta" && !known(table)) {
      exec(damaged.db, "ROLLBACK");
      return finish(outcome, RepairOutcome::NewerStructure,
                    "El archivo " + name + " tiene la tabla " + table +
                        ", que la descripción no conoce: no se modificó.");
    }
  }
  exec(fresh.db, "BEGIN");
  for (const auto& [table, version] : versions) {
    // A table stored under an older structure keeps it (and its version):
    // the program's own upgrade knows the former names of its fields.
    const auto old = storedVersions.find(table);
    const auto oldSql = stored.tables.find(table);
    if (old != storedVersions.end() && old->second < version && oldSql != stored.tables.end()) {
      exec(fresh.db, "DROP TABLE main." + quoteName(table));
      exec(fresh.db, oldSql->second);
      const auto [first, last] = stored.indexes.equal_range(table);
      for (auto it = first; it != last; ++it) exec(fresh.db, it->second);
      exec(fresh.db, "UPDATE main._varneta_meta SET version = " + std::to_string(old->second) +
                         " WHERE tbl = " + sql::quoteText(table));
    }
    salvageTable(damaged.db, fresh.db, table, outcome);
  }
  if (exec(fresh.db, "COMMIT") != SQLITE_OK) {
    exec(damaged.db, "ROLLBACK");
    return finish(outcome, RepairOutcome::WriteFailed, std::string("No se pudo armar la copia: ") + sqlite3_errmsg(fresh.db));
  }
  if (request.keepDamaged) {
    std::filesystem::path kept = request.file;
    kept += ".dañado";
    for (int n = 2; std::filesystem::exists(kept); ++n) {
      kept = request.file;
      kept += ".dañado" + std::to_string(n);
    }
    std::error_code ec;
    std::filesystem::copy_file(request.file, kept, ec);
    if (ec) {
      exec(damaged.db, "ROLLBACK");
      return finish(outcome, RepairOutcome::WriteFailed, "No se pudo guardar una copia del archivo dañado: " + ec.message());
    }
    outcome.keptAs = kept;
  }
  exec(damaged.db, "ROLLBACK");
  // Written back page by page into the same file under its exclusive lock:
  // a workstation that has the file open sees the repaired file, where a
  // renamed one would leave it on the old.
  sqlite3_backup* backup = sqlite3_backup_init(damaged.db, "main", fresh.db, "main");
  if (!backup) return finish(outcome, RepairOutcome::WriteFailed, sqlite3_errmsg(damaged.db));
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (busy(rc = sqlite3_backup_step(backup, 0)) && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (rc == SQLITE_OK && changeCounter(request.file) != counter) rc = SQLITE_BUSY;
  if (rc == SQLITE_OK) rc = sqlite3_backup_step(backup, -1);
  sqlite3_backup_finish(backup);
  if (rc != SQLITE_DONE) {
    return finish(outcome, busy(rc) ? RepairOutcome::Locked : RepairOutcome::WriteFailed,
                  busy(rc) ? "Otra estación usó el archivo " + name + " mientras se reparaba: no se modificó."
                           : "No se pudo escribir " + name + ": " + sqlite3_errmsg(damaged.db));
  }
  return finish(outcome, RepairOutcome::Repaired,
                "Reparado " + name + ": " + std::to_string(outcome.recovered) + " registros recuperados, " +
                    std::to_string(outcome.unreadable) + " ilegibles.");
}

}  // namespace rt
