#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;

struct ColourCase {
  std::string text;
  std::int32_t number;
};
void PrintTo(const ColourCase& c, std::ostream* os) { *os << "'" << c.text << "'"; }

// The decimal text of the system colour number of an index.
std::string systemColourNumber(int index) {
  return std::to_string(static_cast<std::int32_t>(0x80000000u | static_cast<unsigned>(index)));
}

class HexToColor : public ::testing::TestWithParam<ColourCase> {};
TEST_P(HexToColor, ReadsTheDigits) {
  EXPECT_EQ(TextBuffer::HexToColor(GetParam().text), GetParam().number);
}
INSTANTIATE_TEST_SUITE_P(Cases, HexToColor,
                         ::testing::Values(ColourCase{"#ff8000", 33023}, ColourCase{"#f80", 35071},
                                           ColourCase{"ff8000  ", 33023},
                                           ColourCase{"#FFFFFF", 0xFFFFFF},
                                           ColourCase{"#ff800", -1}, ColourCase{"#", -1}));

class ColorFromText : public ::testing::TestWithParam<ColourCase> {};
TEST_P(ColorFromText, ReadsAnyColourText) {
  EXPECT_EQ(TextBuffer::ColorFromText(GetParam().text), GetParam().number);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, ColorFromText,
    ::testing::Values(
        ColourCase{"Yellow", 65535}, ColourCase{"light blue", 0xE6D8AD}, ColourCase{"255,0,0", 255},
        ColourCase{"rgb(255,0,0)", 255}, ColourCase{"rgb(0, 128, 255)", 0xFF8000},
        ColourCase{"65280", 65280}, ColourCase{"#00f", 0xFF0000}, ColourCase{"0FFh", 0xFFFF00},
        ColourCase{"nosuchcolour", -1}, ColourCase{"darkgrey", -1}, ColourCase{"dimgrey", 0x696969},
        ColourCase{"", -1}, ColourCase{"   ", -1}, ColourCase{systemColourNumber(5), 0xFFFFFF},
        ColourCase{systemColourNumber(13), 0xD77800}, ColourCase{systemColourNumber(999), 0}));

struct NameCase {
  std::string name;
  bool withHash;
  std::string hex;
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << "'" << c.name << "'"; }

class ColorNameToHex : public ::testing::TestWithParam<NameCase> {};
TEST_P(ColorNameToHex, Normalises) {
  EXPECT_EQ(TextBuffer::ColorNameToHex(GetParam().name, GetParam().withHash), GetParam().hex);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, ColorNameToHex,
    ::testing::Values(NameCase{"Red", true, "#ff0000"}, NameCase{"255", true, "#ff0000"},
                      NameCase{"seagreen", true, "#2e8b57"},
                      NameCase{"rebeccapurple", false, "663399"},
                      NameCase{"Alice Blue", true, "#f0f8ff"},
                      NameCase{"darkgrey", true, "#darkgr"}, NameCase{"#ABC", false, "AABBCC"},
                      NameCase{"#ABC", true, "#AABBCC"}, NameCase{"0,255,0", true, "#00ff00"},
                      NameCase{"0FFh", true, "#00FFFF"}, NameCase{"  ", true, ""},
                      NameCase{"red", false, "ff0000"}));

class ColourValue : public ::testing::TestWithParam<BufferCase> {};
TEST_P(ColourValue, BecomesHex) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, ColourValue,
    ::testing::Values(
        BufferCase{"Green", "65280", testing::changing([](TextBuffer& b) { b.ColorToHex(true); }),
                   "#00ff00", ""},
        BufferCase{"WithoutHash", "1193046",
                   testing::changing([](TextBuffer& b) { b.ColorToHex(false); }), "563412", ""},
        BufferCase{"NoColour", "-1", testing::changing([](TextBuffer& b) { b.ColorToHex(true); }),
                   "", ""},
        BufferCase{"SystemWindowColour", systemColourNumber(5),
                   testing::changing([](TextBuffer& b) { b.ColorToHex(true); }), "#ffffff", ""}),
    testing::caseName);

TEST(Colours, EveryNamedColourRoundTripsThroughItsHex) {
  for (const char* name : {"aliceblue", "yellowgreen", "aqua", "cyan", "fuchsia", "magenta", "gray",
                           "grey", "lightslategrey", "slategray", "darkslategrey"}) {
    const std::string hex = TextBuffer::ColorNameToHex(name, true);
    ASSERT_EQ(hex.size(), 7u) << name;
    TextBuffer b;
    b.SetValue(std::to_string(TextBuffer::ColorFromText(name)));
    b.ColorToHex(true);
    EXPECT_EQ(b.GetValue(), hex) << name;
  }
  EXPECT_EQ(TextBuffer::ColorNameToHex("aqua"), TextBuffer::ColorNameToHex("cyan"));
  EXPECT_EQ(TextBuffer::ColorNameToHex("gray"), TextBuffer::ColorNameToHex("grey"));
}

}  // namespace
}  // namespace textlib
