#include "platform/base/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/base/cp1252.h"
#include "platform/base/testing/test_environment.h"

namespace {

namespace fs = std::filesystem;

std::string w(const char* utf8) { return rt::utf8ToCp1252(utf8); }

void touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << "x";
}

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(Paths, WorkingFolderIsTheDirectoryAtStart) {
  EXPECT_EQ(rt::workingFolder(), rt::testing::testRoot() / "work");
}

// Removes what a test made in the shared working folder, whatever the outcome:
// a "Varneta.INI" left there would be the one the next test's "varneta.INI" finds.
class Removed {
 public:
  explicit Removed(std::vector<fs::path> paths) : paths_(std::move(paths)) {}
  ~Removed() {
    for (const fs::path& p : paths_) fs::remove_all(p);
  }

 private:
  std::vector<fs::path> paths_;
};

TEST(Paths, WindowsNamesResolveInTheWorkingFolderWhateverTheCase) {
  const fs::path work = rt::workingFolder();
  const Removed removed({work / "Varneta.INI", work / "Informes"});
  touch(work / "Varneta.INI");
  touch(work / "Informes" / "Mayo" / "Lista.PDF");
  touch(work / "Informes" / "Año.txt");
  struct Case {
    std::string name;
    fs::path expected;
  };
  const Case cases[] = {
      {".\\varneta.ini", work / "Varneta.INI"},
      {"VARNETA.INI", work / "Varneta.INI"},
      {"\\informes\\MAYO\\lista.pdf", work / "Informes" / "Mayo" / "Lista.PDF"},
      {"informes/mayo/lista.pdf", work / "Informes" / "Mayo" / "Lista.PDF"},
      {"C:\\Informes\\Mayo\\Lista.PDF", work / "Informes" / "Mayo" / "Lista.PDF"},
      {w("informes\\AÑO.TXT"), work / "Informes" / "Año.txt"},
      // Missing parts keep the spelling given; the existing ones are found.
      {"INFORMES\\Junio\\Nuevo.pdf", work / "Informes" / "Junio" / "Nuevo.pdf"},
      {"\\PDF\\", work / "PDF" / ""},
      {".\\informes\\..\\varneta.ini", work / "Varneta.INI"},
      {"", work},
  };
  for (const Case& c : cases) EXPECT_EQ(rt::resolvePath(c.name), c.expected) << c.name;
}

TEST(Paths, AbsoluteUnixNamesStay) {
  const fs::path root = rt::testing::testRoot();
  touch(root / "otro" / "Datos.txt");
  EXPECT_EQ(rt::resolvePath(root.string() + "/otro/Datos.txt"), root / "otro" / "Datos.txt");
  EXPECT_EQ(rt::resolvePath(root.string() + "/OTRO/datos.TXT"), root / "otro" / "Datos.txt");
  EXPECT_EQ(rt::resolvePath("/no/existe"), fs::path("/no/existe"));
}

TEST(Paths, WindowsAndTempFolders) {
  const fs::path root = rt::testing::testRoot();
  EXPECT_EQ(rt::windowsFolder(), root / "windows");
  {
    ScopedEnv windir("VARNETA_WINDIR", nullptr);
    ScopedEnv xdg("XDG_CONFIG_HOME", (root / "config").c_str());
    EXPECT_EQ(rt::windowsFolder(), root / "config" / "varneta");
    EXPECT_TRUE(fs::is_directory(root / "config" / "varneta"));
    ScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", (root / "home").c_str());
    EXPECT_EQ(rt::windowsFolder(), root / "home" / ".config" / "varneta");
    EXPECT_TRUE(fs::is_directory(root / "home" / ".config" / "varneta"));
  }
  EXPECT_EQ(rt::tempFolder(), root / "tmp");
  ScopedEnv noTmp("TMPDIR", nullptr);
  EXPECT_EQ(rt::tempFolder(), fs::path("/tmp"));
}

TEST(Paths, RuntimeNamesAreCp1252) {
  EXPECT_EQ(rt::runtimeName(fs::path("/datos/Año")), w("/datos/Año"));
}

}  // namespace
