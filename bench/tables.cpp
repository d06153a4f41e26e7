// The table layer with 65,535 patients (every code a practice can number): walking the name key
// through the cursor against the same walk in plain SQL on the same file, seeking a name prefix,
// and opening every table at start-up.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_registration.h"
#include "platform/base/cp_literal.h"
#include "platform/base/runtime_errors.h"
#include "platform/data/connection.h"
#include "platform/data/database.h"

namespace {

constexpr int kPatients = 65535;

const char* const kFirst[] = {"María"_cp, "José"_cp,   "Lucía"_cp, "Juan",     "Ana",   "Pedro",
                              "Sofía"_cp, "Martín"_cp, "Inés"_cp,  "Ángel"_cp, "Carla", "Tomás"_cp};
const char* const kLast[] = {"Nuñez"_cp,     "Nunez",    "Gómez"_cp,    "Pérez"_cp,     "Ñandú"_cp,
                             "Rodríguez"_cp, "López"_cp, "Martínez"_cp, "Fernández"_cp, "Suárez"_cp,
                             "Ibáñez"_cp,    "Acuña"_cp, "Zapata",      "Olmos"};

std::filesystem::path dataFolder() { return bench::scratchFolder("tables"); }

// Opens the practice's files, filling them with the patients the first time.
void openWithPatients() {
  static bool filled = false;
  if (core::openPracticeDatabase(dataFolder()) != 0 || core::openAllTables() != 0) {
    std::fprintf(stderr, "the tables did not open: %s\n", rt::errorDescription().c_str());
    std::abort();
  }
  if (filled) return;
  filled = true;
  rt::beginTransaction();
  rt::Table& t = core::Pacientes::table();
  unsigned seed = 12345;
  for (int i = 1; i <= kPatients; ++i) {
    seed = seed * 1103515245u + 12345u;
    t.clear();
    core::PAC().Cod_Paciente = static_cast<std::uint16_t>(i);
    core::PAC().Nombre = std::string(kLast[(seed >> 8) % std::size(kLast)]) + ", " +
                         kFirst[(seed >> 16) % std::size(kFirst)] + " " +
                         std::to_string(seed % 997);
    core::PAC().Direccion = "Calle " + std::to_string(i);
    core::PAC().Cod_Postal = 1000 + seed % 500;
    core::PAC().Notas = "Sin antecedentes";
    if (t.add() != 0) std::abort();
  }
  if (rt::commitTransaction() != 0) std::abort();
}

double cursorWalk(std::int64_t& rows) {
  const auto start = std::chrono::steady_clock::now();
  rt::Table& t = core::Pacientes::table();
  t.setToStart(core::Pacientes::PAS_002);
  rows = 0;
  while (t.next() == 0) ++rows;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The same rows in the same order, every column read, straight from SQLite.
double plainSqlWalk(std::int64_t& rows) {
  const auto start = std::chrono::steady_clock::now();
  sqlite3* db = rt::sql::Connection::get().db();
  const std::string sql =
      "SELECT * FROM main.PACIENTE WHERE (\"Nombre\" <> '') "
      "ORDER BY \"Nombre\" COLLATE rt_nocase, _id";
  rt::sql::Statement s(db, sql);
  rows = 0;
  std::int64_t sink = 0;
  while (s.step() == SQLITE_ROW) {
    const int n = sqlite3_column_count(s.get());
    for (int c = 0; c < n; ++c) {
      if (sqlite3_column_type(s.get(), c) == SQLITE_TEXT) {
        sink += sqlite3_column_bytes(s.get(), c) + (sqlite3_column_text(s.get(), c) != nullptr);
      } else {
        sink += sqlite3_column_int64(s.get(), c);
      }
    }
    ++rows;
  }
  benchmark::DoNotOptimize(sink);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_NameKeyWalk_CursorVsPlainSql(benchmark::State& state) {
  openWithPatients();
  double cursorSeconds = 0, sqlSeconds = 0;
  std::int64_t cursorRows = 0, sqlRows = 0;
  for (auto _ : state) {
    cursorSeconds += cursorWalk(cursorRows);
    sqlSeconds += plainSqlWalk(sqlRows);
  }
  if (cursorRows != kPatients || sqlRows != kPatients) state.SkipWithError("rows missing");
  state.counters["cursor_ms"] = cursorSeconds * 1000 / state.iterations();
  state.counters["sql_ms"] = sqlSeconds * 1000 / state.iterations();
  state.counters["ratio"] = cursorSeconds / sqlSeconds;
  core::closeAllTables();
  rt::closeDatabase();
}
BENCHMARK(BM_NameKeyWalk_CursorVsPlainSql)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SeekNamePrefix(benchmark::State& state) {
  openWithPatients();
  rt::Table& t = core::Pacientes::table();
  std::size_t i = 0;
  for (auto _ : state) {
    t.clear();
    core::PAC().Nombre = std::string(kLast[i++ % std::size(kLast)]).substr(0, 3);
    t.setFromBuffer(core::Pacientes::PAS_002);
    if (t.next() != 0) state.SkipWithError("nothing found");
    benchmark::DoNotOptimize(core::PAC().Nombre.view().data());
  }
  core::closeAllTables();
  rt::closeDatabase();
}
BENCHMARK(BM_SeekNamePrefix)->Unit(benchmark::kMicrosecond);

void BM_OpenAllTablesAtStartUp(benchmark::State& state) {
  openWithPatients();
  core::closeAllTables();
  rt::closeDatabase();
  for (auto _ : state) {
    if (core::openPracticeDatabase(dataFolder()) != 0 || core::openAllTables() != 0) {
      state.SkipWithError("open failed");
    }
    state.PauseTiming();
    core::closeAllTables();
    rt::closeDatabase();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenAllTablesAtStartUp)->Unit(benchmark::kMillisecond);

}  // namespace
