#include "platform/data/crypt_sealing.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace rt::crypt {
namespace {

std::vector<unsigned char>& scratch(std::size_t n) {
  thread_local std::vector<unsigned char> buffer;
  if (buffer.size() < n) buffer.resize(n);
  return buffer;
}

// Bytes [offset, offset + amount) that the file holds, of a read that may
// run past its end.
int bytesPresent(sqlite3_file* real, int amount, sqlite3_int64 offset, int& present) {
  sqlite3_int64 size = 0;
  const int rc = real->pMethods->xFileSize(real, &size);
  if (rc != SQLITE_OK) return rc;
  present = size <= offset ? 0 : static_cast<int>(std::min<sqlite3_int64>(amount, size - offset));
  return SQLITE_OK;
}

}  // namespace

int PagedSealing::read(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset) {
  if (pageSize_ == 0) {
    sqlite3_int64 size = 0;
    const int rc = real->pMethods->xFileSize(real, &size);
    if (rc != SQLITE_OK) return rc;
    if (size == 0) {
      std::memset(buf, 0, amount);
      return SQLITE_IOERR_SHORT_READ;
    }
    if (!findPageSize(real, size)) return SQLITE_NOTADB;
  }
  const sqlite3_int64 p = pageSize_;
  if (offset % p == 0 && amount == p) return readPage(real, buf, offset / p + 1);
  bool shortRead = false;
  unsigned char* page = scratch(pageSize_).data();
  for (sqlite3_int64 at = offset; at < offset + amount;) {
    const sqlite3_int64 start = at / p * p;
    const int rc = readPage(real, page, start / p + 1);
    if (rc == SQLITE_IOERR_SHORT_READ) {
      shortRead = true;
    } else if (rc != SQLITE_OK) {
      return rc;
    }
    const sqlite3_int64 end = std::min(start + p, offset + amount);
    std::memcpy(buf + (at - offset), page + (at - start), end - at);
    at = end;
  }
  return shortRead ? SQLITE_IOERR_SHORT_READ : SQLITE_OK;
}

int PagedSealing::write(sqlite3_file* real, const unsigned char* buf, int amount,
                        sqlite3_int64 offset) {
  if (offset == 0) {
    // Page 1 sets the page size, and must leave the reserved bytes.
    if (amount < 512) return SQLITE_IOERR_WRITE;
    const int field = buf[16] << 8 | buf[17];
    const int declared = field == 1 ? 65536 : field;
    if (declared != amount || buf[20] < kPageReserve) return SQLITE_IOERR_WRITE;
    pageSize_ = amount;
  } else if (pageSize_ == 0) {
    sqlite3_int64 size = 0;
    if (real->pMethods->xFileSize(real, &size) != SQLITE_OK || !findPageSize(real, size)) {
      return SQLITE_IOERR_WRITE;
    }
  }
  if (amount != pageSize_ || offset % pageSize_ != 0) return SQLITE_IOERR_WRITE;
  unsigned char* sealed = scratch(amount).data();
  if (!cipher_.seal(buf, sealed, amount, static_cast<std::uint32_t>(offset / amount + 1))) {
    return SQLITE_IOERR_WRITE;
  }
  return real->pMethods->xWrite(real, sealed, amount, offset);
}

int PagedSealing::truncate(sqlite3_file* real, sqlite3_int64 size) {
  return real->pMethods->xTruncate(real, size);
}

int PagedSealing::fileSize(sqlite3_file* real, sqlite3_int64* size) {
  return real->pMethods->xFileSize(real, size);
}

int PagedSealing::readPage(sqlite3_file* real, unsigned char* page, sqlite3_int64 number) {
  const sqlite3_int64 offset = (number - 1) * pageSize_;
  const int rc = real->pMethods->xRead(real, page, pageSize_, offset);
  if (rc == SQLITE_IOERR_SHORT_READ) {
    // Past the end: zeros, as SQLite expects. A torn last page is damage.
    int present = 0;
    if (bytesPresent(real, pageSize_, offset, present) != SQLITE_OK) return SQLITE_IOERR_READ;
    if (present > 0) return SQLITE_CORRUPT;
    std::memset(page, 0, pageSize_);
    return rc;
  }
  if (rc != SQLITE_OK) return rc;
  if (cipher_.open(page, pageSize_, static_cast<std::uint32_t>(number))) return SQLITE_OK;
  if (number != 1) return SQLITE_CORRUPT;
  // Another key, another format, or a page size changed elsewhere: look
  // again at the next read.
  pageSize_ = 0;
  return SQLITE_NOTADB;
}

