// The encrypting VFS on its own: what lands on disk when pages and journals
// are written again, and what it refuses to read.
#include "platform/data/crypt_vfs.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/base/testing/test_environment.h"
#include "platform/data/crypt_cipher.h"

namespace rt {
namespace {

constexpr int kPage = 4096;
constexpr const char* kFile = "Prueba.dat";

std::string diskBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void putDiskBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

sqlite3_vfs* cryptVfs() {
  registerCryptVfs();
  return sqlite3_vfs_find(kCryptVfsName);
}

// One file opened through the VFS, as SQLite would.
class VfsFile {
 public:
  VfsFile(const std::filesystem::path& path, int flags)
      : name_(path.string() + std::string(4, '\0')), memory_(cryptVfs()->szOsFile) {
    openResult_ = cryptVfs()->xOpen(cryptVfs(), name_.c_str(), file(), flags, nullptr);
  }
  ~VfsFile() {
    if (file()->pMethods) file()->pMethods->xClose(file());
  }
  int openResult() const { return openResult_; }

  int write(const std::string& bytes, sqlite3_int64 offset) {
    return file()->pMethods->xWrite(file(), bytes.data(), static_cast<int>(bytes.size()), offset);
  }
  int read(std::string& out, int amount, sqlite3_int64 offset) {
    out.assign(amount, '?');
    return file()->pMethods->xRead(file(), out.data(), amount, offset);
  }
  int truncate(sqlite3_int64 size) { return file()->pMethods->xTruncate(file(), size); }
  sqlite3_int64 size() {
    sqlite3_int64 n = -1;
    EXPECT_EQ(file()->pMethods->xFileSize(file(), &n), SQLITE_OK);
    return n;
  }

 private:
  sqlite3_file* file() { return reinterpret_cast<sqlite3_file*>(memory_.data()); }

  std::string name_;
  std::vector<std::max_align_t> memory_;
  int openResult_ = SQLITE_ERROR;
};

constexpr int kDatabase = SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
constexpr int kJournal = SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;

// A page 1 as SQLite writes it: 4096-byte pages with the reserve left.
std::string firstPage() {
  std::string page(kPage, '\0');
  page.replace(0, 16, std::string("SQLite format 3\0", 16));
  page[16] = 0x10;
  page[17] = 0x00;
  page[20] = crypt::kPageReserve;
  return page;
}

std::string pageOf(const std::string& text) {
  std::string page(kPage, '\0');
  for (std::size_t i = 0; i + text.size() <= page.size() - crypt::kPageReserve; i += 64) {
    page.replace(i, text.size(), text);
  }
  return page;
}

std::string withoutReserve(std::string page) {
  std::fill(page.end() - crypt::kPageReserve, page.end(), '\0');
  return page;
}

class CryptVfsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = rt::testing::freshFolder("crypt");
    std::filesystem::create_directories(folder_);
    setCryptPassword(kFile, "clave buena");
  }
  std::filesystem::path path() const { return folder_ / kFile; }
  std::filesystem::path journalPath() const { return folder_ / "Prueba.dat-journal"; }

  // Page 1 and two pages of names.
  void writeDatabase() {
    VfsFile db(path(), kDatabase);
    ASSERT_EQ(db.openResult(), SQLITE_OK);
    ASSERT_EQ(db.write(firstPage(), 0), SQLITE_OK);
    ASSERT_EQ(db.write(pageOf("Zamudio Heredia;"), kPage), SQLITE_OK);
    ASSERT_EQ(db.write(pageOf("Ortiz Lamas;"), 2 * kPage), SQLITE_OK);
  }

  std::filesystem::path folder_;
};

