// Transactions over two files, the encrypted file, two processes on one
// folder and structure versions.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/data/connection.h"
#include "platform/data/structure_versions.h"
#include "platform/data/tests/test_tables.h"

namespace rt::testing {
namespace {

using FilesTest = DataTest;

std::string fileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The encrypted file opened with another password.
const DataFile& wrongPasswordFile() {
  static const DataFile wrong{"VarnetaC.dat", "otraclave"};
  return wrong;
}

void secret(Table& s, int code, const std::string& text) {
  s.clear();
  setFieldNumber(secrets().fields[0], s.record(), code);
  setFieldText(secrets().fields[1], s.record(), text);
  ASSERT_EQ(s.add(), 0);
}

TEST_F(FilesTest, RolledBackTransactionOverTwoFilesLeavesBothUntouched) {
  Table& p = open(people());
  Table& s = open(secrets());
  person(p, 1, "Ana");
  secret(s, 1, "uno");
  ASSERT_EQ(beginTransaction(), 0);
  EXPECT_EQ(beginTransaction(), 56);
  person(p, 2, "Beto");
  secret(s, 2, "dos");
  setFieldText(secrets().fields[1], s.record(), "cambiado");
  ASSERT_EQ(s.put(), 0);
  ASSERT_EQ(rollbackTransaction(), 0);
  EXPECT_EQ(p.records(), 1);
  EXPECT_EQ(s.records(), 1);
  ASSERT_EQ(beginTransaction(), 0);
  person(p, 3, "Carla");
  secret(s, 3, "tres");
  ASSERT_EQ(commitTransaction(), 0);
  EXPECT_EQ(p.records(), 2);
  EXPECT_EQ(s.records(), 2);
}

TEST_F(FilesTest, EncryptedFileHoldsNoPlaintextAndRefusesAWrongPassword) {
  Table& s = open(secrets());
  Table& p = open(people());
  secret(s, 1, "Zamudio Heredia");
  person(p, 1, "Visible Plano");
  s.close();
  p.close();
  closeDatabase();
  const std::string encrypted = fileBytes(folder_ / "VarnetaC.dat");
  EXPECT_GT(encrypted.size(), 0u);
  EXPECT_EQ(encrypted.find("Zamudio"), std::string::npos);
  EXPECT_EQ(encrypted.find("SQLite format"), std::string::npos);
  EXPECT_EQ(encrypted.find("SECRETOS"), std::string::npos);
  // The plain file is plain (the check above would catch nothing otherwise).
  EXPECT_NE(fileBytes(folder_ / "Varneta.dat").find("Visible Plano"), std::string::npos);

  // The file is not left out while the others open: nothing opens.
  EXPECT_EQ(openDatabase(folder_, {&plainFile(), &wrongPasswordFile()}), 36);
  EXPECT_FALSE(databaseIsOpen());
  EXPECT_NE(refusedDataFile().find("VarnetaC.dat"), std::string::npos) << refusedDataFile();
  EXPECT_EQ(refusalOf(wrongPasswordFile()), refusedDataFile());
  EXPECT_EQ(fileBytes(folder_ / "VarnetaC.dat"), encrypted);

  ASSERT_EQ(openDatabase(folder_, {&plainFile(), &secretFile()}), 0);
  Table& again = open(secrets());
  ASSERT_EQ(again.fetchPosition(1), 0);
  EXPECT_EQ(std::string(clip(fieldText(secrets().fields[1], again.record()))), "Zamudio Heredia");
}

TEST_F(FilesTest, EncryptedFileInAnotherFormatOrAlteredIsRefused) {
  Table& s = open(secrets());
  ASSERT_EQ(beginTransaction(), 0);
  for (int i = 1; i <= 200; ++i) secret(s, i, "Confidencial " + std::to_string(i));
  ASSERT_EQ(commitTransaction(), 0);
  s.close();
  closeDatabase();
  const std::filesystem::path path = folder_ / "VarnetaC.dat";
  const std::string good = fileBytes(path);
  ASSERT_GT(good.size(), 4096u * 3);

  sqlite3* plain = nullptr;
  const std::filesystem::path plainPath = folder_ / "plano.db";
  ASSERT_EQ(sqlite3_open(plainPath.c_str(), &plain), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(plain, "CREATE TABLE SECRETOS(Codigo, Texto)", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(plain);
  std::string altered = good;
  for (std::size_t page = 4096; page < good.size(); page += 4096) altered[page + 200] ^= 0x20;
  struct Case {
    const char* what;
    std::string bytes;
    int opened;  // a first page that fails stops the open; later pages, their reads
  };
  const Case cases[] = {{"a plain SQLite file", fileBytes(plainPath), 36},
                        {"its pages altered", altered, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
    ASSERT_EQ(openDatabase(folder_, {&plainFile(), &secretFile()}), c.opened);
    if (c.opened == 0) {
      Table& t = table(secrets());
      int result = t.open();
      for (int i = 1; result == 0 && i <= 200; ++i) result = t.fetchPosition(i);
      EXPECT_EQ(result, 36);
      t.close();
    } else {
      EXPECT_NE(refusedDataFile().find("VarnetaC.dat"), std::string::npos);
    }
    closeDatabase();
    EXPECT_EQ(fileBytes(path), c.bytes);
  }
}

// Runs `work` in a child process on the same folder; its exit code.
template <typename Work>
int inChildProcess(const std::filesystem::path& folder, Work work) {
  const pid_t pid = fork();
  if (pid == 0) {
    int code = 100;
    if (openDatabase(folder, {&plainFile(), &secretFile()}) == 0) code = work();
    closeDatabase();
    _exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

TEST_F(FilesTest, InterruptedTransactionInTheEncryptedFileRollsBackFromItsEncryptedJournal) {
  Table& s = open(secrets());
  for (int i = 1; i <= 300; ++i) secret(s, i, "Confidencial " + std::to_string(i));
  s.close();
  closeDatabase();
  const std::filesystem::path journal = folder_ / "VarnetaC.dat-journal";
  // A workstation dies in the middle of a transaction that already wrote
  // pages into the file: its journal stays behind.
  const int child = inChildProcess(folder_, [] {
    sql::Connection::get().exec("PRAGMA f1.cache_size=2");
    Table& c = table(secrets());
    if (c.open() != 0 || beginTransaction() != 0) return 1;
    for (int i = 1; i <= 300; ++i) {
      if (c.fetchPosition(i) != 0) return 2;
      setFieldText(secrets().fields[1], c.record(), "Cambio " + std::to_string(i));
      if (c.put() != 0) return 3;
    }
    _exit(0);
    return 4;
  });
  ASSERT_EQ(child, 0);
  ASSERT_TRUE(std::filesystem::exists(journal));
  const std::string journalBytes = fileBytes(journal);
  EXPECT_EQ(journalBytes.find("Confidencial"), std::string::npos);
  const std::string databaseBytes = fileBytes(folder_ / "VarnetaC.dat");
  EXPECT_EQ(databaseBytes.find("Cambio"), std::string::npos);

  // A wrong password neither rolls the journal back nor deletes it.
  EXPECT_EQ(openDatabase(folder_, {&plainFile(), &wrongPasswordFile()}), 36);
  EXPECT_EQ(fileBytes(journal), journalBytes);
  EXPECT_EQ(fileBytes(folder_ / "VarnetaC.dat"), databaseBytes);

  ASSERT_EQ(openDatabase(folder_, {&plainFile(), &secretFile()}), 0);
  Table& again = open(secrets());
  EXPECT_EQ(again.records(), 300);
  for (int i = 1; i <= 300; ++i) {
    ASSERT_EQ(again.fetchPosition(i), 0);
    EXPECT_EQ(std::string(clip(fieldText(secrets().fields[1], again.record()))),
              "Confidencial " + std::to_string(i));
  }
  EXPECT_FALSE(std::filesystem::exists(journal));
}

TEST_F(FilesTest, SecondWriteOfTheSameRecordFromAnotherProcessIsRefused) {
  Table& p = open(people());
  person(p, 1, "Original");
  p.clear();
  setFieldNumber(people().fields[kCodigo], p.record(), 1);
  ASSERT_EQ(p.fetch(kByCode), 0);

  const int child = inChildProcess(folder_, [] {
    Table& c = table(people());
    if (c.open() != 0) return 1;
    setFieldNumber(people().fields[kCodigo], c.record(), 1);
    if (c.fetch(kByCode) != 0) return 2;
    setFieldText(people().fields[kNombre], c.record(), "Del otro puesto");
    return c.put();
  });
  ASSERT_EQ(child, 0);

  setFieldText(people().fields[kNombre], p.record(), "De este puesto");
  EXPECT_EQ(p.put(), 89);
  // The stored record is shown again; writing once more over it succeeds.
  EXPECT_EQ(name(p), "Del otro puesto");
  setFieldText(people().fields[kNombre], p.record(), "De este puesto");
  ASSERT_EQ(p.put(), 0);
  EXPECT_EQ(p.remove(), 0);
  EXPECT_EQ(p.records(), 0);
}

TEST_F(FilesTest, DeleteOfARecordChangedElsewhereIsRefused) {
  Table& p = open(people());
  person(p, 1, "Original");
  const int child = inChildProcess(folder_, [] {
    Table& c = table(people());
    if (c.open() != 0 || c.fetchPosition(1) != 0) return 1;
    setFieldText(people().fields[kNombre], c.record(), "Cambiado");
    return c.put();
  });
  ASSERT_EQ(child, 0);
  EXPECT_EQ(p.remove(), 89);
  EXPECT_EQ(name(p), "Cambiado");
  EXPECT_EQ(p.records(), 1);
}

TEST_F(FilesTest, AnotherProcessHoldingTheWriteLockAnswersBusyAtOnce) {
  Table& p = open(people());
  int toChild[2], fromChild[2];
  ASSERT_EQ(pipe(toChild), 0);
  ASSERT_EQ(pipe(fromChild), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    closeDatabase();
    int code = 1;
    if (openDatabase(folder_, {&plainFile(), &secretFile()}) == 0 && beginTransaction() == 0) {
      Table& c = table(people());
      c.open();
      c.clear();
      c.add();
      char ready = 'r';
      if (write(fromChild[1], &ready, 1) == 1 && read(toChild[0], &ready, 1) == 1) code = 0;
      rollbackTransaction();
    }
    _exit(code);
  }
  char ready = 0;
  ASSERT_EQ(read(fromChild[0], &ready, 1), 1);
  EXPECT_EQ(beginTransaction(), 32);
  EXPECT_FALSE(transactionIsOpen());
  EXPECT_EQ(write(toChild[1], &ready, 1), 1);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(beginTransaction(), 0);
  person(p, 1, "Ana");
  EXPECT_EQ(commitTransaction(), 0);
  for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) close(fd);
}

TableDef contactsVersion(int version) {
  TableBuilder b("Contactos", "CTO", "CONTACTO", plainFile(), version);
  b.field<UShort>("Codigo").field<String<20>>(version == 1 ? "Telefono" : "Telefonos");
  if (version >= 2) b.field<String<10>>("Movil");
  b.key("CTO01", "Codigo", KeyKind::Primary, true, "Codigo", 1)
      .key("CTO02", version == 1 ? "Telefono" : "Telefonos", KeyKind::Duplicates, true, "Tel")
      .memo("Notas", 50);
  if (version >= 2) b.formerName("CTO:Telefonos", "Telefono");
  return b.build();
}

TEST_F(FilesTest, OlderTableWithARenamedFieldOpensWithItsDataAndANewerOneIsRefused) {
  std::vector<std::string> health;
  setTableHealthHook(
      [&](const TableDef& d, bool bad) { health.push_back(d.label + (bad ? " bad" : " good")); });
  static const TableDef v1 = contactsVersion(1);
  static const TableDef v2 = contactsVersion(2);
  Table& old = open(v1);
  for (int i = 1; i <= 3; ++i) {
    old.clear();
    setFieldNumber(v1.fields[0], old.record(), i);
    setFieldText(v1.fields[1], old.record(), "555-000" + std::to_string(i));
    old.buffer().memo(0) = "nota " + std::to_string(i);
    ASSERT_EQ(old.add(), 0);
  }
  ASSERT_EQ(old.remove(), 0);  // position 3 is gone and stays unused
  old.close();
  closeDatabase();

  ASSERT_EQ(openDatabase(folder_, {&plainFile(), &secretFile()}), 0);
  Table& now = open(v2);
  EXPECT_EQ(now.records(), 2);
  now.setToStart(1);
  ASSERT_EQ(now.next(), 0);
  EXPECT_EQ(std::string(clip(fieldText(v2.fields[1], now.record()))), "555-0001");
  EXPECT_EQ(std::string(clip(fieldText(v2.fields[2], now.record()))), "");
  EXPECT_EQ(now.buffer().memo(0), "nota 1");
  now.clear();
  setFieldNumber(v2.fields[0], now.record(), 9);
  ASSERT_EQ(now.add(), 0);
  EXPECT_EQ(now.position(), 4);
  now.close();

  // The program of version 1 meets a table of version 2.
  closeDatabase();
  ASSERT_EQ(openDatabase(folder_, {&plainFile(), &secretFile()}), 0);
  EXPECT_EQ(table(v1).open(), 47);
  EXPECT_EQ(health,
            (std::vector<std::string>{"Contactos good", "Contactos good", "Contactos bad"}));
  setTableHealthHook(nullptr);
}

// Version 3 stores the telephones with their country code: the numbers an
// older version stored are rewritten while the table is brought up to date.
struct Rewrites {
  int calls = 0;
  std::string refused;  // the stored value the rewrite refuses
};
Rewrites& rewrites() {
  static Rewrites r;
  return r;
}
TableDef contactsWithCountryCodes() {
  TableBuilder b("Contactos", "CTO", "CONTACTO", plainFile(), 3);
  b.field<UShort>("Codigo").field<String<24>>("Telefonos").field<String<10>>("Movil");
  b.key("CTO01", "Codigo", KeyKind::Primary, true, "Codigo", 1)
      .key("CTO02", "Telefonos", KeyKind::Duplicates, true, "Tel")
      .memo("Notas", 50);
  b.rewriteOlder("Telefonos", 3, [](std::string_view stored) -> std::optional<std::string> {
    ++rewrites().calls;
    if (stored == rewrites().refused) return std::nullopt;
    return "+54 " + std::string(stored);
  });
  return b.build();
}

std::vector<std::string> storedTelephones() {
  std::vector<std::string> numbers;
  sql::Statement s(sql::Connection::get().db(), "SELECT Telefonos FROM main.CONTACTO ORDER BY _id");
  while (s.valid() && s.step() == SQLITE_ROW) {
    numbers.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0)));
  }
  return numbers;
}

TEST_F(FilesTest, OlderValuesAreRewrittenOnceAndInTheUpgradesOwnTransaction) {
  static const TableDef v2 = contactsVersion(2);
  static const TableDef v3 = contactsWithCountryCodes();
  Table& old = open(v2);
  for (int i = 1; i <= 2; ++i) {
    old.clear();
    setFieldNumber(v2.fields[0], old.record(), i);
    setFieldText(v2.fields[1], old.record(), "555-000" + std::to_string(i));
    ASSERT_EQ(old.add(), 0);
  }
  old.close();
  auto reopen = [&] {
    closeDatabase();
    ASSERT_EQ(openDatabase(folder_, {&plainFile(), &secretFile()}), 0);
  };
  const auto stored = [] {
    return storedTableVersion(sql::Connection::get().db(), "main", "CONTACTO");
  };

  // The second value refused after the first was rewritten: nothing changes.
  ASSERT_NO_FATAL_FAILURE(reopen());
  rewrites().refused = "555-0002";
  EXPECT_NE(table(v3).open(), 0);
  EXPECT_EQ(rewrites().calls, 2);
  EXPECT_EQ(stored(), 2);
  EXPECT_EQ(storedTelephones(), (std::vector<std::string>{"555-0001", "555-0002"}));

  ASSERT_NO_FATAL_FAILURE(reopen());
  rewrites() = {};
  open(v3).close();
  EXPECT_EQ(stored(), 3);
  EXPECT_EQ(storedTelephones(), (std::vector<std::string>{"+54 555-0001", "+54 555-0002"}));

  // A table of the current version is never rewritten again.
  ASSERT_NO_FATAL_FAILURE(reopen());
  open(v3).close();
  EXPECT_EQ(rewrites().calls, 2);
  EXPECT_EQ(storedTelephones(), (std::vector<std::string>{"+54 555-0001", "+54 555-0002"}));
}

}  // namespace
}  // namespace rt::testing
