// Repair of a damaged plain data file from the description of its structure.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "platform/data/connection.h"
#include "platform/data/maintenance.h"
#include "platform/data/page_reader.h"

namespace rt {

using sql::quoteName;
using sql::Statement;

namespace {

bool busy(int rc) { return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED; }

int exec(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

struct Db {
  sqlite3* db = nullptr;
  ~Db() { sqlite3_close_v2(db); }
};

std::string textOf(sqlite3_stmt* s, int column) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
  return p ? p : "";
}

bool sameName(const std::string& a, const std::string& b) {
  return sqlite3_stricmp(a.c_str(), b.c_str()) == 0;
}

// A column as a table declares it: what a value read from a page must be to
// belong in it.
struct Column {
  std::string name;
  char affinity = 'b';  // SQLite's: integer, text, real, numeric, blob (none)
  bool notNull = false;
};

char affinityOf(std::string type) {
  for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (type.find("INT") != std::string::npos) return 'i';
  if (type.find("CHAR") != std::string::npos || type.find("CLOB") != std::string::npos ||
      type.find("TEXT") != std::string::npos) {
    return 't';
  }
  if (type.empty() || type.find("BLOB") != std::string::npos) return 'b';
  if (type.find("REAL") != std::string::npos || type.find("FLOA") != std::string::npos ||
      type.find("DOUB") != std::string::npos) {
    return 'r';
  }
  return 'n';
}

std::vector<Column> layoutOf(sqlite3* db, const std::string& table) {
  std::vector<Column> out;
  Statement s(db, "PRAGMA main.table_info(" + quoteName(table) + ")");
  while (s.valid() && s.step() == SQLITE_ROW) {
    out.push_back(
        {textOf(s.get(), 1), affinityOf(textOf(s.get(), 2)), sqlite3_column_int(s.get(), 3) != 0});
  }
  return out;
}

std::vector<std::string> namesOf(const std::vector<Column>& layout) {
  std::vector<std::string> out;
  for (const Column& c : layout) out.push_back(c.name);
  return out;
}

// The columns a stored creating statement declares; empty when it is not a
// valid statement.
std::vector<Column> declaredLayout(const std::string& createSql, const std::string& table) {
  Db scratch;
  sqlite3_open(":memory:", &scratch.db);
  sql::registerCollations(scratch.db);
  if (exec(scratch.db, createSql) != SQLITE_OK) return {};
  return layoutOf(scratch.db, table);
}

// Whether a value as stored can be one of the column: SQLite stores a
// column's value in the kinds its affinity leaves it.
bool fitsColumn(const PageValue& v, const Column& c) {
  switch (v.kind) {
    case PageValue::Null:
      return !c.notNull;
    case PageValue::Integer:
      return c.affinity != 't';
    case PageValue::Real:
      return c.affinity != 't';
    case PageValue::Text:
      return c.affinity == 't' || c.affinity == 'b' || c.affinity == 'n';
    case PageValue::Blob:
      return true;
  }
  return false;
}

// A row fits a table's layout when it has its columns, each value of a kind
// the column stores, and the row's own number in place of the first (_id).
bool fitsLayout(const PageRow& row, const std::vector<Column>& layout) {
  if (row.values.size() != layout.size() || layout.empty() || row.values[0].kind != PageValue::Null)
    return false;
  for (std::size_t i = 1; i < layout.size(); ++i) {
    if (!fitsColumn(row.values[i], layout[i])) return false;
  }
  return true;
}

// What the damaged file stores: the creating statement of each table and of
// its indexes, the structure version of each table, and the root page of
// each table's rows. From SQLite's own schema when it reads, else from the
// schema table's pages.
struct StoredSchema {
  bool readable = false;
  std::map<std::string, std::string> tables;
  std::multimap<std::string, std::string> indexes;
  std::map<std::string, int> versions;
  std::map<std::string, std::uint32_t> roots;
  std::map<std::string, std::int64_t> sequences;
};

void readWithSqlite(sqlite3* db, StoredSchema& out) {
  Statement s(db, "SELECT type, name, tbl_name, sql FROM main.sqlite_master WHERE sql IS NOT NULL");
  int rc = s.valid() ? SQLITE_ROW : SQLITE_ERROR;
  while (rc == SQLITE_ROW && (rc = s.step()) == SQLITE_ROW) {
    const std::string type = textOf(s.get(), 0), name = textOf(s.get(), 1);
    if (name.rfind("sqlite_", 0) == 0) continue;
    if (type == "table") out.tables[name] = textOf(s.get(), 3);
    if (type == "index") out.indexes.emplace(textOf(s.get(), 2), textOf(s.get(), 3));
  }
  out.readable = rc == SQLITE_DONE;
  if (!out.readable) return;
  Statement v(db, "SELECT tbl, version FROM main._varneta_meta");
  while (v.valid() && v.step() == SQLITE_ROW)
    out.versions[textOf(v.get(), 0)] = sqlite3_column_int(v.get(), 1);
  Statement q(db, "SELECT name, seq FROM main.sqlite_sequence");
  while (q.valid() && q.step() == SQLITE_ROW)
    out.sequences[textOf(q.get(), 0)] = sqlite3_column_int64(q.get(), 1);
}

void readFromPages(PageReader& pages, StoredSchema& out) {
  const bool fromPages = !out.readable;
  for (const PageSchemaEntry& e : pages.schema()) {
    if (e.type != "table") {
      if (fromPages && e.type == "index" && !e.sql.empty()) out.indexes.emplace(e.table, e.sql);
      continue;
    }
    out.roots[e.name] = e.root;
    auto rows = [&](const std::function<void(const PageRow&)>& onRow) {
      pages.tableRows(e.root, [&](PageRow&& row) { onRow(row); });
    };
    auto pair = [](const PageRow& row) {
      return row.values.size() >= 2 && row.values[0].kind == PageValue::Text &&
             row.values[1].kind == PageValue::Integer;
    };
    if (e.name == "sqlite_sequence") {
      rows([&](const PageRow& row) {
        if (!pair(row)) return;
        std::int64_t& seq = out.sequences[row.values[0].bytes];
        seq = std::max(seq, row.values[1].integer);
      });
    } else if (fromPages && e.name == "_varneta_meta") {
      rows([&](const PageRow& row) {
        if (pair(row)) out.versions[row.values[0].bytes] = static_cast<int>(row.values[1].integer);
      });
    }
    if (fromPages && e.name.rfind("sqlite_", 0) != 0) out.tables[e.name] = e.sql;
  }
}

std::uint32_t changeCounter(const std::filesystem::path& file) {
  unsigned char bytes[4] = {};
  std::ifstream in(file, std::ios::binary);
  in.seekg(24);
  in.read(reinterpret_cast<char*>(bytes), 4);
  return (std::uint32_t{bytes[0]} << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3];
}

void bindPageValue(sqlite3_stmt* s, int index, const PageValue& v) {
  switch (v.kind) {
    case PageValue::Integer:
      sqlite3_bind_int64(s, index, v.integer);
      break;
    case PageValue::Real:
      sqlite3_bind_double(s, index, v.real);
      break;
    case PageValue::Text:
      sqlite3_bind_text(s, index, v.bytes.data(), static_cast<int>(v.bytes.size()),
                        SQLITE_TRANSIENT);
      break;
    case PageValue::Blob:
      sqlite3_bind_blob(s, index, v.bytes.data(), static_cast<int>(v.bytes.size()),
                        SQLITE_TRANSIENT);
      break;
    case PageValue::Null:
      sqlite3_bind_null(s, index);
      break;
  }
}

PageValue pageValueOf(sqlite3_value* v) {
  PageValue out;
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      out.kind = PageValue::Integer;
      out.integer = sqlite3_value_int64(v);
      break;
    case SQLITE_FLOAT:
      out.kind = PageValue::Real;
      out.real = sqlite3_value_double(v);
      break;
    case SQLITE_TEXT:
    case SQLITE_BLOB:
      out.kind = sqlite3_value_type(v) == SQLITE_TEXT ? PageValue::Text : PageValue::Blob;
      out.bytes.assign(static_cast<const char*>(sqlite3_value_blob(v)),
                       static_cast<std::size_t>(sqlite3_value_bytes(v)));
      break;
    default:
      break;
  }
  return out;
}

// A row read but not stored in a table: its layout fits several tables (or
// none), or a key another record holds refuses it. It is kept in a table of
// its own in the repaired file, never guessed into one.
struct AsideRow {
  std::vector<std::string> tables;  // the tables it may belong to, or its own refusing it
  std::int64_t rowid = 0;
  std::vector<PageValue> values;
};
constexpr const char* kAsideTable = "_varneta_apartados";

// The records of the damaged file copied into the fresh one. Every record
// found is counted: stored, set aside, or failed otherwise (then the fresh
// file is not written back).
class Salvage {
 public:
  Salvage(sqlite3* from, sqlite3* into, PageReader* pages, const StoredSchema& stored)
      : from_(from), into_(into), pages_(pages), stored_(stored) {}

