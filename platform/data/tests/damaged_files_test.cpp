// Data files that exist but cannot be used are never taken for new ones: an
// empty file, random bytes, a cut file, a folder in the file's place, a
// journal without its file. Nothing opens and every file stays as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/base/cp1252.h"
#include "platform/data/database.h"
#include "platform/data/table.h"
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
  auto write = [](const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; };
  const Case cases[] = {
      {"empty main", "Varneta.dat", [&](const fs::path& p) { write(p, ""); }, "vacío"},
      {"empty sealed", "VarnetaC.dat", [&](const fs::path& p) { write(p, ""); }, "vacío"},
      {"random bytes", "Varneta.dat",
       [&](const fs::path& p) {
         std::string bytes(8192, '\0');
         for (char& c : bytes) c = static_cast<char>(random());
         write(p, bytes);
       },
       "no es un archivo"},
      {"random bytes sealed", "VarnetaC.dat",
       [&](const fs::path& p) {
         std::string bytes(8192, '\0');
         for (char& c : bytes) c = static_cast<char>(random());
         write(p, bytes);
       },
       "no es un archivo"},
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
       [&](const fs::path& p) {
         fs::rename(p, fs::path(p.string() + "-journal"));
       },
       "diario"},
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

    EXPECT_EQ(openDatabase(folder, {&testing::plainFile(), &testing::secretFile()}), error::BadDataFile);
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
