#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/base/cp_literal.h"
#include "platform/base/debug_sink.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

// "Años de niñez: ¡qué pingüino!" in each encoding.
const std::string kSpanishAnsi =
    "A\xF1os de ni\xF1"
    "ez: \xA1qu\xE9 ping\xFCino! \x80";
const std::string kSpanishUtf8 =
    "A\xC3\xB1os de ni\xC3\xB1"
    "ez: \xC2\xA1qu\xC3\xA9 ping\xC3\xBCino! \xE2\x82\xAC";
const std::u16string kSpanishUtf16 =
    u"A\u00F1os de ni\u00F1ez: \u00A1qu\u00E9 ping\u00FCino! \u20AC";

std::string bytesOf(const std::u16string& text, bool bigEndian = false) {
  std::string out;
  for (char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  }
  return out;
}

TEST(CodePages, SpanishTextRoundTripsThroughUtf8AndUtf16) {
  TextBuffer b;
  b.SetValue(kSpanishAnsi);
  EXPECT_EQ(b.ToUnicode(1), 1);
  EXPECT_EQ(b.ENCODING, 1);
  EXPECT_EQ(b.GetValue(), kSpanishUtf8);
  EXPECT_EQ(b.ToUnicode(2), 1);
  EXPECT_EQ(b.ENCODING, 2);
  EXPECT_EQ(b.GetValue(), bytesOf(kSpanishUtf16));
  EXPECT_EQ(b.ToUnicode(1), 1);
  EXPECT_EQ(b.GetValue(), kSpanishUtf8);
  EXPECT_EQ(b.ToAnsi(), 1);
  EXPECT_EQ(b.ENCODING, 0);
  EXPECT_EQ(b.GetValue(), kSpanishAnsi);

  b.ToUnicode(2, 1252);
  EXPECT_EQ(b.ToAnsi(), 1);
  EXPECT_EQ(b.GetValue(), kSpanishAnsi);
}

TEST(CodePages, BigEndianUtf16ComesOutCorrect) {
  TextBuffer b;
  b.SetValue(bytesOf(kSpanishUtf16, true));
  b.ENCODING = 2;
  b.ENDIAN = 1;
  b.ToUnicode(1);
  EXPECT_EQ(b.GetValue(), kSpanishUtf8);
  EXPECT_EQ(b.ENDIAN, 0);

  b.SetValue(bytesOf(kSpanishUtf16, true));
  b.ENCODING = 2;
  b.ENDIAN = 1;
  EXPECT_EQ(b.ToAnsi(), 1);
  EXPECT_EQ(b.GetValue(), kSpanishAnsi);
}

TEST(CodePages, AByteOrderMarkSaysTheEncodingAndGoes) {
  TextBuffer b;
  b.SetValue("\xEF\xBB\xBF" + kSpanishUtf8);
  EXPECT_EQ(b.ToAnsi(), 1);
  EXPECT_EQ(b.GetValue(), kSpanishAnsi);
  b.SetValue("\xFE\xFF" + bytesOf(kSpanishUtf16, true));
  EXPECT_EQ(b.ToAnsi(), 1);
  EXPECT_EQ(b.GetValue(), kSpanishAnsi);
  EXPECT_EQ(b.ENDIAN, 0);
}

TEST(CodePages, CompatibilityCharactersAndMissingCharactersInAnsi) {
  TextBuffer b;
  b.SetValue(
      "\xEF\xAC\x81"
      "n \xCE\xB1 \xEF\xBC\xA1");  // ligature fi, alpha, full-width A
  EXPECT_EQ(b.ToAnsi(1), 1);
  EXPECT_EQ(b.GetValue(), "fin ? A");
  b.SetValue("\xE2\x82\xAC\xC3\xB1");
  b.ToAnsi(1, 20127);
  EXPECT_EQ(b.GetValue(), "??");
  b.SetValue("\xE2\x82\xAC\xC3\xB1");
  b.ToAnsi(1, 28605);  // ISO-8859-15 has the euro sign at 0xA4
  EXPECT_EQ(b.GetValue(), "\xA4\xF1");
}

