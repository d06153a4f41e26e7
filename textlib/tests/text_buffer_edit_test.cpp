#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/base/cp_literal.h"
#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::num;
using testing::reading;

class SliceAndCase : public ::testing::TestWithParam<BufferCase> {};
TEST_P(SliceAndCase, Works) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, SliceAndCase,
    ::testing::Values(
        reading(
            "SubMiddle", "abcdef", [](auto& b) { return b.Sub(3, 2); }, "cd"),
        reading(
            "SubPastTheEnd", "abcdef", [](auto& b) { return b.Sub(5, 10); }, "ef"),
        reading(
            "SubBeyondTheEnd", "abcdef", [](auto& b) { return b.Sub(7, 1); }, ""),
        reading(
            "SubFromZero", "abcdef", [](auto& b) { return b.Sub(0, 2); }, "ab"),
        reading(
            "SliceMiddle", "abcdef", [](auto& b) { return b.Slice(2, 4); }, "bcd"),
        reading(
            "SliceToTheEnd", "abcdef", [](auto& b) { return b.Slice(4, 0); }, "def"),
        reading(
            "SliceReversed", "abcdef", [](auto& b) { return b.Slice(5, 3); }, ""),
        BufferCase{"CropMiddle", "abcdef",
                   [](auto& b) {
                     b.Crop(2, 4);
                     return "";
                   },
                   "bcd", ""},
        BufferCase{"CropReversed", "abcdef",
                   [](auto& b) {
                     b.Crop(5, 3);
                     return "";
                   },
                   "", ""},
        BufferCase{"UpperOutsideQuotes", "a#bc#d",
                   [](auto& b) {
                     b.Upper("#");
                     return "";
                   },
                   "A#bc#D", ""},
        BufferCase{"UpperEverything", "a#bc#dé"_cp,
                   [](auto& b) {
                     b.Upper();
                     return "";
                   },
                   "A#BC#Dé"_cp, ""},
        BufferCase{"LowerWithOpenQuote", "AB[CD]E[F",
                   [](auto& b) {
                     b.Lower("[", "]");
                     return "";
                   },
                   "ab[CD]e[F", ""},
        BufferCase{"CapitalizeWords", "hello big world",
                   [](auto& b) { return num(b.CapitalizeWords()); }, "Hello Big World", "3"},
        BufferCase{"CapitalizeTwoWords", "hello big world",
                   [](auto& b) { return num(b.CapitalizeWords(2)); }, "Hello Big world", "2"},
        BufferCase{"CapitalizeCountsDelimiters", "hello  world",
                   [](auto& b) { return num(b.CapitalizeWords(2)); }, "Hello  world", "2"},
        BufferCase{"CapitalizeFromInsideAWord", "abc def",
                   [](auto& b) { return num(b.CapitalizeWords(0, 2)); }, "abc Def", "1"},
        BufferCase{"CapitalizeOwnDelimiters", "a_b c",
                   [](auto& b) { return num(b.CapitalizeWords(0, 1, 0, "_")); }, "A_B c", "2"},
        BufferCase{"CapitalizeAccented", "árbol"_cp,
                   [](auto& b) { return num(b.CapitalizeWords()); }, "Árbol"_cp, "1"},
        reading(
            "ExtensionOfAPath", "", [](auto& b) { return b.ExtensionOnly("C:\\dir.x\\file.txt"); },
            "txt"),
        reading(
            "NoExtension", "", [](auto& b) { return b.ExtensionOnly("C:\\dir.x\\file"); }, ""),
        reading(
            "LastExtension", "", [](auto& b) { return b.ExtensionOnly("archive.tar.gz"); }, "gz"),
        reading(
            "DotFirst", "", [](auto& b) { return b.ExtensionOnly(".profile"); }, ""),
        reading(
            "TrailingDot", "", [](auto& b) { return b.ExtensionOnly("name."); }, ""),
        reading(
            "ExtensionOfTheValue", "doc.pdf  ", [](auto& b) { return b.ExtensionOnly(); }, "pdf")),
    testing::caseName);

