// The day's input read from the tables: the sheet valid on the date (the
// earliest when two are), its weekday row, holidays, and the appointments
// with their patients and consultations.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_registration.h"
#include "core/testing/practice_folder.h"
#include "platform/base/cp_literal.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "practice/planner_day.h"

namespace practice {
namespace {

constexpr std::int32_t kMonday = 90000;
static_assert(kMonday % 7 == 1);

class PlannerDayReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::path folder;
    ASSERT_NO_FATAL_FAILURE(
        core::testing::openFreshPractice("planner", folder, core::testing::Tables::AllOpen));
  }
  void TearDown() override {
    core::closeAllTables();
    rt::closeDatabase();
  }
  static void addSheet(std::uint32_t code, std::uint16_t medico, std::int32_t from, std::int32_t to,
                       std::int32_t morningEnd) {
    core::Planilla::table().clear();
    core::PLA().CodPlanilla = code;
    core::PLA().Cod_Medico = medico;
    core::PLA().FecVigenciaDesde = from;
    core::PLA().FecVigenciaHasta = to;
    core::PLA().DurConsulta = 20 * 6000 + 1;
    ASSERT_EQ(core::Planilla::table().add(), 0);
    core::PlanillaHorarios::table().clear();
    core::PLH().CodInterno = code;
    core::PLH().CodPlanilla = code;
    core::PLH().DiaSemanaNro = 2;  // Monday
    core::PLH().HrEntrada1 = 8 * 360000 + 1;
    core::PLH().HrSalida1 = morningEnd;
    ASSERT_EQ(core::PlanillaHorarios::table().add(), 0);
  }
  static void addAppointment(std::uint32_t code, std::uint16_t medico, std::int32_t date,
                             std::uint32_t patient) {
    core::Turnos::table().clear();
    core::TUR().Cod_Turno = code;
    core::TUR().Cod_Medico = medico;
    core::TUR().Fecha = date;
    core::TUR().Cod_Paciente = patient;
    core::TUR().Nro_Absoluto = code * 1000;
    core::TUR().Tipo = "TUR";
    core::TUR().Coseguro.setScaled(1234);
    ASSERT_EQ(core::Turnos::table().add(), 0);
  }
};

TEST_F(PlannerDayReaderTest, TakesTheEarliestValidSheetAndItsWeekdayRow) {
  addSheet(1, 5, kMonday - 30, 0, 12 * 360000 + 1);  // blank end: never valid
  addSheet(2, 5, kMonday - 20, kMonday + 10, 11 * 360000 + 1);
  addSheet(3, 5, kMonday - 10, kMonday + 10, 10 * 360000 + 1);
  addSheet(4, 6, kMonday - 40, kMonday + 40, 9 * 360000 + 1);
  DayInput monday = readPlannerDay(5, kMonday);
  ASSERT_TRUE(monday.sheet);
  EXPECT_EQ(monday.sheet->CodPlanilla, 2u);
  EXPECT_EQ(monday.sheet->HrSalida1, 11 * 360000 + 1);
  EXPECT_FALSE(readPlannerDay(5, kMonday + 1).sheet) << "no Tuesday row";
  EXPECT_FALSE(readPlannerDay(5, kMonday + 14).sheet) << "past every validity";
  EXPECT_FALSE(readPlannerDay(7, kMonday).sheet) << "a physician without sheets";
}

TEST_F(PlannerDayReaderTest, ReadsHolidaysAndTheDaysAppointments) {
  addSheet(2, 5, kMonday - 20, kMonday + 10, 12 * 360000 + 1);
  core::Pacientes::table().clear();
  core::PAC().Cod_Paciente = 40;
  core::PAC().Nombre = "Núñez, Inés"_cp;
  core::PAC().Telefono = "4555-1000";
  ASSERT_EQ(core::Pacientes::table().add(), 0);
  core::Consultas::table().clear();
  core::CON().Cod_Consulta = 900;
  core::CON().Cod_Paciente = 40;
  core::CON().Cod_Turno = 2;
  ASSERT_EQ(core::Consultas::table().add(), 0);
  addAppointment(1, 5, kMonday, 0);
  addAppointment(2, 5, kMonday, 40);
  addAppointment(3, 5, kMonday, 41);  // a patient no longer stored
  addAppointment(4, 5, kMonday + 7, 40);
  addAppointment(5, 6, kMonday, 40);

  DayInput day = readPlannerDay(5, kMonday);
  ASSERT_EQ(day.appointments.size(), 3u);
  EXPECT_EQ(day.appointments[0].Coseguro, 1234);
  EXPECT_FALSE(day.appointments[0].patientName);
  EXPECT_EQ(day.appointments[1].patientName.value_or(""), "Núñez, Inés"_cp);
  EXPECT_EQ(day.appointments[1].patientPhone, "4555-1000");
  EXPECT_EQ(day.appointments[1].consultation, 900u);
  EXPECT_FALSE(day.appointments[2].patientName);
  EXPECT_EQ(day.appointments[2].consultation, 0u);

  core::Feriados::table().clear();
  core::FER().Cod_Feriado = 1;
  core::FER().Fecha = kMonday;
  core::FER().Descripcion = "Carnaval";
  ASSERT_EQ(core::Feriados::table().add(), 0);
  DayInput holiday = readPlannerDay(5, kMonday);
  EXPECT_EQ(holiday.holiday.value_or(""), "Carnaval");
  EXPECT_TRUE(holiday.appointments.empty());
}

}  // namespace
}  // namespace practice
