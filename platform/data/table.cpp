#include "platform/data/table.h"

#include <map>

#include "platform/base/logical_threads.h"
#include "platform/data/connection.h"
#include "platform/data/database.h"
#include "platform/data/structure_versions.h"
#include "platform/data/table_sql.h"
#include "platform/data/table_status.h"

namespace rt {

using sql::Connection;
using sql::Statement;
using sql::tableSql;

namespace {

using ThreadTables = std::map<const TableDef*, std::unique_ptr<Table>>;

std::map<ThreadNumber, ThreadTables>& allTables() {
  static std::map<ThreadNumber, ThreadTables> tables;
  static bool hooked = [] {
    addThreadHooks(
        ThreadLayer::TableFiles, [](ThreadNumber) {}, [](ThreadNumber n) { allTables().erase(n); });
    return true;
  }();
  (void)hooked;
  return tables;
}

int sqliteFailure(const TableDef& def, int rc) {
  return setSqliteError(rc, sqlite3_errmsg(Connection::get().db()), def);
}

}  // namespace

Table& table(const TableDef& def) {
  auto& own = allTables()[currentThreadNumber()];
  auto it = own.find(&def);
  if (it == own.end()) it = own.emplace(&def, std::make_unique<Table>(def)).first;
  return *it->second;
}

Table::Table(const TableDef& def) : def_(def), buffer_(def.newBuffer()), cursor_(def) {}

int Table::open() {
  if (const int error = ensureTableStorage(def_)) return setTableError(error);
  // Uses counted on an earlier connection ended with it.
  const int generation = Connection::get().generation();
  if (openedIn_ != generation) opens_ = 0;
  openedIn_ = generation;
  ++opens_;
  return setTableError(error::NoError);
}

bool Table::isOpen() const {
  const Connection& c = Connection::get();
  return opens_ > 0 && c.isOpen() && openedIn_ == c.generation();
}

void Table::close() {
  if (opens_ > 0) --opens_;
}

int Table::usable() {
  if (!isOpen()) return setTableError(error::FileNotOpen);
  return error::NoError;
}

void Table::clear() {
  clearRecord(def_, *buffer_);
  id_ = rv_ = 0;
}

namespace {

int readOne(Statement& s, const TableDef& def, RecordBuffer& buffer, std::int64_t& id,
            std::int64_t& rv) {
  const int rc = s.step();
  if (rc == SQLITE_ROW) {
    id = sqlite3_column_int64(s.get(), 0);
    rv = sqlite3_column_int64(s.get(), 1);
    sql::loadRow(s.get(), 2, def, buffer);
  }
  s.reset();
  if (rc == SQLITE_ROW) return setTableError(error::NoError);
  if (rc == SQLITE_DONE) return setTableError(error::RecordNotFound);
  return sqliteFailure(def, rc);
}

bool keyIsEmpty(const TableDef& def, const KeyDef& key, const char* record) {
  for (const KeyComponent& c : key.components) {
    if (!fieldIsEmpty(def.fields[c.field], record)) return false;
  }
  return true;
}

}  // namespace

int Table::fetch(int key) {
  if (int e = usable()) return e;
  const KeyDef& k = def_.keys.at(key);
  if (k.skipEmpty && keyIsEmpty(def_, k, record())) return setTableError(error::RecordNotFound);
  Statement& s = Connection::get().cached(tableSql(def_).fetchByKey[key]);
  for (std::size_t i = 0; i < k.components.size(); ++i) {
    sql::bindKeyValue(s, static_cast<int>(i + 1), def_.fields[k.components[i].field], record());
  }
  return readOne(s, def_, *buffer_, id_, rv_);
}

int Table::fetchPosition(std::int64_t position) {
  if (int e = usable()) return e;
  Statement& s = Connection::get().cached(tableSql(def_).byId);
  s.bind(1, position);
  return readOne(s, def_, *buffer_, id_, rv_);
}

void Table::setToStart(int key) { cursor_.setKey(key); }

void Table::setFromBuffer(int key) {
  cursor_.setKey(key);
  cursor_.toValues(record());
}

void Table::setRange(int components) { cursor_.setRange(components, record()); }

int Table::reset(int key, std::int64_t position) {
  if (int e = fetchPosition(position)) return e;
  cursor_.setKey(key);
  cursor_.toRecord(cursor_.valuesOf(record()), position);
  return error::NoError;
}

int Table::next() {
  if (int e = usable()) return e;
  return cursor_.next(*buffer_, id_, rv_);
}

int Table::previous() {
  if (int e = usable()) return e;
  return cursor_.previous(*buffer_, id_, rv_);
}

std::int64_t Table::records() {
  if (usable()) return -1;
  Statement& s = Connection::get().cached(tableSql(def_).count);
  const int rc = s.step();
  const std::int64_t n = rc == SQLITE_ROW ? sqlite3_column_int64(s.get(), 0) : -1;
  s.reset();
  if (rc != SQLITE_ROW) {
    sqliteFailure(def_, rc);
    return -1;
  }
  setTableError(error::NoError);
  return n;
}

namespace {

void bindRecord(Statement& s, const TableDef& def, RecordBuffer& buffer) {
  int i = 1;
  for (const FieldDef& f : def.fields) sql::bindField(s, i++, f, buffer.record());
  for (std::size_t m = 0; m < def.memos.size(); ++m) {
    sql::bindMemo(s, i++, buffer.memo(static_cast<int>(m)));
  }
}

// A memo longer than its limit is refused whole (SQLite's "too big"):
// stored cut, nobody would see what was lost. 0 when every memo fits.
int refuseLongMemo(const TableDef& def, RecordBuffer& buffer) {
  for (std::size_t m = 0; m < def.memos.size(); ++m) {
    const MemoDef& memo = def.memos[m];
    const std::size_t length = buffer.memo(static_cast<int>(m)).size();
    if (memo.maxLength > 0 && length > static_cast<std::size_t>(memo.maxLength)) {
      return setSqliteError(SQLITE_TOOBIG, "el memo " + def.prefix + ":" + memo.name + " tiene " +
                                               std::to_string(length) + " caracteres y admite " +
                                               std::to_string(memo.maxLength));
    }
  }
  return error::NoError;
}

}  // namespace

// Which unique key the record in the buffer repeats: the first in declared order.
int Table::duplicateKey(int sqliteResult) {
  const std::string detail = sqlite3_errmsg(Connection::get().db());
  for (std::size_t k = 0; k < def_.keys.size(); ++k) {
    if (!def_.keys[k].unique()) continue;
    if (otherHasKey(static_cast<int>(k)))
      return setTableError(error::DuplicateKey, static_cast<int>(k));
  }
  return setSqliteError(sqliteResult, detail, def_);
}

bool Table::otherHasKey(int key) {
  if (usable()) return false;
  const KeyDef& k = def_.keys.at(key);
  if (k.skipEmpty && keyIsEmpty(def_, k, record())) return false;
  Statement& s = Connection::get().cached(tableSql(def_).otherWithKey[key]);
  for (std::size_t i = 0; i < k.components.size(); ++i) {
    sql::bindKeyValue(s, static_cast<int>(i + 1), def_.fields[k.components[i].field], record());
  }
  s.bind(static_cast<int>(k.components.size() + 1), id_);
  const bool found = s.step() == SQLITE_ROW;
  s.reset();
  return found;
}

int Table::add() {
  if (int e = usable()) return e;
  if (int e = refuseLongMemo(def_, *buffer_)) return e;
  Connection& c = Connection::get();
  c.resetCursors();
  Statement& s = c.cached(tableSql(def_).insert);
  bindRecord(s, def_, *buffer_);
  const int rc = s.step();
  s.reset();
  if (rc != SQLITE_DONE) {
    const std::int64_t keep = id_;
    id_ = 0;
    const int code = (rc & 0xFF) == SQLITE_CONSTRAINT ? duplicateKey(rc) : sqliteFailure(def_, rc);
    id_ = keep;
    return code;
  }
  id_ = sqlite3_last_insert_rowid(c.db());
  rv_ = 1;
  return setTableError(error::NoError);
}

int Table::addNumbered() {
  if (int e = usable()) return e;
  Connection& c = Connection::get();
  const bool ownTransaction = !c.inTransaction();
  if (ownTransaction) {
    if (int e = beginTransaction()) return e;
  }
  const sql::TableSql& t = tableSql(def_);
  int result = error::NoError;
  for (std::size_t k = 0; k < def_.keys.size() && result == error::NoError; ++k) {
    const KeyDef& key = def_.keys[k];
    if (key.autoNumbered <= 0) continue;
    Statement& s = c.cached(t.highestNumber[k]);
    for (int i = 0; i + 1 < key.autoNumbered; ++i) {
      sql::bindKeyValue(s, i + 1, def_.fields[key.components[i].field], record());
    }
    const int rc = s.step();
    const std::int64_t highest = rc == SQLITE_ROW ? sqlite3_column_int64(s.get(), 0) : 0;
    s.reset();
    const FieldDef& numbered = def_.fields[key.components[key.autoNumbered - 1].field];
    if (rc != SQLITE_ROW) {
      result = setSqliteError(rc, sqlite3_errmsg(c.db()), def_);
    } else if (highest + 1 > largestNumber(numbered)) {
      // The field cannot hold the next number: storing it would wrap to 0
      // (or a negative code) and give the key a number that means "none".
      result = error::KeyUnavailable;
    } else {
      setFieldNumber(numbered, record(), highest + 1);
    }
  }
  if (result == error::NoError) result = add();
  if (!ownTransaction) return result;
  if (result != error::NoError) {
    const int key = duplicateKeyIndex();
    rollbackTransaction();
    id_ = 0;
    return setTableError(result, key);
  }
  return commitTransaction();
}

// The write touched nothing: the record changed or went since it was read.
int Table::changed() {
  const std::int64_t id = id_;
  Statement& s = Connection::get().cached(tableSql(def_).byId);
  s.bind(1, id);
  auto stored = def_.newBuffer();
  std::int64_t storedId = 0, storedRv = 0;
  if (readOne(s, def_, *stored, storedId, storedRv) == error::NoError) {
    // What is stored now is shown again.
    copyRecord(def_, *stored, *buffer_);
    rv_ = storedRv;
    return setTableError(error::RecordChanged);
  }
  return setTableError(error::RecordNotFound);
}

int Table::put() {
  if (int e = usable()) return e;
  if (id_ == 0) return setTableError(error::RecordNotAvailable);
  if (int e = refuseLongMemo(def_, *buffer_)) return e;
  Connection& c = Connection::get();
  c.resetCursors();
  const sql::TableSql& t = tableSql(def_);
  Statement& s = c.cached(t.update);
  bindRecord(s, def_, *buffer_);
  const int n = static_cast<int>(def_.fields.size() + def_.memos.size());
  s.bind(n + 1, id_);
  s.bind(n + 2, rv_);
  const int rc = s.step();
  s.reset();
  if (rc != SQLITE_DONE) {
    return (rc & 0xFF) == SQLITE_CONSTRAINT ? duplicateKey(rc) : sqliteFailure(def_, rc);
  }
  if (sqlite3_changes(c.db()) == 0) return changed();
  ++rv_;
  return setTableError(error::NoError);
}

int Table::remove() {
  if (int e = usable()) return e;
  if (id_ == 0) return setTableError(error::RecordNotAvailable);
  Connection& c = Connection::get();
  c.resetCursors();
  Statement& s = c.cached(tableSql(def_).remove);
  s.bind(1, id_);
  s.bind(2, rv_);
  const int rc = s.step();
  s.reset();
  if (rc != SQLITE_DONE) return sqliteFailure(def_, rc);
  if (sqlite3_changes(c.db()) == 0) return changed();
  id_ = rv_ = 0;
  return setTableError(error::NoError);
}

}  // namespace rt
