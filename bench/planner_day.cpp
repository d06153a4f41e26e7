// The appointment planner's day: one physician's day of 60 slots and 200
// appointments (140 of them over-bookings), read from a Turnos table holding
// a month of 5,000 appointments of 10 physicians with 60,000 patients, and
// the build from what was read alone.
#include "practice/planner_day.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "core/frame/program_startup.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_registration.h"
#include "platform/data/database.h"

namespace {

constexpr std::int32_t kDay = 90000;  // a Monday
constexpr std::uint16_t kPhysician = 4;
constexpr int kPatients = 60000;
constexpr int kMonth = 5000;
constexpr int kPhysicians = 10;
constexpr int kSlots = 60;
constexpr int kOverBookings = 140;

constexpr std::int32_t at(int hour, int minute) { return hour * 360000 + minute * 6000 + 1; }
constexpr std::int32_t minutes(int m) { return m * 6000 + 1; }

void check(int rc) {
  if (rc != 0) std::abort();
}

// The day's sheet: 08:00-13:00 and 14:00-18:59, ten-minute consultations: 30
// slots, the break numbered 31000, 30 slots.
void addSheets() {
  for (std::uint16_t medico = 1; medico <= kPhysicians; ++medico) {
    core::Planilla::table().clear();
    core::PLA().CodPlanilla = medico;
    core::PLA().Cod_Medico = medico;
    core::PLA().FecVigenciaDesde = kDay - 400;
    core::PLA().FecVigenciaHasta = kDay + 400;
    core::PLA().DurConsulta = minutes(10);
    core::PLA().DurSobreturno = minutes(5);
    check(core::Planilla::table().add());
    core::PlanillaHorarios::table().clear();
    core::PLH().CodInterno = medico;
    core::PLH().CodPlanilla = medico;
    core::PLH().DiaSemanaNro = kDay % 7 + 1;
    core::PLH().HrEntrada1 = at(8, 0);
    core::PLH().HrSalida1 = at(13, 0);
    core::PLH().HrEntrada2 = at(14, 0);
    core::PLH().HrSalida2 = at(18, 59);
    check(core::PlanillaHorarios::table().add());
  }
}

void addAppointment(std::uint32_t code, std::uint16_t medico, std::int32_t date,
                    std::uint32_t number, const char* type) {
  core::Turnos::table().clear();
  core::TurnosBuffer& t = core::TUR();
  t.Cod_Turno = code;
  t.Cod_Medico = medico;
  t.Fecha = date;
  t.Nro_Absoluto = number;
  t.Hora = at(8, 0) + static_cast<std::int32_t>(number / 1000) * minutes(10);
  t.Duracion = std::string(type) == "STU" ? minutes(5) : minutes(10);
  t.Tipo = type;
  t.Cod_Paciente = 1 + code * 7919 % kPatients;
  t.Motivo = "Control " + std::to_string(code);
  check(core::Turnos::table().add());
}

struct Practice {
  std::filesystem::path folder;
  practice::DayInput input;
  Practice() {
    folder = bench::scratchFolder("planner");
    check(core::openPracticeDatabase(folder));
    check(core::openAllTables());
    check(rt::beginTransaction());
    for (int p = 1; p <= kPatients; ++p) {
      core::Pacientes::table().clear();
      core::PAC().Cod_Paciente = static_cast<std::uint16_t>(p);
      core::PAC().Nombre = "Paciente " + std::to_string(p);
      core::PAC().Telefono = "4555-" + std::to_string(p);
      check(core::Pacientes::table().add());
    }
    addSheets();
    // The day: every slot booked once and 140 over-bookings spread over them.
    std::uint32_t code = 0;
    for (int slot = 1; slot <= kSlots + 1; ++slot) {
      if (slot == 31) continue;  // the break's number
      addAppointment(++code, kPhysician, kDay, static_cast<std::uint32_t>(slot) * 1000, "TUR");
    }
    for (int i = 0; i < kOverBookings; ++i) {
      const int slot = 1 + i % 30;
      addAppointment(++code, kPhysician, kDay, static_cast<std::uint32_t>(slot * 1000 + 1 + i / 30),
                     "STU");
    }
    // Half the day's appointments were seen.
    for (std::uint32_t c = 1; c <= code; c += 2) {
      core::Consultas::table().clear();
      core::CON().Cod_Consulta = c;
      core::CON().Cod_Turno = c;
      core::CON().Cod_Paciente = static_cast<std::uint16_t>(1 + c * 7919 % kPatients);
      core::CON().Fecha = kDay;
      check(core::Consultas::table().add());
    }
    // The rest of the month, the other physicians and days.
    while (code < kMonth) {
      const auto medico = static_cast<std::uint16_t>(1 + code % kPhysicians);
      const std::int32_t date = kDay - 15 + static_cast<std::int32_t>(code % 30);
      if (medico == kPhysician && date == kDay) {
        ++code;
        continue;
      }
      ++code;
      addAppointment(code, medico, date, (1 + code % 60) * 1000, "TUR");
    }
    check(rt::commitTransaction());
    input = practice::readPlannerDay(kPhysician, kDay);
    if (input.appointments.size() != kSlots + kOverBookings || !input.sheet) std::abort();
  }
  ~Practice() {
    core::closeAllTables();
    rt::closeDatabase();
    std::filesystem::remove_all(folder);
  }
};

Practice& practiceData() {
  static Practice p;
  return p;
}

void BM_DayBuildFromTables(benchmark::State& state) {
  Practice& p = practiceData();
  practice::PlannerDay day;
  day.Cod_Medico = kPhysician;
  day.FechaTurno = kDay;
  for (auto _ : state) {
    practice::ArmarPlanillaDia(day, practice::readPlannerDay(kPhysician, kDay));
    benchmark::DoNotOptimize(practice::QTU().data());
  }
  state.counters["rows"] = static_cast<double>(practice::QTU().size());
  (void)p;
}
BENCHMARK(BM_DayBuildFromTables)->Unit(benchmark::kMillisecond);

void BM_PureDayBuild(benchmark::State& state) {
  Practice& p = practiceData();
  practice::PlannerDay day;
  day.Cod_Medico = kPhysician;
  day.FechaTurno = kDay;
  for (auto _ : state) {
    practice::ArmarPlanillaDia(day, p.input);
    benchmark::DoNotOptimize(practice::QTU().data());
  }
  state.counters["rows"] = static_cast<double>(practice::QTU().size());
}
BENCHMARK(BM_PureDayBuild)->Unit(benchmark::kMicrosecond);

}  // namespace
