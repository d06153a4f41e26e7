// The practice's tables at work through their C++ names: keys that skip
// empty values, descending keys, second cursors, encrypted files, the
// activity log and the start-up check for bad tables.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "core/frame/startup_hooks.h"
#include "core/register_procedures.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/log_file_tl.h"
#include "core/tables/table_registration.h"
#include "core/testing/practice_folder.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/runtime_errors.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/connection.h"
#include "platform/data/database.h"
#include "platform/data/structure_versions.h"
#include "platform/data/table_status.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

class PracticeTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The bad-table record lies in the program's INI, which every test of the
    // process shares: an earlier test's damaged folder is not this one's.
    ASSERT_TRUE(rt::putIni(kTableCheckSection, kBadFileEntry, ""));
    ASSERT_NO_FATAL_FAILURE(
        core::testing::openFreshPractice("practice", folder_, core::testing::Tables::AllOpen));
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
  EXPECT_EQ(addNote("Receta médica"_cp, 1), 0);
  EXPECT_EQ(addNote("RECETA MÉDICA"_cp, 1), rt::error::DuplicateKey);
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

// A key's index that lost its entries (its page emptied): a write that
// meets it says "Clave Inválida" and rebuilds the keys, so the write works
// when tried again; a key that cannot be rebuilt (its unique values repeat)
// says so and records the table for table maintenance.
TEST_F(PracticeTablesTest, DamagedKeysAreSaidAndRebuiltOrRecorded) {
  const rt::TableDef& def = Provincias::def();
  auto code = [&](std::int64_t v) {
    rt::setFieldNumber(def.fields[0], rt::table(def).record(), v);
  };
  auto name = [&](const char* v) { rt::setFieldText(def.fields[1], rt::table(def).record(), v); };
  // Empties a key's index behind SQLite's back; `extraSql` runs on the
  // damaged file before it opens again.
  auto damage = [&](const char* key, const std::string& extraSql) {
    closeAllTables();
    rt::closeDatabase();
    const std::filesystem::path file = folder_ / "Varneta.dat";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    rt::sql::registerCollations(db);
    sqlite3_stmt* s = nullptr;
    const std::string index = def.storageName + "_" + key;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM "
                                 "sqlite_master WHERE name = ?1",
                                 -1, &s, nullptr),
              SQLITE_OK);
    sqlite3_bind_text(s, 1, index.c_str(), -1, SQLITE_TRANSIENT);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW) << index;
    const long root = sqlite3_column_int64(s, 0), pageSize = sqlite3_column_int64(s, 1);
    sqlite3_finalize(s);
    sqlite3_close(db);
    {
      std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
      out.seekp((root - 1) * pageSize + 3);
      out.write("\0\0", 2);  // no cells
    }
    if (!extraSql.empty()) {
      ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
      rt::sql::registerCollations(db);
      EXPECT_EQ(sqlite3_exec(db, extraSql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
          << sqlite3_errmsg(db);
      sqlite3_close(db);
    }
    ASSERT_EQ(openPracticeDatabase(folder_), 0);
    ASSERT_EQ(openAllTables(), 0);
  };
  auto fetchCode = [&](std::int64_t v) {
    rt::table(def).clear();
    code(v);
    return rt::table(def).fetch(0);
  };
  registerTables();
  struct Case {
    const char* what;
    std::function<int()> write;
  };
  const std::vector<Case> cases = {
      {"a change",
       [&] {
         if (fetchCode(2) != 0) return -1;
         name("Cambiada");
         return rt::table(def).put();
       }},
      {"a removal", [&] { return fetchCode(3) == 0 ? rt::table(def).remove() : -1; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    rt::table(def).clear();
    for (int i = 1; i <= 3; ++i) {
      rt::table(def).clear();
      code(i);
      name(("Provincia " + std::to_string(i)).c_str());
      ASSERT_EQ(rt::table(def).add(), 0);
    }
    damage("PRV02", "");
    rt::testing::ScriptedMessages messages({rt::button::Ok});
    EXPECT_EQ(c.write(), rt::error::RebuildKeys);
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].caption, "Clave Inválida"_cp);
    EXPECT_EQ(messages.asked()[0].text,
              "Provincias : Clave inválida. Clave debe ser reconstruida."_cp);
    EXPECT_EQ(c.write(), 0) << "the write works once the keys are rebuilt";
    EXPECT_EQ(rt::integrityCheck(mainDataFile()), "ok");
    EXPECT_EQ(rt::getIni(kTableCheckSection, kBadFileEntry), "");
    // Every record out again for the next case.
    rt::closeDatabase();
    for (const char* f : {"Varneta.dat", "VarnetaC.dat", "VarnetaA.dat"})
      std::filesystem::remove(folder_ / f);
    ASSERT_EQ(openPracticeDatabase(folder_), 0);
    ASSERT_EQ(openAllTables(), 0);
  }

  // A unique key whose values repeat behind its emptied index.
  for (int i = 1; i <= 3; ++i) {
    rt::table(def).clear();
    code(i);
    ASSERT_EQ(rt::table(def).add(), 0);
  }
  damage("PRV01", "INSERT INTO \"" + def.storageName +
                      "\" (Cod_Provincia, Provincia) VALUES (1, 'Repetida')");
  rt::testing::ScriptedMessages messages({rt::button::Ok, rt::button::Ok});
  ASSERT_EQ(rt::table(def).fetchPosition(3), 0);  // its key's index is empty
  EXPECT_EQ(rt::table(def).remove(), rt::error::RebuildKeys);
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[1].caption, "Clave no fue reconstruida");
  EXPECT_NE(messages.asked()[1].text.find("reparando clave para tabla: Provincias."),
            std::string::npos)
      << messages.asked()[1].text;
  EXPECT_EQ(rt::getIni(kTableCheckSection, kBadFileEntry), "Provincias");
  // Reported once: the next failure does not ask again.
  EXPECT_EQ(rt::table(def).remove(), rt::error::RebuildKeys);
  EXPECT_EQ(messages.asked().size(), 2u);
  rt::putIni(kTableCheckSection, kBadFileEntry, "");
  rt::setDamagedKeysHook(nullptr);
  rt::setTableHealthHook(nullptr);
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

