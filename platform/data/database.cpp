#include "platform/data/database.h"

#include <unistd.h>

#include <cstring>
#include <fstream>

#include "platform/base/cp_literal.h"
#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/data/connection.h"
#include "platform/data/crypt_vfs.h"
#include "platform/data/super_journals.h"
#include "platform/data/table_status.h"

namespace rt {

using sql::Connection;

namespace {

std::string& refusal() {
  static std::string text;
  return text;
}

const DataFile*& refusedFile() {
  static const DataFile* file = nullptr;
  return file;
}

// Why a file that passed the look before opening could not be read by
// SQLite: a sealed file under another key or of random bytes, or a journal
// of an interrupted write whose records fail their tags (kept, not rolled
// back: it is the only copy of what the file held before that write).
std::string unreadable(const std::filesystem::path& folder, const DataFile& file) {
  const std::string journal = file.fileName + "-journal";
  std::filesystem::path journalPath = dataFilePath(folder, file);
  journalPath += "-journal";
  std::error_code ec;
  if (std::filesystem::exists(journalPath, ec)) {
    return "El diario " + journal + " de una escritura interrumpida en el archivo de datos " +
           file.fileName +
           " está alterado o dañado: no se aplica ni se borra, y el archivo no puede usarse."_cp;
  }
  return "El archivo de datos " + file.fileName +
         " no es un archivo de datos del programa o está dañado."_cp;
}

// Why a file SQLite would not open or attach, from the runtime error.
std::string openFailure(const std::filesystem::path& folder, const DataFile& file, int code) {
  if ((Connection::get().lastFailure() & 0xFF) == SQLITE_FULL) {
    return "El archivo de datos " + file.fileName + " no puede escribirse: el disco está lleno."_cp;
  }
  switch (code) {
    case error::BadDataFile:
      return unreadable(folder, file);
    case error::AccessDenied:
      return "El archivo de datos " + file.fileName + " no puede abrirse: acceso denegado.";
    case error::NoFile:
      return "El archivo de datos " + file.fileName + " no puede abrirse ni crearse en " +
             folder.string() + ".";
    default:
      return "El archivo de datos " + file.fileName + " no puede abrirse (error " +
             std::to_string(code) + ").";
  }
}

std::uint32_t bigEndian(const unsigned char* at, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = (value << 8) | at[i];
  return value;
}

}  // namespace

std::filesystem::path dataFilePath(const std::filesystem::path& folder, const DataFile& file) {
  return resolveIn(folder, file.fileName);
}

namespace {

bool holdsData(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0;
}

}  // namespace

const DataFile* missingBesideData(const std::filesystem::path& folder,
                                  const std::vector<const DataFile*>& files) {
  const DataFile* missing = nullptr;
  bool data = false;
  for (const DataFile* file : files) {
    const std::filesystem::path path = dataFilePath(folder, *file);
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
      if (!missing) missing = file;
    } else {
      data = data || holdsData(path);
    }
  }
  return data ? missing : nullptr;
}

std::string dataFileProblem(const std::filesystem::path& folder, const DataFile& file,
                            const std::vector<const DataFile*>& all) {
  namespace fs = std::filesystem;
  const fs::path path = dataFilePath(folder, file);
  fs::path journal = path;
  journal += "-journal";
  std::error_code ec;
  const bool exists = fs::exists(fs::symlink_status(path, ec));
  const std::string name = file.fileName;
  // A journal is read and deleted by SQLite's recovery: never through a
  // link, and never one that cannot be read.
  const fs::file_status journalStatus = fs::symlink_status(journal, ec);
  if (fs::exists(journalStatus)) {
    const std::string journalName = journal.filename().string();
    if (!fs::is_regular_file(journalStatus))
      return "El diario " + journalName + " del archivo de datos " + name +
             " es un enlace u otro objeto en lugar de un archivo: no se usa, y el archivo no puede "
             "usarse.";
    if (::access(journal.c_str(), R_OK | W_OK) != 0)
      return "El diario " + journalName + " del archivo de datos " + name +
             " no puede leerse ni borrarse (permisos): el archivo no puede usarse.";
  }
  if (!exists) {
    // A journal left without its file holds the only copy of what was being
    // written: creating a new file beside it would throw that away.
    if (fs::exists(journal, ec)) {
      return "Falta el archivo de datos " + name + " pero queda su diario " +
             journal.filename().string() + " de una escritura interrumpida.";
    }
    return {};
  }
  if (!fs::is_regular_file(path, ec))
    return "En lugar del archivo de datos " + name + " hay una carpeta u otro objeto.";
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec) return "No se puede leer el archivo de datos " + name + ".";
  if (size == 0) {
    for (const DataFile* other : all) {
      if (other == &file) continue;
      if (holdsData(dataFilePath(folder, *other)))
        return "El archivo de datos " + name + " está vacío."_cp;
    }
    return {};
  }
  if (!file.ownerPassword.empty()) return {};  // sealed pages: the file's reader judges them
  unsigned char header[100] = {};
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(header), sizeof header);
  if (in.gcount() < static_cast<std::streamsize>(sizeof header) ||
      std::memcmp(header, "SQLite format 3", 16) != 0) {
    return "El archivo de datos " + name +
           " no es un archivo de datos del programa o está dañado."_cp;
  }
  const std::uint32_t pageSize = bigEndian(header + 16, 2) == 1 ? 65536 : bigEndian(header + 16, 2);
  const std::uint32_t pages = bigEndian(header + 28, 4);
  const bool countValid = bigEndian(header + 92, 4) == bigEndian(header + 24, 4);
  if (countValid && pageSize >= 512 && static_cast<std::uintmax_t>(pages) * pageSize > size &&
      !fs::exists(journal, ec)) {
    return "El archivo de datos " + name + " está cortado: le faltan páginas."_cp;
  }
  return {};
}

