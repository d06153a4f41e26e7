// The consultation form and the notes pass: opening and saving a
// consultation whose notes come near the 25,000-character limit, moving
// through 200 consultations of one patient on the second tab, and the
// length pass over 100,000 consultations.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QTabWidget>
#include <QTableView>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "bench/bench_main.h"
#include "core/frame/activity_log.h"
#include "core/frame/program_startup.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "platform/data/database.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/testing/window_test_kit.h"
#include "practice/consultation_form.h"
#include "practice/notes_length_pass.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPassRecords = 100000;

double since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::filesystem::path freshFolder(const char* name) { return bench::scratchFolder(name); }

// Rich-text notes of about `characters` characters of markup.
std::string longNotes(std::size_t characters) {
  std::string markup = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
  while (markup.size() + 60 < characters)
    markup += "Paciente estable, {\\b sin cambios} en la medicacion.\\par ";
  return markup + "}";
}

void openPractice(const char* name) {
  static std::filesystem::path current;
  if (!current.empty()) {
    core::closeAllTables();
    rt::closeDatabase();
    std::filesystem::remove_all(current);
  }
  current = freshFolder(name);
  if (core::openPracticeDatabase(current) != 0 || core::openAllTables() != 0) std::abort();
  core::BuildArchivoLog();
}

void addVisits(int count, std::size_t notes) {
  const std::string markup = longNotes(notes);
  rt::beginTransaction();
  for (int i = 1; i <= count; ++i) {
    core::Consultas::table().clear();
    core::CON().Cod_Consulta = static_cast<std::uint32_t>(i);
    core::CON().Cod_Paciente = 1 + (i - 1) % std::max(1, count / 200);
    core::CON().Fecha = 80000 + i;
    core::CON().Motivo = "Control " + std::to_string(i);
    core::CON().Cod_TipoConsulta = 1;
    core::CON().Notas = (i % 3 == 0 ? "   " : "") + markup;
    if (core::Consultas::table().add() != 0) std::abort();
  }
  if (rt::commitTransaction() != 0) std::abort();
}

void BM_OpenAndSaveALongNote(benchmark::State& state) {
  openPractice("long-note");
  addVisits(1, practice::kNotesLimit - 200);
  for (auto _ : state) {
    double seconds = 0;
    const bool ran = rt::testing::runOnThread([&] {
      rt::testing::WindowScript script;
      Clock::time_point start;
      script.on("Actualizando un Registro de Consultas",
                [&](rt::WindowDriver& w) { rt::testing::click(w, "?OK"); });
      core::relate(core::Consultas::def()).open();
      core::CON().Cod_Consulta = 1;
      core::Consultas::table().fetch(core::Consultas::CON01);
      start = Clock::now();
      rt::ThreadRequest() = core::request::Change;
      practice::FormularioConsultas(false);
      seconds = since(start);
      core::relate(core::Consultas::def()).close();
    });
    if (!ran) std::fprintf(stderr, "the form did not close\n");
    state.SetIterationTime(seconds);
  }
}
BENCHMARK(BM_OpenAndSaveALongNote)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_Move200OtherConsultations(benchmark::State& state) {
  openPractice("others");
  addVisits(200, 2000);
  for (auto _ : state) {
    double seconds = 0;
    rt::testing::runOnThread([&] {
      rt::testing::WindowScript script;
      script.on("Actualizando un Registro de Consultas", [&](rt::WindowDriver& w) {
        auto& form = static_cast<practice::ConsultationForm&>(w);
        QTableView* list = form.others()->list();
        form.control<QTabWidget>("?CurrentTab")->setCurrentIndex(1);
        const auto start = Clock::now();
        for (int row = 0; row < form.others()->RecordsInView(); ++row) {
          list->setCurrentIndex(list->model()->index(row, 0));
          form.post(rt::event::NewSelection, list);
          QApplication::processEvents();
        }
        seconds = since(start);
        rt::testing::click(w, "?CANCEL");
      });
      core::relate(core::Consultas::def()).open();
      core::CON().Cod_Consulta = 1;
      core::Consultas::table().fetch(core::Consultas::CON01);
      rt::ThreadRequest() = core::request::Change;
      practice::FormularioConsultas(false);
      core::relate(core::Consultas::def()).close();
    });
    state.SetIterationTime(seconds);
  }
}
BENCHMARK(BM_Move200OtherConsultations)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_NotesPass100000(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    openPractice("pass");
    addVisits(kPassRecords, 300);
    state.ResumeTiming();
    practice::NotesPass pass;
    const auto start = Clock::now();
    rt::testing::runOnThread(
        [&] {
          core::relate(core::Consultas::def()).open();
          pass = practice::passOverNotes();
          core::relate(core::Consultas::def()).close();
        },
        std::chrono::minutes(10));
    state.SetIterationTime(since(start));
    state.counters["rewritten"] = pass.rewritten;
  }
}
BENCHMARK(BM_NotesPass100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  return bench::runWindowBenchmarks(argc, argv, [] {
    core::registerTableManagers();
    core::installThreadRoutines();
  });
}
