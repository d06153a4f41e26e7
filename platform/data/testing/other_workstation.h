#pragma once
// Another workstation on a shared data file, for tests: a connection of its
// own, as a second program on the shared folder has. A change it saves raises
// the record's version as any workstation's save does, so this workstation's
// buffers see the record as changed elsewhere. What it holds is rolled back
// and the connection closed when it goes.
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/data/connection.h"

namespace rt::testing {

class OtherWorkstation {
 public:
  explicit OtherWorkstation(const std::filesystem::path& dataFile) {
    if (sqlite3_open(dataFile.c_str(), &db_) != SQLITE_OK) error_ = sqlite3_errmsg(db_);
    // The keys' collations, as every workstation of the program has them.
    sql::registerCollations(db_);
  }
  ~OtherWorkstation() {
    if (holding_) run("ROLLBACK");
    sqlite3_close(db_);
  }
  OtherWorkstation(const OtherWorkstation&) = delete;
  OtherWorkstation& operator=(const OtherWorkstation&) = delete;

  // Runs SQL; false with the reason in error().
  bool run(const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    error_ = sqlite3_errmsg(db_);
    return false;
  }
  // Saves `assignments` ("Direccion = 'Otra'") into the records of the
  // stored table that `where` selects (all of them when empty).
  bool change(std::string_view storedTable, std::string_view assignments,
              std::string_view where = {}) {
    std::string sql = "UPDATE \"" + std::string(storedTable) + "\" SET " +
                      std::string(assignments) + (assignments.empty() ? "" : ", ") +
                      "_rv = _rv + 1";
    if (!where.empty()) sql += " WHERE " + std::string(where);
    return run(sql);
  }
  // Takes the file's write lock and keeps it until release() or the end.
  bool holdWriteLock() { return holding_ = run("BEGIN IMMEDIATE"); }
  void release() {
    if (holding_) run("ROLLBACK");
    holding_ = false;
  }
  // Makes the stored table refuse an operation ("INSERT", "UPDATE",
  // "DELETE"), when `when` holds (always when empty), until allowed again.
  bool refuse(std::string_view operation, std::string_view storedTable,
              std::string_view when = {}) {
    return run("CREATE TRIGGER " + triggerName(operation) + " BEFORE " + std::string(operation) +
               " ON \"" + std::string(storedTable) + "\"" +
               (when.empty() ? "" : " WHEN " + std::string(when)) +
               " BEGIN SELECT RAISE(ABORT, 'refused'); END");
  }
  bool allow(std::string_view operation) { return run("DROP TRIGGER " + triggerName(operation)); }

  sqlite3* connection() const { return db_; }
  const std::string& error() const { return error_; }

 private:
  static std::string triggerName(std::string_view operation) {
    return "refuse_" + std::string(operation);
  }

  sqlite3* db_ = nullptr;
  bool holding_ = false;
  std::string error_;
};

}  // namespace rt::testing
