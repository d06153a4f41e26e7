#pragma once
// Encryption of the owner-password files: a SQLite VFS over the default one
// that runs every byte of the database file and of its journal through
// AES-256-CTR, the key stream placed by the byte's offset in the file. Keys are
// derived from the owner password, separately for each file name and role
// (database, journal). A wrong password yields pages SQLite does not
// recognise, so it opens nothing ("file is not a database").
#include <string>
#include <string_view>

namespace rt {

constexpr const char* kCryptVfsName = "varneta-aes";

// Registers the VFS with SQLite (once per process).
void registerCryptVfs();

// The password for the database file of this name (no folder) in any folder;
// replaces an earlier one.
void setCryptPassword(std::string_view fileName, std::string_view password);

}  // namespace rt
