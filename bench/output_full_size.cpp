// What a listing and an export cost on a practice at full size (65,535
// patients, 500,000 consultations): the patient listing of every patient
// written as a PDF, beside QPdfWriter drawing the same rows as plain lines;
// and the export of every consultation of the consultation list ("Todas las
// Citas") to a spreadsheet (also to the open spreadsheet and to text), with
// the peak of the process's memory during it.
// Each reports the largest gap of the window thread meanwhile; each runs
// three times (the medians are the figures).
#include <benchmark/benchmark.h>

#include <QCheckBox>
#include <QPainter>
#include <QPdfWriter>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_main.h"
#include "bench/full_size_practice.h"
#include "bench/window_gap.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/export_handover.h"
#include "core/shapes/report_destination.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "output/register_procedures.h"
#include "platform/base/procedures.h"
#include "platform/ui/report_pages.h"
#include "platform/ui/testing/pdf_probe.h"
#include "platform/ui/testing/window_test_kit.h"
#include "practice/consultation_list.h"
#include "practice/patient_reports.h"

namespace {

void prepare() {
  static bool done = false;
  if (done) return;
  done = true;
  bench::openFullSizePractice();
  GLO::UsuarioSistema = "Consultorio Central";
  GLO::DirectorioExportacion = "Exportados";
  rt::registerProcedure("VentanaParametrosListado", [](const rt::ProcedureArgs&) {
    core::settleReportDestination();
    return rt::kCompleted;
  });
}

// The process's memory in use and its peak since the last reset, in MiB.
double statusMiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::atof(line.c_str() + std::strlen(field)) / 1024.0;
  }
  return 0;
}
void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

int pagesOf(const std::filesystem::path& pdf) {
  return std::atoi(rt::testing::infoField(rt::testing::pdfInfo(pdf.string()), "Pages").c_str());
}

void BM_PatientListingToPdf(benchmark::State& state) {
  prepare();
  const std::filesystem::path pdf =
      bench::openFullSizePractice() / "PDF" / "Listado de Pacientes.PDF";
  bench::WindowGapMeter gap;
  double largestGap = 0;
  int pages = 0;
  for (auto _ : state) {
    GLO::ModoListado = "P";
    gap.start();
    rt::testing::runOnThread([] { practice::runReportePacientes("", "+PAC:Nombre"); },
                             std::chrono::minutes(10));
    largestGap = std::max(largestGap, gap.stop());
    pages = pagesOf(pdf);
  }
  state.counters["pages"] = pages;
  state.counters["largest_gap_ms"] = largestGap;
}
BENCHMARK(BM_PatientListingToPdf)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();

// The peer: the same patients drawn by QPdfWriter as one line each, 55 a
// page, on the window thread.
void BM_PeerQPdfWriterSameRows(benchmark::State& state) {
  prepare();
  const std::filesystem::path pdf = bench::openFullSizePractice() / "PDF" / "peer.pdf";
  int pages = 0;
  for (auto _ : state) {
    QPdfWriter writer(QString::fromStdString(pdf.string()));
    writer.setResolution(1200);
    QPainter painter(&writer);
    painter.setFont(rt::reportFont("Arial", 9));
    const double scale = writer.resolution() / 1000.0;
    painter.scale(scale, scale);
    int line = 0;
    pages = 1;
    rt::Table& patients = core::Pacientes::table();
    patients.setToStart(core::Pacientes::PAS_002);
    while (patients.next() == 0) {
      if (line == 55) {
        writer.newPage();
        line = 0;
        ++pages;
      }
      const std::string_view name = core::PAC().Nombre.clipped();
      const std::string_view phone = core::PAC().Telefono.clipped();
      const QString text = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())) +
                           "   " +
                           QString::fromLatin1(phone.data(), static_cast<qsizetype>(phone.size()));
      painter.drawText(QRectF(500, 1000 + line * 170, 7000, 170), Qt::AlignLeft, text);
      ++line;
    }
    painter.end();
  }
  state.counters["pages"] = pages;
}
BENCHMARK(BM_PeerQPdfWriterSameRows)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();

// The export's kinds by their buttons: the spreadsheet (the table's row),
// the open spreadsheet and plain text.
struct ExportKind {
  const char* button;
  const char* extension;
};
constexpr ExportKind kExportKinds[] = {
    {"?EXCEL", ".xlsx"}, {"?OFFICE", ".ods"}, {"?ASCII", ".txt"}};

void BM_ExportEveryConsultation(benchmark::State& state) {
  prepare();
  const ExportKind kind = kExportKinds[state.range(0)];
  state.SetLabel(kind.extension);
  const std::filesystem::path file = bench::openFullSizePractice() / "Exportados" /
                                     (std::string("ExaminarConsultas8") + kind.extension);
  bench::WindowGapMeter gap;
  double largestGap = 0, peak = 0, before = 0;
  for (auto _ : state) {
    std::filesystem::remove(file);
    rt::testing::runOnThread(
        [&] {
          rt::testing::WindowScript script;
          script.on("Examinando el archivo de  Consultas", [&](rt::WindowDriver& w) {
            auto& list = static_cast<practice::ConsultationList&>(w);
            list.TodasLasCitas = 1;
            list.AplicarFiltrosConsultas();
            before = statusMiB("VmRSS:");
            resetPeakMemory();
            gap.start();
            core::PrepararExportacion(list.browser(), practice::consultationListExport(),
                                      list.window());
            largestGap = std::max(largestGap, gap.stop());
            peak = std::max(peak, statusMiB("VmHWM:"));
            w.post(rt::event::Accepted, w.control("?CLOSE"));
          });
          // The export window takes the list's title.
          script.on("Examinando el archivo de  Consultas", [&kind](rt::WindowDriver& w) {
            w.control<QCheckBox>("?L:PREVIEW")->setChecked(false);
            w.post(rt::event::Accepted, w.control(kind.button));
            w.post(rt::event::Accepted, w.control("?SALIR"));
          });
          practice::ExaminarConsultas();
        },
        std::chrono::minutes(10));
  }
  state.counters["rows"] = bench::fullRows();
  state.counters["file_MB"] =
      std::filesystem::exists(file) ? std::filesystem::file_size(file) / 1e6 : 0;
  state.counters["rss_before_MiB"] = before;
  state.counters["peak_MiB"] = peak;
  state.counters["largest_gap_ms"] = largestGap;
}
BENCHMARK(BM_ExportEveryConsultation)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return bench::runWindowBenchmarks(argc, argv, [] {
    core::registerTableManagers();
    core::installThreadRoutines();
    output::registerProcedures();
  });
}
