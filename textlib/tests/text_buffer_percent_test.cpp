#include <gtest/gtest.h>

#include <string>

#include "platform/base/cp_literal.h"
#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::reading;
using TB = TextBuffer;

BufferCase encoding(std::string name, std::string value, int options, std::string expected,
                    std::string escape = {}, std::string space = {}, std::string safe = {}) {
  return BufferCase{std::move(name), std::move(value),
                    [=](TextBuffer& b) {
                      const std::string text = b.GetValue();
                      const std::string asText = TB::UrlEncode(text, options, escape, space, safe);
                      b.UrlEncode(options, escape, space, safe);
                      return asText;
                    },
                    expected, expected};
}

BufferCase decoding(std::string name, std::string value, std::string expected,
                    std::string escape = {}, std::string space = {}) {
  return BufferCase{std::move(name), std::move(value),
                    [=](TextBuffer& b) {
                      b.UrlDecode(escape, space);
                      return std::string();
                    },
                    expected, ""};
}

class Percent : public ::testing::TestWithParam<BufferCase> {};
TEST_P(Percent, ChangesTheValue) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, Percent,
    ::testing::Values(encoding("Defaults", "a b&c=d?e", 0, "a+b%26c%3Dd%3Fe"),
                      encoding("KeepSpaceAndQuery", "a b&c=d?e",
                               TB::kUrlKeepSpace | TB::kUrlKeepQuery, "a b&c=d?e"),
                      encoding("SecondQuestionMark", "a?b?c", TB::kUrlKeepQuery, "a?b%3Fc"),
                      encoding("SpaceAsEscape", "a b", TB::kUrlEscapeSpace, "a%20b"),
                      encoding("MimeQ", "a_b", 0, "a=5Fb", "=", "_"),
                      encoding("HighByteUpperCase", "é"_cp, 0, "%E9"),
                      encoding("FinalSpaceKept", "ab ", TB::kUrlKeepSpace, "ab "),
                      encoding("Unreserved", "a-b_c~d.e", TB::kUrlKeepUnreserved, "a-b_c~d.e"),
                      encoding("UnreservedEncoded", "a-b.c", 0, "a%2Db%2Ec"),
                      encoding("PathChars", "$/\\.:", TB::kUrlKeepPathChars, "$/\\.%3A"),
                      encoding("Colon", "a:b", TB::kUrlKeepColon, "a:b"),
                      encoding("EscapeAlwaysEncoded", "a%b+", TB::kUrlKeepSpace, "a%25b%2B"),
                      encoding("SafeList", "a*b?c?d", 0, "a*b?c?d", "", "", "*?  "),
                      decoding("PlusAndEscape", "a+b%2Bc", "a b+c"),
                      decoding("EscapeAtTheEnd", "100%", "100%"),
                      decoding("NotHex", "%zz1", "%zz1"),
                      decoding("LowerCaseHex", "%e9%C3%a9", "\xE9\xC3\xA9"),
                      decoding("EscapeLastButTwo", "a%41", "aA"),
                      decoding("QuotedPrintableStyle", "a=3Db_c+d", "a=b_c+d", "=", " "),
                      decoding("MimeQStyle", "a=3Fb_c", "a?b c", "=", "_")),
    testing::caseName);

class CleaningFileNames : public ::testing::TestWithParam<BufferCase> {};
TEST_P(CleaningFileNames, ReadTheText) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Cases, CleaningFileNames,
                         ::testing::Values(reading(
                                               "Defaults", "",
                                               [](auto& b) {
                                                 return const_cast<TextBuffer&>(b).CleanFileName(
                                                     "report: 2024/05?.pdf");
                                               },
                                               "report_ 2024_05_.pdf"),
                                           reading(
                                               "PathAllowed", "",
                                               [](auto& b) {
                                                 return const_cast<TextBuffer&>(b).CleanFileName(
                                                     "C:\\dir\\a*b.txt", "", true);
                                               },
                                               "C:\\dir\\a_b.txt"),
                                           reading(
                                               "PathNotAllowed", "",
                                               [](auto& b) {
                                                 return const_cast<TextBuffer&>(b).CleanFileName(
                                                     "C:\\a.txt  ", "-");
                                               },
                                               "C--a.txt"),
                                           reading(
                                               "AccentedLettersStay", "",
                                               [](auto& b) {
                                                 return const_cast<TextBuffer&>(b).CleanFileName(
                                                     "Pe\xF1"
                                                     "a\xB7"
                                                     "\"x\".doc");
                                               },
                                               "Peña__x_.doc"_cp)),
                         testing::caseName);

TEST(CleaningFileNames, TheValueItself) {
  TextBuffer b;
  b.SetValue("a|b<c>.txt ");
  EXPECT_EQ(b.CleanFileName(), "a_b_c_.txt ");
  EXPECT_EQ(b.GetValue(), "a_b_c_.txt ");
  TextBuffer empty;
  EXPECT_EQ(empty.CleanFileName(), "");
}

}  // namespace
}  // namespace textlib
