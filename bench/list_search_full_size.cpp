// The search of the consultation list (Ctrl+F) over a practice at full size,
// every consultation shown, for a word no consultation holds: in a column of
// the consultation itself (Motivo) and in one of its patient (Paciente),
// each beside SQLite's own LIKE over the same rows in the same run, with the
// largest gap of the window thread while the search ran.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QComboBox>
#include <QLineEdit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "bench/bench_main.h"
#include "bench/full_size_practice.h"
#include "bench/window_gap.h"
#include "core/frame/globals.h"
#include "core/shapes/list_search.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "platform/data/connection.h"
#include "platform/ui/testing/window_test_kit.h"
#include "practice/consultation_list.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr char kAbsent[] = "zzqx";

double since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct SearchRun {
  double seconds = 0;
  double largestGapMs = 0;
  bool noMatch = false;
};

// Ctrl+F in the consultation list with every consultation shown, the column
// at `column` of the search dialog and the absent word.
SearchRun searchTheList(int column) {
  SearchRun run;
  rt::testing::runOnThread(
      [&] {
        core::TableManagersInit();
        rt::testing::ScriptedMessages messages;
        rt::testing::WindowScript script;
        script.on("Busqueda...", [column](rt::WindowDriver& w) {
          w.control<QComboBox>("?SEARCHFIELDS")->setCurrentIndex(column);
          w.TakeNow(rt::event::Accepted, w.control("?SEARCHFIELDS"));
          w.control<QLineEdit>("?SEARCHVALUE")->setText(kAbsent);
          rt::testing::click(w, "?FIND");
        });
        script.on("Examinando el archivo de  Consultas", [&](rt::WindowDriver& w) {
          auto& list = static_cast<practice::ConsultationList&>(w);
          list.TodasLasCitas = 1;
          list.AplicarFiltrosConsultas();
          bench::WindowGapMeter gaps;
          gaps.start();
          const auto start = Clock::now();
          list.search()->TakeKey(Qt::Key_F | static_cast<int>(Qt::ControlModifier));
          run.seconds = since(start);
          run.largestGapMs = gaps.stop();
          run.noMatch = messages.asked().size() == 1;
          w.post(rt::event::Accepted, w.control("?CLOSE"));
        });
        practice::ExaminarConsultas();
        core::TableManagersKill();
      },
      std::chrono::minutes(10));
  return run;
}

// SQLite's LIKE over the consultations' reasons, as the sqlite3 shell runs it.
double likeOverTheRows(const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  const auto start = Clock::now();
  if (sqlite3_prepare_v2(rt::sql::Connection::get().db(), sql.c_str(), -1, &statement, nullptr) !=
      SQLITE_OK) {
    std::fprintf(stderr, "%s\n", sqlite3_errmsg(rt::sql::Connection::get().db()));
    std::abort();
  }
  while (sqlite3_step(statement) == SQLITE_ROW) {
  }
  sqlite3_finalize(statement);
  return since(start);
}

std::string tableName(const rt::TableDef& def) {
  return rt::sql::Connection::get().qualifiedName(def);
}

void searchBesideLike(benchmark::State& state, int column,
                      const std::function<std::string()>& like) {
  bench::openFullSizePractice();
  for (auto _ : state) {
    const SearchRun run = searchTheList(column);
    if (!run.noMatch) state.SkipWithError("the search did not end with its no-more message");
    state.SetIterationTime(run.seconds);
    state.counters["largest_gap_ms"] = run.largestGapMs;
    state.counters["sqlite_like_s"] = likeOverTheRows(like());
    state.counters["rows"] = bench::fullRows();
  }
}

void BM_SearchReasonNoMatch(benchmark::State& state) {
  searchBesideLike(state, 4, [] {
    return "SELECT _id FROM " + tableName(core::Consultas::def()) +
           " WHERE Motivo LIKE '%zzqx%' ORDER BY Fecha, _id";
  });
}
BENCHMARK(BM_SearchReasonNoMatch)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);

void BM_SearchPatientNoMatch(benchmark::State& state) {
  searchBesideLike(state, 1, [] {
    return "SELECT c._id FROM " + tableName(core::Consultas::def()) + " c JOIN " +
           tableName(core::Pacientes::def()) +
           " p ON p.Cod_Paciente = c.Cod_Paciente WHERE p.Nombre LIKE '%zzqx%' ORDER BY c.Fecha, "
           "c._id";
  });
}
BENCHMARK(BM_SearchPatientNoMatch)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
  return bench::runWindowBenchmarks(argc, argv, [] { GLO::Nivel_Usuario_Logueado = 9; });
}
