// The practice's tables at work through their C++ names: keys that skip
// empty values, descending keys, second cursors, encrypted files, the
// activity log and the start-up check for bad tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/catalog_tables.h"
#include "core/clinical_tables.h"
#include "core/data_files.h"
#include "core/log_file_tl.h"
#include "core/register_procedures.h"
#include "core/startup_hooks.h"
#include "core/table_registration.h"
#include "platform/base/ini_file.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/runtime_errors.h"
#include "platform/data/database.h"
#include "platform/data/structure_versions.h"
#include "platform/data/table_status.h"
#include "platform/base/cp_literal.h"
#include "platform/base/testing/test_environment.h"

namespace core {
namespace {

class PracticeTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = rt::testing::freshFolder("practice");
    std::filesystem::create_directories(folder_);
    ASSERT_EQ(openPracticeDatabase(folder_), 0);
    ASSERT_EQ(openAllTables(), 0);
  }
  void TearDown() override {
    closeAllTables();
    rt::closeDatabase();
  }
  std::filesystem::path folder_;
};

void addTurno(std::uint32_t consulta, std::uint32_t paciente, const char* nombre) {
  Turnos::table().clear();
  TUR().Cod_Consulta = consulta;
  TUR().Cod_Paciente = paciente;
  TUR().Fecha = 82090;
  TUR().Cod_Medico = 1;
  TUR().Nombre = nombre;
  TUR().Coseguro.setScaled(1234567);
  TUR().Notas = "nota";
  ASSERT_EQ(Turnos::table().add(), 0) << nombre;
}

TEST_F(PracticeTablesTest, AppointmentKeysSkipEmptyCodesAndRefuseARepeatedConsultation) {
  addTurno(0, 5, "uno");
  addTurno(0, 0, "sin ficha");
  addTurno(12, 5, "dos");
  TUR().Cod_Consulta = 12;
  EXPECT_EQ(Turnos::table().add(), rt::error::DuplicateKey);
  const rt::KeyDef& key = Turnos::def().keys[rt::duplicateKeyIndex()];
  EXPECT_EQ(key.description, "Cod.Consulta");
  EXPECT_EQ(rt::errorCode(), rt::error::DuplicateKey);
  EXPECT_EQ(rt::errorText(), "Crea índice duplicado"_cp);

  auto count = [](int key) {
    rt::Table& t = Turnos::table();
    t.setToStart(key);
    int n = 0;
    while (t.next() == 0) ++n;
    return n;
  };
  EXPECT_EQ(count(Turnos::TUR02), 2);  // the person without a patient record is not in it
  EXPECT_EQ(count(Turnos::TUR05), 3);
  EXPECT_EQ(count(Turnos::TUR09), 1);
  // Values survive the round trip exactly.
  TUR().Cod_Consulta = 12;
  ASSERT_EQ(Turnos::table().fetch(Turnos::TUR09), 0);
  EXPECT_EQ(TUR().Nombre.clipped(), "dos");
  EXPECT_EQ(TUR().Coseguro.scaled(), 1234567);
  EXPECT_EQ(TUR().Notas, "nota");
  EXPECT_EQ(TUR().Nombre.view().size(), 90u);
}

TEST_F(PracticeTablesTest, SheetsAndWeekdayRowsRefuseDuplicatesByDescription) {
  Planilla::table().clear();
  PLA().CodPlanilla = 1;
  PLA().Cod_Medico = 3;
  PLA().FecVigenciaDesde = 82000;
  ASSERT_EQ(Planilla::table().add(), 0);
  PLA().CodPlanilla = 2;
  ASSERT_EQ(Planilla::table().add(), rt::error::DuplicateKey);
  EXPECT_EQ(Planilla::def().keys[rt::duplicateKeyIndex()].description, "CodPersona - Vigencia");
  PLA().FecVigenciaDesde = 82100;
  ASSERT_EQ(Planilla::table().add(), 0);
  // Latest start first.
  Planilla::table().clear();
  PLA().Cod_Medico = 3;
  Planilla::table().setToStart(Planilla::PLA05);
  Planilla::table().setRange(1);
  ASSERT_EQ(Planilla::table().next(), 0);
  EXPECT_EQ(PLA().FecVigenciaDesde, 82100);

  PlanillaHorarios::table().clear();
  PLH().CodInterno = 1;
  PLH().CodPlanilla = 1;
  PLH().DiaSemanaNro = 2;
  ASSERT_EQ(PlanillaHorarios::table().add(), 0);
  PLH().CodInterno = 2;
  ASSERT_EQ(PlanillaHorarios::table().add(), rt::error::DuplicateKey);
  EXPECT_EQ(PlanillaHorarios::def().keys[rt::duplicateKeyIndex()].description,
            "CodPlanilla - Nrodia");
}

