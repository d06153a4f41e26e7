#include <gtest/gtest.h>

#include <string>

#include "platform/base/cp_literal.h"
#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::num;
using testing::readingNumber;

class Instring : public ::testing::TestWithParam<BufferCase> {};
TEST_P(Instring, FindsThePosition) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, Instring,
    ::testing::Values(
        readingNumber(
            "Plain", "hello world", [](auto& b) { return b.Instring("lo"); }, 4),
        readingNumber(
            "FromStartFive", "hello world", [](auto& b) { return b.Instring("lo", 1, 5); }, 0),
        readingNumber(
            "OneByteFromSix", "hello world", [](auto& b) { return b.Instring("o", 1, 6); }, 8),
        readingNumber(
            "OneByteWithinEnd", "hello world", [](auto& b) { return b.Instring("o", 1, 6, 7); }, 0),
        readingNumber(
            "MustFitTheRange", "hello world", [](auto& b) { return b.Instring("wor", 1, 1, 8); },
            0),
        readingNumber(
            "NoCase", "xxab", [](auto& b) { return b.Instring("AB", 1, 1, 0, true); }, 3),
        readingNumber(
            "NoCaseWithoutLetters", "1234", [](auto& b) { return b.Instring("12", 1, 1, 0, true); },
            1),
        readingNumber(
            "NoCaseAccented", "camiÓn"_cp,
            [](auto& b) { return b.Instring("ón"_cp, 1, 1, 0, true); }, 5),
        readingNumber(
            "StepTwoOffGrid", "xabab", [](auto& b) { return b.Instring("ab", 2, 1); }, 0),
        readingNumber(
            "StepTwoOnGrid", "xabab", [](auto& b) { return b.Instring("ab", 2, 2); }, 2),
        readingNumber(
            "StepTwoNoCase", "xAbab", [](auto& b) { return b.Instring("ab", 2, 2, 0, true); }, 2),
        readingNumber(
            "Backwards", "abxab", [](auto& b) { return b.Instring("ab", -1); }, 4),
        readingNumber(
            "BackwardsStepTwo", "abxabab", [](auto& b) { return b.Instring("ab", -2); }, 6),
        readingNumber(
            "BackwardsWithinRange", "abxab", [](auto& b) { return b.Instring("ab", -1, 1, 4); }, 1),
        readingNumber(
            "Last", "abxab", [](auto& b) { return b.InstringLast("ab"); }, 4),
        readingNumber(
            "StepZeroAtStart", "xab", [](auto& b) { return b.Instring("ab", 0, 2); }, 2),
        readingNumber(
            "StepZeroElsewhere", "xab", [](auto& b) { return b.Instring("ab", 0, 1); }, 0),
        readingNumber(
            "WholeWordSkipsPartOfWord", "concat cat",
            [](auto& b) { return b.Instring("cat", 1, 1, 0, false, true); }, 8),
        readingNumber(
            "WholeWordFollowedByLetter", "cats",
            [](auto& b) { return b.Instring("cat", 1, 1, 0, false, true); }, 0),
        readingNumber(
            "WholeWordFollowedByDot", "cat.",
            [](auto& b) { return b.Instring("cat", 1, 1, 0, false, true); }, 1),
        readingNumber(
            "WholeWordBackwards", "cat concat",
            [](auto& b) { return b.Instring("cat", -1, 1, 0, false, true); }, 1),
        readingNumber(
            "EmptyText", "abc", [](auto& b) { return b.Instring(""); }, 0),
        readingNumber(
            "ManyFalseCandidates", std::string(200, 'a') + "aab" + std::string(50, 'a'),
            [](auto& b) { return b.Instring("aab"); }, 201),
        readingNumber(
            "ManyFalseCandidatesNotThere", std::string(300, 'a') + "ab",
            [](auto& b) { return b.Instring("aac"); }, 0),
        readingNumber(
            "EmptyValue", "", [](auto& b) { return b.Instring("a"); }, 0),
        readingNumber(
            "ZeroBytes", std::string("a\0b\0c", 5),
            [](auto& b) { return b.Instring(std::string("\0c", 2)); }, 4),
        readingNumber(
            "NthSecond", "banana", [](auto& b) { return b.InstringNth("a", 2); }, 4),
        readingNumber(
            "NthSecondFromEnd", "banana", [](auto& b) { return b.InstringNth("a", -2); }, 4),
        readingNumber(
            "NthLast", "banana", [](auto& b) { return b.InstringNth("a", -1); }, 6),
        readingNumber(
            "NthBeyondCount", "banana", [](auto& b) { return b.InstringNth("a", 4); }, 0),
        readingNumber(
            "NthZero", "banana", [](auto& b) { return b.InstringNth("a", 0); }, 0),
        readingNumber(
            "NthDoesNotOverlap", "aaaa", [](auto& b) { return b.InstringNth("aa", 2); }, 3),
        readingNumber(
            "NthFromEndDoesNotOverlap", "aaaaa", [](auto& b) { return b.InstringNth("aa", -2); },
            2),
        readingNumber(
            "NthNoCase", "xAyaza", [](auto& b) { return b.InstringNth("a", 2, 1, 0, true); }, 4),
        readingNumber(
            "FromBelowTwo", "abcabc", [](auto& b) { return b.InstringFrom("c", 0); }, 3),
        readingNumber(
            "Range", "abcabc", [](auto& b) { return b.InstringRange("bc", 3, 6); }, 5),
        readingNumber(
            "Text", "", [](auto&) { return TextBuffer::InstringText("b", "abc", 1, 0); }, 2),
        readingNumber(
            "Block", "", [](auto&) { return TextBuffer::InstringBlock("c", 2, 3, 4, "abcd"); }, 3),
        readingNumber(
            "NullBlock", "", [](auto&) { return TextBuffer::InstringBlock("c", 1, 0, 4, nullptr); },
            0),
        readingNumber(
            "Raw", "", [](auto&) { return TextBuffer::InstringRaw_(2, "cd", "abcdcd", 6); }, 3)),
    testing::caseName);

