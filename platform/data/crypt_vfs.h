#pragma once
// The VFS of every data file: over the default one, it seals every page of an
// owner-password file and every byte of its journal with AES-256-CTR, never
// twice with the same key stream (see crypt_cipher.h); it keeps the journal
// of a plain file in clear and in SQLite's own format, with tags of a key of
// its own (see clear_journal.h), and leaves the plain files themselves and
// the super-journals to the default VFS.
//
// One VFS for all the files of a connection, knowing each file's key by its
// name, is what lets a transaction over several files commit through
// SQLite's super-journal: a file's recovery reads the other files' journals
// (to learn whether they still need the super-journal) and opens the
// super-journal, whichever file it belongs to.
//
// Keys are derived from the owner password, separately for each file name and
// role (pages, journal). Pages and the page records of journals carry a tag:
// a wrong password, a file in another format or an altered page is refused
// ("file is not a database" for page 1, corruption for any other page), a
// journal of another key is neither rolled back nor deleted, and an altered
// page record of a journal stops its rollback (SQLITE_IOERR_DATA), leaving
// the journal in place. A plain file's journal that fails its tags is not
// opened either ("file is not a database"), and so neither rolled back nor
// deleted.
#include <string>
#include <string_view>

struct sqlite3;

namespace rt {

constexpr const char* kCryptVfsName = "varneta-aes";

// Registers the VFS with SQLite (once per process).
void registerCryptVfs();

// The password for the database file of this name (no folder) in any folder;
// replaces an earlier one.
void setCryptPassword(std::string_view fileName, std::string_view password);
// The keys of `fileName` (set above) for its file on disk under another
// spelling of its name (the case of its letters changed).
void setCryptAlias(std::string_view diskName, std::string_view fileName);

// The folder of the data files this thread is about to open: journals and
// super-journals named by another folder's path are looked for beside them.
// Opening a database file sets it too; set it before checking a folder's
// journals, or they are looked for beside the files opened before.
void setCryptDataFolder(const std::string& folder);

// Called with each file the VFS is about to delete (done false) and has
// deleted (done true); null for none. Tests use it to stop a process at a
// chosen point of a commit.
using DeleteHook = void (*)(const char* path, bool done);
void setDeleteHook(DeleteHook hook);

// Called before each sync of a file the VFS handles itself (a sealed file,
// its journal, a plain file's journal); null for none. Tests use it to stop
// a process at a chosen point of a write.
using SyncHook = void (*)(const char* path);
void setSyncHook(SyncHook hook);

// Leaves room in every page of a new file attached through the VFS as
// `schema` for the nonce and tag; call before its first write.
void reserveCryptBytes(sqlite3* db, const char* schema);

}  // namespace rt
