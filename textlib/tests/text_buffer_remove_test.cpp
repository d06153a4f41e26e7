#include <gtest/gtest.h>

#include <string>

#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::num;

class Removing : public ::testing::TestWithParam<BufferCase> {};
TEST_P(Removing, ChangesTheValue) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, Removing,
    ::testing::Values(
        BufferCase{"LineBreaks", "a\r\nb\r\nc\r\n", [](auto& b) { return num(b.Remove("\r\n")); },
                   "abc", "3"},
        BufferCase{"NoOverlap", "aaa", [](auto& b) { return num(b.Remove("aa")); }, "a", "1"},
        BufferCase{"OneByte", "a-b-c", [](auto& b) { return num(b.Remove("-")); }, "abc", "2"},
        BufferCase{"LongerThanValue", "ab", [](auto& b) { return num(b.Remove("abc")); }, "ab",
                   "0"},
        BufferCase{"Comments", "a<!--x-->b<!--y-->c",
                   [](auto& b) { return num(b.RemoveBlocks("<!--", "-->")); }, "abc", "2"},
        BufferCase{"CountOne", "a<!--x-->b<!--y-->c",
                   [](auto& b) { return num(b.RemoveBlocks("<!--", "-->", false, false, 1)); },
                   "ab<!--y-->c", "1"},
        BufferCase{"KeepDelimitersSkipsEmptyPair", "f(x)g()h",
                   [](auto& b) { return num(b.RemoveBlocks("(", ")", false, true)); }, "f()g()h",
                   "1"},
        BufferCase{"NoNesting", "a[b[c]d]e", [](auto& b) { return num(b.RemoveBlocks("[", "]")); },
                   "ad]e", "1"},
        BufferCase{"NoCaseScript", "x<SCRIPT>x</Script>y",
                   [](auto& b) { return num(b.RemoveBlocks("<script", "</script>", true)); }, "xy",
                   "1"},
        BufferCase{"CaseMatters", "x<SCRIPT>x</Script>y",
                   [](auto& b) { return num(b.RemoveBlocks("<script", "</script>")); },
                   "x<SCRIPT>x</Script>y", "0"},
        BufferCase{"UnmatchedStart", "a(b)c(d",
                   [](auto& b) { return num(b.RemoveBlocks("(", ")")); }, "ac(d", "1"},
        BufferCase{"EndBeforeStartIgnored", "a)b(c)d",
                   [](auto& b) { return num(b.RemoveBlocks("(", ")")); }, "a)bd", "1"},
        BufferCase{"NoEndDelimiterNoCase", "10:30 AM",
                   [](auto& b) { return num(b.RemoveBlocks("am", "", true)); }, "10:30 ", "1"},
        BufferCase{"NoEndDelimiterCount", "a,b,c,d",
                   [](auto& b) { return num(b.RemoveBlocks(",", "", false, false, 2)); }, "abc,d",
                   "2"},
        BufferCase{"ValueShorterThanDelimiters", "()",
                   [](auto& b) { return num(b.RemoveBlocks("((", ")")); }, "()", "0"},
        BufferCase{"Attributes", "<img src=a.png alt=x><img><imgx a>",
                   [](auto& b) {
                     b.RemoveAttributes("img ");
                     return std::string();
                   },
                   "<img><img><imgx a>", ""},
        BufferCase{"AttributesCount", "<a href=1>x</a><a href=2>",
                   [](auto& b) {
                     b.RemoveAttributes("a", 1);
                     return std::string();
                   },
                   "<a>x</a><a href=2>", ""},
        BufferCase{"AttributesUnclosed", "<a href=1",
                   [](auto& b) {
                     b.RemoveAttributes("a");
                     return std::string();
                   },
                   "<a href=1", ""},
        BufferCase{"XmlPrefixes", "<soap:Body><m:Get/></soap:Body>",
                   [](auto& b) {
                     b.RemoveXmlPrefixes();
                     return std::string();
                   },
                   "<Body><Get/></Body>", ""},
        BufferCase{"XmlPrefixesKeepAttributesAndText", "<a:b x:y=1>t:u</a:b>",
                   [](auto& b) {
                     b.RemoveXmlPrefixes();
                     return std::string();
                   },
                   "<b x:y=1>t:u</b>", ""},
        BufferCase{"XmlPrefixColonLast", "<x><a:",
                   [](auto& b) {
                     b.RemoveXmlPrefixes();
                     return std::string();
                   },
                   "<x><", ""}),
    testing::caseName);

TEST(Removing, CleanBufferBlanksTheReleasedBytes) {
  TextBuffer b;
  b.CLEANBUFFER = 1;
  b.SetValue("a<!--x-->b");
  EXPECT_EQ(b.RemoveBlocks("<!--", "-->"), 1);
  EXPECT_EQ(b.GetValue(), "ab");
  EXPECT_EQ(std::string(b.GetAddress(), 10), "ab        ");
}

}  // namespace
}  // namespace textlib
