// A writer of transactions over the three data files killed with SIGKILL at
// random moments and exactly at the commit point (just before and just
// after the super-journal goes), each time reopened: every transaction is in
// every file or in none, every file opens and passes the integrity check,
// and no super-journal is left. (A journal whose header was never written
// may stay: it is no hot journal, and the file's next transaction takes it
// over.) VARNETA_CRASH_KILLS sets the
// number of random kills (and a third of it at each side of the commit
// point) for longer runs by hand.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/data/database.h"
#include "platform/data/maintenance.h"
#include "platform/data/table.h"
#include "platform/data/table_status.h"
#include "platform/data/tests/helpers/crash_tables.h"

extern char** environ;

namespace rt {
namespace {

namespace fs = std::filesystem;

std::string bytesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void putBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A writer running with its output in a pipe.
class Writer {
 public:
  explicit Writer(std::vector<std::string> args) {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    args.insert(args.begin(), VARNETA_CRASH_WRITER);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~Writer() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  bool started() const { return pid_ > 0; }

  // Reads what the writer printed, waiting up to `ms` for it (-1: without
  // limit); false once it has ended, or printed nothing for that long.
  bool readFor(int ms) {
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return false;
    char chunk[4096];
    const ssize_t n = read(out_, chunk, sizeof chunk);
    if (n <= 0) {
      ended_ = true;
      return false;
    }
    text_.append(chunk, n);
    return true;
  }
  // Whether it ended (its output closed) before being killed.
  bool ended() const { return ended_; }
  bool committedAny() const { return text_.find('\n') != std::string::npos; }

  // Kills it (unless it is gone already) and reads the rest; the signal that
  // ended it.
  int killAndReap() {
    kill(pid_, SIGKILL);
    while (readFor(-1)) {
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : -WEXITSTATUS(status);
  }
  // The last transaction it reported committed (0 for none) and any other line.
  long long lastCommitted(std::string& other) const {
    long long last = 0;
    std::size_t at = 0;
    for (std::size_t end; (end = text_.find('\n', at)) != std::string::npos; at = end + 1) {
      const std::string line = text_.substr(at, end - at);
      if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) {
        last = std::stoll(line);
      } else {
        other += line;
      }
    }
    return last;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string text_;
  bool ended_ = false;
};

// Each file's movements, as code and text.
using Rows = std::vector<std::pair<std::int64_t, std::string>>;

Rows rowsOf(Table& t) {
  Rows rows;
  t.setToStart(0);
  while (t.next() == 0) {
    rows.emplace_back(fieldNumber(t.def().fields[0], t.record()),
                      std::string(clip(fieldText(t.def().fields[1], t.record()))));
  }
  return rows;
}

// Opens the folder as the program does after a crash and checks it; returns
// the last transaction stored.
long long checkFolder(const fs::path& folder) {
  const int opened = openDatabase(folder, crash::files());
  EXPECT_EQ(opened, 0) << refusedDataFile();
  if (opened != 0) return -1;
  std::vector<Rows> rows;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(dataFileError(*crash::files()[i]), 0) << crash::files()[i]->fileName << " left out";
    Table& t = table(crash::movements(i));
    EXPECT_EQ(t.open(), 0) << crash::files()[i]->fileName;
    rows.push_back(rowsOf(t));
    EXPECT_EQ(integrityCheck(*crash::files()[i]), "ok") << crash::files()[i]->fileName;
  }
  EXPECT_EQ(rows[1], rows[0]) << "the clinical file and the main file differ";
  EXPECT_EQ(rows[2], rows[0]) << "the agenda file and the main file differ";
  for (int i = 0; i < 3; ++i) table(crash::movements(i)).close();
  closeDatabase();
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(name.find("-mj"), std::string::npos) << "super-journal left: " << name;
  }
  return rows[0].empty() ? 0 : rows[0].back().first;
}

// Kills the writer (unless it is gone already) and checks the folder it
// left: no transaction it reported committed is lost, and at most the one it
// was committing is kept besides. Returns the last transaction stored.
long long killAndCheck(Writer& writer, const fs::path& folder, long long stored) {
  EXPECT_EQ(writer.killAndReap(), SIGKILL);
  std::string other;
  const long long acknowledged = std::max(stored, writer.lastCommitted(other));
  EXPECT_EQ(other, "");
  stored = checkFolder(folder);
  EXPECT_GE(stored, acknowledged) << "a committed transaction was lost";
  EXPECT_LE(stored, acknowledged + 1);
  return stored;
}

int killsAsked() {
  const char* asked = std::getenv("VARNETA_CRASH_KILLS");
  return asked && std::atoi(asked) > 0 ? std::atoi(asked) : 6;
}

fs::path freshFolder(const std::string& name) {
  const fs::path folder = fs::current_path() / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

TEST(CrashTest, AWriterKilledAtRandomLeavesEveryTransactionInEveryFileOrInNone) {
  const fs::path folder = freshFolder("crash-random");
  std::mt19937 random(std::random_device{}());
  const int kills = killsAsked();
  long long stored = 0;
  for (int k = 0; k < kills && !HasFailure(); ++k) {
    SCOPED_TRACE("kill " + std::to_string(k + 1));
    Writer writer({folder.string()});
    ASSERT_TRUE(writer.started());
    // Once it commits, anywhere in the next transactions.
    while (!writer.committedAny() && writer.readFor(10000)) {
    }
    ASSERT_TRUE(writer.committedAny()) << "the writer did not commit";
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
    stored = killAndCheck(writer, folder, stored);
  }
  RecordProperty("kills", kills);
}

TEST(CrashTest, AWriterKilledAtTheCommitPointLeavesTheWholeTransactionOnOneSide) {
  const fs::path folder = freshFolder("crash-commit-point");
  std::mt19937 random(std::random_device{}());
  const int kills = std::max(2, killsAsked() / 3);
  long long stored = 0;
  for (const bool before : {true, false}) {
    for (int k = 0; k < kills && !HasFailure(); ++k) {
      SCOPED_TRACE(std::string(before ? "before" : "after") + " the super-journal goes, kill " +
                   std::to_string(k + 1));
      const int at = 1 + static_cast<int>(random() % 4);
      Writer writer({folder.string(), before ? "before" : "after", std::to_string(at)});
      ASSERT_TRUE(writer.started());
      while (writer.readFor(10000)) {
      }
      ASSERT_TRUE(writer.ended()) << "the writer never reached the commit point";
      EXPECT_EQ(writer.killAndReap(), SIGKILL) << "it died by itself at the commit point";
      std::string other;
      const long long acknowledged = std::max(stored, writer.lastCommitted(other));
      EXPECT_EQ(other, "");
      // The transaction being committed: kept once the super-journal is gone,
      // rolled back in every file before.
      stored = checkFolder(folder);
      EXPECT_EQ(stored, acknowledged + (before ? 0 : 1));
    }
  }
}

// A writer killed at each of its first syncs of a journal or a sealed file,
// one run after another on the same folder: a journal caught at any point of
// its writes is either no hot journal or passes its tags whole, so every
// start opens, and finds every transaction in every file or in none.
TEST(CrashTest, AWriterKilledAtEachSyncLeavesJournalsThatPassTheirTags) {
  const fs::path folder = freshFolder("crash-each-sync");
  long long stored = 0;
  for (int n = 1; n <= 30 && !HasFailure(); ++n) {
    SCOPED_TRACE("killed at sync " + std::to_string(n));
    Writer writer({folder.string(), "sync", std::to_string(n)});
    ASSERT_TRUE(writer.started());
    while (writer.readFor(10000)) {
    }
    ASSERT_TRUE(writer.ended()) << "the writer never reached the sync";
    stored = killAndCheck(writer, folder, stored);
  }
}

// A folder left by a writer stopped at the commit point: a hot journal in
// every file (the commits before are its tables' creation and its first
// transactions), the super-journal still there.
// The writer killed just before its n-th super-journal goes; the last
// transaction it reported committed.
long long stopBeforeCommitPoint(const fs::path& folder, int n) {
  Writer writer({folder.string(), "before", std::to_string(n)});
  EXPECT_TRUE(writer.started());
  while (writer.readFor(10000)) {
  }
  EXPECT_TRUE(writer.ended());
  EXPECT_EQ(writer.killAndReap(), SIGKILL);
  std::string other;
  return writer.lastCommitted(other);
}

fs::path hotFolder(const std::string& name) {
  const fs::path folder = freshFolder(name);
  stopBeforeCommitPoint(folder, 8);
  return folder;
}

std::map<std::string, std::string> folderBytes(const fs::path& folder) {
  std::map<std::string, std::string> out;
  for (const auto& entry : fs::directory_iterator(folder))
    out[entry.path().filename().string()] = bytesOf(entry.path());
  return out;
}

std::uint32_t bigEndianAt(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

// One bit flipped in any part of a journal that the rollback uses, sealed
// or plain (a page copy's text, which SQLite's own checksum does not cover,
// included): the start is refused naming the journal before any file is
// rolled back or any journal deleted; the journal as it was rolls the whole
// transaction back in every file.
TEST(CrashTest, AJournalThatFailsItsTagIsRefusedAndKept) {
  const fs::path hot = hotFolder("crash-flipped-journal");
  // A folder opened before, that holds the good journal again: each folder's
  // check reads its own journal, never the one beside the files opened last.
  const fs::path openedBefore = freshFolder("crash-opened-before");
  fs::copy(hot, openedBefore, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  checkFolder(openedBefore);
  fs::copy_file(hot / "VarnetaC.dat-journal", openedBefore / "VarnetaC.dat-journal");
  // The plain file's journal has the same layout in clear: sector and page size.
  const std::string plainJournal = bytesOf(hot / "Varneta.dat-journal");
  ASSERT_GE(plainJournal.size(), 28u);
  const std::size_t sector = bigEndianAt(plainJournal, 20);
  const std::size_t page = bigEndianAt(plainJournal, 24);
  const std::size_t text = plainJournal.find("Movimiento", sector);
  ASSERT_NE(text, std::string::npos);
  constexpr std::size_t kSalt = 32;  // the sealed journal's own header
  const std::size_t journalSize = fs::file_size(hot / "VarnetaC.dat-journal");
  struct Case {
    const char* journal;
    const char* part;
    std::size_t at;
  };
  const std::vector<Case> cases = {
      {"VarnetaC.dat-journal", "a page copied", kSalt + sector + 4 + 2000},
      {"VarnetaC.dat-journal", "the header's checksum seed", kSalt + 12},
      {"VarnetaC.dat-journal", "the header's record count", kSalt + 11},
      {"VarnetaC.dat-journal", "a record's checksum", kSalt + sector + 4 + page},
      {"VarnetaC.dat-journal", "the super-journal's name", journalSize - 16 - 5},
      {"Varneta.dat-journal", "a text in a page copied", text + 1},
      {"Varneta.dat-journal", "the header's checksum seed", 12},
      {"Varneta.dat-journal", "the header's record count", 11},
      {"Varneta.dat-journal", "a record's checksum", sector + 4 + page},
      {"Varneta.dat-journal", "the super-journal's name", plainJournal.size() - 16 - 5},
  };
  long long acknowledged = -1;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.journal) + ": " + c.part);
    const fs::path folder = freshFolder("crash-flipped-copy");
    fs::copy(hot, folder, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const fs::path journal = folder / c.journal;
    const std::string good = bytesOf(journal);
    ASSERT_LT(c.at, good.size());
    std::string flipped = good;
    flipped[c.at] ^= 0x04;
    putBytes(journal, flipped);
    const auto before = folderBytes(folder);

    EXPECT_EQ(openDatabase(folder, crash::files()), error::BadDataFile);
    EXPECT_FALSE(databaseIsOpen());
    EXPECT_NE(refusedDataFile().find(c.journal), std::string::npos) << refusedDataFile();
    const DataFile& file =
        std::string(c.journal) == "Varneta.dat-journal" ? crash::mainFile() : crash::clinicalFile();
    EXPECT_EQ(refusalOf(file), refusedDataFile());
    EXPECT_TRUE(folderBytes(folder) == before) << "every file and journal is kept as it is";

    // The journal as it was rolls the whole transaction back.
    putBytes(journal, good);
    const long long stored = checkFolder(folder);
    if (acknowledged >= 0) {
      EXPECT_EQ(stored, acknowledged);
    }
    acknowledged = stored;
  }
}

// The plain file's journal as an earlier version wrote it, in SQLite's own
// format with nothing in its headers' padding: rolled back as before, with
// the sealed files' journals of the same transaction.
TEST(CrashTest, APlainJournalOfTheEarlierVersionIsRolledBack) {
  const fs::path folder = freshFolder("crash-earlier-journal");
  const long long acknowledged = stopBeforeCommitPoint(folder, 7);
  const fs::path journal = folder / "Varneta.dat-journal";
  std::string bytes = bytesOf(journal);
  ASSERT_GE(bytes.size(), 28u);
  const std::size_t sector = bigEndianAt(bytes, 20);
  ASSERT_GE(sector, 512u);
  // One segment, then the super-journal record: one header to clear.
  for (std::size_t header = sector; header + 8 <= bytes.size(); header += sector) {
    ASSERT_NE(bytes.compare(header, 8, bytes, 0, 8), 0) << "a second header at " << header;
  }
  std::fill(bytes.begin() + 28, bytes.begin() + static_cast<std::ptrdiff_t>(sector), '\0');
  putBytes(journal, bytes);
  EXPECT_EQ(checkFolder(folder), acknowledged);
}

// A folder opened after a crash from another path than the one it was
// written from (moved, or copied with the original left as it was): the
// journals and the super-journal name each other by the old path, and the
// transaction is still rolled back in every file.
TEST(CrashTest, AFolderOpenedFromAnotherPathRollsBackEveryFile) {
  for (const bool copied : {false, true}) {
    SCOPED_TRACE(copied ? "copied" : "moved");
    const fs::path hot = freshFolder("crash-first-path");
    const long long acknowledged = stopBeforeCommitPoint(hot, 5);
    const fs::path second = freshFolder("crash-second-path");
    fs::remove(second);
    if (copied) {
      fs::copy(hot, second, fs::copy_options::recursive);
    } else {
      fs::rename(hot, second);
    }
    const auto original = copied ? folderBytes(hot) : std::map<std::string, std::string>{};
    EXPECT_EQ(checkFolder(second), acknowledged);
    if (copied) {
      EXPECT_TRUE(folderBytes(hot) == original) << "the original folder is left as it was";
    }
  }
}

// The repair program run by hand on a folder left by a killed commit: the
// unfinished transaction spans the three files, so it changes nothing, and
// the next open rolls it back in every file.
TEST(CrashTest, ARepairBesideAnUnfinishedCommitChangesNothing) {
  const fs::path folder = freshFolder("crash-repair");
  const long long acknowledged = stopBeforeCommitPoint(folder, 6);
  ASSERT_EQ(writeStructureFile(crash::mainFile(), {&crash::movements(0)}, folder / "Varneta.tpe"),
            0);
  const std::string before = bytesOf(folder / "Varneta.dat");
  const RepairOutcome outcome = repairDataFile({folder / "Varneta.dat", folder / "Varneta.tpe"});
  EXPECT_EQ(outcome.code, RepairOutcome::Locked) << outcome.text;
  EXPECT_TRUE(bytesOf(folder / "Varneta.dat") == before);
  EXPECT_EQ(checkFolder(folder), acknowledged);
}

}  // namespace
}  // namespace rt
