#pragma once
// The practice the listing benchmarks read: 500 patients under one medical
// cover and 10,000 consultations in a data folder of the run, every table
// open, and the report destination settled without its window.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/shapes/report_destination.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_registration.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/data/database.h"
#include "platform/ui/event_loop.h"

namespace bench {

constexpr int kConsultations = 10000;

// Once the application exists; the folder becomes the working folder.
inline void openConsultationPractice(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder / "PDF");
  std::filesystem::current_path(folder);
  setenv("VARNETA_WINDIR", folder.c_str(), 1);
  rt::captureWorkingFolder();
  rt::installWindowLayer();
  if (core::openPracticeDatabase(folder) != 0 || core::openAllTables() != 0) std::abort();
  rt::beginTransaction();
  core::Coberturas_Medicas::table().clear();
  core::COB().Cod_Cobertura = 1;
  core::COB().Descripcion = "OSDE 210";
  core::Coberturas_Medicas::table().add();
  for (int p = 1; p <= 500; ++p) {
    core::Pacientes::table().clear();
    core::PAC().Cod_Paciente = p;
    core::PAC().Nombre = "Paciente de prueba " + std::to_string(p);
    core::PAC().Telefono = "4555-" + std::to_string(1000 + p);
    core::PAC().Cod_Cobertura = 1;
    core::PAC().Fecha_Nacim = 70000 + p;
    core::Pacientes::table().add();
  }
  for (int c = 1; c <= kConsultations; ++c) {
    core::Consultas::table().clear();
    core::CON().Cod_Consulta = c;
    core::CON().Cod_Paciente = c % 500 + 1;
    core::CON().Fecha = 80000 + c / 7;
    core::CON().Motivo = "Control de rutina, consulta " + std::to_string(c);
    core::Consultas::table().add();
  }
  rt::commitTransaction();
  rt::registerProcedure("VentanaParametrosListado", [](const rt::ProcedureArgs&) {
    core::settleReportDestination();
    return rt::kCompleted;
  });
}

}  // namespace bench
