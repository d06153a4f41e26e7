// Data files that exist but cannot be used are never taken for new ones: an
// empty file, random bytes, a cut file, a folder in the file's place, a
// journal without its file. Nothing opens and every file stays as it was.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/base/cp1252.h"
#include "platform/data/database.h"
#include "platform/data/table.h"
#include "platform/data/table_status.h"
#include "platform/data/tests/test_tables.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

std::string bytesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A folder holding both files with one committed record each.
fs::path goodFolder(const std::string& name) {
  const fs::path folder = fs::current_path() / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  EXPECT_EQ(openDatabase(folder, {&testing::plainFile(), &testing::secretFile()}), 0);
  for (const TableDef* def : {&testing::people(), &testing::secrets()}) {
    Table t(*def);
    EXPECT_EQ(t.open(), 0);
    t.clear();
    EXPECT_EQ(t.addNumbered(), 0);
    t.close();
  }
  closeDatabase();
  return folder;
}

TEST(DamagedFiles, AFileThatCannotBeUsedIsRefusedAndLeftAsItIs) {
  struct Case {
    const char* name;
    const char* file;
    std::function<void(const fs::path&)> damage;
    const char* says;
  };
  std::mt19937 random(7);
  auto write = [](const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
  };
  auto randomBytes = [&](const fs::path& p) {
    std::string bytes(8192, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    write(p, bytes);
  };
  const Case cases[] = {
      {"empty main", "Varneta.dat", [&](const fs::path& p) { write(p, ""); }, "vacío"},
      {"empty sealed", "VarnetaC.dat", [&](const fs::path& p) { write(p, ""); }, "vacío"},
      {"random bytes", "Varneta.dat", randomBytes, "no es un archivo"},
      {"random bytes sealed", "VarnetaC.dat", randomBytes, "no es un archivo"},
      {"half cut", "Varneta.dat",
       [&](const fs::path& p) { fs::resize_file(p, fs::file_size(p) / 2); }, "cortado"},
      {"folder main", "Varneta.dat",
       [&](const fs::path& p) {
         fs::remove(p);
         fs::create_directory(p);
       },
       "carpeta"},
      {"folder sealed", "VarnetaC.dat",
       [&](const fs::path& p) {
         fs::remove(p);
         fs::create_directory(p);
       },
       "carpeta"},
      {"stray journal", "VarnetaC.dat",
       [&](const fs::path& p) { fs::rename(p, fs::path(p.string() + "-journal")); }, "diario"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = goodFolder("damaged" + std::to_string(++n));
    const fs::path target = folder / c.file;
    c.damage(target);
    std::map<std::string, std::string> before;
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.is_regular_file()) before[entry.path().filename().string()] = bytesOf(entry.path());

    EXPECT_EQ(openDatabase(folder, {&testing::plainFile(), &testing::secretFile()}),
              error::BadDataFile);
    EXPECT_FALSE(databaseIsOpen());
    const std::string problem = refusedDataFile();
    EXPECT_NE(problem.find(fs::path(c.file).filename().string()), std::string::npos) << problem;
    EXPECT_NE(problem.find(rt::utf8ToCp1252(c.says)), std::string::npos) << problem;

    std::map<std::string, std::string> after;
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.is_regular_file()) after[entry.path().filename().string()] = bytesOf(entry.path());
    EXPECT_EQ(after, before) << "every file as it was, and no new one";
  }
  // A missing file is simply created.
  const fs::path fresh = fs::current_path() / "fresh-folder";
  fs::remove_all(fresh);
  fs::create_directories(fresh);
  EXPECT_EQ(openDatabase(fresh, {&testing::plainFile(), &testing::secretFile()}), 0);
  EXPECT_TRUE(refusedDataFile().empty());
  closeDatabase();
}