TEST_F(CryptVfsTest, APageWrittenAgainWithTheSameContentGetsANewCiphertext) {
  writeDatabase();
  const std::string first = diskBytes(path());
  ASSERT_EQ(first.size(), 3u * kPage);
  EXPECT_EQ(first.find("Zamudio"), std::string::npos);
  EXPECT_EQ(first.find("SQLite format"), std::string::npos);
  {
    VfsFile db(path(), kDatabase);
    ASSERT_EQ(db.write(pageOf("Zamudio Heredia;"), kPage), SQLITE_OK);
  }
  const std::string second = diskBytes(path());
  EXPECT_EQ(first.substr(0, kPage), second.substr(0, kPage));
  EXPECT_EQ(first.substr(2 * kPage), second.substr(2 * kPage));
  // No byte of the rewritten page's body keeps its old ciphertext, so the
  // two copies XOR to nothing that tells the plaintext.
  int equalBytes = 0;
  for (int i = kPage; i < 2 * kPage - crypt::kPageReserve; ++i) equalBytes += first[i] == second[i];
  EXPECT_LT(equalBytes, 64);

  VfsFile db(path(), kDatabase);
  std::string page;
  ASSERT_EQ(db.read(page, kPage, kPage), SQLITE_OK);
  EXPECT_EQ(page, withoutReserve(pageOf("Zamudio Heredia;")));
  // The header SQLite reads piecewise comes from the whole first page.
  ASSERT_EQ(db.read(page, 100, 0), SQLITE_OK);
  EXPECT_EQ(page, firstPage().substr(0, 100));
  ASSERT_EQ(db.read(page, 16, 24), SQLITE_OK);
  EXPECT_EQ(page, std::string(16, '\0'));
  // Past the end: zeros and a short read.
  ASSERT_EQ(db.read(page, kPage, 3 * kPage), SQLITE_IOERR_SHORT_READ);
  EXPECT_EQ(page, std::string(kPage, '\0'));
}

