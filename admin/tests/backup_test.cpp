// The backup window: the archive holds a consistent copy of the data files
// (sealed files still sealed) and the settings files, a backup made names its
// archive, a failed backup says so and leaves the record of the last backup
// alone, Cancel writes nothing.
#include "admin/backup.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLabel>
#include <QLineEdit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "admin/tests/admin_fixture.h"
#include "core/frame/backup_reminder.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "platform/base/cp_literal.h"
#include "platform/base/debug_sink.h"
#include "platform/base/ini_file.h"
#include "platform/base/outside_actions.h"
#include "platform/base/paths.h"
#include "platform/base/private_temp.h"
#include "platform/data/connection.h"
#include "platform/data/database.h"
#include "platform/data/table.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/pdf_probe.h"
#include "platform/ui/testing/window_test_kit.h"

namespace admin {
namespace {

namespace fs = std::filesystem;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;
using namespace std::chrono_literals;

constexpr const char* kTitle = "Respaldo de los datos del Sistema";
constexpr const char* kArchive = "Varneta-20250929-1030.7z";

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class Backup : public AdminFixture {
 protected:
  void SetUp() override {
    AdminFixture::SetUp();
    fs::remove(rt::iniFilePath(core::backupIniFile()));
    rt::putIni("Respaldo", "Habilitado", "1", core::backupIniFile());
    rt::putIni("Usuario", "Usuario", "Consultorio", ".\\Dezedu.ini");
    rt::putIni("AnyFont", "FontSize", "9", ".\\varneta.INI");
    std::ofstream("notas.txt") << "no es parte del respaldo";
    destination_ = scratch("destino");
  }

  // Runs the window: types the destination and presses OK, then Cancel in
  // case the window stayed open.
  void backUpTo(const std::string& destination) {
    WindowScript script;
    script.on(kTitle, [destination](rt::WindowDriver& w) {
      w.control<QLineEdit>("?CAMINOPARARESPALDO")->setText(rt::toQString(destination));
      rt::testing::click(w, "?OK");
      rt::testing::click(w, "?Cancel");
    });
    ASSERT_TRUE(rt::testing::runOnThread([] { Respaldo(); }, 60s));
    EXPECT_EQ(script.pending(), 0);
  }

  // The one message of a backup that was made: it names the archive.
  static void expectDone(const ScriptedMessages& messages, const fs::path& archive) {
    ASSERT_EQ(messages.asked().size(), 1u);
    const rt::MessageRequest& done = messages.asked()[0];
    EXPECT_EQ(done.caption, "Respaldo");
    EXPECT_EQ(done.icon, rt::MessageIcon::Information);
    EXPECT_EQ(done.text, "Respaldo realizado en el archivo|" + rt::runtimeName(archive));
  }

  fs::path unpack(const fs::path& archive) {
    const fs::path into = scratch("desempacado");
    rt::testing::commandOutput("7z x -y -o'" + into.string() + "' '" + archive.string() + "' 2>&1");
    return into;
  }

  fs::path destination_;
};

TEST_F(Backup, ArchivesEveryDataAndSettingsFileAsACopyThatOpens) {
  addRecords(core::Pacientes::def(), 1, 40);
  addRecords(core::LogConsultas::def(), 1, 25, "SECRETO-LEGIBLE");
  rt::DebugCapture trace;
  ScriptedMessages messages;
  WindowScript script;
  script.on(kTitle, [this](rt::WindowDriver& w) {
    EXPECT_EQ(rt::fromQString(w.control<QLineEdit>("?CAMINOPARARESPALDO")->text()), "");
    EXPECT_EQ(rt::fromQString(w.control<QLabel>("?LOC:UltimaFecha")->text()), "");
    w.control<QLineEdit>("?CAMINOPARARESPALDO")
        ->setText(rt::toQString(destination_.string() + "\\"));
    rt::testing::click(w, "?OK");
  });
  ASSERT_TRUE(rt::testing::runOnThread([] { Respaldo(); }, 60s));
  const fs::path archive = destination_ / kArchive;
  expectDone(messages, archive);

  ASSERT_TRUE(fs::is_regular_file(archive));
  const std::string listing = rt::testing::commandOutput("7z l '" + archive.string() + "'");
  for (const char* name : {"Varneta.dat", "VarnetaC.dat", "VarnetaA.dat", "Dezedu.ini",
                           "varneta.INI", "respaldo.ini"}) {
    EXPECT_NE(listing.find(std::string(" ") + name + "\n"), std::string::npos) << name << "\n"
                                                                               << listing;
  }
  EXPECT_EQ(listing.find("notas.txt"), std::string::npos);
  const std::string ini = core::backupIniFile();
  EXPECT_EQ(rt::getIni("Respaldo", "Dia", "", ini), std::to_string(rt::testing::kTestDate));
  EXPECT_EQ(rt::getIni("Respaldo", "Hora", "", ini), std::to_string(rt::testing::kTestTime));
  EXPECT_EQ(rt::getIni("Respaldo", "Destino", "", ini), destination_.string() + "\\");
  const std::vector<std::string> lines = trace.lines();
  ASSERT_FALSE(lines.empty());
  const std::string& line = lines.back();
  EXPECT_EQ(line.rfind("LineaComando -> ", 0), 0u) << line;
  EXPECT_NE(line.find(" a -ssw -mx=9 -myx=9 -mmt1 -y "), std::string::npos) << line;

  const fs::path copy = unpack(archive);
  EXPECT_EQ(slurp(copy / "Dezedu.ini"), slurp(rt::workingFolder() / "Dezedu.ini"));
  EXPECT_EQ(slurp(copy / "VarnetaC.dat").find("SECRETO-LEGIBLE"), std::string::npos)
      << "sealed pages";
  EXPECT_EQ(slurp(copy / "Varneta.dat").find("SQLite format 3"), 0u);
  reopenIn(copy);
  EXPECT_EQ(count(core::Pacientes::def()), 40);
  EXPECT_EQ(count(core::LogConsultas::def()), 25);
  EXPECT_EQ(rt::integrityCheck(core::clinicalDataFile()), "ok");
  reopenIn(rt::workingFolder());
}

// Files whose names read as the archiver's switches, a list file or a
// wildcard are packed as files, and the data files with them.
TEST_F(Backup, NamesThatReadAsSwitchesArePackedAsFilesBesideEveryDataFile) {
  addRecords(core::Pacientes::def(), 1, 3);
  const char* planted[] = {"-x!*.dat", "@lista.ini", "*.ini"};
  for (const char* name : planted) std::ofstream(name) << "x";
  ScriptedMessages messages;
  backUpTo(destination_.string());
  expectDone(messages, destination_ / kArchive);
  const std::string listing =
      rt::testing::commandOutput("7z l -slt -- '" + (destination_ / kArchive).string() + "'");
  for (const std::string name : {"Varneta.dat", "VarnetaC.dat", "VarnetaA.dat", "Dezedu.ini",
                                 "-x!*.dat", "@lista.ini", "*.ini"}) {
    EXPECT_NE(listing.find("\nPath = " + name + "\n"), std::string::npos) << name << "\n"
                                                                          << listing;
  }
  EXPECT_EQ(rt::getIni("Respaldo", "Dia", "", core::backupIniFile()),
            std::to_string(rt::testing::kTestDate));
}

// A workstation commits, transaction after transaction, one record into a
// table of the plain file and one into a sealed one while the backup runs:
// the archive never holds one without the other.
TEST_F(Backup, CopiesAConsistentPairWhileAnotherWorkstationCommitsOverTwoFiles) {
  addRecords(core::Pacientes::def(), 1, 0);
  addRecords(core::LogConsultas::def(), 1, 0);
  const fs::path stop = scratch("parar") / "ahora";
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const std::string folder = rt::workingFolder().string();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(ready[0]);
    sqlite3* db = nullptr;
    int rc = sqlite3_open((folder + "/Varneta.dat").c_str(), &db);
    sqlite3_busy_timeout(db, 20000);
    rt::sql::registerCollations(db);
    const std::string attach = "ATTACH 'file:" + folder + "/VarnetaC.dat?vfs=varneta-aes' AS c";
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, attach.c_str(), nullptr, nullptr, nullptr);
    for (int i = 1; rc == SQLITE_OK && i <= 100000 && !fs::exists(stop); ++i) {
      const std::string sql = "BEGIN IMMEDIATE; " + insertSql(core::Pacientes::def(), "main", i) +
                              "; " + insertSql(core::LogConsultas::def(), "c", i) + "; COMMIT;";
      rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
      if (i == 1) (void)!write(ready[1], "x", 1);
      usleep(500);  // a busy workstation still pauses between commits
    }
    if (rc != SQLITE_OK) fprintf(stderr, "writer: %s\n", sqlite3_errmsg(db));
    sqlite3_close(db);
    _exit(rc == SQLITE_OK ? 0 : 1);
  }
  close(ready[1]);
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  ScriptedMessages messages;
  backUpTo(destination_.string());
  std::ofstream(stop) << "1";
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  expectDone(messages, destination_ / kArchive);

