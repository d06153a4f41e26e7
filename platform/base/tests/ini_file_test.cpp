#include "platform/base/ini_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <vector>

#include "platform/base/cp1252.h"
#include "platform/base/paths.h"
#include "platform/base/safe_file.h"

namespace {

namespace fs = std::filesystem;

std::string w(const char* utf8) { return rt::utf8ToCp1252(utf8); }

void write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string read(const fs::path& path) { return rt::readWholeFile(path).value_or("<missing>"); }

class IniFile : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"WIN.INI", "prueba.ini", "varneta.INI"}) {
      fs::remove(rt::windowsFolder() / name);
      fs::remove(rt::workingFolder() / name);
    }
  }
};

TEST_F(IniFile, ReadsWithTheWindowsProfileRules) {
  write(rt::windowsFolder() / "prueba.ini",
        "; comentario\r\n"
        "[Display Strings 2.0]\r\n"
        "  ProgWinTitlePrvw = Generando informe  \r\n"
        "ButtonYesNo=&Si|&No\r\n"
        "progwintitleprvw=segundo\r\n"
        ";ButtonYesNoIgnore=comentado\r\n"
        "[OTRA]\r\n"
        "ButtonYesNo=otro\r\n"
        "[display strings 2.0]\r\n"
        "ButtonYesNoIgnore=seccion repetida\r\n");
  struct Case {
    const char* section;
    const char* entry;
    const char* expected;
  };
  const Case cases[] = {
      {"DISPLAY STRINGS 2.0", "PROGWINTITLEPRVW", "Generando informe"},  // case, blanks
      {"display strings 2.0", "ButtonYesNo", "&Si|&No"},
      {"Otra", "buttonyesno", "otro"},
      {"DISPLAY STRINGS 2.0", "ButtonYesNoIgnore", "<default>"},  // comment, first section only
      {"Falta", "ButtonYesNo", "<default>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rt::getIni(c.section, c.entry, "<default>", "prueba.ini"), c.expected)
        << c.section << "/" << c.entry;
  }
  const auto entries = rt::getIniSection("display strings 2.0", "prueba.ini");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0],
            (std::pair<std::string, std::string>("ProgWinTitlePrvw", "Generando informe")));
  EXPECT_EQ(entries[1].first, "ButtonYesNo");
}

TEST_F(IniFile, WritesInPlaceOrAtTheEndOfTheSectionKeepingEverythingElse) {
  const fs::path file = rt::windowsFolder() / "prueba.ini";
  write(file,
        "; ajustes\n"
        "[Uno]\n"
        "A=1\n"
        "; nota de B\n"
        "B=2\n"
        "\n"
        "[Dos]\n"
        "C=3\n");
  EXPECT_TRUE(rt::putIni("UNO", "b", "20", "prueba.ini"));     // in place, name as written
  EXPECT_TRUE(rt::putIni("uno", "Nueva", "x", "prueba.ini"));  // end of its section
  EXPECT_TRUE(rt::putIni("Tres", "D", "4", "prueba.ini"));     // new section at the end
  EXPECT_EQ(read(file),
            "; ajustes\n"
            "[Uno]\n"
            "A=1\n"
            "; nota de B\n"
            "B=20\n"
            "Nueva=x\n"
            "\n"
            "[Dos]\n"
            "C=3\n"
            "\n"
            "[Tres]\n"
            "D=4\n");
  // Nothing else is left in the folder (the temporary file was renamed).
  int files = 0;
  for (const auto& entry : fs::directory_iterator(rt::windowsFolder())) {
    files += entry.path().filename().string().starts_with("prueba.ini") ? 1 : 0;
  }
  EXPECT_EQ(files, 1);
}

TEST_F(IniFile, FileNamesAndMissingFiles) {
  // A missing file reads as the defaults, and a write creates it.
  EXPECT_EQ(rt::getIni("Sec", "Ent", "def", ""), "def");
  EXPECT_FALSE(fs::exists(rt::windowsFolder() / "WIN.INI"));
  // Blank = WIN.INI of the Windows folder; a bare name there too.
  EXPECT_TRUE(rt::putIni("Sec", "Ent", "valor"));
  EXPECT_EQ(read(rt::windowsFolder() / "WIN.INI"), "[Sec]\nEnt=valor\n");
  EXPECT_EQ(rt::getIni("sec", "ent", "", "win.ini"), "valor");
  EXPECT_EQ(rt::getIni("sec", "ent", "", "   "), "valor");
  // A name with a folder lies in the working folder, found whatever its case.
  write(rt::workingFolder() / "varneta.INI", "[Varneta]\nColor=1\n");
  EXPECT_EQ(rt::getIni("VARNETA", "color", "", ".\\VARNETA.ini"), "1");
  EXPECT_TRUE(rt::putIni("VARNETA", "color", "2", ".\\VARNETA.ini"));
  EXPECT_EQ(read(rt::workingFolder() / "varneta.INI"), "[Varneta]\nColor=2\n");
  EXPECT_EQ(rt::iniFilePath(".\\VARNETA.ini"), rt::workingFolder() / "varneta.INI");
  // A folder that does not exist cannot take a file; nothing is reported as written.
  EXPECT_FALSE(rt::putIni("S", "E", "v", ".\\no\\existe.ini"));
}

