#include "platform/data/structure_versions.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "platform/base/text_order.h"
#include "platform/data/connection.h"
#include "platform/data/record_buffer.h"
#include "platform/data/table_sql.h"
#include "platform/data/table_status.h"

namespace rt {
namespace {

using sql::Connection;
using sql::quoteName;
using sql::Statement;

TableHealthHook& healthHook() {
  static TableHealthHook hook;
  return hook;
}

void reportHealth(const TableDef& def, bool bad) {
  if (healthHook()) healthHook()(def, bad);
}

struct Step {
  sqlite3* db;
  int rc = SQLITE_OK;
  bool run(const std::string& sql) {
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    return rc == SQLITE_OK;
  }
};

// -1 when the table has no version entry.
int versionOf(sqlite3* db, const std::string& schema, const std::string& table) {
  Statement s(db, "SELECT version FROM " + schema + "._varneta_meta WHERE tbl = ?1");
  if (!s.valid()) return -1;
  s.bind(1, table);
  return s.step() == SQLITE_ROW ? sqlite3_column_int(s.get(), 0) : -1;
}

bool tableExists(sqlite3* db, const std::string& schema, const std::string& table) {
  Statement s(db, "SELECT 1 FROM " + schema +
                      ".sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
  s.bind(1, table);
  return s.valid() && s.step() == SQLITE_ROW;
}

std::set<std::string, bool (*)(const std::string&, const std::string&)> storedColumns(
    sqlite3* db, const std::string& schema, const std::string& table) {
  std::set<std::string, bool (*)(const std::string&, const std::string&)> columns(
      [](const std::string& a, const std::string& b) { return upper(a) < upper(b); });
  Statement s(db, "PRAGMA " + schema + ".table_info(" + quoteName(table) + ")");
  while (s.valid() && s.step() == SQLITE_ROW) {
    columns.insert(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 1)));
  }
  return columns;
}

void writeVersion(Step& step, const std::string& schema, const TableDef& def) {
  step.run("INSERT OR REPLACE INTO " + schema + "._varneta_meta (tbl, version) VALUES (" +
           sql::quoteText(def.storageName) + ", " + std::to_string(def.version) + ")");
}

void createIndexes(Step& step, const std::string& schema, const TableDef& def) {
  for (const KeyDef& key : def.keys) step.run(sql::createIndexSql(def, key, schema));
}

// The values of the fields the definition rewrites from the stored version
// on, in `table` (already of the current structure). Inside the upgrade's
// transaction, so a table is rewritten whole or not at all.
void rewriteOlderValues(Step& step, const std::string& table, const TableDef& def,
                        int storedVersion) {
  for (const FieldDef& f : def.fields) {
    if (!f.rewriteOlder || storedVersion >= f.rewriteBelow || step.rc != SQLITE_OK) continue;
    std::vector<std::pair<std::int64_t, std::string>> rewritten;
    {
      Statement read(step.db, "SELECT _id, " + quoteName(f.column) + " FROM " + table);
      int rc = read.valid() ? SQLITE_ROW : read.prepareError();
      while (rc == SQLITE_ROW && (rc = read.step()) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(read.get(), 1));
        std::optional<std::string> value;
        try {
          value = f.rewriteOlder(text != nullptr ? std::string_view(text) : std::string_view());
        } catch (const std::exception&) {
          value.reset();
        }
        if (value) {
          rewritten.emplace_back(sqlite3_column_int64(read.get(), 0), std::move(*value));
        } else {
          rc = SQLITE_ABORT;
        }
      }
      if (rc != SQLITE_DONE) {
        step.rc = rc;
        return;
      }
    }
    Statement write(step.db,
                    "UPDATE " + table + " SET " + quoteName(f.column) + " = ?1 WHERE _id = ?2");
    if (!write.valid()) step.rc = write.prepareError();
    for (const auto& [id, value] : rewritten) {
      if (step.rc != SQLITE_OK) return;
      write.reset();
      write.bind(1, value);
      write.bind(2, id);
      if (const int rc = write.step(); rc != SQLITE_DONE) step.rc = rc;
    }
  }
}