  const fs::path copy = unpack(destination_ / kArchive);
  reopenIn(copy);
  const std::int64_t patients = count(core::Pacientes::def());
  EXPECT_GT(patients, 0);
  EXPECT_EQ(count(core::LogConsultas::def()), patients);
  reopenIn(rt::workingFolder());
}

// A sealed file larger than the copy's page cache: its pages are written
// out before the copy ends, and each must be sealed as it goes.
TEST_F(Backup, ASealedFileLargerThanTheCacheIsCopiedWhole) {
  addRecords(core::LogConsultas::def(), 1, 0);
  rt::closeDatabase();
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((rt::workingFolder() / "Varneta.dat").c_str(), &db), SQLITE_OK);
    rt::sql::registerCollations(db);
    const std::string sql =
        "ATTACH 'file:" + (rt::workingFolder() / "VarnetaC.dat").string() +
        "?vfs=varneta-aes' AS c; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
        "WHERE i < 200000) INSERT INTO c.LogConsul (Cod_LogConsulta, Cod_Consulta, Cod_Usuario, "
        "Operacion) "
        "SELECT i, i, i % 50, 'A' FROM n";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  ASSERT_GT(fs::file_size(rt::workingFolder() / "VarnetaC.dat"), 9u << 20);
  reopenIn(rt::workingFolder());
  const BackupSnapshot snapshot = snapshotWorkingFiles(rt::workingFolder());
  ASSERT_EQ(snapshot.error, "");
  reopenIn(snapshot.folder);
  EXPECT_EQ(count(core::LogConsultas::def()), 200000);
  EXPECT_EQ(rt::integrityCheck(core::clinicalDataFile()), "ok");
  reopenIn(rt::workingFolder());
}

