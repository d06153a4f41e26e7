#include "platform/data/crypt_vfs.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sqlite3.h>

#include <array>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace rt {
namespace {

constexpr int kKeyBytes = 32;
constexpr int kNonceBytes = 8;
// The password is built into the program, so stretching it would guard
// nothing: the rounds only spread it over the key.
constexpr int kDerivationRounds = 1000;

struct StreamKey {
  std::array<unsigned char, kKeyBytes> key{};
  std::array<unsigned char, kNonceBytes> nonce{};
};

struct FileKeys {
  StreamKey database;
  StreamKey journal;
};

StreamKey deriveKey(std::string_view password, std::string_view fileName, std::string_view role) {
  const std::string salt =
      "Varneta owner password|" + std::string(fileName) + "|" + std::string(role);
  unsigned char out[kKeyBytes + kNonceBytes];
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()),
                        static_cast<int>(salt.size()), kDerivationRounds, EVP_sha256(), sizeof out,
                        out) != 1) {
    throw std::runtime_error("key derivation failed");
  }
  StreamKey k;
  std::memcpy(k.key.data(), out, kKeyBytes);
  std::memcpy(k.nonce.data(), out + kKeyBytes, kNonceBytes);
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

// The key of a file SQLite opens: the database itself or "<database>-journal".
bool keyForPath(std::string_view path, bool journal, StreamKey& out) {
  std::string name = baseName(path);
  constexpr std::string_view kJournal = "-journal";
  if (journal && name.size() > kJournal.size() &&
      name.compare(name.size() - kJournal.size(), kJournal.size(), kJournal) == 0) {
    name.resize(name.size() - kJournal.size());
  }
  std::lock_guard lock(keysMutex());
  const auto it = keysByName().find(name);
  if (it == keysByName().end()) return false;
  out = journal ? it->second.journal : it->second.database;
  return true;
}

// One cipher context per open file; the key stream starts over at each call
// from the counter block of the call's offset.
class KeyStream {
 public:
  explicit KeyStream(const StreamKey& key) : key_(key), ctx_(EVP_CIPHER_CTX_new()) {
    if (!ctx_ ||
        EVP_EncryptInit_ex(ctx_, EVP_aes_256_ctr(), nullptr, key_.key.data(), nullptr) != 1) {
      throw std::runtime_error("cipher set-up failed");
    }
  }
  ~KeyStream() { EVP_CIPHER_CTX_free(ctx_); }
  KeyStream(const KeyStream&) = delete;
  KeyStream& operator=(const KeyStream&) = delete;

  // XORs the key stream of [offset, offset + n) into `in`, writing `out`.
  bool apply(const unsigned char* in, unsigned char* out, int n, sqlite3_int64 offset) {
    std::uint64_t block = static_cast<std::uint64_t>(offset) / 16;
    int skip = static_cast<int>(offset % 16);
    unsigned char iv[16];
    std::memcpy(iv, key_.nonce.data(), kNonceBytes);
    for (int i = 0; i < 8; ++i) iv[8 + i] = static_cast<unsigned char>(block >> (56 - 8 * i));
    if (EVP_EncryptInit_ex(ctx_, nullptr, nullptr, nullptr, iv) != 1) return false;
    int len = 0;
    if (skip > 0) {
      unsigned char zeros[16] = {}, junk[16];
      if (EVP_EncryptUpdate(ctx_, junk, &len, zeros, skip) != 1) return false;
    }
    return EVP_EncryptUpdate(ctx_, out, &len, in, n) == 1;
  }

 private:
  StreamKey key_;
  EVP_CIPHER_CTX* ctx_;
};

struct CryptFile {
  sqlite3_file base;  // must come first: SQLite sees this struct as a sqlite3_file
  KeyStream* stream;
  sqlite3_file* real;  // the default VFS's file, allocated right after this struct
};

sqlite3_vfs* realVfs(sqlite3_vfs* vfs) { return static_cast<sqlite3_vfs*>(vfs->pAppData); }
CryptFile* cf(sqlite3_file* f) { return reinterpret_cast<CryptFile*>(f); }

int cryptClose(sqlite3_file* f) {
  CryptFile* c = cf(f);
  int rc = c->real->pMethods ? c->real->pMethods->xClose(c->real) : SQLITE_OK;
  delete c->stream;
  c->stream = nullptr;
  return rc;
}

int cryptRead(sqlite3_file* f, void* buf, int amount, sqlite3_int64 offset) {
  CryptFile* c = cf(f);
  int rc = c->real->pMethods->xRead(c->real, buf, amount, offset);
  int got = amount;
  if (rc == SQLITE_IOERR_SHORT_READ) {
    // The tail past the end stays zero, as SQLite expects of a short read.
    sqlite3_int64 size = 0;
    if (c->real->pMethods->xFileSize(c->real, &size) != SQLITE_OK) return SQLITE_IOERR_READ;
    got = size <= offset ? 0 : static_cast<int>(std::min<sqlite3_int64>(amount, size - offset));
  } else if (rc != SQLITE_OK) {
    return rc;
  }
  auto* p = static_cast<unsigned char*>(buf);
  if (got > 0 && !c->stream->apply(p, p, got, offset)) return SQLITE_IOERR_READ;
  return rc;
}

int cryptWrite(sqlite3_file* f, const void* buf, int amount, sqlite3_int64 offset) {
  CryptFile* c = cf(f);
  thread_local std::vector<unsigned char> scratch;
  scratch.resize(amount);
  if (!c->stream->apply(static_cast<const unsigned char*>(buf), scratch.data(), amount, offset)) {
    return SQLITE_IOERR_WRITE;
  }
  return c->real->pMethods->xWrite(c->real, scratch.data(), amount, offset);
}

int cryptTruncate(sqlite3_file* f, sqlite3_int64 size) {
  return cf(f)->real->pMethods->xTruncate(cf(f)->real, size);
}
int cryptSync(sqlite3_file* f, int flags) {
  return cf(f)->real->pMethods->xSync(cf(f)->real, flags);
}
int cryptFileSize(sqlite3_file* f, sqlite3_int64* size) {
  return cf(f)->real->pMethods->xFileSize(cf(f)->real, size);
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
  c->stream = nullptr;
  c->real = reinterpret_cast<sqlite3_file*>(c + 1);
  StreamKey key;
  if (name == nullptr) {
    // A temporary file: a key of its own that lives as long as the file.
    if (RAND_bytes(key.key.data(), kKeyBytes) != 1 ||
        RAND_bytes(key.nonce.data(), kNonceBytes) != 1) {
      return SQLITE_IOERR;
    }
  } else if (!keyForPath(name, (flags & SQLITE_OPEN_MAIN_DB) == 0, key)) {
    return SQLITE_CANTOPEN;
  }
  int rc = realVfs(vfs)->xOpen(realVfs(vfs), name, c->real, flags, outFlags);
  if (rc != SQLITE_OK) return rc;
  try {
    c->stream = new KeyStream(key);
  } catch (const std::exception&) {
    c->real->pMethods->xClose(c->real);
    return SQLITE_IOERR;
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
  FileKeys keys{deriveKey(password, fileName, "database"),
                deriveKey(password, fileName, "journal")};
  std::lock_guard lock(keysMutex());
  keysByName()[std::string(fileName)] = keys;
}

}  // namespace rt
