// At start, a damaged data file is reported once, naming it, and its tables
// are recorded in the "BadFile" entry for table maintenance.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>

#include "core/table_registration.h"
#include "platform/base/ini_file.h"
#include "platform/base/cp_literal.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

TEST(DamagedDataFiles, AreReportedOnceAndRecordedForMaintenance) {
  const auto folder = std::filesystem::current_path() / "damaged-start";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "VarnetaA.dat", std::ios::binary);  // empty ...
  // ... beside a file that holds data.
  ASSERT_EQ(std::system(("/usr/bin/python3 -c \"import sqlite3,sys; sqlite3.connect(sys.argv[1]).execute("
                         "'create table t(x)')\" " + (folder / "Varneta.dat").string()).c_str()),
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

  std::filesystem::remove(folder / "Varneta.dat");
  EXPECT_FALSE(reportDamagedDataFiles(folder)) << "empty and nothing else: a new folder";
  std::filesystem::remove(folder / "VarnetaA.dat");
  EXPECT_FALSE(reportDamagedDataFiles(folder)) << "a missing file is no damage";
  rt::putIni(kTableCheckSection, kBadFileEntry, "");
}

}  // namespace
}  // namespace core
