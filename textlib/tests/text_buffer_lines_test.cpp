#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using Lines = std::vector<std::string>;

Lines linesOf(const TextBuffer& b) {
  Lines out;
  for (int n = 1; n <= b.Records(); ++n) out.push_back(b.GetLine(n));
  return out;
}

struct SplitCase {
  const char* name;
  std::string value;
  std::function<void(TextBuffer&)> split;
  Lines expected;
};

class SplitCases : public ::testing::TestWithParam<SplitCase> {};
TEST_P(SplitCases, Works) {
  TextBuffer b;
  b.SetValue(GetParam().value);
  GetParam().split(b);
  EXPECT_EQ(linesOf(b), GetParam().expected);
  EXPECT_EQ(b.GetValue(), GetParam().value);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, SplitCases,
    ::testing::Values(
        SplitCase{"EmptyPiece", "a,b,,c", [](auto& b) { b.Split(","); }, {"a", "b", "", "c"}},
        SplitCase{"SeparatorAtEnd", "a,b,", [](auto& b) { b.Split(","); }, {"a", "b", ""}},
        SplitCase{"EmptyValue", "", [](auto& b) { b.Split(","); }, {}},
        SplitCase{"LongSeparator", "a<>b<>", [](auto& b) { b.Split("<>"); }, {"a", "b", ""}},
        SplitCase{"Quoted", "x,#a,b#,y", [](auto& b) { b.Split(",", "#"); }, {"x", "#a,b#", "y"}},
        SplitCase{"QuotesRemoved",
                  "x,#a,b#,y",
                  [](auto& b) { b.Split(",", "#", {}, true); },
                  {"x", "a,b", "y"}},
        SplitCase{"Nested",
                  "a,(b,(c,d)),e",
                  [](auto& b) { b.Split(",", "(", ")", false, false, false, {}, true, true); },
                  {"a", "(b,(c,d))", "e"}},
        SplitCase{"NotNested",
                  "a,(b,(c),d),e",
                  [](auto& b) { b.Split(",", "(", ")"); },
                  {"a", "(b,(c)", "d)", "e"}},
        SplitCase{"QuoteLists",
                  "a,(b,c),[d,e],f",
                  [](auto& b) { b.Split(",", "(|[", ")|]", false, false, false, "|", false); },
                  {"a", "(b,c)", "[d,e]", "f"}},
        SplitCase{"ClipAndLeft",
                  "  a  ,b",
                  [](auto& b) { b.Split(",", {}, {}, false, true, true); },
                  {"a", "b"}},
        SplitCase{"LeftOnly",
                  "  a  ,b",
                  [](auto& b) { b.Split(",", {}, {}, false, false, true); },
                  {"a    ", "b"}},
        SplitCase{"BlanksWithClip",
                  "a,   ,b",
                  [](auto& b) { b.Split(",", {}, {}, false, true); },
                  {"a", "", "b"}},
        SplitCase{"BlanksWithLeft",
                  "a,   ",
                  [](auto& b) { b.Split(",", {}, {}, false, false, true); },
                  {"a", "   "}},
        SplitCase{"Every", "abcdefg", [](auto& b) { b.SplitEvery(3); }, {"abc", "def", "g"}},
        SplitCase{"Between",
                  "<a><bc>x<d>",
                  [](auto& b) { b.SplitBetween("<", ">"); },
                  {"<a>", "<bc>", "<d>"}},
        SplitCase{"BetweenExclusive",
                  "<a><bc>x<>",
                  [](auto& b) { b.SplitBetween("<", ">", false, true); },
                  {"a", "bc", ""}},
        SplitCase{"ByMatch", "a1b2c", [](auto& b) { b.SplitByMatch("[0-9]"); }, {"a", "b", "c"}},
        SplitCase{
            "ByMatchAtEnd", "a1b2", [](auto& b) { b.SplitByMatch("[0-9]"); }, {"a", "b", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Lines, SplitRecordsQuotesAndWhereTheLastLineBegins) {
  TextBuffer b;
  b.SetValue("x,#a,b#,y");
  b.Split(",", "#", {}, true);
  ASSERT_EQ(b.Records(), 3);
  EXPECT_EQ((*b.LINES)[1].QUOTED, 3);
  EXPECT_EQ((*b.LINES)[0].QUOTED, 0);
  EXPECT_EQ(b.ENDOFLASTLINE, 9);
  b.SetValue("a,,b");
  b.Split(",");
  EXPECT_EQ((*b.LINES)[1].EMPTY, 1);
  EXPECT_EQ((*b.LINES)[1].LINE, " ");
}

TEST(Lines, JoinQuotesWhereAsked) {
  TextBuffer b;
  b.AddLine("a");
  b.AddLine("b,c");
  b.Join(",", "#");
  EXPECT_EQ(b.GetValue(), "a,#b,c#");
  b.Join(",", "#", {}, 1);
  EXPECT_EQ(b.GetValue(), "#a#,#b,c#");
  b.AddLine("");
  b.Join(",", "#", {}, 1);
  EXPECT_EQ(b.GetValue(), "#a#,#b,c#,##");
  b.Join(",");
  EXPECT_EQ(b.GetValue(), "a,b,c,");
  b.USEBUFFER = 0;
  b.Join("--", "(", ")");
  EXPECT_EQ(b.GetValue(), "a--b,c--");
  EXPECT_EQ(b.Size(), b.Length());
}

TEST(Lines, ReadingChangingAndDeleting) {
  TextBuffer b;
  EXPECT_EQ(b.Records(), 0);
  EXPECT_EQ(b.GetLine(1), "");
  EXPECT_EQ(b.DeleteLine(1), 1);
  b.AddLine("a");
  b.AddLine("");
  b.AddLine("b");
  EXPECT_EQ(b.GetLines(","), "a,,b");
  EXPECT_EQ(b.GetLines(""), "ab");
  EXPECT_EQ(b.GetLines("+", 2), "+b");
  b.AddLine(1, "first");
  b.SetLine(9, "last");  // a missing line is added
  b.SetLine(2, "A");
  b.SetValue("own");
  b.SetLine(3);
  EXPECT_EQ(linesOf(b), (Lines{"first", "A", "own", "b", "last"}));
  EXPECT_EQ(b.DeleteLine(5), 0);
  EXPECT_EQ(b.DeleteLine(5), 1);
  EXPECT_EQ(b.Records(), 4);
  b.SetLine(1, "");
  EXPECT_EQ((*b.LINES)[0].EMPTY, 1);
}

TEST(Lines, RemovingAndFiltering) {
  TextBuffer b;
  for (const char* line : {"a", "", "   ", "--", "- x", "B"}) b.AddLine(line);
  EXPECT_EQ(b.RemoveLines("-"), 3);
  EXPECT_EQ(linesOf(b), (Lines{"a", "- x", "B"}));
  b.AddLine(" ");
  EXPECT_EQ(b.RemoveEmptyLines(), 1);
  b.FilterLines("b", "", true);
  EXPECT_EQ(linesOf(b), (Lines{"B"}));
  b.AddLine("abc");
  b.AddLine("abd");
  b.FilterLines("ab", "d  ", false, true);
  EXPECT_EQ(linesOf(b), (Lines{"abc"}));
}

TEST(Lines, InLine) {
  TextBuffer b;
  b.AddLine("xab");
  b.AddLine("abx");
  EXPECT_EQ(b.InLine("ab", 1, 1, 0, false, false, 1), 2);
  EXPECT_EQ(b.InLine("ab", 1, 1, 0, false, false, 2), 1);
  EXPECT_EQ(b.InLine("ab", 1, 1, 0, false, true), 0);
  EXPECT_EQ(b.InLine("ab", -1, 2, 1), 2);
  EXPECT_EQ(b.InLine("ab", 1, 2, 1), 0);
  EXPECT_EQ(b.InLine("AB", 1, 1, 0, true, false, 1), 2);
  EXPECT_EQ(b.InLine("abx"), 2);
  b.AddLine("");
  EXPECT_EQ(b.InLine(""), 3);
  EXPECT_EQ(b.InLine("   ", 1, 1, 0, false, false, 0, true), 3);
}

TEST(Lines, Sorting) {
  TextBuffer b;
  for (const char* line : {"b", "A", "c"}) b.AddLine(line);
  b.SortLines(TextBuffer::kSortNoCase);
  EXPECT_EQ(linesOf(b), (Lines{"A", "b", "c"}));
  b.FreeLines();
  for (const char* line : {"bbb", "a", "cc"}) b.AddLine(line);
  b.SortLines(TextBuffer::kSortByLength);
  EXPECT_EQ(linesOf(b), (Lines{"a", "cc", "bbb"}));
  b.FreeLines();
  for (const char* line : {"b2", "b10"}) b.AddLine(line);
  b.SortLines(TextBuffer::kSortCollated);
  EXPECT_EQ(linesOf(b), (Lines{"b10", "b2"}));
  b.SortLines(3);
  EXPECT_EQ(linesOf(b), (Lines{"b10", "b2"}));

  b.SetValue("pera,#uva,kiwi#,banana");
  b.SortItems(",", "#");
  EXPECT_EQ(b.GetValue(), "banana,pera,#uva,kiwi#");
  EXPECT_EQ(b.Records(), 0);
}

}  // namespace
}  // namespace textlib
