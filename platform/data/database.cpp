#include "platform/data/database.h"

#include "platform/data/connection.h"
#include "platform/data/table_status.h"

namespace rt {

using sql::Connection;

int openDatabase(const std::filesystem::path& folder, const std::vector<const DataFile*>& files) {
  return setTableStatus(Connection::get().open(folder, files));
}

void closeDatabase() { Connection::get().close(); }

bool databaseIsOpen() { return Connection::get().isOpen(); }

int beginTransaction() {
  Connection& c = Connection::get();
  if (!c.isOpen()) return setTableStatus(kFileNotOpen);
  if (c.inTransaction()) return setTableStatus(kTransactionActive);
  c.resetCursors();
  const int rc = c.exec("BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return setTableStatus(runtimeErrorForSqlite(rc), -1, sqlite3_errmsg(c.db()));
  c.setInTransaction(true);
  return setTableStatus(kTableOk);
}

int commitTransaction() {
  Connection& c = Connection::get();
  if (!c.inTransaction()) return setTableStatus(kTableOk);
  c.resetCursors();
  const int rc = c.exec("COMMIT");
  if (rc != SQLITE_OK) {
    const int code = runtimeErrorForSqlite(rc);
    std::string detail = sqlite3_errmsg(c.db());
    if (!sqlite3_get_autocommit(c.db())) c.exec("ROLLBACK");
    c.setInTransaction(false);
    return setTableStatus(code, -1, std::move(detail));
  }
  c.setInTransaction(false);
  return setTableStatus(kTableOk);
}

int rollbackTransaction() {
  Connection& c = Connection::get();
  if (!c.inTransaction()) return setTableStatus(kTableOk);
  c.resetCursors();
  const int rc = sqlite3_get_autocommit(c.db()) ? SQLITE_OK : c.exec("ROLLBACK");
  c.setInTransaction(false);
  return setTableStatus(runtimeErrorForSqlite(rc));
}

bool transactionIsOpen() { return Connection::get().inTransaction(); }

void resetTableStatements() { Connection::get().resetCursors(); }

}  // namespace rt