class FindAndCount : public ::testing::TestWithParam<BufferCase> {};
TEST_P(FindAndCount, GivesTheNumber) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, FindAndCount,
    ::testing::Values(
        readingNumber(
            "FindChar", "hello", [](auto& b) { return b.FindChar("lx"); }, 3),
        readingNumber(
            "FindCharFromStart", "hello", [](auto& b) { return b.FindChar("l", 4); }, 4),
        readingNumber(
            "FindCharStartAfterEnd", "hello", [](auto& b) { return b.FindChar("l", 4, 2); }, 0),
        readingNumber(
            "FindCharEmptyText", "hello", [](auto& b) { return b.FindChar(""); }, 0),
        readingNumber(
            "FindByteZero", std::string("ab\0", 3), [](auto& b) { return b.FindByte(0); }, 3),
        readingNumber(
            "FindByteInText", "", [](auto&) { return TextBuffer::FindByte('c', "abcabc", 4, 0); },
            6),
        readingNumber(
            "CountByte", "banana", [](auto& b) { return b.CountByte('a'); }, 3),
        readingNumber(
            "CountByteFromBeyond", "banana", [](auto& b) { return b.CountByte('a', 7); }, 0),
        readingNumber(
            "CountPairs", "aaaa", [](auto& b) { return b.Count("aa"); }, 2),
        readingNumber(
            "CountPairsOverlapping", "aaaa",
            [](auto& b) { return b.Count("aa", 1, 1, 0, false, false, true); }, 3),
        readingNumber(
            "CountStepTwo", "aaaa", [](auto& b) { return b.Count("a", 2); }, 2),
        readingNumber(
            "CountStepTwoLonger", "xyxyxyxy", [](auto& b) { return b.Count("xyxy", 2); }, 2),
        readingNumber(
            "CountStepTwoOverlapping", "xyxyxyxy",
            [](auto& b) { return b.Count("xyxy", 2, 1, 0, false, false, true); }, 3),
        readingNumber(
            "CountEndIsLastStart", "xxab",
            [](auto& b) { return b.Count("ab", 1, 1, 3, false, true); }, 1),
        readingNumber(
            "CountEndIsTheEnd", "xxab", [](auto& b) { return b.Count("ab", 1, 1, 3); }, 0),
        readingNumber(
            "CountNoCase", "aAaA", [](auto& b) { return b.Count("a", 1, 1, 0, true); }, 4),
        readingNumber(
            "CountEmptyText", "aaaa", [](auto& b) { return b.Count(""); }, 0)),
    testing::caseName);

