// The appointment sheet as a PDF read back with poppler: every row of the
// planner's day in slot order with its type text and its phone on one line,
// the chosen physician, and the queue left in slot order.
#include "practice/appointment_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/report_destination.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "core/testing/report_practice.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/testing/pdf_probe.h"
#include "platform/ui/testing/window_test_kit.h"
#include "practice/planner_day.h"

namespace practice {
namespace {

constexpr std::int32_t at(int hour, int minute) { return hour * 360000 + minute * 6000 + 1; }
constexpr std::int32_t minutes(int m) { return m * 6000 + 1; }
constexpr char kWordyPhone[] = "0351-4442222 / 351-155550005 (cel.)";

class AppointmentReportTest : public core::testing::ReportPractice {
 protected:
  AppointmentReportTest() : ReportPractice("sheet") {}
  static void addPhysician(int code, const char* name, int speciality) {
    core::Medicos::table().clear();
    core::MDC().Cod_Medico = static_cast<std::uint16_t>(code);
    core::MDC().Nombre = name;
    core::MDC().Cod_Especialidad = static_cast<std::uint16_t>(speciality);
    ASSERT_EQ(core::Medicos::table().add(), 0);
  }
  // A day of 08:00-09:00 and 10:00-11:00 with 20-minute slots: three slots,
  // the break between its separators, three slots; one booked slot and an
  // over-booking after it.
  static void buildDay() {
    PlannerDay day;
    day.Cod_Medico = 3;
    day.FechaTurno = rt::makeDate(12, 10, 2026);
    DayAppointment booked;
    booked.Cod_Turno = 1;
    booked.Tipo = "TUR";
    booked.Nro_Absoluto = 2000;
    booked.Hora = at(8, 20);
    booked.Duracion = minutes(20);
    booked.Nombre = "Juan Sin Ficha";
    booked.Telefono = "4555-0101";
    booked.Motivo = "Control anual";
    DayAppointment over = booked;
    over.Cod_Turno = 2;
    over.Tipo = "STU";
    over.Nro_Absoluto = 2001;
    over.Duracion = minutes(10);
    over.Nombre = "Maria Extra";
    over.Motivo = "Receta";
    over.Telefono = kWordyPhone;
    ArmarPlanillaDia(day,
                     DayInput{{},
                              DaySheet{7, minutes(20), at(8, 0), at(9, 0), at(10, 0), at(11, 0)},
                              {booked, over}});
    GLO::CodMedicoTurno = 3;
    GLO::FechaTurno = day.FechaTurno;
  }
  static std::string run() {
    GLO::ModoListado = "P";
    EXPECT_TRUE(rt::testing::runOnThread([] { ReporteTurnos(); }, std::chrono::seconds(60)));
    const std::filesystem::path pdf = rt::workingFolder() / "PDF" / "Listado de Turnos.PDF";
    if (!std::filesystem::exists(pdf)) return {};
    std::string text = rt::testing::pdfText(pdf.string());
    rt::testing::keepForReview(pdf);
    std::filesystem::remove(pdf);
    return text;
  }
};

TEST_F(AppointmentReportTest, PrintsEveryRowInSlotOrderUnderTheChosenPhysician) {
  core::Especialidades::table().clear();
  core::ESP().Cod_Especialidad = 2;
  core::ESP().Descripcion = "Clínica Médica"_cp;
  ASSERT_EQ(core::Especialidades::table().add(), 0);
  addPhysician(1, "Dr. Primero", 0);
  addPhysician(3, "Dra. Ana Gomez", 2);
  buildDay();
  const std::string text = run();
  ASSERT_FALSE(text.empty());
  // Rows in slot number order, each with its type's text.
  const char* expected[] = {"Turno",         "Juan Sin Ficha", "Maria Extra",   "Turno",
                            "Indeterminado", "Tiempo Libre",   "Indeterminado", "Turno",
                            "Turno",         "Turno"};
  std::size_t from = text.find("Tipo");
  ASSERT_NE(from, std::string::npos) << text;
  for (const char* piece : expected) {
    const std::size_t found = text.find(piece, from);
    ASSERT_NE(found, std::string::npos) << piece << " after " << from << "\n" << text;
    from = found + 1;
  }
  EXPECT_NE(text.find("SobreTurno"), std::string::npos);
  EXPECT_NE(text.find("Control anual"), std::string::npos);
  EXPECT_NE(text.find(kWordyPhone), std::string::npos) << "a phone on one line, whole\n" << text;
  EXPECT_NE(text.find("Profesional:"), std::string::npos);
  EXPECT_NE(text.find("Dra. Ana Gomez - Clínica Médica"), std::string::npos) << text;
  // The chosen physician heads the page, not the first one the run reads.
  EXPECT_EQ(text.find("Dr. Primero"), std::string::npos);
  EXPECT_NE(text.find("Planilla de Turnos"), std::string::npos);
  EXPECT_NE(text.find("10/12/2026"), std::string::npos);
  for (std::size_t i = 1; i < QTU().size(); ++i)
    EXPECT_LT(QTU()[i - 1].NRO_ABSOLUTO, QTU()[i].NRO_ABSOLUTO);
}

TEST_F(AppointmentReportTest,
       WithoutPhysiciansNothingIsPrintedAndAMissingSpecialityLeavesItsPartEmpty) {
  buildDay();
  EXPECT_EQ(run().find("Juan Sin Ficha"), std::string::npos);
  addPhysician(3, "Dr. Solo", 9);
  buildDay();
  const std::string text = run();
  EXPECT_NE(text.find("Dr. Solo -"), std::string::npos) << text;
  EXPECT_NE(text.find("Juan Sin Ficha"), std::string::npos);
}

}  // namespace
}  // namespace practice