TEST(CodePages, IllFormedUtf8BecomesReplacementCharacters) {
  TextBuffer b;
  b.SetValue(
      "a\xC3"
      "b");
  b.ENCODING = 1;
  b.ToUnicode(2);
  EXPECT_EQ(b.GetValue(), bytesOf(u"a\uFFFDb"));
}

TEST(CodePages, ConversionsThatCannotHappen) {
  TextBuffer b;
  b.SetValue("abc");
  b.ENCODING = 1;
  EXPECT_EQ(b.ToUnicode(1), 1);
  EXPECT_EQ(b.GetValue(), "abc");
  EXPECT_EQ(b.ENCODING, 1);
  EXPECT_EQ(b.ToAnsi(0), 1);

  b.ENCODING = 0;
  rt::DebugCapture capture;
  EXPECT_EQ(b.ToUnicode(3), 0);
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_NE(capture.lines()[0].find("ToUnicode: invalid encoding"), std::string::npos);
  EXPECT_EQ(b.ToAnsi(), 0);  // already ANSI

  // An unknown code page: nothing converted, the value kept, the error recorded.
  EXPECT_EQ(b.ToUnicode(1, 12345), 1);
  EXPECT_EQ(b.ENCODING, 0);
  EXPECT_EQ(b.GetValue(), "abc");
  EXPECT_EQ(b.LASTERROR, "There is no data to convert, the string length is zero");

  int count = -1;
  const BufferRef none = b.Utf16ToAnsi(0, "", 1252, -1, count);
  EXPECT_EQ(none.address, nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(b.LASTERROR,
            "Cannot convert he string to ANSI, the length is zero, or an error occured "
            "calculating the length");
}

TEST(CodePages, LowLevelConversionsCountTheirUnits) {
  TextBuffer b;
  int count = 0;
  BufferRef wide = b.AnsiToUtf16(3, "añb"_cp, 1252, count);
  ASSERT_NE(wide.address, nullptr);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(std::string(wide.address, wide.size), bytesOf(u"a\u00F1b"));
  // Up to and including the first zero unit.
  const std::string terminated = bytesOf(std::u16string(u"x\u00E9\0y", 4));
  BufferRef utf8 = b.Utf16To8(static_cast<int>(terminated.size()), terminated.data(), -1, count);
  EXPECT_EQ(std::string(utf8.address, utf8.size), std::string("x\xC3\xA9\0", 4));
  EXPECT_EQ(count, 4);
  std::free(wide.address);
  std::free(utf8.address);
  BufferRef ascii = b.AsciiToUtf8(2, "ok", count);
  EXPECT_EQ(std::string(ascii.address, ascii.size), "ok");
  std::free(ascii.address);
}

TEST(CodePages, CharsetNames) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"iso-8859-1", 28591},  {"ISO_8859-1", 28591},  {"88591", 28591},
      {"utf-8", 65001},       {"windows-1252", 1252}, {"cp1252", 0},
      {"Win1250", 1250},      {"us-ascii", 20127},    {"ASCII", 20127},
      {"iso-8859-15", 28605}, {"ISO-8859-13", 28603}, {"8859-9", 28599},
      {"utf-7", 65000},       {"iso-8859-10", 0},     {"", 0},
      {"koi8-r", 0}};
  for (const auto& [name, codePage] : cases) {
    EXPECT_EQ(TextBuffer::CharsetNameToCodePage(name), codePage) << name;
  }
}

TEST(CodePages, Utf8Validation) {
  const std::vector<std::pair<std::string, int>> cases = {{"", 1},
                                                          {"\xC3", 0},
                                                          {"caf\xC3\xA9", 1},
                                                          {"\xC0\xAF", 0},
                                                          {"\xED\xA0\x80", 0},
                                                          {"\xF4\x90\x80\x80", 0},
                                                          {"\xF0\x9F\x98\x80", 1}};
  for (const auto& [text, valid] : cases) {
    TextBuffer b;
    b.SetValue(text);
    EXPECT_EQ(b.IsValidUtf8(), valid) << ::testing::PrintToString(text);
  }
}

TEST(CodePages, CodeUnitToUtf8) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {std::string("A\0", 2), "A"},
      {"é"_cp, "\xC3\xA9"},
      {std::string("\xAC\x20", 2), "\xE2\x82\xAC"},
      {std::string("\x00\xD8", 2), "\xED\xA0\x80"},  // a lone surrogate, unit by unit
  };
  for (const auto& [unit, expected] : cases) {
    int length = 0;
    EXPECT_EQ(TextBuffer::CodeUnitToUtf8(unit, length), expected);
    EXPECT_EQ(length, static_cast<int>(expected.size()));
  }
}

