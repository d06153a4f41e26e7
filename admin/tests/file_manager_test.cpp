// Table maintenance: the list and its buttons, information and creation,
// rebuilding and packing that keep every record as it was, the message when
// another workstation holds a file, the repair program's command lines and
// the repair itself, the bad-table prompt at start and the automatic
// information pass over an older structure.
#include "admin/file_manager.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <thread>

#include "admin/tests/admin_fixture.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_registration.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/outside_actions.h"
#include "platform/base/runtime_errors.h"
#include "platform/data/connection.h"
#include "platform/data/maintenance.h"
#include "platform/data/testing/other_workstation.h"
#include "platform/ui/testing/pdf_probe.h"

namespace admin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;

constexpr const char* kTitle = "Administrador de Versiones de Bases de Datos";
const char* const kActions[] = {"?Build",   "?Pack", "?Release", "?Fix",
                                "?Freshen", "?Info", "?Create"};

int rowOf(const std::vector<FileRow>& rows, const std::string& label) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].FILENAME == label) return static_cast<int>(i);
  }
  ADD_FAILURE() << "no row " << label;
  return -1;
}

const FileRow& row(const std::vector<FileRow>& rows, const std::string& label) {
  return rows.at(rowOf(rows, label));
}

// Each (_id, _rv) of a stored table, in order.
std::vector<std::pair<std::int64_t, std::int64_t>> versions(const fs::path& file,
                                                            const std::string& table,
                                                            const std::string& vfs = {}) {
  sqlite3* db = nullptr;
  std::string uri = "file:" + file.string() + (vfs.empty() ? "" : "?vfs=" + vfs);
  sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
  std::vector<std::pair<std::int64_t, std::int64_t>> out;
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, ("SELECT _id, _rv FROM \"" + table + "\" ORDER BY _id").c_str(), -1, &s,
                     nullptr);
  while (s && sqlite3_step(s) == SQLITE_ROW)
    out.emplace_back(sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1));
  sqlite3_finalize(s);
  sqlite3_close(db);
  return out;
}

class FileManager : public AdminFixture {
 protected:
  void SetUp() override {
    AdminFixture::SetUp();
    rt::putIni(core::kTableCheckSection, core::kBadFileEntry, "");
    previousRunner_ =
        rt::setProgramRunner([this](const std::string& program,
                                    const std::vector<std::string>& args, const fs::path& folder) {
          started_.push_back({program, args, folder, std::this_thread::get_id() != guiThread_});
          return repair_ ? repair_(args, folder) : rt::ProgramRun{true, 0, "Reparado.\n"};
        });
  }
  void TearDown() override {
    rt::setProgramRunner(previousRunner_);
    AdminFixture::TearDown();
  }

  // Opens the window, tags the rows named, presses the buttons in turn and
  // closes; answers the rows as the window left them.
  std::vector<FileRow> runWith(const std::vector<std::string>& tagged,
                               const std::vector<std::string>& buttons) {
    WindowScript script;
    script.on(kTitle, [&](rt::WindowDriver& w) {
      auto& manager = dynamic_cast<FileManagerWindow&>(w);
      for (const std::string& label : tagged) manager.toggle(rowOf(manager.rows(), label));
      for (const std::string& button : buttons) rt::testing::click(w, button);
      rt::testing::click(w, "?Close");
    });
    std::vector<FileRow> rows;
    EXPECT_TRUE(rt::testing::runOnThread(
        [&] {
          FileManagerWindow window;
          window.Run();
          rows = window.rows();
        },
        60s));
    EXPECT_EQ(script.pending(), 0);
    return rows;
  }

  struct Start {
    std::string program;
    std::vector<std::string> args;
    fs::path folder;
    bool onWorker = false;
  };
  std::vector<Start> started_;
  // What the repair program does when run; by default it says "Reparado.".
  std::function<rt::ProgramRun(const std::vector<std::string>& args, const fs::path& folder)>
      repair_;
  const std::thread::id guiThread_ = std::this_thread::get_id();
  rt::ProgramRunner previousRunner_;
};

