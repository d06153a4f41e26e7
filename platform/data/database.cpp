#include "platform/data/database.h"

#include "platform/base/logical_threads.h"
#include "platform/data/connection.h"
#include "platform/data/table_status.h"

namespace rt {

using sql::Connection;

int openDatabase(const std::filesystem::path& folder, const std::vector<const DataFile*>& files) {
  static const bool hooked = [] {
    addSuspendHook(resetTableStatements);
    return true;
  }();
  (void)hooked;
  return setTableError(Connection::get().open(folder, files));
}

void closeDatabase() { Connection::get().close(); }

bool databaseIsOpen() { return Connection::get().isOpen(); }

int beginTransaction() {
  Connection& c = Connection::get();
  if (!c.isOpen()) return setTableError(error::FileNotOpen);
  if (c.inTransaction()) return setTableError(error::TransactionActive);
  c.resetCursors();
  const int rc = c.exec("BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return setSqliteError(rc, sqlite3_errmsg(c.db()));
  c.setInTransaction(true);
  return setTableError(error::NoError);
}

int commitTransaction() {
  Connection& c = Connection::get();
  if (!c.inTransaction()) return setTableError(error::NoError);
  c.resetCursors();
  const int rc = c.exec("COMMIT");
  if (rc != SQLITE_OK) {
    const std::string message = sqlite3_errmsg(c.db());
    if (!sqlite3_get_autocommit(c.db())) c.exec("ROLLBACK");
    c.setInTransaction(false);
    return setSqliteError(rc, message);
  }
  c.setInTransaction(false);
  return setTableError(error::NoError);
}

int rollbackTransaction() {
  Connection& c = Connection::get();
  if (!c.inTransaction()) return setTableError(error::NoError);
  c.resetCursors();
  const int rc = sqlite3_get_autocommit(c.db()) ? SQLITE_OK : c.exec("ROLLBACK");
  c.setInTransaction(false);
  return setSqliteError(rc, sqlite3_errmsg(c.db()));
}

bool transactionIsOpen() { return Connection::get().inTransaction(); }

void resetTableStatements() { Connection::get().resetCursors(); }

}  // namespace rt