// A file found damaged after the start: one report naming it, however many
// reads fail, until the files are opened again.
TEST(DamagedFiles, DamageMetWhileRunningIsReportedOncePerFile) {
  const fs::path folder = goodFolder("damaged-later");
  ASSERT_EQ(openDatabase(folder, {&testing::plainFile(), &testing::secretFile()}), 0);
  {
    Table t(testing::secrets());
    ASSERT_EQ(t.open(), 0);
    ASSERT_EQ(beginTransaction(), 0);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(t.addNumbered(), 0);
    ASSERT_EQ(commitTransaction(), 0);
  }
  closeDatabase();
  // Every page but the first altered: the files open, the records do not read.
  const fs::path sealed = folder / "VarnetaC.dat";
  std::string bytes = bytesOf(sealed);
  ASSERT_GT(bytes.size(), 3u * 4096);
  for (std::size_t page = 4096; page < bytes.size(); page += 4096) bytes[page + 300] ^= 0x10;
  std::ofstream(sealed, std::ios::binary | std::ios::trunc) << bytes;

  std::vector<std::string> reported;
  setDamagedFileHook([&](const DataFile& file) { reported.push_back(file.fileName); });
  for (int session = 1; session <= 2; ++session) {
    ASSERT_EQ(openDatabase(folder, {&testing::plainFile(), &testing::secretFile()}), 0);
    Table t(testing::secrets());
    int result = t.open();
    for (int i = 1; result == 0 && i <= 300; ++i) result = t.fetchPosition(i);
    EXPECT_EQ(result, error::BadDataFile);
    EXPECT_EQ(t.records(), -1);
    EXPECT_EQ(t.open(), error::BadDataFile);
    EXPECT_EQ(errorCode(), error::BadDataFile) << "the caller's error is kept";
    // The plain file's tables are not reported.
    Table p(testing::people());
    EXPECT_EQ(p.open(), 0);
    EXPECT_GE(p.records(), 1);
    closeDatabase();
    EXPECT_EQ(reported, std::vector<std::string>(session, "VarnetaC.dat"));
  }
  setDamagedFileHook(nullptr);
  EXPECT_EQ(bytesOf(sealed), bytes);
}

