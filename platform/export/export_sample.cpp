#include "platform/export/export_sample.h"

#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"

namespace rt {
namespace {

std::string day(int d, int m, int y) { return std::to_string(makeDate(m, d, y)); }
std::string time(int h, int m) { return std::to_string(makeTime(h, m)); }

}  // namespace

ExportFileTable sampleExportTable() {
  ExportFileTable t;
  t.title = "Pacientes & Cía"_cp;
  t.columns = {{"Nombre", "@s30", false},
               {"Importe", "@n10.2", true},
               {"Fecha", "@d17", false},
               {"Hora", "@t7", false},
               {"Código"_cp, "@s10", true}};
  t.rows = {{"José Ñandú"_cp, "12.5", day(2, 10, 2025), time(14, 30), "A1"},
            {"=1+1", "1234.56", "0", "0", ""},
            {std::string("<&>\x01"), "-3", day(29, 2, 2000), time(8, 5), "B2"},
            {"línea uno\r\nlínea dos"_cp, "0", day(1, 1, 1990), "", "C3"}};
  return t;
}

}  // namespace rt
