#pragma once
// Inside the table layer: the SQLite connection, prepared statements and the
// registry of cursors whose statements must be reset before a suspend.
#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/table_dictionary.h"

namespace rt {
class RecordBuffer;
}

namespace rt::sql {

class Statement {
 public:
  Statement() = default;
  Statement(sqlite3* db, std::string_view sql);
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool valid() const { return stmt_ != nullptr; }
  int prepareError() const { return prepareError_; }
  sqlite3_stmt* get() const { return stmt_; }
  int step() { return sqlite3_step(stmt_); }
  void reset() {
    if (stmt_) sqlite3_reset(stmt_);
  }
  void bind(int i, std::int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
  void bind(int i, std::string_view text) {
    // Never a null pointer: SQLite would store NULL instead of empty text.
    sqlite3_bind_text(stmt_, i, text.empty() ? "" : text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int prepareError_ = SQLITE_OK;
};

// Anything holding statements: reset before a suspend, finalized before the
// connection closes.
class Resettable {
 public:
  virtual void resetStatement() = 0;
  virtual void finalizeStatements() = 0;

 protected:
  ~Resettable() = default;
};

std::string quoteName(std::string_view name);
// A text as an SQL string literal ('it''s').
std::string quoteText(std::string_view text);

// The runtime's collations ("rt_case", "rt_nocase"), which the keys use, on a
// connection of the program's own (the windows' one, a worker's, a tool's).
void registerCollations(sqlite3* db);
// The windows' connection also offers rt_match(value, pattern, mode): the
// expression language's MATCH over a stored value as the program holds it in
// memory (CP1252 text, numbers as the runtime writes them), so a query can
// test rows as a filter on the record buffers would; and rt_member(value,
// set): whether a whole number is in a set bound as a pointer of the kind
// kNumberSet (a sorted std::vector<std::int64_t>).
inline constexpr char kNumberSet[] = "rt_number_set";
// A file's path as an SQLite URI ("file:..."), query characters escaped.
std::string uriPath(const std::filesystem::path& path);

class Connection {
 public:
  static Connection& get();

  int open(const std::filesystem::path& folder, const std::vector<const DataFile*>& files);
  void close();
  bool isOpen() const { return db_ != nullptr; }
  sqlite3* db() const { return db_; }

  // The schema name a file is attached under; empty when it did not open,
  // with the error in fileError.
  std::string schemaOf(const DataFile& file) const;
  int fileError(const DataFile& file) const;
  // SQLite's result of the last file the open could not open, attach or
  // write (SQLITE_OK when none).
  int lastFailure() const { return lastFailure_; }
  const DataFile* lastFailedFile() const { return lastFailedFile_; }
  // "schema"."table"
  std::string qualifiedName(const TableDef& def) const;

  // A statement kept for reuse, reset before it is handed out.
  Statement& cached(const std::string& sql);
  int exec(const std::string& sql);

  void track(Resettable* r) { cursors_.insert(r); }
  void untrack(Resettable* r) { cursors_.erase(r); }
  void resetCursors();

  // Changes at every open: statements of an earlier connection are stale.
  int generation() const { return generation_; }

  bool inTransaction() const { return transaction_; }
  void setInTransaction(bool v) { transaction_ = v; }

  // Storages already checked against their definitions in this process.
  std::set<std::string>& checkedStorages() { return checked_; }

 private:
  sqlite3* db_ = nullptr;
  std::map<const DataFile*, std::string> schemas_;
  std::map<const DataFile*, int> fileErrors_;
  std::map<std::string, Statement> cache_;
  std::set<Resettable*> cursors_;
  std::set<std::string> checked_;
  bool transaction_ = false;
  int generation_ = 0;
  int lastFailure_ = SQLITE_OK;
  const DataFile* lastFailedFile_ = nullptr;
};

// The stored form of a field: numbers as integers, text without its padding,
// in UTF-8.
void bindField(Statement& s, int index, const FieldDef& field, const char* record);
// A memo whole: one over its limit is refused before it is bound, never cut.
void bindMemo(Statement& s, int index, const std::string& memo);
// Fills the record's fields and memos from a row whose columns start at `first`
// in the order of the definition's fields, then memos.
void loadRow(sqlite3_stmt* row, int first, const TableDef& def, RecordBuffer& buffer);

}  // namespace rt::sql
