// "Imprimir Todas" of the notes list: 5,000 notes, each with a text of a few
// lines, written by the notes listing as a PDF file (timer-driven reading, 25
// notes a tick, growing bands, page totals, PDF).
#include "organiser/notes_listing.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/report_destination.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/ui/event_loop.h"

namespace {

constexpr int kNotes = 5000;

void prepare() {
  static bool done = false;
  if (done) return;
  done = true;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::filesystem::path folder = bench::scratchFolder("notes");
  std::filesystem::create_directories(folder / "PDF");
  std::filesystem::current_path(folder);
  setenv("VARNETA_WINDIR", folder.c_str(), 1);
  rt::captureWorkingFolder();
  static int argc = 1;
  static char name[] = "bench_notes_listing";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  rt::installWindowLayer();
  core::openPracticeDatabase(folder);
  core::openAllTables();
  core::registerTableManagers();
  core::installThreadRoutines();
  GLO::UsuarioSistema = "Consultorio Central";
  for (int n = 1; n <= kNotes; ++n) {
    core::Notas::table().clear();
    core::TEX().Descripcion = "Nota de prueba " + std::to_string(100000 + n);
    core::TEX().CodigoInterno = static_cast<std::uint16_t>(n);
    std::string text;
    for (int line = 0; line < 2 + n % 5; ++line) {
      text += "Renglon " + std::to_string(line) + " de la nota " + std::to_string(n) +
              ", con el texto que la secretaria dejo para el consultorio.\n";
    }
    core::TEX().Nota = text;
    core::Notas::table().add();
  }
  rt::registerProcedure("VentanaParametrosListado", [](const rt::ProcedureArgs&) {
    core::settleReportDestination();
    return rt::kCompleted;
  });
}

void PrintAllNotesToPdf(benchmark::State& state) {
  prepare();
  for (auto _ : state) {
    GLO::ModoListado = "P";
    bool ended = false;
    rt::start([&ended] {
      organiser::ListadoDeNotas(0);
      ended = true;
    });
    while (!ended) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The listing's windows go now, as the program's event loop lets them go,
    // not in the application's destruction at exit.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  state.counters["notes/s"] = benchmark::Counter(static_cast<double>(kNotes),
                                                 benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(PrintAllNotesToPdf)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
