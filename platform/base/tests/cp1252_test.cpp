#include "platform/base/cp1252.h"

#include <gtest/gtest.h>

#include "platform/base/cp_literal.h"

namespace {

TEST(Cp1252, SpanishTextRoundTrips) {
  const std::string utf8 = "Año, señor Núñez: €12 — «ok» ü";
  const std::string ansi = rt::utf8ToCp1252(utf8);
  EXPECT_EQ(ansi,
            "A\xF1o, se\xF1or N\xFA\xF1"
            "ez: \x80"
            "12 \x97 \xABok\xBB \xFC");
  EXPECT_EQ(rt::cp1252ToUtf8(ansi), utf8);
}

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(rt::utf8ToCp1252(rt::cp1252ToUtf8(all)), all);
}

TEST(Cp1252, UnmappableAndMalformedInput) {
  EXPECT_EQ(rt::utf8ToCp1252("日本"), "??");
  EXPECT_EQ(rt::utf8ToCp1252("\xF0\x9F\x98\x80x"), "?x");
  // A stray byte that is not UTF-8 is kept as the CP1252 byte it is.
  EXPECT_EQ(rt::utf8ToCp1252("Núñez"_cp), "Núñez"_cp);
}

TEST(Cp1252, FixedWidthFields) {
  EXPECT_EQ(rt::fixedWidth("abc", 5), "abc  ");
  EXPECT_EQ(rt::fixedWidth("abcdef", 4), "abcd");
  EXPECT_EQ(rt::fixedWidth("", 0), "");
  EXPECT_EQ(rt::clip("ab  "), "ab");
  EXPECT_EQ(rt::clip("   "), "");
  EXPECT_EQ(rt::clip(" a"), " a");
}

}  // namespace
