#include "core/aids/main_services.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "core/aids/proper_case_name.h"
#include "core/frame/environment_variables.h"
#include "core/shapes/report_display_strings.h"
#include "core/tables/file_warnings.h"
#include "platform/base/cp1252.h"
#include "platform/base/debug_sink.h"
#include "platform/base/ini_file.h"
#include "platform/base/message_hook.h"
#include "platform/base/outside_actions.h"
#include "platform/base/paths.h"
#include "platform/base/runtime_errors.h"

namespace {

namespace fs = std::filesystem;

std::string w(const char* utf8) { return rt::utf8ToCp1252(utf8); }

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ProperCaseName, CapitalisesPersonalNames) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"JUAN PEREZ", "Juan Perez"},
      {"mclean", "McLean"},
      {"mcdonald", "Mcdonald"},
      {"o'brien", "O'Brien"},
      {"ana maria o'neil", "Ana Maria O'Neil"},
      {"", ""},
      {"     ", "     "},
      {"a b c d o'hara", "A B C D O'hara"},    // the fifth word gets no word rule
      {"ana  b c o'hara", "Ana  B C O'hara"},  // two spaces make an empty word
      {"ana b c o'hara", "Ana B C O'Hara"},    // the fourth still does
      {"x y z w v mclean", "X Y Z W V Mclean"},
      {"jose-maria d.l. PAZ   ", "Jose-maria D.l. Paz   "},  // only spaces separate words
      {"ÑANDÚ ÁLVAREZ", "Ñandú Álvarez"},
      {"MCLEAN DE O'BRIEN", "McLean De O'Brien"},
      {"o'", "O'"},
      {"j", "J"},
      {" juan", " Juan"},
  };
  for (const Case& c : cases) {
    const std::string result = core::ProperCaseName(w(c.text));
    EXPECT_EQ(rt::cp1252ToUtf8(result), c.expected) << "\"" << c.text << "\"";
  }
}

TEST(EnvVarValue, NamesAndValues) {
  ScopedEnv noTemp("TEMP", nullptr);
  ScopedEnv noCd("CD", nullptr);
  ScopedEnv computer("COMPUTERNAME", "CONSULTORIO-1");
  ScopedEnv user("USERNAME", "recepción");
  EXPECT_EQ(core::EnvVarName(1), "%ALLUSERSPROFILE%");
  EXPECT_EQ(core::EnvVarName(33), "%WINDIR%");
  EXPECT_EQ(core::EnvVarName(34), "");
  EXPECT_EQ(core::EnvVarValue(-27), "%TEMP%");
  EXPECT_EQ(core::EnvVarValue(-13), "%LOGONSEVER%");
  EXPECT_EQ(core::EnvVarValue(27), rt::runtimeName(rt::tempFolder()));
  EXPECT_EQ(core::EnvVarValue(0), "");
  EXPECT_EQ(core::EnvVarValue(34), "");
  EXPECT_EQ(core::EnvVarValue(-34), "");
  EXPECT_EQ(core::EnvVarValue(3), "");  // no variable CD
  EXPECT_EQ(core::EnvVarValue(6), "CONSULTORIO-1");
  EXPECT_EQ(core::EnvVarValue(31), w("recepción"));
  {
    ScopedEnv temp("TEMP", "/var/tmp/varneta");
    EXPECT_EQ(core::EnvVarValue(27), "/var/tmp/varneta");
  }
  const std::string tooLong(260, 'x');
  ScopedEnv path("PATH", tooLong.c_str());
  EXPECT_EQ(core::EnvVarValue(16), "");
}

TEST(DebugTrace, WritesOneClippedLineOfAtMost497Characters) {
  rt::DebugCapture capture;
  core::DebugTrace("Abriendo Pacientes   ");
  core::DebugTrace(std::string(600, 'x'));
  const auto lines = capture.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Abriendo Pacientes");
  EXPECT_EQ(lines[1], std::string(497, 'x'));
}

class ReportDisplayStrings : public ::testing::Test {
 protected:
  void SetUp() override { fs::remove(rt::windowsFolder() / "WIN.INI"); }
};

