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
const char* const kActions[] = {"?Build", "?Pack", "?Release", "?Fix", "?Freshen", "?Info", "?Create"};

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

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Each (_id, _rv) of a stored table, in order.
std::vector<std::pair<std::int64_t, std::int64_t>> versions(const fs::path& file, const std::string& table,
                                                             const std::string& vfs = {}) {
  sqlite3* db = nullptr;
  std::string uri = "file:" + file.string() + (vfs.empty() ? "" : "?vfs=" + vfs);
  sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
  std::vector<std::pair<std::int64_t, std::int64_t>> out;
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, ("SELECT _id, _rv FROM \"" + table + "\" ORDER BY _id").c_str(), -1, &s, nullptr);
  while (s && sqlite3_step(s) == SQLITE_ROW) out.emplace_back(sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1));
  sqlite3_finalize(s);
  sqlite3_close(db);
  return out;
}

int execOn(const fs::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open(file.c_str(), &db);
  rt::sql::registerCollations(db);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return rc;
}

class FileManager : public AdminFixture {
 protected:
  void SetUp() override {
    AdminFixture::SetUp();
    rt::putIni(core::kTableCheckSection, core::kBadFileEntry, "");
    previousStarter_ = rt::setProgramStarter(
        [this](const std::string& program, const std::vector<std::string>& args, const fs::path& folder) {
          started_.push_back({program, args, folder});
          return true;
        });
  }
  void TearDown() override {
    rt::setProgramStarter(previousStarter_);
    AdminFixture::TearDown();
  }

  // Opens the window, tags the rows named, presses the buttons in turn and
  // closes; answers the rows as the window left them.
  std::vector<FileRow> runWith(const std::vector<std::string>& tagged, const std::vector<std::string>& buttons) {
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
  };
  std::vector<Start> started_;
  rt::ProgramStarter previousStarter_;
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
    EXPECT_EQ(owners, (std::set<std::string>{"Agenda", "AgendaRecordatoria", "LogConsultas", "Planilla",
                                             "PlanillaHorarios", "RubrosAgenda"}));
    EXPECT_EQ(row(rows, "Pacientes").DISKNAME, "Varneta.dat\\!PACIENTE");
    EXPECT_EQ(row(rows, "LogFileTL").FILEDRIVER, "ASCII");
    for (const char* name : kActions) EXPECT_FALSE(w.control(name)->isEnabled()) << name;
    for (const char* name : {"?TagAll", "?UntagAll", "?Close"}) EXPECT_TRUE(w.control(name)->isEnabled()) << name;
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

  std::vector<FileRow> rows = runWith({"Pacientes", "Especialidades", "LogFileTL", "Agenda"}, {"?Info"});
  EXPECT_EQ(row(rows, "Pacientes").FILERECORDS, "3");
  EXPECT_EQ(row(rows, "Pacientes").DISKNAME, "Varneta.dat");
  EXPECT_EQ(row(rows, "Agenda").FILERECORDS, "0");
  EXPECT_EQ(row(rows, "Agenda").DISKNAME, "VarnetaA.dat");
  EXPECT_EQ(row(rows, "Especialidades").FILERECORDS, "0") << "a table not stored yet is empty";
  EXPECT_EQ(row(rows, "Especialidades").DISKNAME, "Varneta.dat");
  EXPECT_NE(rt::probeTable(core::Especialidades::def()).error, 0) << "Info creates nothing";
  EXPECT_EQ(row(rows, "LogFileTL").FILERECORDS, "?") << "no action touches it";

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
  EXPECT_TRUE(messages.asked().empty()) << messages.asked()[0].text;
  EXPECT_EQ(row(rows, "Pacientes").FILERECORDS, "80");
  EXPECT_EQ(versions(plain, "PACIENTE"), patients);
  EXPECT_EQ(versions(plain, "Consulta"), visits);
  EXPECT_EQ(versions(clinical, "LogConsul", "varneta-aes"), log);
  for (const rt::DataFile* file : {&core::mainDataFile(), &core::clinicalDataFile(), &core::agendaDataFile()}) {
    EXPECT_EQ(rt::integrityCheck(*file), "ok") << file->fileName;
  }
  EXPECT_EQ(rt::testing::commandOutput("sqlite3 '" + plain.string() + "' 'PRAGMA freelist_count'"), "0\n");
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
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "File Access Error");
  EXPECT_EQ(messages.asked()[0].text,
            "This option requires exclusive file access.|Please ensure no other users are in the system. |An "
            "error occured trying to open the file : Error " +
                rt::errorText(rt::error::FileLocked));
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