TEST_F(FileManager, ListsTheTablesByDescriptionAndEnablesTheActionsOnlyWithARowTagged) {
  WindowScript script;
  script.on(kTitle, [](rt::WindowDriver& w) {
    auto& manager = dynamic_cast<FileManagerWindow&>(w);
    const std::vector<FileRow>& rows = manager.rows();
    ASSERT_EQ(rows.size(), 26u);
    EXPECT_EQ(rows.front().FILEDESC, "Agenda (Recordatorio)");
    EXPECT_EQ(rows.back().FILEDESC, "Usuarios del Sistema");
    std::set<std::string> owners;
    for (const FileRow& r : rows) {
      EXPECT_EQ(r.FILERECORDS, "?");
      if (r.OWNER == "1") owners.insert(r.FILENAME);
    }
    EXPECT_EQ(owners, (std::set<std::string>{"Agenda", "AgendaRecordatoria", "LogConsultas",
                                             "Planilla", "PlanillaHorarios", "RubrosAgenda"}));
    EXPECT_EQ(row(rows, "Pacientes").DISKNAME, "Varneta.dat\\!PACIENTE");
    EXPECT_EQ(row(rows, "LogFileTL").FILEDRIVER, "ASCII");
    for (const char* name : kActions) EXPECT_FALSE(w.control(name)->isEnabled()) << name;
    for (const char* name : {"?TagAll", "?UntagAll", "?Close"})
      EXPECT_TRUE(w.control(name)->isEnabled()) << name;
    manager.toggle(rowOf(rows, "Turnos"));
    for (const char* name : kActions) EXPECT_TRUE(w.control(name)->isEnabled()) << name;
    manager.toggle(rowOf(rows, "Turnos"));
    for (const char* name : kActions) EXPECT_FALSE(w.control(name)->isEnabled()) << name;
    rt::testing::click(w, "?Close");
  });
  ASSERT_TRUE(rt::testing::runOnThread([] { RuntimeFileManager(); }));
  EXPECT_EQ(script.pending(), 0);
}

TEST_F(FileManager, InfoShowsCountsAndFilesAMissingTableAsEmptyAndCreateMakesIt) {
  addRecords(core::Pacientes::def(), 1, 3);
  addRecords(core::Especialidades::def(), 1, 2);
  rt::closeDatabase();
  ASSERT_EQ(execOn(rt::workingFolder() / "Varneta.dat", "DROP TABLE ESPECIAL"), SQLITE_OK);
  reopenIn(rt::workingFolder());

  std::vector<FileRow> rows =
      runWith({"Pacientes", "Especialidades", "LogFileTL", "Agenda"}, {"?Info"});
  EXPECT_EQ(row(rows, "Pacientes").FILERECORDS, "3");
  EXPECT_EQ(row(rows, "Pacientes").DISKNAME, "Varneta.dat");
  EXPECT_EQ(row(rows, "Agenda").FILERECORDS, "0");
  EXPECT_EQ(row(rows, "Agenda").DISKNAME, "VarnetaA.dat");
  EXPECT_EQ(row(rows, "Especialidades").FILERECORDS, "0") << "a table not stored yet is empty";
  EXPECT_EQ(row(rows, "Especialidades").DISKNAME, "Varneta.dat");
  EXPECT_NE(rt::probeTable(core::Especialidades::def()).error, 0) << "Info creates nothing";
  EXPECT_EQ(row(rows, "LogFileTL").FILERECORDS, "?") << "no action touches it";

  ScriptedMessages messages;
  rows = runWith({"Especialidades", "Pacientes"}, {"?Create"});
  EXPECT_EQ(row(rows, "Especialidades").FILERECORDS, "0");
  EXPECT_EQ(row(rows, "Especialidades").DISKNAME, "Varneta.dat");
  EXPECT_EQ(row(rows, "Pacientes").FILERECORDS, "3");
  EXPECT_EQ(rt::probeTable(core::Especialidades::def()).error, 0);
}

