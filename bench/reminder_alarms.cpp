// The alarm walk the frame's timer runs every minute, over 10,000 reminders
// with their alarms on and none due yet: every one is read in the alarm key's
// order and again by its code.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "bench/bench_main.h"
#include "core/frame/activity_log.h"
#include "core/frame/program_startup.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "organiser/reminders.h"
#include "platform/base/clock.h"
#include "platform/base/outside_actions.h"
#include "platform/data/database.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/testing/window_test_kit.h"

namespace {

constexpr int kReminders = 10000;
using Clock = std::chrono::steady_clock;

std::filesystem::path dataFolder() { return bench::scratchFolder("reminders"); }

void fill() {
  static bool filled = false;
  if (filled) return;
  filled = true;
  if (core::openPracticeDatabase(dataFolder()) != 0 || core::openAllTables() != 0) std::abort();
  core::BuildArchivoLog();
  rt::beginTransaction();
  for (int i = 1; i <= kReminders; ++i) {
    core::AgendaRecordatoria::table().clear();
    core::AGG().CodigoInterno = static_cast<std::uint16_t>(i);
    core::AGG().Asunto = "Recordatorio " + std::to_string(i);
    core::AGG().Prioridad = 3;
    core::AGG().Alarma = 1;
    core::AGG().Fecha = rt::today() + 1 + i % 30;  // none due yet
    core::AGG().Hora = rt::makeTime(9, 0);
    if (core::AgendaRecordatoria::table().add() != 0) std::abort();
  }
  if (rt::commitTransaction() != 0) std::abort();
}

void BM_AlarmWalkNoneDue(benchmark::State& state) {
  fill();
  int beeps = 0;
  rt::setWarningSound([&beeps] { ++beeps; });
  for (auto _ : state) {
    double seconds = 0;
    rt::testing::runOnThread(
        [&] {
          const auto start = Clock::now();
          organiser::ProcesoAgenda();
          seconds = std::chrono::duration<double>(Clock::now() - start).count();
        },
        std::chrono::minutes(5));
    state.SetIterationTime(seconds);
  }
  if (beeps != 0) state.SkipWithError("a reminder rang");
  state.counters["reminders"] = kReminders;
}
BENCHMARK(BM_AlarmWalkNoneDue)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  return bench::runWindowBenchmarks(argc, argv,
                                    [] {
                                      core::registerTableManagers();
                                      core::installThreadRoutines();
                                    },
                                    {.fusion = false});
}
