#include "platform/base/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <system_error>

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
    fd.reset(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (fd.get() < 0 || !lockWhole(fd.get()) || ::fstat(fd.get(), &info) != 0) return false;
    struct stat now {};
    if (::stat(path.c_str(), &now) == 0 && now.st_dev == info.st_dev && now.st_ino == info.st_ino) {
      return true;
    }
  }
  return false;
}

bool replaceWith(const fs::path& path, const std::string& content, mode_t mode) {
  std::string temp = path.string() + ".tmp-XXXXXX";
  FileDescriptor out(::mkstemp(temp.data()));
  if (out.get() < 0) return false;
  const bool written = ::fchmod(out.get(), mode & 07777) == 0 && writeAll(out.get(), content) &&
                       ::fsync(out.get()) == 0;
  out.reset();
  if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  FileDescriptor dir(::open(path.parent_path().empty() ? "." : path.parent_path().c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

}  // namespace

std::optional<std::string> readWholeFile(const fs::path& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  std::string content;
  if (fd.get() < 0 || !readAll(fd.get(), content)) return std::nullopt;
  return content;
}

bool editFileAtomically(const fs::path& path,
                        const std::function<bool(std::string& content)>& edit) {
  std::lock_guard guard(g_editMutex);
  // Write through a symbolic link, never over it.
  std::error_code ec;
  fs::path target = path;
  if (fs::is_symlink(path, ec)) {
    target = fs::canonical(path, ec);
    if (ec) return false;
  }
  const bool existed = fs::exists(target, ec);
  FileDescriptor fd;
  struct stat info {};
  std::string content;
  const bool opened = openLocked(target, fd, info) && readAll(fd.get(), content);
  // An empty file made here only to hold the lock is not left behind.
  const bool dropIfUnchanged = !existed && fd.get() >= 0 && content.empty();
  if (!opened || !edit(content)) {
    if (dropIfUnchanged) ::unlink(target.c_str());
    return opened;
  }
  // Nor is it when the new content could not be written (a full disk): an
  // empty file would read as a file without a single entry.
  if (replaceWith(target, content, info.st_mode)) return true;
  if (dropIfUnchanged) ::unlink(target.c_str());
  return false;
}

}  // namespace rt
