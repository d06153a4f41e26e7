// The steps of an alphabetic thumb: the capitals of the runtime's character
// set in key order, and the step each key value falls in.
#include "core/shapes/list_thumb.h"

#include <gtest/gtest.h>

#include "platform/base/cp_literal.h"

namespace core {
namespace {

TEST(AlphabeticThumb, TheStepsAreTheCapitalsInKeyOrder) {
  EXPECT_EQ(alphabeticSteps(), "AÆÁBCÇDEÉFGHIÍJKLMNÑOÓPQRSTUÜÚVWXYZ"_cp);
}

TEST(AlphabeticThumb, AValueFallsInTheStepOfItsFirstLetter) {
  auto step = [](std::string_view letter) {
    return static_cast<int>(alphabeticSteps().find(letter));
  };
  struct Case {
    const char* value;
    int step;
  };
  const Case cases[] = {
      {"", 0},         // a blank key
      {"1 Banco", 0},  // before the letters: the first step
      {"Agenda", 0},
      {"azul", 0},                 // without regard to case
      {"Ärger"_cp, 0},             // a letter of the A's without a step of its own
      {"ángel"_cp, step("Á"_cp)},  // after every A
      {"banco", step("B")},
      {"Nube", step("N")},
      {"ñandú"_cp, step("Ñ"_cp)},  // after every N
      {"kiwi", step("K")},
      {"zapato", step("Z")},
      {"ÿ"_cp, step("Z")},  // after the letters: the last step
  };
  for (const Case& c : cases) EXPECT_EQ(alphabeticStep(c.value), c.step) << c.value;
}

}  // namespace
}  // namespace core