TEST_F(CryptVfsTest, AlteredMovedOrForeignPagesAreRefused) {
  writeDatabase();
  const std::string good = diskBytes(path());
  struct Case {
    const char* what;
    int at;        // byte changed; -1 copies page 3 over page 2
    int page;      // page then read
    int expected;  // its result
  };
  const Case cases[] = {
      {"a byte of page 2", kPage + 100, 2, SQLITE_CORRUPT},
      {"the nonce of page 2", 2 * kPage - crypt::kPageReserve, 2, SQLITE_CORRUPT},
      {"the tag of page 2", 2 * kPage - 1, 2, SQLITE_CORRUPT},
      {"page 3 copied over page 2", -1, 2, SQLITE_CORRUPT},
      {"a byte of the header", 18, 1, SQLITE_NOTADB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bad = good;
    if (c.at < 0) {
      bad.replace(kPage, kPage, good.substr(2 * kPage, kPage));
    } else {
      bad[c.at] ^= 0x01;
    }
    putDiskBytes(path(), bad);
    VfsFile db(path(), kDatabase);
    std::string page;
    EXPECT_EQ(db.read(page, kPage, (c.page - 1) * kPage), c.expected);
    EXPECT_EQ(page.find("Zamudio"), std::string::npos);
  }
  putDiskBytes(path(), good);
  setCryptPassword(kFile, "clave mala");
  VfsFile db(path(), kDatabase);
  std::string header;
  EXPECT_EQ(db.read(header, 100, 0), SQLITE_NOTADB);
  EXPECT_EQ(db.write(pageOf("x"), kPage), SQLITE_IOERR_WRITE);
  EXPECT_EQ(diskBytes(path()), good);
}

TEST_F(CryptVfsTest, PageOneWithoutTheReserveIsNeverWritten) {
  VfsFile db(path(), kDatabase);
  std::string page = firstPage();
  page[20] = 0;
  EXPECT_EQ(db.write(page, 0), SQLITE_IOERR_WRITE);
  page = firstPage();
  page[16] = 0x02;  // declares 512-byte pages
  EXPECT_EQ(db.write(page, 0), SQLITE_IOERR_WRITE);
  EXPECT_EQ(db.size(), 0);
}

// The salt of a journal on disk.
std::string saltOf(const std::string& journal) { return journal.substr(0, crypt::kSaltBytes); }

TEST_F(CryptVfsTest, JournalsNeverShareAKeyStream) {
  writeDatabase();
  // A journal header (one sector) and one page record.
  const std::string header = "journal header" + std::string(512 - 14, '\0');
  const std::string record = pageOf("Zamudio Heredia;");
  auto writeJournal = [&](VfsFile& j) {
    ASSERT_EQ(j.write(header, 0), SQLITE_OK);
    ASSERT_EQ(j.write(record, 512), SQLITE_OK);
  };
  std::vector<std::string> versions;
  {
    VfsFile j(journalPath(), kJournal);
    ASSERT_EQ(j.openResult(), SQLITE_OK);
    writeJournal(j);
    EXPECT_EQ(j.size(), 512 + kPage);
    versions.push_back(diskBytes(journalPath()));
    // The record count updated in place keeps the salt: the records stay
    // readable for a rollback.
    ASSERT_EQ(j.write(std::string(12, '\x01'), 0), SQLITE_OK);
    EXPECT_EQ(saltOf(diskBytes(journalPath())), saltOf(versions[0]));
    std::string back;
    ASSERT_EQ(j.read(back, kPage, 512), SQLITE_OK);
    EXPECT_EQ(back, record);
    // A journal kept on disk and started over.
    writeJournal(j);
    versions.push_back(diskBytes(journalPath()));
    // A journal emptied and written again.
    ASSERT_EQ(j.truncate(0), SQLITE_OK);
    EXPECT_EQ(j.size(), 0);
    writeJournal(j);
    versions.push_back(diskBytes(journalPath()));
  }
  // A journal deleted at commit and created by the next transaction.
  ASSERT_EQ(cryptVfs()->xDelete(cryptVfs(), journalPath().c_str(), 0), SQLITE_OK);
  {
    VfsFile j(journalPath(), kJournal);
    writeJournal(j);
  }
  versions.push_back(diskBytes(journalPath()));

  for (std::size_t a = 0; a < versions.size(); ++a) {
    EXPECT_EQ(versions[a].size(), crypt::kAuxHeaderBytes + 512u + kPage);
    EXPECT_EQ(versions[a].find("Zamudio"), std::string::npos);
    EXPECT_EQ(versions[a].find("journal header"), std::string::npos);
    for (std::size_t b = a + 1; b < versions.size(); ++b) {
      SCOPED_TRACE(std::to_string(a) + " against " + std::to_string(b));
      EXPECT_NE(saltOf(versions[a]), saltOf(versions[b]));
      int equalBytes = 0;
      for (std::size_t i = crypt::kAuxHeaderBytes; i < versions[a].size(); ++i) {
        equalBytes += versions[a][i] == versions[b][i];
      }
      EXPECT_LT(equalBytes, 64);
    }
  }
}

TEST_F(CryptVfsTest, AJournalOfAnotherKeyIsNotOpened) {
  writeDatabase();
  {
    // Its first byte zero: not a hot journal, which opens only once every
    // part of it passes its tags.
    VfsFile j(journalPath(), kJournal);
    ASSERT_EQ(j.write('\0' + std::string(511, 'j'), 0), SQLITE_OK);
  }
  const std::string journal = diskBytes(journalPath());
  setCryptPassword(kFile, "clave mala");
  {
    VfsFile j(journalPath(), SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_READONLY);
    EXPECT_EQ(j.openResult(), SQLITE_NOTADB);
  }
  EXPECT_EQ(diskBytes(journalPath()), journal);
  setCryptPassword(kFile, "clave buena");
  VfsFile j(journalPath(), SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_READONLY);
  ASSERT_EQ(j.openResult(), SQLITE_OK);
  std::string back;
  ASSERT_EQ(j.read(back, 512, 0), SQLITE_OK);
  EXPECT_EQ(back, '\0' + std::string(511, 'j'));
}

// The image a crash leaves just before a plain file's commit deletes its
// journal: the file with the transaction written, the journal that undoes it.
std::filesystem::path crashImage;

void copyBeforeCommit(const char* path, bool done) {
  const std::filesystem::path journal(path);
  if (done || journal.filename() != "Plano.dat-journal") return;
  std::filesystem::create_directories(crashImage);
  for (const char* name : {"Plano.dat", "Plano.dat-journal"}) {
    std::filesystem::copy_file(journal.parent_path() / name, crashImage / name,
                               std::filesystem::copy_options::overwrite_existing);
  }
}

std::string answer(sqlite3* db, const char* sql) {
  sqlite3_stmt* s = nullptr;
  std::string out = "error " + std::to_string(sqlite3_prepare_v2(db, sql, -1, &s, nullptr));
  if (s) {
    const int rc = sqlite3_step(s);
    out = rc == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(s, 0))
                           : "error " + std::to_string(rc);
  }
  sqlite3_finalize(s);
  return out;
}

