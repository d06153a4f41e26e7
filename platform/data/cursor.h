#pragma once
// A keyed cursor: walks a table in the order of one of its keys, optionally
// limited to the records whose leading key components equal fixed values.
// Reads are keyset queries: a walk steps one statement while it can, and
// after the statement was reset (a suspend, a write) it seeks again from the
// last key read, so a walk never holds a lock between events.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/connection.h"
#include "platform/data/record_buffer.h"

namespace rt {

// A key's values as stored: numbers, or text without padding in UTF-8.
struct KeyValue {
  std::int64_t number = 0;
  std::string text;
};
using KeyTuple = std::vector<KeyValue>;

class Cursor final : private sql::Resettable {
 public:
  explicit Cursor(const TableDef& def);
  ~Cursor();
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  const TableDef& def() const { return def_; }
  int key() const { return key_; }
  // Sets the key and goes to its start (next reads the first record,
  // previous the last). Clears the range. Fields appended to the key order
  // the records whose key values are equal; they take part in positioning
  // like key components, but not in the key's skip-empty rule.
  void setKey(int key, std::vector<KeyComponent> appended = {});
  // The key's components followed by the appended ones.
  const KeyDef& order() const { return order_; }
  // Limits the walk to records whose first `components` key components equal
  // their values in `record`; 0 removes the limit. Goes to the start.
  void setRange(int components, const char* record);
  // The same with the fixed values given.
  void setRange(KeyTuple values);
  // Leaves out also the records that `key` (of the same table) skips as
  // empty; null: only those of the walked key. Goes to the start.
  void alsoLeaveOut(const KeyDef* key);
  // Limits the walk further to records whose first component after the
  // fixed ones lies between `low` and `high` (both included); null removes
  // the limits. Goes to the start.
  void setLimits(const KeyValue* low, const KeyValue* high);
  void toStart();
  // next reads the first record at or after the key values in `record`,
  // previous the last one at or before them. Fixed components keep the
  // range's values.
  void toValues(const char* record);
  // next and previous both read the record with these values and position
  // first (fixed components likewise).
  void toRecord(const KeyTuple& values, std::int64_t id);
  // The records of the range and limits, counted through the key; -1 when
  // the count fails.
  std::int64_t count();

  // A condition over the stored columns (SQL) that a record must meet to be
  // read at all; empty: none. The walk keeps its place. While one is set, a
  // read that has passed over kPassOverRun records without finding one
  // answers kStillLooking, so a long walk can pause between reads. The
  // condition may name the parameter :set, bound to `set` as a kNumberSet.
  void setRowTest(std::string condition,
                  std::shared_ptr<const std::vector<std::int64_t>> set = nullptr);
  static constexpr int kPassOverRun = 2048;
  static constexpr int kStillLooking = -1;

  // 0 with the record in `out`, 33 past the end, or another runtime error.
  int next(RecordBuffer& out, std::int64_t& id, std::int64_t& rv);
  int previous(RecordBuffer& out, std::int64_t& id, std::int64_t& rv);

  KeyTuple valuesOf(const char* record) const;

 private:
  enum Mode { kForwardAll, kForwardFrom, kBackwardAll, kBackwardFrom, kModes };
  void resetStatement() override;
  int read(bool forward, RecordBuffer& out, std::int64_t& id, std::int64_t& rv);
  sql::Statement& statement(Mode mode);
  std::string buildSql(Mode mode) const;
  // The conditions of the key, range and limits, and their parameters.
  std::vector<std::string> rangeConditions() const;
  void bindRange(sql::Statement& s) const;
  void bindValue(sql::Statement& s, int index, int component, const KeyValue& v) const;
  void keepFixedValues();
  void finalizeStatements() override;
  // Notes the key values and position of the row in hand as where the walk stands.
  void standAt(sqlite3_stmt* row, std::int64_t id);

  const TableDef& def_;
  int key_ = 0;
  KeyDef order_;
  int fixed_ = 0;
  KeyTuple rangeValues_;
  const KeyDef* alsoLeaveOut_ = nullptr;
  bool limited_ = false;
  KeyValue low_;
  KeyValue high_;
  // Where the cursor stands: unbounded (the start), or between records by
  // key values: next reads records after (values, forwardAfter), previous
  // those at or before (values, backwardUpTo).
  bool bounded_ = false;
  KeyTuple values_;
  std::int64_t forwardAfter_ = 0;
  std::int64_t backwardUpTo_ = 0;
  std::string rowTest_;
  std::shared_ptr<const std::vector<std::int64_t>> rowTestSet_;
  // The statement being stepped, if any.
  sql::Statement* active_ = nullptr;
  bool activeForward_ = true;
  sql::Statement statements_[kModes];
  int generation_ = -1;
};

}  // namespace rt
