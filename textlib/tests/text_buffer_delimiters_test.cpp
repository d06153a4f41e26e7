#include <gtest/gtest.h>

#include <string>

#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::num;
using testing::reading;

class Delimiters : public ::testing::TestWithParam<BufferCase> {};
TEST_P(Delimiters, Work) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, Delimiters,
    ::testing::Values(
        reading(
            "Before", "name: value: x", [](auto& b) { return b.Before(":"); }, "name"),
        reading(
            "After", "name: value: x", [](auto& b) { return b.After(":"); }, " value: x"),
        reading(
            "AfterLast", "name: value: x", [](auto& b) { return b.AfterLast(":"); }, " x"),
        reading(
            "BeforeLast", "name: value: x", [](auto& b) { return b.BeforeLast(":"); },
            "name: value"),
        reading(
            "BeforeSecond", "name: value: x", [](auto& b) { return b.BeforeNth(":", 2); },
            "name: value"),
        reading(
            "AfterSecondFromEnd", "name: value: x", [](auto& b) { return b.AfterNth(":", -2); },
            " value: x"),
        reading(
            "BeforeIncludesTextBeforeTheRange", "a=b;c=d", [](auto& b) { return b.Before("=", 5); },
            "a=b;c"),
        reading(
            "AfterIgnoresTheEndOfTheRange", "a=b;c=d", [](auto& b) { return b.After("=", 1, 3); },
            "b;c=d"),
        reading(
            "BeforeAtPositionOne", ":x", [](auto& b) { return b.Before(":"); }, ""),
        reading(
            "AfterAtTheEnd", "x:", [](auto& b) { return b.After(":"); }, ""),
        reading(
            "NthBeyondTheCount", "a,b", [](auto& b) { return b.BeforeNth(",", 3); }, ""),
        reading(
            "NthTooShort", "ab", [](auto& b) { return b.BeforeNth(",", 3); }, ""),
        reading(
            "EmptyDelimiter", "ab", [](auto& b) { return b.After(""); }, ""),
        reading(
            "AfterNoCase", "content-type: text",
            [](auto& b) { return b.After("CONTENT-TYPE:", 1, 0, true); }, " text"),
        reading(
            "Between", "x[abc]y", [](auto& b) { return b.Between("[", "]"); }, "[abc]"),
        reading(
            "BetweenExclusive", "x[abc]y",
            [](auto& b) { return b.Between("[", "]", 1, 0, false, true); }, "abc"),
        reading(
            "BetweenTouching", "x[]y",
            [](auto& b) { return b.Between("[", "]", 1, 0, false, true); }, ""),
        reading(
            "BetweenEmptyLeft", "abc]def", [](auto& b) { return b.Between("", "]", 2); }, "bc]"),
        reading(
            "BetweenEmptyRight", "ab[cd", [](auto& b) { return b.Between("[", ""); }, "[cd"),
        reading(
            "BetweenLongDelimiters", "<b>bold</b>",
            [](auto& b) { return b.Between("<B>", "</B>", 1, 0, true, true); }, "bold"),
        reading(
            "BetweenMissingRight", "x[abc", [](auto& b) { return b.Between("[", "]"); }, ""),
        BufferCase{"SetBeforeAtPositionOne", ":x", [](auto& b) { return num(b.SetBefore(":")); },
                   "", "0"},
        BufferCase{"SetBefore", "key=value", [](auto& b) { return num(b.SetBefore("=")); }, "key",
                   "0"},
        BufferCase{"SetAfterAtTheEnd", "x:", [](auto& b) { return num(b.SetAfter(":")); }, "", "0"},
        BufferCase{"SetAfter", "2025-09-29T10:30", [](auto& b) { return num(b.SetAfter("T")); },
                   "10:30", "0"},
        BufferCase{"SetAfterMissing", "abc", [](auto& b) { return num(b.SetAfter(":")); }, "abc",
                   "2"},
        BufferCase{"SetAfterMissingClears", "abc",
                   [](auto& b) { return num(b.SetAfter(":", 1, 0, false, true)); }, "", "2"},
        BufferCase{"SetAfterLast", "a/b/c", [](auto& b) { return num(b.SetAfterLast("/")); }, "c",
                   "0"},
        BufferCase{"SetBeforeNth", "a/b/c", [](auto& b) { return num(b.SetBeforeNth("/", 2)); },
                   "a/b", "0"},
        BufferCase{"SetBetweenTouching", "x[]y",
                   [](auto& b) { return num(b.SetBetween("[", "]", 1, 0, false, true)); }, "", "0"},
        BufferCase{"SetBetween", "x[abc]y",
                   [](auto& b) { return num(b.SetBetween("[", "]", 1, 0, false, true)); }, "abc",
                   "0"},
        BufferCase{"SetBetweenMissing", "xy", [](auto& b) { return num(b.SetBetween("[", "]")); },
                   "xy", "2"},
        reading(
            "MatchingClose", "f(a(b)c)d",
            [](auto& b) { return num(b.FindMatchingClose("(", ")")); }, "8"),
        reading(
            "MatchingCloseFirstUnbalanced", ")(",
            [](auto& b) { return num(b.FindMatchingClose("(", ")")); }, "0"),
        reading(
            "MatchingCloseLongDelimiters", "<<a<<b>>>>",
            [](auto& b) { return num(b.FindMatchingClose("<<", ">>")); }, "9"),
        reading(
            "MatchingCloseFromStart", "(a)(b)",
            [](auto& b) { return num(b.FindMatchingClose("(", ")", 2)); }, "6")),
    testing::caseName);

TEST(TextBufferDelimiters, BetweenReportsThePositionsFound) {
  TextBuffer b;
  b.SetValue("x[abc]y");
  int start = 1;
  int end = 0;
  EXPECT_EQ(b.Between("[", "]", &start, &end, false, true), "abc");
  EXPECT_EQ(start, 3);
  EXPECT_EQ(end, 5);
  start = 1, end = 0;
  b.FindBetween("(", ")", start, end);
  EXPECT_EQ(start, 0);
  TextBuffer empty;
  start = 1, end = 0;
  empty.FindBetween("[", "]", start, end);
  EXPECT_EQ(start, 0);
}

}  // namespace
}  // namespace textlib
