#include "platform/data/crypt_cipher.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstring>
#include <stdexcept>

namespace rt::crypt {
namespace {

void putBigEndian32(unsigned char* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

EVP_MAC* hmac() {
  static EVP_MAC* const mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
  return mac;
}

}  // namespace

bool randomBytes(std::span<unsigned char> out) {
  return RAND_bytes(out.data(), static_cast<int>(out.size())) == 1;
}

bool equalTags(const unsigned char* a, const unsigned char* b) {
  return CRYPTO_memcmp(a, b, kTagBytes) == 0;
}

struct CtrStream::Context {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  ~Context() { EVP_CIPHER_CTX_free(ctx); }
};

CtrStream::CtrStream(const Key& key) : ctx_(std::make_unique<Context>()) {
  if (!ctx_->ctx ||
      EVP_EncryptInit_ex(ctx_->ctx, EVP_aes_256_ctr(), nullptr, key.data(), nullptr) != 1) {
    throw std::runtime_error("cipher set-up failed");
  }
}

CtrStream::~CtrStream() = default;

bool CtrStream::apply(const unsigned char (&counter)[16], int skip, const unsigned char* in,
                      unsigned char* out, std::size_t n) {
  if (EVP_EncryptInit_ex(ctx_->ctx, nullptr, nullptr, nullptr, counter) != 1) return false;
  int len = 0;
  if (skip > 0) {
    unsigned char zeros[16] = {}, discard[16];
    if (EVP_EncryptUpdate(ctx_->ctx, discard, &len, zeros, skip) != 1) return false;
  }
  return n == 0 || EVP_EncryptUpdate(ctx_->ctx, out, &len, in, static_cast<int>(n)) == 1;
}

struct Authenticator::Context {
  EVP_MAC_CTX* ctx = hmac() ? EVP_MAC_CTX_new(hmac()) : nullptr;
  ~Context() { EVP_MAC_CTX_free(ctx); }
};

Authenticator::Authenticator(const Key& key) : ctx_(std::make_unique<Context>()) {
  char digest[] = "SHA256";
  const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                               OSSL_PARAM_END};
  if (!ctx_->ctx || EVP_MAC_init(ctx_->ctx, key.data(), key.size(), params) != 1) {
    throw std::runtime_error("authenticator set-up failed");
  }
}

Authenticator::~Authenticator() = default;

bool Authenticator::tag(std::initializer_list<std::span<const unsigned char>> parts,
                        unsigned char (&out)[kTagBytes]) {
  // Starting again keeps the key given at construction.
  if (EVP_MAC_init(ctx_->ctx, nullptr, 0, nullptr) != 1) return false;
  for (const auto& part : parts) {
    if (EVP_MAC_update(ctx_->ctx, part.data(), part.size()) != 1) return false;
  }
  unsigned char full[EVP_MAX_MD_SIZE];
  std::size_t len = 0;
  if (EVP_MAC_final(ctx_->ctx, full, &len, sizeof full) != 1 || len < kTagBytes) return false;
  std::memcpy(out, full, kTagBytes);
  return true;
}

bool Authenticator::verify(std::initializer_list<std::span<const unsigned char>> parts,
                           const unsigned char* expected) {
  unsigned char computed[kTagBytes];
  return tag(parts, computed) && CRYPTO_memcmp(computed, expected, kTagBytes) == 0;
}

// Page layout: ciphertext, then the nonce, then the tag, the last two in the
// reserved bytes. The tag covers the page number and size, so a page copied
// over another one is refused as well.
bool PageCipher::pageTag(const unsigned char* sealed, int pageSize, std::uint32_t pageNumber,
                         unsigned char (&out)[kTagBytes]) {
  const int body = pageSize - kPageReserve;
  unsigned char place[8];
  putBigEndian32(place, pageNumber);
  putBigEndian32(place + 4, static_cast<std::uint32_t>(pageSize));
  return mac_.tag(
      {{place, 8}, {sealed + body, kPageNonceBytes}, {sealed, static_cast<std::size_t>(body)}},
      out);
}

bool PageCipher::seal(const unsigned char* plain, unsigned char* sealed, int pageSize,
                      std::uint32_t pageNumber) {
  const int body = pageSize - kPageReserve;
  unsigned char* nonce = sealed + body;
  if (!randomBytes({nonce, kPageNonceBytes})) return false;
  unsigned char counter[16];
  std::memcpy(counter, nonce, kPageNonceBytes);
  putBigEndian32(counter + kPageNonceBytes, 0);
  unsigned char tag[kTagBytes];
  if (!stream_.apply(counter, 0, plain, sealed, body) ||
      !pageTag(sealed, pageSize, pageNumber, tag)) {
    return false;
  }
  std::memcpy(nonce + kPageNonceBytes, tag, kTagBytes);
  return true;
}

bool PageCipher::authentic(const unsigned char* sealed, int pageSize, std::uint32_t pageNumber) {
  unsigned char tag[kTagBytes];
  return pageTag(sealed, pageSize, pageNumber, tag) &&
         CRYPTO_memcmp(tag, sealed + pageSize - kTagBytes, kTagBytes) == 0;
}

bool PageCipher::open(unsigned char* page, int pageSize, std::uint32_t pageNumber) {
  if (!authentic(page, pageSize, pageNumber)) return false;
  const int body = pageSize - kPageReserve;
  unsigned char counter[16];
  std::memcpy(counter, page + body, kPageNonceBytes);
  putBigEndian32(counter + kPageNonceBytes, 0);
  if (!stream_.apply(counter, 0, page, page, body)) return false;
  std::memset(page + body, 0, kPageReserve);
  return true;
}

namespace {
constexpr unsigned char kSaltLabel[] = {'s', 'a', 'l', 't'};
}

bool SaltedCipher::newHeader(Salt& salt, unsigned char (&header)[kAuxHeaderBytes]) {
  if (!randomBytes(salt)) return false;
  std::memcpy(header, salt.data(), kSaltBytes);
  unsigned char tag[kTagBytes];
  if (!mac_.tag({kSaltLabel, salt}, tag)) return false;
  std::memcpy(header + kSaltBytes, tag, kTagBytes);
  return true;
}

bool SaltedCipher::readHeader(const unsigned char* header, Salt& salt) {
  std::memcpy(salt.data(), header, kSaltBytes);
  return mac_.verify({kSaltLabel, salt}, header + kSaltBytes);
}

bool SaltedCipher::apply(const Salt& salt, const unsigned char* in, unsigned char* out,
                         std::size_t n, std::int64_t offset) {
  // The counter block is the salt plus the block index, as one 128-bit
  // big-endian number.
  unsigned char counter[16];
  std::memcpy(counter, salt.data(), kSaltBytes);
  std::uint64_t add = static_cast<std::uint64_t>(offset) / 16;
  unsigned carry = 0;
  for (int i = 15; i >= 0; --i) {
    const unsigned sum = counter[i] + static_cast<unsigned>(add & 0xFF) + carry;
    counter[i] = static_cast<unsigned char>(sum);
    carry = sum >> 8;
    add >>= 8;
  }
  return stream_.apply(counter, static_cast<int>(offset % 16), in, out, n);
}

bool SaltedCipher::recordTag(const Salt& salt, std::int64_t offset, std::uint32_t pageNumber,
                             const unsigned char* sealed, int n, const unsigned char (&checksum)[4],
                             unsigned char (&out)[kTagBytes]) {
  static constexpr unsigned char kRecordLabel[] = {'r', 'e', 'c', 'o', 'r', 'd'};
  unsigned char place[16];
  putBigEndian32(place, static_cast<std::uint32_t>(static_cast<std::uint64_t>(offset) >> 32));
  putBigEndian32(place + 4, static_cast<std::uint32_t>(offset));
  putBigEndian32(place + 8, pageNumber);
  putBigEndian32(place + 12, static_cast<std::uint32_t>(n));
  return mac_.tag({kRecordLabel, salt, place, {sealed, static_cast<std::size_t>(n)}, checksum},
                  out);
}

bool SaltedCipher::partTag(const Salt& salt, char label, std::int64_t offset,
                           const unsigned char* bytes, std::size_t n,
                           unsigned char (&out)[kTagBytes]) {
  return journalPartTag(mac_, salt, label, offset, {bytes, n}, {}, out);
}

bool journalPartTag(Authenticator& mac, std::span<const unsigned char> salt, char label,
                    std::int64_t offset, std::span<const unsigned char> bytes,
                    std::span<const unsigned char> covered, unsigned char (&out)[kTagBytes]) {
  static constexpr unsigned char kPartLabel[] = {'p', 'a', 'r', 't'};
  unsigned char place[13];
  putBigEndian32(place, static_cast<std::uint32_t>(static_cast<std::uint64_t>(offset) >> 32));
  putBigEndian32(place + 4, static_cast<std::uint32_t>(offset));
  putBigEndian32(place + 8, static_cast<std::uint32_t>(bytes.size()));
  place[12] = static_cast<unsigned char>(label);
  return mac.tag({kPartLabel, salt, place, bytes, covered}, out);
}

}  // namespace rt::crypt
