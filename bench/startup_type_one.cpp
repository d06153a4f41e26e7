// The start-up's global settings over a folder whose consultation type 1 is
// missing (made outside the program, or type 1 deleted): 2,000 and 100,000
// consultations without a type, each given type 1 before the frame appears.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "core/frame/global_settings.h"
#include "core/frame/globals.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "platform/base/paths.h"
#include "platform/data/database.h"

namespace {

using Clock = std::chrono::steady_clock;

void fill(const std::filesystem::path& folder, int consultations) {
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  if (core::openPracticeDatabase(folder) != 0) std::abort();
  core::TableManagersInit();
  GLO::ArchivoIni = rt::runtimeName(folder / "Dezedu.ini");
  GLO::PrimeraEjecucion = 0;
  core::TableAccess& a = core::access(core::Consultas::def());
  if (a.open() != core::level::Benign) std::abort();
  rt::beginTransaction();
  for (int i = 1; i <= consultations; ++i) {
    a.table().clear();
    core::CON().Cod_Consulta = static_cast<std::uint32_t>(i);
    core::CON().Cod_Paciente = 1 + i % 500;
    core::CON().Fecha = 80000 + i / 20;
    core::CON().Motivo = "Control " + std::to_string(i);
    if (a.table().add() != 0) std::abort();
  }
  if (rt::commitTransaction() != 0) std::abort();
  a.close();
}

void BM_StartupGivesTypeOne(benchmark::State& state) {
  const int consultations = static_cast<int>(state.range(0));
  const std::filesystem::path folder = bench::scratchFolder("startup") / "datos";
  for (auto _ : state) {
    fill(folder, consultations);
    const auto start = Clock::now();
    core::InicializaVariablesGlobales();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    core::TableManagersKill();
    rt::closeDatabase();
  }
  state.counters["consultations"] = consultations;
}
BENCHMARK(BM_StartupGivesTypeOne)
    ->Arg(2000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
