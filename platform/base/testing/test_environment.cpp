#include "platform/base/testing/test_environment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/base/clock.h"

namespace rt::testing {
namespace {

std::filesystem::path g_root;

void removeRoot() {
  std::error_code ec;
  if (!g_root.empty()) std::filesystem::remove_all(g_root, ec);
}

// The activity log of the day lies in the account's temp folder, one for the
// whole process: each test starts from an empty one.
void removeActivityLogs() {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(g_root / "tmp", ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file() && it->path().filename().string().rfind("LogTL-", 0) == 0) {
      std::error_code ignored;
      std::filesystem::remove(it->path(), ignored);
    }
  }
}

// A test that fixes the clock fixes it for itself: the next one starts at the
// process's test moment again, and with no activity log of an earlier test.
class TestClockReset : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    setFixedClock(kTestDate, kTestTime);
    removeActivityLogs();
  }
};

}  // namespace

void prepareTestProcess() {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp && *tmp ? tmp : "/tmp";
  // A TMPDIR given with a trailing slash would put "//" in every path the
  // tests build, while the program's own paths come out with one.
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::string pattern = base + "/varneta-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  g_root = pattern;
  std::filesystem::create_directories(g_root / "work");
  std::filesystem::create_directories(g_root / "windows");
  std::filesystem::create_directories(g_root / "tmp");
  setenv("VARNETA_WINDIR", (g_root / "windows").c_str(), 1);
  setenv("TMPDIR", (g_root / "tmp").c_str(), 1);
  setenv("TZ", "UTC", 1);
  std::filesystem::current_path(g_root / "work");
  setFixedClock(kTestDate, kTestTime);
  ::testing::UnitTest::GetInstance()->listeners().Append(new TestClockReset);
  std::atexit(removeRoot);
}

std::filesystem::path testRoot() { return g_root; }

std::filesystem::path freshFolder(std::string_view prefix) {
  static std::atomic<int> taken{0};
  const std::filesystem::path folder =
      std::filesystem::current_path() / (std::string(prefix) + std::to_string(++taken));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

ScopedLocale::ScopedLocale(int category, const char* name)
    : category_(category), previous_(std::setlocale(category, nullptr)) {
  std::setlocale(category, name);
}

ScopedLocale::~ScopedLocale() { std::setlocale(category_, previous_.c_str()); }

}  // namespace rt::testing

// fontconfig keeps its pattern caches for the life of the process; the leak
// checker would fail every window test on them. Only a leak checker asks for
// this (in any sanitized build, g++ or clang).
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
