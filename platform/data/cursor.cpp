#include "platform/data/cursor.h"

#include <limits>

#include "platform/base/cp1252.h"
#include "platform/data/table_sql.h"
#include "platform/data/table_status.h"

namespace rt {

using sql::Connection;
using sql::Statement;

Cursor::Cursor(const TableDef& def)
    : def_(def), order_(def.keys.empty() ? KeyDef{} : def.keys.front()) {
  Connection::get().track(this);
}

Cursor::~Cursor() { Connection::get().untrack(this); }

void Cursor::resetStatement() {
  if (active_) active_->reset();
  active_ = nullptr;
}

void Cursor::finalizeStatements() {
  resetStatement();
  for (Statement& s : statements_) s = Statement();
}

namespace {

bool sameComponents(const std::vector<KeyComponent>& a, const std::vector<KeyComponent>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].field != b[i].field || a[i].descending != b[i].descending) return false;
  }
  return true;
}

}  // namespace

void Cursor::setKey(int key, std::vector<KeyComponent> appended) {
  KeyDef order = def_.keys[key];
  order.components.insert(order.components.end(), appended.begin(), appended.end());
  if (key != key_ || !sameComponents(order.components, order_.components)) {
    finalizeStatements();
    key_ = key;
    order_ = std::move(order);
  }
  setRange(0, nullptr);
}

void Cursor::setRange(int components, const char* record) {
  const int n = static_cast<int>(order_.components.size());
  components = components < 0 ? 0 : (components > n ? n : components);
  if (components != fixed_) finalizeStatements();
  fixed_ = components;
  rangeValues_.clear();
  if (fixed_ > 0) {
    rangeValues_ = valuesOf(record);
    rangeValues_.resize(fixed_);
  }
  toStart();
}

void Cursor::setRange(KeyTuple values) {
  const int n = static_cast<int>(order_.components.size());
  if (static_cast<int>(values.size()) > n) values.resize(n);
  if (static_cast<int>(values.size()) != fixed_) finalizeStatements();
  fixed_ = static_cast<int>(values.size());
  rangeValues_ = std::move(values);
  toStart();
}

void Cursor::alsoLeaveOut(const KeyDef* key) {
  if (key != alsoLeaveOut_) finalizeStatements();
  alsoLeaveOut_ = key;
  toStart();
}

void Cursor::setLimits(const KeyValue* low, const KeyValue* high) {
  const bool limited = low != nullptr && high != nullptr;
  if (limited != limited_) finalizeStatements();
  limited_ = limited;
  if (limited_) {
    low_ = *low;
    high_ = *high;
  }
  toStart();
}

void Cursor::setRowTest(std::string condition,
                        std::shared_ptr<const std::vector<std::int64_t>> set) {
  rowTestSet_ = std::move(set);
  if (condition == rowTest_) return;
  finalizeStatements();
  rowTest_ = std::move(condition);
}

void Cursor::toStart() {
  resetStatement();
  bounded_ = false;
  values_.clear();
}

void Cursor::keepFixedValues() {
  for (int i = 0; i < fixed_ && i < static_cast<int>(values_.size()); ++i)
    values_[i] = rangeValues_[i];
}

void Cursor::toValues(const char* record) {
  resetStatement();
  bounded_ = true;
  values_ = valuesOf(record);
  keepFixedValues();
  forwardAfter_ = 0;
  backwardUpTo_ = std::numeric_limits<std::int64_t>::max() - 1;
}

void Cursor::toRecord(const KeyTuple& values, std::int64_t id) {
  resetStatement();
  bounded_ = true;
  values_ = values;
  keepFixedValues();
  forwardAfter_ = id - 1;
  backwardUpTo_ = id;
}

KeyTuple Cursor::valuesOf(const char* record) const {
  KeyTuple t;
  for (const KeyComponent& c : order_.components) {
    const FieldDef& f = def_.fields[c.field];
    KeyValue v;
    if (isTextField(f)) {
      v.text = cp1252ToUtf8(clip(fieldText(f, record)));
    } else {
      v.number = fieldNumber(f, record);
    }
    t.push_back(std::move(v));
  }
  return t;
}

