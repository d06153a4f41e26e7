#include <gtest/gtest.h>

#include <string>

#include "platform/base/debug_sink.h"
#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::num;

class Replace : public ::testing::TestWithParam<BufferCase> {};
TEST_P(Replace, ChangesTheValue) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, Replace,
    ::testing::Values(
        BufferCase{"AllSameLength", "banana", [](auto& b) { return num(b.Replace("a", "b")); },
                   "bbnbnb", "3"},
        BufferCase{"CountTwo", "banana", [](auto& b) { return num(b.Replace("a", "b", 2)); },
                   "bbnbna", "2"},
        BufferCase{"NegativeCount", "banana", [](auto& b) { return num(b.Replace("a", "b", -1)); },
                   "banana", "0"},
        BufferCase{"WithinRange", "banana",
                   [](auto& b) { return num(b.Replace("a", "x", 0, 3, 5)); }, "banxna", "1"},
        BufferCase{"NoCase", "Banana",
                   [](auto& b) { return num(b.Replace("A", "o", 0, 1, 0, true)); }, "Bonono", "3"},
        BufferCase{"NoCaseSameLetter", "aAa",
                   [](auto& b) { return num(b.Replace("a", "A", 0, 1, 0, true)); }, "AAA", "2"},
        BufferCase{"NoCaseLonger", "xABxab",
                   [](auto& b) { return num(b.Replace("ab", "[]", 0, 1, 0, true)); }, "x[]x[]",
                   "2"},
        BufferCase{"SameTextChangesNothing", "abab",
                   [](auto& b) { return num(b.Replace("ab", "ab")); }, "abab", "0"},
        BufferCase{"Shorter", "a--b--c", [](auto& b) { return num(b.Replace("--", "-")); }, "a-b-c",
                   "2"},
        BufferCase{"ShorterToNothing", "a--b--c", [](auto& b) { return num(b.Replace("--", "")); },
                   "abc", "2"},
        BufferCase{"ShorterNoCaseInRange", "XaXaXa",
                   [](auto& b) { return num(b.Replace("xa", "", 0, 2, 0, true)); }, "Xa", "2"},
        BufferCase{"ShorterWholeValue", "aaaa", [](auto& b) { return num(b.Replace("aa", "")); },
                   "", "2"},
        BufferCase{"Rebuild", "abxab", [](auto& b) { return num(b.Replace("ab", "abc")); },
                   "abcxabc", "2"},
        BufferCase{"RebuildCountOne", "abxab",
                   [](auto& b) { return num(b.Replace("ab", "abc", 1)); }, "abcxab", "1"},
        BufferCase{"RebuildWithinRange", "ab ab ab",
                   [](auto& b) { return num(b.Replace("ab", "xyz", 0, 2, 5)); }, "ab xyz ab", "1"},
        BufferCase{"RebuildNoCase", "aXbxc",
                   [](auto& b) { return num(b.Replace("x", "--", 0, 1, 0, true)); }, "a--b--c",
                   "2"},
        BufferCase{"RebuildOccurrenceAtTheEnd", "xxab",
                   [](auto& b) { return num(b.Replace("ab", "abab")); }, "xxabab", "1"},
        BufferCase{"OccurrenceMustFitTheRange", "abab",
                   [](auto& b) { return num(b.Replace("ab", "x", 0, 1, 3)); }, "xab", "1"},
        BufferCase{"NonOverlapping", "aaa", [](auto& b) { return num(b.Replace("aa", "b")); }, "ba",
                   "1"},
        BufferCase{"RecursiveShrinks", "aaaa",
                   [](auto& b) { return num(b.Replace("aa", "a", 0, 1, 0, false, true)); }, "a",
                   "3"},
        BufferCase{"RecursiveWithCount", "a",
                   [](auto& b) { return num(b.Replace("a", "ab", 5, 1, 0, false, true)); },
                   "abbbbb", "5"},
        BufferCase{"RecursiveRefused", "a",
                   [](auto& b) {
                     const int n = b.Replace("a", "ab", 0, 1, 0, false, true);
                     return num(n) + " " + b.LASTERROR;
                   },
                   "a",
                   "0 Invalid recursive replacement - the value being replaced is a substring "
                   "of the new value. This will result in an infinite loop"},
        BufferCase{"RecursiveKeepsTheDistanceFromTheEnd", "aaaa|aa",
                   [](auto& b) { return num(b.Replace("aa", "a", 0, 1, 4, false, true)); }, "a|aa",
                   "3"},
        BufferCase{"ZeroBytes", std::string("a\0b\0", 4),
                   [](auto& b) { return num(b.Replace(std::string(1, '\0'), "--")); }, "a--b--",
                   "2"}),
    testing::caseName);

