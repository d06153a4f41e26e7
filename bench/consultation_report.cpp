// The consultation report of 10,000 consultations written as a PDF file:
// the whole run (timer-driven reading paced by time, lookups, bands,
// PDF), and the band engine with the PDF writer alone.
#include "practice/consultation_report.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "bench/consultation_practice.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/report_destination.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/report_engine.h"
#include "platform/ui/report_output.h"

namespace {

using bench::kConsultations;

std::filesystem::path folder() { return bench::scratchFolder("report"); }

void prepare() {
  static bool done = false;
  if (done) return;
  done = true;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "bench_consultation_report";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  // The report runs on a thread of its own, which gets its table managers.
  core::registerTableManagers();
  core::installThreadRoutines();
  bench::openConsultationPractice(folder());
}

void ConsultationReportToPdf(benchmark::State& state) {
  prepare();
  for (auto _ : state) {
    GLO::ModoListado = "P";
    bool ended = false;
    rt::start([&ended] {
      practice::runReporteConsultas("", "");
      ended = true;
    });
    while (!ended) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The listing's windows go now, as the program's event loop lets them go,
    // not in the application's destruction at exit.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  state.SetItemsProcessed(state.iterations() * kConsultations);
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(kConsultations),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(ConsultationReportToPdf)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BandEngineToPdf(benchmark::State& state) {
  prepare();
  const QFont font = rt::reportFont("Arial", 10);
  for (auto _ : state) {
    rt::ReportEngine engine;
    engine.header.height = 400;
    engine.header.label(0, 0, 5000, 300, "Reporte de Consultas (Filtrado)", font);
    rt::ReportBand detail;
    detail.height = 180;
    int n = 0;
    detail.text(
        0, 10, 1719, 170, [] { return std::string("Paciente de prueba 123"); }, font);
    detail.text(
        1823, 10, 781, 170, [] { return std::string("4555-1123"); }, font);
    detail.text(
        3646, 10, 625, 170, [] { return std::string("70123"); }, font, "@d17");
    detail.text(
        4427, 10, 2865, 170, [&n] { return "Control de rutina " + std::to_string(n); }, font);
    for (n = 0; n < kConsultations; ++n) engine.print(detail);
    rt::writePdf(engine.takePages(), QString::fromStdString((folder() / "engine.pdf").string()),
                 {});
  }
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(kConsultations),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BandEngineToPdf)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
