// What the program makes is the account's own, or its data folder's group's
// when the folder is shared with a group; never other accounts'. Files an
// earlier version left open are closed at start, never opened wider.
#include "platform/base/file_modes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/base/ini_file.h"
#include "platform/base/safe_file.h"
#include "platform/base/testing/test_environment.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

struct stat statOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info;
}

mode_t modeOf(const fs::path& path) { return statOf(path).st_mode & 0777; }

// The process's creation mask is given back after each case.
class FileModesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mask_ = ::umask(022);
    ::umask(022);
  }
  void TearDown() override { ::umask(mask_); }
  mode_t mask_ = 022;
};

TEST_F(FileModesTest, TheDataFolderDecidesWhoSharesTheFiles) {
  struct Case {
    mode_t folder;
    FileModes expected;
  };
  const Case cases[] = {
      {0755, {0600, 0700}},                         // the account's own folder
      {0700, {0600, 0700}}, {02755, {0660, 0770}},  // setgid: shared with its group
      {0770, {0660, 0770}},                         // writable by its group
      {0777, {0660, 0770}},                         // open to all: still never to others
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    const fs::path folder = testing::freshFolder("regla");
    ASSERT_EQ(::chmod(folder.c_str(), c.folder), 0);
    const FileModes modes = fileModesFor(folder);
    EXPECT_EQ(modes.file, c.expected.file);
    EXPECT_EQ(modes.folder, c.expected.folder);
  }
}

// Everything made in the folder once its rule is applied: a new INI, an INI
// rewritten, a file made whole through a scratch file, a folder, and a file
// made by a program the process starts (as the archiver makes the backup).
TEST_F(FileModesTest, EveryFileMadeFollowsTheRuleAlsoUnderAGroupSharedFolder) {
  for (const bool shared : {false, true}) {
    SCOPED_TRACE(shared ? "setgid folder" : "own folder");
    const fs::path folder = testing::freshFolder("hechos");
    ASSERT_EQ(::chmod(folder.c_str(), shared ? 02770 : 0755), 0);
    applyFileModes(folder);
    const mode_t file = shared ? 0660 : 0600;
    const mode_t subfolder = shared ? 0770 : 0700;

    ASSERT_TRUE(putIni("Soporte", "Clave", "secreta", (folder / "varneta.INI").string()));
    ASSERT_TRUE(putIni("Soporte", "Clave", "otra", (folder / "varneta.INI").string()));
    ASSERT_EQ(replaceFile(folder / "listado.pdf",
                          [](const fs::path& scratch) {
                            std::ofstream(scratch) << "%PDF";
                            return true;
                          }),
              0);
    ASSERT_EQ(::mkdir((folder / "PDF").c_str(), 0777), 0);
    const std::string child = "echo respaldo > '" + (folder / "PDF" / "Varneta.7z").string() + "'";
    ASSERT_EQ(std::system(child.c_str()), 0);

    int seen = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
      SCOPED_TRACE(entry.path().string());
      ++seen;
      const struct stat info = statOf(entry.path());
      EXPECT_EQ(info.st_mode & 0777, S_ISDIR(info.st_mode) ? subfolder : file);
      EXPECT_EQ(info.st_gid, statOf(folder).st_gid) << "the folder's group";
    }
    EXPECT_EQ(seen, 4);
  }
}

// An earlier version's files are narrowed at start: the folder's own entries
// and the files of its subfolders; nothing is widened, and a link is never
// followed to a file elsewhere.
TEST_F(FileModesTest, FilesLeftOpenAreClosedAndNothingIsWidened) {
  const fs::path outside = testing::freshFolder("fuera") / "ajeno.ini";
  std::ofstream(outside) << "[S]\n";
  ASSERT_EQ(::chmod(outside.c_str(), 0644), 0);
  for (const bool shared : {false, true}) {
    SCOPED_TRACE(shared ? "setgid folder" : "own folder");
    const fs::path folder = testing::freshFolder("anterior");
    ASSERT_EQ(::chmod(folder.c_str(), shared ? 02775 : 0755), 0);
    fs::create_directory(folder / "PDF");
    ASSERT_EQ(::chmod((folder / "PDF").c_str(), 0755), 0);
    struct Case {
      fs::path file;
      mode_t before;
      mode_t own;
      mode_t group;
    };
    const Case cases[] = {
        {folder / "Varneta.dat", 0644, 0600, 0640},
        {folder / "emailtl.ini", 0666, 0600, 0660},
        {folder / "Dezedu.ini", 0600, 0600, 0600},
        {folder / "TLMail.ini", 0400, 0400, 0400},
        {folder / "PDF" / "Listado.PDF", 0644, 0600, 0640},
    };
    for (const Case& c : cases) {
      std::ofstream(c.file) << "x";
      ASSERT_EQ(::chmod(c.file.c_str(), c.before), 0);
    }
    fs::create_symlink(outside, folder / "varneta.INI");
    applyFileModes(folder);
    for (const Case& c : cases) EXPECT_EQ(modeOf(c.file), shared ? c.group : c.own) << c.file;
    EXPECT_EQ(modeOf(folder / "PDF"), shared ? 0750u : 0700u);
    EXPECT_EQ(modeOf(outside), 0644u) << "the file a link leads to is not ours to change";
  }
}

}  // namespace
}  // namespace rt