class ReplaceInBlocks : public ::testing::TestWithParam<BufferCase> {};
TEST_P(ReplaceInBlocks, ChangesTheValue) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceInBlocks,
    ::testing::Values(
        BufferCase{"BetweenInside", "x[x]x",
                   [](auto& b) { return num(b.ReplaceBetween("[", "]", "x", "y")); }, "x[y]x", "1"},
        BufferCase{"BetweenGrowingBlocks", "[a][a]",
                   [](auto& b) { return num(b.ReplaceBetween("[", "]", "a", "bbb")); },
                   "[bbb][bbb]", "2"},
        BufferCase{
            "BetweenWholeBlock", "<x><yy>",
            [](auto& b) { return num(b.ReplaceBetween("<", ">", "", "z", 0, 1, 0, false, true)); },
            "<z><z>", "2"},
        BufferCase{"BetweenEmptyOldInserts", "[a][]",
                   [](auto& b) { return num(b.ReplaceBetween("[", "]", "", "-")); }, "[-a][-]",
                   "2"},
        BufferCase{"BetweenSameDelimiter", "|a|a|a|",
                   [](auto& b) { return num(b.ReplaceBetween("|", "", "a", "b")); }, "|b|a|b|",
                   "2"},
        BufferCase{"BetweenCount", "[a][a]",
                   [](auto& b) { return num(b.ReplaceBetween("[", "]", "a", "b", 1)); }, "[b][a]",
                   "1"},
        BufferCase{
            "BetweenNoCaseDelimiters", "<B>x</b>",
            [](auto& b) { return num(b.ReplaceBetween("<b>", "</B>", "X", "y", 0, 1, 0, true)); },
            "<B>y</b>", "1"},
        BufferCase{"OutsideBlocks", "x[x]x",
                   [](auto& b) { return num(b.ReplaceOutside("[", "]", "x", "y")); }, "y[x]y", "2"},
        BufferCase{"OutsideUnterminated", "x[x",
                   [](auto& b) { return num(b.ReplaceOutside("[", "]", "x", "y")); }, "y[y", "2"},
        BufferCase{"OutsideGrowing", "a'a'a",
                   [](auto& b) { return num(b.ReplaceOutside("'", "", "a", "bb")); }, "bb'a'bb",
                   "2"},
        BufferCase{"OutsideCount", "a'a'a",
                   [](auto& b) { return num(b.ReplaceOutside("'", "", "a", "b", 1)); }, "b'a'a",
                   "1"}),
    testing::caseName);

