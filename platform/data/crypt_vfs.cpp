#include "platform/data/crypt_vfs.h"

#include <openssl/evp.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <vector>

#include "platform/base/file_modes.h"
#include "platform/data/clear_journal.h"
#include "platform/data/crypt_cipher.h"
#include "platform/data/crypt_sealing.h"

namespace rt {
namespace {

using crypt::CipherKeys;
using crypt::ClearJournal;
using crypt::Key;
using crypt::kPageReserve;
using crypt::PagedSealing;
using crypt::SaltedSealing;
using crypt::Sealing;

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

// The key of the tags of every plain file's journal: its own, built into
// the program as the owner passwords are.
const Key& clearJournalKey() {
  static const CipherKeys keys = deriveKeys("Varneta plain journals", "", "journal tags");
  return keys.authentication;
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

// The keys of a file SQLite opens, by its name: a sealed database itself or
// its "<database>-journal", whoever opens it (its own connection, or the
// recovery of another file of the same transaction reading its journal).
// False for every other file: plain databases, their journals and the
// super-journals, which hold only file names.
bool keysForPath(std::string_view path, bool& journal, CipherKeys& out) {
  std::string name = baseName(path);
  constexpr std::string_view kJournal = "-journal";
  journal = name.size() > kJournal.size() &&
            name.compare(name.size() - kJournal.size(), kJournal.size(), kJournal) == 0;
  if (journal) name.resize(name.size() - kJournal.size());
  std::lock_guard lock(keysMutex());
  const auto it = keysByName().find(name);
  if (it == keysByName().end()) return false;
  out = journal ? it->second.journal : it->second.pages;
  return true;
}

// The folder of the database this thread opens (or opened last): the
// recovery of an interrupted transaction runs on the thread that opens its
// files.
thread_local std::string dataFolder;

std::string folderOf(std::string_view path) {
  const auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? std::string_view(".")
                                                     : path.substr(0, slash));
}

// Journals and super-journals name each other by the path they had when
// written. A folder opened from another path (a share mounted elsewhere, a
// folder copied after a crash) finds them beside its data files, under the
// same name. The names handed to SQLite's own VFS stay valid as long as
// the files they open, so each is kept for the process's life.
const char* besideData(const char* name) {
  if (name == nullptr || dataFolder.empty()) return name;
  const std::string base = baseName(name);
  constexpr std::string_view kJournal = "-journal";
  const bool journal = base.size() > kJournal.size() &&
                       base.compare(base.size() - kJournal.size(), kJournal.size(), kJournal) == 0;
  if ((!journal && base.find("-mj") == std::string::npos) || folderOf(name) == dataFolder)
    return name;
  const std::string beside = dataFolder + "/" + base;
  if (::access(beside.c_str(), F_OK) != 0) return name;
  static std::mutex m;
  static std::set<std::string> kept;
  std::lock_guard lock(m);
  // Followed by an empty list of parameters, as SQLite passes names.
  return kept.insert(beside + std::string(4, '\0')).first->c_str();
}

DeleteHook& deleteHook() {
  static DeleteHook hook = nullptr;
  return hook;
}

SyncHook& syncHook() {
  static SyncHook hook = nullptr;
  return hook;
}

struct CryptFile {
  sqlite3_file base;  // must come first: SQLite sees this struct as a sqlite3_file
  Sealing* sealing;
  sqlite3_file* real;  // the default VFS's file, allocated right after this struct
  const char* name;    // SQLite's, valid until the file is closed; null for a temporary file
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
  if (syncHook() && cf(f)->name) syncHook()(cf(f)->name);
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

// SQLite makes a new database file 0644 (less the creation mask) whatever
// the program's rule: one made here gets the rule's mode at once, before it
// holds a byte. Journals take their database's mode from SQLite itself.
int openWithRuleMode(sqlite3_vfs* vfs, const char* name, sqlite3_file* f, int flags,
                     int* outFlags) {
  const bool making = name != nullptr && (flags & SQLITE_OPEN_CREATE) &&
                      (flags & (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_SUPER_JOURNAL)) &&
                      ::access(name, F_OK) != 0;
  const int rc = realVfs(vfs)->xOpen(realVfs(vfs), name, f, flags, outFlags);
  if (rc == SQLITE_OK && making) ::chmod(name, permittedMode(0666));
  return rc;
}

int cryptOpen(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
  if (name != nullptr && (flags & SQLITE_OPEN_MAIN_DB)) dataFolder = folderOf(name);
  if (flags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_SUPER_JOURNAL)) name = besideData(name);
  CryptFile* c = cf(f);
  c->base.pMethods = nullptr;
  CipherKeys keys;
  bool journal = false;
  bool clear = false;
  if (name == nullptr) {
    // A temporary file: keys of its own that live as long as the file.
    if (!crypt::randomBytes(keys.encryption) || !crypt::randomBytes(keys.authentication)) {
      return SQLITE_IOERR;
    }
  } else if (!keysForPath(name, journal, keys)) {
    // A plain database file and a super-journal are the default VFS's own,
    // with its own methods; a plain file's journal gets its tags.
    if (!journal || !(flags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_SUPER_JOURNAL))) {
      return openWithRuleMode(vfs, name, f, flags, outFlags);
    }
    clear = true;
  }
  c->sealing = nullptr;
  c->name = name;
  c->real = reinterpret_cast<sqlite3_file*>(c + 1);
  int rc = openWithRuleMode(vfs, name, c->real, flags, outFlags);
  if (rc != SQLITE_OK) return rc;
  try {
    if (clear) {
      auto tagged = std::make_unique<ClearJournal>(clearJournalKey());
      // A journal that fails its tags is left alone, never rolled back nor
      // deleted, as a sealed one.
      if (!tagged->load(c->real)) rc = SQLITE_NOTADB;
      c->sealing = tagged.release();
    } else if (name != nullptr && !journal) {
      c->sealing = new PagedSealing(keys);
    } else {
      auto salted = std::make_unique<SaltedSealing>(keys, journal);
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
  n = besideData(n);
  if (deleteHook()) deleteHook()(n, false);
  const int rc = realVfs(v)->xDelete(realVfs(v), n, s);
  if (deleteHook()) deleteHook()(n, true);
  return rc;
}
int cryptAccess(sqlite3_vfs* v, const char* n, int fl, int* r) {
  n = besideData(n);
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

void setCryptAlias(std::string_view diskName, std::string_view fileName) {
  std::lock_guard lock(keysMutex());
  const auto it = keysByName().find(std::string(fileName));
  if (it != keysByName().end() && diskName != fileName)
    keysByName()[std::string(diskName)] = it->second;
}

void setCryptDataFolder(const std::string& folder) { dataFolder = folder; }

void setDeleteHook(DeleteHook hook) { deleteHook() = hook; }

void setSyncHook(SyncHook hook) { syncHook() = hook; }

void reserveCryptBytes(sqlite3* db, const char* schema) {
  // Takes effect only while the file is still empty; an existing file keeps
  // the reserve recorded in its header (and the VFS refuses page 1 without it).
  int reserve = kPageReserve;
  sqlite3_file_control(db, schema, SQLITE_FCNTL_RESERVE_BYTES, &reserve);
}

}  // namespace rt
