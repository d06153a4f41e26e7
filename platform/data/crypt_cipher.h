#pragma once
// The two ways the encrypting VFS seals bytes, over OpenSSL's AES-256-CTR and
// HMAC-SHA256.
//
// Pages of a database file: every write draws a fresh random nonce, kept in
// clear in the page's reserved bytes with a tag over the page number, the
// nonce and the ciphertext; the counter block is the nonce followed by the
// block's index within the page. No two writes share a key stream, and a
// page that was altered, moved or sealed with another key is refused.
//
// Auxiliary files (journals): a random salt in a small header at the file
// start, with a check value that tells a wrong key; the counter block is the
// salt plus the block's index in the file. A new salt for every new journal.
// A journal's page records carry a tag as well (see crypt_sealing.h).
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>

namespace rt::crypt {

constexpr int kKeyBytes = 32;
using Key = std::array<unsigned char, kKeyBytes>;

struct CipherKeys {
  Key encryption{};
  Key authentication{};
};

// Bytes at the end of each page that SQLite leaves to the VFS.
constexpr int kPageNonceBytes = 12;
constexpr int kTagBytes = 16;
constexpr int kPageReserve = kPageNonceBytes + kTagBytes;
constexpr int kSaltBytes = 16;
constexpr int kAuxHeaderBytes = kSaltBytes + kTagBytes;

using Salt = std::array<unsigned char, kSaltBytes>;

bool randomBytes(std::span<unsigned char> out);

// Compares two tags in a time that does not depend on where they differ.
bool equalTags(const unsigned char* a, const unsigned char* b);

// AES-256-CTR from a given counter block.
class CtrStream {
 public:
  explicit CtrStream(const Key& key);
  ~CtrStream();
  CtrStream(const CtrStream&) = delete;
  CtrStream& operator=(const CtrStream&) = delete;

  // XORs the key stream, `skip` bytes into the block `counter`, over n bytes.
  bool apply(const unsigned char (&counter)[16], int skip, const unsigned char* in,
             unsigned char* out, std::size_t n);

 private:
  struct Context;
  std::unique_ptr<Context> ctx_;
};

// HMAC-SHA256 truncated to kTagBytes over the concatenated parts.
class Authenticator {
 public:
  explicit Authenticator(const Key& key);
  ~Authenticator();
  Authenticator(const Authenticator&) = delete;
  Authenticator& operator=(const Authenticator&) = delete;

  bool tag(std::initializer_list<std::span<const unsigned char>> parts,
           unsigned char (&out)[kTagBytes]);
  bool verify(std::initializer_list<std::span<const unsigned char>> parts,
              const unsigned char* expected);

 private:
  struct Context;
  std::unique_ptr<Context> ctx_;
};

// The tag of a part of a journal (`label` says which: a header, the
// super-journal record) at its place in the file: over the journal's salt
// (none for a journal in clear), the part's bytes and the bytes it vouches
// for besides (a clear journal's header: the records it counts).
bool journalPartTag(Authenticator& mac, std::span<const unsigned char> salt, char label,
                    std::int64_t offset, std::span<const unsigned char> bytes,
                    std::span<const unsigned char> covered, unsigned char (&out)[kTagBytes]);

// Seals and opens whole database pages in place of their reserved bytes.
class PageCipher {
 public:
  explicit PageCipher(const CipherKeys& keys)
      : stream_(keys.encryption), mac_(keys.authentication) {}

  // Writes the sealed form of `plain` (pageSize bytes) into `sealed`.
  bool seal(const unsigned char* plain, unsigned char* sealed, int pageSize,
            std::uint32_t pageNumber);
  // Whether the sealed page is authentic for this key and page number.
  bool authentic(const unsigned char* sealed, int pageSize, std::uint32_t pageNumber);
  // Checks and decrypts in place; the reserved bytes read back as zeros.
  bool open(unsigned char* page, int pageSize, std::uint32_t pageNumber);

 private:
  bool pageTag(const unsigned char* sealed, int pageSize, std::uint32_t pageNumber,
               unsigned char (&out)[kTagBytes]);

  CtrStream stream_;
  Authenticator mac_;
};

// The key stream of an auxiliary file under one salt.
class SaltedCipher {
 public:
  explicit SaltedCipher(const CipherKeys& keys)
      : stream_(keys.encryption), mac_(keys.authentication) {}

  // A fresh salt and the header that records it.
  bool newHeader(Salt& salt, unsigned char (&header)[kAuxHeaderBytes]);
  // The salt of a header written with this key; false for another key.
  bool readHeader(const unsigned char* header, Salt& salt);
  bool apply(const Salt& salt, const unsigned char* in, unsigned char* out, std::size_t n,
             std::int64_t offset);
  // The tag of a journal's page record: over the salt, the record's place
  // in the file, the page number, the record's ciphertext (`n` bytes) and
  // the ciphertext of the checksum that follows it (zeros until written).
  bool recordTag(const Salt& salt, std::int64_t offset, std::uint32_t pageNumber,
                 const unsigned char* sealed, int n, const unsigned char (&checksum)[4],
                 unsigned char (&out)[kTagBytes]);
  // The tag of another part of a journal (`label` says which: its header,
  // its super-journal record) at its place in the file.
  bool partTag(const Salt& salt, char label, std::int64_t offset, const unsigned char* bytes,
               std::size_t n, unsigned char (&out)[kTagBytes]);

 private:
  CtrStream stream_;
  Authenticator mac_;
};

}  // namespace rt::crypt
