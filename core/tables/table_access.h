#pragma once
// The access object of one table on one logical thread: opens and closes the
// thread's instance of the table, primes new records with their defaults,
// validates ranges, numbers new records, reads by key and adds records, and
// shows the table layer's messages. Waiting for another workstation's lock
// never sleeps the GUI thread: the thread suspends on a timer and retries.
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "core/tables/table_messages.h"
#include "platform/data/table.h"

namespace core {

// What the operations answer.
namespace level {
constexpr int Benign = 0;  // done
constexpr int Fatal = 3;   // failed or not usable (the message was shown)
constexpr int Cancel = 4;  // the user declined
constexpr int Notify = 5;  // nothing found, or past the end
}  // namespace level

// How long a thread keeps retrying while another workstation holds a lock.
constexpr int kLockRecoveryMs = 10000;
constexpr int kTransactionTimeoutMs = 2000;
constexpr int kLockRetryStepMs = 100;

// A budget of waits for a lock held elsewhere. again() waits one step (the
// thread suspends on a timer) and answers true while time is left; it never
// waits while a transaction is open, since the lock it holds would keep the
// other workstation from finishing.
class LockWait {
 public:
  explicit LockWait(int milliseconds) : left_(milliseconds) {}
  bool again();

 private:
  int left_;
};

// Begins a transaction, waiting up to `milliseconds` while another
// workstation holds the write lock: 0, or the error of the last try.
int beginTransactionWithin(int milliseconds);

// The error now set on the thread, as the messages quote it.
std::string currentErrorText();

class TableAccess {
 public:
  explicit TableAccess(const rt::TableDef& def);
  ~TableAccess();
  TableAccess(const TableAccess&) = delete;
  TableAccess& operator=(const TableAccess&) = delete;

  const rt::TableDef& def() const { return def_; }
  rt::Table& table() const { return rt::table(def_); }
  // The table a second cursor reads and writes; null for the others.
  TableAccess* alias() const { return alias_; }
  void setAlias(TableAccess* base) { alias_ = base; }

  // One more use of the table (created when missing; a locked file is given
  // the lock-recovery time). Benign, or Fatal after "Error de Acceso".
  int open();
  // Releases one use taken through this object.
  void close();
  // Releases every use still taken through this object.
  void closeAll();
  bool isOpen() const { return table().isOpen(); }
  // Whether the table is open; "Error de Uso" when it is not.
  bool usable();

  // Reads by key from the values in the buffer: Benign, Notify when nothing
  // matches, Fatal when the table is not open ("Error de Uso") or unreadable.
  int fetchByKey(int key);
  // The same, and a cleared buffer when nothing was read.
  int fetchOrClear(int key);
  // The walk: Benign, Notify past the end, Fatal on failure.
  int next();
  int previous();

  // A blank record with the table's defaults and the held values.
  void primeRecord();
  // A value every primed record gets until released: a list showing a range
  // of records (one patient's consultations) primes new ones into it.
  void holdOnPrime(int field, std::int64_t value) { held_.emplace_back(field, value); }
  void releaseHeld() { held_.clear(); }
  void primeFields();
  // Whether the field's value lies in its range (fields without a range
  // always do); with messages, an out-of-range value shows "Error de Rango".
  bool validateField(std::string_view field, bool messages = true);
  // The ranges, and the keys whose values no two records may share although
  // the stored key allows repeats ("Error Clave Duplicada" naming the value).
  bool validateRecord(bool messages = true);

  // Gives the auto-numbered keys their next numbers and adds the record at
  // once, without its memos, so that other records can refer to it while it
  // is edited. Three failed attempts in a row ask whether to try again.
  int insertNumbered(bool messages = true);
  // Whether the record in the buffer was added by numbering and not yet
  // completed by insert (or removed).
  bool numberedPending() const { return numberedId_ != 0 && numberedId_ == table().position(); }
  void forgetNumbered() { numberedId_ = 0; }
  // Numbers the record and adds it complete, in one step (a row edited in a
  // list, stored only once the user has filled it): a record that repeats a
  // key without numbering is refused at once as a duplicate, since numbering
  // again cannot help.
  int addNumbered(bool messages = true);
  // Validates and adds the record, or writes it over the one numbering added.
  int insert(bool messages = true);

 private:
  int report(TableMessage m, bool messages, MessageFill fill = {});
  bool keepsDistinctKeys(bool messages);
  int walk(int (rt::Table::*step)());

  const rt::TableDef& def_;
  TableAccess* alias_ = nullptr;
  int uses_ = 0;
  std::int64_t numberedId_ = 0;
  std::vector<std::pair<int, std::int64_t>> held_;
};

}  // namespace core
