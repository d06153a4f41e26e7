// The system values of a letter read from the tables: every system reference
// of a patient and a physician with their catalogues, the date in words,
// missing records giving empty values, and no patient chosen (code 0) giving
// empty values although the thread's buffer still holds the last one read.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/testing/practice_folder.h"
#include "letters/macro_substitution.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/testing/fixed_clock.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/rtf_reader.h"

namespace letters {
namespace {

const rt::TableDef* const kTables[] = {
    &core::Pacientes::def(),          &core::Medicos::def(),        &core::Localidades::def(),
    &core::Coberturas_Medicas::def(), &core::Especialidades::def(), &core::Macros::def()};

class SystemMacroValues : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::path folder;
    ASSERT_NO_FATAL_FAILURE(core::testing::openFreshPractice("values", folder));
    core::TableManagersInit();
    for (const rt::TableDef* def : kTables)
      ASSERT_EQ(core::access(*def).open(), core::level::Benign);
    clock_.emplace(rt::makeDate(9, 5, 2026), rt::makeTime(10, 0));

    core::Localidades::table().clear();
    core::LOC().Cod_Postal = 5000;
    core::LOC().NombreLocalidad = "CORDOBA CAPITAL";
    ASSERT_EQ(core::Localidades::table().add(), 0);
    core::Coberturas_Medicas::table().clear();
    core::COB().Cod_Cobertura = 3;
    core::COB().Descripcion = "osde plan 210";
    ASSERT_EQ(core::Coberturas_Medicas::table().add(), 0);
    core::Especialidades::table().clear();
    core::ESP().Cod_Especialidad = 2;
    core::ESP().Descripcion = "CLINICA MEDICA";
    ASSERT_EQ(core::Especialidades::table().add(), 0);

    addPatient(1, "PEÑA {HIJO} \\ JUAN"_cp, 5000, 3, rt::makeDate(9, 1, 1986));
    addPatient(2, "ANA SIN DATOS", 9999, 77, 0);  // no locality, plan or birth date
    core::Medicos::table().clear();
    core::MDC().Cod_Medico = 1;
    core::MDC().Nombre = "mcleod luis";
    core::MDC().Domicilio = "  AV. COLON 100 ";
    core::MDC().Matricula = " MP 12345 ";
    core::MDC().Cod_Postal = 5000;
    core::MDC().Cod_Especialidad = 2;
    ASSERT_EQ(core::Medicos::table().add(), 0);
    core::Medicos::table().clear();
    core::MDC().Cod_Medico = 2;
    core::MDC().Nombre = "SIN ESPECIALIDAD";
    core::MDC().Cod_Especialidad = 9;
    ASSERT_EQ(core::Medicos::table().add(), 0);
  }
  void TearDown() override {
    for (const rt::TableDef* def : kTables) core::access(*def).closeAll();
    core::TableManagersKill();
    rt::closeDatabase();
  }
  static void addPatient(int code, const std::string& name, std::uint32_t postal, int plan,
                         rt::Date birth) {
    core::Pacientes::table().clear();
    core::PAC().Cod_Paciente = code;
    core::PAC().Nombre = name;
    core::PAC().Direccion = "san martin 1200";
    core::PAC().TipoDoc = " DNI ";
    core::PAC().NroDoc = 12345678;
    core::PAC().Cod_Postal = postal;
    core::PAC().Cod_Cobertura = plan;
    core::PAC().NroCarnetObraSocial = "ab-001 x";
    core::PAC().Fecha_Nacim = birth;
    ASSERT_EQ(core::Pacientes::table().add(), 0);
  }

  std::optional<rt::testing::FixedClock> clock_;
};

TEST_F(SystemMacroValues, EveryReferenceOfAPatientAndAPhysician) {
  struct Case {
    const char* reference;
    int patient, physician;
    std::string value;
  } cases[] = {
      {"***FECHA***", 0, 0, " 5 de Setiembre de 2026"},
      {"***PACNOMBRE***", 1, 0, "Peña {hijo} \\ Juan"_cp},
      {"***PACDOMICILIO***", 1, 0, "San Martin 1200"},
      {"***PACDOCUMENTO***", 1, 0, "DNI Nº 12,345,678"_cp},
      {"***PACLOCALIDAD***", 1, 0, "Cordoba Capital"},
      {"***PACCOBERTURA***", 1, 0, "Osde Plan 210"},
      {"***PACCARNET***", 1, 0, "Ab-001 X"},
      {"***PACEDAD***", 1, 0, "40 Años"_cp},
      {"***PACLOCALIDAD***", 2, 0, ""},  // a postal code without a locality
      {"***PACCOBERTURA***", 2, 0, ""},
      {"***PACEDAD***", 2, 0, ""},    // no birth date
      {"***PACNOMBRE***", 0, 1, ""},  // no patient chosen
      {"***PACNOMBRE***", 7, 1, ""},  // a code without a record
      {"***MEDNOMBRE***", 0, 1, "McLeod Luis"},
      {"***MEDDOMICILIO***", 0, 1, "Av. Colon 100"},
      {"***MEDMATRICULA***", 0, 1, "MP 12345"},
      {"***MEDLOCALIDAD***", 0, 1, "Cordoba Capital"},
      {"***MEDESPECIALIDAD***", 0, 1, "Clinica Medica"},
      {"***MEDESPECIALIDAD***", 0, 2, ""},
      {"***MEDLOCALIDAD***", 0, 2, ""},
      {"***MEDNOMBRE***", 1, 0, ""},
  };
  for (const Case& c : cases) {
    const auto values = valoresDelSistema(c.patient, c.physician, rt::today());
    const auto found = values.find(c.reference);
    ASSERT_NE(found, values.end()) << c.reference;
    EXPECT_EQ(found->second, c.value)
        << c.reference << " patient " << c.patient << " physician " << c.physician;
  }
}

TEST_F(SystemMacroValues, ALetterTakesTheValuesEscapedAndReadsBackAsTyped) {
  std::string letter =
      R"({\rtf1\ansi ***fecha***: ***PacNombre***, ***PACDOCUMENTO*** (***MEDNOMBRE***)\par})";
  ASSERT_TRUE(ReemplazarMacros(letter, {}, 1, 1).completed);
  EXPECT_EQ(rt::rtfPlainText(letter),
            " 5 de Setiembre de 2026: Peña {hijo} \\ Juan, DNI Nº 12,345,678 (McLeod Luis)"_cp);
}

TEST_F(SystemMacroValues, NoPatientChosenAfterALookupGivesEmptyValues) {
  // A lookup left patient 1 in the thread's buffer; the letter has none chosen.
  core::PAC().Cod_Paciente = 1;
  ASSERT_EQ(core::Pacientes::table().fetch(core::Pacientes::PAS_001), 0);
  std::string letter = "{[***PACNOMBRE***][***PACEDAD***][***MEDNOMBRE***]}";
  ASSERT_TRUE(ReemplazarMacros(letter, {}, 0, 0).completed);
  EXPECT_EQ(letter, "{[][][]}");
}

}  // namespace
}  // namespace letters
