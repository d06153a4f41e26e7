#include "platform/base/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/base/cp1252.h"
#include "platform/base/text_order.h"

namespace fs = std::filesystem;

namespace rt {
namespace {

std::mutex g_mutex;
std::optional<fs::path> g_workingFolder;

bool isSeparator(char c) { return c == '\\' || c == '/'; }

std::string envText(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

fs::path homeFolder() {
  std::string home = envText("HOME");
  if (home.empty()) {
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) {
      home = pw->pw_dir;
    }
  }
  return home.empty() ? fs::path("/") : fs::path(home);
}

// The entry of `folder` named `part` (runtime text) whatever its case; the
// exact spelling wins, then the first match in name order so the choice does
// not depend on the directory's order.
std::optional<std::string> findEntry(const fs::path& folder, std::string_view part) {
  const std::string disk = cp1252ToUtf8(part);
  std::error_code ec;
  if (fs::exists(folder / disk, ec)) return disk;
  const std::string wanted = upper(part);
  std::optional<std::string> found;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (upper(utf8ToCp1252(name)) == wanted && (!found || name < *found)) found = std::move(name);
  }
  return found;
}

}  // namespace

fs::path workingFolder() {
  std::lock_guard lock(g_mutex);
  if (!g_workingFolder) {
    std::error_code ec;
    g_workingFolder = fs::current_path(ec);
  }
  return *g_workingFolder;
}

void captureWorkingFolder() {
  std::lock_guard lock(g_mutex);
  std::error_code ec;
  g_workingFolder = fs::current_path(ec);
}

fs::path resolveIn(const fs::path& folder, std::string_view name) {
  fs::path result = folder;
  bool searching = true;  // once a part is missing, nothing below it exists
  std::size_t pos = 0;
  while (pos < name.size()) {
    std::size_t end = pos;
    while (end < name.size() && !isSeparator(name[end])) ++end;
    const std::string_view part = name.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      result = result.parent_path();
      continue;
    }
    std::optional<std::string> entry = searching ? findEntry(result, part) : std::nullopt;
    if (!entry) {
      searching = false;
      entry = cp1252ToUtf8(part);
    }
    result /= *entry;
  }
  if (!name.empty() && isSeparator(name.back())) result /= "";
  return result;
}

fs::path resolvePath(std::string_view name) {
  if (!name.empty() && name.front() == '/') return resolveIn("/", name);
  if (name.size() >= 2 && name[1] == ':' &&
      ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) {
    name.remove_prefix(2);
  }
  return resolveIn(workingFolder(), name);
}

fs::path windowsFolder() {
  fs::path folder;
  if (std::string dir = envText("VARNETA_WINDIR"); !dir.empty()) {
    folder = dir;
  } else if (std::string config = envText("XDG_CONFIG_HOME"); !config.empty()) {
    folder = fs::path(config) / "varneta";
  } else {
    folder = homeFolder() / ".config" / "varneta";
  }
  std::error_code ec;
  fs::create_directories(folder, ec);
  return folder;
}

fs::path tempFolder() {
  std::string dir = envText("TMPDIR");
  return dir.empty() ? fs::path("/tmp") : fs::path(dir);
}

std::string runtimeName(const fs::path& path) { return utf8ToCp1252(path.string()); }

}  // namespace rt
