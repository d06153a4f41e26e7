#include "platform/base/file_modes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <system_error>

namespace rt {
namespace {

namespace fs = std::filesystem;

constexpr mode_t kSpecialBits = 07000;

// The creation mask, read without changing it (umask() alone would set it,
// for a moment, for every thread of the process).
mode_t creationMask() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  const mode_t mask = ::umask(077);
  ::umask(mask);
  return mask;
}

// Takes away from an entry of the account's own what the rule forbids;
// never follows a link, never widens.
void narrow(const fs::path& path, mode_t mask) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid() &&
      (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)) && (info.st_mode & 0777 & mask) != 0) {
    ::fchmod(fd, info.st_mode & (kSpecialBits | (0777 & ~mask)));
  }
  ::close(fd);
}

}  // namespace

FileModes fileModesFor(const fs::path& dataFolder) {
  struct stat info {};
  const bool shared = ::stat(dataFolder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
                      (info.st_mode & (S_ISGID | S_IWGRP)) != 0;
  return shared ? FileModes{0660, 0770} : FileModes{0600, 0700};
}

void applyFileModes(const fs::path& dataFolder) {
  const mode_t mask = 0777 & ~fileModesFor(dataFolder).folder;
  ::umask(mask);
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(dataFolder, ec)) {
    narrow(entry.path(), mask);
    std::error_code typeError;
    if (!entry.is_directory(typeError) || entry.is_symlink(typeError)) continue;
    for (const fs::directory_entry& inner : fs::directory_iterator(entry.path(), typeError)) {
      narrow(inner.path(), mask);
    }
  }
}

mode_t permittedMode(mode_t mode) { return mode & (kSpecialBits | (0777 & ~creationMask())); }

}  // namespace rt
