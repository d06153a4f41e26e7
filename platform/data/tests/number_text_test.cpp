#include <gtest/gtest.h>

#include "platform/data/record_buffer.h"

namespace {

TEST(NumberText, ADecimalShowsItsPlacesExactly) {
  rt::FieldDef money;
  money.places = 2;
  rt::FieldDef count;
  struct Case {
    const rt::FieldDef* field;
    std::int64_t stored;
    const char* text;
  } cases[] = {
      {&money, 1250, "12.50"},   {&money, 5, "0.05"},
      {&money, 0, "0.00"},       {&money, -7, "-0.07"},
      {&money, -1234, "-12.34"}, {&money, 99999999999999, "999999999999.99"},
      {&count, 1250, "1250"},    {&count, -3, "-3"},
  };
  for (const Case& c : cases) EXPECT_EQ(rt::numberText(*c.field, c.stored), c.text) << c.stored;
}

}  // namespace
