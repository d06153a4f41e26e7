#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/base/debug_sink.h"
#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;

std::string fileText(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

constexpr int kMegabyte = 1048576;

class Append : public ::testing::TestWithParam<BufferCase> {};
TEST_P(Append, AddsAtTheEnd) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, Append,
    ::testing::Values(
        BufferCase{"NoSeparatorOnAnEmptyValue", "",
                   [](TextBuffer& b) {
                     b.Append("x", ",", 0);
                     return "";
                   },
                   "x", ""},
        BufferCase{"SeparatorBeforeAnEmptyText", "a",
                   [](TextBuffer& b) {
                     b.Append("", ",", 0);
                     return "";
                   },
                   "a,", ""},
        BufferCase{"SkipEmptyAddsNothing", "a",
                   [](TextBuffer& b) {
                     b.Append("", ",", TextBuffer::kAddSkipEmpty);
                     return "";
                   },
                   "a", ""},
        BufferCase{"SkipEmptyAfterClip", "a",
                   [](TextBuffer& b) {
                     b.Append("  ", ",", 3);
                     return "";
                   },
                   "a", ""},
        BufferCase{"ClippedBlanksAddNothing", "a",
                   [](TextBuffer& b) {
                     b.Append("   ", TextBuffer::kAddClip);
                     return "";
                   },
                   "a", ""},
        BufferCase{"BlanksWithoutClip", "a",
                   [](TextBuffer& b) {
                     b.Append("   ", 0);
                     return "";
                   },
                   "a   ", ""},
        BufferCase{"FirstBytesOfAText", "",
                   [](TextBuffer& b) {
                     b.AppendFirst("abcdef", 3);
                     return "";
                   },
                   "abc", ""},
        BufferCase{"NegativeCountAddsAll", "",
                   [](TextBuffer& b) {
                     b.AppendFirst("abc", -1);
                     return "";
                   },
                   "abc", ""},
        BufferCase{"ZeroCountAddsNothing", "z",
                   [](TextBuffer& b) {
                     b.AppendFirst("abc", 0);
                     return "";
                   },
                   "z", ""},
        BufferCase{"LongBytesLeastSignificantFirst", "",
                   [](TextBuffer& b) {
                     b.AppendLongBytes(65, 2);
                     return "";
                   },
                   std::string("A\0", 2), ""},
        BufferCase{"LongBytesAtMostFour", "",
                   [](TextBuffer& b) {
                     b.AppendLongBytes(0x44434241, 9);
                     return "";
                   },
                   "ABCD", ""},
        BufferCase{"SingleByteAtAnAddress", "a",
                   [](TextBuffer& b) {
                     b.AppendByteAt("xyz");
                     return "";
                   },
                   "ax", ""},
        BufferCase{"ObjectWithSeparator", "a",
                   [](TextBuffer& b) {
                     TextBuffer other;
                     other.SetValue("b  ");
                     b.Append(other, TextBuffer::kAddClip, ";");
                     return "";
                   },
                   "a;b", ""},
        BufferCase{"EmptyObjectAddsTheSeparatorAlone", "a",
                   [](TextBuffer& b) {
                     TextBuffer other;
                     b.Append(other, ";");
                     return "";
                   },
                   "a;", ""},
        BufferCase{"BlobIsAppended", "a",
                   [](TextBuffer& b) {
                     const std::string blob("b\0c", 3);
                     b.Append(&blob);
                     return b.LASTERROR;
                   },
                   std::string("ab\0c", 4), " "},
        BufferCase{"MissingBlobIsRefused", "a",
                   [](TextBuffer& b) {
                     b.Append(static_cast<const std::string*>(nullptr));
                     return b.LASTERROR;
                   },
                   "a", "The passed BLOB pointer was null or the BLOB did not contain any data."}),
    testing::caseName);