TEST_F(FileManager, FixAsksAboutTheSharedFileThenStartsTheRepairProgramOnItWithoutWaiting) {
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
  EXPECT_EQ(yes.asked().size(), 1u);
  ASSERT_EQ(started_.size(), 1u);
  EXPECT_EQ(started_[0].program, (rt::programFolder() / "datfix").string());
  EXPECT_EQ(started_[0].folder, rt::workingFolder());
  EXPECT_EQ(started_[0].args, (std::vector<std::string>{"Varneta.dat", "/E:Varneta.tpe", "/K", "/A"}));
  started_.clear();
  ScriptedMessages again({rt::button::Yes});
  runWith({"Turnos"}, {"?Fix"});
  ASSERT_EQ(started_.size(), 1u) << "a new run repairs it again";
  EXPECT_EQ(started_[0].args, (std::vector<std::string>{"Varneta.dat", "/E:Varneta.tpe", "/K", "/A", "/O"}));
  const std::string structure = slurp(rt::workingFolder() / "Varneta.tpe");
  EXPECT_NE(structure.find("CREATE TABLE main.\"PACIENTE\""), std::string::npos);
  EXPECT_NE(structure.find("CREATE TABLE main.\"Turnos\""), std::string::npos);
  EXPECT_EQ(structure.find("LogConsul"), std::string::npos) << "only the tables of that file";
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
  EXPECT_EQ(commandWords(cases[2].line),
            (std::vector<std::string>{"datfix", "Mis Datos.dat", "/E:Mis Datos.tpe", "/K", "/A", "/O"}));
}