TEST_F(PracticeTablesTest, AccessLogListsNewestFirstAndLivesInTheEncryptedFile) {
  const int times[] = {100, 300, 300, 200};
  for (int i = 0; i < 4; ++i) {
    LogConsultas::table().clear();
    LCN().Cod_LogConsulta = i + 1;
    LCN().Cod_Consulta = 9;
    LCN().Fecha = 82090;
    LCN().Hora = times[i];
    LCN().Operacion = "V";
    ASSERT_EQ(LogConsultas::table().add(), 0);
  }
  LogConsultas::table().clear();
  LCN().Cod_Consulta = 9;
  LogConsultas::table().setToStart(LogConsultas::LCN04);
  LogConsultas::table().setRange(1);
  std::vector<int> order;
  while (LogConsultas::table().next() == 0) order.push_back(LCN().Cod_LogConsulta);
  EXPECT_EQ(order, (std::vector<int>{2, 3, 4, 1}));
  EXPECT_EQ(LogConsultas::def().diskName(), "VarnetaC.dat\\!LogConsul");
  EXPECT_EQ(Agenda::def().file, &agendaDataFile());
}

TEST_F(PracticeTablesTest, SecondCursorWritesTheRecordTheTableSees) {
  Medicos::table().clear();
  MDC().Cod_Medico = 4;
  MDC().Nombre = "Dra. Pérez"_cp;
  ASSERT_EQ(Medicos::table().add(), 0);
  C_MDC().Cod_Medico = 4;
  ASSERT_EQ(Copia_Medicos::table().fetch(Copia_Medicos::MDC01), 0);
  EXPECT_EQ(C_MDC().Nombre.clipped(), "Dra. Pérez"_cp);
  C_MDC().Nombre = "Dra. Pérez Gómez"_cp;
  ASSERT_EQ(Copia_Medicos::table().put(), 0);
  // The main buffer still holds what it read; its write is now refused.
  MDC().Inactivo = 1;
  EXPECT_EQ(Medicos::table().put(), rt::error::RecordChanged);
  EXPECT_EQ(MDC().Nombre.clipped(), "Dra. Pérez Gómez"_cp);
  EXPECT_EQ(MDC().Inactivo, 0);
}

TEST_F(PracticeTablesTest, SavedLayoutColumnsAreNumberedWithinTheirLayout) {
  for (const char* name : {"Pacientes", "Turnos"}) {
    KovSaveC::table().clear();
    KOV_C().ENAME = name;
    ASSERT_EQ(KovSaveC::table().addNumbered(), 0);
  }
  EXPECT_EQ(KOV_C().ID, 2);
  auto addColumn = [](std::int32_t layout) {
    KovSaveD::table().clear();
    KOV_D().ID = layout;
    EXPECT_EQ(KovSaveD::table().addNumbered(), 0);
    return static_cast<int>(KOV_D().ITEM);
  };
  EXPECT_EQ(addColumn(2), 1);
  EXPECT_EQ(addColumn(2), 2);
  EXPECT_EQ(addColumn(1), 1);
  EXPECT_EQ(addColumn(2), 3);
  // A second cursor reads the same records in its own buffer.
  C_TUR().Cod_Turno = 0;
  Copia_Turnos::table().setToStart(Copia_Turnos::TUR01);
  EXPECT_EQ(Copia_Turnos::table().next(), rt::error::RecordNotAvailable);
}

TEST_F(PracticeTablesTest, NotesAreUniqueByDescriptionWhateverItsCaseButNotWhenBlank) {
  auto addNote = [](const char* description, std::uint16_t code) {
    Notas::table().clear();
    TEX().Descripcion = description;
    TEX().CodigoInterno = code;
    return Notas::table().add();
  };
  EXPECT_EQ(addNote("Receta médica"_cp,
                    1),
            0);
  EXPECT_EQ(addNote("RECETA MÉDICA"_cp,
                    1),
            rt::error::DuplicateKey);
  EXPECT_EQ(Notas::def().keys[rt::duplicateKeyIndex()].description, "Descripcion");
  EXPECT_EQ(addNote("", 1), 0);
  EXPECT_EQ(addNote("   ", 1), 0);
  EXPECT_EQ(addNote("Otra", 1), 0);
  EXPECT_EQ(Notas::table().records(), 4);
}

