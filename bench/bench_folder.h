#pragma once
// A data folder of one benchmark run: under $TMPDIR (or /tmp), named after
// the benchmark and the process, made empty at first use and removed at exit.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace bench {

inline std::filesystem::path scratchFolder(const char* name) {
  static const std::filesystem::path folder = [name] {
    const char* tmp = std::getenv("TMPDIR");
    std::filesystem::path p = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") /
                              (std::string("varneta-bench-") + name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    static const std::string* const doomed = new std::string(p.string());
    std::atexit([] { std::filesystem::remove_all(*doomed); });
    return p;
  }();
  return folder;
}

}  // namespace bench