// Copies the stored table into one of the current structure. A field takes
// the column of its own name or of a former name; new fields start empty;
// values an older version stored in another form are rewritten.
void upgrade(Step& step, const std::string& schema, const TableDef& def) {
  const int storedVersion = versionOf(step.db, schema, def.storageName);
  const auto columns = storedColumns(step.db, schema, def.storageName);
  auto source = [&](const std::string& name, const std::vector<std::string>& formers,
                    bool text) -> std::string {
    if (columns.count(name)) return quoteName(name);
    for (const std::string& former : formers) {
      if (columns.count(former)) return quoteName(former);
    }
    return text ? "''" : "0";
  };
  std::string targets = "_id, _rv", sources = "_id, _rv";
  for (const FieldDef& f : def.fields) {
    targets += ", " + quoteName(f.column);
    sources += ", " + source(f.column, f.formerNames, isTextField(f));
  }
  for (const MemoDef& m : def.memos) {
    targets += ", " + quoteName(m.name);
    sources += ", " + source(m.name, m.formerNames, true);
  }
  const std::string old = schema + "." + quoteName(def.storageName);
  const std::string fresh = def.storageName + "__upgrade";
  step.run("DROP TABLE IF EXISTS " + schema + "." + quoteName(fresh));
  step.run(sql::createTableSql(def, schema, fresh));
  step.run("INSERT INTO " + schema + "." + quoteName(fresh) + " (" + targets + ") SELECT " +
           sources + " FROM " + old);
  rewriteOlderValues(step, schema + "." + quoteName(fresh), def, storedVersion);
  // Record positions are never reused: carry the numbering over.
  const std::string sequence = schema + ".sqlite_sequence";
  step.run("DELETE FROM " + sequence + " WHERE name = " + sql::quoteText(fresh));
  step.run("INSERT INTO " + sequence + " (name, seq) SELECT " + sql::quoteText(fresh) +
           ", seq FROM " + sequence + " WHERE name = " + sql::quoteText(def.storageName));
  step.run("DROP TABLE " + old);
  step.run("ALTER TABLE " + schema + "." + quoteName(fresh) + " RENAME TO " +
           quoteName(def.storageName));
}

bool indexesPresent(sqlite3* db, const std::string& schema, const TableDef& def) {
  Statement s(db, "SELECT 1 FROM " + schema + ".sqlite_master WHERE type = 'index' AND name = ?1");
  for (const KeyDef& key : def.keys) {
    s.reset();
    s.bind(1, sql::indexName(def, key));
    if (!s.valid() || s.step() != SQLITE_ROW) return false;
  }
  return true;
}

int healthy(const TableDef& table, const std::string& checkedName) {
  Connection::get().checkedStorages().insert(checkedName);
  reportHealth(table, false);
  return error::NoError;
}

int unusable(const TableDef& table, int code) {
  reportHealth(table, true);
  return code;
}

}  // namespace

std::string metaTableSql(const std::string& schema) {
  return "CREATE TABLE IF NOT EXISTS " + schema +
         "._varneta_meta (tbl TEXT PRIMARY KEY COLLATE NOCASE, version INTEGER NOT NULL)";
}

int storedTableVersion(sqlite3* db, const std::string& schema, const std::string& storageName) {
  return versionOf(db, schema, storageName);
}

int copyIntoCurrentStructure(sqlite3* db, const std::string& schema, const TableDef& table) {
  const TableDef& def = table.storage();
  Step step{db};
  step.run(metaTableSql(schema));
  upgrade(step, schema, def);
  createIndexes(step, schema, def);
  writeVersion(step, schema, def);
  return step.rc;
}

void setTableHealthHook(TableHealthHook hook) { healthHook() = std::move(hook); }

int ensureTableStorage(const TableDef& table) {
  const TableDef& def = table.storage();
  Connection& c = Connection::get();
  if (!c.isOpen()) return error::FileNotOpen;
  if (int error = c.fileError(*def.file)) return error;
  const std::string schema = c.schemaOf(*def.file);
  const std::string checkedName = schema + "." + def.storageName;
  if (c.checkedStorages().count(checkedName)) return error::NoError;

  // The usual case reads only: no write lock at start-up, so workstations
  // starting together do not wait for each other.
  const int stored = versionOf(c.db(), schema, def.storageName);
  if (stored == def.version && indexesPresent(c.db(), schema, def)) {
    return healthy(table, checkedName);
  }
  if (stored > def.version) return unusable(table, error::BadRecordDeclaration);

  const bool ownTransaction = !c.inTransaction();
  Step step{c.db()};
  if (ownTransaction && !step.run("BEGIN IMMEDIATE")) {
    reportDamage(step.rc, *def.file);
    return runtimeErrorForSqlite(step.rc);
  }
  step.run(metaTableSql(schema));
  int result = error::NoError;
  if (step.rc == SQLITE_OK) {
    if (!tableExists(c.db(), schema, def.storageName)) {
      step.run(sql::createTableSql(def, schema, def.storageName));
    } else {
      const int version = versionOf(c.db(), schema, def.storageName);
      if (version > def.version) {
        result = error::BadRecordDeclaration;
      } else if (version < def.version) {
        upgrade(step, schema, def);
      }
    }
  }
  if (result == error::NoError) {
    createIndexes(step, schema, def);
    writeVersion(step, schema, def);
    if (step.rc != SQLITE_OK) {
      reportDamage(step.rc, *def.file);
      result = runtimeErrorForSqlite(step.rc);
    }
  }
  if (ownTransaction) {
    if (result == error::NoError &&
        sqlite3_exec(c.db(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
      result = error::FileLocked;
    }
    if (result != error::NoError) sqlite3_exec(c.db(), "ROLLBACK", nullptr, nullptr, nullptr);
  }
  if (result == error::NoError) return healthy(table, checkedName);
  // A lock held elsewhere says nothing about the table itself.
  return result == error::FileLocked ? result : unusable(table, result);
}

}  // namespace rt
