#include "platform/base/private_temp.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/base/paths.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

constexpr mode_t kOwnerOnly = 0700;
constexpr mode_t kOwnerReadWrite = 0600;
// A work folder gets its lock under this name first and its real name after,
// so a sweep never sees a folder of a living program without its lock.
constexpr const char* kNewWorkFolder = ".nuevo-XXXXXX";

std::mutex g_mutex;

// Whether `folder` is the account's own folder and nobody else's: a real
// folder (not a link), owned by the account, closed to others (tightened when
// it is ours but open).
bool isOwnFolder(const fs::path& folder) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) {
    return false;
  }
  if ((info.st_mode & 077) == 0) return true;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  const bool tightened = ::fchmod(fd, kOwnerOnly) == 0;
  ::close(fd);
  return tightened;
}

// Opens a file, never through a link, mode 0600 when made; a plain file of
// another account is refused, one of the account's own closed to others.
int openOwnFile(const fs::path& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kOwnerReadWrite);
  if (fd < 0) return -1;
  struct stat info {};
  const bool read = ::fstat(fd, &info) == 0;
  if (!read || (S_ISREG(info.st_mode) && info.st_uid != ::geteuid())) {
    ::close(fd);
    errno = EACCES;
    return -1;
  }
  if (S_ISREG(info.st_mode) && (info.st_mode & 077) != 0) ::fchmod(fd, kOwnerReadWrite);
  return fd;
}

bool isStaleWorkFolder(const fs::path& folder) {
  const int fd = ::open((folder / WorkFolder::kLockName).c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  const bool stale = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return stale;
}

}  // namespace

fs::path privateTempFolder() {
  const fs::path base = tempFolder();
  const fs::path own = base / ("varneta-" + std::to_string(::geteuid()));
  std::lock_guard guard(g_mutex);
  if (ownPrivateFolder(own)) return own;
  // Someone else's folder, or a link, under our name: a fresh one of our own.
  static std::map<std::string, fs::path> fallbacks;
  fs::path& fallback = fallbacks[base.string()];
  if (fallback.empty() || !isOwnFolder(fallback)) {
    std::string pattern = (base / ("varneta-" + std::to_string(::geteuid()) + "-XXXXXX")).string();
    fallback = ::mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
  }
  return fallback;
}

bool ownPrivateFolder(const fs::path& folder) {
  ::mkdir(folder.c_str(), kOwnerOnly);
  return isOwnFolder(folder);
}

int openPrivateFile(const fs::path& path) { return openOwnFile(path, O_RDWR | O_APPEND); }

bool writePrivateFile(const fs::path& path, std::string_view bytes) {
  const int fd = openOwnFile(path, O_WRONLY);
  if (fd < 0) return false;
  bool written = ::ftruncate(fd, 0) == 0;
  for (std::size_t done = 0; written && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) done += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0 && written;
}

WorkFolder::WorkFolder(std::string_view prefix) {
  const fs::path folder = privateTempFolder();
  if (folder.empty()) return;
  std::string fresh = (folder / kNewWorkFolder).string();
  if (::mkdtemp(fresh.data()) == nullptr) return;
  lock_ = openOwnFile(fs::path(fresh) / kLockName, O_RDWR);
  std::string named = (folder / (std::string(prefix) + "-XXXXXX")).string();
  // mkdtemp picks a free name; the fresh folder is then renamed over it.
  const bool locked = lock_ >= 0 && ::flock(lock_, LOCK_EX) == 0;
  if (locked && ::mkdtemp(named.data()) != nullptr && ::rename(fresh.c_str(), named.c_str()) == 0) {
    path_ = named;
    return;
  }
  std::error_code ec;
  fs::remove_all(fresh, ec);
  if (locked) ::rmdir(named.c_str());
  release();
}

WorkFolder::WorkFolder(WorkFolder&& other) noexcept
    : path_(std::move(other.path_)), lock_(other.lock_) {
  other.path_.clear();
  other.lock_ = -1;
}

WorkFolder& WorkFolder::operator=(WorkFolder&& other) noexcept {
  if (this != &other) {
    release();
    path_ = std::move(other.path_);
    lock_ = other.lock_;
    other.path_.clear();
    other.lock_ = -1;
  }
  return *this;
}

WorkFolder::~WorkFolder() { release(); }

void WorkFolder::release() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(path_, ec);
  path_.clear();
  if (lock_ >= 0) ::close(lock_);
  lock_ = -1;
}

int removeStaleWorkFolders() {
  const fs::path folder = privateTempFolder();
  if (folder.empty()) return 0;
  int removed = 0;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    std::error_code typeError;
    if (name.empty() || name.front() == '.' || !entry.is_directory(typeError) ||
        entry.is_symlink(typeError)) {
      continue;
    }
    if (!isStaleWorkFolder(entry.path())) continue;
    std::error_code removeError;
    fs::remove_all(entry.path(), removeError);
    if (!removeError) ++removed;
  }
  return removed;
}

}  // namespace rt
