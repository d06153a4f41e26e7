#include "netlib/net_auth_crypto.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <array>
#include <cstdlib>

#include "platform/base/text_order.h"
#include "textlib/text_buffer.h"

// MD4 and single DES are refused by OpenSSL 3's default provider; NTLM needs
// both, so the low-level calls (which bypass the providers) are used here
// alone, with their deprecation warnings silenced for this file.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/des.h>
#include <openssl/md4.h>

namespace netlib::auth {
namespace {

const unsigned char* bytesOf(std::string_view s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

std::string hmac(const EVP_MD* md, std::string_view key, std::string_view bytes) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> out{};
  unsigned int length = 0;
  HMAC(md, key.data(), static_cast<int>(key.size()), bytesOf(bytes), bytes.size(), out.data(),
       &length);
  return std::string(reinterpret_cast<const char*>(out.data()), length);
}

}  // namespace

std::string md4(std::string_view bytes) {
  std::array<unsigned char, MD4_DIGEST_LENGTH> out{};
  MD4(bytesOf(bytes), bytes.size(), out.data());
  return std::string(reinterpret_cast<const char*>(out.data()), out.size());
}

std::string hmacMd5(std::string_view key, std::string_view bytes) {
  return hmac(EVP_md5(), key, bytes);
}

std::string hmacSha1(std::string_view key, std::string_view bytes) {
  return hmac(EVP_sha1(), key, bytes);
}

std::string desEncrypt7(std::string_view key7, std::string_view block8) {
  std::array<unsigned char, 7> k{};
  for (std::size_t i = 0; i < k.size() && i < key7.size(); ++i) k[i] = key7[i];
  // Spread 56 key bits over 8 bytes, 7 bits each; the parity bit is set.
  DES_cblock key{};
  key[0] = k[0];
  for (int i = 1; i < 7; ++i)
    key[i] = static_cast<unsigned char>((k[i - 1] << (8 - i)) | (k[i] >> i));
  key[7] = static_cast<unsigned char>(k[6] << 1);
  DES_set_odd_parity(&key);
  DES_key_schedule schedule;
  DES_set_key_unchecked(&key, &schedule);
  DES_cblock in{};
  for (std::size_t i = 0; i < sizeof in && i < block8.size(); ++i) in[i] = block8[i];
  DES_cblock out{};
  DES_ecb_encrypt(&in, &out, &schedule, DES_ENCRYPT);
  return std::string(reinterpret_cast<const char*>(out), sizeof out);
}

}  // namespace netlib::auth
#pragma GCC diagnostic pop

namespace netlib::auth {

std::string utf16FromAscii(std::string_view text) {
  if (text.empty()) return {};
  textlib::TextBuffer converter;
  int units = 0;
  const textlib::BufferRef wide = converter.AnsiToUtf16(
      static_cast<int>(text.size()), text.data(), textlib::TextBuffer::kUsAsciiCodePage, units);
  if (wide.address == nullptr) return {};
  std::string out(static_cast<const char*>(wide.address), static_cast<std::size_t>(units) * 2);
  std::free(wide.address);
  return out;
}

std::string lmHash(std::string_view password) {
  std::string key = rt::upper(password.substr(0, 14));
  key.resize(14, '\0');
  static constexpr std::string_view kMagic = "KGS!@#$%";
  return desEncrypt7(std::string_view(key).substr(0, 7), kMagic) +
         desEncrypt7(std::string_view(key).substr(7, 7), kMagic);
}

std::string ntHash(std::string_view password) { return md4(utf16FromAscii(password)); }

std::string ntlmV1Response(std::string_view hash16, std::string_view challenge8) {
  std::string key(hash16.substr(0, 16));
  key.resize(21, '\0');
  const std::string_view k(key);
  return desEncrypt7(k.substr(0, 7), challenge8) + desEncrypt7(k.substr(7, 7), challenge8) +
         desEncrypt7(k.substr(14, 7), challenge8);
}

std::string ntlmV2Hash(std::string_view ntHash16, std::string_view user,
                       std::string_view domainBytes) {
  return hmacMd5(ntHash16, utf16FromAscii(rt::upper(user)) + std::string(domainBytes));
}

std::string ntlmV2Blob(std::uint64_t timeStamp, std::string_view clientChallenge8,
                       std::string_view targetInformation) {
  std::string blob("\x01\x01\0\0\0\0\0\0", 8);
  for (int i = 0; i < 8; ++i) blob += static_cast<char>((timeStamp >> (8 * i)) & 0xFF);
  std::string challenge(clientChallenge8.substr(0, 8));
  challenge.resize(8, '\0');
  blob += challenge;
  blob.append(4, '\0');
  blob += targetInformation;
  blob.append(4, '\0');
  return blob;
}

std::string ntlmV2Response(std::string_view v2Hash16, std::string_view serverChallenge8,
                           std::string_view data) {
  return hmacMd5(v2Hash16, std::string(serverChallenge8) + std::string(data)) + std::string(data);
}

}  // namespace netlib::auth
