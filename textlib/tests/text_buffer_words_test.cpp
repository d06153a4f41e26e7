#include <gtest/gtest.h>

#include <string>

#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::num;
using testing::readingNumber;

// The n-th word with its positions, as "word start end".
auto word(int n, int start = 1, int type = 0, std::string delimiters = {}, bool numbers = false) {
  return [=](const TextBuffer& b) {
    int first = -1;
    int last = -1;
    const std::string w = b.GetWord(n, start, type, first, last, delimiters, numbers);
    return w + " " + num(first) + " " + num(last);
  };
}
BufferCase wordCase(std::string name, std::string value,
                    std::function<std::string(const TextBuffer&)> op, std::string expected) {
  return testing::reading(std::move(name), std::move(value), std::move(op), std::move(expected));
}
auto wrap(int width, bool keep, bool trim) {
  return [=](TextBuffer& b) {
    b.WordWrap(width, keep, trim);
    return num(b.Records());
  };
}
auto wordsOnly(int type, bool numbers = false) {
  return testing::changing([=](TextBuffer& b) { b.WordsOnly(type, {}, numbers); });
}

constexpr char kSentence[] = "Hello, world! It's 10:30.";

class Words : public ::testing::TestWithParam<BufferCase> {};
TEST_P(Words, AreFound) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Counting, Words,
    ::testing::Values(
        readingNumber(
            "Sentence", kSentence, [](auto& b) { return b.CountWords(); }, 5),
        readingNumber(
            "SentenceWithNumbers", kSentence, [](auto& b) { return b.CountWords(1, 0, {}, true); },
            4),
        readingNumber(
            "NumberForms", "1,500 3.14 12/05 10:30 1.",
            [](auto& b) { return b.CountWords(1, 0, {}, true); }, 5),
        readingNumber(
            "BlankType", "a-b c", [](auto& b) { return b.CountWords(1, 2); }, 2),
        readingNumber(
            "ControlType",
            "a\x01"
            "b\tc d",
            [](auto& b) { return b.CountWords(1, 8); }, 4),
        readingNumber(
            "OwnDelimiters", "a-b c|d", [](auto& b) { return b.CountWords(1, 0, "|"); }, 2),
        readingNumber(
            "FromLaterStart", "one two three", [](auto& b) { return b.CountWords(5); }, 2),
        readingNumber(
            "StartOutside", "one", [](auto& b) { return b.CountWords(9); }, 0),
        readingNumber(
            "OnlyDelimiters", " ,. ", [](auto& b) { return b.CountWords(); }, 0),
        readingNumber(
            "ApostropheAfterIn", "goin' home", [](auto& b) { return b.WordEnd(1); }, 5),
        readingNumber(
            "ApostropheAfterOneByte", "n' x", [](auto& b) { return b.WordEnd(1); }, 1),
        readingNumber(
            "ApostropheWithoutInRule", "it's", [](auto& b) { return b.WordEnd(1, 0, " "); }, 4),
        readingNumber(
            "WordEndAtDelimiter", "a b", [](auto& b) { return b.WordEnd(2); }, 0),
        readingNumber(
            "WordEndLastByte", "ab", [](auto& b) { return b.WordEnd(2); }, 2),
        readingNumber(
            "WordStartBackward", "one two", [](auto& b) { return b.WordStart(6, 0, -1); }, 5),
        readingNumber(
            "WordStartBackwardFromDelimiter", "one, two",
            [](auto& b) { return b.WordStart(5, 0, -1); }, 1),
        readingNumber(
            "WordStartForward", "  , x", [](auto& b) { return b.WordStart(1); }, 5),
        readingNumber(
            "WordStartNone", "x ,", [](auto& b) { return b.WordStart(2); }, 0)),
    testing::caseName);

INSTANTIATE_TEST_SUITE_P(
    Taking, Words,
    ::testing::Values(
        wordCase("Second", "one two three", word(2), "two 5 7"),
        wordCase("LastBackward", "one two three", word(-1, 0), "three 9 13"),
        wordCase("SecondBackward", "one two three", word(-2, 0), "two 5 7"),
        wordCase("BackwardFromFirstPosition", "one two three", word(-1, 1), "one 1 3"),
        wordCase("BackwardFromInsideWord", "one two three", word(-1, 6), "two 5 7"),
        wordCase("BeyondTheWords", "one two three", word(4), " 0 0"),
        wordCase("BeyondBackward", "one two three", word(-4, 0), " 0 0"),
        wordCase("Zeroth", "one two three", word(0), " 0 0"),
        wordCase("MarkupSkipsEntities", "&nbsp;ok &amp; go", word(1, 1, 1), "ok 7 8"),
        wordCase("MarkupSecond", "&nbsp;ok &amp; go", word(2, 1, 1), "go 16 17"),
        wordCase("MarkupEntityInsideWord", "caf&eacute; ok", word(1, 1, 1), "caf&eacute 1 10"),
        wordCase("NumbersKeepTime", kSentence, word(4, 1, 0, {}, true), "10:30 20 24"),
        wordCase("ApostropheInside", kSentence, word(3), "It's 15 18")),
    testing::caseName);

INSTANTIATE_TEST_SUITE_P(
    Reducing, Words,
    ::testing::Values(BufferCase{"Punctuation", "  Hi,   there!!  ", wordsOnly(0), "Hi there", ""},
                      BufferCase{"Numbers", "(10:30) - ok", wordsOnly(0, true), "10:30 ok", ""},
                      BufferCase{"BlankType", " a-b   c ", wordsOnly(2), "a-b c", ""},
                      BufferCase{"NoWords", " ;; ", wordsOnly(0), "", ""},
                      BufferCase{"Empty", "", wordsOnly(0), "", ""}),
    testing::caseName);

INSTANTIATE_TEST_SUITE_P(
    Wrapping, Words,
    ::testing::Values(
        BufferCase{"AtLastBlank", "aaa bbb ccc ddd", wrap(10, false, false), "aaa bbb\r\nccc ddd",
                   "2"},
        BufferCase{"LongWordStays", "abcdefghijklmno", wrap(10, false, false), "abcdefghijklmno",
                   "1"},
        BufferCase{"FirstBlankBeyondWidth", "abcdefghijkl mn op", wrap(5, false, false),
                   "abcdefghijkl\r\nmn op", "2"},
        BufferCase{"JoinsLinesKeepsParagraphs", "one\r\ntwo\r\n\r\nthree", wrap(20, false, false),
                   "one two\r\n\r\nthree", "3"},
        BufferCase{"KeepBreaksShortUntouched", "one\r\ntwo\r\n\r\nthree", wrap(20, true, false),
                   "one\r\ntwo\r\n\r\nthree", "0"},
        BufferCase{"KeepBreaksWraps", "aaa bbb\r\nccc", wrap(4, true, false), "aaa\r\nbbb\r\nccc",
                   "3"},
        BufferCase{"TrimLines", "  abc def  ", wrap(5, true, true), "abc\r\ndef", "2"},
        BufferCase{"BlanksBeforeBreaksDropped", "ab \t \r\ncd", wrap(3, true, false), "ab\r\ncd",
                   "2"},
        BufferCase{"TrimsContinuationLines", "aa   bb", wrap(2, false, true), "aa\r\nbb", "2"},
        BufferCase{"ZeroWidth", "a b", wrap(0, false, false), "a b", "0"}),
    testing::caseName);

}  // namespace
}  // namespace textlib
