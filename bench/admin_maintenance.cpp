// Administration on a practice-sized folder: the backup of about 200 MB of
// data files (the consistent copy, how long writers are held out, and the
// archiver), and rebuilding the keys and packing the file of 65,535
// patients (every code a practice can number). Each runs once: they are long, and the numbers are
// for the closing note. Needs 7z on PATH.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "admin/backup.h"
#include "bench/bench_folder.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_registration.h"
#include "platform/base/outside_actions.h"
#include "platform/data/connection.h"
#include "platform/data/crypt_vfs.h"
#include "platform/data/database.h"
#include "platform/data/maintenance.h"
#include "platform/data/record_buffer.h"
#include "platform/data/table.h"

namespace {

namespace fs = std::filesystem;

fs::path freshFolder(const std::string& name) { return bench::scratchFolder("admin" + name); }

// `rows` records of the table, each with memos of `memoBytes` of text.
std::string fillSql(const rt::TableDef& def, const std::string& schema, int rows, int memoBytes) {
  std::string columns, values;
  for (const rt::FieldDef& f : def.fields) {
    columns += (columns.empty() ? "" : ", ") + rt::sql::quoteName(f.column);
    values +=
        (values.empty() ? "" : ", ") + std::string(rt::isTextField(f) ? "'Texto ' || i" : "i");
  }
  for (const rt::MemoDef& m : def.memos) {
    columns += ", " + rt::sql::quoteName(m.name);
    values += ", substr(replace(hex(zeroblob(" + std::to_string(memoBytes) +
              ")), '00', 'Consulta ' || i || ' '), 1, " + std::to_string(memoBytes) + ")";
  }
  return "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
         std::to_string(rows) + ") INSERT INTO " + schema + "." +
         rt::sql::quoteName(def.storageName) + " (" + columns + ") SELECT " + values + " FROM n";
}

void fill(const fs::path& folder, int patients, int memoBytes, int logRows) {
  if (core::openPracticeDatabase(folder) != 0 || core::openAllTables() != 0) std::abort();
  core::closeAllTables();
  rt::closeDatabase();
  sqlite3* db = nullptr;
  sqlite3_open((folder / "Varneta.dat").c_str(), &db);
  rt::sql::registerCollations(db);
  const std::string attach =
      "ATTACH 'file:" + (folder / "VarnetaC.dat").string() + "?vfs=" + rt::kCryptVfsName + "' AS c";
  std::string sql = attach + "; BEGIN; " +
                    fillSql(core::Pacientes::def(), "main", patients, memoBytes) + "; " +
                    fillSql(core::LogConsultas::def(), "c", logRows, 0) + "; COMMIT;";
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "%s\n", error);
    std::abort();
  }
  sqlite3_close(db);
}

std::uintmax_t folderBytes(const fs::path& folder) {
  std::uintmax_t total = 0;
  for (const auto& e : fs::directory_iterator(folder))
    total += e.is_regular_file() ? e.file_size() : 0;
  return total;
}

void BM_Backup200MB(benchmark::State& state) {
  const fs::path folder = freshFolder("-backup");
  fill(folder, 60000, 1000, 300000);
  const fs::path archive = freshFolder("-destino") / "Varneta-bench";
  double held = 0, copySeconds = 0, archiveSeconds = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    admin::BackupSnapshot snapshot = admin::snapshotWorkingFiles(folder);
    if (!snapshot.error.empty()) state.SkipWithError(snapshot.error.c_str());
    held = snapshot.heldMs;
    auto copied = std::chrono::steady_clock::now();
    const std::string failure = admin::runArchiver(
        rt::findProgramOnPath("7z"), admin::archiverArguments(archive, snapshot.names),
        snapshot.folder, archive, snapshot.names);
    if (!failure.empty()) state.SkipWithError(failure.c_str());
    copySeconds = std::chrono::duration<double>(copied - start).count();
    archiveSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - copied).count();
  }
  state.counters["data_MB"] = static_cast<double>(folderBytes(folder)) / 1e6;
  state.counters["writers_held_ms"] = held;
  state.counters["copy_s"] = copySeconds;
  state.counters["archive_s"] = archiveSeconds;
  fs::path made = archive;
  made += ".7z";
  state.counters["archive_MB"] =
      fs::exists(made) ? static_cast<double>(fs::file_size(made)) / 1e6 : 0;
}
BENCHMARK(BM_Backup200MB)->Iterations(1)->Unit(benchmark::kSecond);

void BM_BuildAndPackEveryPatient(benchmark::State& state) {
  const fs::path folder = freshFolder("-build");
  fill(folder, 65535, 200, 1);
  rt::MaintenanceConnection connection(folder, core::practiceDataFiles());
  std::atomic<bool> cancel{false};
  double buildSeconds = 0, packSeconds = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    bool cancelled = false;
    if (connection.rebuildKeys(core::Pacientes::def(), {}, cancel, &cancelled) != 0)
      state.SkipWithError("build");
    auto built = std::chrono::steady_clock::now();
    if (connection.pack(core::mainDataFile()) != 0) state.SkipWithError("pack");
    buildSeconds = std::chrono::duration<double>(built - start).count();
    packSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - built).count();
  }
  state.counters["build_s"] = buildSeconds;
  state.counters["pack_s"] = packSeconds;
}
BENCHMARK(BM_BuildAndPackEveryPatient)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
