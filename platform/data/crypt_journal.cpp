// The sealed journal's own side of its tags (see journal_tags.h): the
// stored bytes are encrypted under the journal's salt, every tag is over
// the salt as well, and each page record carries a tag of its own, completed
// by the checksum written after it.
#include <cstring>
#include <vector>

#include "platform/data/crypt_sealing.h"

namespace rt::crypt {

int SaltedSealing::readStored(sqlite3_file* real, unsigned char* buf, int amount,
                              sqlite3_int64 offset) {
  const int rc = real->pMethods->xRead(real, buf, amount, offset + kAuxHeaderBytes);
  return rc == SQLITE_IOERR_SHORT_READ ? SQLITE_OK : rc;  // zeros past the end
}

int SaltedSealing::writeStored(sqlite3_file* real, const unsigned char* buf, int amount,
                               sqlite3_int64 offset) {
  return real->pMethods->xWrite(real, buf, amount, offset + kAuxHeaderBytes);
}

bool SaltedSealing::transcode(const unsigned char* in, unsigned char* out, std::size_t n,
                              sqlite3_int64 offset) {
  return cipher_.apply(salt_, in, out, n, offset);
}

bool SaltedSealing::partTag(char label, sqlite3_int64 offset, const unsigned char* stored,
                            std::size_t n, unsigned char (&tag)[kTagBytes]) {
  return cipher_.partTag(salt_, label, offset, stored, n, tag);
}

int SaltedSealing::writeChecksum(sqlite3_file* real, const unsigned char* buf,
                                 sqlite3_int64 offset) {
  unsigned char sealed[4];
  if (!cipher_.apply(salt_, buf, sealed, 4, offset)) return SQLITE_IOERR_WRITE;
  unsigned char tag[kTagBytes];
  if (!cipher_.recordTag(salt_, lastRecord_, lastPageNumber_, lastRecordSealed_.data(),
                         lastRecordSize_ - kTagBytes, sealed, tag)) {
    return SQLITE_IOERR_WRITE;
  }
  int rc = writeStored(real, tag, kTagBytes, lastRecord_ + lastRecordSize_ - kTagBytes);
  if (rc == SQLITE_OK) rc = writeStored(real, sealed, 4, offset);
  return rc;
}

// A page record that a header counts: its tag over its page number, page
// and checksum.
bool SaltedSealing::recordAuthentic(sqlite3_file* real, sqlite3_int64 offset, int pageSize) {
  std::vector<unsigned char> page(pageSize);
  unsigned char checksum[4];
  sqlite3_int64 size = 0;
  if (fileSize(real, &size) != SQLITE_OK || offset + 8 + pageSize > size ||
      readStored(real, page.data(), pageSize, offset + 4) != SQLITE_OK ||
      readStored(real, checksum, 4, offset + 4 + pageSize) != SQLITE_OK) {
    return false;
  }
  unsigned char tag[kTagBytes];
  return recordTag(real, page.data(), pageSize, offset + 4, checksum, tag) == SQLITE_OK &&
         equalTags(tag, page.data() + pageSize - kTagBytes);
}

}  // namespace rt::crypt