TEST(CodePages, OemRoundTripKeepsTheSpanishLetters) {
  const std::string letters = "abc\xF1\xD1\xE1\xE9\xED\xF3\xFA\xC1\xC9\xCD\xD3\xDA\xFC\xDC\xBF\xA1";
  TextBuffer b;
  b.SetValue(letters);
  b.AnsiToOem();
  EXPECT_EQ(b.GetValue().substr(0, 5), "abc\xA4\xA5");  // n with tilde in the OEM code page
  b.OemToAnsi();
  EXPECT_EQ(b.GetValue(), letters);
}

TEST(CodePages, BlocksNeverCutASequence) {
  // Byte 10,000,000 is the lead byte of a two-byte sequence.
  std::string value(9999999, 'a');
  value += "\xC3\xA9";
  value.append(25000000 - value.size(), 'b');
  TextBuffer b;
  b.SetValue(value);
  EXPECT_EQ(b.ToAnsiInBlocks(1, 1252, 1), 1);
  EXPECT_EQ(b.ENCODING, 0);
  ASSERT_EQ(b.Length(), 24999999);
  const std::string_view result = b.GetValueRef();
  EXPECT_EQ(result.substr(9999998, 3), "aéb"_cp);
  EXPECT_EQ(result.find('?'), std::string_view::npos);
}

TEST(CodePages, EqualsAcrossEncodings) {
  TextBuffer ansi;
  ansi.SetValue("Peña"_cp);
  TextBuffer utf8;
  utf8.SetValue(
      "Pe\xC3\xB1"
      "a");
  utf8.ENCODING = 1;
  TextBuffer utf16;
  utf16.SetValue(bytesOf(u"Pe\u00F1a"));
  utf16.ENCODING = 2;
  EXPECT_TRUE(ansi.Equals(utf8, TextBuffer::kEqualsAcrossEncodings));
  EXPECT_TRUE(utf8.Equals(ansi, TextBuffer::kEqualsAcrossEncodings));
  EXPECT_TRUE(utf16.Equals(utf8, TextBuffer::kEqualsAcrossEncodings));
  EXPECT_TRUE(utf16.Equals(ansi, TextBuffer::kEqualsAcrossEncodings));
  EXPECT_TRUE(
      utf8.Equals("Peña  "_cp, TextBuffer::kEqualsAcrossEncodings | TextBuffer::kEqualsClip));
  EXPECT_FALSE(utf8.Equals("PEÑA"_cp, TextBuffer::kEqualsAcrossEncodings));
  EXPECT_TRUE(
      utf8.Equals("PEÑA"_cp, TextBuffer::kEqualsAcrossEncodings | TextBuffer::kEqualsNoCase));

  // Ignoring case on Unicode values folds Unicode case, UTF-16 on both sides included.
  TextBuffer upper16;
  upper16.SetValue(bytesOf(u"PE\u00D1A"));
  upper16.ENCODING = 2;
  EXPECT_FALSE(upper16.Equals(utf16));
  EXPECT_TRUE(upper16.Equals(utf16, TextBuffer::kEqualsNoCase));
  EXPECT_TRUE(utf16.Equals(utf16, TextBuffer::kEqualsNoCase));
  EXPECT_FALSE(upper16.Equals(utf8, TextBuffer::kEqualsNoCase));  // lengths differ
  EXPECT_TRUE(upper16.Equals(utf8, TextBuffer::kEqualsNoCase | TextBuffer::kEqualsAcrossEncodings));
  EXPECT_FALSE(upper16.Equals(utf8, TextBuffer::kEqualsAcrossEncodings));
  TextBuffer other16;
  other16.SetValue(bytesOf(u"PENA"));
  other16.ENCODING = 2;
  EXPECT_FALSE(other16.Equals(utf16, TextBuffer::kEqualsNoCase));
  EXPECT_FALSE(other16.Equals(utf16, TextBuffer::kEqualsAcrossEncodings));
}

}  // namespace
}  // namespace textlib