TEST_F(FileManager, BuildAndPackKeepEveryRecordAndLeaveSoundFiles) {
  addRecords(core::Pacientes::def(), 1, 120);
  addRecords(core::Consultas::def(), 1, 30);
  addRecords(core::LogConsultas::def(), 1, 60);
  // Gaps and changed records, so that packing has pages to free.
  {
    rt::testing::OtherWorkstation other(rt::workingFolder() / "Varneta.dat");
    ASSERT_TRUE(other.run("DELETE FROM PACIENTE WHERE _id % 3 = 0")) << other.error();
    ASSERT_TRUE(other.change("PACIENTE", "", "_id % 5 = 0")) << other.error();
  }
  const fs::path plain = rt::workingFolder() / "Varneta.dat";
  const fs::path clinical = rt::workingFolder() / "VarnetaC.dat";
  const auto patients = versions(plain, "PACIENTE");
  const auto visits = versions(plain, "Consulta");
  const auto log = versions(clinical, "LogConsul", "varneta-aes");
  ASSERT_EQ(patients.size(), 80u);
  ASSERT_EQ(log.size(), 60u);

  ScriptedMessages messages;
  const std::vector<FileRow> rows =
      runWith({"Pacientes", "Consultas", "LogConsultas"}, {"?Build", "?Pack"});
  ASSERT_EQ(messages.asked().size(), 2u) << "each run says it is done, and nothing else";
  EXPECT_EQ(messages.asked()[0].caption, "Reconstruir");
  EXPECT_EQ(messages.asked()[1].caption, "Compactar");
  EXPECT_EQ(row(rows, "Pacientes").FILERECORDS, "80");
  EXPECT_EQ(versions(plain, "PACIENTE"), patients);
  EXPECT_EQ(versions(plain, "Consulta"), visits);
  EXPECT_EQ(versions(clinical, "LogConsul", "varneta-aes"), log);
  for (const rt::DataFile* file :
       {&core::mainDataFile(), &core::clinicalDataFile(), &core::agendaDataFile()}) {
    EXPECT_EQ(rt::integrityCheck(*file), "ok") << file->fileName;
  }
  EXPECT_EQ(rt::testing::commandOutput("sqlite3 '" + plain.string() + "' 'PRAGMA freelist_count'"),
            "0\n");
  EXPECT_EQ(slurp(clinical).find("R17"), std::string::npos) << "still sealed after packing";
  EXPECT_EQ(count(core::Pacientes::def()), 80);
}

// Another workstation in the middle of a write transaction on the plain
// file: its tables cannot be rebuilt (said once for the table), the sealed
// file's table still is.
TEST_F(FileManager, AFileAnotherWorkstationIsWritingIsReportedAndTheRunGoesOn) {
  addRecords(core::Pacientes::def(), 1, 5);
  addRecords(core::LogConsultas::def(), 1, 5);
  int hold[2], held[2];
  ASSERT_EQ(pipe(hold), 0);
  ASSERT_EQ(pipe(held), 0);
  const std::string file = (rt::workingFolder() / "Varneta.dat").string();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    {
      rt::testing::OtherWorkstation other(file);
      const bool writing = other.holdWriteLock() && other.change("PACIENTE", "");
      (void)!write(held[1], writing ? "y" : "n", 1);
      char c;
      (void)!read(hold[0], &c, 1);
    }
    _exit(0);
  }
  char state = 0;
  ASSERT_EQ(read(held[0], &state, 1), 1);
  ASSERT_EQ(state, 'y');
  ScriptedMessages messages;
  runWith({"Pacientes", "LogConsultas"}, {"?Build"});
  (void)!write(hold[1], "x", 1);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[0].caption, "File Access Error");
  EXPECT_EQ(messages.asked()[0].text,
            "This option requires exclusive file access.|Please ensure no other users are in the "
            "system. |An "
            "error occured trying to open the file : Error " +
                rt::errorText(rt::error::FileLocked));
  EXPECT_EQ(messages.asked()[1].text,
            "Se reconstruyeron las claves de:|LogConsultas (VarnetaC.dat)")
      << "the refused table is not named done";
  EXPECT_EQ(rt::integrityCheck(core::clinicalDataFile()), "ok");
}

TEST_F(FileManager, FixOfAnEncryptedTableRunsNothing) {
  ScriptedMessages messages;
  runWith({"Agenda"}, {"?Fix"});
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text, "Can't fix encrypted file : Agenda");
  EXPECT_TRUE(started_.empty());
  EXPECT_FALSE(fs::exists(rt::workingFolder() / "VarnetaA.tpe"));
}

