#include "platform/data/crypt_vfs.h"

#include <openssl/evp.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "platform/data/crypt_cipher.h"

namespace rt {
namespace {

using crypt::CipherKeys;
using crypt::kAuxHeaderBytes;
using crypt::kPageReserve;

// The password is built into the program, so stretching it would guard
// nothing: the rounds only spread it over the key.
constexpr int kDerivationRounds = 1000;

struct FileKeys {
  CipherKeys pages;
  CipherKeys journal;
};

CipherKeys deriveKeys(std::string_view password, std::string_view fileName, std::string_view role) {
  const std::string salt =
      "Varneta owner password|" + std::string(fileName) + "|" + std::string(role);
  unsigned char out[2 * crypt::kKeyBytes];
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()),
                        static_cast<int>(salt.size()), kDerivationRounds, EVP_sha256(), sizeof out,
                        out) != 1) {
    throw std::runtime_error("key derivation failed");
  }
  CipherKeys k;
  std::memcpy(k.encryption.data(), out, crypt::kKeyBytes);
  std::memcpy(k.authentication.data(), out + crypt::kKeyBytes, crypt::kKeyBytes);
  return k;
}

std::mutex& keysMutex() {
  static std::mutex m;
  return m;
}

std::map<std::string, FileKeys>& keysByName() {
  static std::map<std::string, FileKeys> keys;
  return keys;
}