// A plain file's journal stays in SQLite's own format, so SQLite alone (any
// tool) rolls it back; through the VFS it is rolled back only whole: one bit
// flipped in a page copy (a byte SQLite's own checksum does not sample), in
// the first segment of the journal or in one written after the cache spilled,
// and the file does not open, the file and the journal left as they are.
TEST_F(CryptVfsTest, APlainFilesJournalIsRolledBackOnlyWhole) {
  registerCryptVfs();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2((folder_ / "Plano.dat").c_str(), &db,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, kCryptVfsName),
            SQLITE_OK);
  ASSERT_EQ(
      sqlite3_exec(
          db,
          "CREATE TABLE t(a, b); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
          "WHERE i < 3000) INSERT INTO t SELECT i, 'Zamudio ' || i || printf('%.40c', '.') FROM n;"
          "PRAGMA cache_size = 8;",
          nullptr, nullptr, nullptr),
      SQLITE_OK);
  crashImage = folder_ / "image";
  setDeleteHook(copyBeforeCommit);
  ASSERT_EQ(sqlite3_exec(db, "UPDATE t SET b = 'Ortiz ' || a", nullptr, nullptr, nullptr),
            SQLITE_OK);
  setDeleteHook(nullptr);
  sqlite3_close(db);
  const std::string journal = diskBytes(crashImage / "Plano.dat-journal");
  ASSERT_EQ(journal.compare(0, 8, "\xd9\xd5\x05\xf9\x20\xa1\x63\xd7"), 0);
  const std::size_t sector =
      static_cast<unsigned char>(journal[22]) << 8 | static_cast<unsigned char>(journal[23]);
  ASSERT_GE(sector, 512u);
  std::size_t segments = 0;
  for (std::size_t at = 0; at + 8 <= journal.size(); at += sector)
    segments += journal.compare(at, 8, journal, 0, 8) == 0;
  ASSERT_GT(segments, 1u) << "the cache never spilled";
  const std::size_t first = journal.find("Zamudio ");
  const std::size_t last = journal.rfind("Zamudio ");
  ASSERT_LT(first, sector + 8 + kPage);
  ASSERT_GT(last, journal.size() / 2);

  struct Case {
    const char* what;
    const char* vfs;
    std::size_t flipAt;
    const char* expected;
  };
  const Case cases[] = {
      {"SQLite alone", nullptr, std::string::npos, "3000"},
      {"through the VFS", kCryptVfsName, std::string::npos, "3000"},
      {"first segment flipped, through the VFS", kCryptVfsName, first + 2, "error 26"},
      {"last segment flipped, through the VFS", kCryptVfsName, last + 2, "error 26"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::filesystem::path copy = folder_ / "copy";
    std::filesystem::remove_all(copy);
    std::filesystem::copy(crashImage, copy);
    std::string bytes = journal;
    const bool flipped = c.flipAt != std::string::npos;
    if (flipped) bytes[c.flipAt] ^= 0x04;
    putDiskBytes(copy / "Plano.dat-journal", bytes);
    const std::string file = diskBytes(copy / "Plano.dat");
    ASSERT_EQ(sqlite3_open_v2((copy / "Plano.dat").c_str(), &db, SQLITE_OPEN_READWRITE, c.vfs),
              SQLITE_OK);
    EXPECT_EQ(answer(db, "SELECT count(*) FROM t WHERE b LIKE 'Zamudio %'"), c.expected);
    if (!flipped) {
      EXPECT_EQ(answer(db, "PRAGMA integrity_check"), "ok");
    }
    sqlite3_close(db);
    EXPECT_EQ(std::filesystem::exists(copy / "Plano.dat-journal"), flipped);
    if (flipped) {
      EXPECT_TRUE(diskBytes(copy / "Plano.dat") == file);
      EXPECT_TRUE(diskBytes(copy / "Plano.dat-journal") == bytes);
    }
  }
}

}  // namespace
}  // namespace rt