class ReplaceSlicesAndBytes : public ::testing::TestWithParam<BufferCase> {};
TEST_P(ReplaceSlicesAndBytes, ChangesTheValue) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceSlicesAndBytes,
    ::testing::Values(
        BufferCase{"SliceLonger", "abcd",
                   [](auto& b) {
                     b.ReplaceSlice(2, 3, "XYZ");
                     return "";
                   },
                   "aXYZd", ""},
        BufferCase{"SliceShorter", "abcdef",
                   [](auto& b) {
                     b.ReplaceSlice(2, 4, "X");
                     return "";
                   },
                   "aXef", ""},
        BufferCase{"SlicePastTheEnd", "abcd",
                   [](auto& b) {
                     b.ReplaceSlice(3, 9, "Z");
                     return "";
                   },
                   "abZ", ""},
        BufferCase{"SliceBeyondTheEnd", "abc",
                   [](auto& b) {
                     b.ReplaceSlice(6, 0, "Z");
                     return "";
                   },
                   "abc  Z", ""},
        BufferCase{"SliceDeleted", "abcd",
                   [](auto& b) {
                     b.ReplaceSlice(2, 3, "");
                     return "";
                   },
                   "ad", ""},
        BufferCase{"SliceEmptyObjectDeletes", "abcd",
                   [](auto& b) {
                     TextBuffer empty;
                     b.ReplaceSlice(1, 2, empty);
                     return "";
                   },
                   "cd", ""},
        BufferCase{"SliceStartBelowOne", "abcd",
                   [](auto& b) {
                     b.ReplaceSlice(0, 2, "x");
                     return "";
                   },
                   "abcd", ""},
        BufferCase{"Last", "a-b-c", [](auto& b) { return num(b.ReplaceLast("-", "+")); }, "a-b+c",
                   "1"},
        BufferCase{"NthFromEnd", "a-b-c-d",
                   [](auto& b) { return num(b.ReplaceNth("-", "==", -2)); }, "a-b==c-d", "1"},
        BufferCase{"NthMissing", "a-b", [](auto& b) { return num(b.ReplaceNth("-", "=", 2)); },
                   "a-b", "0"},
        BufferCase{"SingleCharsChained", "ab",
                   [](auto& b) { return num(b.ReplaceSingleChars("ab", "bc")); }, "cc", "3"},
        BufferCase{"SingleCharsOnePass", "ab",
                   [](auto& b) { return num(b.ReplaceSingleChars("ab", "bc", true)); }, "bc", "2"},
        BufferCase{"SingleCharsMismatch", "ab",
                   [](auto& b) { return num(b.ReplaceSingleChars("ab", "b")) + " " + b.LASTERROR; },
                   "ab", "-1 Called with Mismatching String Lengths"},
        BufferCase{"Char", "a.b.c", [](auto& b) { return num(b.ReplaceChar('.', ',')); }, "a,b,c",
                   "2"},
        BufferCase{"RemoveByte", "a.b.c", [](auto& b) { return num(b.RemoveByte('.')); }, "abc",
                   "2"},
        BufferCase{"RemoveDigits", "a1b22",
                   [](auto& b) { return num(b.RemoveByteRange('0', '9')); }, "ab", "3"},
        BufferCase{"RemoveRangeReversed", "a1b22",
                   [](auto& b) { return num(b.RemoveByteRange('9', '0')); }, "a1b22", "0"},
        BufferCase{"MapOfWrongSize", "abc",
                   [](auto& b) { return num(b._removeMatchingChars("xyz")) + " " + b.LASTERROR; },
                   "abc", "0 Character Map parameter must be a string of size 256."},
        BufferCase{"ReplaceByMapSparesTheFill", "a-b_c",
                   [](auto& b) {
                     std::string map(256, '\0');
                     map['-'] = map['_'] = 1;
                     const int changed = b._replaceMatchingChars(map, '_');
                     return num(changed) + num(map['_']);
                   },
                   "a_b_c", "10"}),
    testing::caseName);

TEST(TextBufferReplace, RebuildFollowsTheGrowthPolicy) {
  TextBuffer b;
  b.SetValue(std::string(100, 'a'));
  ASSERT_EQ(b.Size(), 100);
  EXPECT_EQ(b.Replace("a", "bb"), 100);
  EXPECT_EQ(b.GetValue(), std::string(200, 'b'));
  EXPECT_EQ(b.Size(), 255);
}

TEST(TextBufferReplace, RecursionErrorIsTraced) {
  rt::DebugCapture capture;
  TextBuffer b;
  b.SetValue("x");
  b.Replace("X", "aXb", 0, 1, 0, true, true);
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0].rfind("[tb][1] Replace: Invalid recursive replacement", 0), 0u);
}

TEST(TextBufferReplace, RemovalBlanksFreedBytesWithCleanBuffer) {
  TextBuffer b;
  b.CLEANBUFFER = 1;
  b.SetValue("abcabc");
  b.Replace("b", "");
  EXPECT_EQ(b.GetValue(), "acac");
  EXPECT_EQ(std::string(b.GetAddress(), 6), "acac  ");
}

}  // namespace
}  // namespace textlib