  // The table's records, through SQLite and then from its own pages.
  void table(const std::string& table, RepairOutcome& outcome);
  // The rows of the pages no table's tree reaches, each given to the table
  // whose layout it fits; then what was set aside, in its table.
  void orphans(RepairOutcome& outcome);
  // The rows that were once in a table but that neither SQLite nor the
  // pages gave back; the numbering of each table past its highest record.
  void finish(RepairOutcome& outcome);
  std::int64_t failed() const { return failed_; }

 private:
  struct Copy {
    std::string table;
    std::vector<Column> source;    // as stored
    std::vector<int> sourceIndex;  // the stored column of each column written
    std::unique_ptr<Statement> insert;
    std::set<std::int64_t> ids;     // stored
    std::set<std::int64_t> missed;  // positions SQLite could not read
    std::int64_t last = 0, highest = 0;
  };
  void store(Copy& copy, std::int64_t id, RepairOutcome& outcome,
             const std::function<std::vector<PageValue>()>& values);
  void storePageRow(Copy& copy, PageRow& row, RepairOutcome& outcome);
  void setAside(AsideRow row, RepairOutcome& outcome);
  void keepAside();

  sqlite3* from_;
  sqlite3* into_;
  PageReader* pages_;
  const StoredSchema& stored_;
  std::int64_t failed_ = 0;
  std::vector<std::unique_ptr<Copy>> copies_;
  std::vector<AsideRow> aside_;
};

// Stores the row bound to the table's insert; a row a key refuses is set
// aside with the values `values` gives.
void Salvage::store(Copy& copy, std::int64_t id, RepairOutcome& outcome,
                    const std::function<std::vector<PageValue>()>& values) {
  sqlite3_stmt* insert = copy.insert->get();
  const int rc = sqlite3_step(insert);
  const int extended = sqlite3_extended_errcode(into_);
  sqlite3_reset(insert);
  if (rc == SQLITE_DONE) {
    copy.ids.insert(id);
    ++outcome.recovered;
  } else if (extended == SQLITE_CONSTRAINT_UNIQUE || extended == SQLITE_CONSTRAINT_PRIMARYKEY) {
    // A key another record holds already: the record cannot be kept beside
    // it in its table.
    setAside({{copy.table}, id, values()}, outcome);
  } else {
    ++failed_;
  }
}

void Salvage::storePageRow(Copy& copy, PageRow& row, RepairOutcome& outcome) {
  if (copy.ids.count(row.rowid)) return;  // read already
  sqlite3_stmt* insert = copy.insert->get();
  for (std::size_t i = 0; i < copy.sourceIndex.size(); ++i) {
    const std::size_t at = static_cast<std::size_t>(copy.sourceIndex[i]);
    const int index = static_cast<int>(i) + 1;
    if (i == 0) {
      sqlite3_bind_int64(insert, 1, row.rowid);  // the row's own number
    } else if (at < row.values.size()) {
      bindPageValue(insert, index, row.values[at]);
    } else {
      sqlite3_bind_null(insert, index);
    }
  }
  store(copy, row.rowid, outcome, [&] { return row.values; });
}

void Salvage::setAside(AsideRow row, RepairOutcome& outcome) {
  aside_.push_back(std::move(row));
  ++outcome.setAside;
}

// A walk in record order while SQLite reads the table, then record by record
// past a damaged page; then the table's pages themselves, for what SQLite
// could not reach (its schema damaged, a damaged page header).
void Salvage::table(const std::string& table, RepairOutcome& outcome) {
  auto owned = std::make_unique<Copy>();
  Copy& copy = *owned;
  copy.table = table;
  const std::vector<Column> target = layoutOf(into_, table);
  std::vector<Column> stored = stored_.readable ? layoutOf(from_, table) : std::vector<Column>{};
  const auto storedSql = stored_.tables.find(table);
  if (stored.empty() && storedSql != stored_.tables.end())
    stored = declaredLayout(storedSql->second, table);
  if (stored.empty()) stored = target;
  copy.source = stored;
  const std::vector<std::string> source = namesOf(stored);
  std::string list;
  for (const Column& column : target) {
    for (std::size_t i = 0; i < source.size(); ++i) {
      if (!sameName(source[i], column.name)) continue;
      list += (copy.sourceIndex.empty() ? "" : ", ") + quoteName(column.name);
      copy.sourceIndex.push_back(static_cast<int>(i));
      break;
    }
  }
  // _id is the first column of every table.
  if (copy.sourceIndex.empty() || copy.sourceIndex[0] != 0 || !sameName(source[0], "_id")) return;
  const int count = static_cast<int>(copy.sourceIndex.size());
  std::string marks;
  for (int i = 1; i <= count; ++i) marks += (i > 1 ? ", ?" : "?") + std::to_string(i);
  copy.insert = std::make_unique<Statement>(
      into_, "INSERT INTO main." + quoteName(table) + " (" + list + ") VALUES (" + marks + ")");
  if (!copy.insert->valid()) return;
  copies_.push_back(std::move(owned));
  auto storeRow = [&](sqlite3_stmt* row) {
    for (int i = 0; i < count; ++i)
      sqlite3_bind_value(copy.insert->get(), i + 1, sqlite3_column_value(row, i));
    store(copy, sqlite3_column_int64(row, 0), outcome, [&] {
      std::vector<PageValue> values;
      for (int i = 0; i < count; ++i) values.push_back(pageValueOf(sqlite3_column_value(row, i)));
      return values;
    });
  };
  if (stored_.readable) {
    Statement walk(from_, "SELECT " + list + " FROM main." + quoteName(table) + " ORDER BY _id");
    int rc = walk.valid() ? SQLITE_ROW : SQLITE_ERROR;
    while (rc == SQLITE_ROW && (rc = walk.step()) == SQLITE_ROW) {
      copy.last = sqlite3_column_int64(walk.get(), 0);
      storeRow(walk.get());
    }
    if (rc != SQLITE_DONE) {
      Statement top(from_, "SELECT max(_id) FROM main." + quoteName(table));
      if (top.valid() && top.step() == SQLITE_ROW)
        copy.highest = sqlite3_column_int64(top.get(), 0);
      // Without a known end the positions after the damage are tried a while.
      std::int64_t end =
          std::max(copy.highest, stored_.sequences.count(table) ? stored_.sequences.at(table) : 0);
      if (end <= copy.last) end = copy.last + 100000;
      Statement one(from_, "SELECT " + list + " FROM main." + quoteName(table) + " WHERE _id = ?1");
      for (std::int64_t id = copy.last + 1; one.valid() && id <= end; ++id) {
        one.reset();
        one.bind(1, id);
        const int r = one.step();
        if (r == SQLITE_ROW) {
          storeRow(one.get());
        } else if (r != SQLITE_DONE) {
          copy.missed.insert(id);
        }
      }
    }
  }
  const auto root = stored_.roots.find(table);
  if (pages_ && root != stored_.roots.end()) {
    pages_->tableRows(
        root->second, [&](PageRow&& row) { storePageRow(copy, row, outcome); },
        [&](const PageRow& row) { return fitsLayout(row, copy.source); });
  }
}

void Salvage::orphans(RepairOutcome& outcome) {
  if (!pages_) return;
  const auto aside = stored_.roots.find(kAsideTable);
  if (aside != stored_.roots.end()) {
    // What an earlier repair set aside stays aside.
    pages_->tableRows(aside->second, [&](PageRow&& row) {
      if (row.values.size() < 3 || row.values[1].kind != PageValue::Text) return;
      AsideRow kept{
          {row.values[1].bytes}, row.values[2].integer, {row.values.begin() + 3, row.values.end()}};
      setAside(std::move(kept), outcome);
    });
  }
  auto fitting = [&](const PageRow& row) {
    std::vector<Copy*> out;
    for (const auto& copy : copies_) {
      if (fitsLayout(row, copy->source)) out.push_back(copy.get());
    }
    return out;
  };
  pages_->orphanRows(
      [&](std::vector<PageRow>&& rows) {
        // The rows of one leaf belong to one table: the tables every row of
        // the page fits, when they are one, take them all.
        std::vector<std::vector<Copy*>> fits;
        std::vector<Copy*> common;
        bool first = true;
        for (const PageRow& row : rows) {
          fits.push_back(fitting(row));
          // Not a row of the program's tables (one of SQLite's own).
          if (row.values.empty() || row.values[0].kind != PageValue::Null) continue;
          if (first) {
            common = fits.back();
          } else {
            std::erase_if(common, [&](Copy* c) {
              return std::find(fits.back().begin(), fits.back().end(), c) == fits.back().end();
            });
          }
          first = false;
        }
        for (std::size_t i = 0; i < rows.size(); ++i) {
          PageRow& row = rows[i];
          if (row.values.empty() || row.values[0].kind != PageValue::Null) continue;
          const std::vector<Copy*>& owners = common.size() == 1 ? common : fits[i];
          if (owners.size() == 1) {
            storePageRow(*owners[0], row, outcome);
            continue;
          }
          AsideRow kept{{}, row.rowid, std::move(row.values)};
          for (const Copy* c : owners) kept.tables.push_back(c->table);
          setAside(std::move(kept), outcome);
        }
      },
      [&](const PageRow& row) { return !fitting(row).empty(); });
  keepAside();
}

void Salvage::keepAside() {
  if (aside_.empty()) return;
  std::size_t widest = 0;
  for (const AsideRow& row : aside_) widest = std::max(widest, row.values.size());
  std::string create = "CREATE TABLE main." + quoteName(kAsideTable) +
                       " (_id INTEGER PRIMARY KEY, tablas TEXT NOT NULL, fila INTEGER NOT NULL";
  std::string marks = "?1, ?2";
  for (std::size_t i = 1; i <= widest; ++i) {
    create += ", v" + std::to_string(i);
    marks += ", ?" + std::to_string(i + 2);
  }
  if (exec(into_, create + ")") != SQLITE_OK) {
    failed_ += static_cast<std::int64_t>(aside_.size());
    return;
  }
  std::string columns = "tablas, fila";
  for (std::size_t i = 1; i <= widest; ++i) columns += ", v" + std::to_string(i);
  Statement insert(into_, "INSERT INTO main." + quoteName(kAsideTable) + " (" + columns +
                              ") VALUES (" + marks + ")");
  for (const AsideRow& row : aside_) {
    insert.reset();
    sqlite3_clear_bindings(insert.get());
    std::string tables;
    for (const std::string& t : row.tables) tables += (tables.empty() ? "" : ", ") + t;
    sqlite3_bind_text(insert.get(), 1, tables.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(insert.get(), 2, row.rowid);
    for (std::size_t i = 0; i < row.values.size(); ++i)
      bindPageValue(insert.get(), static_cast<int>(i) + 3, row.values[i]);
    if (!insert.valid() || insert.step() != SQLITE_DONE) ++failed_;
  }
}

void Salvage::finish(RepairOutcome& outcome) {
  if (pages_) outcome.unreadable += pages_->unreadableCells();
  // A row set aside that may be one SQLite could not read was read.
  std::set<std::pair<std::string, std::int64_t>> aside;
  for (const AsideRow& row : aside_) {
    for (const std::string& t : row.tables) aside.emplace(t, row.rowid);
  }
  for (const auto& owned : copies_) {
    Copy& copy = *owned;
    for (std::int64_t id : copy.missed) {
      if (!copy.ids.count(id) && !aside.count({copy.table, id})) ++outcome.unreadable;
    }
    // Record positions are never reused, not even those of lost records.
    std::int64_t highest = copy.highest;
    if (!copy.ids.empty()) highest = std::max(highest, *copy.ids.rbegin());
    const auto seq = stored_.sequences.find(copy.table);
    const std::int64_t next =
        std::max({highest, copy.last, seq == stored_.sequences.end() ? 0 : seq->second});
    const std::string name = sql::quoteText(copy.table);
    Statement current(into_, "SELECT seq FROM main.sqlite_sequence WHERE name = " + name);
    const std::int64_t already = current.valid() && current.step() == SQLITE_ROW
                                     ? sqlite3_column_int64(current.get(), 0)
                                     : 0;
    exec(into_, "DELETE FROM main.sqlite_sequence WHERE name = " + name);
    exec(into_, "INSERT INTO main.sqlite_sequence (name, seq) VALUES (" + name + ", " +
                    std::to_string(std::max(next, already)) + ")");
  }
}

void tolerateShortFile(sqlite3* db, bool on) {
  sqlite3_db_config(db, SQLITE_DBCONFIG_WRITABLE_SCHEMA, on ? 1 : 0, nullptr);
}

RepairOutcome finish(RepairOutcome outcome, RepairOutcome::Code code, std::string text) {
  outcome.code = code;
  outcome.text = std::move(text);
  return outcome;
}

// A journal beside the file holds a write that is under way or was cut
// short; it belongs to the transaction that spans the folder's files, which
// only the program opening them all together finishes or undoes.
std::filesystem::path pendingJournal(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::path journal = file;
  journal += "-journal";
  if (std::filesystem::exists(std::filesystem::symlink_status(journal, ec))) return journal;
  const std::string prefix = file.filename().string() + "-mj";
  const std::filesystem::path folder =
      file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) return entry.path();
  }
  return {};
}