TEST_F(FileManager, FixAsksAboutTheSharedFileThenRunsTheRepairProgramOnItOnAWorker) {
  fs::remove(rt::workingFolder() / "Varneta.tpe");
  {
    ScriptedMessages no({rt::button::No});
    runWith({"Pacientes"}, {"?Fix"});
    ASSERT_EQ(no.asked().size(), 1u);
    EXPECT_EQ(no.asked()[0].caption, "Warning");
    EXPECT_EQ(no.asked()[0].defaultButton, rt::button::No);
    EXPECT_TRUE(started_.empty());
  }
  // Two tables of one file: one repair of the file.
  ScriptedMessages yes({rt::button::Yes, rt::button::Yes});
  runWith({"Pacientes", "Turnos"}, {"?Fix"});
  ASSERT_EQ(yes.asked().size(), 2u) << "the question, then the outcome";
  EXPECT_EQ(yes.asked()[1].text, "Reparado.");
  ASSERT_EQ(started_.size(), 1u);
  EXPECT_EQ(started_[0].program, (rt::programFolder() / "datfix").string());
  EXPECT_EQ(started_[0].folder, rt::workingFolder());
  EXPECT_EQ(started_[0].args,
            (std::vector<std::string>{"Varneta.dat", "/E:Varneta.tpe", "/K", "/A"}));
  EXPECT_TRUE(started_[0].onWorker) << "the windows go on answering while it runs";
  started_.clear();
  ScriptedMessages again({rt::button::Yes, rt::button::Ok});
  runWith({"Turnos"}, {"?Fix"});
  ASSERT_EQ(started_.size(), 1u) << "a new run repairs it again";
  EXPECT_EQ(started_[0].args,
            (std::vector<std::string>{"Varneta.dat", "/E:Varneta.tpe", "/K", "/A", "/O"}));
  const std::string structure = slurp(rt::workingFolder() / "Varneta.tpe");
  EXPECT_NE(structure.find("CREATE TABLE main.\"PACIENTE\""), std::string::npos);
  EXPECT_NE(structure.find("CREATE TABLE main.\"Turnos\""), std::string::npos);
  EXPECT_EQ(structure.find("LogConsul"), std::string::npos) << "only the tables of that file";
}

// The practice's own file with the header of a page of patients overwritten:
// "Arreglar" runs the repair program and shows what it did, and the list
// then counts every patient.
TEST_F(FileManager, FixShowsEachFilesOutcome) {
  addRecords(core::Pacientes::def(), 1, 60, "Paciente ");
  rt::closeDatabase();
  const fs::path file = rt::workingFolder() / "Varneta.dat";
  overwrite(file, (fullestLeaf(file, "PACIENTE") - 1) * sqliteNumber(file, "PRAGMA page_size"),
            std::string(8, '\xA5'));
  ASSERT_NE(sqliteSays(file, "SELECT count(*) FROM PACIENTE NOT INDEXED"), "60\n");
  reopenIn(rt::workingFolder());
  repair_ = [this](const std::vector<std::string>& args, const fs::path& folder) {
    return previousRunner_(VARNETA_DATFIX_BINARY, args, folder);
  };
  ScriptedMessages messages({rt::button::Yes, rt::button::Ok});
  const std::vector<FileRow> rows = runWith({"Pacientes"}, {"?Fix"});
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[1].caption, "Fix");
  EXPECT_EQ(messages.asked()[1].icon, rt::MessageIcon::Information);
  EXPECT_EQ(
      messages.asked()[1].text,
      "Reparado Varneta.dat: 60 registros recuperados, 0 ilegibles; el archivo dañado quedó como "
      "Varneta.dat.dañado."_cp);
  EXPECT_EQ(row(rows, "Pacientes").FILERECORDS, "60");
  EXPECT_EQ(sqliteSays(file, "SELECT count(*) FROM PACIENTE NOT INDEXED"), "60\n");
  EXPECT_TRUE(fs::exists(rt::workingFolder() / "Varneta.dat.dañado"));
  fs::remove(rt::workingFolder() / "Varneta.dat.dañado");
}