// The copies hold patient data: they lie in the account's own temp folder,
// readable by the account only, and go with the snapshot.
TEST_F(Backup, TheStagedCopiesArePrivateAndRemovedAfterwards) {
  addRecords(core::Pacientes::def(), 1, 3);
  fs::permissions("Dezedu.ini", fs::perms::all);
  fs::path staged;
  {
    const BackupSnapshot snapshot = snapshotWorkingFiles(rt::workingFolder());
    ASSERT_EQ(snapshot.error, "");
    staged = snapshot.folder;
    EXPECT_EQ(staged.parent_path(), rt::privateTempFolder());
    EXPECT_EQ(fs::status(staged).permissions(), fs::perms::owner_all);
    for (const std::string& name : snapshot.names) {
      EXPECT_EQ(fs::status(staged / name).permissions(),
                fs::perms::owner_read | fs::perms::owner_write)
          << name;
    }
  }
  EXPECT_FALSE(fs::exists(staged));
}

TEST_F(Backup, CancelLeavesTheBackupRecordAsItWas) {
  rt::putIni("Respaldo", "Dia", "82000", core::backupIniFile());
  const std::string before = slurp(rt::iniFilePath(core::backupIniFile()));
  WindowScript script;
  script.on(kTitle, [this](rt::WindowDriver& w) {
    EXPECT_EQ(rt::fromQString(w.control<QLabel>("?LOC:UltimaFecha")->text()), "01/07/2025");
    w.control<QLineEdit>("?CAMINOPARARESPALDO")->setText(rt::toQString(destination_.string()));
    rt::testing::click(w, "?Cancel");
  });
  ASSERT_TRUE(rt::testing::runOnThread([] { Respaldo(); }));
  EXPECT_EQ(slurp(rt::iniFilePath(core::backupIniFile())), before);
  EXPECT_TRUE(fs::is_empty(destination_));
}

