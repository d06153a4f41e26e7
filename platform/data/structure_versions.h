#pragma once
// Structure versions of the stored tables. A meta table in each file keeps
// the version each table was written under. Opening a table creates it when
// missing, brings an older one up to date in one transaction (fields found
// under a former name keep their data, values stored in a former form are
// rewritten) and refuses a newer one, which is then marked bad.
#include <functional>
#include <string>

struct sqlite3;

#include "platform/data/table_dictionary.h"

namespace rt {

// The statement that creates a file's meta table when missing.
std::string metaTableSql(const std::string& schema);

// 0, or the runtime error that keeps the table from opening.
int ensureTableStorage(const TableDef& def);

// The version a file's meta table records for a stored table (`schema` as
// the connection attached the file); -1 when it records none.
int storedTableVersion(sqlite3* db, const std::string& schema, const std::string& storageName);

// Copies a stored table into a fresh one of the definition's structure under
// the same name: `_id`, `_rv` and every field found under its name or a former
// one keep their values, new fields start empty, values an older version
// stored in another form are rewritten (FieldDef::rewriteOlder), record
// numbering goes on;
// keys and the recorded version follow the definition. Inside the caller's
// transaction; SQLite's result.
int copyIntoCurrentStructure(sqlite3* db, const std::string& schema, const TableDef& def);

// Told whenever a table is found unusable (bad = true) or opened well.
using TableHealthHook = std::function<void(const TableDef& def, bool bad)>;
void setTableHealthHook(TableHealthHook hook);

}  // namespace rt
