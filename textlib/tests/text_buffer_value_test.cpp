#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/cp_literal.h"
#include "platform/base/debug_sink.h"
#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::num;

TEST(TextBufferGrowth, FirstAllocationIsExactThenFollowsTheSteps) {
  TextBuffer b;
  EXPECT_EQ(b.GrowSize_(10), 10);
  EXPECT_EQ(b.FIRST_, 1);
  const std::vector<std::pair<int, int>> steps = {
      {0, 50},        {40, 50},           {50, 50},           {51, 255},
      {255, 255},     {256, 511},         {300, 511},         {511, 511},
      {512, 1024},    {1025, 16384},      {16384, 16384},     {16385, 32770},
      {20000, 40000}, {1048576, 2097152}, {1048577, 2097153}, {2000000, 3048576},
      {-5, 1048571}};
  for (const auto& [requested, allocated] : steps) {
    EXPECT_EQ(b.GrowSize_(requested), allocated) << "request " << requested;
  }
}

TEST(TextBufferGrowth, AppendsAllocateExactlyFirstAndByPolicyAfter) {
  TextBuffer b;
  b.Append("abc");
  EXPECT_EQ(b.Size(), 3);
  b.Append("d");
  EXPECT_EQ(b.Size(), 50);
  EXPECT_EQ(b.GetValue(), "abcd");
  EXPECT_EQ(b.FreeSpace(), 46);
}

TEST(TextBufferGrowth, StartKeepsTheAllocationAndMakesTheNextReallocationExact) {
  TextBuffer b;
  b.SetLength(1000);
  b.SetLength(1024, true);
  ASSERT_EQ(b.Size(), 1024);
  b.Start(false);
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.Size(), 1024);
  b.SetLength(2000);  // reallocation: detached buffer, _FIRST cleared -> exact
  EXPECT_EQ(b.Size(), 2000);
  b.SetLength(3000);
  EXPECT_EQ(b.Size(), 16384);
}

TEST(TextBufferGrowth, WithoutUseBufferTheAllocationEqualsTheLength) {
  TextBuffer b;
  b.USEBUFFER = 0;
  b.SetValue("hello world");
  EXPECT_EQ(b.Size(), 11);
  b.Append("!!");
  EXPECT_EQ(b.Size(), 13);
  b.SetLength(5);
  EXPECT_EQ(b.Size(), 5);
  b.Replace("l", "LL");
  EXPECT_EQ(b.GetValue(), "heLLLLo");
  EXPECT_EQ(b.Size(), 7);
  b.Replace("LL", "x");
  EXPECT_EQ(b.GetValue(), "hexxo");
  EXPECT_EQ(b.Size(), 5);
  b.SetValue("ab");
  EXPECT_EQ(b.Size(), 2);
  b.SetValue(" ", true);
  EXPECT_EQ(b.Size(), 0);
}

TEST(TextBufferValue, EmptyOrBlankTextEmptiesAndKeepsTheAllocation) {
  TextBuffer b;
  b.SetValue("abcdef");
  b.SetValue("");
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.Size(), 6);
  b.SetValue("x");
  b.SetValue("   ", true);
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.Size(), 6);
}

TEST(TextBufferValue, GrowingWithinTheAllocationRevealsBlanks) {
  for (int clean : {0, 1}) {
    TextBuffer b;
    b.CLEANBUFFER = static_cast<std::uint8_t>(clean);
    b.SetValue("abcdef");
    b.SetLength(2);
    b.SetLength(5);
    EXPECT_EQ(b.GetValue(), "ab   ") << "CLEANBUFFER " << clean;
  }
}

TEST(TextBufferValue, HoldsZeroBytesAndCopiesItsOwnBytes) {
  TextBuffer b;
  const std::string bytes("a\0b\0c", 5);
  b.SetValue(bytes);
  EXPECT_EQ(b.Length(), 5);
  EXPECT_EQ(b.GetValue(), bytes);
  b.SetValue(3, b.GetAddress() + 2);  // part of its own value
  EXPECT_EQ(b.GetValue(), std::string("b\0c", 3));
}

