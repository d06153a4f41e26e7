// The localities list over 20,000 localities joined with their provinces:
// opening the window (first page shown), one locator keystroke, and a lookup
// opening at the record in the caller's buffer.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QTableView>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "bench/bench_main.h"
#include "catalogs/catalog_list.h"
#include "core/shapes/record_form.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "platform/data/database.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/testing/window_test_kit.h"

namespace {

constexpr int kLocalities = 20000;
constexpr int kProvinces = 24;
constexpr char kTitle[] = "Examinando el archivo de Localidades";
using Clock = std::chrono::steady_clock;

std::filesystem::path dataFolder() { return bench::scratchFolder("localities"); }

// The name of the n-th locality: spread over the alphabet.
std::string localityName(unsigned n) {
  unsigned seed = n * 2654435761u;
  char name[48];
  std::snprintf(name, sizeof name, "%c%c%c Localidad %05u", 'A' + (seed >> 8) % 26,
                'a' + (seed >> 13) % 26, 'a' + (seed >> 18) % 26, n);
  return name;
}

void fill() {
  static bool filled = false;
  if (filled) return;
  filled = true;
  if (core::openPracticeDatabase(dataFolder()) != 0) std::abort();
  rt::testing::runOnThread(
      [] {
        core::TableManagersInit();
        core::relate(core::Localidades::def()).open();
        rt::beginTransaction();
        rt::Table& provinces = core::Provincias::table();
        for (int i = 1; i <= kProvinces; ++i) {
          provinces.clear();
          core::PRV().Cod_Provincia = static_cast<std::int16_t>(i);
          core::PRV().Provincia = "Provincia " + std::to_string(i);
          if (provinces.add() != 0) std::abort();
        }
        rt::Table& t = core::Localidades::table();
        for (int i = 1; i <= kLocalities; ++i) {
          t.clear();
          core::LOC().Cod_Postal = static_cast<std::uint32_t>(1000 + i);
          core::LOC().NombreLocalidad = localityName(static_cast<unsigned>(i));
          core::LOC().Cod_Provincia = std::to_string(1 + i % kProvinces);
          if (t.add() != 0) std::abort();
        }
        if (rt::commitTransaction() != 0) std::abort();
        core::relate(core::Localidades::def()).close();
        core::TableManagersKill();
      },
      std::chrono::minutes(5));
}

// Runs the list (as a lookup when `select`) and answers the seconds from the
// call until the window has opened with its first page.
double openList(bool select, const std::function<void()>& prime) {
  double opened = 0;
  rt::testing::runOnThread([&] {
    core::TableManagersInit();
    core::relate(core::Localidades::def()).open();
    prime();
    rt::testing::WindowScript script;
    Clock::time_point start;
    script.on(kTitle, [&](rt::WindowDriver& w) {
      opened = std::chrono::duration<double>(Clock::now() - start).count();
      w.post(rt::event::Accepted, w.control("?CLOSE"));
    });
    start = Clock::now();
    rt::ThreadRequest() = select ? core::request::Select : 0;
    catalogs::ExaminarLocalidades();
    core::relate(core::Localidades::def()).close();
    core::TableManagersKill();
  });
  return opened;
}

void BM_OpenLocalities(benchmark::State& state) {
  fill();
  for (auto _ : state) state.SetIterationTime(openList(false, [] {}));
}
BENCHMARK(BM_OpenLocalities)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_LocatorKeystroke(benchmark::State& state) {
  fill();
  for (auto _ : state) {
    double seconds = 0;
    rt::testing::runOnThread([&] {
      core::TableManagersInit();
      rt::testing::WindowScript script;
      script.on(kTitle, [&](rt::WindowDriver& w) {
        auto& list = static_cast<catalogs::CatalogList&>(w);
        // Each letter a new search of the name key, as one keystroke makes it.
        const auto start = Clock::now();
        for (char c = 'A'; c <= 'Z'; ++c) list.browser().LocateTo(std::string(1, c));
        seconds = std::chrono::duration<double>(Clock::now() - start).count() / 26;
        w.post(rt::event::Accepted, w.control("?CLOSE"));
      });
      catalogs::ExaminarLocalidades();
      core::TableManagersKill();
    });
    state.SetIterationTime(seconds);
  }
}
BENCHMARK(BM_LocatorKeystroke)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LookupOpensAtTheBuffersRecord(benchmark::State& state) {
  fill();
  unsigned n = 1;
  for (auto _ : state) {
    n = (n * 7919) % kLocalities + 1;
    state.SetIterationTime(openList(true, [n] {
      core::LOC().Cod_Postal = 1000 + n;
      if (core::Localidades::table().fetch(core::Localidades::LOC01) != 0) std::abort();
    }));
  }
}
BENCHMARK(BM_LookupOpensAtTheBuffersRecord)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

}  // namespace

int main(int argc, char** argv) { return bench::runWindowBenchmarks(argc, argv); }