// The page size is the one under which page 1 is authentic: the header that
// records it is itself encrypted.
bool PagedSealing::findPageSize(sqlite3_file* real, sqlite3_int64 fileSize) {
  constexpr int kLargest = 65536;
  const int n = static_cast<int>(std::min<sqlite3_int64>(fileSize, kLargest));
  std::vector<unsigned char> head(n);
  const int rc = real->pMethods->xRead(real, head.data(), n, 0);
  if (rc != SQLITE_OK) return false;
  for (int size = 512; size <= n; size *= 2) {
    if (cipher_.authentic(head.data(), size, 1)) {
      pageSize_ = size;
      return true;
    }
  }
  return false;
}

bool SaltedSealing::load(sqlite3_file* real) {
  sqlite3_int64 size = 0;
  if (real->pMethods->xFileSize(real, &size) != SQLITE_OK) return false;
  if (size < kAuxHeaderBytes) return true;  // nothing written yet
  unsigned char header[kAuxHeaderBytes];
  if (real->pMethods->xRead(real, header, kAuxHeaderBytes, 0) != SQLITE_OK) return false;
  hasSalt_ = cipher_.readHeader(header, salt_);
  return hasSalt_ && (!journal_ || authenticJournal(real));
}

bool SaltedSealing::isPageRecord(int amount, sqlite3_int64 offset) const {
  return journal_ && TaggedJournal::isPageRecord(amount, offset);
}

// Decrypted bytes at a place of the file, past the end as zeros.
int SaltedSealing::readBytes(sqlite3_file* real, unsigned char* buf, int amount,
                             sqlite3_int64 offset) {
  if (!hasSalt_) {
    std::memset(buf, 0, amount);
    return SQLITE_IOERR_SHORT_READ;
  }
  int rc = real->pMethods->xRead(real, buf, amount, offset + kAuxHeaderBytes);
  int present = amount;
  if (rc == SQLITE_IOERR_SHORT_READ) {
    // The tail past the end stays zero, as SQLite expects of a short read.
    if (bytesPresent(real, amount, offset + kAuxHeaderBytes, present) != SQLITE_OK) {
      return SQLITE_IOERR_READ;
    }
  } else if (rc != SQLITE_OK) {
    return rc;
  }
  if (present > 0 && !cipher_.apply(salt_, buf, buf, present, offset)) return SQLITE_IOERR_READ;
  return rc;
}

// The tag of a sealed page record: over the page number stored before it as
// well, so a page copy cannot be moved to another page.
int SaltedSealing::recordTag(sqlite3_file* real, const unsigned char* sealed, int amount,
                             sqlite3_int64 offset, const unsigned char (&checksum)[4],
                             unsigned char (&tag)[kTagBytes]) {
  unsigned char number[4];
  const int rc = readBytes(real, number, 4, offset - 4);
  if (rc != SQLITE_OK) return rc == SQLITE_IOERR_SHORT_READ ? SQLITE_IOERR_DATA : rc;
  const std::uint32_t pageNumber = static_cast<std::uint32_t>(number[0]) << 24 |
                                   static_cast<std::uint32_t>(number[1]) << 16 |
                                   static_cast<std::uint32_t>(number[2]) << 8 | number[3];
  lastPageNumber_ = pageNumber;
  return cipher_.recordTag(salt_, offset, pageNumber, sealed, amount - kTagBytes, checksum, tag)
             ? SQLITE_OK
             : SQLITE_IOERR;
}

int SaltedSealing::read(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset) {
  if (!isPageRecord(amount, offset) || !hasSalt_) return readBytes(real, buf, amount, offset);
  int rc = real->pMethods->xRead(real, buf, amount, offset + kAuxHeaderBytes);
  if (rc == SQLITE_IOERR_SHORT_READ) {
    // A record cut at the journal's end was never part of a synced journal:
    // the end of the rollback, as SQLite takes it.
    std::memset(buf, 0, amount);
    return rc;
  }
  if (rc != SQLITE_OK) return rc;
  unsigned char checksum[4];
  rc = readStored(real, checksum, 4, offset + amount);
  if (rc != SQLITE_OK) return rc;
  unsigned char tag[kTagBytes];
  rc = recordTag(real, buf, amount, offset, checksum, tag);
  if (rc != SQLITE_OK) return rc;
  if (!equalTags(tag, buf + amount - kTagBytes)) return SQLITE_IOERR_DATA;
  if (!cipher_.apply(salt_, buf, buf, amount - kTagBytes, offset)) return SQLITE_IOERR_READ;
  std::memset(buf + amount - kTagBytes, 0, kTagBytes);
  return SQLITE_OK;
}

