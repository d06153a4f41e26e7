// TextBuffer: loading the value from a file, saving the value, a text or a
// block to one, file sizes, and byte-order marks.
#include <fcntl.h>
#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <string>

#include "platform/base/paths.h"
#include "textlib/system_error_codes.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

constexpr std::size_t kLongestName = 260;
constexpr std::size_t kLongestSizeName = 255;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16BigBom = "\xFE\xFF";
constexpr std::string_view kUtf16LittleBom = "\xFF\xFE";

// The name without its leading and trailing blanks, cut to the longest name.
std::string fileNameOf(std::string_view name, std::size_t longest = kLongestName) {
  const std::size_t first = name.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  name = detail::clipView(name.substr(first));
  return std::string(name.substr(0, longest));
}

// The name as messages show it: a name in the working folder written ".\x"
// shows the folder in full.
std::string shownName(const std::string& name) {
  if (name.starts_with(".\\")) return rt::runtimeName(rt::workingFolder()) + name.substr(1);
  return name;
}

class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() { close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int fd() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // False when closing reports an error (written data may be lost).
  bool close() {
    if (fd_ < 0) return true;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed;
  }

 private:
  int fd_;
};

}  // namespace

int TextBuffer::LoadFile(std::string_view fileName, double offset, int length, bool removeBom) {
  Start(true);
  const std::string name = fileNameOf(fileName);
  if (name.empty()) {
    WINERRORCODE = 0;
    RecordError("LoadFile", "Cannot load the file, the name is blank.");
    return 0;
  }
  const std::string shown = shownName(name);
  const std::string path = rt::resolvePath(name).string();
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
    WINERRORCODE = 0;
    RecordError("LoadFile", "Cannot load the file, the file [" + shown + "] does not exist.");
    return 0;
  }
  FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.ok() && ::fstat(file.fd(), &info) == 0 && S_ISDIR(info.st_mode)) {
    file.close();
    errno = EISDIR;
  }
  if (!file.ok()) {
    WINERRORCODE = windowsErrorFromErrno(errno);
    RecordError("LoadFile", "Error loading the file, could not open " + shown + ".");
    return 0;
  }
  const long long size = ::fstat(file.fd(), &info) == 0 ? static_cast<long long>(info.st_size) : 0;
  if (size == 0) {
    file.close();
    WINERRORCODE = 0;
    RecordError("LoadFile",
                "Error loading the file, the file size is zero. no data to read (" + shown + ").");
    return 0;
  }
  long long from = std::isfinite(offset) ? static_cast<long long>(offset) : 0;
  const long long wanted = length < 0 ? 0 : length;
  long long n = 0;
  if (from > 0) {
    n = size - from;
  } else if (from < 0) {
    n = -from;
    if (wanted == 0 && -from > size) from = 0, n = size;
  } else {
    n = size;
  }
  if (wanted > 0) n = std::min(n, wanted);
  if (n <= 0) {
    file.close();
    WINERRORCODE = 0;
    RecordError("LoadFile", "Error loading the file, the offset is greater than the file length.");
    return 0;
  }
  long long position = 0;
  if (from < 0) {
    position = ::lseek(file.fd(), from, SEEK_END);
  } else if (from > 0) {
    position = ::lseek(file.fd(), from, SEEK_SET);
  }
  // A position that cannot be set leaves the reading at the start.
  if (position < 0) ::lseek(file.fd(), 0, SEEK_SET);
  EOF_ = (from < 0 ? -from : from) + wanted >= size ? 1 : 0;
  BASE64 = 0;
  if (n <= INT_MAX) Malloc_(static_cast<int>(n), false, true);
  if (VALUE.address == nullptr || DATAEND_ != n) {
    file.close();
    WINERRORCODE = 0;
    RecordError("LoadFile", "Error loading the file, not enough memory to load");
    return 0;
  }
  long long got = 0;
  while (got < n) {
    const ssize_t r = ::read(file.fd(), VALUE.address + got, static_cast<std::size_t>(n - got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      WINERRORCODE = windowsErrorFromErrno(errno);
      file.close();
      SetEmpty();
      RecordError("LoadFile", "Error loading the file, the ReadFile API failed.");
      return 0;
    }
    if (r == 0) break;
    got += r;
  }
  BYTES = static_cast<int>(got);
  file.close();
  DetectBom(removeBom);
  return 1;
}

