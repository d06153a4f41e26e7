#include "platform/base/testing/test_environment.h"

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

}  // namespace

void prepareTestProcess() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/varneta-test-XXXXXX";
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
  std::atexit(removeRoot);
}

std::filesystem::path testRoot() { return g_root; }

}  // namespace rt::testing

// fontconfig keeps its pattern caches for the life of the process; the leak
// checker would fail every window test on them. Only a leak checker asks for
// this (in any sanitized build, g++ or clang).
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
