#include <gtest/gtest.h>

#include <string>

#include "platform/base/cp_literal.h"
#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;

BufferCase qpEncoding(std::string name, std::string value, std::string expected) {
  return BufferCase{std::move(name), std::move(value),
                    [](TextBuffer& b) {
                      b.QuotedPrintableEncode();
                      return std::string();
                    },
                    std::move(expected), ""};
}

BufferCase qpDecoding(std::string name, std::string value, std::string expected) {
  return BufferCase{std::move(name), std::move(value),
                    [](TextBuffer& b) {
                      b.QuotedPrintableDecode();
                      return std::string();
                    },
                    std::move(expected), ""};
}

// Decodes the words and gives the resulting encoding as the result.
BufferCase wordsDecoding(std::string name, std::string value, std::string expected,
                         std::string expectedEncoding) {
  return BufferCase{std::move(name), std::move(value),
                    [](TextBuffer& b) {
                      b.DecodeMimeWords();
                      return testing::num(b.ENCODING);
                    },
                    std::move(expected), std::move(expectedEncoding)};
}

class QuotedPrintable : public ::testing::TestWithParam<BufferCase> {};
TEST_P(QuotedPrintable, ChangesTheValue) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, QuotedPrintable,
    ::testing::Values(qpEncoding("SoftBreakAt72", std::string(100, 'a'),
                                 std::string(72, 'a') + "=\r\n" + std::string(28, 'a')),
                      qpEncoding("HighByte", "café"_cp, "caf=E9"),
                      qpEncoding("EqualsSign", "a=b", "a=3Db"),
                      qpEncoding("ControlsAndDelete", std::string("\x01\x7F\tx", 4), "=01=7F\tx"),
                      qpEncoding("LineFeedStartsAtOne",
                                 std::string(70, 'a') + "\r\n" + std::string(71, 'b') + "c",
                                 std::string(70, 'a') + "\r\n" + std::string(71, 'b') + "=\r\nc"),
                      qpEncoding("CarriageReturnKeptWithLineFeed", std::string(71, 'a') + "\r\nb",
                                 std::string(71, 'a') + "\r\nb"),
                      qpEncoding("BareCarriageReturnsDoNotHoldTheBreak",
                                 std::string(71, 'a') + "\r\r\rb",
                                 std::string(71, 'a') + "\r=\r\n\r\rb"),
                      qpEncoding("EscapeCrossesTheColumn", std::string(70, 'a') + "é"_cp + "b",
                                 std::string(70, 'a') + "=E9=\r\nb"),
                      qpDecoding("SoftBreak", "a=\r\nb", "ab"),
                      qpDecoding("BareLineFeedIsNoSoftBreak", "a=\nb", "a=\nb"),
                      qpDecoding("LowerCaseEscape", "caf=e9", "café"_cp),
                      qpDecoding("UnderscoreAndPlusStay", "a_b+c=3D", "a_b+c="),
                      qpDecoding("EscapeAtTheEnd", "ab=4", "ab=4")),
    testing::caseName);

TEST(QuotedPrintable, RoundTripOfEveryByte) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  all += all;
  TextBuffer b;
  b.SetValue(all);
  b.QuotedPrintableEncode();
  for (std::string_view rest = b.GetValueRef(); !rest.empty();) {
    const std::size_t end = rest.find('\n');
    EXPECT_LE(rest.substr(0, end).size(), 76u);  // 75 characters and a CR
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  b.QuotedPrintableDecode();
  EXPECT_EQ(b.GetValue(), all);
}

TEST(MimeWords, Encoding) {
  TextBuffer b;
  b.SetValue("a b_c?");
  b.EncodeMimeWord("utf-8  ", 2);
  EXPECT_EQ(b.GetValue(), "=?utf-8?Q?a_b=5Fc=3F?=");
  b.SetValue("a b_c?");
  b.EncodeMimeWord();
  EXPECT_EQ(b.GetValue(), "=?iso-8859-1?Q?a_b=5Fc=3F?=");
  b.SetValue("caf\xC3\xA9");
  b.EncodeMimeWord("utf-8", 1);
  EXPECT_EQ(b.GetValue(), "=?utf-8?B?Y2Fmw6k=?=");
  // An encoded word is decoded before it is encoded again.
  b.EncodeMimeWord("utf-8", 2);
  EXPECT_EQ(b.GetValue(), "=?utf-8?Q?caf=C3=A9?=");
  TextBuffer empty;
  empty.EncodeMimeWord("utf-8");
  EXPECT_EQ(empty.Length(), 0);
}