const std::string& refusedDataFile() { return refusal(); }

std::string refusalOf(const DataFile& file) {
  return refusedFile() == &file ? refusal() : std::string{};
}

int dataFileError(const DataFile& file) { return Connection::get().fileError(file); }

std::string integrityCheck(const DataFile& file) {
  Connection& c = Connection::get();
  if (!c.isOpen()) return "not open";
  const std::string schema = c.schemaOf(file);
  if (schema.empty()) return "not attached";
  sql::Statement s(c.db(), "PRAGMA " + schema + ".integrity_check");
  if (!s.valid()) return sqlite3_errmsg(c.db());
  std::string result;
  while (s.step() == SQLITE_ROW) {
    if (!result.empty()) result += "\n";
    result += reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0));
  }
  return result;
}

int openDatabase(const std::filesystem::path& folder, const std::vector<const DataFile*>& files,
                 bool createMissing) {
  static const bool hooked = [] {
    addSuspendHook(resetTableStatements);
    return true;
  }();
  (void)hooked;
  refusal().clear();
  refusedFile() = nullptr;
  auto refuse = [](const DataFile* file, std::string problem, int code = error::BadDataFile) {
    refusal() = std::move(problem);
    refusedFile() = file;
    Connection::get().close();
    return setTableError(code);
  };
  // A damaged or empty file is never taken for a new one: nothing opens and
  // every file stays as it is.
  for (const DataFile* file : files) {
    std::string problem = dataFileProblem(folder, *file, files);
    if (!problem.empty()) return refuse(file, std::move(problem));
  }
  // Nor is a missing file created beside files that hold data unless the
  // caller asked for it: it may have been moved or renamed.
  if (const DataFile* missing = missingBesideData(folder, files); missing && !createMissing) {
    return refuse(missing,
                  "Falta el archivo de datos " + missing->fileName + " en " + folder.string() +
                      ", donde los otros archivos tienen datos.",
                  error::NoFile);
  }
  // Every journal, sealed or plain, is checked whole before any file is
  // opened: a journal that fails its tags stops the start before another
  // file's part of the same transaction is rolled back.
  registerCryptVfs();
  if (!files.empty())
    setCryptDataFolder(dataFilePath(folder, *files.front()).parent_path().string());
  for (const DataFile* file : files) {
    if (!file->ownerPassword.empty()) {
      setCryptPassword(file->fileName, file->ownerPassword);
      setCryptAlias(dataFilePath(folder, *file).filename().string(), file->fileName);
    }
    std::filesystem::path journal = dataFilePath(folder, *file);
    journal += "-journal";
    std::error_code ec;
    if (std::filesystem::file_size(journal, ec) > 0 && !ec && !sql::journalOpens(journal)) {
      return refuse(file, unreadable(folder, *file));
    }
  }
  const int opened = Connection::get().open(folder, files);
  if (opened != error::NoError) {
    const DataFile* failed =
        Connection::get().lastFailedFile() ? Connection::get().lastFailedFile() : files.front();
    return refuse(failed, openFailure(folder, *failed, opened), opened);
  }
  // Nor is a file that cannot be attached left out while the others open
  // (another workstation's commit in progress is waited for by the caller).
  for (const DataFile* file : files) {
    const int error = Connection::get().fileError(*file);
    if (error != error::NoError && error != error::FileLocked) {
      return refuse(file, openFailure(folder, *file, error), error);
    }
  }
  return setTableError(error::NoError);
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
    reportPendingDamagedKeys();
    return setSqliteError(rc, message);
  }
  c.setInTransaction(false);
  reportPendingDamagedKeys();
  return setTableError(error::NoError);
}

int rollbackTransaction() {
  Connection& c = Connection::get();
  if (!c.inTransaction()) return setTableError(error::NoError);
  c.resetCursors();
  const int rc = sqlite3_get_autocommit(c.db()) ? SQLITE_OK : c.exec("ROLLBACK");
  c.setInTransaction(false);
  const std::string message = sqlite3_errmsg(c.db());
  reportPendingDamagedKeys();
  return setSqliteError(rc, message);
}

bool transactionIsOpen() { return Connection::get().inTransaction(); }

void resetTableStatements() { Connection::get().resetCursors(); }

}  // namespace rt