class Repair : public AdminFixture {
 protected:
  // A copy of the plain data file and its structure in a folder of its own.
  fs::path copyWithStructure() {
    rt::closeDatabase();
    const fs::path folder = scratch("reparar");
    fs::copy_file(rt::workingFolder() / "Varneta.dat", folder / "Varneta.dat");
    reopenIn(rt::workingFolder());
    EXPECT_EQ(rt::writeStructureFile(core::mainDataFile(), core::registeredTables(), folder / "Varneta.tpe"), 0);
    return folder;
  }
  static int datfix(const fs::path& folder, const std::string& args, std::string* output = nullptr) {
    const std::string command =
        "cd '" + folder.string() + "' && '" VARNETA_DATFIX_BINARY "' " + args + " > datfix.out 2>&1";
    const int status = std::system(command.c_str());
    if (output) *output = slurp(folder / "datfix.out");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(Repair, AnOverwrittenPageLosesOnlyItsRecordsAndTheDamagedFileIsKept) {
  for (int i = 1; i <= 400; ++i) addRecords(core::Pacientes::def(), i, i, "Paciente-" + std::string(40, 'x'));
  const fs::path folder = copyWithStructure();
  const fs::path file = folder / "Varneta.dat";
  // A leaf page of the patients in the middle of the file, overwritten.
  const std::string pages = rt::testing::commandOutput(
      "sqlite3 '" + file.string() + "' \"SELECT pageno, pgsize FROM dbstat WHERE name = 'PACIENTE' AND pagetype = 'leaf' ORDER BY pageno\"");
  std::vector<std::pair<long, long>> leaves;
  std::istringstream lines(pages);
  for (std::string line; std::getline(lines, line);) {
    leaves.emplace_back(std::stol(line.substr(0, line.find('|'))), std::stol(line.substr(line.find('|') + 1)));
  }
  ASSERT_GE(leaves.size(), 4u) << pages;
  const auto [page, size] = leaves[leaves.size() / 2];
  {
    std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp((page - 1) * size);
    out << std::string(size, '\xA5');
  }
  const std::string damaged = slurp(file);
  ASSERT_NE(rt::testing::commandOutput("sqlite3 '" + file.string() + "' 'PRAGMA integrity_check' 2>&1"), "ok\n");

  std::string output;
  EXPECT_EQ(datfix(folder, "Varneta.dat  /E:Varneta.tpe /K /A", &output), 0) << output;
  EXPECT_EQ(slurp(folder / "Varneta.dat.dañado"), damaged);
  reopenIn(folder);
  EXPECT_EQ(rt::integrityCheck(core::mainDataFile()), "ok");
  const std::int64_t kept = count(core::Pacientes::def());
  EXPECT_GT(kept, 300);
  EXPECT_LT(kept, 400);
  rt::Table& t = rt::table(core::Pacientes::def());
  t.setToStart(0);
  int read = 0;
  while (t.next() == 0) {
    ++read;
    const rt::FieldDef& name = core::Pacientes::def().fields.at(core::Pacientes::def().fieldIndex("Nombre"));
    EXPECT_EQ(std::string(rt::clip(rt::fieldText(name, t.record()))).substr(0, 9), "Paciente-");
  }
  EXPECT_EQ(read, kept);
  reopenIn(rt::workingFolder());
}

// One byte of an index name in the schema changed: SQLite reads nothing of
// the file, the repair reads every record from the table pages.
TEST_F(Repair, ADamagedSchemaGivesEveryRecordBackAndTheDamagedFileIsKept) {
  addRecords(core::Pacientes::def(), 1, 40, "Paciente ñandú "_cp);
  addRecords(core::Macros::def(), 1, 13, std::string(3000, 'm'));  // records spilling over pages
  addRecords(core::Usuarios::def(), 1, 10);
  const fs::path folder = copyWithStructure();
  const fs::path file = folder / "Varneta.dat";
  std::string bytes = slurp(file);
  const std::size_t name = bytes.find("index" + core::Pacientes::def().storageName + "_");
  ASSERT_NE(name, std::string::npos);
  bytes[name + 5 + core::Pacientes::def().storageName.size() + 1] ^= 0x01;
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  ASSERT_NE(rt::testing::commandOutput("sqlite3 '" + file.string() + "' 'SELECT count(*) FROM PACIENTE' 2>&1")
                .find("malformed database schema"),
            std::string::npos);

  std::string output;
  EXPECT_EQ(datfix(folder, "Varneta.dat /E:Varneta.tpe /A", &output), 0) << output;
  EXPECT_NE(output.find("63 registros recuperados, 0 ilegibles; el archivo dañado quedó como Varneta.dat.dañado."),
            std::string::npos)
      << output;
  EXPECT_TRUE(slurp(folder / "Varneta.dat.dañado") == bytes) << "the damaged file is kept as it was";
  reopenIn(folder);
  EXPECT_EQ(rt::integrityCheck(core::mainDataFile()), "ok");
  EXPECT_EQ(count(core::Pacientes::def()), 40);
  EXPECT_EQ(count(core::Macros::def()), 13);
  EXPECT_EQ(count(core::Usuarios::def()), 10);
  rt::Table& t = rt::table(core::Pacientes::def());
  t.setToStart(0);
  ASSERT_EQ(t.next(), 0);
  const rt::FieldDef& field = core::Pacientes::def().fields.at(core::Pacientes::def().fieldIndex("Nombre"));
  EXPECT_EQ(std::string(rt::clip(rt::fieldText(field, t.record()))).substr(0, 15), "Paciente ñandú "_cp);
  reopenIn(rt::workingFolder());
}

// A repair that would leave less than it found, or that finds nothing, or
// that meets a journal of an unfinished write, changes nothing.
TEST_F(Repair, ARepairThatCannotKeepWhatItReadsChangesNothing) {
  struct Case {
    const char* name;
    int records;
    std::function<void(const fs::path& folder, std::string& bytes)> damage;
    int code;
    const char* says;
  };
  auto damageSchema = [](const fs::path&, std::string& bytes) {
    const std::size_t at = bytes.find("indexPACIENTE_");
    ASSERT_NE(at, std::string::npos);
    bytes[at + 14] ^= 0x01;
  };
  const std::vector<Case> cases = {
      {"nothing readable", 0, damageSchema, 2, "No se recuperó ningún registro de Varneta.dat: no se modificó."},
      {"a journal beside", 5,
       [](const fs::path& folder, std::string&) {
         std::ofstream(folder / "Varneta.dat-journal", std::ios::binary) << std::string(512, '\x01');
       },
       3, "Junto a Varneta.dat está el diario Varneta.dat-journal"},
      {"a super-journal beside", 5,
       [](const fs::path& folder, std::string&) { std::ofstream(folder / "Varneta.dat-mj0A1B2C3D") << "x"; }, 3,
       "Varneta.dat-mj0A1B2C3D de una escritura en curso o interrumpida"},
      // A table the description does not know, found only in the pages.
      {"an unknown table", 5,
       [&](const fs::path& folder, std::string& bytes) {
         ASSERT_EQ(execOn(folder / "Varneta.dat", "CREATE TABLE EXTRA (_id INTEGER PRIMARY KEY, a TEXT); "
                                                  "INSERT INTO EXTRA (a) VALUES ('x')"),
                   SQLITE_OK);
         bytes = slurp(folder / "Varneta.dat");
         damageSchema(folder, bytes);
       },
       4, "tiene la tabla EXTRA, que la descripción no conoce: no se modificó."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rt::closeDatabase();
    for (const char* name : {"Varneta.dat", "VarnetaC.dat", "VarnetaA.dat"}) fs::remove(rt::workingFolder() / name);
    ASSERT_EQ(core::openPracticeDatabase(rt::workingFolder()), 0);
    ASSERT_EQ(core::openAllTables(), 0);
    if (c.records) addRecords(core::Pacientes::def(), 1, c.records);
    const fs::path folder = copyWithStructure();
    const fs::path file = folder / "Varneta.dat";
    std::string bytes = slurp(file);
    c.damage(folder, bytes);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    std::string output;
    EXPECT_EQ(datfix(folder, "Varneta.dat /E:Varneta.tpe /A", &output), c.code) << output;
    EXPECT_NE(output.find(c.says), std::string::npos) << output;
    EXPECT_TRUE(slurp(file) == bytes) << "the file is left as it was";
    EXPECT_FALSE(fs::exists(folder / "Varneta.dat.dañado"));
  }
}

// A terminal reads UTF-8: the checker's refusal comes in it.
TEST_F(Repair, TheCheckerSpeaksUtf8) {
  const fs::path folder = copyWithStructure();
  for (const char* name : {"VarnetaC.dat", "VarnetaA.dat"}) fs::copy_file(rt::workingFolder() / name, folder / name);
  std::ofstream(folder / "Varneta.dat", std::ios::trunc).close();
  const std::string output =
      rt::testing::commandOutput("'" VARNETA_DATCHECK_BINARY "' '" + folder.string() + "' 2>&1");
  EXPECT_NE(output.find("El archivo de datos Varneta.dat está vacío."), std::string::npos) << output;
}

TEST_F(Repair, AFileOfANewerStructureOrInUseIsLeftAsItWas) {
  addRecords(core::Pacientes::def(), 1, 10);
  const fs::path folder = copyWithStructure();
  const fs::path file = folder / "Varneta.dat";
  ASSERT_EQ(execOn(file, "UPDATE _varneta_meta SET version = version + 1 WHERE tbl = 'PACIENTE'"), SQLITE_OK);
  const std::string before = slurp(file);
  std::string output;
  EXPECT_EQ(datfix(folder, "Varneta.dat /E:Varneta.tpe /K /A", &output), 4) << output;
  EXPECT_EQ(slurp(file), before);
  EXPECT_FALSE(fs::exists(folder / "Varneta.dat.dañado"));
  EXPECT_EQ(datfix(folder, "Varneta.dat", &output), 1) << output;
}

TEST_F(FileManager, ABadTableAtStartIsAskedAboutExplainedAndForgotten) {
  rt::putIni(core::kTableCheckSection, core::kBadFileEntry, "Pacientes");
  ScriptedMessages messages({rt::button::Yes});
  runWith({}, {});
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[0].caption, "Warning");
  EXPECT_EQ(messages.asked()[0].text,
            "Warning : The program may have crashed attempting to open the file Pacientes. Do you wish to have the "
            "program attempt to fix the file ? ");
  EXPECT_EQ(messages.asked()[0].defaultButton, rt::button::Yes);
  EXPECT_EQ(messages.asked()[1].caption, "Information");
  EXPECT_EQ(messages.asked()[1].text, "Select the Pacientes file from the list, and then click on the FIX button.");
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
  ASSERT_EQ(execOn(plain, "UPDATE _varneta_meta SET version = version + 1 WHERE tbl = 'Turnos'"), SQLITE_OK);
  ScriptedMessages messages;
  const std::vector<FileRow> rows = runWith({"Pacientes", "Turnos"}, {"?Freshen"});
  EXPECT_EQ(versions(plain, "PACIENTE"), patients);
  EXPECT_EQ(row(rows, "Pacientes").FILERECORDS, "12");
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_NE(messages.asked()[0].text.find("Turnos"), std::string::npos);
  EXPECT_EQ(versions(plain, "Turnos").size(), 4u);
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
  EXPECT_EQ(rt::testing::commandOutput("sqlite3 '" + plain.string() +
                                       "' \"SELECT count(*) FROM sqlite_master WHERE name = 'PACIENTE_PAS_002'\""),
            "0\n")
      << "the key made again in the rebuild went with it";
  cancel = false;
  EXPECT_EQ(connection.rebuildKeys(core::Pacientes::def(), {}, cancel, &cancelled), 0);
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(rt::integrityCheck(core::mainDataFile()), "ok");
}

TEST_F(FileManager, CountingAnEmptyTableEndsAtAHundredPercent) {
  rt::MaintenanceConnection connection(rt::workingFolder(),
                                       {&core::mainDataFile(), &core::clinicalDataFile(), &core::agendaDataFile()});
  addRecords(core::Feriados::def(), 1, 0);
  std::int64_t records = -1;
  std::vector<int> seen;
  EXPECT_EQ(connection.countRecords(core::Feriados::def(), &records, [&](int p) { seen.push_back(p); }), 0);
  EXPECT_EQ(records, 0);
  EXPECT_EQ(seen, std::vector<int>{100});
}

}  // namespace
}  // namespace admin
