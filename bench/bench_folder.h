#pragma once
// The folders of one benchmark run: all under one folder of the process in
// $TMPDIR (or /tmp), "varneta-bench-<pid>", removed at exit, so no run leaves
// anything behind. Each name is a folder of its own there, made empty at its
// first use and made again where a run removed it.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace bench {

inline const std::filesystem::path& scratchRoot() {
  static const std::filesystem::path root = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::filesystem::path p = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") /
                              ("varneta-bench-" + std::to_string(getpid()));
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    static const std::string* const doomed = new std::string(p.string());
    std::atexit([] { std::filesystem::remove_all(*doomed); });
    return p;
  }();
  return root;
}

inline std::filesystem::path scratchFolder(const std::string& name) {
  static std::map<std::string, std::filesystem::path> made;
  auto found = made.find(name);
  if (found != made.end()) {
    // A benchmark run again may have removed its folder when it ended.
    std::filesystem::create_directories(found->second);
    return found->second;
  }
  const std::filesystem::path p = scratchRoot() / name;
  std::filesystem::remove_all(p);
  std::filesystem::create_directories(p);
  made.emplace(name, p);
  return p;
}

}  // namespace bench