// The working folder's three files with every table stored, closed.
void storeEveryTable(const std::filesystem::path& folder) {
  rt::closeDatabase();
  ASSERT_EQ(openPracticeDatabase(folder), 0) << rt::refusedDataFile();
  ASSERT_EQ(openAllTables(), 0);
  closeAllTables();
  rt::closeDatabase();
}

// A file missing beside files with data is asked about (ending is the
// default); created when the user says so, and the start goes on.
TEST(TableUpgradeRegistration, AMissingFileBesideDataIsAskedAboutAndCreatedOnlyWhenChosen) {
  const std::filesystem::path folder = rt::workingFolder();
  storeEveryTable(folder);
  std::filesystem::remove(folder / "VarnetaA.dat");
  registerProcedures();
  rt::testing::ScriptedMessages messages({rt::button::Yes});
  EXPECT_EQ(rt::callProcedure(hook::TableUpgradeRegistration), rt::kCompleted);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Falta un archivo de datos");
  EXPECT_EQ(messages.asked()[0].text.rfind(
                "Falta el archivo de datos VarnetaA.dat en " + folder.string(), 0),
            0u)
      << messages.asked()[0].text;
  EXPECT_EQ(messages.asked()[0].defaultButton, rt::button::No);
  EXPECT_TRUE(rt::databaseIsOpen());
  EXPECT_GT(std::filesystem::file_size(folder / "VarnetaA.dat"), 0u);
  rt::setTableHealthHook(nullptr);
  rt::setDamagedKeysHook(nullptr);
  rt::closeDatabase();
}

// Data files that cannot be written are named at start (a read-only mount
// when the test runs as root, who writes past file modes).
TEST(TableUpgradeRegistration, DataFilesThatCannotBeWrittenAreNamedAtStart) {
  const std::filesystem::path folder = rt::workingFolder();
  storeEveryTable(folder);
  const bool root = geteuid() == 0;
  if (root) {
    if (mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0)
      GTEST_SKIP() << "no mount";
    if (mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
      umount2(folder.c_str(), MNT_DETACH);
      GTEST_SKIP() << "no read-only mount";
    }
  } else {
    std::filesystem::permissions(folder / "VarnetaC.dat", std::filesystem::perms::owner_read);
  }
  registerProcedures();
  rt::testing::ScriptedMessages messages({rt::button::Ok});
  EXPECT_EQ(rt::callProcedure(hook::TableUpgradeRegistration), rt::kCompleted);
  rt::closeDatabase();
  if (root) {
    umount2(folder.c_str(), MNT_DETACH);
  } else {
    std::filesystem::permissions(folder / "VarnetaC.dat", std::filesystem::perms::owner_all);
  }
  ASSERT_GE(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Archivos de datos de sólo lectura"_cp);
  EXPECT_NE(messages.asked()[0].text.find(root ? "Varneta.dat, VarnetaC.dat, VarnetaA.dat"
                                               : "VarnetaC.dat de"),
            std::string::npos)
      << messages.asked()[0].text;
  rt::setTableHealthHook(nullptr);
  rt::setDamagedKeysHook(nullptr);
}

// A file found damaged at an earlier start: maintenance runs, and once it
// has mended the file the start goes on.
TEST(TableUpgradeRegistration, TheStartGoesOnOnceMaintenanceMendedTheFiles) {
  const std::filesystem::path folder = rt::workingFolder();
  storeEveryTable(folder);
  const std::filesystem::path good = folder / "Varneta.dat.bueno";
  std::filesystem::copy_file(folder / "Varneta.dat", good,
                             std::filesystem::copy_options::overwrite_existing);
  std::ofstream(folder / "Varneta.dat", std::ios::binary | std::ios::trunc)
      << std::string(8192, 'x');
  ASSERT_TRUE(rt::putIni(kTableCheckSection, kBadFileEntry, "Pacientes"));
  registerProcedures();
  int maintenanceRuns = 0;
  rt::registerProcedure("RuntimeFileManager", [&](const rt::ProcedureArgs&) {
    ++maintenanceRuns;
    std::filesystem::copy_file(good, folder / "Varneta.dat",
                               std::filesystem::copy_options::overwrite_existing);
    rt::putIni(kTableCheckSection, kBadFileEntry, "");  // its table opened well
    return rt::kCompleted;
  });
  EXPECT_EQ(rt::callProcedure(hook::TableUpgradeRegistration), rt::kCompleted);
  EXPECT_EQ(maintenanceRuns, 1);
  EXPECT_TRUE(rt::databaseIsOpen());
  rt::unregisterProcedure("RuntimeFileManager");
  rt::putIni(kTableCheckSection, kBadFileEntry, "");
  rt::setTableHealthHook(nullptr);
  rt::setDamagedKeysHook(nullptr);
  rt::closeDatabase();
  std::filesystem::remove(good);
}

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
