#pragma once
// Encryption of the owner-password files: a SQLite VFS over the default one
// that seals every page of the database file and every byte of its journal
// with AES-256-CTR, never twice with the same key stream (see crypt_cipher.h).
// Keys are derived from the owner password, separately for each file name and
// role (pages, journal). Pages carry a tag: a wrong password, a file in
// another format or an altered page is refused ("file is not a database" for
// page 1, corruption for any other page), and a journal of another key is
// neither rolled back nor deleted.
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

// Leaves room in every page of a new file attached through the VFS as
// `schema` for the nonce and tag; call before its first write.
void reserveCryptBytes(sqlite3* db, const char* schema);

}  // namespace rt
