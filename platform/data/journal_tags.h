#pragma once
// The tags of a rollback journal: the parts SQLite's rollback relies on
// besides the page copies (its headers and the super-journal record at its
// end), each with a tag kept where SQLite never reads, and the check of a
// whole journal found on disk, walked as SQLite's rollback will walk it.
//
// Shared by the two kinds of journal the data files' VFS writes: the sealed
// journal of an owner-password file (encrypted, each page copy with a tag of
// its own) and the journal of a plain file (in clear, in SQLite's own
// format, each header's tag covering the page copies it counts). What
// differs is given by the primitives below.
//
// SQLite's rollback journal: a header at the start of each segment (a
// sector long: magic, record count, checksum seed, database size, sector
// size, page size, then zeros), the segment's records (page number, page,
// checksum), the next segment's header on the next sector boundary, and at
// the end of a transaction over several files the super-journal record
// (a page number, the name, its length, its checksum, the magic).
//
// Tags live in a header's zero padding: two slots for its fields, so the tag
// of a new record count is in place before the count itself changes and a
// crash between the two leaves the old count with its valid tag; a third
// slot of the first header for the super-journal record.
#include <sqlite3.h>

#include <cstddef>

#include "platform/data/crypt_cipher.h"
#include "platform/data/sealing.h"

namespace rt::crypt {

class TaggedJournal : public Sealing {
 protected:
  // The magic of a journal header, as SQLite writes it.
  static const unsigned char kMagic[8];
  // The fields of a header that SQLite reads; the padding after them.
  static constexpr int kHeaderFields = 28;
  static constexpr int kFirstSlot = kHeaderFields;
  static constexpr int kSecondSlot = kFirstSlot + kTagBytes;
  static constexpr int kSuperSlot = kSecondSlot + kTagBytes;
  static constexpr int kHeaderTagged = kSuperSlot + kTagBytes;
  static constexpr char kHeaderLabel = 'h';
  static constexpr char kSuperLabel = 's';

  // A page record starts 4 bytes past a multiple of 8 and is a page long;
  // headers and the other fields are shorter or start on a multiple of 8.
  static bool isPageRecord(int amount, sqlite3_int64 offset);

  // The bytes as stored at a place of the journal (zeros past its end).
  virtual int readStored(sqlite3_file* real, unsigned char* buf, int amount,
                         sqlite3_int64 offset) = 0;
  virtual int writeStored(sqlite3_file* real, const unsigned char* buf, int amount,
                          sqlite3_int64 offset) = 0;
  // Between the bytes SQLite sees and the bytes stored at a place (one
  // operation both ways).
  virtual bool transcode(const unsigned char* in, unsigned char* out, std::size_t n,
                         sqlite3_int64 offset) = 0;
  // The tag of a part (`label`) of stored bytes at a place.
  virtual bool partTag(char label, sqlite3_int64 offset, const unsigned char* stored, std::size_t n,
                       unsigned char (&tag)[kTagBytes]) = 0;
  // The tag of a header's stored fields: by default over the fields alone.
  virtual bool headerTag(sqlite3_file* real, sqlite3_int64 offset,
                         const unsigned char* storedFields, unsigned char (&tag)[kTagBytes]);
  // Whether a page record a header counts passes on its own.
  virtual bool recordAuthentic(sqlite3_file* real, sqlite3_int64 offset, int pageSize) = 0;

  // The bytes SQLite sees at a place.
  int readClear(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset);

  // SQLite's writes of the parts that carry tags; SQLITE_NOTFOUND for any
  // other write. A header: written whole, its magic and count zero until its
  // records are synced.
  int writeHeader(sqlite3_file* real, const unsigned char* buf, int amount, sqlite3_int64 offset);
  // The record count after a sync (with the magic before it).
  int writeRecordCount(sqlite3_file* real, const unsigned char* buf, int amount,
                       sqlite3_int64 offset);
  // Called after every 8-byte write: the magic that ends a super-journal record.
  int sealSuperRecord(sqlite3_file* real, sqlite3_int64 magicOffset);

  bool headerAuthentic(sqlite3_file* real, const unsigned char* stored, sqlite3_int64 offset,
                       bool* firstSlot = nullptr);
  // Every header, counted record and super-journal record SQLite's rollback
  // of this journal would read passes.
  bool authenticJournal(sqlite3_file* real);
};

std::uint32_t bigEndian32(const unsigned char* p);

}  // namespace rt::crypt
