#include "platform/base/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/base/file_modes.h"

namespace fs = std::filesystem;

namespace rt {
namespace {

// fcntl locks belong to the process, so threads of this process are kept
// apart by a mutex of their own.
std::mutex g_editMutex;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { reset(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

bool readAll(int fd, std::string& out) {
  out.clear();
  char buffer[8192];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

bool writeAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool lockWhole(int fd) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  while (::fcntl(fd, F_SETLKW, &lock) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// Opens and locks the file that `path` names now. Another process may rename
// a new file over it while we wait for the lock; then the lock is on the old
// file and we start again on the new one.
bool openLocked(const fs::path& path, FileDescriptor& fd, struct stat& info) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    fd.reset(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (fd.get() < 0 || !lockWhole(fd.get()) || ::fstat(fd.get(), &info) != 0) return false;
    struct stat now {};
    if (::stat(path.c_str(), &now) == 0 && now.st_dev == info.st_dev && now.st_ino == info.st_ino) {
      return true;
    }
  }
  return false;
}

// The new content goes in through a scratch file, never through a link.
bool replaceWith(const fs::path& path, const std::string& content) {
  return replaceFile(path, [&](const fs::path& scratch) {
           FileDescriptor out(
               ::open(scratch.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
           return out.get() >= 0 && writeAll(out.get(), content) && ::fsync(out.get()) == 0;
         }) == 0;
}

// A link in the file's place becomes a file of its own with what the link
// showed (nothing when it leads nowhere); a plain file stays as it is.
bool replaceLink(const fs::path& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
  return replaceWith(path, readWholeFile(path).value_or(std::string()));
}

// A name beside `path` that no other writer, in this process or another, uses.
fs::path scratchBeside(const fs::path& path) {
  static std::atomic<unsigned> counter{0};
  fs::path scratch = path;
  scratch += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
  return scratch;
}

}  // namespace

int replaceFile(const fs::path& path, const std::function<bool(const fs::path& scratch)>& write) {
  const fs::path scratch = scratchBeside(path);
  struct stat old {};
  const bool plain = ::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  const mode_t mode = permittedMode(plain ? old.st_mode & 07777 : 0666);
  errno = 0;
  int error = 0;
  if (!write(scratch)) {
    error = errno != 0 ? errno : EIO;
  } else if (::chmod(scratch.c_str(), mode) != 0 || ::rename(scratch.c_str(), path.c_str()) != 0) {
    error = errno;
  }
  if (error != 0) {
    ::unlink(scratch.c_str());
    return error;
  }
  FileDescriptor dir(::open(path.parent_path().empty() ? "." : path.parent_path().c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return 0;
}

std::optional<std::string> readWholeFile(const fs::path& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  std::string content;
  if (fd.get() < 0 || !readAll(fd.get(), content)) return std::nullopt;
  return content;
}

bool editFileAtomically(const fs::path& path,
                        const std::function<bool(std::string& content)>& edit) {
  std::lock_guard guard(g_editMutex);
  if (!replaceLink(path)) return false;
  std::error_code ec;
  const bool existed = fs::exists(path, ec);
  FileDescriptor fd;
  struct stat info {};
  std::string content;
  const bool opened = openLocked(path, fd, info) && readAll(fd.get(), content);
  // An empty file made here only to hold the lock is not left behind.
  const bool dropIfUnchanged = !existed && fd.get() >= 0 && content.empty();
  if (!opened || !edit(content)) {
    if (dropIfUnchanged) ::unlink(path.c_str());
    return opened;
  }
  // Nor is it when the new content could not be written (a full disk): an
  // empty file would read as a file without a single entry.
  if (replaceWith(path, content)) return true;
  if (dropIfUnchanged) ::unlink(path.c_str());
  return false;
}

}  // namespace rt