TEST_F(IniFile, AccentedValuesAreUtf8OnDiskAndCp1252InMemory) {
  const std::string value = w("Peña Núñez, José María ÁÉÍÓÚÜ €");
  ASSERT_TRUE(rt::putIni(w("Sección"), w("Año"), value, "prueba.ini"));
  EXPECT_EQ(read(rt::windowsFolder() / "prueba.ini"),
            "[Sección]\nAño=Peña Núñez, José María ÁÉÍÓÚÜ €\n");
  EXPECT_EQ(rt::getIni(w("SECCIÓN"), w("AÑO"), "", "prueba.ini"), value);
}

TEST_F(IniFile, KeepsTheFilesLineBreaksAndByteOrderMark) {
  const fs::path file = rt::windowsFolder() / "prueba.ini";
  write(file, "\xEF\xBB\xBF[S]\r\nA=1");
  ASSERT_TRUE(rt::putIni("S", "B", "2", "prueba.ini"));
  EXPECT_EQ(read(file), "\xEF\xBB\xBF[S]\r\nA=1\r\nB=2");
  EXPECT_EQ(rt::getIni("S", "A", "", "prueba.ini"), "1");
}

TEST_F(IniFile, RefusesWhatWouldBreakTheFile) {
  const fs::path file = rt::windowsFolder() / "prueba.ini";
  write(file, "[S]\nA=1\n");
  EXPECT_FALSE(rt::putIni("S", "A", "1\n[Inyectada]\nX=2", "prueba.ini"));
  EXPECT_FALSE(rt::putIni("S", "A=B", "1", "prueba.ini"));
  EXPECT_FALSE(rt::putIni("S]", "A", "1", "prueba.ini"));
  EXPECT_FALSE(rt::putIni("S", "", "1", "prueba.ini"));
  EXPECT_FALSE(rt::putIni("S", ";A", "1", "prueba.ini"));
  EXPECT_EQ(read(file), "[S]\nA=1\n");
}

// A write the disk cannot hold (the file size limit stands in for a full
// disk) leaves no file behind where there was none, and the old content
// where there was one.
TEST_F(IniFile, AWriteThatCannotCompleteLeavesNoFileBehind) {
  const fs::path fresh = rt::workingFolder() / "prueba.ini";
  const fs::path kept = rt::workingFolder() / "varneta.INI";
  write(kept, "[S]\nA=1\n");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{8, 8};
    setrlimit(RLIMIT_FSIZE, &limit);
    const std::string value(200, 'x');
    const bool wrote = rt::putIni("S", "A", value, ".\\prueba.ini") ||
                       rt::putIni("S", "A", value, ".\\varneta.INI");
    _exit(wrote ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a write past the limit was reported done";
  EXPECT_FALSE(fs::exists(fresh)) << "an empty file was left behind";
  EXPECT_EQ(read(kept), "[S]\nA=1\n");
  for (const auto& entry : fs::directory_iterator(rt::workingFolder())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

// A link put in place of an INI never leads a write elsewhere: the link is
// replaced by a file of the folder's own, holding what the link showed and
// the change; the file it pointed at stays as it was.
TEST_F(IniFile, AWriteReplacesALinkAndLeavesItsTargetUntouched) {
  const fs::path elsewhere = rt::windowsFolder() / "ajeno.ini";
  const fs::path missing = rt::windowsFolder() / "no-existe.ini";
  fs::remove(elsewhere);
  write(elsewhere, "[Ajeno]\nDato=1\n");
  struct Case {
    fs::path target;
    const char* after;  // what the INI showed through the link, and the change
  };
  for (const Case& c : {Case{elsewhere, "[Ajeno]\nDato=1\n\n[Soporte]\nClave=secreta\n"},
                        Case{missing, "[Soporte]\nClave=secreta\n"}}) {
    SCOPED_TRACE(c.target.string());
    const fs::path ini = rt::workingFolder() / "varneta.INI";
    fs::remove(ini);
    fs::create_symlink(c.target, ini);
    ASSERT_TRUE(rt::putIni("Soporte", "Clave", "secreta", ".\\varneta.INI"));
    EXPECT_FALSE(fs::is_symlink(ini));
    EXPECT_EQ(read(ini), c.after);
    EXPECT_EQ(rt::getIni("Soporte", "Clave", "", ".\\varneta.INI"), "secreta");
    EXPECT_FALSE(fs::exists(missing)) << "nothing made where the link led";
  }
  EXPECT_EQ(read(elsewhere), "[Ajeno]\nDato=1\n");
  for (const auto& entry : fs::directory_iterator(rt::workingFolder())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST_F(IniFile, WritersInSeveralProcessesLoseNoUpdate) {
  constexpr int kProcesses = 4;
  constexpr int kWrites = 25;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      for (int i = 0; i < kWrites; ++i) {
        ok = rt::putIni("Puesto" + std::to_string(p), "E" + std::to_string(i), std::to_string(i),
                        ".\\varneta.INI") &&
             ok;
      }
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < kProcesses; ++p) {
    const auto entries = rt::getIniSection("Puesto" + std::to_string(p), ".\\varneta.INI");
    EXPECT_EQ(entries.size(), static_cast<std::size_t>(kWrites)) << p;
  }
}

TEST(TextToNumber, ReadsLeadingSignAndDigits) {
  struct Case {
    const char* text;
    std::int64_t expected;
  };
  const Case cases[] = {
      {"42", 42},
      {"  -12abc", -12},
      {"+7", 7},
      {"abc", 0},
      {"", 0},
      {"- 5", 0},
      {"3.9", 3},
      {"  ", 0},
      {"99999999999999999999", INT64_MAX},
      {"-99999999999999999999", INT64_MIN},
      {"-9223372036854775808", INT64_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(rt::textToNumber(c.text), c.expected) << c.text;
}

}  // namespace