class Edit : public ::testing::TestWithParam<BufferCase> {};
TEST_P(Edit, Works) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, Edit,
    ::testing::Values(
        BufferCase{"Quote", "abc", [](auto& b) { b.Quote(); return ""; }, "\"abc\"", ""},
        BufferCase{"QuoteAlreadyQuoted", "\"abc\"", [](auto& b) { b.Quote(); return ""; },
                   "\"abc\"", ""},
        BufferCase{"QuoteEmpty", "", [](auto& b) { b.Quote(); return ""; }, "", ""},
        BufferCase{"QuoteEmptyOnRequest", "", [](auto& b) { b.Quote("", "", true); return ""; },
                   "\"\"", ""},
        BufferCase{"QuoteBrackets", "x", [](auto& b) { b.Quote("[", "]"); return ""; }, "[x]", ""},
        BufferCase{"UnquoteApostrophes", "'abc'", [](auto& b) { b.Unquote(); return ""; }, "abc",
                   ""},
        BufferCase{"UnquoteUnbalanced", "\"abc", [](auto& b) { b.Unquote(); return ""; }, "\"abc",
                   ""},
        BufferCase{"UnquoteTooShort", "\"", [](auto& b) { b.Unquote(); return ""; }, "\"", ""},
        BufferCase{"InsertEvery", "abcdefgh", [](auto& b) { b.InsertEvery(",", 3); return ""; },
                   "abc,def,gh", ""},
        BufferCase{"InsertEveryExactBlocks", "abcdef",
                   [](auto& b) { b.InsertEvery(",", 3); return ""; }, "abc,def", ""},
        BufferCase{"InsertEveryShortValue", "abc", [](auto& b) { b.InsertEvery(",", 3); return ""; },
                   "abc", ""},
        BufferCase{"InsertEveryLongText", "abcde",
                   [](auto& b) { b.InsertEvery("\r\n", 2); return ""; }, "ab\r\ncd\r\ne", ""},
        BufferCase{"InsertEveryZero", "abc", [](auto& b) { b.InsertEvery(",", 0); return ""; },
                   "abc", ""},
        BufferCase{"InsertBeyondTheEnd", "abc", [](auto& b) { b.Insert(10, "x"); return ""; },
                   "abc      x", ""},
        BufferCase{"InsertInside", "abc", [](auto& b) { b.Insert(2, "XY"); return ""; }, "aXYbc",
                   ""},
        BufferCase{"InsertAtStart", "abc", [](auto& b) { b.Insert(0, "X"); return ""; }, "Xabc", ""},
        BufferCase{"InsertItself", "abc",
                   [](auto& b) { b.Insert(2, b.Length(), b.GetAddress()); return ""; }, "aabcbc",
                   ""},
        BufferCase{"SetSliceCut", "abcde", [](auto& b) { b.SetSlice(2, 3, "XYZ"); return ""; },
                   "aXYde", ""},
        BufferCase{"SetSliceExtends", "abcde", [](auto& b) { b.SetSlice(6, 0, "fg"); return ""; },
                   "abcdefg", ""},
        BufferCase{"SetSlicePads", "abcde", [](auto& b) { b.SetSlice(2, 4, "Z"); return ""; },
                   "aZ  e", ""},
        reading("LeftSkipsBlanks", "  ab", [](auto& b) { return b.Left(6, 1); }, "ab    "),
        reading("LeftKeepsTheLength", "  ab", [](auto& b) { return b.Left(0, 1); }, "ab  "),
        reading("LeftCuts", "12345", [](auto& b) { return b.Left(2, 0); }, "12"),
        reading("RightZeroFill", "42", [](auto& b) { return b.Right(5, 0, "0"); }, "00042"),
        reading("RightCuts", "12345", [](auto& b) { return b.Right(2, 0); }, "45"),
        reading("RightSkipsTabAndBlank", "ab\t ", [](auto& b) { return b.Right(4, 3); }, "  ab"),
        reading("LeftOfEmpty", "", [](auto& b) { return b.Left(3, 0, "*"); }, "***"),
        reading("LeftAllSkipped", "00", [](auto& b) { return b.Left(3, 16, "-"); }, "---"),
        BufferCase{"SetRight", "7", [](auto& b) { b.SetRight(3, 0, "0"); return ""; }, "007", ""},
        BufferCase{"Repeat", "xy", [](auto& b) { b.Repeat(5); return ""; }, "xyxyx", ""},
        BufferCase{"RepeatEmpty", "", [](auto& b) { b.Repeat(2); return ""; }, "  ", ""},
        reading("RepeatedEmpty", "", [](auto& b) { return b.Repeated(3); }, "   "),
        BufferCase{"Reverse", "abc", [](auto& b) { b.Reverse(); return ""; }, "cba", ""},
        reading("ReverseText", "", [](auto&) { return TextBuffer::ReverseText("abcd"); }, "dcba"),
        BufferCase{"TrimBoth", "  a b  ", [](auto& b) { b.Trim(); return ""; }, "a b", ""},
        BufferCase{"TrimTrailing", "a  ", [](auto& b) { b.Trim(); return ""; }, "a", ""},
        BufferCase{"TrimKeepsTabs", "\ta", [](auto& b) { b.Trim(); return ""; }, "\ta", ""},
        BufferCase{"TrimAllBlanks", "   ", [](auto& b) { b.Trim(); return ""; }, "", ""},
        BufferCase{"TrimSet", "*-a*b-*", [](auto& b) { b.Trim("*-"); return ""; }, "a*b", ""},
        BufferCase{"TrimSetEverything", "**", [](auto& b) { b.Trim("*-"); return ""; }, "", ""},
        BufferCase{"TrimRightSet", "ab..", [](auto& b) { b.TrimRight("."); return ""; }, "ab", ""},
        BufferCase{"TrimRightBlanks", " ab  ", [](auto& b) { b.TrimRight(); return ""; }, " ab", ""},
        BufferCase{"CropLast", "abcde", [](auto& b) { return num(b.CropLast(2)); }, "abc", "2"},
        BufferCase{"CropLastAll", "abcde", [](auto& b) { return num(b.CropLast(9)); }, "", "5"},
        BufferCase{"CropFirst", "abcde", [](auto& b) { return num(b.CropFirst(2)); }, "cde", "2"},
        BufferCase{"RemovePrefixNoCase", "abc",
                   [](auto& b) { return num(b.RemovePrefix("AB", true)); }, "c", "1"},
        BufferCase{"RemovePrefixCase", "abc",
                   [](auto& b) { return num(b.RemovePrefix("AB", false)); }, "abc", "0"},
        BufferCase{"DeleteFromZero", "abcde", [](auto& b) { return num(b.DeleteRange(0, 2)); },
                   "bcde", "1"},
        BufferCase{"DeletePastTheEnd", "abcde", [](auto& b) { return num(b.DeleteRange(4, 10)); },
                   "abc", "2"},
        BufferCase{"DeleteBeyondTheEnd", "abcde", [](auto& b) { return num(b.DeleteRange(6, 1)); },
                   "abcde", "0"},
        BufferCase{"AsStringSets", "old", [](auto& b) { return b.AsString("new "); }, "new ",
                   "new "}),
    testing::caseName);

TEST(TextBufferEdit, InsertGrowsByThePolicyOrExactly) {
  TextBuffer b;
  b.SetValue("abc");
  b.Insert(2, "x");
  EXPECT_EQ(b.Size(), 50);
  TextBuffer exact;
  exact.USEBUFFER = 0;
  exact.SetValue("abc");
  exact.Insert(2, "x");
  EXPECT_EQ(exact.GetValue(), "axbc");
  EXPECT_EQ(exact.Size(), 4);
  exact.DeleteRange(1, 2);
  EXPECT_EQ(exact.Size(), 2);
}

TEST(TextBufferEdit, KeepAllowedCharsOfAFixedLengthVariable) {
  char field[12];
  std::memcpy(field, "a b?c.txt   ", 12);
  TextBuffer b;
  EXPECT_EQ(b.KeepAllowedCharsOf(".-_", "_", true, field), 2);
  EXPECT_EQ(std::string(field, 12), "a_b_c.txt   ");
  std::memcpy(field, "            ", 12);
  EXPECT_EQ(b.KeepAllowedCharsOf(".-_", "_", true, field), 0);
}

}  // namespace
}  // namespace textlib