TEST(TextBufferValue, ReferencesIntoTheValue) {
  TextBuffer b;
  EXPECT_EQ(b.GetValueRef().data(), nullptr);
  EXPECT_EQ(b.GetValueRef().size(), 0u);
  b.SetValue("abcde");
  EXPECT_EQ(b.GetValueRef(3, 99), "cde");
  EXPECT_EQ(b.GetValueRef(2), "bcde");
  EXPECT_EQ(b.GetValueRef(6).data(), nullptr);
  EXPECT_EQ(b.GetValueRef(4, 3).data(), nullptr);
  EXPECT_EQ(b.GetValue(2), "ab");
  EXPECT_EQ(b.GetValue(0), "");
  EXPECT_EQ(b.GetValue(99), "abcde");
}

TEST(TextBufferValue, CStringHoldsTheClippedValueAndTwoZeros) {
  TextBuffer b;
  EXPECT_EQ(b.GetCString(), nullptr);
  b.SetValue("ab  ");
  char* c = b.GetCString();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(std::string(c, 4), std::string("ab\0\0", 4));
  std::free(c);
}

TEST(TextBufferValue, SetValueFromCStringStopsAtTheTerminatorOfItsEncoding) {
  const unsigned char utf16[] = {0x41, 0x00, 0x00, 0x42, 0x00, 0x00, 0x00, 0x00};
  TextBuffer b;
  b.SetValueFromCString(utf16, 2);
  EXPECT_EQ(b.Length(), 4);
  EXPECT_EQ(b.ENCODING, 2);
  b.SetValueFromCString(utf16, 0);
  EXPECT_EQ(b.Length(), 1);
  b.SetValueFromCString(nullptr, -1);
  EXPECT_EQ(b.Length(), 0);
}

TEST(TextBufferValue, SetValueFromAnotherObjectCopiesItsAttributesAndLines) {
  TextBuffer source;
  source.SetValue("data");
  source.ENCODING = 1;
  source.GZIPPED = 1;
  source.CODEPAGE = 1252;
  source.LINES = std::make_unique<LineQueue>(LineQueue{TextLine{"one", 0, 0}});
  TextBuffer b;
  b.SetValue(source, TextBuffer::kAddLines);
  EXPECT_EQ(b.GetValue(), "data");
  EXPECT_EQ(b.ENCODING, 1);
  EXPECT_EQ(b.GZIPPED, 1);
  EXPECT_EQ(b.CODEPAGE, 1252);
  ASSERT_TRUE(b.LINES);
  ASSERT_EQ(b.LINES->size(), 1u);
  b.SetValueFromLine(1);
  EXPECT_EQ(b.GetValue(), "one");
  b.SetValueFromLine(2);
  EXPECT_EQ(b.GetValue(), "");
}

TEST(TextBufferValue, TakeValueFromMovesTheBuffer) {
  TextBuffer source;
  source.SetValue("moved");
  source.ENCODING = 1;
  TextBuffer b;
  b.TakeValueFrom_(source);
  EXPECT_EQ(b.GetValue(), "moved");
  EXPECT_EQ(b.ENCODING, 1);
  EXPECT_EQ(source.Length(), 0);
  EXPECT_EQ(source.GetAddress(), nullptr);
}

TEST(TextBufferValue, AdoptedAndPointedBlocksBecomeTheObjects) {
  TextBuffer b;
  char* block = static_cast<char*>(std::malloc(4));
  std::memcpy(block, "wxyz", 4);
  b.AdoptBuffer_(4, block, false);
  EXPECT_EQ(b.GetValue(), "wxyz");
  char* other = static_cast<char*>(std::malloc(8));
  std::memcpy(other, "12345678", 8);
  b.SetValuePointer_(other, 8, 5, true);
  EXPECT_EQ(b.GetValue(), "12345");
  EXPECT_EQ(b.Size(), 8);
  EXPECT_EQ(b.VALUEPTR.address, b.VALUE.address);
}