// A data file is found whatever the case of its name; one missing beside
// files that hold data is not created unless asked, and a file the open
// created is written at once, so it is never later taken for an empty one.
TEST(DamagedFiles, AFileInAnotherCaseIsFoundAndAMissingOneIsNotCreatedUnasked) {
  const std::vector<const DataFile*> files = {&testing::plainFile(), &testing::secretFile()};
  auto listing = [](const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  {
    const fs::path folder = goodFolder("other-case");
    fs::rename(folder / "Varneta.dat", folder / "VARNETA.DAT");
    fs::rename(folder / "VarnetaC.dat", folder / "varnetac.dat");
    ASSERT_EQ(openDatabase(folder, files), 0) << refusedDataFile();
    for (const TableDef* def : {&testing::people(), &testing::secrets()}) {
      Table t(*def);
      EXPECT_EQ(t.open(), 0) << def->label;
      EXPECT_EQ(t.records(), 1) << def->label;
    }
    closeDatabase();
    EXPECT_EQ(listing(folder), (std::vector<std::string>{"VARNETA.DAT", "varnetac.dat"}));
  }
  const fs::path folder = goodFolder("missing");
  fs::remove(folder / "VarnetaC.dat");
  EXPECT_EQ(openDatabase(folder, files), error::NoFile);
  EXPECT_FALSE(databaseIsOpen());
  EXPECT_EQ(refusalOf(testing::secretFile()), "Falta el archivo de datos VarnetaC.dat en " +
                                                  folder.string() +
                                                  ", donde los otros archivos tienen datos.");
  EXPECT_EQ(listing(folder), std::vector<std::string>{"Varneta.dat"});
  // Created when asked; not empty, so the next start takes it as it is.
  ASSERT_EQ(openDatabase(folder, files, true), 0);
  closeDatabase();
  EXPECT_GT(fs::file_size(folder / "VarnetaC.dat"), 0u);
  EXPECT_EQ(openDatabase(folder, files), 0) << refusedDataFile();
  closeDatabase();
}

// A folder made read-only, or a small file system filled, for the time of
// one test: a mount when running as root (who writes past file modes), else
// the folder's mode; false when neither can be had here.
class FolderLimit {
 public:
  enum Kind { ReadOnly, Tiny };
  FolderLimit(const fs::path& folder, Kind kind) : folder_(folder) {
    if (geteuid() == 0) {
      mounted_ = kind == Tiny
                     ? mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=4k") == 0
                     : mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0;
      if (mounted_ && kind == ReadOnly &&
          mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        umount2(folder.c_str(), MNT_DETACH);
        mounted_ = false;
      }
      active_ = mounted_;
    } else if (kind == ReadOnly) {
      fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
      active_ = true;
    }
  }
  ~FolderLimit() {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
    if (!mounted_ && active_) fs::permissions(folder_, fs::perms::owner_all);
  }
  bool active() const { return active_; }

 private:
  fs::path folder_;
  bool mounted_ = false;
  bool active_ = false;
};

// What stops the start names the file, and leaves the folder as it was: a
// byte of the main file's schema, a journal that is a link, a read-only
// empty folder, a full disk at the first start.
TEST(DamagedFiles, AStartThatCannotOpenNamesTheFileAndChangesNothing) {
  const std::vector<const DataFile*> files = {&testing::plainFile(), &testing::secretFile()};
  struct Case {
    const char* name;
    bool fresh;  // an empty folder, else one holding both files
    std::function<void(const fs::path&)> damage;
    std::function<std::unique_ptr<FolderLimit>(const fs::path&)> limit;
    const char* says;
  };
  auto none = [](const fs::path&) { return std::unique_ptr<FolderLimit>(); };
  const std::vector<Case> cases = {
      {"a byte of the main file's schema", false,
       [](const fs::path& folder) {
         std::string bytes = bytesOf(folder / "Varneta.dat");
         const std::size_t at = bytes.find("indexPERSONAS_");
         ASSERT_NE(at, std::string::npos);
         bytes[at + 14] ^= 0x01;
         std::ofstream(folder / "Varneta.dat", std::ios::binary | std::ios::trunc) << bytes;
       },
       none, "El archivo de datos Varneta.dat no es un archivo de datos del programa o est"},
      {"a journal that is a link", false,
       [](const fs::path& folder) {
         fs::create_symlink(folder / "VarnetaC.dat", folder / "VarnetaC.dat-journal");
       },
       none, "El diario VarnetaC.dat-journal del archivo de datos VarnetaC.dat es un enlace"},
      {"a read-only empty folder", true, [](const fs::path&) {},
       [](const fs::path& folder) {
         return std::make_unique<FolderLimit>(folder, FolderLimit::ReadOnly);
       },
       "El archivo de datos Varneta.dat no puede abrirse"},
      {"a full disk at the first start", true, [](const fs::path&) {},
       [](const fs::path& folder) {
         return std::make_unique<FolderLimit>(folder, FolderLimit::Tiny);
       },
       "no puede escribirse: el disco est"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::path folder = fs::current_path() / "bad-start";
    fs::remove_all(folder);
    if (c.fresh) {
      fs::create_directories(folder);
    } else {
      folder = goodFolder("bad-start");
    }
    c.damage(folder);
    const std::unique_ptr<FolderLimit> limit = c.limit(folder);
    if (limit && !limit->active()) {
      std::printf("(%s: not available here)\n", c.name);
      continue;
    }
    std::map<std::string, std::string> before;
    for (const auto& entry : fs::directory_iterator(folder))
      before[entry.path().filename().string()] = bytesOf(entry.path());
    EXPECT_NE(openDatabase(folder, files), 0);
    EXPECT_FALSE(databaseIsOpen());
    EXPECT_NE(refusedDataFile().find(c.says), std::string::npos) << refusedDataFile();
    std::map<std::string, std::string> after;
    for (const auto& entry : fs::directory_iterator(folder))
      after[entry.path().filename().string()] = bytesOf(entry.path());
    EXPECT_TRUE(after == before) << "the folder is left as it was";
  }
}

// The check an outside sqlite3 cannot make: the keys use the program's
// collations, and the sealed file needs its password.
TEST(DamagedFiles, TheIntegrityCheckRunsWithTheProgramsCollations) {
  const fs::path folder = goodFolder("checked");
  ASSERT_EQ(openDatabase(folder, {&testing::plainFile(), &testing::secretFile()}), 0);
  Table t(testing::people());
  ASSERT_EQ(t.open(), 0);
  t.close();
  EXPECT_EQ(integrityCheck(testing::plainFile()), "ok");
  EXPECT_EQ(integrityCheck(testing::secretFile()), "ok");
  closeDatabase();
}

}  // namespace
}  // namespace rt
