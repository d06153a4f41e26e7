#pragma once
// The MD5 message digest (RFC 1321): initialise a context, feed it bytes in
// any pieces, then finalise it into the 16-byte digest.
#include <cstdint>

namespace textlib {

// 88 bytes, allocated by the caller.
struct Md5Context {
  std::uint32_t state[4];
  std::uint32_t count[2];  // bits processed, low word first
  unsigned char buffer[64];
};

void Md5Init(Md5Context& context);
void Md5Update(Md5Context& context, const void* data, std::uint32_t length);
// Adds the padding and the bit count, writes the digest and clears the context.
void Md5Final(unsigned char digest[16], Md5Context& context);
// The four rounds over one 64-byte block.
void Md5Transform(std::uint32_t state[4], const unsigned char block[64]);
// 32-bit words to little-endian bytes and back; length in bytes.
void Md5Encode_(unsigned char* output, const std::uint32_t* input, unsigned length);
void Md5Decode_(std::uint32_t* output, const unsigned char* input, unsigned length);

}  // namespace textlib
