// At start, a damaged data file is reported once, naming it, and its tables
// are recorded in the "BadFile" entry for table maintenance.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/tables/data_files.h"
#include "core/tables/table_registration.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/procedures.h"
#include "platform/data/database.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

TEST(DamagedDataFiles, AreReportedOnceAndRecordedForMaintenance) {
  const auto folder = std::filesystem::current_path() / "damaged-start";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "VarnetaA.dat", std::ios::binary);  // empty ...
  // ... beside a file that holds data.
  ASSERT_EQ(
      std::system(("/usr/bin/python3 -c \"import sqlite3,sys; sqlite3.connect(sys.argv[1]).execute("
                   "'create table t(x)')\" " +
                   (folder / "Varneta.dat").string())
                      .c_str()),
      0);
  rt::putIni(kTableCheckSection, kBadFileEntry, "");
  rt::testing::ScriptedMessages messages;
  EXPECT_TRUE(reportDamagedDataFiles(folder));
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Archivo de datos dañado"_cp);
  EXPECT_NE(messages.asked()[0].text.find("VarnetaA.dat"), std::string::npos);
  const std::string bad = rt::getIni(kTableCheckSection, kBadFileEntry);
  EXPECT_NE(bad.find("Agenda"), std::string::npos) << bad;
  EXPECT_EQ(bad.find("Pacientes"), std::string::npos) << "only the damaged file's tables";
  EXPECT_EQ(std::filesystem::file_size(folder / "VarnetaA.dat"), 0u);

  // The next start finds the record and opens maintenance instead.
  int maintenance = 0;
  rt::registerProcedure("RuntimeFileManager", [&](const rt::ProcedureArgs&) {
    ++maintenance;
    return rt::kCompleted;
  });
  EXPECT_TRUE(openMaintenanceForRecordedDamage());
  EXPECT_EQ(maintenance, 1);
  rt::unregisterProcedure("RuntimeFileManager");

  std::filesystem::remove(folder / "Varneta.dat");
  EXPECT_FALSE(reportDamagedDataFiles(folder)) << "empty and nothing else: a new folder";
  std::filesystem::remove(folder / "VarnetaA.dat");
  EXPECT_FALSE(reportDamagedDataFiles(folder)) << "a missing file is no damage";
  rt::putIni(kTableCheckSection, kBadFileEntry, "");
  EXPECT_FALSE(openMaintenanceForRecordedDamage());
}

// Another workstation holds the write lock for a moment (as during a long
// commit) while the program starts: the start waits for it, and then every
// table is usable.
TEST(DamagedDataFiles, AStartWaitsForAnotherWorkstationsLock) {
  const auto folder = std::filesystem::current_path() / "locked-start";
  std::filesystem::create_directories(folder);
  ASSERT_EQ(openPracticeDatabase(folder), 0);
  ASSERT_EQ(openAllTables(), 0);
  closeAllTables();
  rt::closeDatabase();
  const std::string command =
      "/usr/bin/python3 -c \"import sqlite3,sys,time\n"
      "c=sqlite3.connect(sys.argv[1],isolation_level=None); c.execute('BEGIN EXCLUSIVE')\n"
      "print('locked',flush=True); time.sleep(1.5); c.execute('COMMIT')\" " +
      (folder / "Varneta.dat").string();
  FILE* other = popen(command.c_str(), "r");
  ASSERT_NE(other, nullptr);
  char line[32] = {};
  ASSERT_NE(std::fgets(line, sizeof line, other), nullptr);
  ASSERT_EQ(std::string(line), "locked\n");
  int opened = -1;
  int tables = -1;
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(rt::testing::runOnThread(
      [&] {
        opened = openPracticeDatabaseWaiting(folder);
        if (opened == 0) tables = openAllTables();
        closeAllTables();
      },
      std::chrono::seconds(30)));
  pclose(other);
  EXPECT_EQ(opened, 0);
  EXPECT_EQ(tables, 0) << "every table usable after the wait";
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500))
      << "it waited";
  rt::closeDatabase();
}

}  // namespace
}  // namespace core
