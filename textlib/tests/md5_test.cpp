#include "textlib/md5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace textlib {
namespace {

std::string hex(const unsigned char digest[16]) {
  std::string out;
  char two[3];
  for (int i = 0; i < 16; ++i) {
    std::snprintf(two, sizeof two, "%02x", digest[i]);
    out += two;
  }
  return out;
}

std::string digestInPieces(const std::string& input, std::size_t piece) {
  Md5Context context;
  Md5Init(context);
  for (std::size_t at = 0; at < input.size(); at += piece) {
    const std::size_t n = std::min(piece, input.size() - at);
    Md5Update(context, input.data() + at, static_cast<std::uint32_t>(n));
    Md5Update(context, input.data(), 0);
  }
  unsigned char digest[16];
  Md5Final(digest, context);
  return hex(digest);
}

std::string eightTimes(const std::string& text) {
  std::string out;
  for (int i = 0; i < 8; ++i) out += text;
  return out;
}

TEST(Md5, Rfc1321TestSuite) {
  const std::vector<std::pair<std::string, std::string>> vectors = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {eightTimes("1234567890"), "57edf4a22be3c955ac49da2e2107b67a"}};
  for (const auto& [input, expected] : vectors) {
    for (std::size_t piece :
         {input.size() + 1, std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{65}}) {
      EXPECT_EQ(digestInPieces(input, piece), expected) << input << " in pieces of " << piece;
    }
  }
}

TEST(Md5, PaddingThatSpillsIntoASecondBlock) {
  // 56 bytes leave no room for the bit count in the first final block.
  const std::string input(56, 'a');
  EXPECT_EQ(digestInPieces(input, 64), "3b0c8ac703f828b04c6c197006d17218");
  std::string large;
  for (int i = 0; i < 100000; ++i) large.push_back(static_cast<char>(i * 31 + 7));
  const std::string whole = digestInPieces(large, large.size());
  for (std::size_t piece : {1, 63, 64, 65, 4096}) {
    EXPECT_EQ(digestInPieces(large, piece), whole) << piece;
  }
}

TEST(Md5, FinalClearsTheContext) {
  Md5Context context;
  Md5Init(context);
  Md5Update(context, "abc", 3);
  unsigned char digest[16];
  Md5Final(digest, context);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&context);
  for (std::size_t i = 0; i < sizeof context; ++i) ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(sizeof context, 88u);
}

}  // namespace
}  // namespace textlib
