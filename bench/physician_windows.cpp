// The physician list and the physician form's sheet tab over 2,000
// physicians with 20 schedule sheets each: opening the list (first page
// shown) and opening the form with its sheets listed.
#include "practice/physician_windows.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QTabWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "bench/bench_main.h"
#include "core/frame/activity_log.h"
#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/data/database.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/testing/window_test_kit.h"

namespace {

constexpr int kPhysicians = 2000;
constexpr int kSheets = 20;
using Clock = std::chrono::steady_clock;

std::filesystem::path dataFolder() { return bench::scratchFolder("physicians"); }

void fill() {
  static bool filled = false;
  if (filled) return;
  filled = true;
  if (core::openPracticeDatabase(dataFolder()) != 0) std::abort();
  // The forms write their activity lines into the data folder.
  setenv("TEMP", dataFolder().c_str(), 1);
  core::BuildArchivoLog();
  rt::testing::runOnThread(
      [] {
        core::TableManagersInit();
        core::relate(core::Medicos::def()).open();
        rt::beginTransaction();
        for (int s = 1; s <= 20; ++s) {
          core::Especialidades::table().clear();
          core::ESP().Cod_Especialidad = static_cast<std::uint16_t>(s);
          core::ESP().Descripcion = "Especialidad " + std::to_string(s);
          if (core::Especialidades::table().add() != 0) std::abort();
        }
        unsigned seed = 4242;
        std::uint32_t sheet = 0;
        for (int i = 1; i <= kPhysicians; ++i) {
          seed = seed * 1103515245u + 12345u;
          rt::Table& m = core::Medicos::table();
          m.clear();
          core::MDC().Cod_Medico = static_cast<std::uint16_t>(i);
          char name[40];
          std::snprintf(name, sizeof name, "%c%c%c medico %05u", 'A' + (seed >> 8) % 26,
                        'a' + (seed >> 13) % 26, 'a' + (seed >> 18) % 26, seed % 100000);
          core::MDC().Nombre = name;
          core::MDC().Cod_Especialidad = static_cast<std::uint16_t>(i % 21);  // some without
          core::MDC().Inactivo = static_cast<std::uint8_t>(i % 10 == 0);
          if (m.add() != 0) std::abort();
          for (int s = 0; s < kSheets; ++s) {
            rt::Table& p = core::Planilla::table();
            p.clear();
            core::PLA().CodPlanilla = ++sheet;
            core::PLA().Cod_Medico = static_cast<std::uint16_t>(i);
            core::PLA().FecVigenciaDesde = 80000 + 30 * s;
            core::PLA().FecVigenciaHasta = 80029 + 30 * s;
            core::PLA().DscPlanilla = "Planilla " + std::to_string(s + 1);
            if (p.add() != 0) std::abort();
          }
        }
        if (rt::commitTransaction() != 0) std::abort();
        core::relate(core::Medicos::def()).close();
        core::TableManagersKill();
      },
      std::chrono::minutes(10));
}

// Runs `open` on a logical thread and answers the seconds until the window
// titled `title` took its open event, having closed it.
double timeToOpen(const char* title, const std::function<void()>& open,
                  const std::function<void(rt::WindowDriver&)>& close) {
  double seconds = 0;
  rt::testing::runOnThread(
      [&] {
        core::TableManagersInit();
        core::relate(core::Medicos::def()).open();
        rt::testing::WindowScript script;
        Clock::time_point start;
        script.on(title, [&](rt::WindowDriver& w) {
          seconds = std::chrono::duration<double>(Clock::now() - start).count();
          close(w);
        });
        start = Clock::now();
        open();
        core::relate(core::Medicos::def()).close();
        core::TableManagersKill();
      },
      std::chrono::minutes(5));
  return seconds;
}

void BM_OpenPhysicianList(benchmark::State& state) {
  fill();
  std::int64_t physicians = 0, sheets = 0;
  rt::testing::runOnThread([&] {
    core::TableManagersInit();
    core::relate(core::Medicos::def()).open();
    physicians = core::Medicos::table().records();
    sheets = core::Planilla::table().records();
    core::relate(core::Medicos::def()).close();
    core::TableManagersKill();
  });
  state.counters["physicians"] = static_cast<double>(physicians);
  state.counters["sheets"] = static_cast<double>(sheets);
  for (auto _ : state) {
    state.SetIterationTime(timeToOpen(
        "Examinando el archivo de Médicos"_cp, [] { practice::ExaminarMedicos(); },
        [](rt::WindowDriver& w) { w.post(rt::event::Accepted, w.control("?CLOSE")); }));
  }
}
BENCHMARK(BM_OpenPhysicianList)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The form of a physician in the middle of the name order, its sheets listed.
void BM_OpenFormWithItsSheets(benchmark::State& state) {
  fill();
  int shown = 0;
  for (auto _ : state) {
    state.SetIterationTime(timeToOpen(
        "Actualizando un registro de Profesionales ",
        [] {
          core::MDC().Cod_Medico = kPhysicians / 2;
          if (core::Medicos::table().fetch(core::Medicos::MDC01) != 0) std::abort();
          rt::ThreadRequest() = 2;
          practice::FormularioMedico();
        },
        [&](rt::WindowDriver& w) {
          auto& form = static_cast<practice::PhysicianForm&>(w);
          form.control<QTabWidget>("?CurrentTab")->setCurrentIndex(1);
          shown = form.sheets()->RecordsInView();
          w.post(rt::event::Accepted, w.control("?CANCEL"));
        }));
  }
  state.counters["sheets"] = shown;
}
BENCHMARK(BM_OpenFormWithItsSheets)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) { return bench::runWindowBenchmarks(argc, argv); }
