#include "core/frame/activity_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/frame/globals.h"
#include "platform/base/clock.h"
#include "platform/base/message_hook.h"
#include "platform/base/paths.h"
#include "platform/base/private_temp.h"
#include "platform/base/runtime_errors.h"

namespace core {
namespace {

std::vector<std::string> linesOf(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class ActivityLog : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TEMP", rt::runtimeName(rt::workingFolder() / "tmp").c_str(), 1);
    std::filesystem::remove_all(rt::workingFolder() / "tmp");
    std::filesystem::create_directories(rt::workingFolder() / "tmp");
    GLO::Cod_Usuario_Logueado = 0;
    BuildArchivoLog();
    std::filesystem::remove(file());
  }
  void TearDown() override { unsetenv("TEMP"); }
  std::filesystem::path file() const { return rt::resolvePath(GLO::ArchivoLog); }
};

TEST_F(ActivityLog, OneFilePerUserAndDayOneStampedLinePerEvent) {
  EXPECT_EQ(std::filesystem::path(file()).filename(), "LogTL-0000-82090.txt");
  rt::setFixedClock(82090, rt::makeTime(17, 30, 5));
  AgregaLog("   Debe realizarse un respaldo  ");
  AgregaLog("");
  AgregaLog("Uno||Tres");
  AgregaLog(std::string(5000, 'x'));
  const std::vector<std::string> lines = linesOf(file());
  ASSERT_EQ(lines.size(), 4u) << "created by the first call, appended by the next";
  EXPECT_EQ(lines[0], "29/09/2025 17:30:05 - Debe realizarse un respaldo");
  EXPECT_EQ(lines[1], "29/09/2025 17:30:05 -") << "a line file keeps no trailing blanks";
  EXPECT_EQ(lines[2], "29/09/2025 17:30:05 - Uno||Tres");
  EXPECT_EQ(lines[3].size(), kLogLineLength);

  GLO::Cod_Usuario_Logueado = 3;
  BuildArchivoLog();
  std::filesystem::remove(file());
  EXPECT_EQ(std::filesystem::path(file()).filename(), "LogTL-0003-82090.txt");
  AgregaLog("Ingreso");
  EXPECT_EQ(linesOf(file()).size(), 1u) << "a login starts a file of its own";
}

// Message texts name patients: the log is the account's own, and what
// another account plants in the shared temp folder under the log's name (a
// file in another letter case, a link) is neither found nor written.
TEST_F(ActivityLog, TheLogIsPrivateAndNothingPlantedInTheSharedTempIsWritten) {
  namespace fs = std::filesystem;
  const fs::path shared = rt::workingFolder() / "tmp";
  const fs::path victim = rt::workingFolder() / "victima.txt";
  std::ofstream(victim) << "intacto";
  fs::create_symlink(victim, shared / "LogTL-0000-82090.txt");
  std::ofstream(shared / "logtl-0000-82090.TXT") << "intacto";
  fs::permissions(shared / "logtl-0000-82090.TXT", fs::perms::all);
  AgregaLog("Paciente Ana Ruiz");
  EXPECT_EQ(file().parent_path(), rt::privateTempFolder());
  EXPECT_EQ(fs::status(file().parent_path()).permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(file()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(linesOf(file()).size(), 1u);
  EXPECT_EQ(linesOf(victim), std::vector<std::string>{"intacto"});
  EXPECT_EQ(linesOf(shared / "logtl-0000-82090.TXT"), std::vector<std::string>{"intacto"});
}

TEST_F(ActivityLog, ErrorLinesQuoteTheRuntimeAndTheDriver) {
  rt::setFixedClock(82090, rt::makeTime(17, 30, 5));
  rt::clearError();
  EXPECT_TRUE(activityErrorLines().empty());
  rt::setError(rt::error::AccessDenied);
  EXPECT_EQ(activityErrorLines(),
            std::vector<std::string>{"29/09/2025 17:30:05 - Error -> 5 - " + rt::errorText(5)});
  rt::setFileError("28", "No space left on device  ");
  const std::vector<std::string> lines = activityErrorLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "29/09/2025 17:30:05 - Error -> 90 - " + rt::errorText(90));
  EXPECT_EQ(lines[1], "29/09/2025 17:30:05 - FileError -> 28 - No space left on device");
  rt::clearError();
}

TEST_F(ActivityLog, AFailedAppendLeavesItsErrorAndAFailedOpenDoesNotLoop) {
  // A log that cannot be opened: the open is reported with a message, and the
  // message window logs every message, so the message comes back here.
  GLO::ArchivoLog = rt::runtimeName(rt::workingFolder() / "no-such-folder" / "log.txt");
  int messages = 0;
  rt::MessageHandler previous = rt::setMessageHandler([&](const rt::MessageRequest& m) {
    ++messages;
    AgregaLog(m.text);
    return rt::button::Ok;
  });
  AgregaLog("Aviso");
  rt::setMessageHandler(previous);
  EXPECT_EQ(messages, 1);
  EXPECT_FALSE(std::filesystem::exists(file()));

  // The error lines, as a failed append of a file that does open writes them.
  const std::filesystem::path full = "/dev/full";
  if (!std::filesystem::exists(full)) GTEST_SKIP() << "no /dev/full to fail an append";
  GLO::ArchivoLog = "/dev/full";
  rt::MessageHandler quiet = rt::setMessageHandler([](const rt::MessageRequest&) { return 1; });
  AgregaLog("Aviso");
  rt::setMessageHandler(quiet);
  EXPECT_NE(rt::errorCode(), 0) << "the append failed and left its error";
}

}  // namespace
}  // namespace core