namespace {

std::string param(int i) { return "?" + std::to_string(i); }

}  // namespace

// Parameters: 1 to n the values to seek from, n + 1 the record, n + 2 on the
// fixed values, 2n + 3 and 2n + 4 the limits.
std::vector<std::string> Cursor::rangeConditions() const {
  const KeyDef& key = order_;
  const int n = static_cast<int>(key.components.size());
  std::vector<std::string> where;
  if (std::string pred = sql::skipEmptyPredicate(def_, def_.keys[key_]); !pred.empty()) {
    where.push_back(pred);
  }
  if (alsoLeaveOut_ != nullptr) {
    if (std::string pred = sql::skipEmptyPredicate(def_, *alsoLeaveOut_); !pred.empty()) {
      where.push_back(pred);
    }
  }
  for (int i = 0; i < fixed_; ++i) {
    where.push_back(sql::componentExpr(def_, key, i) + " = " + param(n + 2 + i));
  }
  if (limited_ && fixed_ < n) {
    const std::string expr = sql::componentExpr(def_, key, fixed_);
    where.push_back(expr + " >= " + param(2 * n + 3) + " AND " + expr + " <= " + param(2 * n + 4));
  }
  return where;
}

void Cursor::bindValue(Statement& s, int index, int component, const KeyValue& v) const {
  if (isTextField(def_.fields[order_.components[component].field])) {
    s.bind(index, v.text);
  } else {
    s.bind(index, v.number);
  }
}

void Cursor::bindRange(Statement& s) const {
  const int n = static_cast<int>(order_.components.size());
  for (int i = 0; i < fixed_; ++i) bindValue(s, n + 2 + i, i, rangeValues_[i]);
  if (limited_ && fixed_ < n) {
    bindValue(s, 2 * n + 3, fixed_, low_);
    bindValue(s, 2 * n + 4, fixed_, high_);
  }
}

std::int64_t Cursor::count() {
  Connection& c = Connection::get();
  if (!c.isOpen()) return -1;
  std::string sql = "SELECT count(*) FROM " + c.qualifiedName(def_);
  const std::vector<std::string> where = rangeConditions();
  for (std::size_t i = 0; i < where.size(); ++i) sql += (i ? " AND " : " WHERE ") + where[i];
  Statement s(c.db(), sql);
  if (!s.valid()) return -1;
  bindRange(s);
  const int rc = s.step();
  return rc == SQLITE_ROW ? sqlite3_column_int64(s.get(), 0) : -1;
}

std::string Cursor::buildSql(Mode mode) const {
  const KeyDef& key = order_;
  const int n = static_cast<int>(key.components.size());
  const bool forward = mode == kForwardAll || mode == kForwardFrom;
  std::vector<std::string> where = rangeConditions();
  if (mode == kForwardFrom || mode == kBackwardFrom) {
    auto op = [&](int i, bool orEqual) {
      const bool greater = key.components[i].descending != forward;
      return std::string(greater ? " >" : " <") + (orEqual ? "= " : " ");
    };
    // A bound on the first free component lets SQLite seek in the index.
    if (fixed_ < n) {
      where.push_back(sql::componentExpr(def_, key, fixed_) + op(fixed_, true) + param(fixed_ + 1));
    }
    std::string after, equalSoFar;
    for (int i = 0; i <= n; ++i) {
      const std::string term = i < n
                                   ? sql::componentExpr(def_, key, i) + op(i, false) + param(i + 1)
                                   : std::string("_id") + (forward ? " > " : " < ") + param(n + 1);
      if (!after.empty()) after += " OR ";
      after += "(" + equalSoFar + term + ")";
      if (i < n) equalSoFar += sql::componentExpr(def_, key, i) + " = " + param(i + 1) + " AND ";
    }
    where.push_back("(" + after + ")");
  }
  // The row test is a last column, so a walk passes over the rows that fail
  // it without loading them, and still knows where it stands.
  std::string sql = "SELECT " + sql::selectList(def_) +
                    (rowTest_.empty() ? std::string() : ", (" + rowTest_ + ")") + " FROM " +
                    Connection::get().qualifiedName(def_);
  for (std::size_t i = 0; i < where.size(); ++i) sql += (i ? " AND " : " WHERE ") + where[i];
  // With every component fixed only the record order is left to follow.
  if (fixed_ == n) return sql + (forward ? " ORDER BY _id ASC" : " ORDER BY _id DESC");
  return sql + sql::orderBy(def_, key, forward);
}

