#include "platform/data/clear_journal.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace rt::crypt {

bool ClearJournal::load(sqlite3_file* real) {
  sqlite3_int64 size = 0;
  if (fileSize(real, &size) != SQLITE_OK) return false;
  empty_ = size == 0;
  if (empty_) return true;
  unsigned char first[kHeaderTagged];
  if (readStored(real, first, kHeaderTagged, 0) != SQLITE_OK) return false;
  bool tagged = false;
  for (int i = kFirstSlot; i < kHeaderTagged; ++i) tagged = tagged || first[i] != 0;
  return !tagged || authenticJournal(real);
}

int ClearJournal::read(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset) {
  return real->pMethods->xRead(real, buf, amount, offset);
}

int ClearJournal::write(sqlite3_file* real, const unsigned char* buf, int amount,
                        sqlite3_int64 offset) {
  // A journal header is written whole (a sector or a page); the record count
  // (12 bytes) and the zeroing at commit (28) are not new journals.
  constexpr int kLargestHeaderUpdate = 28;
  if (offset == 0 && amount > kLargestHeaderUpdate && !empty_) {
    // A new journal over one left on disk (never a hot one: SQLite rolls
    // that back first): nothing of the old one may follow the new records.
    const int rc = real->pMethods->xTruncate(real, 0);
    if (rc != SQLITE_OK) return rc;
  }
  empty_ = false;
  if (!isPageRecord(amount, offset)) {
    if (const int rc = writeHeader(real, buf, amount, offset); rc != SQLITE_NOTFOUND) return rc;
    if (const int rc = writeRecordCount(real, buf, amount, offset); rc != SQLITE_NOTFOUND)
      return rc;
  }
  const int rc = writeStored(real, buf, amount, offset);
  if (rc != SQLITE_OK || amount != 8) return rc;
  return sealSuperRecord(real, offset);
}

int ClearJournal::truncate(sqlite3_file* real, sqlite3_int64 size) {
  return real->pMethods->xTruncate(real, size);
}

int ClearJournal::fileSize(sqlite3_file* real, sqlite3_int64* size) {
  return real->pMethods->xFileSize(real, size);
}

int ClearJournal::readStored(sqlite3_file* real, unsigned char* buf, int amount,
                             sqlite3_int64 offset) {
  const int rc = real->pMethods->xRead(real, buf, amount, offset);
  return rc == SQLITE_IOERR_SHORT_READ ? SQLITE_OK : rc;  // zeros past the end
}

int ClearJournal::writeStored(sqlite3_file* real, const unsigned char* buf, int amount,
                              sqlite3_int64 offset) {
  return real->pMethods->xWrite(real, buf, amount, offset);
}

bool ClearJournal::transcode(const unsigned char* in, unsigned char* out, std::size_t n,
                             sqlite3_int64) {
  if (in != out) std::memmove(out, in, n);
  return true;
}

bool ClearJournal::partTag(char label, sqlite3_int64 offset, const unsigned char* stored,
                           std::size_t n, unsigned char (&tag)[kTagBytes]) {
  return journalPartTag(mac_, {}, label, offset, {stored, n}, {}, tag);
}

// Over the header's fields and every record it counts (page number, page,
// checksum), with the sizes the first header gives. A count past the
// journal's end fails.
bool ClearJournal::headerTag(sqlite3_file* real, sqlite3_int64 offset,
                             const unsigned char* storedFields, unsigned char (&tag)[kTagBytes]) {
  unsigned char firstFields[kHeaderFields];
  const unsigned char* sizes = storedFields;
  if (offset != 0) {
    if (readStored(real, firstFields, kHeaderFields, 0) != SQLITE_OK) return false;
    sizes = firstFields;
  }
  const std::uint32_t sectorSize = bigEndian32(sizes + 20);
  const std::uint32_t pageSize = bigEndian32(sizes + 24);
  std::uint32_t count = bigEndian32(storedFields + 8);
  if (std::memcmp(storedFields, kMagic, 8) != 0 || count == 0xFFFFFFFF) count = 0;
  std::vector<unsigned char> records;
  if (count > 0) {
    sqlite3_int64 size = 0;
    const sqlite3_int64 length = static_cast<sqlite3_int64>(count) * (pageSize + 8);
    if (sectorSize > 65536 || pageSize > 65536 || fileSize(real, &size) != SQLITE_OK ||
        offset + sectorSize + length > size) {
      return false;
    }
    records.resize(length);
    constexpr sqlite3_int64 kChunk = 1 << 20;
    for (sqlite3_int64 at = 0; at < length; at += kChunk) {
      const int amount = static_cast<int>(std::min(kChunk, length - at));
      if (readStored(real, records.data() + at, amount, offset + sectorSize + at) != SQLITE_OK)
        return false;
    }
  }
  return journalPartTag(mac_, {}, kHeaderLabel, offset, {storedFields, kHeaderFields}, records,
                        tag);
}

// Covered by the tag of the header that counts it.
bool ClearJournal::recordAuthentic(sqlite3_file*, sqlite3_int64, int) { return true; }

}  // namespace rt::crypt
