#pragma once
// What every test process starts with: a fresh temporary working folder (the
// current directory), a temporary Windows folder, a fixed clock and time zone.
// Every test starts with that clock, whatever the tests before it fixed.
#include <filesystem>
#include <string>
#include <string_view>

namespace rt::testing {

// 29 September 2025, 10:30:00.00: the clock every test starts with.
constexpr int kTestDate = 82090;
constexpr int kTestTime = 10 * 360000 + 30 * 6000 + 1;

// Called by the test mains before any test runs.
void prepareTestProcess();
// The temporary root holding the working and Windows folders; removed at exit.
std::filesystem::path testRoot();
// A new empty folder in the current one, named by the prefix and a number
// that no other folder of the process has taken.
std::filesystem::path freshFolder(std::string_view prefix);

// Sets one category of the process's locale (LC_PAPER, ...) for as long as
// it lives, and puts the one before back.
class ScopedLocale {
 public:
  ScopedLocale(int category, const char* name);
  ~ScopedLocale();
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

 private:
  int category_;
  std::string previous_;
};

}  // namespace rt::testing