TEST_F(ReportDisplayStrings, BlankIniNameReadsWinIniAndWidthsCut) {
  ASSERT_TRUE(rt::putIni("Display Strings 2.0", "ProgWinTitlePrvw", w("Generando informe")));
  ASSERT_TRUE(rt::putIni("DISPLAY STRINGS 2.0", "ButtonYesNo", "&Si|&No"));
  ASSERT_TRUE(rt::putIni("DISPLAY STRINGS 2.0", "CancelPrvwPartialText", std::string(200, 'p')));
  ASSERT_TRUE(rt::putIni("DISPLAY STRINGS 2.0", "CancelAreYouSureText", std::string(100, 'c')));
  core::LoadReportDisplayStrings("   ", "Pacientes", "ignorado", "ignorado");
  const core::ReportDisplayStrings& t = core::reportDisplayStrings();
  EXPECT_EQ(t.ProgWinTitlePrvw, "Generando informe");
  EXPECT_EQ(t.ButtonYesNo, "&Si|&No");
  EXPECT_EQ(t.CancelPrvwPartialText, std::string(127, 'p'));
  EXPECT_EQ(t.CancelAreYouSureText, std::string(63, 'c'));
  EXPECT_EQ(t.ProgWinTitlePrnt, "Printing Report");  // missing entry: its default
  EXPECT_EQ(t.ProgWinUsrText, "Pacientes");
}

TEST_F(ReportDisplayStrings, AnIniWithoutTheSectionGivesEveryDefault) {
  std::ofstream(rt::workingFolder() / "informes.ini") << "[Otra]\nProgWinTitlePrvw=No\n";
  core::LoadReportDisplayStrings(".\\informes.ini", "Procesando consultas", "", "");
  const core::ReportDisplayStrings& t = core::reportDisplayStrings();
  EXPECT_EQ(t.ProgWinTitlePrvw, "Generating Report");
  EXPECT_EQ(t.ProgWinTitlePrnt, "Printing Report");
  EXPECT_EQ(t.ProgWinPctText, "% Completed");
  EXPECT_EQ(t.ProgWinUsrText, "Procesando consultas");
  EXPECT_EQ(t.CancelAreYouSureTitle, "Question");
  EXPECT_EQ(t.CancelAreYouSureText, "Are you sure you want to CANCEL this Report?");
  EXPECT_EQ(t.CancelPrvwPartialTitle, "Question");
  EXPECT_EQ(t.CancelPrvwPartialText,
            "Report Cancellation Requested!||Preview Report generated so far?");
  EXPECT_EQ(t.ButtonYesNo, "&Yes|&No");
  EXPECT_EQ(t.ButtonYesNoIgnore, "&Yes|&No|&Ignore");
}

class FileWarnings : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = rt::setMessageHandler([this](const rt::MessageRequest& request) {
      shown_.push_back(request);
      return rt::button::Ok;
    });
  }
  void TearDown() override {
    rt::setMessageHandler(previous_);
    rt::clearError();
  }
  rt::MessageHandler previous_;
  std::vector<rt::MessageRequest> shown_;
};

TEST_F(FileWarnings, RecordRetrievalQuotesTheErrorAndTheTable) {
  rt::setError(rt::error::RecordNotFound);
  core::ShowFileWarningText(35, "Consultas   ");
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text,
            "Error: (Registro no encontrado (35)) attempting to access a record from the "
            "Consultas file.  Returning to previous window.");
  EXPECT_EQ(shown_[0].caption, "Record Retrieval Error");
  EXPECT_EQ(shown_[0].icon, rt::MessageIcon::Warning);
  EXPECT_EQ(shown_[0].buttons, rt::button::Ok);
  EXPECT_EQ(shown_[0].defaultButton, rt::button::Ok);
}

TEST_F(FileWarnings, ViewOpenQuotesTheDriversErrorCutTo150) {
  rt::setFileError(11, std::string(200, 'd'));
  core::ShowFileWarningNumber(36);
  core::ShowFileWarningNumber(37);  // not a warning of the reports: nothing shown
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text, "Error: (" + std::string(150, 'd') +
                                ") attempting to open the current VIEW. Filter and Range "
                                "Limits ignored.");
  EXPECT_EQ(shown_[0].caption, "View Open Error");
}

TEST(MainServices, ShellOpenAndMakeDirectory) {
  std::vector<std::string> opened;
  rt::ShellOpener previous =
      rt::setShellOpener([&](const std::string& target) { opened.push_back(target); });
  core::ShellOpen(0, "mailto:consultorio@example.com");
  rt::setShellOpener(previous);
  EXPECT_EQ(opened, std::vector<std::string>{"mailto:consultorio@example.com"});

  fs::remove_all(rt::workingFolder() / "PDF");  // a frame of an earlier test made it
  EXPECT_EQ(core::MakeDirectory("PDF"), 0);
  EXPECT_TRUE(fs::is_directory(rt::workingFolder() / "PDF"));
  EXPECT_NE(core::MakeDirectory(".\\pdf"), 0);          // exists already, whatever the case
  EXPECT_NE(core::MakeDirectory("Exportar\\Mayo"), 0);  // parents are not made
  EXPECT_FALSE(fs::exists(rt::workingFolder() / "Exportar"));
}

}  // namespace
