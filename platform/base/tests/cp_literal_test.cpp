#include "platform/base/cp_literal.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/base/cp1252.h"

namespace {

// The compile-time literal must agree with the run-time codec on every
// character it accepts, including the 0x80-0x9F block.
TEST(CpLiteral, AgreesWithTheRuntimeCodec) {
  constexpr std::string_view spanish = "Código: Año, señor Núñez — €12 «ok» ü Ñ"_cp;
  EXPECT_EQ(std::string(spanish), rt::utf8ToCp1252("Código: Año, señor Núñez — €12 «ok» ü Ñ"));
  EXPECT_EQ(std::string("Œ‰Ÿž"_cp), rt::utf8ToCp1252("Œ‰Ÿž"));
}

TEST(CpLiteral, BehavesLikeAPlainLiteral) {
  static_assert(sizeof("Código"_cp) == 7);
  static_assert("ñ"_cp[0] == '\xF1' && "ñ"_cp[1] == '\0');
  const char* pointer = "Sin Restricción"_cp;
  std::string text = "Sin Restricción"_cp;
  EXPECT_STREQ(pointer, text.c_str());
  EXPECT_EQ(pointer, static_cast<const char*>("Sin Restricción"_cp));  // one static array
  EXPECT_EQ(std::string(""_cp), "");
}

}  // namespace
