// Evaluating a compiled filter over 100,000 bound records, as a list or a
// report walks its view: each record is copied into the bound buffer and the
// filter evaluated. Records per second are reported as items per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/cp1252.h"
#include "platform/base/expression.h"

namespace {

struct Patient {
  char Nombre[90];
  char Direccion[90];
  std::int32_t Cod_Paciente;
  std::int32_t Fecha_Nacim;
  std::uint8_t Inactivo;
};

constexpr int kRecords = 100000;

const std::vector<Patient>& records() {
  static const std::vector<Patient> rows = [] {
    const char* surnames[] = {"GARCIA",    "PEREZ", "LOPEZ", "MARTINEZ", "RODRIGUEZ",
                              "FERNANDEZ", "GOMEZ", "DIAZ",  "SANCHEZ",  "ROMERO"};
    const char* names[] = {"Juan", "Maria", "Ana", "Jose", "Lucia", "Pedro", "Sofia"};
    std::vector<Patient> out(kRecords);
    for (int i = 0; i < kRecords; ++i) {
      Patient& p = out[i];
      const std::string name = std::string(surnames[(i * 7) % 10]) + " " +
                               surnames[(i * 3 + 1) % 10] + ", " + names[i % 7];
      const std::string address = "Calle " + std::to_string(i % 500) + " Nro " + std::to_string(i);
      std::memcpy(p.Nombre, rt::fixedWidth(name, sizeof p.Nombre).data(), sizeof p.Nombre);
      std::memcpy(p.Direccion, rt::fixedWidth(address, sizeof p.Direccion).data(),
                  sizeof p.Direccion);
      p.Cod_Paciente = i + 1;
      p.Fecha_Nacim = 60000 + (i * 37) % 25000;
      p.Inactivo = i % 5 == 0;
    }
    return out;
  }();
  return rows;
}

void filterOver(benchmark::State& state, const char* text) {
  const std::vector<Patient>& rows = records();
  Patient buffer{};
  rt::BindingTable names;
  names.bind("PAC:Nombre", rt::Binding::textAt(buffer.Nombre, sizeof buffer.Nombre));
  names.bind("PAC:Direccion", rt::Binding::textAt(buffer.Direccion, sizeof buffer.Direccion));
  names.bind("PAC:Cod_Paciente", rt::Binding::numberAt(&buffer.Cod_Paciente));
  names.bind("PAC:Fecha_Nacim", rt::Binding::numberAt(&buffer.Fecha_Nacim));
  names.bind("PAC:Inactivo", rt::Binding::numberAt(&buffer.Inactivo));
  const rt::FilterExpression filter(text, names);
  if (!filter.compiled()) {
    state.SkipWithError("the filter does not compile");
    return;
  }
  std::int64_t matched = 0;
  for (auto _ : state) {
    for (const Patient& row : rows) {
      std::memcpy(&buffer, &row, sizeof buffer);
      matched += filter.matches();
    }
    benchmark::DoNotOptimize(matched);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(rows.size()));
  state.counters["matched"] =
      static_cast<double>(matched) / static_cast<double>(state.iterations());
}

void BM_ActiveOnly(benchmark::State& state) { filterOver(state, "PAC:Inactivo = 0"); }
void BM_SearchByName(benchmark::State& state) {
  filterOver(state, "MATCH(PAC:Nombre,'*garcia*',17)");
}
void BM_DateRangeAndName(benchmark::State& state) {
  filterOver(state,
             "PAC:Fecha_Nacim >= 70000 AND PAC:Fecha_Nacim <= 80000 AND "
             "(UPPER(CLIP(PAC:Nombre)) & ' ' & CLIP(PAC:Direccion) = 'X' OR "
             "INSTRING('Nro 9', PAC:Direccion, 1, 1) > 0)");
}
void BM_TextEquality(benchmark::State& state) {
  filterOver(state, "PAC:Nombre = 'GARCIA LOPEZ, Ana' OR PAC:Cod_Paciente = '77'");
}

BENCHMARK(BM_ActiveOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchByName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateRangeAndName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextEquality)->Unit(benchmark::kMillisecond);

}  // namespace
