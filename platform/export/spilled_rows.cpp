#include "platform/export/spilled_rows.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/base/cp_literal.h"
#include "platform/export/export_cells.h"

namespace rt {
namespace {

bool writeNumber(std::FILE* file, std::uint32_t n) {
  return std::fwrite(&n, sizeof n, 1, file) == 1;
}
bool readNumber(std::FILE* file, std::uint32_t& n) {
  return std::fread(&n, sizeof n, 1, file) == 1;
}

}  // namespace

SpilledRows::SpilledRows() : folder_("exportacion") {
  if (folder_.path().empty()) {
    error_ = "No se pudo crear la carpeta temporal de la exportación"_cp;
    return;
  }
  const std::filesystem::path path = folder_.path() / "filas";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd >= 0) file_ = ::fdopen(fd, "w+b");
  if (file_ == nullptr) {
    error_ = exporting::systemReason(errno);
    if (fd >= 0) ::close(fd);
  }
}

SpilledRows::~SpilledRows() {
  if (file_ != nullptr) std::fclose(file_);
}

bool SpilledRows::append(const std::vector<std::string>& row) {
  if (file_ == nullptr) return false;
  if (last_ != Last::Write && std::fseek(file_, static_cast<long>(end_), SEEK_SET) != 0) {
    error_ = exporting::systemReason(errno);
    return false;
  }
  last_ = Last::Write;
  bool written = writeNumber(file_, static_cast<std::uint32_t>(row.size()));
  for (const std::string& value : row) {
    written = written && writeNumber(file_, static_cast<std::uint32_t>(value.size())) &&
              (value.empty() || std::fwrite(value.data(), value.size(), 1, file_) == 1);
  }
  if (!written) {
    error_ = exporting::systemReason(errno != 0 ? errno : EIO);
    return false;
  }
  offsets_.push_back(end_);
  end_ = static_cast<std::uint64_t>(std::ftell(file_));
  return true;
}

void SpilledRows::rewind() {
  next_ = 0;
  if (last_ == Last::Read) last_ = Last::Nothing;
}

bool SpilledRows::readRow() {
  std::uint32_t count = 0;
  if (!readNumber(file_, count)) return false;
  row_.resize(count);
  for (std::string& value : row_) {
    std::uint32_t length = 0;
    if (!readNumber(file_, length)) return false;
    value.resize(length);
    if (length > 0 && std::fread(value.data(), length, 1, file_) != 1) return false;
  }
  return true;
}

const std::vector<std::string>* SpilledRows::next() {
  const std::size_t rows = order_.empty() ? offsets_.size() : order_.size();
  if (file_ == nullptr || next_ >= rows) return nullptr;
  const std::size_t row = order_.empty() ? next_ : order_[next_];
  // Rows read in their own order follow one another in the file; any other
  // read first goes to where its row begins.
  const bool follows = order_.empty() && last_ == Last::Read;
  if (!follows && std::fseek(file_, static_cast<long>(offsets_[row]), SEEK_SET) != 0) {
    error_ = exporting::systemReason(errno);
    return nullptr;
  }
  last_ = Last::Read;
  if (!readRow()) {
    if (error_.empty()) error_ = exporting::systemReason(errno != 0 ? errno : EIO);
    last_ = Last::Nothing;
    return nullptr;
  }
  ++next_;
  return &row_;
}

}  // namespace rt