TEST(TextBufferSearch, FindMatchPlainAndRegular) {
  TextBuffer b;
  b.SetValue("hello");
  int start = 1;
  int end = 0;
  EXPECT_EQ(b.FindMatch("lo", start, end), "lo");
  EXPECT_EQ(start, 4);
  EXPECT_EQ(end, 5);
  start = 1, end = 0;
  EXPECT_EQ(b.FindMatch("lo", start, end, 7), "");
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 0);
  start = 1, end = 0;
  EXPECT_EQ(b.FindMatch("LL", start, end, 0, true), "ll");
  EXPECT_EQ(start, 3);

  b.SetValue("order 12345 and 678");
  start = 1, end = 0;
  EXPECT_EQ(b.FindMatch("[0-9]+", start, end, 2), "1");  // the shortest range holding a match
  EXPECT_EQ(start, 7);
  EXPECT_EQ(end, 7);
  start = 1, end = 0;
  EXPECT_EQ(b.FindMatch("[0-9]{3}", start, end, 2), "123");
  start = 12, end = 0;
  EXPECT_EQ(b.FindMatch("[0-9]{3}", start, end, 2), "678");
  EXPECT_EQ(start, 17);
  EXPECT_EQ(end, 19);
  start = 1, end = 0;
  EXPECT_EQ(b.FindMatch("AND", start, end, 2, true), "and");
  start = 1, end = 0;
  EXPECT_EQ(b.FindMatch("AND", start, end, 2, false), "");
  EXPECT_EQ(start, 0);
  start = 1, end = 0;
  EXPECT_EQ(b.FindMatch("([", start, end, 2), "");  // not a valid expression
  EXPECT_EQ(start, 0);
  EXPECT_EQ(b.FindMatchPosition("\\d+", 10, 0, 2), 10);
  b.SetValue("café olé"_cp);
  EXPECT_EQ(b.FindMatchPosition("é$"_cp, 1, 0, 2), 8);
}

TEST(TextBufferSearch, RegularExpressionsHandleLongRepetitions) {
  TextBuffer b;
  b.SetValue(std::string(1 << 20, 'a') + "b12");
  int start = 1;
  int end = 0;
  b.FindMatch_("a+b", start, end, 2, false);  // a million repetitions in one match
  EXPECT_EQ(start, 1);
  EXPECT_GT(end, 0);
  start = 1, end = 0;
  b.FindMatch_("[0-9]+", start, end, 2, false);
  EXPECT_EQ(start, (1 << 20) + 2);
  EXPECT_EQ(end, (1 << 20) + 2);
}

TEST(TextBufferSearch, PointerPrimitives) {
  const char text[] = "xAya";
  EXPECT_EQ(TextBuffer::FindByteNoCase_(text, 'a', 4), text + 1);
  EXPECT_EQ(TextBuffer::FindByteNoCase_(text, 'y', 4), text + 2);
  EXPECT_EQ(TextBuffer::FindByteNoCase_(text, 'q', 4), nullptr);
  const char hay[] = "abcABCabc";
  EXPECT_EQ(TextBuffer::FindBlock_(3, "abc", hay + 1, hay + 6), hay + 6);
  EXPECT_EQ(TextBuffer::FindBlock_(3, "abc", hay + 1, hay + 5), nullptr);
  EXPECT_EQ(TextBuffer::FindBlockNoCase_(3, "abc", hay + 1, hay + 6), hay + 3);
  const char wide[] = {'A', 0, 0, 'B', 0, 0};
  EXPECT_EQ(TextBuffer::FindTerminator_(2, wide, 6), 1);
  EXPECT_EQ(TextBuffer::FindTerminator_(0, wide, 6), 1);
  EXPECT_EQ(TextBuffer::FindTerminator_(0, "abc", 3), 3);
  EXPECT_EQ(TextBuffer::FindTerminator_(0, nullptr, 3), 0);
}

}  // namespace
}  // namespace textlib
