// What a practice's work makes in its data folder (the three data files, the
// settings files with their passwords, a PDF listing, a folder, the backup
// archive) is the account's own, or the group's of a folder shared with a
// group; other local accounts can read none of it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QString>

#include "admin/backup.h"
#include "core/aids/main_services.h"
#include "core/tables/data_files.h"
#include "platform/base/file_modes.h"
#include "platform/base/ini_file.h"
#include "platform/base/outside_actions.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/report_output.h"

namespace admin {
namespace {

namespace fs = std::filesystem;

class CreatedFileModes : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::closeDatabase();
    mask_ = ::umask(022);
  }
  void TearDown() override {
    rt::closeDatabase();
    ::umask(mask_);
  }
  mode_t mask_ = 022;
};

TEST_F(CreatedFileModes, EveryFileOfAPracticeIsClosedToOtherAccounts) {
  for (const bool shared : {false, true}) {
    SCOPED_TRACE(shared ? "setgid folder" : "own folder");
    const fs::path folder = rt::testing::freshFolder("consultorio");
    ASSERT_EQ(::chmod(folder.c_str(), shared ? 02770 : 0755), 0);
    rt::applyFileModes(folder);

    ASSERT_EQ(core::openPracticeDatabase(folder, true), 0);
    rt::closeDatabase();
    for (const char* ini :
         {"varneta.INI", "emailtl.ini", "TLMail.ini", "Dezedu.ini", "respaldo.ini"}) {
      ASSERT_TRUE(rt::putIni("Cuenta", "Password", "secreta", (folder / ini).string())) << ini;
    }
    ASSERT_EQ(core::MakeDirectory((folder / "PDF").string()), 0);
    ASSERT_TRUE(
        rt::writePdf({}, QString::fromStdString((folder / "PDF" / "Listado.PDF").string()), {}));
    const std::vector<std::string> names = {"Varneta.dat", "VarnetaC.dat", "VarnetaA.dat",
                                            "varneta.INI"};
    const fs::path archive = folder / "Varneta-20250929-1030";
    ASSERT_EQ(runArchiver(rt::findProgramOnPath("7z"), archiverArguments(archive, names), folder,
                          archive, names),
              "");

    const mode_t file = shared ? 0660 : 0600;
    const mode_t subfolder = shared ? 0770 : 0700;
    std::vector<std::string> seen;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
      SCOPED_TRACE(entry.path().string());
      seen.push_back(entry.path().filename().string());
      struct stat info {};
      ASSERT_EQ(::lstat(entry.path().c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 0777, S_ISDIR(info.st_mode) ? subfolder : file);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"Dezedu.ini", "Listado.PDF", "PDF", "TLMail.ini",
                                              "Varneta-20250929-1030.7z", "Varneta.dat",
                                              "VarnetaA.dat", "VarnetaC.dat", "emailtl.ini",
                                              "respaldo.ini", "varneta.INI"}));
  }
}

}  // namespace
}  // namespace admin
