#include "platform/data/journal_tags.h"

#include <cstring>
#include <vector>

namespace rt::crypt {
namespace {

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

const unsigned char TaggedJournal::kMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};

std::uint32_t bigEndian32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

bool TaggedJournal::isPageRecord(int amount, sqlite3_int64 offset) {
  return amount >= 512 && amount <= 65536 && (amount & (amount - 1)) == 0 && offset % 8 == 4;
}

bool TaggedJournal::headerTag(sqlite3_file*, sqlite3_int64 offset,
                              const unsigned char* storedFields, unsigned char (&tag)[kTagBytes]) {
  return partTag(kHeaderLabel, offset, storedFields, kHeaderFields, tag);
}

int TaggedJournal::readClear(sqlite3_file* real, unsigned char* buf, int amount,
                             sqlite3_int64 offset) {
  const int rc = readStored(real, buf, amount, offset);
  if (rc != SQLITE_OK) return rc;
  return transcode(buf, buf, amount, offset) ? SQLITE_OK : SQLITE_IOERR_READ;
}

int TaggedJournal::writeHeader(sqlite3_file* real, const unsigned char* buf, int amount,
                               sqlite3_int64 offset) {
  if (amount < 512 || offset % 8 != 0 || (std::memcmp(buf, kMagic, 8) != 0 && !allZero(buf, 8)) ||
      !allZero(buf + kHeaderFields, kHeaderTagged - kHeaderFields)) {
    return SQLITE_NOTFOUND;
  }
  std::vector<unsigned char> stored(amount);
  if (!transcode(buf, stored.data(), amount, offset)) return SQLITE_IOERR_WRITE;
  unsigned char tag[kTagBytes];
  if (!headerTag(real, offset, stored.data(), tag)) return SQLITE_IOERR_WRITE;
  std::memcpy(stored.data() + kFirstSlot, tag, kTagBytes);
  std::memset(stored.data() + kSecondSlot, 0, kHeaderTagged - kSecondSlot);
  return writeStored(real, stored.data(), amount, offset);
}

// The new count's tag goes into the slot the current fields do not use,
// then the count.
int TaggedJournal::writeRecordCount(sqlite3_file* real, const unsigned char* buf, int amount,
                                    sqlite3_int64 offset) {
  constexpr int kCountUpdate = 12;
  if (amount != kCountUpdate || offset % 8 != 0 || std::memcmp(buf, kMagic, 8) != 0)
    return SQLITE_NOTFOUND;
  unsigned char stored[kHeaderTagged];
  if (readStored(real, stored, kHeaderTagged, offset) != SQLITE_OK) return SQLITE_IOERR_WRITE;
  bool firstSlot = false;
  const bool tagged = headerAuthentic(real, stored, offset, &firstSlot);
  if (!transcode(buf, stored, kCountUpdate, offset)) return SQLITE_IOERR_WRITE;
  unsigned char tag[kTagBytes];
  if (!headerTag(real, offset, stored, tag)) return SQLITE_IOERR_WRITE;
  const int slot = tagged && firstSlot ? kSecondSlot : kFirstSlot;
  int rc = writeStored(real, tag, kTagBytes, offset + slot);
  if (rc == SQLITE_OK) rc = writeStored(real, stored, kCountUpdate, offset);
  return rc;
}

// Its tag goes into the first header.
int TaggedJournal::sealSuperRecord(sqlite3_file* real, sqlite3_int64 magicOffset) {
  unsigned char tail[12];
  if (magicOffset < kHeaderTagged + 12 || readClear(real, tail, 12, magicOffset - 4) != SQLITE_OK ||
      std::memcmp(tail + 4, kMagic, 8) != 0) {
    return SQLITE_OK;
  }
  // The length before the record's checksum.
  unsigned char length[4];
  if (readClear(real, length, 4, magicOffset - 8) != SQLITE_OK) return SQLITE_IOERR_WRITE;
  const sqlite3_int64 start = magicOffset - 12 - bigEndian32(length);
  if (start < kHeaderTagged) return SQLITE_OK;
  std::vector<unsigned char> record(magicOffset + 8 - start);
  if (readStored(real, record.data(), static_cast<int>(record.size()), start) != SQLITE_OK)
    return SQLITE_IOERR_WRITE;
  unsigned char tag[kTagBytes];
  if (!partTag(kSuperLabel, start, record.data(), record.size(), tag)) return SQLITE_IOERR_WRITE;
  return writeStored(real, tag, kTagBytes, kSuperSlot);
}

bool TaggedJournal::headerAuthentic(sqlite3_file* real, const unsigned char* stored,
                                    sqlite3_int64 offset, bool* firstSlot) {
  unsigned char tag[kTagBytes];
  if (!headerTag(real, offset, stored, tag)) return false;
  const bool first = equalTags(tag, stored + kFirstSlot);
  if (firstSlot) *firstSlot = first;
  return first || equalTags(tag, stored + kSecondSlot);
}

// Walks a journal found on disk as SQLite's rollback will: every header it
// reaches (one is read where a whole sector is left), every record a header
// counts, and the super-journal record. After a header whose count is still
// zero (the crash came before its records were synced) anything may follow:
// the rollback stops there. After counted records only the next header
// (synced or not), the super-journal record or the end may follow. A journal
// whose first byte is zero is not hot: SQLite never reads it.
bool TaggedJournal::authenticJournal(sqlite3_file* real) {
  sqlite3_int64 size = 0;
  unsigned char first = 0;
  if (fileSize(real, &size) != SQLITE_OK) return false;
  if (size == 0 || readClear(real, &first, 1, 0) != SQLITE_OK || first == 0) return true;
  // The super-journal record, found from the end as SQLite finds it.
  sqlite3_int64 superStart = -1;
  if (size >= 20 + kHeaderTagged) {
    unsigned char tail[16];
    if (readClear(real, tail, 16, size - 16) != SQLITE_OK) return false;
    const std::uint32_t length = bigEndian32(tail);
    if (std::memcmp(tail + 8, kMagic, 8) == 0 && length > 0 &&
        length <= size - 20 - kHeaderTagged) {
      superStart = size - 20 - length;
    }
  }
  std::uint32_t sectorSize = 0, pageSize = 0, lastCount = 0;
  sqlite3_int64 recordsEnd = 0;
  for (sqlite3_int64 header = 0; header == 0 || header + sectorSize <= size;) {
    unsigned char stored[kHeaderTagged];
    unsigned char fields[kHeaderFields];
    if (readStored(real, stored, kHeaderTagged, header) != SQLITE_OK) return false;
    if (!transcode(stored, fields, kHeaderFields, header)) return false;
    const bool magic = header + kHeaderFields <= size && std::memcmp(fields, kMagic, 8) == 0;
    const bool tagged = headerAuthentic(real, stored, header);
    if (magic && !tagged) return false;
    if (!magic) {
      // The rollback ends here: at a header not yet synced (its magic still
      // zero), at the super-journal record or, after a segment never synced,
      // anywhere.
      if (header == 0) return false;
      if (lastCount > 0 && !tagged && superStart != header && superStart != recordsEnd)
        return false;
      break;
    }
    std::uint32_t count = bigEndian32(fields + 8);
    if (header == 0) {
      sectorSize = bigEndian32(fields + 20);
      pageSize = bigEndian32(fields + 24);
      if (!powerOfTwoBetween(sectorSize, 32, 65536) || !powerOfTwoBetween(pageSize, 512, 65536))
        return false;
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
  if (readStored(real, superTag, kTagBytes, kSuperSlot) != SQLITE_OK) return false;
  if (allZero(superTag, kTagBytes)) {
    // Its tag is written before the sync that counts the last records.
    return superStart < 0 || lastCount == 0;
  }
  if (superStart < 0) return false;
  std::vector<unsigned char> record(size - superStart);
  unsigned char tag[kTagBytes];
  return readStored(real, record.data(), static_cast<int>(record.size()), superStart) ==
             SQLITE_OK &&
         partTag(kSuperLabel, superStart, record.data(), record.size(), tag) &&
         equalTags(tag, superTag);
}

}  // namespace rt::crypt