std::string baseName(std::string_view path) {
  const auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The keys of a file SQLite opens: the database itself or "<database>-journal".
bool keysForPath(std::string_view path, bool journal, CipherKeys& out) {
  std::string name = baseName(path);
  constexpr std::string_view kJournal = "-journal";
  if (journal && name.size() > kJournal.size() &&
      name.compare(name.size() - kJournal.size(), kJournal.size(), kJournal) == 0) {
    name.resize(name.size() - kJournal.size());
  }
  std::lock_guard lock(keysMutex());
  const auto it = keysByName().find(name);
  if (it == keysByName().end()) return false;
  out = journal ? it->second.journal : it->second.pages;
  return true;
}

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

// What the VFS does to the bytes of one open file.
class Sealing {
 public:
  virtual ~Sealing() = default;
  virtual int read(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset) = 0;
  virtual int write(sqlite3_file* real, const unsigned char* buf, int amount,
                    sqlite3_int64 offset) = 0;
  virtual int truncate(sqlite3_file* real, sqlite3_int64 size) = 0;
  virtual int fileSize(sqlite3_file* real, sqlite3_int64* size) = 0;
};

// A database file: whole pages, each sealed with its own nonce. SQLite reads
// parts of page 1 (the header, the change counter) as well; those come from
// the whole page, checked and decrypted.
class PagedSealing final : public Sealing {
 public:
  explicit PagedSealing(const CipherKeys& keys) : cipher_(keys) {}

  int read(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset) override {
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

  int write(sqlite3_file* real, const unsigned char* buf, int amount,
            sqlite3_int64 offset) override {
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

  int truncate(sqlite3_file* real, sqlite3_int64 size) override {
    return real->pMethods->xTruncate(real, size);
  }
  int fileSize(sqlite3_file* real, sqlite3_int64* size) override {
    return real->pMethods->xFileSize(real, size);
  }

 private:
  int readPage(sqlite3_file* real, unsigned char* page, sqlite3_int64 number) {
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

  // The page size is the one under which page 1 is authentic: the header
  // that records it is itself encrypted.
  bool findPageSize(sqlite3_file* real, sqlite3_int64 fileSize) {
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

  crypt::PageCipher cipher_;
  int pageSize_ = 0;
};

// A journal (or a temporary file): the bytes after a header that holds the
// salt; SQLite sees the file without the header. A journal gets a new salt
// when it starts over: when created, emptied, or when SQLite writes a new
// journal header over an old journal kept on disk, so rewritten bytes never
// reuse a key stream. Later rewrites inside one journal touch only its
// header's record count.
class SaltedSealing final : public Sealing {
 public:
  SaltedSealing(const CipherKeys& keys, bool journal) : cipher_(keys), journal_(journal) {}

  // Reads the salt of an existing file; false when its header belongs to
  // another key or format.
  bool load(sqlite3_file* real) {
    sqlite3_int64 size = 0;
    if (real->pMethods->xFileSize(real, &size) != SQLITE_OK) return false;
    if (size < kAuxHeaderBytes) return true;  // nothing written yet
    unsigned char header[kAuxHeaderBytes];
    if (real->pMethods->xRead(real, header, kAuxHeaderBytes, 0) != SQLITE_OK) return false;
    hasSalt_ = cipher_.readHeader(header, salt_);
    return hasSalt_;
  }

  int read(sqlite3_file* real, unsigned char* buf, int amount, sqlite3_int64 offset) override {
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

  int write(sqlite3_file* real, const unsigned char* buf, int amount,
            sqlite3_int64 offset) override {
    // A journal header is written whole (a sector or a page); the record
    // count (12 bytes) and the zeroing at commit (28) are not new journals.
    constexpr int kLargestHeaderUpdate = 28;
    if (!hasSalt_ || (journal_ && offset == 0 && amount > kLargestHeaderUpdate)) {
      unsigned char header[kAuxHeaderBytes];
      if (!cipher_.newHeader(salt_, header)) return SQLITE_IOERR_WRITE;
      const int rc = real->pMethods->xWrite(real, header, kAuxHeaderBytes, 0);
      if (rc != SQLITE_OK) return rc;
      hasSalt_ = true;
    }
    unsigned char* sealed = scratch(amount).data();
    if (!cipher_.apply(salt_, buf, sealed, amount, offset)) return SQLITE_IOERR_WRITE;
    return real->pMethods->xWrite(real, sealed, amount, offset + kAuxHeaderBytes);
  }

  int truncate(sqlite3_file* real, sqlite3_int64 size) override {
    if (size == 0) {
      hasSalt_ = false;
      return real->pMethods->xTruncate(real, 0);
    }
    if (!hasSalt_) return SQLITE_IOERR_TRUNCATE;
    return real->pMethods->xTruncate(real, size + kAuxHeaderBytes);
  }

  int fileSize(sqlite3_file* real, sqlite3_int64* size) override {
    sqlite3_int64 whole = 0;
    const int rc = real->pMethods->xFileSize(real, &whole);
    if (rc != SQLITE_OK) return rc;
    *size = hasSalt_ ? std::max<sqlite3_int64>(0, whole - kAuxHeaderBytes) : 0;
    return SQLITE_OK;
  }

 private:
  crypt::SaltedCipher cipher_;
  const bool journal_;
  crypt::Salt salt_{};
  bool hasSalt_ = false;
};

struct CryptFile {
  sqlite3_file base;  // must come first: SQLite sees this struct as a sqlite3_file
  Sealing* sealing;
  sqlite3_file* real;  // the default VFS's file, allocated right after this struct
};

sqlite3_vfs* realVfs(sqlite3_vfs* vfs) { return static_cast<sqlite3_vfs*>(vfs->pAppData); }
CryptFile* cf(sqlite3_file* f) { return reinterpret_cast<CryptFile*>(f); }

int cryptClose(sqlite3_file* f) {
  CryptFile* c = cf(f);
  int rc = c->real->pMethods ? c->real->pMethods->xClose(c->real) : SQLITE_OK;
  delete c->sealing;
  c->sealing = nullptr;
  return rc;
}

int cryptRead(sqlite3_file* f, void* buf, int amount, sqlite3_int64 offset) {
  return cf(f)->sealing->read(cf(f)->real, static_cast<unsigned char*>(buf), amount, offset);
}

int cryptWrite(sqlite3_file* f, const void* buf, int amount, sqlite3_int64 offset) {
  return cf(f)->sealing->write(cf(f)->real, static_cast<const unsigned char*>(buf), amount, offset);
}

int cryptTruncate(sqlite3_file* f, sqlite3_int64 size) {
  return cf(f)->sealing->truncate(cf(f)->real, size);
}
int cryptSync(sqlite3_file* f, int flags) {
  return cf(f)->real->pMethods->xSync(cf(f)->real, flags);
}
int cryptFileSize(sqlite3_file* f, sqlite3_int64* size) {
  return cf(f)->sealing->fileSize(cf(f)->real, size);
}
int cryptLock(sqlite3_file* f, int lock) { return cf(f)->real->pMethods->xLock(cf(f)->real, lock); }
int cryptUnlock(sqlite3_file* f, int lock) {
  return cf(f)->real->pMethods->xUnlock(cf(f)->real, lock);
}
int cryptCheckReserved(sqlite3_file* f, int* out) {
  return cf(f)->real->pMethods->xCheckReservedLock(cf(f)->real, out);
}
int cryptFileControl(sqlite3_file* f, int op, void* arg) {
  return cf(f)->real->pMethods->xFileControl(cf(f)->real, op, arg);
}
int cryptSectorSize(sqlite3_file* f) { return cf(f)->real->pMethods->xSectorSize(cf(f)->real); }
int cryptDeviceCharacteristics(sqlite3_file* f) {
  // Writes must go through the journal: a batch-atomic device would bypass it.
  return cf(f)->real->pMethods->xDeviceCharacteristics(cf(f)->real) & ~SQLITE_IOCAP_BATCH_ATOMIC;
}

// Version 1: no shared memory (no WAL) and no memory mapping, which would
// let SQLite read the encrypted bytes directly.
const sqlite3_io_methods kCryptMethods = {1,
                                          cryptClose,
                                          cryptRead,
                                          cryptWrite,
                                          cryptTruncate,
                                          cryptSync,
                                          cryptFileSize,
                                          cryptLock,
                                          cryptUnlock,
                                          cryptCheckReserved,
                                          cryptFileControl,
                                          cryptSectorSize,
                                          cryptDeviceCharacteristics,
                                          nullptr,
                                          nullptr,
                                          nullptr,
                                          nullptr,
                                          nullptr,
                                          nullptr};

int cryptOpen(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
  CryptFile* c = cf(f);
  c->base.pMethods = nullptr;
  c->sealing = nullptr;
  c->real = reinterpret_cast<sqlite3_file*>(c + 1);
  const bool database = (flags & SQLITE_OPEN_MAIN_DB) != 0;
  CipherKeys keys;
  if (name == nullptr) {
    // A temporary file: keys of its own that live as long as the file.
    if (!crypt::randomBytes(keys.encryption) || !crypt::randomBytes(keys.authentication)) {
      return SQLITE_IOERR;
    }
  } else if (!keysForPath(name, !database, keys)) {
    return SQLITE_CANTOPEN;
  }
  int rc = realVfs(vfs)->xOpen(realVfs(vfs), name, c->real, flags, outFlags);
  if (rc != SQLITE_OK) return rc;
  try {
    if (database) {
      c->sealing = new PagedSealing(keys);
    } else {
      auto salted = std::make_unique<SaltedSealing>(keys, (flags & SQLITE_OPEN_MAIN_JOURNAL) != 0);
      // A journal of another key is left alone, never rolled back nor
      // deleted: its database opens nothing either.
      if (!salted->load(c->real)) rc = SQLITE_NOTADB;
      c->sealing = salted.release();
    }
  } catch (const std::exception&) {
    rc = SQLITE_IOERR;
  }
  if (rc != SQLITE_OK) {
    delete c->sealing;
    c->sealing = nullptr;
    c->real->pMethods->xClose(c->real);
    return rc;
  }
  c->base.pMethods = &kCryptMethods;
  return SQLITE_OK;
}

int cryptDelete(sqlite3_vfs* v, const char* n, int s) {
  return realVfs(v)->xDelete(realVfs(v), n, s);
}
int cryptAccess(sqlite3_vfs* v, const char* n, int fl, int* r) {
  return realVfs(v)->xAccess(realVfs(v), n, fl, r);
}
int cryptFullPathname(sqlite3_vfs* v, const char* n, int size, char* out) {
  return realVfs(v)->xFullPathname(realVfs(v), n, size, out);
}
void* cryptDlOpen(sqlite3_vfs* v, const char* n) { return realVfs(v)->xDlOpen(realVfs(v), n); }
void cryptDlError(sqlite3_vfs* v, int n, char* out) { realVfs(v)->xDlError(realVfs(v), n, out); }
void (*cryptDlSym(sqlite3_vfs* v, void* h, const char* s))(void) {
  return realVfs(v)->xDlSym(realVfs(v), h, s);
}
void cryptDlClose(sqlite3_vfs* v, void* h) { realVfs(v)->xDlClose(realVfs(v), h); }
int cryptRandomness(sqlite3_vfs* v, int n, char* out) {
  return realVfs(v)->xRandomness(realVfs(v), n, out);
}
int cryptSleep(sqlite3_vfs* v, int us) { return realVfs(v)->xSleep(realVfs(v), us); }
int cryptCurrentTime(sqlite3_vfs* v, double* t) { return realVfs(v)->xCurrentTime(realVfs(v), t); }
int cryptGetLastError(sqlite3_vfs* v, int n, char* out) {
  return realVfs(v)->xGetLastError(realVfs(v), n, out);
}
int cryptCurrentTimeInt64(sqlite3_vfs* v, sqlite3_int64* t) {
  return realVfs(v)->xCurrentTimeInt64(realVfs(v), t);
}

}  // namespace

void registerCryptVfs() {
  static std::once_flag once;
  std::call_once(once, [] {
    sqlite3_vfs* base = sqlite3_vfs_find(nullptr);
    static sqlite3_vfs vfs{};
    vfs.iVersion = 2;
    vfs.szOsFile = static_cast<int>(sizeof(CryptFile)) + base->szOsFile;
    vfs.mxPathname = base->mxPathname;
    vfs.zName = kCryptVfsName;
    vfs.pAppData = base;
    vfs.xOpen = cryptOpen;
    vfs.xDelete = cryptDelete;
    vfs.xAccess = cryptAccess;
    vfs.xFullPathname = cryptFullPathname;
    vfs.xDlOpen = cryptDlOpen;
    vfs.xDlError = cryptDlError;
    vfs.xDlSym = cryptDlSym;
    vfs.xDlClose = cryptDlClose;
    vfs.xRandomness = cryptRandomness;
    vfs.xSleep = cryptSleep;
    vfs.xCurrentTime = cryptCurrentTime;
    vfs.xGetLastError = cryptGetLastError;
    vfs.xCurrentTimeInt64 = cryptCurrentTimeInt64;
    sqlite3_vfs_register(&vfs, 0);
  });
}

void setCryptPassword(std::string_view fileName, std::string_view password) {
  FileKeys keys{deriveKeys(password, fileName, "pages"), deriveKeys(password, fileName, "journal")};
  std::lock_guard lock(keysMutex());
  keysByName()[std::string(fileName)] = keys;
}

void reserveCryptBytes(sqlite3* db, const char* schema) {
  // Takes effect only while the file is still empty; an existing file keeps
  // the reserve recorded in its header (and the VFS refuses page 1 without it).
  int reserve = kPageReserve;
  sqlite3_file_control(db, schema, SQLITE_FCNTL_RESERVE_BYTES, &reserve);
}

}  // namespace rt