class TruncateAtWord : public ::testing::TestWithParam<BufferCase> {};
TEST_P(TruncateAtWord, CutsNearABlank) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, TruncateAtWord,
    ::testing::Values(
        BufferCase{"LooksBackFirst", "The quick brown fox",
                   [](TextBuffer& b) { return num(b.TruncateAtWord(12, 3, 3)); }, "The quick", "9"},
        BufferCase{"LooksAhead", "The quick brown fox",
                   [](TextBuffer& b) { return num(b.TruncateAtWord(14, 1, 2)); }, "The quick brown",
                   "15"},
        BufferCase{"BeyondTheEnd", "The quick brown fox",
                   [](TextBuffer& b) { return num(b.TruncateAtWord(20, 1, 2)); },
                   "The quick brown fox", "19"},
        BufferCase{"BlankAtTheCut", "The quick brown fox",
                   [](TextBuffer& b) { return num(b.TruncateAtWord(4, 0, 0)); }, "The", "3"},
        BufferCase{"NoBlankNearby", "abcdefgh",
                   [](TextBuffer& b) { return num(b.TruncateAtWord(5, 2, 2)); }, "abcde", "5"},
        BufferCase{"BelowTwoEmpties", "abc",
                   [](TextBuffer& b) { return num(b.TruncateAtWord(1, 2, 2)); }, "", "0"}),
    testing::caseName);

TEST(TextBufferValue, CountCharactersByEncoding) {
  TextBuffer b;
  EXPECT_EQ(b.CountCharacters(1, "\xC3\xA9"), 1);
  b.SetValue("12345678");
  EXPECT_EQ(b.CountCharacters(2), 4);
  EXPECT_EQ(b.CountCharacters(0), 8);
  b.ENCODING = 1;
  EXPECT_EQ(b.CountCharacters(), 8);
}

TEST(TextBufferEquals, ComparesWithClipAndCaseFlags) {
  TextBuffer b;
  b.SetValue("abc");
  EXPECT_TRUE(b.Equals("abc  ", TextBuffer::kEqualsClip));
  EXPECT_FALSE(b.Equals("abc  "));
  EXPECT_TRUE(b.Equals("ABC", TextBuffer::kEqualsNoCase));
  EXPECT_FALSE(b.Equals("ABC"));
  TextBuffer other;
  EXPECT_FALSE(b.Equals(other));
  other.SetValue("ABC");
  EXPECT_TRUE(b.Equals(other, TextBuffer::kEqualsNoCase));
  EXPECT_FALSE(b.Equals(other));
  TextBuffer empty1;
  TextBuffer empty2;
  EXPECT_TRUE(empty1.Equals(empty2));
  EXPECT_TRUE(empty1.Equals(""));
  b.SetValue("árbol"_cp);  // the runtime's case table pairs accented letters
  EXPECT_TRUE(b.Equals("ÁRBOL"_cp, TextBuffer::kEqualsNoCase));
}

TEST(TextBufferErrors, RecordErrorKeepsTheClippedTextAndTracesWhenAsked) {
  rt::DebugCapture capture;
  TextBuffer b;
  b.RecordError("Method  ", "Something failed   ");
  EXPECT_EQ(b.LASTERROR, "Something failed");
  EXPECT_TRUE(capture.lines().empty());
  b.RecordError("Method", "");
  EXPECT_EQ(b.LASTERROR, " ");
  b.RecordError("Method  ", "Forced", true);
  b.LOGERRORS = 1;
  b.WINERRORCODE = 5;
  b.RecordError("Other", "Logged");
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{"[tb][1] Method: Forced", "[tb][1] Other: Logged",
                                      "[tb][1]   API Error: 5: Access is denied."}));
  EXPECT_EQ(b.WINERRORCODE, 5);
}

