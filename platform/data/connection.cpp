#include "platform/data/connection.h"

#include <algorithm>

#include "platform/base/cp1252.h"
#include "platform/base/number_text.h"
#include "platform/base/text_match.h"
#include "platform/base/text_order.h"
#include "platform/data/crypt_vfs.h"
#include "platform/data/database.h"
#include "platform/data/record_buffer.h"
#include "platform/data/structure_versions.h"
#include "platform/data/super_journals.h"
#include "platform/data/table_sql.h"
#include "platform/data/table_status.h"

namespace rt::sql {

Statement::Statement(sqlite3* db, std::string_view sql) {
  prepareError_ = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                                     SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
  if (prepareError_ != SQLITE_OK) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement::Statement(Statement&& other) noexcept
    : stmt_(other.stmt_), prepareError_(other.prepareError_) {
  other.stmt_ = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    stmt_ = other.stmt_;
    prepareError_ = other.prepareError_;
    other.stmt_ = nullptr;
  }
  return *this;
}

std::string quoteName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string quoteText(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

namespace {

bool isAscii(const char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (static_cast<unsigned char>(p[i]) >= 0x80) return false;
  }
  return true;
}

// The runtime's collation over the stored UTF-8 text: compared as the CP1252
// text the program holds in memory.
template <CaseMode kMode>
int collate(void*, int n1, const void* s1, int n2, const void* s2) {
  const char* a = static_cast<const char*>(s1);
  const char* b = static_cast<const char*>(s2);
  if (isAscii(a, n1) && isAscii(b, n2)) {
    return compareText({a, static_cast<std::size_t>(n1)}, {b, static_cast<std::size_t>(n2)}, kMode);
  }
  return compareText(utf8ToCp1252({a, static_cast<std::size_t>(n1)}),
                     utf8ToCp1252({b, static_cast<std::size_t>(n2)}), kMode);
}

// The text a stored value stands for in memory: CP1252 text, or a number as
// the runtime writes it.
std::string_view memoryText(sqlite3_value* value, std::string& buffer) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
      return {};
    case SQLITE_INTEGER:
      buffer = numberText(static_cast<double>(sqlite3_value_int64(value)));
      return buffer;
    case SQLITE_FLOAT:
      buffer = numberText(sqlite3_value_double(value));
      return buffer;
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(value));
      const auto n = static_cast<std::size_t>(sqlite3_value_bytes(value));
      if (isAscii(p, n)) return {p, n};
      buffer = utf8ToCp1252({p, n});
      return buffer;
    }
  }
}

// rt_match(value, pattern, mode): the expression language's MATCH over a
// stored value, mode 0 (whole text) or 1 (wildcards), plus 16 to ignore
// case. The pattern's CP1252 form is kept with the statement.
void match(sqlite3_context* context, int, sqlite3_value** arguments) {
  std::string patternBuffer;
  const auto* pattern = static_cast<const std::string*>(sqlite3_get_auxdata(context, 1));
  if (pattern == nullptr) {
    patternBuffer = std::string(memoryText(arguments[1], patternBuffer));
    pattern = &patternBuffer;
    // SQLite keeps it while the statement runs with the same pattern, or
    // deletes it at once.
    sqlite3_set_auxdata(context, 1, new std::string(patternBuffer),
                        [](void* p) { delete static_cast<std::string*>(p); });
  }
  std::string buffer;
  const bool matched =
      matchByMode(memoryText(arguments[0], buffer), *pattern, sqlite3_value_int(arguments[2]));
  sqlite3_result_int(context, matched ? 1 : 0);
}

void member(sqlite3_context* context, int, sqlite3_value** arguments) {
  const auto* set = static_cast<const std::vector<std::int64_t>*>(
      sqlite3_value_pointer(arguments[1], kNumberSet));
  const bool in = set != nullptr && sqlite3_value_type(arguments[0]) == SQLITE_INTEGER &&
                  std::binary_search(set->begin(), set->end(), sqlite3_value_int64(arguments[0]));
  sqlite3_result_int(context, in ? 1 : 0);
}

}  // namespace