TEST(RepairCommandLine, FollowsTheNameAsGiven) {
  struct Case {
    const char* name;
    const char* oem;
    const char* line;
  } cases[] = {
      {"PACIENTE", "/O", "datfix PACIENTE.dat  /E:PACIENTE.tpe /K /A /O"},
      {"Varneta.dat", "  ", "datfix Varneta.dat  /E:Varneta.tpe /K /A   "},
      {"Mis Datos", "/O", "datfix \"Mis Datos.dat\"  /E:\"Mis Datos.tpe\" /K /A /O"},
      {"Mis Datos.v2.dat", "  ", "datfix \"Mis Datos.v2.dat\"  /E:\"Mis Datos.v2.tpe\" /K /A   "},
  };
  for (const Case& c : cases) EXPECT_EQ(repairCommandLine(c.name, c.oem), c.line) << c.name;
  EXPECT_EQ(
      commandWords(cases[2].line),
      (std::vector<std::string>{"datfix", "Mis Datos.dat", "/E:Mis Datos.tpe", "/K", "/A", "/O"}));
}

TEST_F(FileManager, ABadTableAtStartIsAskedAboutExplainedAndForgotten) {
  rt::putIni(core::kTableCheckSection, core::kBadFileEntry, "Pacientes");
  ScriptedMessages messages({rt::button::Yes});
  runWith({}, {});
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[0].caption, "Warning");
  EXPECT_EQ(messages.asked()[0].text,
            "Warning : The program may have crashed attempting to open the file Pacientes. Do you "
            "wish to have the "
            "program attempt to fix the file ? ");
  EXPECT_EQ(messages.asked()[0].defaultButton, rt::button::Yes);
  EXPECT_EQ(messages.asked()[1].caption, "Information");
  EXPECT_EQ(messages.asked()[1].text,
            "Select the Pacientes file from the list, and then click on the FIX button.");
  EXPECT_EQ(rt::getIni(core::kTableCheckSection, core::kBadFileEntry, "unset"), "");
}

// A table stored under an older structure: the window tags every table,
// shows their information and closes by itself.
TEST_F(FileManager, AnOlderStructureRunsInformationOnEveryTableAndCloses) {
  addRecords(core::Pacientes::def(), 1, 7);
  rt::closeDatabase();
  ASSERT_EQ(execOn(rt::workingFolder() / "Varneta.dat",
                   "UPDATE _varneta_meta SET version = version - 1 WHERE tbl = 'PACIENTE'"),
            SQLITE_OK);
  reopenIn(rt::workingFolder());
  EXPECT_EQ(tu_DoFullUpgrade(0, 1), 1);
  std::vector<FileRow> rows;
  ASSERT_TRUE(rt::testing::runOnThread(
      [&] {
        FileManagerWindow window;
        window.Run();
        rows = window.rows();
      },
      60s));
  for (const FileRow& r : rows) EXPECT_TRUE(r.TAGGED) << r.FILENAME;
  EXPECT_EQ(row(rows, "Pacientes").FILERECORDS, "7");
  EXPECT_EQ(row(rows, "Turnos").DISKNAME, "Varneta.dat");
}

TEST_F(FileManager, FreshenKeepsTheRecordsAndRefusesANewerStructure) {
  addRecords(core::Pacientes::def(), 1, 12);
  addRecords(core::Turnos::def(), 1, 4);
  const fs::path plain = rt::workingFolder() / "Varneta.dat";
  const auto patients = versions(plain, "PACIENTE");
  ASSERT_EQ(execOn(plain, "UPDATE _varneta_meta SET version = version + 1 WHERE tbl = 'Turnos'"),
            SQLITE_OK);
  ScriptedMessages messages;
  const std::vector<FileRow> rows = runWith({"Pacientes", "Turnos"}, {"?Freshen"});
  EXPECT_EQ(versions(plain, "PACIENTE"), patients);
  EXPECT_EQ(row(rows, "Pacientes").FILERECORDS, "12");
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_NE(messages.asked()[0].text.find("Turnos"), std::string::npos);
  EXPECT_EQ(messages.asked()[1].text,
            "Se copiaron a un archivo nuevo los registros de:|Pacientes (Varneta.dat)");
  EXPECT_EQ(versions(plain, "Turnos").size(), 4u);
}