class Prepend : public ::testing::TestWithParam<BufferCase> {};
TEST_P(Prepend, AddsAtTheStart) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Cases, Prepend,
                         ::testing::Values(BufferCase{"WithSeparator", "cd",
                                                      [](TextBuffer& b) {
                                                        b.Prepend("ab", ",", 0);
                                                        return "";
                                                      },
                                                      "ab,cd", ""},
                                           BufferCase{"NoSeparatorOnAnEmptyValue", "",
                                                      [](TextBuffer& b) {
                                                        b.Prepend("ab", ",", 0);
                                                        return "";
                                                      },
                                                      "ab", ""},
                                           BufferCase{"AnyFlagClips", "v",
                                                      [](TextBuffer& b) {
                                                        b.Prepend("x  ", 2);
                                                        return "";
                                                      },
                                                      "xv", ""},
                                           BufferCase{"SkipEmptyBlanks", "v",
                                                      [](TextBuffer& b) {
                                                        b.Prepend("  ", 2);
                                                        return "";
                                                      },
                                                      "v", ""},
                                           BufferCase{"ObjectAndSeparator", "v",
                                                      [](TextBuffer& b) {
                                                        TextBuffer other;
                                                        other.SetValue("o");
                                                        b.Prepend(other, "-");
                                                        return "";
                                                      },
                                                      "o-v", ""},
                                           BufferCase{"EmptyObjectAddsNothing", "v",
                                                      [](TextBuffer& b) {
                                                        TextBuffer other;
                                                        b.Prepend(other, "-");
                                                        return "";
                                                      },
                                                      "v", ""}),
                         testing::caseName);

TEST(TextBufferAppend, AppendingToItselfDoublesTheValueAlsoWhenGrowing) {
  TextBuffer b;
  b.SetValue("abc");
  ASSERT_EQ(b.Size(), 3);
  b.Append(b);
  EXPECT_EQ(b.GetValue(), "abcabc");
  b.Append(b.Length(), b.GetAddress());
  EXPECT_EQ(b.GetValue(), "abcabcabcabc");
  b.Append(b.GetValueRef(2, 3), ",", 0);
  EXPECT_EQ(b.GetValue(), "abcabcabcabc,bc");
}

TEST(TextBufferAppend, PrependInPlaceKeepsTheAllocation) {
  TextBuffer b;
  b.SetValue("world");
  b.SetLength(100);
  b.SetLength(5);
  const int size = b.Size();
  b.Prepend("hello", " ", 0);
  EXPECT_EQ(b.GetValue(), "hello world");
  EXPECT_EQ(b.Size(), size);
}

class TextBufferStream : public ::testing::Test {
 protected:
  std::string name = (std::filesystem::current_path() / "stream.out").string();
};

TEST_F(TextBufferStream, AppendsOverflowToTheFile) {
  TextBuffer b;
  ASSERT_EQ(b.Stream(name, 1, false), 0);
  EXPECT_EQ(b.Size(), kMegabyte);
  const std::string first(600000, 'a');
  const std::string second(600000, 'b');
  b.Append(first);
  EXPECT_EQ(fileText(name), "");
  b.Append(second);
  EXPECT_EQ(fileText(name), first);
  EXPECT_EQ(b.GetValue(), second);
  const std::string large(2000000, 'c');
  b.Append(large);
  EXPECT_EQ(fileText(name), first + second + large);
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.Size(), kMegabyte);  // a streaming object never grows
  b.Append("tail");
  b.Start();
  EXPECT_EQ(fileText(name), first + second + large + "tail");
  EXPECT_FALSE(b.streaming());
}

TEST_F(TextBufferStream, StartsWithTheHeldValueAndDeletesUnlessAppending) {
  { std::ofstream(name, std::ios::binary) << "old "; }
  TextBuffer b;
  b.SetValue("abc");
  ASSERT_EQ(b.Stream(name, 1, true), 0);
  EXPECT_EQ(fileText(name), "old abc");
  EXPECT_EQ(b.Length(), 0);
  TextBuffer c;
  c.SetValue("abc");
  ASSERT_EQ(c.Stream(name, 1, false), 0);
  EXPECT_FALSE(std::filesystem::exists(name));
  c.Append("new");
  EXPECT_EQ(c.Flush(), 0);
  EXPECT_EQ(fileText(name), "new");
}

TEST_F(TextBufferStream, BufferSizeOutsideTheLimitsIsTenMegabytes) {
  for (int mb : {0, 501}) {
    TextBuffer b;
    ASSERT_EQ(b.Stream(name, mb, true), 0);
    EXPECT_EQ(b.Size(), 10 * kMegabyte) << mb;
  }
}

TEST_F(TextBufferStream, DestructWritesThePendingValue) {
  {
    TextBuffer b;
    b.Stream(name, 1, false);
    b.Append("pending");
  }
  EXPECT_EQ(fileText(name), "pending");
}

TEST_F(TextBufferStream, WriteToStreamBypassesTheBuffer) {
  TextBuffer b;
  b.Stream(name, 1, false);
  b.Append("held,");
  EXPECT_EQ(b.WriteToStream("direct"), 0);
  EXPECT_EQ(fileText(name), "held,direct");
  EXPECT_EQ(b.Length(), 0);
}