std::string uriPath(const std::filesystem::path& path) {
  std::string out = "file:";
  for (char c : path.string()) {
    if (c == '?' || c == '#' || c == '%') {
      static const char* hex = "0123456789ABCDEF";
      out += '%';
      out += hex[static_cast<unsigned char>(c) >> 4];
      out += hex[c & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

void registerCollations(sqlite3* db) {
  sqlite3_create_collation(db, "rt_case", SQLITE_UTF8, nullptr, collate<CaseMode::Sensitive>);
  sqlite3_create_collation(db, "rt_nocase", SQLITE_UTF8, nullptr, collate<CaseMode::Insensitive>);
}

Connection& Connection::get() {
  // Never destroyed: the thread's tables may outlive any static at exit and
  // still untrack their cursors from it.
  static Connection* const c = new Connection;
  return *c;
}

int Connection::open(const std::filesystem::path& folder,
                     const std::vector<const DataFile*>& files) {
  close();
  ++generation_;
  lastFailure_ = SQLITE_OK;
  lastFailedFile_ = nullptr;
  forgetDamagedFiles();
  if (files.empty() || !files.front()->ownerPassword.empty()) return error::BadRecordDeclaration;
  // Every file's key is known before any file opens: the recovery of an
  // interrupted transaction over several files reads all their journals.
  registerCryptVfs();
  std::vector<std::filesystem::path> paths;
  std::set<const DataFile*> created;
  for (const DataFile* file : files) {
    // Found whatever the case of its name; its key goes by the name on disk.
    paths.push_back(dataFilePath(folder, *file));
    std::error_code ec;
    if (!std::filesystem::exists(paths.back(), ec)) created.insert(file);
    if (file->ownerPassword.empty()) continue;
    setCryptPassword(file->fileName, file->ownerPassword);
    setCryptAlias(paths.back().filename().string(), file->fileName);
  }
  const std::filesystem::path mainPath = paths.front();
  int rc =
      sqlite3_open_v2(mainPath.c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, kCryptVfsName);
  if (rc == SQLITE_OK) {
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 0);
    registerCollations(db_);
    sqlite3_create_function(db_, "rt_match", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, match,
                            nullptr, nullptr);
    sqlite3_create_function(db_, "rt_member", 2, SQLITE_UTF8, nullptr, member, nullptr, nullptr);
    rc = sqlite3_exec(
        db_,
        "PRAGMA temp_store=MEMORY; PRAGMA journal_mode=DELETE; PRAGMA cache_size=-32768;"
        "SELECT count(*) FROM main.sqlite_master;",
        nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    lastFailure_ = rc;
    lastFailedFile_ = files.front();
    const int code = runtimeErrorForSqlite(rc);
    close();
    return code;
  }
  schemas_[files.front()] = "main";
  for (std::size_t i = 1; i < files.size(); ++i) {
    const DataFile* file = files[i];
    const std::string schema = "f" + std::to_string(i);
    std::string attach = "ATTACH DATABASE ?1 AS " + schema;
    const std::string uri = uriPath(paths[i]) + "?vfs=" + kCryptVfsName;
    Statement s(db_, attach);
    s.bind(1, uri);
    rc = s.valid() ? s.step() : s.prepareError();
    if (rc == SQLITE_DONE) {
      if (!file->ownerPassword.empty()) reserveCryptBytes(db_, schema.c_str());
      rc = exec("PRAGMA " + schema + ".journal_mode=DELETE; PRAGMA " + schema +
                ".cache_size=-8192; SELECT count(*) FROM " + schema + ".sqlite_master;");
      if (rc != SQLITE_OK) exec("DETACH DATABASE " + schema);
    }
    if (rc == SQLITE_OK || rc == SQLITE_DONE) {
      schemas_[file] = schema;
    } else {
      lastFailure_ = rc;
      lastFailedFile_ = file;
      fileErrors_[file] = runtimeErrorForSqlite(rc);
    }
  }
  // A file created now is written at once: an empty file beside files with
  // data is taken for a damaged one at the next start. When that cannot be
  // done (a full disk) none of the files made now is left behind.
  for (const DataFile* file : created) {
    const auto schema = schemas_.find(file);
    if (schema == schemas_.end()) continue;
    rc = exec(metaTableSql(schema->second));
    if (rc == SQLITE_OK) continue;
    lastFailure_ = rc;
    lastFailedFile_ = file;
    close();
    for (std::size_t i = 0; i < files.size(); ++i) {
      if (!created.count(files[i])) continue;
      std::error_code ec;
      std::filesystem::remove(paths[i], ec);
      std::filesystem::remove(paths[i].string() + "-journal", ec);
    }
    return runtimeErrorForSqlite(rc);
  }
  removeStaleSuperJournals(db_, mainPath);
  return error::NoError;
}

void Connection::close() {
  // Every statement goes before the connection, so the connection really
  // closes and keeps no lock behind.
  for (Resettable* r : cursors_) r->finalizeStatements();
  cache_.clear();
  forgetTableSql();
  checked_.clear();
  schemas_.clear();
  fileErrors_.clear();
  transaction_ = false;
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

std::string Connection::schemaOf(const DataFile& file) const {
  const auto it = schemas_.find(&file);
  return it == schemas_.end() ? std::string{} : it->second;
}

int Connection::fileError(const DataFile& file) const {
  if (!db_) return error::FileNotOpen;
  const auto it = fileErrors_.find(&file);
  if (it != fileErrors_.end()) return it->second;
  return schemas_.count(&file) ? error::NoError : error::NoFile;
}

std::string Connection::qualifiedName(const TableDef& def) const {
  const TableDef& s = def.storage();
  return schemaOf(*s.file) + "." + quoteName(s.storageName);
}

Statement& Connection::cached(const std::string& sql) {
  auto it = cache_.find(sql);
  if (it == cache_.end()) it = cache_.emplace(sql, Statement(db_, sql)).first;
  if (it->second.valid()) {
    it->second.reset();
    sqlite3_clear_bindings(it->second.get());
  }
  return it->second;
}

int Connection::exec(const std::string& sql) {
  return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
}

void Connection::resetCursors() {
  for (Resettable* r : cursors_) r->resetStatement();
}

void bindField(Statement& s, int index, const FieldDef& field, const char* record) {
  if (isTextField(field)) {
    const std::string_view text = clip(fieldText(field, record));
    s.bind(index, cp1252ToUtf8(text));
  } else {
    s.bind(index, fieldNumber(field, record));
  }
}

void bindMemo(Statement& s, int index, const std::string& memo) {
  s.bind(index, cp1252ToUtf8(memo));
}

void loadRow(sqlite3_stmt* row, int first, const TableDef& def, RecordBuffer& buffer) {
  char* rec = buffer.record();
  int col = first;
  for (const FieldDef& f : def.fields) {
    if (isTextField(f)) {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(row, col));
      const std::string_view utf8(p ? p : "", sqlite3_column_bytes(row, col));
      if (isAscii(utf8.data(), utf8.size())) {
        setFieldText(f, rec, utf8);
      } else {
        setFieldText(f, rec, utf8ToCp1252(utf8));
      }
    } else {
      setFieldNumber(f, rec, sqlite3_column_int64(row, col));
    }
    ++col;
  }
  for (std::size_t m = 0; m < def.memos.size(); ++m, ++col) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(row, col));
    buffer.memo(static_cast<int>(m)) =
        utf8ToCp1252(std::string_view(p ? p : "", sqlite3_column_bytes(row, col)));
  }
}

}  // namespace rt::sql
