#pragma once
// The journal of a plain database file: kept in clear and in SQLite's own
// format, so any tool that opens the file after a crash rolls it back, with
// the tags of a tagged journal (see journal_tags.h) in the zero padding of
// its headers, where SQLite never reads. SQLite's own checksum of a page copy
// samples one byte in two hundred; here the tag of each header covers, with
// the header's fields, every byte of the records it counts, and is written
// (in the slot the current count does not use) after those records are
// synced and before the count that makes them part of the rollback.
//
// A journal found on disk opens only when every part SQLite's rollback
// would read passes. A journal whose first header carries no tag at all was
// written by an earlier version of the program or by another tool: SQLite's
// own checks are all it ever had, and it opens as before.
//
// A journal written without syncs counts its records "to the end" and is
// never rewritten: its records are covered by nothing but their checksums
// (the program always syncs).
#include <sqlite3.h>

#include "platform/data/crypt_cipher.h"
#include "platform/data/journal_tags.h"

namespace rt::crypt {

class ClearJournal final : public TaggedJournal {
 public:
  explicit ClearJournal(const Key& key) : mac_(key) {}

  // False when a journal on disk fails its tags.
  bool load(sqlite3_file* real);

  int read(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset) override;
  int write(sqlite3_file* real, const unsigned char* buf, int amount,
            sqlite3_int64 offset) override;
  int truncate(sqlite3_file* real, sqlite3_int64 size) override;
  int fileSize(sqlite3_file* real, sqlite3_int64* size) override;

 private:
  int readStored(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset) override;
  int writeStored(sqlite3_file* real, const unsigned char* buf, int amount,
                  sqlite3_int64 offset) override;
  bool transcode(const unsigned char* in, unsigned char* out, std::size_t n,
                 sqlite3_int64 offset) override;
  bool partTag(char label, sqlite3_int64 offset, const unsigned char* stored, std::size_t n,
               unsigned char (&tag)[kTagBytes]) override;
  bool headerTag(sqlite3_file* real, sqlite3_int64 offset, const unsigned char* storedFields,
                 unsigned char (&tag)[kTagBytes]) override;
  bool recordAuthentic(sqlite3_file* real, sqlite3_int64 offset, int pageSize) override;

  Authenticator mac_;
  // Nothing written in the file yet: created empty by this open.
  bool empty_ = false;
};

}  // namespace rt::crypt