// A new salt, and nothing left of an earlier journal in the file: bytes of
// another salt would read as noise after the new header.
int SaltedSealing::startOver(sqlite3_file* real) {
  unsigned char header[kAuxHeaderBytes];
  if (!cipher_.newHeader(salt_, header)) return SQLITE_IOERR_WRITE;
  if (hasSalt_ || journal_) {
    const int rc = real->pMethods->xTruncate(real, 0);
    if (rc != SQLITE_OK) return rc;
  }
  const int rc = real->pMethods->xWrite(real, header, kAuxHeaderBytes, 0);
  if (rc != SQLITE_OK) return rc;
  hasSalt_ = true;
  lastRecord_ = -1;
  return SQLITE_OK;
}

int SaltedSealing::write(sqlite3_file* real, const unsigned char* buf, int amount,
                         sqlite3_int64 offset) {
  // A journal header is written whole (a sector or a page); the record
  // count (12 bytes) and the zeroing at commit (28) are not new journals.
  constexpr int kLargestHeaderUpdate = 28;
  if (!hasSalt_ || (journal_ && offset == 0 && amount > kLargestHeaderUpdate)) {
    const int rc = startOver(real);
    if (rc != SQLITE_OK) return rc;
  }
  if (journal_ && !isPageRecord(amount, offset)) {
    if (const int rc = writeHeader(real, buf, amount, offset); rc != SQLITE_NOTFOUND) return rc;
    if (const int rc = writeRecordCount(real, buf, amount, offset); rc != SQLITE_NOTFOUND)
      return rc;
    if (amount == 4 && offset == lastRecord_ + lastRecordSize_)
      return writeChecksum(real, buf, offset);
  }
  unsigned char* sealed = scratch(amount).data();
  if (!isPageRecord(amount, offset)) {
    if (!cipher_.apply(salt_, buf, sealed, amount, offset)) return SQLITE_IOERR_WRITE;
    const int rc = writeStored(real, sealed, amount, offset);
    if (rc != SQLITE_OK || !journal_ || amount != 8) return rc;
    return sealSuperRecord(real, offset);
  }
  // The page's reserved bytes, always zero in a sealed file's pages, hold
  // the record's tag: first without its checksum, completed when the
  // checksum is written.
  for (int i = amount - kTagBytes; i < amount; ++i) {
    if (buf[i] != 0) return SQLITE_IOERR_WRITE;
  }
  if (!cipher_.apply(salt_, buf, sealed, amount - kTagBytes, offset)) return SQLITE_IOERR_WRITE;
  unsigned char tag[kTagBytes];
  const unsigned char noChecksum[4] = {};
  const int rc = recordTag(real, sealed, amount, offset, noChecksum, tag);
  if (rc != SQLITE_OK) return rc == SQLITE_IOERR_DATA ? SQLITE_IOERR_WRITE : rc;
  std::memcpy(sealed + amount - kTagBytes, tag, kTagBytes);
  lastRecord_ = offset;
  lastRecordSize_ = amount;
  lastRecordSealed_.assign(sealed, sealed + amount - kTagBytes);
  return writeStored(real, sealed, amount, offset);
}

int SaltedSealing::truncate(sqlite3_file* real, sqlite3_int64 size) {
  if (size == 0) {
    hasSalt_ = false;
    return real->pMethods->xTruncate(real, 0);
  }
  if (!hasSalt_) return SQLITE_IOERR_TRUNCATE;
  return real->pMethods->xTruncate(real, size + kAuxHeaderBytes);
}

int SaltedSealing::fileSize(sqlite3_file* real, sqlite3_int64* size) {
  sqlite3_int64 whole = 0;
  const int rc = real->pMethods->xFileSize(real, &whole);
  if (rc != SQLITE_OK) return rc;
  *size = hasSalt_ ? std::max<sqlite3_int64>(0, whole - kAuxHeaderBytes) : 0;
  return SQLITE_OK;
}

}  // namespace rt::crypt
