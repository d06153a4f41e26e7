#pragma once
// The digests and ciphers behind the authorization headers, as the socket
// library's services offered them: MD4, HMAC-MD5 and HMAC-SHA1 over byte
// strings, and NTLM's DES step (a 7-byte key expanded to a DES key). The
// NTLM responses are built from them here so that tests can check each
// against the protocol's published values.
#include <cstdint>
#include <string>
#include <string_view>

namespace netlib::auth {

std::string md4(std::string_view bytes);
std::string hmacMd5(std::string_view key, std::string_view bytes);
std::string hmacSha1(std::string_view key, std::string_view bytes);
// Encrypts one 8-byte block under a 7-byte key (DES-ECB).
std::string desEncrypt7(std::string_view key7, std::string_view block8);

// UTF-16 little-endian of US-ASCII text (the string class's conversion).
std::string utf16FromAscii(std::string_view text);

// LM hash of a password: upper-cased, cut or zero-padded to 14 bytes.
std::string lmHash(std::string_view password);
// NT hash: MD4 of the password in UTF-16 little-endian.
std::string ntHash(std::string_view password);
// The 24-byte NTLMv1 response of a 16-byte hash to an 8-byte challenge.
std::string ntlmV1Response(std::string_view hash16, std::string_view challenge8);
// HMAC-MD5 under the NT hash of the upper-cased UTF-16 user and the domain
// bytes as given.
std::string ntlmV2Hash(std::string_view ntHash16, std::string_view user,
                       std::string_view domainBytes);
// The NTLMv2 blob: version, time stamp (100 ns since 1601), client
// challenge and the server's target information.
std::string ntlmV2Blob(std::uint64_t timeStamp, std::string_view clientChallenge8,
                       std::string_view targetInformation);
// HMAC-MD5 under the NTLMv2 hash of the server challenge and `data`,
// followed by `data`: the NTv2 response with the blob, LMv2 with the client
// challenge.
std::string ntlmV2Response(std::string_view v2Hash16, std::string_view serverChallenge8,
                           std::string_view data);

}  // namespace netlib::auth