class MimeWordsDecoding : public ::testing::TestWithParam<BufferCase> {};
TEST_P(MimeWordsDecoding, ChangesTheValue) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, MimeWordsDecoding,
    ::testing::Values(
        wordsDecoding("Utf8Q", "=?utf-8?Q?caf=C3=A9?=", "caf\xC3\xA9", "1"),
        wordsDecoding("Latin1ToUtf8", "=?iso-8859-1?Q?caf=E9?=", "caf\xC3\xA9", "1"),
        wordsDecoding("Base64", "=?UTF-8?b?Y2Fmw6k=?=", "caf\xC3\xA9", "1"),
        wordsDecoding("FoldedWordsJoin", "=?utf-8?Q?a?=\r\n =?utf-8?Q?b?=", "ab", "1"),
        wordsDecoding("SpaceBetweenWordsStays", "=?utf-8?Q?a?= =?utf-8?Q?b?=", "a b", "1"),
        wordsDecoding("TextAroundWords", "Re: =?utf-8?Q?hola_t=C3=BA?=!", "Re: hola t\xC3\xBA!",
                      "1"),
        wordsDecoding("LongCharsetCut", "=?iso-8859-15?Q?=A4?=", "\xC2\xA4", "1"),
        wordsDecoding("UnlistedCharsetIsTheSystemOne", "=?windows-1252?Q?=80?=", "\xE2\x82\xAC",
                      "1"),
        wordsDecoding("Utf16Word", "=?utf-16?B?6QA=?=", "\xC3\xA9", "1"),
        wordsDecoding("OtherLetterStaysUndecoded", "x=?utf-8?X?abc?=y", "xutf-8?X?abcy", "1"),
        wordsDecoding("Unterminated", "=?utf-8?Q?abc", "=?utf-8?Q?abc", "1"),
        wordsDecoding("NoWords", "plain text", "plain text", "0")),
    testing::caseName);

TEST(Escapes, HexAndUnicodeEscapes) {
  TextBuffer b;
  b.SetValue("A\\x42C");
  b.DecodeEscapes();
  EXPECT_EQ(b.GetValue(), "ABC");
  b.SetValue("caf\\u00e9 \\u20AC");
  b.DecodeEscapes(0, 1);
  EXPECT_EQ(b.GetValue(), "caf\xC3\xA9 \xE2\x82\xAC");
  b.SetValue("caf\\u00e9 \\u20AC");
  b.DecodeEscapes(1252, 0);
  EXPECT_EQ(b.GetValue(), "caf\xE9 \x80");
  b.SetValue("\\x41\\u00e9");
  b.DecodeEscapes(0, 2);
  EXPECT_EQ(b.GetValue(), "A\\u00e9");
  // A decoded backslash may form a new escape with what follows.
  b.SetValue("\\x5cx41\\x");
  b.DecodeEscapes();
  EXPECT_EQ(b.GetValue(), std::string("A\0", 2));
}

// The one-pass decoder against the plain rule (find, replace, search again
// from just before the replacement) on random mixes of escape pieces.
TEST(Escapes, OnePassAgreesWithSearchAndReplace) {
  auto reference = [](std::string text) {
    std::size_t from = 0;
    for (std::size_t p; (p = text.find("\\x", from)) != std::string::npos;) {
      const std::string hex = text.substr(p + 2, 2);
      const auto value = static_cast<char>(TextBuffer::StringToLong(hex, 16) & 0xFF);
      text.replace(p, 2 + hex.size(), 1, value);
      from = p > 0 ? p - 1 : 0;
    }
    return text;
  };
  const char* pieces[] = {"\\", "x", "5c", "5C", "41", "4", "a", "\\x", "\\x5c"};
  unsigned seed = 7;
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (int i = 0; i < 12; ++i) {
      seed = seed * 1103515245 + 12345;
      text += pieces[(seed >> 16) % std::size(pieces)];
    }
    TextBuffer b;
    b.SetValue(text);
    b.DecodeEscapes(0, 2);
    ASSERT_EQ(b.GetValue(), reference(text)) << text;
  }
}

}  // namespace
}  // namespace textlib