// A run that ends says what it did, naming each table with its file (each
// file once for packing, which works on whole files), or that it did nothing.
TEST_F(FileManager, EachRunSaysWhatItDidNamingTheFiles) {
  addRecords(core::Pacientes::def(), 1, 3);
  addRecords(core::LogConsultas::def(), 1, 3);
  struct Case {
    std::vector<std::string> tagged;
    const char* button;
    const char* caption;
    std::string text;
  };
  const Case cases[] = {
      {{"Pacientes", "LogConsultas"},
       "?Build",
       "Reconstruir",
       "Se reconstruyeron las claves de:|Pacientes (Varneta.dat)|LogConsultas (VarnetaC.dat)"},
      {{"Especialidades"}, "?Build", "Reconstruir", "No se reconstruyó ninguna tabla."_cp},
      {{"Pacientes", "Consultas", "LogConsultas"},
       "?Pack",
       "Compactar",
       "Se compactaron los archivos:|Varneta.dat|VarnetaC.dat"},
      {{"Pacientes"},
       "?Release",
       "Liberar",
       "Se liberaron los registros retenidos de:|Pacientes (Varneta.dat)"},
      {{"LogConsultas"},
       "?Freshen",
       "Refrescar",
       "Se copiaron a un archivo nuevo los registros de:|LogConsultas (VarnetaC.dat)"},
      {{"Pacientes", "Especialidades"},
       "?Create",
       "Crear",
       "Se crearon:|Especialidades (Varneta.dat)"},
      {{"Pacientes"}, "?Create", "Crear", "No faltaba ningún archivo: no se creó ninguno."_cp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button + std::string(" ") + c.text);
    rt::closeDatabase();
    ASSERT_EQ(execOn(rt::workingFolder() / "Varneta.dat", "DROP TABLE IF EXISTS ESPECIAL"),
              SQLITE_OK);
    reopenIn(rt::workingFolder());
    ScriptedMessages messages;
    runWith(c.tagged, {c.button});
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].caption, c.caption);
    EXPECT_EQ(messages.asked()[0].icon, rt::MessageIcon::Information);
    EXPECT_EQ(messages.asked()[0].text, c.text);
  }
}

// Cancel during a rebuild abandons that table's rebuild as a whole.
TEST_F(FileManager, ACancelledRebuildIsRolledBack) {
  addRecords(core::Pacientes::def(), 1, 20);
  rt::closeDatabase();
  const fs::path plain = rt::workingFolder() / "Varneta.dat";
  ASSERT_EQ(execOn(plain, "DROP INDEX PACIENTE_PAS_002"), SQLITE_OK);
  reopenIn(rt::workingFolder());
  rt::MaintenanceConnection connection(rt::workingFolder(), core::practiceDataFiles());
  std::atomic<bool> cancel{false};
  bool cancelled = false;
  std::vector<int> keys;
  EXPECT_EQ(connection.rebuildKeys(
                core::Pacientes::def(),
                [&](int key) {
                  keys.push_back(key);
                  if (key == 1) cancel = true;
                },
                cancel, &cancelled),
            0);
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(keys, (std::vector<int>{0, 1}));
  EXPECT_EQ(rt::testing::commandOutput(
                "sqlite3 '" + plain.string() +
                "' \"SELECT count(*) FROM sqlite_master WHERE name = 'PACIENTE_PAS_002'\""),
            "0\n")
      << "the key made again in the rebuild went with it";
  cancel = false;
  EXPECT_EQ(connection.rebuildKeys(core::Pacientes::def(), {}, cancel, &cancelled), 0);
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(rt::integrityCheck(core::mainDataFile()), "ok");
}

TEST_F(FileManager, CountingAnEmptyTableEndsAtAHundredPercent) {
  rt::MaintenanceConnection connection(
      rt::workingFolder(),
      {&core::mainDataFile(), &core::clinicalDataFile(), &core::agendaDataFile()});
  addRecords(core::Feriados::def(), 1, 0);
  std::int64_t records = -1;
  std::vector<int> seen;
  EXPECT_EQ(
      connection.countRecords(core::Feriados::def(), &records, [&](int p) { seen.push_back(p); }),
      0);
  EXPECT_EQ(records, 0);
  EXPECT_EQ(seen, std::vector<int>{100});
}

}  // namespace
}  // namespace admin
