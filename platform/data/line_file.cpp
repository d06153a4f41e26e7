#include "platform/data/line_file.h"

#include <unistd.h>

#include <cerrno>

#include "platform/base/cp1252.h"
#include "platform/base/private_temp.h"
#include "platform/data/table_status.h"

namespace rt {

LineFile::~LineFile() { close(); }

int LineFile::open(const std::filesystem::path& path) {
  close();
  const int fd = openPrivateFile(path);
  file_ = fd >= 0 ? ::fdopen(fd, "a+b") : nullptr;
  if (!file_) {
    const int reason = errno;
    if (fd >= 0) ::close(fd);
    return setTableError(reason == EACCES || reason == EROFS || reason == ELOOP
                             ? error::AccessDenied
                             : error::NoFile);
  }
  readOffset_ = 0;
  return setTableError(error::NoError);
}

void LineFile::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

int LineFile::append(std::string_view line) {
  if (!file_) return setTableError(error::FileNotOpen);
  // A line may not carry a line break of its own: it would read back as two.
  std::string text(line);
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  const std::string utf8 = cp1252ToUtf8(text) + "\n";
  std::fseek(file_, 0, SEEK_END);
  if (std::fwrite(utf8.data(), 1, utf8.size(), file_) != utf8.size() || std::fflush(file_) != 0) {
    return setTableError(error::AccessDenied);
  }
  return setTableError(error::NoError);
}

void LineFile::setToStart() { readOffset_ = 0; }

int LineFile::next(std::string& line) {
  if (!file_) return setTableError(error::FileNotOpen);
  std::fseek(file_, readOffset_, SEEK_SET);
  std::string utf8;
  int c;
  while ((c = std::fgetc(file_)) != EOF && c != '\n') utf8 += static_cast<char>(c);
  if (c == EOF && utf8.empty()) return setTableError(error::RecordNotAvailable);
  readOffset_ = std::ftell(file_);
  if (!utf8.empty() && utf8.back() == '\r') utf8.pop_back();
  line = utf8ToCp1252(utf8);
  return setTableError(error::NoError);
}

}  // namespace rt
