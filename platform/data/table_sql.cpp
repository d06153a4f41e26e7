#include "platform/data/table_sql.h"

#include <map>

#include "platform/base/cp1252.h"
#include "platform/data/record_buffer.h"

namespace rt::sql {

std::string componentExpr(const TableDef& def, const KeyDef& key, int component) {
  const FieldDef& f = def.fields[key.components[component].field];
  std::string expr = quoteName(f.column);
  if (isTextField(f)) expr += key.caseInsensitive ? " COLLATE rt_nocase" : " COLLATE rt_case";
  return expr;
}

std::string skipEmptyPredicate(const TableDef& def, const KeyDef& key) {
  if (!key.skipEmpty) return {};
  std::string out = "(";
  for (std::size_t i = 0; i < key.components.size(); ++i) {
    const FieldDef& f = def.fields[key.components[i].field];
    if (i) out += " OR ";
    out += quoteName(f.column) + (isTextField(f) ? " <> ''" : " <> 0");
  }
  return out + ")";
}

std::string indexName(const TableDef& def, const KeyDef& key) {
  return def.storage().storageName + "_" + key.name;
}

std::string createTableSql(const TableDef& def, const std::string& schema,
                           const std::string& name) {
  std::string sql = "CREATE TABLE " + schema + "." + quoteName(name) +
                    " (_id INTEGER PRIMARY KEY AUTOINCREMENT, _rv INTEGER NOT NULL DEFAULT 1";
  for (const FieldDef& f : def.fields) {
    sql += ", " + quoteName(f.column) +
           (isTextField(f) ? " TEXT NOT NULL DEFAULT ''" : " INTEGER NOT NULL DEFAULT 0");
  }
  for (const MemoDef& m : def.memos) sql += ", " + quoteName(m.name) + " TEXT NOT NULL DEFAULT ''";
  return sql + ")";
}

std::string createIndexSql(const TableDef& def, const KeyDef& key, const std::string& schema) {
  std::string sql = std::string("CREATE ") + (key.unique() ? "UNIQUE " : "") +
                    "INDEX IF NOT EXISTS " + schema + "." + quoteName(indexName(def, key)) +
                    " ON " + quoteName(def.storage().storageName) + " (";
  for (std::size_t i = 0; i < key.components.size(); ++i) {
    if (i) sql += ", ";
    sql += componentExpr(def, key, static_cast<int>(i));
    if (key.components[i].descending) sql += " DESC";
  }
  sql += ")";
  const std::string pred = skipEmptyPredicate(def, key);
  if (!pred.empty()) sql += " WHERE " + pred;
  return sql;
}

std::string selectList(const TableDef& def) {
  std::string sql = "_id, _rv";
  for (const FieldDef& f : def.fields) sql += ", " + quoteName(f.column);
  for (const MemoDef& m : def.memos) sql += ", " + quoteName(m.name);
  return sql;
}

std::string orderBy(const TableDef& def, const KeyDef& key, bool forward) {
  std::string sql = " ORDER BY ";
  for (std::size_t i = 0; i < key.components.size(); ++i) {
    if (i) sql += ", ";
    sql += componentExpr(def, key, static_cast<int>(i));
    sql += (key.components[i].descending == forward) ? " DESC" : " ASC";
  }
  // Equal values of a key that allows duplicates come in record order; a
  // unique key has none.
  if (!key.unique()) sql += forward ? ", _id ASC" : ", _id DESC";
  return sql;
}

void bindKeyValue(Statement& s, int index, const FieldDef& field, const char* record) {
  if (isTextField(field)) {
    s.bind(index, cp1252ToUtf8(clip(fieldText(field, record))));
  } else {
    s.bind(index, fieldNumber(field, record));
  }
}

namespace {

std::map<const TableDef*, TableSql>& sqlCache() {
  static std::map<const TableDef*, TableSql> cache;
  return cache;
}

std::string keyEquality(const TableDef& def, const KeyDef& key) {
  std::string where;
  for (std::size_t i = 0; i < key.components.size(); ++i) {
    if (i) where += " AND ";
    where += componentExpr(def, key, static_cast<int>(i)) + " = ?" + std::to_string(i + 1);
  }
  const std::string pred = skipEmptyPredicate(def, key);
  if (!pred.empty()) where += " AND " + pred;
  return where;
}

TableSql build(const TableDef& def) {
  TableSql t;
  t.name = Connection::get().qualifiedName(def);
  const std::string select = "SELECT " + selectList(def) + " FROM " + t.name;
  std::string columns = "_rv", values = "1", sets = "_rv = _rv + 1";
  int n = 0;
  auto addColumn = [&](const std::string& column) {
    ++n;
    columns += ", " + quoteName(column);
    values += ", ?" + std::to_string(n);
    sets += ", " + quoteName(column) + " = ?" + std::to_string(n);
  };
  for (const FieldDef& f : def.fields) addColumn(f.column);
  for (const MemoDef& m : def.memos) addColumn(m.name);
  const std::string idParam = "?" + std::to_string(n + 1);
  const std::string rvParam = "?" + std::to_string(n + 2);
  t.insert = "INSERT INTO " + t.name + " (" + columns + ") VALUES (" + values + ")";
  t.update =
      "UPDATE " + t.name + " SET " + sets + " WHERE _id = " + idParam + " AND _rv = " + rvParam;
  t.remove = "DELETE FROM " + t.name + " WHERE _id = ?1 AND _rv = ?2";
  t.byId = select + " WHERE _id = ?1";
  t.count = "SELECT count(*) FROM " + t.name;
  for (const KeyDef& key : def.keys) {
    const std::string where = keyEquality(def, key);
    t.fetchByKey.push_back(select + " WHERE " + where + orderBy(def, key, true) + " LIMIT 1");
    std::string highest;
    if (key.autoNumbered > 0) {
      const int numbered = key.autoNumbered - 1;
      // The key's own condition for the records it skips lets SQLite read
      // the highest number from the key's index instead of every record; a
      // skipped record holds no number anyway.
      std::vector<std::string> where;
      for (int i = 0; i < numbered; ++i) {
        where.push_back(componentExpr(def, key, i) + " = ?" + std::to_string(i + 1));
      }
      if (std::string pred = skipEmptyPredicate(def, key); !pred.empty()) where.push_back(pred);
      highest = "SELECT max(" + quoteName(def.fields[key.components[numbered].field].column) +
                ") FROM " + t.name;
      for (std::size_t i = 0; i < where.size(); ++i)
        highest += (i ? " AND " : " WHERE ") + where[i];
    }
    t.highestNumber.push_back(std::move(highest));
    t.otherWithKey.push_back("SELECT _id FROM " + t.name + " WHERE " + where + " AND _id <> ?" +
                             std::to_string(key.components.size() + 1) + " LIMIT 1");
  }
  return t;
}

}  // namespace

const TableSql& tableSql(const TableDef& def) {
  auto it = sqlCache().find(&def);
  if (it == sqlCache().end()) it = sqlCache().emplace(&def, build(def)).first;
  return it->second;
}

void forgetTableSql() { sqlCache().clear(); }

}  // namespace rt::sql
