// The users list over 50,000 records: opening the window (first page shown),
// paging to the end, and moving the type-ahead locator.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "bench/bench_main.h"
#include "core/frame/globals.h"
#include "core/frame/users_windows.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "platform/data/database.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/testing/window_test_kit.h"

namespace {

constexpr int kUsers = 50000;
using Clock = std::chrono::steady_clock;

std::filesystem::path dataFolder() { return bench::scratchFolder("list"); }

void fill() {
  static bool filled = false;
  if (filled) return;
  filled = true;
  if (core::openPracticeDatabase(dataFolder()) != 0) std::abort();
  rt::testing::runOnThread(
      [] {
        core::TableManagersInit();
        core::relate(core::Usuarios::def()).open();
        rt::beginTransaction();
        rt::Table& t = core::Usuarios::table();
        unsigned seed = 777;
        for (int i = 1; i <= kUsers; ++i) {
          seed = seed * 1103515245u + 12345u;
          t.clear();
          core::USU().Cod_Usuario = static_cast<std::uint16_t>(i);
          char name[40];
          std::snprintf(name, sizeof name, "%c%c%c usuario %05u", 'A' + (seed >> 8) % 26,
                        'a' + (seed >> 13) % 26, 'a' + (seed >> 18) % 26, seed % 100000);
          core::USU().Nombre_Usuario = name;
          core::USU().Login_Usuario = std::string("login") + std::to_string(i);
          if (t.add() != 0) std::abort();
        }
        if (rt::commitTransaction() != 0) std::abort();
        core::relate(core::Usuarios::def()).close();
        core::TableManagersKill();
      },
      std::chrono::minutes(5));
}

// Runs the users list on a logical thread; `inside` runs once it is open and
// answers the seconds it measured.
double withList(const std::function<double(core::UsersList&)>& inside) {
  double seconds = 0;
  rt::testing::runOnThread(
      [&] {
        core::TableManagersInit();
        GLO::Nivel_Usuario_Logueado = 9;
        rt::testing::WindowScript script;
        script.on("Examinando el archivo de Usuarios", [&](rt::WindowDriver& w) {
          auto& list = static_cast<core::UsersList&>(w);
          seconds = inside(list);
          w.post(rt::event::Accepted, w.control("?CLOSE"));
        });
        core::UsersList list;
        list.Run();
        core::TableManagersKill();
      },
      std::chrono::minutes(5));
  return seconds;
}

void BM_OpenListWindow(benchmark::State& state) {
  fill();
  for (auto _ : state) {
    Clock::time_point start;
    double opened = 0;
    rt::testing::runOnThread([&] {
      core::TableManagersInit();
      rt::testing::WindowScript script;
      script.on("Examinando el archivo de Usuarios", [&](rt::WindowDriver& w) {
        opened = std::chrono::duration<double>(Clock::now() - start).count();
        w.post(rt::event::Accepted, w.control("?CLOSE"));
      });
      start = Clock::now();
      core::UsersList list;
      list.Run();
      core::TableManagersKill();
    });
    state.SetIterationTime(opened);
  }
}
BENCHMARK(BM_OpenListWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_PageToTheEnd(benchmark::State& state) {
  fill();
  for (auto _ : state) {
    std::int64_t rows = 0;
    state.SetIterationTime(withList([&](core::UsersList& list) {
      const auto start = Clock::now();
      while (list.browser().NextPage()) {
      }
      rows = list.browser().RecordsInView();
      return std::chrono::duration<double>(Clock::now() - start).count();
    }));
    state.counters["rows"] = static_cast<double>(rows);
  }
}
BENCHMARK(BM_PageToTheEnd)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MoveTheLocator(benchmark::State& state) {
  fill();
  for (auto _ : state) {
    state.SetIterationTime(withList([&](core::UsersList& list) {
      // 26 letters typed one after another, each a new search of the key.
      const auto start = Clock::now();
      for (char c = 'A'; c <= 'Z'; ++c) list.browser().LocateTo(std::string(1, c) + "m");
      return std::chrono::duration<double>(Clock::now() - start).count() / 26;
    }));
  }
}
BENCHMARK(BM_MoveTheLocator)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) { return bench::runWindowBenchmarks(argc, argv); }