std::filesystem::path keptName(const std::filesystem::path& file) {
  std::filesystem::path kept = file;
  kept += ".dañado";
  for (int n = 2; std::filesystem::exists(kept); ++n) {
    kept = file;
    kept += ".dañado" + std::to_string(n);
  }
  return kept;
}

}  // namespace

RepairOutcome repairDataFile(const RepairRequest& request) {
  RepairOutcome outcome;
  const std::string name = request.file.filename().string();
  std::ifstream structureFile(request.structure, std::ios::binary);
  std::stringstream structure;
  structure << structureFile.rdbuf();
  if (!structureFile || structure.str().empty()) {
    return finish(outcome, RepairOutcome::Unreadable,
                  "No se puede leer la descripción de la estructura " +
                      request.structure.filename().string() + ".");
  }
  Db fresh;
  sqlite3_open(":memory:", &fresh.db);
  sqlite3_extended_result_codes(fresh.db, 1);
  sql::registerCollations(fresh.db);
  if (exec(fresh.db, structure.str()) != SQLITE_OK) {
    return finish(outcome, RepairOutcome::Unreadable,
                  "La descripción " + request.structure.filename().string() +
                      " no es válida: " + sqlite3_errmsg(fresh.db));
  }
  const std::filesystem::path journal = pendingJournal(request.file);
  if (!journal.empty()) {
    return finish(
        outcome, RepairOutcome::Locked,
        "Junto a " + name + " está el diario " + journal.filename().string() +
            " de una escritura en curso o interrumpida: abra antes los archivos con el programa, "
            "que la completa o la deshace en todos ellos. No se modificó.");
  }
  Db damaged;
  int rc = SQLITE_CANTOPEN;
  if (std::filesystem::is_regular_file(request.file)) {
    rc = sqlite3_open_v2((sql::uriPath(request.file) + "?mode=rw").c_str(), &damaged.db,
                         SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
  }
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(damaged.db, 0);
    sql::registerCollations(damaged.db);
    // The write lock first: until it is had nothing is changed. A file cut
    // short is still locked (SQLite refuses a file shorter than its header
    // says, except while its schema is writable).
    tolerateShortFile(damaged.db, true);
    rc = exec(damaged.db, "BEGIN IMMEDIATE");
    tolerateShortFile(damaged.db, false);
  }
  if (busy(rc)) {
    return finish(outcome, RepairOutcome::Locked,
                  "El archivo " + name + " está en uso por otra estación: no se modificó.");
  }
  if (rc != SQLITE_OK) {
    return finish(outcome, RepairOutcome::Unreadable,
                  "No se puede abrir " + name + ": " +
                      (damaged.db ? sqlite3_errmsg(damaged.db) : "no existe"));
  }
  const std::uint32_t counter = changeCounter(request.file);
  StoredSchema stored;
  readWithSqlite(damaged.db, stored);
  // Under the write lock the pages hold the last commit.
  PageReader pages;
  const bool pagesReadable = pages.open(request.file);
  if (pagesReadable) readFromPages(pages, stored);
  std::map<std::string, int> versions;
  {
    Statement s(fresh.db, "SELECT tbl, version FROM main._varneta_meta");
    while (s.valid() && s.step() == SQLITE_ROW)
      versions[textOf(s.get(), 0)] = sqlite3_column_int(s.get(), 1);
  }
  auto known = [&](const std::string& table) {
    for (const auto& [t, v] : versions) {
      if (sameName(t, table)) return true;
    }
    return false;
  };
  auto refuse = [&](RepairOutcome::Code code, const std::string& text) {
    exec(damaged.db, "ROLLBACK");
    return finish(outcome, code, text);
  };
  for (const auto& [table, version] : stored.versions) {
    const auto it = versions.find(table);
    if ((it != versions.end() && version > it->second) || (it == versions.end() && !known(table))) {
      return refuse(RepairOutcome::NewerStructure,
                    "El archivo " + name + " tiene la tabla " + table +
                        " con una estructura más nueva que la descripción: no se modificó.");
    }
  }
  for (const auto& [table, text] : stored.tables) {
    if (table != "_varneta_meta" && table != kAsideTable && !known(table)) {
      return refuse(RepairOutcome::NewerStructure,
                    "El archivo " + name + " tiene la tabla " + table +
                        ", que la descripción no conoce: no se modificó.");
    }
  }
  exec(fresh.db, "BEGIN");
  Salvage salvage(damaged.db, fresh.db, pagesReadable ? &pages : nullptr, stored);
  for (const auto& [table, version] : versions) {
    // A table stored under an older structure keeps it (and its version):
    // the program's own upgrade knows the former names of its fields.
    const auto old = stored.versions.find(table);
    const auto oldSql = stored.tables.find(table);
    if (old != stored.versions.end() && old->second < version && oldSql != stored.tables.end()) {
      exec(fresh.db, "DROP TABLE main." + quoteName(table));
      exec(fresh.db, oldSql->second);
      const auto [first, last] = stored.indexes.equal_range(table);
      for (auto it = first; it != last; ++it) exec(fresh.db, it->second);
      exec(fresh.db, "UPDATE main._varneta_meta SET version = " + std::to_string(old->second) +
                         " WHERE tbl = " + sql::quoteText(table));
    }
    salvage.table(table, outcome);
  }
  salvage.orphans(outcome);
  salvage.finish(outcome);
  if (exec(fresh.db, "COMMIT") != SQLITE_OK) {
    return refuse(RepairOutcome::WriteFailed,
                  std::string("No se pudo armar la copia: ") + sqlite3_errmsg(fresh.db));
  }
  // A repair never leaves fewer records than it could read, and one that
  // reads nothing changes nothing.
  if (salvage.failed() > 0) {
    return refuse(RepairOutcome::WriteFailed,
                  "No se pudieron copiar " + std::to_string(salvage.failed()) +
                      " de los registros leídos de " + name + ": no se modificó.");
  }
  if (outcome.recovered + outcome.setAside == 0) {
    return refuse(RepairOutcome::Unreadable,
                  "No se recuperó ningún registro de " + name + ": no se modificó.");
  }
  // The damaged file is always kept: whatever the repair could not read is
  // still in it.
  const std::filesystem::path kept = keptName(request.file);
  std::error_code ec;
  std::filesystem::copy_file(request.file, kept, ec);
  if (ec) {
    return refuse(RepairOutcome::WriteFailed,
                  "No se pudo guardar una copia del archivo dañado: " + ec.message());
  }
  outcome.keptAs = kept;
  exec(damaged.db, "ROLLBACK");
  // Written back page by page into the same file under its exclusive lock:
  // a workstation that has the file open sees the repaired file, where a
  // renamed one would leave it on the old.
  tolerateShortFile(damaged.db, true);
  sqlite3_backup* backup = sqlite3_backup_init(damaged.db, "main", fresh.db, "main");
  if (!backup) return finish(outcome, RepairOutcome::WriteFailed, sqlite3_errmsg(damaged.db));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (busy(rc = sqlite3_backup_step(backup, 0)) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (rc == SQLITE_OK && changeCounter(request.file) != counter) rc = SQLITE_BUSY;
  if (rc == SQLITE_OK) rc = sqlite3_backup_step(backup, -1);
  sqlite3_backup_finish(backup);
  if (rc != SQLITE_DONE) {
    return finish(
        outcome, busy(rc) ? RepairOutcome::Locked : RepairOutcome::WriteFailed,
        busy(rc) ? "Otra estación usó el archivo " + name + " mientras se reparaba: no se modificó."
                 : "No se pudo escribir " + name + ": " + sqlite3_errmsg(damaged.db));
  }
  const std::string counts = std::to_string(outcome.recovered) + " registros recuperados, " +
                             std::to_string(outcome.unreadable) + " ilegibles";
  const std::string keptText = "; el archivo dañado quedó como " + kept.filename().string() + ".";
  // Rows read but not given to a table are in the file, not in their
  // tables: the repair is not over until someone places them.
  if (outcome.setAside > 0) {
    return finish(outcome, RepairOutcome::RowsSetAside,
                  "Reparación incompleta de " + name + ": " + counts + ", " +
                      std::to_string(outcome.setAside) + " apartados en la tabla " + kAsideTable +
                      " (no se sabe de qué tabla son, o repiten la clave de otro registro)" +
                      keptText);
  }
  return finish(outcome, RepairOutcome::Repaired, "Reparado " + name + ": " + counts + keptText);
}

}  // namespace rt
