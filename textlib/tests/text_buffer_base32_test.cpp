#include <gtest/gtest.h>

#include <string>

#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::num;

BufferCase encode32(std::string name, std::string value, int options, std::string expected,
                    std::string alphabet = {}) {
  return {std::move(name), std::move(value),
          [options, alphabet](TextBuffer& b) { return num(b.Base32Encode(alphabet, options)); },
          std::move(expected), "0"};
}

// The value afterwards, the result, and the error recorded.
BufferCase decode32(std::string name, std::string value, int options, std::string expected,
                    std::string error = " ", std::string alphabet = {}) {
  const std::string result = error == " " ? "0" : "1";
  return {std::move(name), std::move(value),
          [options, alphabet](TextBuffer& b) {
            return num(b.Base32Decode(alphabet, options)) + "|" + b.LASTERROR;
          },
          std::move(expected), result + "|" + error};
}

class Base32Cases : public ::testing::TestWithParam<BufferCase> {};
TEST_P(Base32Cases, Works) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, Base32Cases,
    ::testing::Values(
        encode32("OneByte", "f", 0, "MY======"), encode32("TwoBytes", "fo", 0, "MZXQ===="),
        encode32("SixBytes", "foobar", 0, "MZXW6YTBOI======"),
        encode32("SixBytesUnpadded", "foobar", 2, "MZXW6YTBOI"),
        encode32("OwnAlphabet", "f", 0, "my######", "abcdefghijklmnopqrstuvwxyz234567#"),
        BufferCase{"AlphabetOfWrongLength", "f",
                   [](auto& b) { return num(b.Base32Encode("ABC")) + "|" + b.LASTERROR; }, "",
                   "1|Provided alphabet is incorrect length"},
        decode32("Foob", "MZXW6YT=", 0, "foob"),
        decode32("Foobar", "MZXW6YTBOI======", 0, "foobar"),
        decode32("LineBreaks", "MZXW\r\n6YT=", 0, "foob"),
        decode32("TwoPads", "MZXW6Y==", 0, "", "Invalid number of padding characters found"),
        decode32("PadTooEarly", "MY======MY======", 0, "", "Invalid padding character \"=\" found"),
        decode32("ForeignCharacter", "MZXW6YT!", 0, "", "Invalid character found"),
        decode32("ForeignCharacterLenient", "MZXW6YT!", 16, "foob"),
        decode32("NotAMultipleOfEight", "MZXW6YTBO", 0, "",
                 "Cleaned input is not a multiple of 8 characters"),
        decode32("LowerCaseDetected", "mzxw6ytboi======", 1, "foobar"),
        decode32("ExtendedHexDetected", "CPNMUOJ1E8======", 1, "foobar"),
        decode32("NothingDetected", "M@XW6YT=", 1, "", "Unable to detect base32 encoding"),
        decode32("NothingLeft", "\r\n", 0, ""),
        decode32("AlphabetWithSpace", "MY======", 0, "",
                 "Alphabet contains a formatting character (CR LF space tab)",
                 "ABCDEFGHIJKLMNOPQRSTUVWXYZ23456 "),
        decode32("PadInAlphabet", "MY======", 0, "", "Pad character \"A\" was included in alphabet",
                 "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567A"),
        decode32("LetterPad", "MY======", 0, "", "Invalid Pad character \"x\"",
                 "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567x")),
    testing::caseName);

BufferCase encode85(std::string name, std::string value, int options, std::string expected) {
  return {std::move(name), std::move(value),
          [options](TextBuffer& b) {
            b.Ascii85Encode(options);
            return std::string();
          },
          std::move(expected), ""};
}

BufferCase decode85(std::string name, std::string value, std::string expected, int result = 0) {
  return {std::move(name), std::move(value), [](TextBuffer& b) { return num(b.Ascii85Decode()); },
          std::move(expected), num(result)};
}

class Ascii85Cases : public ::testing::TestWithParam<BufferCase> {};
TEST_P(Ascii85Cases, Works) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, Ascii85Cases,
    ::testing::Values(
        encode85("ZeroGroup", std::string(4, '\0'), 0, "z"),
        encode85("ZeroGroupDelimited", std::string(4, '\0'), 8, "<~z~>"),
        encode85("ThreeZeros", std::string(3, '\0'), 0, "!!!!"), encode85("Spaces", "    ", 0, "y"),
        encode85("SpacesDelimited", "    ", 8, "<~+<VdL~>"), encode85("Text", "Man ", 0, "9jqo^"),
        encode85("Short", "Ma", 0, "9jn"), decode85("TextBack", "9jqo^", "Man "),
        decode85("Delimited", "<~9jqo^~>", "Man "),
        decode85("Abbreviations", "zy", std::string(4, '\0') + "    "),
        decode85("ShortGroup", "9jn", "Ma"), decode85("SkipsWhitespace", "9j\r\nqo ^", "Man "),
        decode85("LoneDigitDropped", "9jqo^9", "Man "), decode85("TildeInside", "9jq~", "9jq~", 4),
        decode85("ZInsideGroup", "9jz", "9jz", 3),
        decode85("DelimitedError", "<~9jq\x7F~>", "<~9jq\x7F", 6),
        decode85("BeyondThirtyTwoBits", "uuuuu", "uuuuu", 5)),
    testing::caseName);

std::string bytes(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s.push_back(static_cast<char>(i * 13 + 1));
  return s;
}

TEST(Base32And85, RoundTripsAndLineBreaks) {
  for (int n = 1; n < 200; n += 11) {
    TextBuffer b;
    b.SetValue(bytes(n));
    b.Base32Encode();
    EXPECT_EQ(b.Base32Decode(), 0);
    EXPECT_EQ(b.GetValue(), bytes(n)) << n;
    b.Ascii85Encode(8);
    EXPECT_TRUE(b.GetValue().ends_with("~>"));
    EXPECT_EQ(b.Ascii85Decode(), 0);
    EXPECT_EQ(b.GetValue(), bytes(n)) << n;
  }
  TextBuffer b;
  b.SetValue(bytes(100));
  b.Base32Encode();
  EXPECT_EQ(b.GetValue().substr(75, 2), "\r\n");
  // 56 bytes give 70 digits; with the delimiters the closing ">" would start a line.
  b.SetValue(std::string(56, 'a'));
  b.Ascii85Encode(8);
  EXPECT_TRUE(b.GetValue().ends_with("~>"));
  EXPECT_FALSE(b.GetValue().ends_with("\r\n>"));
}

}  // namespace
}  // namespace textlib
