// The repair program on damaged copies of the plain data file: what it gives
// back, what it keeps, and when it changes nothing.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "admin/tests/admin_fixture.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_registration.h"
#include "platform/base/cp_literal.h"
#include "platform/data/maintenance.h"
#include "platform/ui/testing/pdf_probe.h"

namespace admin {
namespace {

namespace fs = std::filesystem;

class Repair : public AdminFixture {
 protected:
  // A copy of the plain data file and its structure in a folder of its own.
  fs::path copyWithStructure() {
    rt::closeDatabase();
    const fs::path folder = scratch("reparar");
    fs::copy_file(rt::workingFolder() / "Varneta.dat", folder / "Varneta.dat");
    reopenIn(rt::workingFolder());
    EXPECT_EQ(rt::writeStructureFile(core::mainDataFile(), core::registeredTables(),
                                     folder / "Varneta.tpe"),
              0);
    return folder;
  }
  static int datfix(const fs::path& folder, const std::string& args,
                    std::string* output = nullptr) {
    const std::string command = "cd '" + folder.string() + "' && '" VARNETA_DATFIX_BINARY "' " +
                                args + " > datfix.out 2>&1";
    const int status = std::system(command.c_str());
    if (output) *output = slurp(folder / "datfix.out");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(Repair, AnOverwrittenPageLosesOnlyItsRecordsAndTheDamagedFileIsKept) {
  for (int i = 1; i <= 400; ++i)
    addRecords(core::Pacientes::def(), i, i, "Paciente-" + std::string(40, 'x'));
  const fs::path folder = copyWithStructure();
  const fs::path file = folder / "Varneta.dat";
  // A leaf page of the patients in the middle of the file, overwritten.
  const std::string pages =
      rt::testing::commandOutput("sqlite3 '" + file.string() +
                                 "' \"SELECT pageno, pgsize FROM dbstat WHERE name = 'PACIENTE' "
                                 "AND pagetype = 'leaf' ORDER BY pageno\"");
  std::vector<std::pair<long, long>> leaves;
  std::istringstream lines(pages);
  for (std::string line; std::getline(lines, line);) {
    leaves.emplace_back(std::stol(line.substr(0, line.find('|'))),
                        std::stol(line.substr(line.find('|') + 1)));
  }
  ASSERT_GE(leaves.size(), 4u) << pages;
  const auto [page, size] = leaves[leaves.size() / 2];
  {
    std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp((page - 1) * size);
    out << std::string(size, '\xA5');
  }
  const std::string damaged = slurp(file);
  ASSERT_NE(
      rt::testing::commandOutput("sqlite3 '" + file.string() + "' 'PRAGMA integrity_check' 2>&1"),
      "ok\n");

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
    const rt::FieldDef& name =
        core::Pacientes::def().fields.at(core::Pacientes::def().fieldIndex("Nombre"));
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
  ASSERT_NE(rt::testing::commandOutput("sqlite3 '" + file.string() +
                                       "' 'SELECT count(*) FROM PACIENTE' 2>&1")
                .find("malformed database schema"),
            std::string::npos);

  std::string output;
  EXPECT_EQ(datfix(folder, "Varneta.dat /E:Varneta.tpe /A", &output), 0) << output;
  EXPECT_NE(output.find("63 registros recuperados, 0 ilegibles; el archivo dañado quedó como "
                        "Varneta.dat.dañado."),
            std::string::npos)
      << output;
  EXPECT_TRUE(slurp(folder / "Varneta.dat.dañado") == bytes)
      << "the damaged file is kept as it was";
  reopenIn(folder);
  EXPECT_EQ(rt::integrityCheck(core::mainDataFile()), "ok");
  EXPECT_EQ(count(core::Pacientes::def()), 40);
  EXPECT_EQ(count(core::Macros::def()), 13);
  EXPECT_EQ(count(core::Usuarios::def()), 10);
  rt::Table& t = rt::table(core::Pacientes::def());
  t.setToStart(0);
  ASSERT_EQ(t.next(), 0);
  const rt::FieldDef& field =
      core::Pacientes::def().fields.at(core::Pacientes::def().fieldIndex("Nombre"));
  EXPECT_EQ(std::string(rt::clip(rt::fieldText(field, t.record()))).substr(0, 15),
            "Paciente ñandú "_cp);
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
      {"nothing readable", 0, damageSchema, 2,
       "No se recuperó ningún registro de Varneta.dat: no se modificó."},
      {"a journal beside", 5,
       [](const fs::path& folder, std::string&) {
         std::ofstream(folder / "Varneta.dat-journal", std::ios::binary)
             << std::string(512, '\x01');
       },
       3, "Junto a Varneta.dat está el diario Varneta.dat-journal"},
      {"a super-journal beside", 5,
       [](const fs::path& folder, std::string&) {
         std::ofstream(folder / "Varneta.dat-mj0A1B2C3D") << "x";
       },
       3, "Varneta.dat-mj0A1B2C3D de una escritura en curso o interrumpida"},
      // A table the description does not know, found only in the pages.
      {"an unknown table", 5,
       [&](const fs::path& folder, std::string& bytes) {
         ASSERT_EQ(execOn(folder / "Varneta.dat",
                          "CREATE TABLE EXTRA (_id INTEGER PRIMARY KEY, a TEXT); "
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
    for (const char* name : {"Varneta.dat", "VarnetaC.dat", "VarnetaA.dat"})
      fs::remove(rt::workingFolder() / name);
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
  for (const char* name : {"VarnetaC.dat", "VarnetaA.dat"})
    fs::copy_file(rt::workingFolder() / name, folder / name);
  std::ofstream(folder / "Varneta.dat", std::ios::trunc).close();
  const std::string output =
      rt::testing::commandOutput("'" VARNETA_DATCHECK_BINARY "' '" + folder.string() + "' 2>&1");
  EXPECT_NE(output.find("El archivo de datos Varneta.dat está vacío."), std::string::npos)
      << output;
}

TEST_F(Repair, AFileOfANewerStructureOrInUseIsLeftAsItWas) {
  addRecords(core::Pacientes::def(), 1, 10);
  const fs::path folder = copyWithStructure();
  const fs::path file = folder / "Varneta.dat";
  ASSERT_EQ(execOn(file, "UPDATE _varneta_meta SET version = version + 1 WHERE tbl = 'PACIENTE'"),
            SQLITE_OK);
  const std::string before = slurp(file);
  std::string output;
  EXPECT_EQ(datfix(folder, "Varneta.dat /E:Varneta.tpe /K /A", &output), 4) << output;
  EXPECT_EQ(slurp(file), before);
  EXPECT_FALSE(fs::exists(folder / "Varneta.dat.dañado"));
  EXPECT_EQ(datfix(folder, "Varneta.dat", &output), 1) << output;
}

// A file of 60 patients, written by the program, damaged in one of the ways
// a disk or a cut copy damages it: every patient comes back, each as it was
// written.
TEST_F(Repair, EveryPatientWhoseCellsAreIntactComesBack) {
  struct Case {
    const char* name;
    // Damages the file, knowing its page size; answers what it did.
    std::function<std::string(const fs::path& file, long pageSize)> damage;
    const char* says;
  };
  const std::string patients = "SELECT * FROM PACIENTE ORDER BY _id";
  const std::vector<Case> cases = {
      {"the header of the leaf holding most patients",
       [](const fs::path& file, long pageSize) {
         const long page = fullestLeaf(file, "PACIENTE");
         overwrite(file, (page - 1) * pageSize, std::string(8, '\xA5'));
         return "page " + std::to_string(page);
       },
       "Reparado Varneta.dat: 100 registros recuperados, 0 ilegibles;"},
      {"the file cut short by its last page, of another table",
       [](const fs::path& file, long pageSize) {
         const long pages = sqliteNumber(file, "PRAGMA page_count");
         const std::string owner =
             sqliteSays(file, "SELECT name FROM dbstat WHERE pageno = " + std::to_string(pages));
         EXPECT_EQ(owner, "Turnos\n");
         fs::resize_file(file, static_cast<std::uintmax_t>((pages - 1) * pageSize));
         return "cut at page " + std::to_string(pages - 1);
       },
       // The appointment on the page cut off is lost.
       "Reparado Varneta.dat: 99 registros recuperados, 1 ilegibles;"},
      {"the root page of the patients, an interior page, lost",
       [](const fs::path& file, long pageSize) {
         const long root =
             sqliteNumber(file, "SELECT rootpage FROM sqlite_master WHERE name = 'PACIENTE'");
         EXPECT_EQ(
             sqliteSays(file, "SELECT pagetype FROM dbstat WHERE pageno = " + std::to_string(root)),
             "internal\n");
         overwrite(file, (root - 1) * pageSize,
                   std::string(static_cast<std::size_t>(pageSize), '\0'));
         return "root " + std::to_string(root);
       },
       "Reparado Varneta.dat: 100 registros recuperados, 0 ilegibles;"},
  };
  addRecords(core::Pacientes::def(), 1, 60, "Paciente ñ "_cp);
  addRecords(core::Turnos::def(), 1, 40, std::string(200, 't'));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = copyWithStructure();
    const fs::path file = folder / "Varneta.dat";
    const std::string written = sqliteSays(file, patients);
    ASSERT_EQ(sqliteNumber(file, "SELECT count(*) FROM PACIENTE"), 60);
    const long pageSize = sqliteNumber(file, "PRAGMA page_size");
    const std::string what = c.damage(file, pageSize);
    ASSERT_TRUE(sqliteSays(file, patients) != written) << what;

    std::string output;
    EXPECT_EQ(datfix(folder, "Varneta.dat  /E:Varneta.tpe /K /A", &output), 0) << output;
    EXPECT_EQ(output.rfind(c.says, 0), 0u) << output;
    EXPECT_TRUE(sqliteSays(file, patients) == written)
        << what << ": " << sqliteSays(file, "SELECT count(*) FROM PACIENTE");
    EXPECT_TRUE(fs::exists(folder / "Varneta.dat.dañado"));
    reopenIn(folder);
    EXPECT_EQ(rt::integrityCheck(core::mainDataFile()), "ok");
    reopenIn(rt::workingFolder());
  }
}

// Rows found outside every tree whose layout fits three tables (coverages,
// specialities and occupations are alike): none is guessed into a table, all
// are kept in a table of their own, and the outcome does not say repaired.
TEST_F(Repair, RowsThatFitSeveralTablesAreKeptAsideAndTheRepairSaysSo) {
  addRecords(core::Coberturas_Medicas::def(), 1, 300, "Cobertura ");
  addRecords(core::Pacientes::def(), 1, 5);
  const fs::path folder = copyWithStructure();
  const fs::path file = folder / "Varneta.dat";
  const std::string coverages =
      "SELECT _id, _rv, Cod_Cobertura, Descripcion, Inactivo, Notas FROM COBERTUR ORDER BY _id";
  const std::string written = sqliteSays(file, coverages);
  const long root =
      sqliteNumber(file, "SELECT rootpage FROM sqlite_master WHERE name = 'COBERTUR'");
  ASSERT_EQ(sqliteSays(file, "SELECT pagetype FROM dbstat WHERE pageno = " + std::to_string(root)),
            "internal\n");
  const long pageSize = sqliteNumber(file, "PRAGMA page_size");
  overwrite(file, (root - 1) * pageSize, std::string(static_cast<std::size_t>(pageSize), '\0'));

  std::string output;
  EXPECT_EQ(datfix(folder, "Varneta.dat /E:Varneta.tpe /K /A", &output), 7) << output;
  EXPECT_EQ(output.find("Reparado"), std::string::npos) << output;
  EXPECT_NE(output.find("Reparación incompleta de Varneta.dat: 5 registros recuperados, 0 "
                        "ilegibles, 300 apartados "
                        "en la tabla _varneta_apartados"),
            std::string::npos)
      << output;
  EXPECT_EQ(sqliteNumber(file, "SELECT count(*) FROM COBERTUR"), 0);
  EXPECT_EQ(sqliteNumber(file, "SELECT count(*) FROM PACIENTE"), 5);
  EXPECT_EQ(sqliteSays(file, "SELECT DISTINCT tablas FROM _varneta_apartados"),
            "COBERTUR, ESPECIAL, Ocupaciones\n");
  EXPECT_TRUE(
      sqliteSays(file, "SELECT fila, v2, v3, v4, v5, v6 FROM _varneta_apartados ORDER BY fila") ==
      written);

  // A later repair keeps them aside.
  EXPECT_EQ(datfix(folder, "Varneta.dat /E:Varneta.tpe /K /A", &output), 7) << output;
  EXPECT_EQ(sqliteNumber(file, "SELECT count(*) FROM _varneta_apartados"), 300);
  reopenIn(folder);
  EXPECT_EQ(rt::integrityCheck(core::mainDataFile()), "ok");
  reopenIn(rt::workingFolder());
}

}  // namespace
}  // namespace admin