TEST(TextBufferErrors, DebugOutWritesTheTextOrTheValue) {
  rt::DebugCapture capture;
  TextBuffer b;
  b.DebugOut();
  b.SetValue("value  ");
  b.DebugOut();
  b.DebugOut("note  ");
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{"[tb][1]", "[tb][1] value  ", "[tb][1] note"}));
}

TEST(TextBufferLifeCycle, StartResetsTheFieldsButKeepsFileFlags) {
  TextBuffer b;
  b.SetValue("abc");
  b.ENCODING = 2;
  b.CODEPAGE = 1252;
  b.LOGERRORS = 1;
  b.CLEANBUFFER = 1;
  b.EOF_ = 1;
  b.RecordError("X", "err");
  b.LINES = std::make_unique<LineQueue>(LineQueue{TextLine{}});
  b.Start(false);
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.ENCODING, 0);
  EXPECT_EQ(b.CODEPAGE, 0);
  EXPECT_EQ(b.LOGERRORS, 0);
  EXPECT_EQ(b.CLEANBUFFER, 0);
  EXPECT_EQ(b.LASTERROR, " ");
  EXPECT_EQ(b.EOF_, 1);
  EXPECT_TRUE(b.LINES->empty());
  b.Start(true);
  EXPECT_EQ(b.Size(), 0);
}

}  // namespace
}  // namespace textlib

namespace textlib {
namespace {

TEST(TextBufferGrowth, ReserveReleaseSpareAndAdjustLength) {
  TextBuffer b;
  b.SetValue("abc");
  b.Reserve(100);
  EXPECT_EQ(b.Size(), 100);
  EXPECT_EQ(b.GetValue(), "abc");
  b.Reserve(10);  // never shrinks
  EXPECT_EQ(b.Size(), 100);
  EXPECT_EQ(b.AdjustLength(2), 5);
  EXPECT_EQ(b.GetValue(), "abc  ");
  EXPECT_EQ(b.AdjustLength(-4), 1);
  b.ReleaseSpare();
  EXPECT_EQ(b.Size(), 1);
  EXPECT_EQ(b.GetValue(), "a");
  EXPECT_EQ(b.AdjustLength(-1), 0);
  EXPECT_EQ(b.Size(), 1);  // emptied, allocation kept
}

TEST(TextBufferLifeCycle, EmptyingWithCleanBufferBlanksTheReleasedBytes) {
  TextBuffer b;
  b.SetValue("abcdef");
  b.CLEANBUFFER = 1;
  b.SetValue("xy");
  EXPECT_EQ(std::string(b.GetAddress(), 6), "xy    ");
  b.SetValue("uvw");
  b.SetEmpty();
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.Size(), 6);
  EXPECT_EQ(std::string(b.GetAddress(), 6), "      ");
  b.CLEANBUFFER = 0;
  b.SetValue("abc");
  b.LINES = std::make_unique<LineQueue>(LineQueue{TextLine{}});
  b.Free(true);
  EXPECT_EQ(b.Length(), 0);
  EXPECT_TRUE(b.LINES->empty());
  EXPECT_EQ(std::string(b.GetAddress(), 3), "abc");  // only the length went
}

TEST(TextBufferValue, ClipLengthOfBlocks) {
  EXPECT_EQ(TextBuffer::ClipLength(5, "ab   "), 2);
  EXPECT_EQ(TextBuffer::ClipLength(5, nullptr), 0);
  EXPECT_EQ(TextBuffer::ClipLength(0, "ab"), 0);
  TextBuffer b;
  b.SetValue("  ");
  EXPECT_EQ(b.ClipLength(), 0);
  EXPECT_EQ(b.Length(), 2);
}

}  // namespace
}  // namespace textlib
