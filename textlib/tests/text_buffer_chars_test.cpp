#include <gtest/gtest.h>

#include <string>

#include "platform/base/cp_literal.h"
#include "platform/base/debug_sink.h"
#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::num;
using testing::readingNumber;

class KeepAndRemove : public ::testing::TestWithParam<BufferCase> {};
TEST_P(KeepAndRemove, Works) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, KeepAndRemove,
    ::testing::Values(
        BufferCase{"KeepDigits", "a1b22c", [](auto& b) { return num(b.KeepChars("0123456789")); },
                   "122", "3"},
        BufferCase{"KeepOneByte", "axbx", [](auto& b) { return num(b.KeepChars("x")); }, "xx", "2"},
        BufferCase{"KeepNothing", "abc", [](auto& b) { return num(b.KeepChars("")); }, "", "3"},
        BufferCase{"KeepWithReplacement", "a1b2",
                   [](auto& b) { return num(b.KeepChars("0123456789", "#")); }, "#1#2", "2"},
        BufferCase{"KeepEmptyAlphabetReplacesAll", "a#b",
                   [](auto& b) { return num(b.KeepChars("", "#")); }, "###", "2"},
        BufferCase{"RemoveTwo", "12-34/56", [](auto& b) { return num(b.RemoveChars("-/")); },
                   "123456", "2"},
        BufferCase{"RemoveReplacementItself", "aaa",
                   [](auto& b) { return num(b.RemoveChars("a", "a")); }, "aaa", "0"},
        BufferCase{"RemoveWithReplacement", "a-b/c",
                   [](auto& b) { return num(b.RemoveChars("-/", "_")); }, "a_b_c", "2"},
        BufferCase{"KeepRanges", "Ab-9!", [](auto& b) { return num(b.KeepCharRanges("a-z0-9")); },
                   "b9", "3"},
        BufferCase{"KeepRangesReplacing", "Ab-9!",
                   [](auto& b) { return num(b.KeepCharRanges("a-z0-9", ".")); }, ".b.9.", "3"},
        BufferCase{"RemoveRanges", "AbC", [](auto& b) { return num(b.RemoveCharRanges("A-Z")); },
                   "b", "2"},
        BufferCase{"LeadingDashLiteral", "-abcd",
                   [](auto& b) { return num(b.KeepCharRanges("-a-c")); }, "-abc", "1"},
        BufferCase{"TrailingDashLiteral", "-abcd",
                   [](auto& b) { return num(b.KeepCharRanges("a-c-")); }, "-abc", "1"},
        BufferCase{"TripleDashAfterByte", "ab-",
                   [](auto& b) { return num(b.KeepCharRanges("a---")); }, "a-", "1"},
        BufferCase{"TripleDash", "a-b", [](auto& b) { return num(b.KeepCharRanges("---")); }, "-",
                   "2"},
        BufferCase{"DashAtTheEndOfThree", "ab-c",
                   [](auto& b) { return num(b.KeepCharRanges("ab-")); }, "ab-", "1"},
        BufferCase{"TwoBytesAreNoRange", "ab-c",
                   [](auto& b) { return num(b.KeepCharRanges("a-")); }, "a-", "2"},
        BufferCase{"ReversedRange", "abc",
                   [](auto& b) { return num(b.KeepCharRanges("z-a")) + " " + b.LASTERROR; }, "abc",
                   "0 INVALID range in alphabet parameter : chars \"z-a\" in \"z-a\""},
        BufferCase{"MisplacedDash", "abc",
                   [](auto& b) { return num(b.KeepCharRanges("a-b-c")) + " " + b.LASTERROR; },
                   "abc",
                   "0 INVALID alphabet parameter : \"-\" character at position 4 in \"a-b-c\""},
        BufferCase{"AllowedWithAlphanumerics", "a b?c.txt",
                   [](auto& b) { return num(b.KeepAllowedChars(".-_", "_", true)); }, "a_b_c.txt",
                   "2"},
        BufferCase{"AllowedAccentedLetters", "niño!"_cp,
                   [](auto& b) { return num(b.KeepAllowedChars("", "", true)); }, "niño"_cp, "1"}),
    testing::caseName);

class CharacterTests : public ::testing::TestWithParam<BufferCase> {};
TEST_P(CharacterTests, Answers) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, CharacterTests,
    ::testing::Values(
        readingNumber(
            "OnlyNumberBytes", "-12.5", [](auto& b) { return b.ContainsOnly("0123456789-."); },
            true),
        readingNumber(
            "OnlyOnEmpty", "", [](auto& b) { return b.ContainsOnly("0123456789-."); }, false),
        readingNumber(
            "OnlyClippedAlphabet", "a b", [](auto& b) { return b.ContainsOnly("ab ", "", true); },
            false),
        readingNumber(
            "OnlyInAText", "x", [](auto& b) { return b.ContainsOnly("ab", "abba"); }, true),
        readingNumber(
            "Any", "xyz", [](auto& b) { return b.ContainsAny("az"); }, true),
        readingNumber(
            "AnyEmptyAlphabet", "xyz", [](auto& b) { return b.ContainsAny(""); }, false),
        readingNumber(
            "CharText", "xyz", [](auto& b) { return b.ContainsChar(std::string_view("y")); }, true),
        readingNumber(
            "CharEmptyText", "xyz", [](auto& b) { return b.ContainsChar(std::string_view()); },
            false),
        readingNumber(
            "CharByteInBlock", "", [](auto&) { return TextBuffer::ContainsChar('q', 3, "pqr"); },
            true),
        readingNumber(
            "AsciiAccent", "abé"_cp, [](auto& b) { return b.IsAscii(); }, false),
        readingNumber(
            "AsciiRangeBeforeAccent", "abé"_cp, [](auto& b) { return b.IsAscii(1, 2); }, true),
        readingNumber(
            "DigitsOnEmpty", "", [](auto& b) { return b.IsDigits(); }, true),
        readingNumber(
            "LowerWithBlank", "ab c", [](auto& b) { return b.IsLower(); }, false),
        readingNumber(
            "NoUpperWithBlank", "ab c", [](auto& b) { return b.HasNoUpper(); }, true),
        readingNumber(
            "Upper", "ABC", [](auto& b) { return b.IsUpper(); }, true),
        readingNumber(
            "NoLower", "A1-", [](auto& b) { return b.HasNoLower(); }, true),
        readingNumber(
            "Blank", "   ", [](auto& b) { return b.IsBlank(); }, true),
        readingNumber(
            "DigitAt", "a1", [](auto& b) { return b.IsDigitAt(2); }, true),
        readingNumber(
            "DigitAtOutside", "a1", [](auto& b) { return b.IsDigitAt(3); }, false),
        readingNumber(
            "ContainsDigit", "ab3", [](auto& b) { return b.ContainsDigit(); }, true)),
    testing::caseName);

TEST(TextBufferChars, AlphabetErrorsAreAlwaysTraced) {
  rt::DebugCapture capture;
  TextBuffer b;
  b.SetValue("abc");
  b.RemoveCharRanges("z-a");
  EXPECT_EQ(capture.lines(),
            std::vector<std::string>{"[tb][1] _ProcessCharRanges: INVALID range in alphabet "
                                     "parameter : chars \"z-a\" in \"z-a\""});
}

}  // namespace
}  // namespace textlib