int TextBuffer::SaveFile(std::string_view fileName, bool append) {
  return SaveFileBytes(fileName, DATAEND_, VALUE.address, append, 0);
}

int TextBuffer::SaveFileText(std::string_view text, std::string_view fileName, bool append) {
  return SaveFileBytes(fileName, static_cast<int>(text.size()), text.data(), append, 0);
}

int TextBuffer::SaveFileBytes(std::string_view fileName, int length, const void* data, bool append,
                              int count) {
  const std::string name = fileNameOf(fileName);
  if (name.empty()) {
    WINERRORCODE = 0;
    RecordError("SaveFile", "Cannot save the file, the file name passed is blank.");
    return 0;
  }
  const std::string shown(detail::clipView(fileName));
  const std::string path = rt::resolvePath(name).string();
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? 0 : O_TRUNC);
  FileHandle file(::open(path.c_str(), flags, 0666));
  if (!file.ok()) {
    WINERRORCODE = windowsErrorFromErrno(errno);
    RecordError("SaveFile",
                "Could not save the file, the CreateFile API failed to create " + shown);
    return 0;
  }
  if (data == nullptr || length < 0) length = 0;
  // A count beyond the block writes the block, never the bytes after it.
  const long long bytes = count < 0 ? 0 : count == 0 ? length : std::min(count, length);
  if (bytes == 0) {
    file.close();
    return 1;
  }
  if (append && ::lseek(file.fd(), 0, SEEK_END) < 0) {
    WINERRORCODE = windowsErrorFromErrno(errno);
    file.close();
    RecordError("SaveFile", "Failed to save the file, SetFilePointer failed, so could not append.");
    return 0;
  }
  const char* from = static_cast<const char*>(data);
  long long written = 0;
  while (written < bytes) {
    const ssize_t w = ::write(file.fd(), from + written, static_cast<std::size_t>(bytes - written));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    written += w;
  }
  const int writeErrno = errno;
  if (written < bytes || !file.close()) {
    WINERRORCODE = windowsErrorFromErrno(written < bytes ? writeErrno : errno);
    RecordError("SaveFile", "Failed to save the file, WriteFile failed to write to " + shown);
    return 0;
  }
  return 1;
}

double TextBuffer::FileSize(std::string_view fileName) {
  const std::string name = fileNameOf(fileName, kLongestSizeName);
  if (name.empty()) return -1;
  const std::string pattern = rt::resolvePath(name).string();
  glob_t found{};
  double size = -1;
  if (::glob(pattern.c_str(), GLOB_NOSORT, nullptr, &found) == 0) {
    for (std::size_t i = 0; i < found.gl_pathc; ++i) {
      struct stat info {};
      if (::stat(found.gl_pathv[i], &info) == 0 && !S_ISDIR(info.st_mode)) {
        size = static_cast<double>(info.st_size);
        break;
      }
    }
  }
  ::globfree(&found);
  return size;
}

int TextBuffer::DetectBom(bool removeBom) {
  const std::string_view v = view();
  if (v.starts_with(kUtf8Bom)) {
    if (removeBom) DeleteRange(1, 3);
    ENCODING = 1;
  } else if (v.starts_with(kUtf16BigBom) || v.starts_with(kUtf16LittleBom)) {
    ENDIAN = v.starts_with(kUtf16BigBom) ? 1 : 0;
    if (removeBom) DeleteRange(1, 2);
    ENCODING = 2;
  }
  return ENCODING;
}

void TextBuffer::AddBom(int encoding) {
  if (encoding == -1) encoding = ENCODING;
  std::string_view mark;
  if (encoding == 1) {
    mark = kUtf8Bom;
  } else if (encoding == 2) {
    mark = ENDIAN == 1 ? kUtf16BigBom : kUtf16LittleBom;
  } else {
    return;
  }
  if (!view().starts_with(mark)) Prepend(mark);
}

}  // namespace textlib
