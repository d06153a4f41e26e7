// The patient windows on a practice of 60,000 patients: opening the list
// (first page shown), handing every row to the export, a keystroke of the
// locality type-ahead over 20,000 localities, and opening the form on a
// patient with 500 consultations.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "bench/bench_main.h"
#include "core/aids/patient_services.h"
#include "core/frame/activity_log.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/export_handover.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "platform/base/procedures.h"
#include "platform/data/database.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/testing/window_test_kit.h"
#include "practice/patient_form.h"
#include "practice/patient_list.h"

namespace {

constexpr int kPatients = 60000;
constexpr int kLocalities = 20000;
constexpr int kVisits = 500;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::filesystem::path dataFolder() { return bench::scratchFolder("patients"); }

void fill() {
  static bool filled = false;
  if (filled) return;
  filled = true;
  if (core::openPracticeDatabase(dataFolder()) != 0 || core::openAllTables() != 0) std::abort();
  core::BuildArchivoLog();
  rt::beginTransaction();
  unsigned seed = 4242;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int i = 1; i <= kLocalities; ++i) {
    core::Localidades::table().clear();
    core::LOC().Cod_Postal = static_cast<std::uint32_t>(i);
    char name[40];
    std::snprintf(name, sizeof name, "%c%c%c%c Localidad %05d", 'A' + next() % 26,
                  'a' + next() % 26, 'a' + next() % 26, 'a' + next() % 26, i);
    core::LOC().NombreLocalidad = name;
    if (core::Localidades::table().add() != 0) std::abort();
  }
  for (int i = 1; i <= kPatients; ++i) {
    core::Pacientes::table().clear();
    core::PAC().Cod_Paciente = static_cast<std::uint16_t>(i);
    char name[40];
    std::snprintf(name, sizeof name, "%c%c%c paciente %05u", 'A' + next() % 26, 'a' + next() % 26,
                  'a' + next() % 26, next() % 100000);
    core::PAC().Nombre = name;
    core::PAC().TipoDoc = "DNI";
    core::PAC().NroDoc = 20000000u + static_cast<std::uint32_t>(i);
    core::PAC().Cod_Postal = 1u + next() % kLocalities;
    core::PAC().Ant_Personales = "Sin antecedentes de relevancia.";
    if (core::Pacientes::table().add() != 0) std::abort();
  }
  for (int i = 1; i <= kVisits; ++i) {
    core::Consultas::table().clear();
    core::CON().Cod_Consulta = static_cast<std::uint32_t>(i);
    core::CON().Cod_Paciente = 1;
    core::CON().Fecha = 80000 + i;
    core::CON().Motivo = "Control " + std::to_string(i);
    core::CON().Notas = "{\\rtf1\\ansi Paciente estable, {\\b sin cambios}.\\par}";
    if (core::Consultas::table().add() != 0) std::abort();
  }
  if (rt::commitTransaction() != 0) std::abort();
}

// Runs the patient list; `inside` runs once it is open and answers seconds.
double withList(const std::function<double(practice::PatientList&)>& inside) {
  double seconds = 0;
  rt::testing::runOnThread(
      [&] {
        rt::testing::WindowScript script;
        script.on("Archivo de Pacientes:", [&](rt::WindowDriver& w) {
          seconds = inside(static_cast<practice::PatientList&>(w));
          w.post(rt::event::Accepted, w.control("?CLOSE"));
        });
        practice::PatientList list;
        list.Run();
      },
      std::chrono::minutes(5));
  return seconds;
}

void BM_OpenPatientList(benchmark::State& state) {
  fill();
  for (auto _ : state) {
    Clock::time_point start;
    double opened = 0;
    rt::testing::runOnThread([&] {
      rt::testing::WindowScript script;
      script.on("Archivo de Pacientes:", [&](rt::WindowDriver& w) {
        opened = since(start);
        w.post(rt::event::Accepted, w.control("?CLOSE"));
      });
      start = Clock::now();
      practice::PatientList list;
      list.Run();
    });
    state.SetIterationTime(opened);
  }
}
BENCHMARK(BM_OpenPatientList)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_HandOverEveryPatient(benchmark::State& state) {
  fill();
  std::size_t rows = 0;
  rt::registerProcedure(core::kExportWindow, [&rows](const rt::ProcedureArgs&) {
    rows = core::allExportRows(*core::currentExportHandOver()->rows, 1).size();
    return 0;
  });
  for (auto _ : state) {
    state.SetIterationTime(withList([](practice::PatientList& list) {
      const auto start = Clock::now();
      core::PrepararExportacion(list.browser(), practice::patientListExport(), list.window());
      return since(start);
    }));
    state.counters["rows"] = static_cast<double>(rows);
  }
}
BENCHMARK(BM_HandOverEveryPatient)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LocalityKeystroke(benchmark::State& state) {
  fill();
  for (auto _ : state) {
    double seconds = 0;
    rt::testing::runOnThread([&] {
      core::relate(core::Localidades::def()).open();
      const auto start = Clock::now();
      for (char c = 'a'; c <= 'z'; ++c) {
        benchmark::DoNotOptimize(core::CompletarLocalidad(std::string("B") + c, 2, false));
      }
      seconds = since(start) / 26;
      core::relate(core::Localidades::def()).close();
    });
    state.SetIterationTime(seconds);
  }
}
BENCHMARK(BM_LocalityKeystroke)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20);

void BM_OpenFormWith500Consultations(benchmark::State& state) {
  fill();
  for (auto _ : state) {
    Clock::time_point start;
    double opened = 0;
    int shown = 0;
    rt::testing::runOnThread([&] {
      rt::testing::WindowScript script;
      script.on("Actualizando un registro de Pacientes", [&](rt::WindowDriver& w) {
        opened = since(start);
        shown = static_cast<practice::PatientForm&>(w).history()->RecordsInView();
        w.post(rt::event::Accepted, w.control("?CANCEL"));
      });
      core::PAC().Cod_Paciente = 1;
      core::Pacientes::table().fetch(core::Pacientes::PAS_001);
      start = Clock::now();
      rt::ThreadRequest() = core::request::Change;
      practice::FormularioPacientes();
    });
    state.SetIterationTime(opened);
    state.counters["rows shown"] = shown;
  }
}
BENCHMARK(BM_OpenFormWith500Consultations)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  return bench::runWindowBenchmarks(argc, argv, [] {
    core::registerTableManagers();
    core::installThreadRoutines();
  });
}
