#include <gtest/gtest.h>

#include <string>

#include "platform/base/cp_literal.h"
#include "textlib/random_source.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

bool allIn(const std::string& text, const std::string& allowed) {
  return text.find_first_not_of(allowed) == std::string::npos;
}

const std::string kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::string kDigits = "0123456789";

TEST(RandomText, CharacterSetsFollowTheFlags) {
  seedRandom(12345);
  TextBuffer b;
  EXPECT_EQ(b.Random(0), 1);
  EXPECT_EQ(b.Length(), 0);

  struct Case {
    int flags;
    std::string alphabet;
    std::string allowed;
  };
  const Case cases[] = {
      {0, "", kUpper},
      {0, "xy", "xy"},
      {4, "xy", kDigits + "xy"},
      {32 + 4, "", kDigits},
      {32, "", "ABCDEF0123456789"},
      {64 + 2, "", "GCATabcdefghijklmnopqrstuvwxyz"},
      {16, "", "!@#$^&*()-_+={}[]:;,.`~"},
      {512 + 4, "", kDigits + " "},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(b.Random(200, c.flags, c.alphabet), 0);
    EXPECT_EQ(b.Length(), 200);
    EXPECT_TRUE(allIn(b.GetValue(), c.allowed)) << c.flags << " " << b.GetValue();
  }
  const std::string code = b.GetRandom(5, 4 + 8);
  ASSERT_EQ(code.size(), 5u);
  EXPECT_TRUE(allIn(code.substr(0, 1), kUpper));
  EXPECT_TRUE(allIn(code.substr(1), kDigits));
  EXPECT_EQ(b.GetValue(), code);

  b.Random(2000, 256);
  EXPECT_EQ(b.GetValue().find('\0'), std::string::npos);
}

TEST(RandomText, ASeedRepeatsTheText) {
  TextBuffer b;
  seedRandom(7);
  const std::string first = b.GetRandom(32, 1 + 2 + 4);
  seedRandom(7);
  EXPECT_EQ(b.GetRandom(32, 1 + 2 + 4), first);
  EXPECT_NE(b.GetRandom(32, 1 + 2 + 4), first);
}

TEST(RandomText, GuidsAreVersionFour) {
  seedRandom(99);
  TextBuffer b;
  for (int i = 0; i < 50; ++i) {
    const std::string guid = b.MakeGuid(0);
    ASSERT_EQ(guid.size(), 16u);
    const auto version = static_cast<unsigned char>(guid[6]);
    const auto variant = static_cast<unsigned char>(guid[8]);
    EXPECT_GE(version, 64);
    EXPECT_LE(version, 79);
    EXPECT_GE(variant, 128);
    EXPECT_LE(variant, 191);
  }
  const std::string text = b.MakeGuid(1 + 256);
  ASSERT_EQ(text.size(), 38u);
  EXPECT_EQ(text[0], '{');
  EXPECT_EQ(text[15], '4');
}

TEST(Digest, Md5OfTextOrValue) {
  TextBuffer b;
  EXPECT_EQ(b.MD5(1, "abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(b.MD5(1), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(b.MD5(1, "abc   "), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(b.MD5(1, "abcdef", 3), "900150983cd24fb0d6963f7d28e17f72");
  b.SetValue("abc");
  EXPECT_EQ(b.MD5(1, "   "), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(b.MD5(2), "kAFQmDzST7DWlj99KOF/cg==");
  EXPECT_EQ(b.MD5(0).size(), 16u);
  EXPECT_EQ(b.GetValue(), "abc");
}

TEST(Digest, CharsetToCodePage) {
  EXPECT_EQ(TextBuffer::CharsetToCodePage(204), 1251);
  EXPECT_EQ(TextBuffer::CharsetToCodePage(0), 1252);
  EXPECT_EQ(TextBuffer::CharsetToCodePage(128), 1252);
  EXPECT_EQ(TextBuffer::CharsetToCodePage(238), 1250);
  EXPECT_EQ(TextBuffer::CharsetToCodePage(204, true), 1252);
}

}  // namespace
}  // namespace textlib

namespace textlib {
namespace {

TEST(Digest, AnsiComparesAcrossEncodingsInTheSystemCodePage) {
  TextBuffer ansi;
  ansi.SetValue("España"_cp);
  TextBuffer utf8;
  utf8.SetValue(
      "Espa\xC3\xB1"
      "a");
  utf8.ENCODING = 1;
  EXPECT_TRUE(ansi.Equals(utf8, TextBuffer::kEqualsAcrossEncodings));
  EXPECT_TRUE(utf8.Equals(ansi, TextBuffer::kEqualsAcrossEncodings));
  EXPECT_FALSE(ansi.Equals(utf8));
  TextBuffer utf16;
  utf16.SetValue(std::string("E\0s\0p\0a\0\xF1\0a\0", 12));
  utf16.ENCODING = 2;
  EXPECT_TRUE(utf16.Equals(ansi, TextBuffer::kEqualsAcrossEncodings));
  EXPECT_TRUE(utf16.Equals(utf8, TextBuffer::kEqualsAcrossEncodings));
  EXPECT_TRUE(utf8.Equals("España"_cp, TextBuffer::kEqualsAcrossEncodings));
  utf16.ENDIAN = 1;
  EXPECT_FALSE(utf16.Equals(ansi, TextBuffer::kEqualsAcrossEncodings));
}

}  // namespace
}  // namespace textlib
