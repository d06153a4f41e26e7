#include <gtest/gtest.h>

#include <string>

#include "platform/base/cp_literal.h"
#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::num;

auto xmlEncode(int options) {
  return testing::changing([options](TextBuffer& b) { b.XmlEncode(options); });
}
auto jsonEncode(int options) {
  return testing::changing([options](TextBuffer& b) { b.JsonEncode(options); });
}
auto jsonDecodeIn(int encoding) {
  return [encoding](TextBuffer& b) {
    b.ENCODING = static_cast<std::uint8_t>(encoding);
    b.CODEPAGE = 1252;
    return num(b.JsonDecode());
  };
}

class Escaping : public ::testing::TestWithParam<BufferCase> {};
TEST_P(Escaping, ChangesTheValue) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Xml, Escaping,
    ::testing::Values(
        BufferCase{"Plain", "a<b & c \"d\" 'e'>", xmlEncode(0),
                   "a&lt;b &amp; c &quot;d&quot; &apos;e&apos;&gt;", ""},
        BufferCase{"PlainEscapesEntities", "&amp;", xmlEncode(0), "&amp;amp;", ""},
        BufferCase{"KeepReferences", "&amp;&#65;&#x41;&copy;",
                   xmlEncode(TextBuffer::kXmlKeepReferences), "&amp;&#65;&#x41;&amp;copy;", ""},
        BufferCase{"KeepNumericOnly", "&lt;&#65;", xmlEncode(TextBuffer::kXmlKeepNumericReferences),
                   "&amp;lt;&#65;", ""},
        BufferCase{"AmpersandWithoutSemicolon", "a & b &#65",
                   xmlEncode(TextBuffer::kXmlKeepReferences), "a &amp; b &amp;#65", ""},
        BufferCase{"AmpersandBeforeLaterReference", "a & b;",
                   xmlEncode(TextBuffer::kXmlKeepReferences), "a &amp; b;", ""},
        BufferCase{"Percent", "5%", xmlEncode(TextBuffer::kXmlEscapePercent), "5&#37;", ""},
        BufferCase{"ZeroByte", std::string("a\0b", 3), xmlEncode(0), "a&#0;b", ""},
        BufferCase{"HighBytes", "café"_cp, xmlEncode(TextBuffer::kXmlEscapeHighBytes), "caf&#233;",
                   ""},
        BufferCase{"HighBytesKeptWithout", "café"_cp, xmlEncode(0), "café"_cp, ""},
        BufferCase{"Decode", "&lt;b&gt; &quot;&apos;",
                   testing::changing([](TextBuffer& b) { b.XmlDecode(); }), "<b> \"'", ""},
        BufferCase{"DecodeOneLevel", "&amp;lt;",
                   testing::changing([](TextBuffer& b) { b.XmlDecode(); }), "&lt;", ""},
        BufferCase{"DecodeOneLevelAfterAmpersand", "&amp;quot;&amp;apos;&amp;amp;",
                   testing::changing([](TextBuffer& b) { b.XmlDecode(); }), "&quot;&apos;&amp;",
                   ""}),
    testing::caseName);

INSTANTIATE_TEST_SUITE_P(
    Json, Escaping,
    ::testing::Values(
        BufferCase{"QuoteBackslashLineFeed", "a\"b\\c\nd", jsonEncode(0), "a\\\"b\\\\c\\nd", ""},
        BufferCase{"ScriptEnd", "</script>", jsonEncode(0), "<\\/script>", ""},
        BufferCase{"Controls", std::string("\x01\x08\x09\x0B\x0C\x0D\x1F", 7), jsonEncode(0),
                   "\\u0001\\b\\t\\u000b\\f\\r\\u001f", ""},
        BufferCase{"LessThan", "<a>", jsonEncode(TextBuffer::kJsonEscapeLessThan), "\\u003Ca>", ""},
        BufferCase{"HighBytesUntouched", "\xE9\x7F", jsonEncode(0), "\xE9\x7F", ""},
        BufferCase{"DecodeUtf8", "a\\u00e9", jsonDecodeIn(1), "a\xC3\xA9", "0"},
        BufferCase{"DecodeAnsiDirect", "a\\u00e9", jsonDecodeIn(0), "aé"_cp, "0"},
        BufferCase{"DecodeAnsiThroughCodePage", "\\u20AC", jsonDecodeIn(0), "€"_cp, "0"},
        BufferCase{"DecodeSimpleEscapes", "\\\"\\/\\\\\\b\\f\\n\\r\\t", jsonDecodeIn(0),
                   "\"/\\\b\f\n\r\t", "0"},
        BufferCase{"DecodeInvalidEscape", "a\\q", jsonDecodeIn(0), "a\\q", "2"},
        BufferCase{"DecodeCutUnicode", "ab\\u12", jsonDecodeIn(1), "ab\\u12", "3"},
        BufferCase{"DecodeBadHexDigit", "\\u00g1", jsonDecodeIn(1), "\\u00g1", "1"},
        BufferCase{"DecodeTrailingBackslash", "a\\", jsonDecodeIn(0), "a\\", "0"},
        BufferCase{"DecodeUtf16Digits",
                   std::string("\\u0\x00"
                               "0\x00"
                               "4\x00"
                               "1\x00",
                               10),
                   jsonDecodeIn(2),
                   std::string("\x00"
                               "A",
                               2),
                   "0"}),
    testing::caseName);

