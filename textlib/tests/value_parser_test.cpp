#include "textlib/value_parser.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/base/picture.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

struct TextCase {
  std::string text;
  std::string picture;
  std::string expected;
};
void PrintTo(const TextCase& c, std::ostream* os) { *os << "'" << c.text << "' " << c.picture; }

struct TimeCase {
  std::string text;
  std::string picture;
  double expected;
};
void PrintTo(const TimeCase& c, std::ostream* os) { *os << "'" << c.text << "' " << c.picture; }

class Deformat : public ::testing::TestWithParam<TextCase> {};
TEST_P(Deformat, ReadsTheTextByItsPicture) {
  ValueParser parser;
  EXPECT_EQ(parser.Deformat(GetParam().text, GetParam().picture), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Numbers, Deformat,
    ::testing::Values(TextCase{"1,234,567", "@N10", "1234567"},
                      TextCase{"1.234.567,89", "@N12.2", "1234567.89"},
                      TextCase{"1.234,56", "@N10.2", "1234.56"},
                      TextCase{"1,234.56", "@N10.2", "1234.56"}, TextCase{"1,234", "@N10", "1234"},
                      TextCase{"12,5", "@N10.2", "12.5"}, TextCase{"12,5", "@N10", "125"},
                      TextCase{"12,5  ", "@N10.0", "125"}, TextCase{"(42)", "@N-10", "-42"},
                      TextCase{"$ 1 000.50", "@N$10.2", "1000.50"}, TextCase{"abc", "@N10", ""}));
INSTANTIATE_TEST_SUITE_P(
    OtherKinds, Deformat,
    ::testing::Values(TextCase{"555-123", "@P###-###P", "555123"}, TextCase{"12345", "@K##K", "12"},
                      TextCase{"(01) 23", "@p(<#)p", "01"}, TextCase{"4142", "@X", "AB"},
                      TextCase{"41-42\r\n", "@X-", "AB"}, TextCase{"41 42 4", "@x", "AB\x04"},
                      TextCase{"01000001-01000010", "@X16-B2", "AB"},
                      TextCase{"065-066", "@X-B10", "AB"}, TextCase{"4142", "@X-B20", ""},
                      TextCase{"10:30", "@T4", "3780001"}, TextCase{"1.5", "@H10.2", "540000"},
                      TextCase{"1,5", "@H10.2", "540000"},
                      TextCase{"2023/11/14T22:13:20", "@U@D10@T4", "1700000000"},
                      TextCase{"2023/11/14@22:13:20.5", "@U@m@D10@T4", "1700000000500"},
                      TextCase{"Red", "@L2", "#ff0000"}, TextCase{"Red", "@L3", "Red"},
                      TextCase{"not a picture", "N10", "not a picture"}, TextCase{"x", "@", "x"},
                      TextCase{"x ", "@Q", "x "}));

TEST(DeformatEntry, RawFlagAndColourNumbers) {
  ValueParser parser;
  EXPECT_EQ(parser.Deformat("1,5", "@N10.2", true), "1,5");
  EXPECT_EQ(parser.Deformat("#FF0000", "@L1"),
            std::to_string(TextBuffer::ColorFromText("#FF0000")));
  EXPECT_EQ(parser.Deformat("1.5e3", "@E12.3"), rt::deformat("1.5e3", "@E12.3"));
  EXPECT_NE(parser.Deformat("1.5e3", "@E12.3"), "1.5e3");
}

TEST(DeformatDigits, LimitIsThePatternsDigitPlacesUnlessRaw) {
  ValueParser parser;
  const std::string many(120, '7');
  EXPECT_EQ(parser.DeformatDigits("a1b2c3", "@P<#>P"), "123");
  EXPECT_EQ(parser.DeformatDigits(many, "@K##K", true), std::string(99, '7'));
  EXPECT_EQ(parser.DeformatDigits(many, ""), std::string(99, '7'));
  EXPECT_EQ(parser.DeformatDigits("12", "@P--P"), "");
}

class DeformatTime : public ::testing::TestWithParam<TimeCase> {};
TEST_P(DeformatTime, ReadsLooseTimes) {
  ValueParser parser;
  EXPECT_EQ(parser.DeformatTime(GetParam().text, GetParam().picture), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, DeformatTime,
    ::testing::Values(TimeCase{"10:30", "@T4", 3780001}, TimeCase{"1030", "@T4", 3780001},
                      TimeCase{"10.30", "@T4", 3780001}, TimeCase{"9", "@T4", 3240001},
                      TimeCase{"2:15 pm", "@T4", 5130001}, TimeCase{"2:15PM", "@T4", 5130001},
                      TimeCase{"12:05 am", "@T4", 30001}, TimeCase{"12:00 pm", "@T4", 4320001},
                      TimeCase{"12:00 am", "@T4", 1}, TimeCase{"12:00 am", "@T4B", 0},
                      TimeCase{"00:00", "@T4B", 0}, TimeCase{"0:00:00:01", "@T4ZB", 1},
                      TimeCase{"2024-01-15T10:30", "@T4", 3780001},
                      TimeCase{"-1:00", "@T4", -360001}, TimeCase{"+1:00", "@T4", 360001},
                      TimeCase{"-1:00 pm", "@T4", -360001}, TimeCase{"7:05:09:50", "@T4", 2550951},
                      TimeCase{"7:05:09.50", "@T4", 70509.0 * 360000 + 50 * 6000 + 1},
                      TimeCase{"10:30", "@T4Z", 3780000}, TimeCase{"10:30", "@T4U", 37800},
                      TimeCase{"10:30", "@T4M", 37800000}, TimeCase{"10:30", "@T4MU", 37800000},
                      TimeCase{"103000505", "@T4M", 37800505}, TimeCase{"1030005", "@T4", 378006},
                      TimeCase{"10300", "@T4", 378001}, TimeCase{"", "@T4", 0},
                      TimeCase{"1234567890", "@T4", 0}, TimeCase{"10-30", "@T4", 3780001},
                      TimeCase{"1-30", "@T4-", 540001}, TimeCase{"10h30", "@T4", 3780001}));

TEST(DeformatTimeRaw, IgnoresThePicture) {
  ValueParser parser;
  EXPECT_EQ(parser.DeformatTime("10:30", "@T4Z", true), 3780001);
  EXPECT_EQ(parser.DeformatTime("10:30", "@T4Z", false), 3780000);
}

}  // namespace
}  // namespace textlib