TEST_F(TextBufferStream, PrependWhileStreamingWarnsAndWritesThePendingValue) {
  rt::DebugCapture capture;
  TextBuffer b;
  b.Stream(name, 1, false);
  b.Append("old");
  b.Prepend("new", "|", 0);
  EXPECT_EQ(b.GetValue(), "new|old");
  EXPECT_EQ(fileText(name), "old");
  EXPECT_EQ(b.LASTERROR, "Warning: Dubious use of prepend when streaming to " + name);
  ASSERT_FALSE(capture.lines().empty());
  EXPECT_EQ(capture.lines().back(),
            "[tb][1] Prepend: Warning: Dubious use of prepend when streaming to " + name);
}

TEST_F(TextBufferStream, RefusedRequestsRecordTracedErrors) {
  rt::DebugCapture capture;
  TextBuffer b;
  b.SetValue("keep");
  EXPECT_EQ(b.Flush(), 1);
  EXPECT_EQ(b.FlushAndKeep(), 1);
  EXPECT_EQ(b.GetValue(), "keep");
  EXPECT_EQ(b.Stream("   ", 1, false), 1);
  EXPECT_EQ(b.LASTERROR, "No filename specified");
  b.USEBUFFER = 0;
  EXPECT_EQ(b.Stream(name, 1, false), 1);
  EXPECT_EQ(b.LASTERROR, "Cannot Stream if UseBuffer not true");
  EXPECT_EQ(capture.lines(), (std::vector<std::string>{
                                 "[tb][1] Flush: flush ignored as not currently streaming",
                                 "[tb][1] FlushAndKeep: flush ignored as not currently streaming",
                                 "[tb][1] Stream: No filename specified",
                                 "[tb][1] Stream: Cannot Stream if UseBuffer not true"}));
}

TEST_F(TextBufferStream, UnwritableFileIsReportedAndTheBufferStillEmpties) {
  TextBuffer b;
  const std::string missing = (std::filesystem::current_path() / "no-such-dir" / "x").string();
  ASSERT_EQ(b.Stream(missing, 1, true), 0);
  b.Append("lost?");
  EXPECT_EQ(b.Flush(), 1);
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.WINERRORCODE, 2);
  EXPECT_EQ(b.LASTERROR, "Could not save the file, the CreateFile API failed to create " + missing);
}

}  // namespace
}  // namespace textlib

namespace textlib {
namespace {

class TextBufferStreamMisuse : public ::testing::Test {
 protected:
  std::string name = (std::filesystem::current_path() / "misuse.out").string();
};

TEST_F(TextBufferStreamMisuse, PointingAtABlockWhileStreamingWritesInsteadOfAdopting) {
  rt::DebugCapture capture;
  TextBuffer b;
  b.Stream(name, 1, false);
  b.Append("pending,");
  char* block = static_cast<char*>(std::malloc(5));
  std::memcpy(block, "block", 5);
  b.SetValuePointer_(block, 5, 5, false);
  EXPECT_EQ(fileText(name), "pending,");
  EXPECT_EQ(b.GetValue(), "block");
  EXPECT_EQ(b.Size(), kMegabyte);
  EXPECT_EQ(b.LASTERROR, "Error: Incorrect use when streaming to " + name);
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0],
            "[tb][1] _SetValuePointer: Error: Incorrect use when streaming to " + name);
}

TEST_F(TextBufferStreamMisuse, StreamingAgainKeepsANameEqualButForCase) {
  TextBuffer b;
  b.Stream(name, 1, false);
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  b.Stream(upper, 2, true);
  EXPECT_EQ(b.STREAMFILENAME, name);
  EXPECT_EQ(b.Size(), 2 * kMegabyte);
  const std::string other = name + ".2";
  b.Append("x");
  b.Stream(other, 1, true);
  EXPECT_EQ(b.STREAMFILENAME, other);
  EXPECT_EQ(fileText(name), "x");
}

TEST_F(TextBufferStreamMisuse, AppendingItsOwnPendingValueWhileStreaming) {
  TextBuffer b;
  b.Stream(name, 1, false);
  b.Append(std::string(700000, 'p'));
  b.Append(b);  // does not fit: the pending bytes are written, then appended again
  b.Flush();
  EXPECT_EQ(fileText(name), std::string(1400000, 'p'));
}

}  // namespace
}  // namespace textlib