INSTANTIATE_TEST_SUITE_P(
    Csv, Escaping,
    ::testing::Values(
        BufferCase{"QuoteCommaAndQuote", "a,\"b\"", [](auto& b) { return b.CsvQuote(); },
                   "\"a,\"\"b\"\"\"", "\"a,\"\"b\"\"\""},
        BufferCase{"QuoteLineFeed", "a\nb", [](auto& b) { return b.CsvQuote(); }, "\"a\nb\"",
                   "\"a\nb\""},
        BufferCase{"NothingToQuote", "plain text", [](auto& b) { return b.CsvQuote(); },
                   "plain text", "plain text"},
        BufferCase{"OtherSeparator", "a;b", [](auto& b) { return b.CsvQuoteWith(";", ""); },
                   "\"a;b\"", "\"a;b\""},
        BufferCase{"CommaWithOtherSeparator", "a,b",
                   [](auto& b) { return b.CsvQuoteWith("; ", ""); }, "a,b", "a,b"},
        BufferCase{"EmptySeparatorIsComma", "a,b", [](auto& b) { return b.CsvQuoteWith("", ""); },
                   "\"a,b\"", "\"a,b\""},
        BufferCase{"DefaultLineEndIsCrLf", "a\nb", [](auto& b) { return b.CsvQuoteWith(";", ""); },
                   "a\nb", "a\nb"},
        BufferCase{"GivenLineEnd", "a\nb", [](auto& b) { return b.CsvQuoteWith(";", "\n"); },
                   "\"a\nb\"", "\"a\nb\""},
        BufferCase{"AlwaysQuote", "ab", [](auto& b) { return b.CsvQuoteWith(";", "", true); },
                   "\"ab\"", "\"ab\""},
        BufferCase{"Unquote", "\"a,\"\"b\"\"\"", [](auto& b) { return b.CsvUnquote(); }, "a,\"b\"",
                   "a,\"b\""},
        BufferCase{"UnquoteOneQuote", "\"", [](auto& b) { return b.CsvUnquote(); }, "\"", "\""},
        BufferCase{"UnquoteUnquoted", "ab", [](auto& b) { return b.CsvUnquote(); }, "ab", "ab"},
        BufferCase{"UnquoteEmpty", "", [](auto& b) { return b.CsvUnquote(); }, "", ""}),
    testing::caseName);

TEST(Escaping, TextFormsLeaveTheValueAlone) {
  TextBuffer b;
  b.SetValue("kept");
  EXPECT_EQ(TextBuffer::CsvQuoteText("x,y"), "\"x,y\"");
  EXPECT_EQ(TextBuffer::CsvQuoteTextWith("x;y", ";", "", false), "\"x;y\"");
  EXPECT_EQ(TextBuffer::CsvUnquoteText("\"x\"\"y\""), "x\"y");
  EXPECT_EQ(b.GetValue(), "kept");
}

TEST(Escaping, CsvRoundTrip) {
  for (std::string field : {"", "a", "a,b", "\"", "say \"hi\"\r\n", "\"\""}) {
    EXPECT_EQ(TextBuffer::CsvUnquoteText(TextBuffer::CsvQuoteTextWith(field, ",", "", true)),
              field);
  }
}

TEST(Escaping, JsonRoundTrip) {
  TextBuffer b;
  const std::string text = std::string("q\"\\/</x>\x01\x1F\t\r\n\b\f", 15);
  b.SetValue(text);
  b.JsonEncode(TextBuffer::kJsonEscapeLessThan);
  b.ENCODING = 1;
  EXPECT_EQ(b.JsonDecode(), 0);
  EXPECT_EQ(b.GetValue(), text);
}

TEST(Escaping, JsonDecodeSetsTheSystemCodePageWhenNoneIsSet) {
  TextBuffer b;
  b.SetValue("\\u00e9");
  b.CODEPAGE = 0;
  EXPECT_EQ(b.JsonDecode(), 0);
  EXPECT_EQ(b.CODEPAGE, TextBuffer::CharsetToCodePage(0, true));
}

}  // namespace
}  // namespace textlib