namespace rt {
namespace {

// SQLite itself over the VFS, attached as the table layer attaches the file.
class SqliteOverVfs : public CryptVfsTest {
 protected:
  void SetUp() override {
    CryptVfsTest::SetUp();
    attach();
    reserveCryptBytes(db_, "f");
  }
  void attach() {
    registerCryptVfs();
    const std::string main = (folder_ / "Plano.dat").string();
    ASSERT_EQ(
        sqlite3_open_v2(main.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, nullptr),
        SQLITE_OK);
    sqlite3_extended_result_codes(db_, 1);
    const std::string uri = "file:" + path().string() + "?vfs=" + kCryptVfsName;
    ASSERT_EQ(run("ATTACH '" + uri + "' AS f"), SQLITE_OK) << sqlite3_errmsg(db_);
  }
  void TearDown() override { sqlite3_close(db_); }
  int run(const std::string& sql) {
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  }
  std::string one(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    std::string out = "?";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW) {
      out = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    }
    sqlite3_finalize(s);
    return out;
  }

  sqlite3* db_ = nullptr;
};

TEST_F(SqliteOverVfs, VacuumKeepsTheFileSealedAndWholeAndAPageSizeChangeIsRefused) {
  ASSERT_EQ(run("CREATE TABLE f.t(a, b); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                "FROM n WHERE i < 3000) INSERT INTO f.t SELECT i, 'Zamudio ' || i FROM n;"
                "DELETE FROM f.t WHERE a % 3 = 0;"),
            SQLITE_OK)
      << sqlite3_errmsg(db_);
  const auto before = diskBytes(path()).size();
  ASSERT_EQ(run("VACUUM f"), SQLITE_OK) << sqlite3_errmsg(db_);
  EXPECT_LT(diskBytes(path()).size(), before);
  // SQLite copies pages of the new size into pages of the old one, which the
  // sealing cannot follow: the change fails and rolls back.
  EXPECT_NE(run("PRAGMA f.page_size = 8192; VACUUM f"), SQLITE_OK);
  sqlite3_close(db_);
  db_ = nullptr;
  const std::string disk = diskBytes(path());
  EXPECT_EQ(disk.find("Zamudio"), std::string::npos);

  attach();
  EXPECT_EQ(one("PRAGMA f.page_size"), "4096");
  EXPECT_EQ(one("PRAGMA f.integrity_check"), "ok");
  EXPECT_EQ(one("SELECT count(*) || ' ' || sum(a) FROM f.t"), "2000 3000000");
  EXPECT_EQ(one("SELECT b FROM f.t WHERE a = 2999"), "Zamudio 2999");
}

}  // namespace
}  // namespace rt
