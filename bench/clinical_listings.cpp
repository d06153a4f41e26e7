// The clinical listings on a large practice: one patient's history of 300
// consultations with 5,000-character notes among 200,000 consultations
// written as a PDF (pages per second), the patient listing of 50,000
// patients as a PDF, and opening the consultation list with its patient
// combo over 65,000 patients.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "bench/bench_main.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/report_destination.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/data/database.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/testing/pdf_probe.h"
#include "platform/ui/testing/window_test_kit.h"
#include "practice/consultation_list.h"
#include "practice/history_report.h"
#include "practice/name_chooser.h"
#include "practice/patient_reports.h"

namespace {

constexpr int kPatients = 65000;
constexpr int kListedPatients = 50000;  // active ones, the listing's filter
constexpr int kConsultations = 200000;
constexpr int kHistoryVisits = 300;
constexpr int kHistoryPatient = 4321;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::filesystem::path dataFolder() { return bench::scratchFolder("listings"); }

// A note of about 5,000 characters of rich text.
std::string longNote(int n) {
  std::string note = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
  while (note.size() < 5000) {
    note += "Evoluci\\'f3n " + std::to_string(n) +
            ": paciente estable, {\\b sin cambios} en la medicaci\\'f3n; se indica control.\\par ";
  }
  return note + "}";
}

void fill() {
  static bool filled = false;
  if (filled) return;
  filled = true;
  std::filesystem::current_path(dataFolder());
  rt::captureWorkingFolder();
  if (core::openPracticeDatabase(dataFolder()) != 0 || core::openAllTables() != 0) std::abort();
  rt::beginTransaction();
  unsigned seed = 777;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int i = 1; i <= 200; ++i) {
    core::Localidades::table().clear();
    core::LOC().Cod_Postal = static_cast<std::uint32_t>(i);
    core::LOC().NombreLocalidad = "Localidad " + std::to_string(i);
    if (core::Localidades::table().add() != 0) std::abort();
  }
  for (int i = 1; i <= kPatients; ++i) {
    core::Pacientes::table().clear();
    core::PAC().Cod_Paciente = static_cast<std::uint16_t>(i);
    char name[40];
    std::snprintf(name, sizeof name, "%c%c%c paciente %05u", 'A' + next() % 26, 'a' + next() % 26,
                  'a' + next() % 26, next() % 100000);
    core::PAC().Nombre = name;
    core::PAC().Direccion = "Calle " + std::to_string(i);
    core::PAC().Telefono = "4555-" + std::to_string(i % 10000);
    core::PAC().Cod_Postal = 1u + next() % 200;
    core::PAC().Fecha_Nacim = 60000 + static_cast<int>(next() % 20000);
    core::PAC().Inactivo = i > kListedPatients ? 1 : 0;
    if (core::Pacientes::table().add() != 0) std::abort();
  }
  for (int i = 1; i <= kConsultations; ++i) {
    core::Consultas::table().clear();
    core::CON().Cod_Consulta = static_cast<std::uint32_t>(i);
    const bool history = i % (kConsultations / kHistoryVisits) == 0;
    core::CON().Cod_Paciente =
        static_cast<std::uint16_t>(history ? kHistoryPatient : 1 + next() % kPatients);
    core::CON().Fecha = 75000 + static_cast<int>(next() % 8000);
    core::CON().Motivo = "Control " + std::to_string(i);
    core::CON().Notas = history ? longNote(i) : "{\\rtf1\\ansi Sin novedad.\\par}";
    if (core::Consultas::table().add() != 0) std::abort();
  }
  if (rt::commitTransaction() != 0) std::abort();
  GLO::UsuarioSistema = "Consultorio Central";
  rt::registerProcedure("VentanaParametrosListado", [](const rt::ProcedureArgs&) {
    core::settleReportDestination();
    return rt::kCompleted;
  });
}

int pagesOf(const std::filesystem::path& pdf) {
  return std::atoi(rt::testing::infoField(rt::testing::pdfInfo(pdf.string()), "Pages").c_str());
}

void BM_HistoryOf300LongConsultations(benchmark::State& state) {
  fill();
  const std::filesystem::path pdf = dataFolder() / "PDF" / "Listado de Historia Clínica.PDF";
  int pages = 0;
  for (auto _ : state) {
    GLO::ModoListado = "P";
    rt::testing::runOnThread([] { practice::runReporteHistoriaClinicaFiltrada(kHistoryPatient); },
                             std::chrono::minutes(10));
    pages = pagesOf(pdf);
  }
  state.counters["pages"] = pages;
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_HistoryOf300LongConsultations)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

void BM_PatientListingOf50000(benchmark::State& state) {
  fill();
  const std::filesystem::path pdf = dataFolder() / "PDF" / "Listado de Pacientes.PDF";
  int pages = 0;
  for (auto _ : state) {
    GLO::ModoListado = "P";
    rt::testing::runOnThread(
        [] { practice::runReportePacientes("(PAC:Inactivo = 0)", "+PAC:Nombre"); },
        std::chrono::minutes(10));
    pages = pagesOf(pdf);
  }
  state.counters["pages"] = pages;
  state.counters["patients/s"] = benchmark::Counter(static_cast<double>(kListedPatients),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PatientListingOf50000)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_OpenConsultationList(benchmark::State& state) {
  fill();
  for (auto _ : state) {
    Clock::time_point start;
    double opened = 0;
    int names = 0;
    rt::testing::runOnThread([&] {
      rt::testing::WindowScript script;
      script.on("Examinando el archivo de  Consultas", [&](rt::WindowDriver& w) {
        opened = since(start);
        names = static_cast<practice::ConsultationList&>(w).patients().loaded();
        w.post(rt::event::Accepted, w.control("?CLOSE"));
      });
      start = Clock::now();
      practice::ExaminarConsultas();
    });
    state.SetIterationTime(opened);
    state.counters["names loaded"] = names;
  }
}
BENCHMARK(BM_OpenConsultationList)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  setenv("VARNETA_WINDIR", dataFolder().c_str(), 1);
  return bench::runWindowBenchmarks(argc, argv, [] {
    core::registerTableManagers();
    core::installThreadRoutines();
  });
}
