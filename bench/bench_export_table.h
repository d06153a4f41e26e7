#pragma once
// The patients' list that the export benchmarks write: 12 columns of text,
// numbers, dates and times, `rows` rows.
#include <string>

#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/export/export_file.h"

namespace bench {

inline rt::ExportFileTable patientsExportTable(int rows) {
  rt::ExportFileTable built;
  built.title = "Examinando Pacientes";
  built.columns = {{"Código"_cp, "@n6", false},
                   {"Nombre", "@s40", false},
                   {"Documento", "@s12", false},
                   {"Nacimiento", "@d17", false},
                   {"Domicilio", "@s50", false},
                   {"Teléfono"_cp, "@s20", false},
                   {"Cobertura", "@s30", false},
                   {"Saldo", "@n12.2", true},
                   {"Última consulta"_cp, "@d17", false},
                   {"Hora", "@t7", false},
                   {"Motivo", "@s60", true},
                   {"Visitas", "@n5", true}};
  built.rows.reserve(static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    built.rows.push_back(
        {std::to_string(r + 1), "Pérez Gómez, María José "_cp + std::to_string(r),
         std::to_string(20000000 + r),
         std::to_string(rt::makeDate(1 + r % 12, 1 + r % 28, 1940 + r % 70)),
         "Av. Siempreviva " + std::to_string(r % 9000) + ", Córdoba"_cp,
         "0351-15-" + std::to_string(400000 + r), r % 3 == 0 ? "OSDE 210" : "PAMI",
         std::to_string(r % 1000) + "." + std::to_string(r % 100),
         r % 5 == 0 ? "0" : std::to_string(rt::makeDate(1 + r % 12, 1 + r % 28, 2024)),
         std::to_string(rt::makeTime(8 + r % 10, r % 60)),
         r % 7 == 0 ? "" : "Control de presión arterial & <análisis>"_cp, std::to_string(r % 40)});
  }
  return built;
}

// The 50,000-row table, built once per run.
constexpr int kExportRows = 50000;
inline const rt::ExportFileTable& exportTable() {
  static const rt::ExportFileTable t = patientsExportTable(kExportRows);
  return t;
}

}  // namespace bench
