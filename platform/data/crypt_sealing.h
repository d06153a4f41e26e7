#pragma once
// What the encrypting VFS does to the bytes of one open sealed file: whole
// pages of a database file, or the bytes of a journal (or temporary file)
// after a header holding its salt.
#include <sqlite3.h>

#include <cstdint>
#include <vector>

#include "platform/data/crypt_cipher.h"
#include "platform/data/journal_tags.h"
#include "platform/data/sealing.h"

namespace rt::crypt {

// A database file: whole pages, each sealed with its own nonce. SQLite reads
// parts of page 1 (the header, the change counter) as well; those come from
// the whole page, checked and decrypted.
class PagedSealing final : public Sealing {
 public:
  explicit PagedSealing(const CipherKeys& keys) : cipher_(keys) {}

  int read(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset) override;
  int write(sqlite3_file* real, const unsigned char* buf, int amount,
            sqlite3_int64 offset) override;
  int truncate(sqlite3_file* real, sqlite3_int64 size) override;
  int fileSize(sqlite3_file* real, sqlite3_int64* size) override;

 private:
  int readPage(sqlite3_file* real, unsigned char* page, sqlite3_int64 number);
  bool findPageSize(sqlite3_file* real, sqlite3_int64 fileSize);

  PageCipher cipher_;
  int pageSize_ = 0;
};

// A journal (or a temporary file): the bytes after a header that holds the
// salt; SQLite sees the file without the header. A journal gets a new salt
// when it starts over: when created, emptied, or when SQLite writes a new
// journal header over an old journal kept on disk, so rewritten bytes never
// reuse a key stream. Later rewrites inside one journal touch only its
// header's record count.
//
// Every part of a journal that SQLite's rollback relies on carries a tag:
// - a page record, in the page's reserved bytes, over the salt, the record's
//   place, the page number written before it, its ciphertext and the
//   checksum written after it;
// - a journal header (magic, record count, checksum seed, sizes), in its
//   zero padding: two slots, so the tag of a new record count is in place
//   before the count itself changes, and a crash between the two leaves the
//   old count with its valid tag;
// - the super-journal record at the end (the name of the transaction over
//   several files), in a third slot of the first header.
// A journal found on disk (a hot journal about to be rolled back, or read
// for the super-journal it names) opens only when every part SQLite would
// use passes; a page copy that fails its tag also reads as
// SQLITE_IOERR_DATA, so SQLite never rolls it back into the file.
class SaltedSealing final : public TaggedJournal {
 public:
  SaltedSealing(const CipherKeys& keys, bool journal) : cipher_(keys), journal_(journal) {}

  // Reads the salt of an existing file; false when its header belongs to
  // another key or format, or when a journal on disk fails its tags.
  bool load(sqlite3_file* real);

  int read(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset) override;
  int write(sqlite3_file* real, const unsigned char* buf, int amount,
            sqlite3_int64 offset) override;
  int truncate(sqlite3_file* real, sqlite3_int64 size) override;
  int fileSize(sqlite3_file* real, sqlite3_int64* size) override;

 private:
  bool isPageRecord(int amount, sqlite3_int64 offset) const;
  int readBytes(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset);
  int recordTag(sqlite3_file* real, const unsigned char* sealed, int amount, sqlite3_int64 offset,
                const unsigned char (&checksum)[4], unsigned char (&tag)[kTagBytes]);
  int startOver(sqlite3_file* real);
  // The checksum after a page record, which completes the record's tag.
  int writeChecksum(sqlite3_file* real, const unsigned char* buf, sqlite3_int64 offset);

  // The primitives of a tagged journal (crypt_journal.cpp).
  int readStored(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset) override;
  int writeStored(sqlite3_file* real, const unsigned char* buf, int amount,
                  sqlite3_int64 offset) override;
  bool transcode(const unsigned char* in, unsigned char* out, std::size_t n,
                 sqlite3_int64 offset) override;
  bool partTag(char label, sqlite3_int64 offset, const unsigned char* stored, std::size_t n,
               unsigned char (&tag)[kTagBytes]) override;
  bool recordAuthentic(sqlite3_file* real, sqlite3_int64 offset, int pageSize) override;

  SaltedCipher cipher_;
  const bool journal_;
  Salt salt_{};
  bool hasSalt_ = false;
  // The page record written last, whose tag its checksum completes.
  sqlite3_int64 lastRecord_ = -1;
  int lastRecordSize_ = 0;
  std::uint32_t lastPageNumber_ = 0;
  std::vector<unsigned char> lastRecordSealed_;
};

}  // namespace rt::crypt
