#pragma once
// What the data files' VFS does to the bytes of one open file it handles
// itself: a sealed database file, a sealed journal or temporary file, or a
// plain file's journal kept in clear with its tags.
#include <sqlite3.h>

namespace rt::crypt {

class Sealing {
 public:
  virtual ~Sealing() = default;
  virtual int read(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset) = 0;
  virtual int write(sqlite3_file* real, const unsigned char* buf, int amount,
                    sqlite3_int64 offset) = 0;
  virtual int truncate(sqlite3_file* real, sqlite3_int64 size) = 0;
  virtual int fileSize(sqlite3_file* real, sqlite3_int64* size) = 0;
};

}  // namespace rt::crypt