// A backup that was not made leaves "Dia" and "Hora" alone (the reminder
// keeps reminding) and "Destino" at the last place that worked, says why,
// and keeps the window open.
TEST_F(Backup, AFailedBackupSaysWhyAndKeepsTheRecordOfTheLastOne) {
  std::ofstream("un-archivo") << "x";
  const fs::path emptyPath = scratch("sin-programas");
  struct Case {
    std::string destination;
    std::string path;  // $PATH for the run
    std::string detail;
  };
  std::vector<Case> cases = {
      {"", "/usr/bin:/bin", "No se indicó el camino para el respaldo."_cp},
      {"   ", "/usr/bin:/bin", "No se indicó el camino para el respaldo."_cp},
      {(rt::workingFolder() / "un-archivo" / "sub").string(), "/usr/bin:/bin",
       "El compresor terminó con el código 2."_cp},
      {destination_.string(), emptyPath.string(),
       "No se encontró el programa 7z (paquete p7zip-full)."_cp},
  };
  // An archiver that ends well but leaves the last name out of the archive.
  const fs::path dropping = scratch("compresor-incompleto");
  std::ofstream(dropping / "7z")
      << "#!/bin/bash\nif [ \"$1\" = a ]; then set -- \"${@:1:$(($#-1))}\"; fi\nexec '"
      << rt::findProgramOnPath("7z") << "' \"$@\"\n";
  fs::permissions(dropping / "7z", fs::perms::owner_all);
  cases.push_back({destination_.string(), dropping.string() + ":/usr/bin:/bin",
                   "El archivo comprimido no contiene: varneta.INI."});
  const std::string oldPath = std::getenv("PATH");
  for (const Case& c : cases) {
    rt::putIni("Respaldo", "Dia", "82000", core::backupIniFile());
    rt::putIni("Respaldo", "Hora", "100", core::backupIniFile());
    rt::putIni("Respaldo", "Destino", "/media/pendrive", core::backupIniFile());
    setenv("PATH", c.path.c_str(), 1);
    ScriptedMessages messages;
    backUpTo(c.destination);
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_EQ(messages.asked().size(), 1u) << c.destination;
    const std::string& text = messages.asked()[0].text;
    EXPECT_EQ(text.rfind("No se pudo realizar el respaldo.|" + c.detail, 0), 0u) << text;
    EXPECT_EQ(rt::getIni("Respaldo", "Dia", "", core::backupIniFile()), "82000");
    EXPECT_EQ(rt::getIni("Respaldo", "Hora", "", core::backupIniFile()), "100");
    EXPECT_EQ(rt::getIni("Respaldo", "Destino", "", core::backupIniFile()), "/media/pendrive");
  }
  EXPECT_TRUE(fs::is_empty(destination_)) << "an archive that is not whole is not left behind";
}

TEST(BackupArchiveName, TakesTheDateAndTheTimeAsShown) {
  const rt::Date date = rt::makeDate(3, 7, 2026);
  EXPECT_EQ(backupArchiveName("E:\\Respaldos", date, rt::makeTime(14, 35)),
            "E:\\Respaldos\\Varneta-20260307-1435");
  EXPECT_EQ(backupArchiveName("E:\\", date, rt::makeTime(9, 5)), "E:\\\\Varneta-20260307-0905");
  EXPECT_EQ(backupArchiveName("/media/usb   ", date, rt::makeTime(0, 0)),
            "/media/usb\\Varneta-20260307-0000");
}

TEST(BackupArchiver, AnArgumentWithABlankStaysWhole) {
  EXPECT_EQ(archiverArguments("/media/mi usb/Varneta-1", {"a b.ini"}),
            (std::vector<std::string>{"a", "-ssw", "-mx=9", "-myx=9", "-mmt1", "-y", "-spd",
                                      "/media/mi usb/Varneta-1", "--", "a b.ini"}));
  EXPECT_EQ(commandLineText("/usr/bin/7z", {"a", "/x y/V"}), "/usr/bin/7z a \"/x y/V\"");
}

}  // namespace
}  // namespace admin
