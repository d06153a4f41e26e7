// The parts of a sealed rollback journal that SQLite's rollback relies on
// besides the page copies: its headers, the checksum after each page copy
// and the super-journal record at its end, each with a tag (see
// crypt_sealing.h), and the check of a whole journal found on disk.
//
// SQLite's rollback journal: a header at the start of each segment (a
// sector long: magic, record count, checksum seed, database size, sector
// size, page size, then zeros), the segment's records (page number, page,
// checksum), the next segment's header on the next sector boundary, and at
// the end of a transaction over several files the super-journal record
// (a page number, the name, its length, its checksum, the magic).
#include <cstring>
#include <vector>

#include "platform/data/crypt_sealing.h"

namespace rt::crypt {
namespace {

constexpr unsigned char kMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
constexpr int kHeaderFields = 28;
// Tag slots in a header's zero padding: two for its fields, one (first
// header only) for the super-journal record.
constexpr int kFirstSlot = kHeaderFields;
constexpr int kSecondSlot = kFirstSlot + kTagBytes;
constexpr int kSuperSlot = kSecondSlot + kTagBytes;
constexpr int kHeaderTagged = kSuperSlot + kTagBytes;
constexpr char kHeaderLabel = 'h';
constexpr char kSuperLabel = 's';

std::uint32_t bigEndian32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

bool allZero(const unsigned char* p, int n) {
  for (int i = 0; i < n; ++i) {
    if (p[i]) return false;
  }
  return true;
}

bool powerOfTwoBetween(std::uint32_t v, std::uint32_t low, std::uint32_t high) {
  return v >= low && v <= high && (v & (v - 1)) == 0;
}

}  // namespace

int SaltedSealing::writeHeader(sqlite3_file* real, const unsigned char* buf, int amount, sqlite3_int64 offset) {
  // Written with its magic and count zero, both set when its records are
  // synced.
  if (amount < 512 || offset % 8 != 0 || (std::memcmp(buf, kMagic, 8) != 0 && !allZero(buf, 8)) ||
      !allZero(buf + kHeaderFields, kHeaderTagged - kHeaderFields)) {
    return SQLITE_NOTFOUND;
  }
  std::vector<unsigned char> sealed(amount);
  if (!cipher_.apply(salt_, buf, sealed.data(), amount, offset)) return SQLITE_IOERR_WRITE;
  unsigned char tag[kTagBytes];
  if (!cipher_.partTag(salt_, kHeaderLabel, offset, sealed.data(), kHeaderFields, tag)) return SQLITE_IOERR_WRITE;
  std::memcpy(sealed.data() + kFirstSlot, tag, kTagBytes);
  std::memset(sealed.data() + kSecondSlot, 0, kHeaderTagged - kSecondSlot);
  return writeSealed(real, sealed.data(), amount, offset);
}

// The record count after a sync (with the magic before it): the new count's
// tag goes into the slot the current fields do not use, then the count, so
// a crash between the two leaves the old count with its valid tag.
int SaltedSealing::writeRecordCount(sqlite3_file* real, const unsigned char* buf, int amount,
                                    sqlite3_int64 offset) {
  constexpr int kCountUpdate = 12;
  if (amount != kCountUpdate || offset % 8 != 0 || std::memcmp(buf, kMagic, 8) != 0) return SQLITE_NOTFOUND;
  unsigned char stored[kHeaderTagged];
  if (readSealed(real, stored, kHeaderTagged, offset) != SQLITE_OK) return SQLITE_IOERR_WRITE;
  bool firstSlot = false;
  const bool tagged = headerAuthentic(stored, offset, &firstSlot);
  if (!cipher_.apply(salt_, buf, stored, kCountUpdate, offset)) return SQLITE_IOERR_WRITE;
  unsigned char tag[kTagBytes];
  if (!cipher_.partTag(salt_, kHeaderLabel, offset, stored, kHeaderFields, tag)) return SQLITE_IOERR_WRITE;
  const int slot = tagged && firstSlot ? kSecondSlot : kFirstSlot;
  int rc = writeSealed(real, tag, kTagBytes, offset + slot);
  if (rc == SQLITE_OK) rc = writeSealed(real, stored, kCountUpdate, offset);
  return rc;
}

int SaltedSealing::writeChecksum(sqlite3_file* real, const unsigned char* buf, sqlite3_int64 offset) {
  unsigned char sealed[4];
  if (!cipher_.apply(salt_, buf, sealed, 4, offset)) return SQLITE_IOERR_WRITE;
  unsigned char tag[kTagBytes];
  if (!cipher_.recordTag(salt_, lastRecord_, lastPageNumber_, lastRecordSealed_.data(),
                         lastRecordSize_ - kTagBytes, sealed, tag)) {
    return SQLITE_IOERR_WRITE;
  }
  int rc = writeSealed(real, tag, kTagBytes, lastRecord_ + lastRecordSize_ - kTagBytes);
  if (rc == SQLITE_OK) rc = writeSealed(real, sealed, 4, offset);
  return rc;
}

// Called after every 8-byte write: the magic that ends a super-journal
// record. Its tag goes into the first header.
int SaltedSealing::sealSuperRecord(sqlite3_file* real, sqlite3_int64 magicOffset) {
  unsigned char tail[12];
  if (magicOffset < kHeaderTagged + 12 || readBytes(real, tail, 12, magicOffset - 4) != SQLITE_OK ||
      std::memcmp(tail + 4, kMagic, 8) != 0) {
    return SQLITE_OK;
  }
  // The length before the record's checksum.
  unsigned char length[4];
  if (readBytes(real, length, 4, magicOffset - 8) != SQLITE_OK) return SQLITE_IOERR_WRITE;
  const sqlite3_int64 start = magicOffset - 12 - bigEndian32(length);
  if (start < kHeaderTagged) return SQLITE_OK;
  std::vector<unsigned char> record(magicOffset + 8 - start);
  if (readSealed(real, record.data(), static_cast<int>(record.size()), start) != SQLITE_OK) return SQLITE_IOERR_WRITE;
  unsigned char tag[kTagBytes];
  if (!cipher_.partTag(salt_, kSuperLabel, start, record.data(), record.size(), tag)) return SQLITE_IOERR_WRITE;
  return writeSealed(real, tag, kTagBytes, kSuperSlot);
}

bool SaltedSealing::headerAuthentic(const unsigned char* stored, sqlite3_int64 offset, bool* firstSlot) {
  unsigned char tag[kTagBytes];
  if (!cipher_.partTag(salt_, kHeaderLabel, offset, stored, kHeaderFields, tag)) return false;
  const bool first = equalTags(tag, stored + kFirstSlot);
  if (firstSlot) *firstSlot = first;
  return first || equalTags(tag, stored + kSecondSlot);
}

// A page record that a header counts: its tag over its page number, page
// and checksum.
bool SaltedSealing::recordAuthentic(sqlite3_file* real, sqlite3_int64 offset, int pageSize) {
  std::vector<unsigned char> page(pageSize);
  unsigned char checksum[4];
  sqlite3_int64 size = 0;
  if (fileSize(real, &size) != SQLITE_OK || offset + 8 + pageSize > size ||
      readSealed(real, page.data(), pageSize, offset + 4) != SQLITE_OK ||
      readSealed(real, checksum, 4, offset + 4 + pageSize) != SQLITE_OK) {
    return false;
  }
  unsigned char tag[kTagBytes];
  return recordTag(real, page.data(), pageSize, offset + 4, checksum, tag) == SQLITE_OK &&
         equalTags(tag, page.data() + pageSize - kTagBytes);
}

// Walks a journal found on disk as SQLite's rollback will: every header it
// reaches (one is read where a whole sector is left), every record a header
// counts, and the super-journal record. After a header whose count is still
// zero (the crash came before its records were synced) anything may follow:
// the rollback stops there. After counted records only the next header
// (synced or not), the super-journal record or the end may follow. A journal whose first byte is zero is not
// hot: SQLite never reads it.
bool SaltedSealing::authenticJournal(sqlite3_file* real) {
  sqlite3_int64 size = 0;
  unsigned char first = 0;
  if (fileSize(real, &size) != SQLITE_OK) return false;
  if (size == 0 || readBytes(real, &first, 1, 0) != SQLITE_OK || first == 0) return true;
  // The super-journal record, found from the end as SQLite finds it.
  sqlite3_int64 superStart = -1;
  if (size >= 20 + kHeaderTagged) {
    unsigned char tail[16];
    if (readBytes(real, tail, 16, size - 16) != SQLITE_OK) return false;
    const std::uint32_t length = bigEndian32(tail);
    if (std::memcmp(tail + 8, kMagic, 8) == 0 && length > 0 && length <= size - 20 - kHeaderTagged) {
      superStart = size - 20 - length;
    }
  }
  std::uint32_t sectorSize = 0, pageSize = 0, lastCount = 0;
  sqlite3_int64 recordsEnd = 0;
  for (sqlite3_int64 header = 0; header == 0 || header + sectorSize <= size;) {
    unsigned char stored[kHeaderTagged];
    unsigned char fields[kHeaderFields];
    if (readSealed(real, stored, kHeaderTagged, header) != SQLITE_OK) return false;
    if (!cipher_.apply(salt_, stored, fields, kHeaderFields, header)) return false;
    const bool magic = header + kHeaderFields <= size && std::memcmp(fields, kMagic, 8) == 0;
    const bool tagged = headerAuthentic(stored, header);
    if (magic && !tagged) return false;
    if (!magic) {
      // The rollback ends here: at a header not yet synced (its magic still
      // zero), at the super-journal record or, after a segment never synced,
      // anywhere.
      if (header == 0) return false;
      if (lastCount > 0 && !tagged && superStart != header && superStart != recordsEnd) return false;
      break;
    }
    std::uint32_t count = bigEndian32(fields + 8);
    if (header == 0) {
      sectorSize = bigEndian32(fields + 20);
      pageSize = bigEndian32(fields + 24);
      if (!powerOfTwoBetween(sectorSize, 32, 65536) || !powerOfTwoBetween(pageSize, 512, 65536)) return false;
    }
    sqlite3_int64 at = header + sectorSize;
    if (count == 0xFFFFFFFF) count = static_cast<std::uint32_t>((size - at) / (pageSize + 8));
    for (std::uint32_t i = 0; i < count; ++i, at += pageSize + 8) {
      if (!recordAuthentic(real, at, static_cast<int>(pageSize))) return false;
    }
    lastCount = count;
    recordsEnd = at;
    header = (at + sectorSize - 1) / sectorSize * sectorSize;
  }
  unsigned char superTag[kTagBytes];
  if (readSealed(real, superTag, kTagBytes, kSuperSlot) != SQLITE_OK) return false;
  if (allZero(superTag, kTagBytes)) {
    // Its tag is written before the sync that counts the last records.
    return superStart < 0 || lastCount == 0;
  }
  if (superStart < 0) return false;
  std::vector<unsigned char> record(size - superStart);
  unsigned char tag[kTagBytes];
  return readSealed(real, record.data(), static_cast<int>(record.size()), superStart) == SQLITE_OK &&
         cipher_.partTag(salt_, kSuperLabel, superStart, record.data(), record.size(), tag) &&
         equalTags(tag, superTag);
}

}  // namespace rt::crypt
