// The account's private temp folder and its files: what another account
// plants in the shared temp folder (a folder under our name, a link, a file)
// is never used or written through; what we make is closed to others.
#include "platform/base/private_temp.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/base/paths.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

// Stands for another account where the test may hand files to one.
constexpr uid_t kOtherAccount = 65534;

mode_t modeOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Each case gets a shared temp folder of its own.
class PrivateTemp : public ::testing::Test {
 protected:
  void SetUp() override {
    shared_ = fs::path(std::getenv("TMPDIR")) /
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(shared_);
    ::chmod(shared_.c_str(), 01777);
    saved_ = std::getenv("TMPDIR");
    setenv("TMPDIR", shared_.c_str(), 1);
  }
  void TearDown() override { setenv("TMPDIR", saved_.c_str(), 1); }
  fs::path ownName() const { return shared_ / ("varneta-" + std::to_string(::geteuid())); }
  fs::path shared_;
  std::string saved_;
};

TEST_F(PrivateTemp, TheFolderIsTheAccountsOwnAndClosedToOthers) {
  const fs::path folder = privateTempFolder();
  EXPECT_EQ(folder, ownName());
  EXPECT_EQ(modeOf(folder), 0700u);
  ::chmod(folder.c_str(), 0755);
  EXPECT_EQ(privateTempFolder(), folder);
  EXPECT_EQ(modeOf(folder), 0700u) << "one of our own left open is closed again";
}

TEST_F(PrivateTemp, AFolderPlantedUnderOurNameIsNeverUsed) {
  const fs::path bait = shared_ / "cebo";
  fs::create_directories(bait);
  ::chmod(bait.c_str(), 0777);
  fs::create_directory_symlink(bait, ownName());
  const fs::path viaLink = privateTempFolder();
  EXPECT_NE(viaLink, ownName());
  EXPECT_EQ(viaLink.parent_path(), shared_);
  EXPECT_EQ(modeOf(viaLink), 0700u);
  EXPECT_TRUE(fs::is_empty(bait));

  if (::geteuid() != 0) GTEST_SKIP() << "handing a folder to another account needs root";
  fs::remove(ownName());
  fs::create_directory(ownName());
  ASSERT_EQ(::chown(ownName().c_str(), kOtherAccount, kOtherAccount), 0);
  EXPECT_NE(privateTempFolder(), ownName()) << "another account's folder under our name";
}

TEST_F(PrivateTemp, FilesAreMadeForTheOwnerOnlyAndNeverThroughALinkOrAnothersFile) {
  const fs::path folder = privateTempFolder();
  const fs::path file = folder / "pantalla.jpg";
  ASSERT_TRUE(writePrivateFile(file, "primero, más largo"));
  ASSERT_TRUE(writePrivateFile(file, "dos"));
  EXPECT_EQ(slurp(file), "dos");
  EXPECT_EQ(modeOf(file), 0600u);
  const int fd = openPrivateFile(folder / "log.txt");
  ASSERT_GE(fd, 0);
  ::close(fd);
  EXPECT_EQ(modeOf(folder / "log.txt"), 0600u);

  const fs::path victim = shared_ / "ajeno.txt";
  std::ofstream(victim) << "intacto";
  fs::create_symlink(victim, folder / "enlace.txt");
  EXPECT_LT(openPrivateFile(folder / "enlace.txt"), 0);
  EXPECT_FALSE(writePrivateFile(folder / "enlace.txt", "x"));
  EXPECT_EQ(slurp(victim), "intacto");

  if (::geteuid() != 0) GTEST_SKIP() << "handing a file to another account needs root";
  ASSERT_EQ(::chown(victim.c_str(), kOtherAccount, kOtherAccount), 0);
  EXPECT_LT(openPrivateFile(victim), 0);
  EXPECT_FALSE(writePrivateFile(victim, "x"));
  EXPECT_EQ(slurp(victim), "intacto");
}

TEST_F(PrivateTemp, AWorkFolderIsPrivateAndOnlyOneLeftByACrashIsSweptAway) {
  fs::path gone;
  {
    WorkFolder work("respaldo");
    ASSERT_FALSE(work.path().empty());
    gone = work.path();
    EXPECT_EQ(gone.parent_path(), privateTempFolder());
    EXPECT_EQ(modeOf(gone), 0700u);
  }
  EXPECT_FALSE(fs::exists(gone));

  WorkFolder living("respaldo");
  std::ofstream(living.path() / "Varneta.dat") << "copia";
  // What a crash leaves: the folder with its lock file, held by nobody.
  const fs::path crashed = privateTempFolder() / "respaldo-abc123";
  fs::create_directories(crashed);
  std::ofstream(crashed / WorkFolder::kLockName) << "";
  std::ofstream(crashed / "Varneta.dat") << "copia";
  const fs::path other = privateTempFolder() / "otra-cosa";
  fs::create_directories(other);

  EXPECT_EQ(removeStaleWorkFolders(), 1);
  EXPECT_FALSE(fs::exists(crashed));
  EXPECT_TRUE(fs::exists(living.path() / "Varneta.dat")) << "a folder in use stays";
  EXPECT_TRUE(fs::exists(other)) << "a folder that is no work folder stays";
}

}  // namespace
}  // namespace rt