Statement& Cursor::statement(Mode mode) {
  Connection& c = Connection::get();
  if (generation_ != c.generation()) {
    for (Statement& s : statements_) s = Statement();
    active_ = nullptr;
    generation_ = c.generation();
  }
  Statement& s = statements_[mode];
  if (!s.valid()) s = Statement(c.db(), buildSql(mode));
  return s;
}

int Cursor::read(bool forward, RecordBuffer& out, std::int64_t& id, std::int64_t& rv) {
  Connection& c = Connection::get();
  if (!c.isOpen()) return setTableError(error::FileNotOpen);
  if (!active_ || activeForward_ != forward || generation_ != c.generation()) {
    resetStatement();
    const Mode mode = bounded_ ? (forward ? kForwardFrom : kBackwardFrom)
                               : (forward ? kForwardAll : kBackwardAll);
    Statement& s = statement(mode);
    if (!s.valid()) {
      return setSqliteError(s.prepareError(), sqlite3_errmsg(c.db()), def_);
    }
    sqlite3_clear_bindings(s.get());
    const int n = static_cast<int>(order_.components.size());
    bindRange(s);
    if (bounded_) {
      for (int i = 0; i < n; ++i) bindValue(s, i + 1, i, values_[i]);
      s.bind(n + 1, forward ? forwardAfter_ : backwardUpTo_ + 1);
    }
    if (rowTestSet_) {
      sqlite3_bind_pointer(s.get(), sqlite3_bind_parameter_index(s.get(), ":set"),
                           const_cast<std::vector<std::int64_t>*>(rowTestSet_.get()),
                           sql::kNumberSet, nullptr);
    }
    active_ = &s;
    activeForward_ = forward;
  }
  const int test =
      rowTest_.empty() ? -1 : 2 + static_cast<int>(def_.fields.size() + def_.memos.size());
  for (int passed = 0;; ++passed) {
    const int rc = active_->step();
    if (rc != SQLITE_ROW) {
      resetStatement();
      if (rc == SQLITE_DONE) return setTableError(error::RecordNotAvailable);
      return setSqliteError(rc, sqlite3_errmsg(c.db()), def_);
    }
    sqlite3_stmt* row = active_->get();
    id = sqlite3_column_int64(row, 0);
    standAt(row, id);
    if (test < 0 || sqlite3_column_int(row, test) != 0) break;
    if (passed + 1 >= kPassOverRun) return kStillLooking;
  }
  sqlite3_stmt* row = active_->get();
  rv = sqlite3_column_int64(row, 1);
  sql::loadRow(row, 2, def_, out);
  return setTableError(error::NoError);
}

void Cursor::standAt(sqlite3_stmt* row, std::int64_t id) {
  const KeyDef& key = order_;
  values_.resize(key.components.size());
  for (std::size_t i = 0; i < key.components.size(); ++i) {
    const int col = 2 + key.components[i].field;
    if (isTextField(def_.fields[key.components[i].field])) {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(row, col));
      values_[i].text.assign(p ? p : "", sqlite3_column_bytes(row, col));
    } else {
      values_[i].number = sqlite3_column_int64(row, col);
    }
  }
  bounded_ = true;
  forwardAfter_ = id;
  backwardUpTo_ = id - 1;
}

int Cursor::next(RecordBuffer& out, std::int64_t& id, std::int64_t& rv) {
  return read(true, out, id, rv);
}

int Cursor::previous(RecordBuffer& out, std::int64_t& id, std::int64_t& rv) {
  return read(false, out, id, rv);
}

}  // namespace rt
