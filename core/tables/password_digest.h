#pragma once
// Users' passwords as the users table keeps them: a salted, slow digest
// (PBKDF2-HMAC-SHA256), never the typed text, so a copy of the data file or
// of a backup does not give them away. A digest describes itself,
// "pbkdf2-sha256$<iterations>$<salt, base64>$<hash, base64>", so a later
// program may raise the count and still check the digests made before.
#include <cstddef>
#include <string>
#include <string_view>

namespace core {

// A password counts by its first 20 characters with its trailing spaces left
// out, as the login window has always compared it; letter case counts.
inline constexpr std::size_t kPasswordLength = 20;
// Slow enough to make guessing costly, fast enough to keep a login well
// under a second on a modest workstation.
inline constexpr int kPasswordIterations = 310000;
// The widest digest this program makes (the users table's field holds it).
inline constexpr std::size_t kPasswordDigestLength = 100;

// The digest of a typed password (runtime text), with a fresh random salt.
// Throws std::runtime_error when the system cannot give random bytes.
std::string passwordDigest(std::string_view typed);

// Whether `typed` is the password `stored` digests. A stored value that is
// not a well-formed digest matches nothing. The hashes are compared in
// constant time.
bool passwordMatches(std::string_view typed, std::string_view stored);

// Whether `stored` (trailing spaces aside) is a digest this program reads.
bool isPasswordDigest(std::string_view stored);

// PBKDF2-HMAC-SHA256 of raw bytes: `length` bytes of derived key.
std::string pbkdf2Sha256(std::string_view password, std::string_view salt, int iterations,
                         std::size_t length);

}  // namespace core
