#include "platform/data/super_journals.h"

#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/data/crypt_vfs.h"

namespace rt::sql {
namespace {

namespace fs = std::filesystem;

std::uint32_t bigEndian32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// A file opened through the encrypting VFS, closed with this object.
class VfsFile {
 public:
  VfsFile(const std::string& path, int flags) {
    sqlite3_vfs* vfs = sqlite3_vfs_find(kCryptVfsName);
    memory_.resize(vfs->szOsFile / sizeof(std::max_align_t) + 1);
    file_ = reinterpret_cast<sqlite3_file*>(memory_.data());
    // SQLite hands a VFS names followed by empty parameter lists.
    name_ = path + std::string(4, '\0');
    opened_ = vfs->xOpen(vfs, name_.c_str(), file_, flags, nullptr) == SQLITE_OK;
  }
  ~VfsFile() {
    if (opened_) file_->pMethods->xClose(file_);
  }
  VfsFile(const VfsFile&) = delete;
  VfsFile& operator=(const VfsFile&) = delete;
  bool opened() const { return opened_; }
  sqlite3_file* get() const { return file_; }

 private:
  std::vector<std::max_align_t> memory_;
  std::string name_;
  sqlite3_file* file_ = nullptr;
  bool opened_ = false;
};

// The super-journal a hot journal names at its end, as SQLite records it:
// the name, its length, a checksum of it and the journal's magic number. A
// journal whose header was never completed (its first byte still zero) is
// not hot: its file was not written under it, and it names nothing.
// Returns false when the journal cannot be read (it may still need it).
bool namedSuperJournal(const std::string& journal, std::string& name) {
  static constexpr unsigned char kMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
  VfsFile opened(journal, SQLITE_OPEN_READONLY | SQLITE_OPEN_SUPER_JOURNAL);
  if (!opened.opened()) return false;
  sqlite3_file* file = opened.get();
  bool readable = false;
  sqlite3_int64 size = 0;
  unsigned char tail[16];
  unsigned char first = 0;
  name.clear();
  if (file->pMethods->xFileSize(file, &size) == SQLITE_OK) {
    readable = true;
    if (size >= 16 && file->pMethods->xRead(file, &first, 1, 0) == SQLITE_OK && first != 0 &&
        file->pMethods->xRead(file, tail, 16, size - 16) == SQLITE_OK &&
        std::memcmp(tail + 8, kMagic, 8) == 0) {
      const std::uint32_t length = bigEndian32(tail);
      if (length > 0 && length <= 4096 && length <= size - 16) {
        name.resize(length);
        if (file->pMethods->xRead(file, name.data(), static_cast<int>(length),
                                  size - 16 - length) != SQLITE_OK) {
          readable = false;
        }
        const auto end = name.find('\0');
        if (end != std::string::npos) name.resize(end);
      }
    }
  }
  return readable;
}

// Whether any journal a super-journal lists still names it.
bool stillNamed(const fs::path& super) {
  std::ifstream in(super, std::ios::binary);
  if (!in) return true;
  const std::string names{std::istreambuf_iterator<char>(in), {}};
  std::error_code ec;
  for (std::size_t at = 0; at < names.size();) {
    std::size_t end = names.find('\0', at);
    if (end == std::string::npos) end = names.size();
    const std::string listed = names.substr(at, end - at);
    at = end + 1;
    if (listed.empty()) continue;
    // By name beside the super-journal, whatever folder the names recorded:
    // the folder may be opened from another path than it was written from.
    const fs::path journal = super.parent_path() / fs::path(listed).filename();
    if (!fs::exists(journal, ec)) continue;
    std::string named;
    if (!namedSuperJournal(journal.string(), named) ||
        fs::path(named).filename() == super.filename())
      return true;
  }
  return false;
}

}  // namespace

bool journalOpens(const fs::path& journal) {
  return VfsFile(journal.string(), SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_JOURNAL).opened();
}

void removeStaleSuperJournals(sqlite3* db, const fs::path& mainPath) {
  const std::string prefix = mainPath.filename().string() + "-mj";
  std::vector<fs::path> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(mainPath.parent_path(), ec)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path());
  }
  if (found.empty() ||
      sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
    return;
  }
  for (const fs::path& super : found) {
    if (!stillNamed(super)) fs::remove(super, ec);
  }
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace rt::sql