TEST_F(PracticeTablesTest, ActivityLogAppendsUtf8Lines) {
  const std::filesystem::path path = folder_ / "actividad.log";
  ASSERT_EQ(LogFileTL::open(path.string()), 0);
  LOGTL().Linea = "Ingresó Muñoz"_cp;
  ASSERT_EQ(LogFileTL::add(), 0);
  LOGTL().Linea = "Salió"_cp;
  ASSERT_EQ(LogFileTL::add(), 0);
  std::ifstream in(path, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(text, "Ingres\xC3\xB3 Mu\xC3\xB1oz\nSali\xC3\xB3\n");
  LogFileTL::setToStart();
  ASSERT_EQ(LogFileTL::next(), 0);
  EXPECT_EQ(LOGTL().Linea.clipped(), "Ingresó Muñoz"_cp);
  ASSERT_EQ(LogFileTL::next(), 0);
  EXPECT_EQ(LogFileTL::next(), rt::error::RecordNotAvailable);
  LogFileTL::close();
}

TEST_F(PracticeTablesTest, NewerTableIsRecordedBadAndStartUpOpensMaintenance) {
  registerTables();
  int maintenanceRuns = 0;
  rt::registerProcedure("RuntimeFileManager", [&](const rt::ProcedureArgs&) {
    ++maintenanceRuns;
    return rt::kCompleted;
  });
  registerTables();
  EXPECT_EQ(maintenanceRuns, 0);

  // A later program stored Provincias under a higher version.
  closeAllTables();
  rt::closeDatabase();
  static const rt::TableDef newer = [] {
    rt::TableDef d = Provincias::def();
    d.version += 1;
    return d;
  }();
  ASSERT_EQ(openPracticeDatabase(folder_), 0);
  ASSERT_EQ(rt::table(newer).open(), 0);
  rt::table(newer).close();
  rt::closeDatabase();

  ASSERT_EQ(openPracticeDatabase(folder_), 0);
  EXPECT_EQ(Provincias::table().open(), rt::error::BadRecordDeclaration);
  EXPECT_EQ(rt::getIni(kTableCheckSection, kBadFileEntry), "Provincias");
  registerTables();
  EXPECT_EQ(maintenanceRuns, 1);

  // Once the table opens well again the entry is cleared.
  rt::closeDatabase();
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  ASSERT_EQ(openPracticeDatabase(folder_), 0);
  ASSERT_EQ(openAllTables(), 0);
  EXPECT_EQ(rt::getIni(kTableCheckSection, kBadFileEntry), "");
  registerTables();
  EXPECT_EQ(maintenanceRuns, 1);
  rt::unregisterProcedure("RuntimeFileManager");
  rt::setTableHealthHook(nullptr);
}

}  // namespace
}  // namespace core

namespace core {
namespace {

TEST(TableUpgradeRegistration, StartUpStepOpensTheFilesAndRunsMaintenanceForABadTable) {
  rt::closeDatabase();
  registerProcedures();
  int maintenanceRuns = 0;
  rt::registerProcedure("RuntimeFileManager", [&](const rt::ProcedureArgs&) {
    ++maintenanceRuns;
    return rt::kCompleted;
  });
  ASSERT_TRUE(rt::putIni(kTableCheckSection, kBadFileEntry, "Turnos"));
  EXPECT_EQ(rt::callProcedure(hook::TableUpgradeRegistration), rt::kCompleted);
  EXPECT_TRUE(rt::databaseIsOpen());
  EXPECT_TRUE(std::filesystem::exists(rt::workingFolder() / "VarnetaA.dat"));
  EXPECT_EQ(maintenanceRuns, 1);
  // Maintenance mended it: the table opens and the entry goes.
  ASSERT_EQ(Turnos::table().open(), 0);
  EXPECT_EQ(rt::getIni(kTableCheckSection, kBadFileEntry), "");
  Turnos::table().close();
  rt::unregisterProcedure("RuntimeFileManager");
  rt::setTableHealthHook(nullptr);
  rt::closeDatabase();
}

}  // namespace
}  // namespace core
