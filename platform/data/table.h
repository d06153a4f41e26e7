#pragma once
// A table as one logical thread sees it: its own record buffer and memos, the
// position of the record in the buffer, and its own keyed walk. Every
// operation answers 0 or a runtime error code and records it in tableStatus().
#include <cstdint>
#include <memory>

#include "platform/data/cursor.h"
#include "platform/data/record_buffer.h"
#include "platform/data/table_dictionary.h"

namespace rt {

class Table {
 public:
  explicit Table(const TableDef& def);

  const TableDef& def() const { return def_; }
  RecordBuffer& buffer() { return *buffer_; }
  char* record() { return buffer_->record(); }

  // Creates the table when missing and brings an older one up to date. Each
  // open adds one use, each close removes one.
  int open();
  void close();
  bool isOpen() const;

  // Blank record in the buffer; no current record.
  void clear();
  // The record's position (never reused), 0 when the buffer holds no stored record.
  std::int64_t position() const { return id_; }
  // The stored version of the record in the buffer, as it was read.
  std::int64_t version() const { return rv_; }
  // A walk outside the table (a view) read this record into the buffer.
  void recordWasRead(std::int64_t position, std::int64_t version) {
    id_ = position;
    rv_ = version;
  }

  // Reads the first record (in the key's order) whose key values equal those
  // in the buffer: 0 or 35. The walk does not move.
  int fetch(int key);
  // Reads the record at a position: 0 or 35.
  int fetchPosition(std::int64_t position);

  // The walk: set to the start of a key (next reads the first record,
  // previous the last), or from the key values in the buffer, or to a record.
  void setToStart(int key);
  void setFromBuffer(int key);
  int reset(int key, std::int64_t position);
  // Limits the walk to records whose first `components` key values equal
  // those in the buffer now.
  void setRange(int components);
  int next();      // 0, or 33 past the end
  int previous();  // 0, or 33 past the start

  // Number of stored records; -1, with the error set, when the table cannot
  // be read (not open, locked by another workstation, damaged): never 0.
  std::int64_t records();

  // add and put refuse a memo longer than its limit (90, SQLite's "too big"),
  // storing nothing: a memo is never cut.
  int add();  // 40 when a unique key would repeat (duplicateKeyIndex() names it)
  // Gives each auto-numbered key the highest stored number plus one (among
  // the records that share the key's earlier components) and adds the
  // record, all under the write lock: 40 when a number was taken meanwhile,
  // 32 when another workstation holds the lock.
  int addNumbered();
  int put();     // 89 when the record changed since it was read (and it is read again)
  int remove();  // 89 likewise

  // Whether a stored record other than the one in the buffer has the key
  // values now in the buffer (compared as the key compares them). The buffer
  // and the walk do not move; an empty value of a key that skips empty
  // values repeats nothing.
  bool otherHasKey(int key);

 private:
  int usable();
  int changed();
  int duplicateKey(int sqliteResult);

  const TableDef& def_;
  std::unique_ptr<RecordBuffer> buffer_;
  Cursor cursor_;
  int opens_ = 0;
  int openedIn_ = -1;  // the connection the uses belong to
  std::int64_t id_ = 0;
  std::int64_t rv_ = 0;
};

// The calling logical thread's instance of a table.
Table& table(const TableDef& def);

}  // namespace rt
