#pragma once
// Inside the table layer: the SQL of a table's storage and of its keys. Every
// query on a key repeats the key's collation and skip-empty predicate exactly
// as its index declares them, so SQLite reads through the index.
#include <string>
#include <vector>

#include "platform/data/connection.h"
#include "platform/data/table_dictionary.h"

namespace rt::sql {

// A column expression of a key component, with the key's collation for text.
std::string componentExpr(const TableDef& def, const KeyDef& key, int component);
// "(c1 <> 0 OR c2 <> '')" for a skip-empty key, else empty.
std::string skipEmptyPredicate(const TableDef& def, const KeyDef& key);
std::string indexName(const TableDef& def, const KeyDef& key);
std::string createTableSql(const TableDef& def, const std::string& schema, const std::string& name);
std::string createIndexSql(const TableDef& def, const KeyDef& key, const std::string& schema);
// The columns every read selects: _id, _rv, the fields, the memos.
std::string selectList(const TableDef& def);
// "ORDER BY ..." of a key, forward or backward.
std::string orderBy(const TableDef& def, const KeyDef& key, bool forward);

// Binds a key value read from a record (numbers as integers, text clipped, UTF-8).
void bindKeyValue(Statement& s, int index, const FieldDef& field, const char* record);

struct TableSql {
  std::string name;  // "schema"."table"
  std::string insert, update, remove, byId, count;
  std::vector<std::string> fetchByKey;     // per key: equal on every component
  std::vector<std::string> otherWithKey;   // per key: another record with these values
  std::vector<std::string> highestNumber;  // per key: the highest value of its numbered
                                           // component among equal earlier components
};

// The statements of a definition's storage on the open connection.
const TableSql& tableSql(const TableDef& def);
void forgetTableSql();

}  // namespace rt::sql
