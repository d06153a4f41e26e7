#pragma once
// A practice that has run for years: every patient code a practice can
// number (65,535), half a million consultations and half a million
// appointments over ten years, ten physicians, a few covers. Built once per
// benchmark program through the table layer, in a data folder of the run
// (removed at exit), so each benchmark times the program's own reads at the
// size a practice reaches. VARNETA_BENCH_ROWS makes the consultations and
// appointments fewer (the short run of every benchmark uses it).
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_registration.h"
#include "platform/base/cp_literal.h"
#include "platform/base/paths.h"
#include "platform/data/database.h"

namespace bench {

constexpr int kFullPatients = 65535;
constexpr int kFullPhysicians = 10;
constexpr std::int32_t kFirstDay = 78866;  // 1 December 2016
constexpr std::int32_t kDays = 3650;

// Consultations (and as many appointments) the practice holds.
inline int fullRows() {
  static const int rows = [] {
    const char* wanted = std::getenv("VARNETA_BENCH_ROWS");
    const int n = wanted && *wanted ? std::atoi(wanted) : 500000;
    return n > 0 ? n : 500000;
  }();
  return rows;
}

// The date of consultation (and appointment) `n`: the rows spread evenly over
// the ten years, in the order they were added.
inline std::int32_t fullRowDate(int n) {
  return kFirstDay +
         static_cast<std::int32_t>(static_cast<std::int64_t>(n - 1) * kDays / fullRows());
}

// A patient name from a few Spanish names and surnames, accents and Ñ
// included, so searches and orders meet what a practice stores.
inline std::string fullPatientName(int p) {
  static const char* const surnames[] = {
      "Peña"_cp,      "González"_cp, "O'Hara",       "Ibáñez"_cp, "Martínez"_cp, "Ñandú"_cp,
      "Rodríguez"_cp, "López"_cp,    "Fernández"_cp, "Gómez"_cp,  "Díaz"_cp,     "Sánchez"_cp,
      "Romero",       "Suárez"_cp,   "Acuña"_cp,     "Benítez"_cp};
  static const char* const names[] = {"María"_cp, "José"_cp,   "Lucía"_cp,    "Andrés"_cp,
                                      "Sofía"_cp, "Martín"_cp, "Valentín"_cp, "Ana",
                                      "Jorge",    "Inés"_cp,   "Raúl"_cp,     "Belén"_cp};
  return std::string(surnames[p % 16]) + ", " + names[(p / 16) % 12] + " " + std::to_string(p);
}

// Opens the practice in a folder of this run, building it at the first call.
// The folder becomes the working folder; every table is open afterwards.
inline const std::filesystem::path& openFullSizePractice() {
  static const std::filesystem::path folder = [] {
    const std::filesystem::path f = scratchFolder("full-practice");
    std::filesystem::create_directories(f / "PDF");
    std::filesystem::current_path(f);
    setenv("VARNETA_WINDIR", f.c_str(), 1);
    rt::captureWorkingFolder();
    if (core::openPracticeDatabase(f) != 0 || core::openAllTables() != 0) std::abort();
    rt::beginTransaction();
    for (int c = 1; c <= 4; ++c) {
      core::Coberturas_Medicas::table().clear();
      core::COB().Cod_Cobertura = static_cast<std::uint16_t>(c);
      core::COB().Descripcion = "Cobertura " + std::to_string(c);
      if (core::Coberturas_Medicas::table().add() != 0) std::abort();
    }
    for (int m = 1; m <= kFullPhysicians; ++m) {
      core::Medicos::table().clear();
      core::MDC().Cod_Medico = static_cast<std::uint16_t>(m);
      core::MDC().Nombre = "Dr. Médico "_cp + std::to_string(m);
      if (core::Medicos::table().add() != 0) std::abort();
    }
    for (int p = 1; p <= kFullPatients; ++p) {
      core::Pacientes::table().clear();
      core::PAC().Cod_Paciente = static_cast<std::uint16_t>(p);
      core::PAC().Nombre = fullPatientName(p);
      core::PAC().Telefono = "351 " + std::to_string(4000000 + p);
      core::PAC().Cod_Cobertura = static_cast<std::uint16_t>(1 + p % 4);
      core::PAC().Fecha_Nacim = 20000 + p % 30000;
      if (core::Pacientes::table().add() != 0) std::abort();
    }
    static const char* const reasons[] = {"Control de rutina",     "Dolor de cabeza",
                                          "Certificado médico"_cp, "Resultados de análisis"_cp,
                                          "Fiebre y tos",          "Revisión anual"_cp};
    for (int n = 1; n <= fullRows(); ++n) {
      const auto patient =
          static_cast<std::uint16_t>(1 + (static_cast<std::int64_t>(n) * 7919) % kFullPatients);
      const auto physician = static_cast<std::uint16_t>(1 + n % kFullPhysicians);
      const std::int32_t day = fullRowDate(n);
      core::Turnos::table().clear();
      core::TUR().Cod_Turno = static_cast<std::uint32_t>(n);
      core::TUR().Cod_Medico = physician;
      core::TUR().Cod_Paciente = patient;
      core::TUR().Cod_Consulta = static_cast<std::uint32_t>(n);
      core::TUR().Fecha = day;
      core::TUR().Hora = 2880001 + (n % 40) * 90000;  // 08:00 onwards, every 15 minutes
      core::TUR().Nro_Absoluto = static_cast<std::uint32_t>(n % 40 + 1);
      core::TUR().Nombre = fullPatientName(patient);
      core::TUR().Motivo = reasons[n % 6];
      if (core::Turnos::table().add() != 0) std::abort();
      core::Consultas::table().clear();
      core::CON().Cod_Consulta = static_cast<std::uint32_t>(n);
      core::CON().Cod_Paciente = patient;
      core::CON().Cod_Medico = physician;
      core::CON().Cod_Turno = static_cast<std::uint32_t>(n);
      core::CON().Fecha = day;
      core::CON().Motivo = std::string(reasons[n % 6]) + " " + std::to_string(n);
      core::CON().Cod_TipoConsulta = 1;
      if (core::Consultas::table().add() != 0) std::abort();
      if (n % 50000 == 0) {
        if (rt::commitTransaction() != 0) std::abort();
        rt::beginTransaction();
      }
    }
    if (rt::commitTransaction() != 0) std::abort();
    return f;
  }();
  return folder;
}

}  // namespace bench
