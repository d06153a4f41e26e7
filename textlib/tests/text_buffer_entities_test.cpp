#include <gtest/gtest.h>

#include <string>

#include "platform/base/cp_literal.h"
#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::num;

// The operation with the value's encoding set first.
auto decodeIn(int encoding) {
  return [encoding](TextBuffer& b) {
    b.ENCODING = static_cast<std::uint8_t>(encoding);
    return num(b.DecEntityToChar());
  };
}

class CharacterReferences : public ::testing::TestWithParam<BufferCase> {};
TEST_P(CharacterReferences, ChangeTheValue) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, CharacterReferences,
    ::testing::Values(
        BufferCase{"BytesAboveAscii", "café"_cp,
                   testing::changing([](TextBuffer& b) { b.CharsToEntities(-1, 999); }),
                   "caf&#233;", ""},
        BufferCase{"OneCodeEverywhere", "ABA",
                   testing::changing([](TextBuffer& b) { b.CharsToEntities(65, 65); }),
                   "&#65;B&#65;", ""},
        BufferCase{"ShortCodes",
                   std::string("\x01\x0A"
                               "c",
                               3),
                   testing::changing([](TextBuffer& b) { b.CharsToEntities(0, 127); }),
                   "&#1;&#10;&#99;", ""},
        BufferCase{"EmptyRange", "café"_cp,
                   testing::changing([](TextBuffer& b) { b.CharsToEntities(200, 100); }), "café"_cp,
                   ""},
        BufferCase{"NamedToNumeric", "a &lt; b &amp;&amp; c",
                   testing::changing([](TextBuffer& b) { b.NamedToNumericEntities(); }),
                   "a &#60; b &#38;&#38; c", ""},
        BufferCase{"NamedTellingRows", "&nbsp;&euro;&trade;&fnof;&apos;&AMP;&Alpha;&alpha;",
                   testing::changing([](TextBuffer& b) { b.NamedToNumericEntities(); }),
                   "&#160;&#8364;&#8482;&#402;&#39;&AMP;&#913;&#945;", ""},
        BufferCase{"AnsiDecimalAndHex", "x&#65;y&#x42;z", decodeIn(0), "xAyBz", "2"},
        BufferCase{"AnsiUpperX", "&#X4a;", decodeIn(0), "J", "1"},
        BufferCase{"AnsiRefusesUnicode", "&#8364;", decodeIn(0), "&#8364;", "0"},
        BufferCase{"EmptyDigits", "&#;", decodeIn(0), "&#;", "0"},
        BufferCase{"NotDigits", "&#12a;", decodeIn(0), "&#12a;", "0"},
        BufferCase{"EmptyHex", "&#x;", decodeIn(0), "&#x;", "0"},
        BufferCase{"SemicolonBeyondWindow", "&#1234567890;", decodeIn(0), "&#1234567890;", "0"},
        BufferCase{"DecodedAmpersandNotRescanned", "&#38;#65;", decodeIn(0), "&#65;", "1"},
        BufferCase{"Utf8TwoBytes", "&#233;", decodeIn(1), "\xC3\xA9", "1"},
        BufferCase{"Utf8ThreeBytes", "&#x20AC;", decodeIn(1), "\xE2\x82\xAC", "1"},
        BufferCase{"Utf8AboveBmp", "&#x1F600;", decodeIn(1), "\xF0\x9F\x98\x80", "1"},
        BufferCase{"Utf8SurrogateLeft", "&#xD800;", decodeIn(1), "&#xD800;", "0"},
        BufferCase{"Utf8BeyondUnicode", "&#x110000;", decodeIn(1), "&#x110000;", "0"},
        BufferCase{"Utf16Unit", "a&#x20AC;", decodeIn(2), "a\xAC\x20", "1"},
        BufferCase{"Utf16SurrogatePair", "&#128512;", decodeIn(2),
                   std::string("\x3D\xD8\x00\xDE", 4), "1"},
        BufferCase{"UnexpectedEncoding", "&#65;", decodeIn(4), "&#65;", "0"}),
    testing::caseName);

TEST(CharacterReferences, AnsiModeRecordsTheReferenceItCannotWrite) {
  TextBuffer b;
  b.SetValue("a&#8364;b&#66;");
  EXPECT_EQ(b.DecEntityToChar(), 1);
  EXPECT_EQ(b.GetValue(), "a&#8364;bB");
  EXPECT_NE(b.LASTERROR.find("String is in ANSI mode, but contains Unicode entity &#8364;"),
            std::string::npos)
      << b.LASTERROR;
}

TEST(CharacterReferences, NamedThenNumericGivesTheAnsiCharacter) {
  TextBuffer b;
  b.SetValue("caf&eacute; &Ntilde;");
  b.NamedToNumericEntities();
  EXPECT_EQ(b.DecEntityToChar(), 2);
  EXPECT_EQ(b.GetValue(), "café Ñ"_cp);
}

}  // namespace
}  // namespace textlib
