#include <gtest/gtest.h>

#include <string>

#include "platform/base/debug_sink.h"
#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::num;

BufferCase encoding(std::string name, std::string value, int options, std::string expected) {
  return {std::move(name), std::move(value),
          [options](TextBuffer& b) { return num(b.Base64Encode(options)); }, std::move(expected),
          "0"};
}

BufferCase decoding(std::string name, std::string value, std::string expected) {
  return {std::move(name), std::move(value), [](TextBuffer& b) { return num(b.Base64Decode()); },
          std::move(expected), "0"};
}

class Base64Cases : public ::testing::TestWithParam<BufferCase> {};
TEST_P(Base64Cases, Works) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, Base64Cases,
    ::testing::Values(encoding("ThreeBytes", "Man", 0, "TWFu"),
                      encoding("TwoBytes", "Ma", 0, "TWE="), encoding("OneByte", "M", 0, "TQ=="),
                      encoding("TwoBytesUnpadded", "Ma", 2, "TWE"),
                      encoding("OneByteUnpadded", "M", 2, "TQ"),
                      encoding("UrlSafe", "\xFB\xFF", 4, "-_8="),
                      encoding("Standard", "\xFB\xFF", 0, "+/8="), encoding("Empty", "", 0, ""),
                      decoding("Plain", "TWFu", "Man"), decoding("LineBreak", "TW\r\nFu", "Man"),
                      decoding("Spaces", "T W F u", "Man"), decoding("Unpadded", "TQ", "M"),
                      decoding("Padded", "TWE=", "Ma"), decoding("UrlAlphabet", "-_8=", "\xFB\xFF"),
                      decoding("MixedAlphabets", "+_8", "\xFB\xFF"),
                      decoding("PadInsideCounts", "TQ==TWFu", std::string("M\0\0M", 4)),
                      decoding("EmptyDecodes", "", "")),
    testing::caseName);

std::string bytes(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s.push_back(static_cast<char>(i * 7 + 3));
  return s;
}

TEST(Base64, LinesBreakAfterSeventySixSymbolsButNotAtTheEnd) {
  TextBuffer b;
  b.SetValue(bytes(57));
  b.Base64Encode();
  EXPECT_EQ(b.Length(), 76);
  EXPECT_EQ(b.GetValue().find('\r'), std::string::npos);

  TextBuffer c;
  c.SetValue(bytes(58));
  c.Base64Encode();
  const std::string text = c.GetValue();
  ASSERT_EQ(text.size(), 82u);
  EXPECT_EQ(text.substr(76, 2), "\r\n");
  EXPECT_EQ(text.substr(0, 76), b.GetValue());
}

TEST(Base64, RoundTripsEveryLengthInEveryOption) {
  for (int options : {0, 1, 2, 4, 6}) {
    for (int n = 1; n < 300; n += 7) {
      TextBuffer b;
      b.SetValue(bytes(n));
      b.Base64Encode(options);
      EXPECT_EQ(b.BASE64, 1);
      b.Base64Decode();
      EXPECT_EQ(b.GetValue(), bytes(n)) << "options " << options << " length " << n;
      EXPECT_EQ(b.BASE64, 0);
    }
  }
}

TEST(Base64, RefusesToEncodeTwiceUntilDecoded) {
  rt::DebugCapture capture;
  TextBuffer b;
  b.SetValue("Man");
  b.Base64Encode();
  EXPECT_EQ(b.Base64Encode(), 0);
  EXPECT_EQ(b.GetValue(), "TWFu");
  ASSERT_FALSE(capture.lines().empty());
  EXPECT_NE(capture.lines().back().find(
                "Base64Encode: String is Already base 64 encoded : base64 property is true"),
            std::string::npos);
  b.Base64Decode();
  b.Base64Encode();
  EXPECT_EQ(b.GetValue(), "TWFu");
  b.SetValue("Ma");
  EXPECT_EQ(b.BASE64, 0);
}

TEST(Base64, UrlSafeOptionStaysUntilTheNextCall) {
  TextBuffer b;
  b.SetValue("\xFB\xFF");
  b.Base64Encode(TextBuffer::kBase64UrlSafe);
  EXPECT_EQ(b.BASE64URLSAFE, 1);
  EXPECT_EQ(b.BASE64NOWRAP, 0);
  b.SetValue("\xFB\xFF");
  b.Base64Encode();
  EXPECT_EQ(b.GetValue(), "+/8=");
  EXPECT_EQ(b.BASE64URLSAFE, 0);
}

TEST(Base64, BufferFormsTruncateAndSay) {
  TextBuffer b;
  b.SetValue("Man");
  char out[3] = {};
  int length = 0;
  EXPECT_EQ(b.Base64Encode(out, 3, length), 1);
  EXPECT_EQ(length, 3);
  EXPECT_EQ(std::string(out, 3), "TWF");
  EXPECT_EQ(b.LASTERROR,
            "The passed string of length 3 was not large enough to hold Base64 encoded data of "
            "length 4. The data has been truncated to 3.");

  b.SetValue("TWFu");
  length = 0;
  EXPECT_EQ(b.Base64Decode(out, 2, length), 1);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(std::string(out, 2), "Ma");
  EXPECT_EQ(b.LASTERROR,
            "The passed string of length 2 was not large enough to hold the Base64 decoded data "
            "of length 3. The data has been truncated.");

  length = 2;  // only the first two characters
  EXPECT_EQ(b.Base64Decode(out, 3, length), 0);
  EXPECT_EQ(length, 1);
  EXPECT_EQ(out[0], 'M');
}

TEST(Base64, DecodingAnEmptyValueClearsTheFlag) {
  TextBuffer b;
  b.BASE64 = 1;
  EXPECT_EQ(b.Base64Decode(), 0);
  EXPECT_EQ(b.BASE64, 0);
}

}  // namespace
}  // namespace textlib
