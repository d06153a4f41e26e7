#include "core/tables/password_digest.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <charconv>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/base/cp1252.h"

namespace core {
namespace {

constexpr std::string_view kScheme = "pbkdf2-sha256";
constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;
// A stored count above this is not one this program made: refused rather
// than spending minutes on it.
constexpr int kMostIterations = 10'000'000;

// The bytes a password is digested from: its counted characters as UTF-8.
std::string counted(std::string_view typed) {
  return rt::cp1252ToUtf8(rt::clip(typed.substr(0, kPasswordLength)));
}

std::string base64(std::string_view bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3), '\0');
  const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                      reinterpret_cast<const unsigned char*>(bytes.data()),
                                      static_cast<int>(bytes.size()));
  text.resize(static_cast<std::size_t>(written));
  return text;
}

std::optional<std::string> fromBase64(std::string_view text) {
  if (text.empty() || text.size() % 4 != 0) return std::nullopt;
  std::string bytes(3 * text.size() / 4, '\0');
  const int read = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                   reinterpret_cast<const unsigned char*>(text.data()),
                                   static_cast<int>(text.size()));
  if (read < 0) return std::nullopt;
  // The decoder counts the padding as bytes.
  std::size_t size = static_cast<std::size_t>(read);
  for (std::size_t i = text.size(); i > 0 && size > 0 && text[i - 1] == '='; --i) --size;
  bytes.resize(size);
  return bytes;
}

struct Digest {
  int iterations = 0;
  std::string salt;
  std::string hash;
};

std::optional<Digest> parse(std::string_view stored) {
  stored = rt::clip(stored);
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t dollar = stored.find('$', start);
    parts.push_back(
        stored.substr(start, dollar == std::string_view::npos ? dollar : dollar - start));
    if (dollar == std::string_view::npos) break;
    start = dollar + 1;
  }
  if (parts.size() != 4 || parts[0] != kScheme) return std::nullopt;
  Digest d;
  const auto [end, error] =
      std::from_chars(parts[1].data(), parts[1].data() + parts[1].size(), d.iterations);
  if (error != std::errc() || end != parts[1].data() + parts[1].size() || d.iterations < 1 ||
      d.iterations > kMostIterations) {
    return std::nullopt;
  }
  auto salt = fromBase64(parts[2]);
  auto hash = fromBase64(parts[3]);
  if (!salt || !hash || hash->size() != kHashBytes) return std::nullopt;
  d.salt = std::move(*salt);
  d.hash = std::move(*hash);
  return d;
}

}  // namespace

std::string pbkdf2Sha256(std::string_view password, std::string_view salt, int iterations,
                         std::size_t length) {
  std::string key(length, '\0');
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()),
                        static_cast<int>(salt.size()), iterations, EVP_sha256(),
                        static_cast<int>(length),
                        reinterpret_cast<unsigned char*>(key.data())) != 1) {
    throw std::runtime_error("PBKDF2 failed");
  }
  return key;
}

std::string passwordDigest(std::string_view typed) {
  std::string salt(kSaltBytes, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), static_cast<int>(salt.size())) !=
      1) {
    throw std::runtime_error("no random bytes for a password's salt");
  }
  const std::string hash = pbkdf2Sha256(counted(typed), salt, kPasswordIterations, kHashBytes);
  return std::string(kScheme) + "$" + std::to_string(kPasswordIterations) + "$" + base64(salt) +
         "$" + base64(hash);
}

bool passwordMatches(std::string_view typed, std::string_view stored) {
  const std::optional<Digest> d = parse(stored);
  if (!d) return false;
  const std::string hash = pbkdf2Sha256(counted(typed), d->salt, d->iterations, kHashBytes);
  return CRYPTO_memcmp(hash.data(), d->hash.data(), kHashBytes) == 0;
}

bool isPasswordDigest(std::string_view stored) { return parse(stored).has_value(); }

}  // namespace core
