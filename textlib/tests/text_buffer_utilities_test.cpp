#include <gtest/gtest.h>

#include <string>

#include "platform/base/debug_sink.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

TEST(Utilities, PrefixAndSuffix) {
  TextBuffer b;
  b.SetValue("notes.txt");
  EXPECT_EQ(b.EndsWith(".TXT", false), 1);
  EXPECT_EQ(b.EndsWith(".TXT", true), 0);
  EXPECT_EQ(b.EndsWith(""), 1);
  EXPECT_EQ(b.StartsWith("NOTES", false), 1);
  EXPECT_EQ(b.StartsWith("notes  "), 1);
  EXPECT_EQ(b.StartsWith("notes  ", true, false), 0);
  EXPECT_EQ(b.StartsWith("notes.txt and more"), 0);
}

TEST(Utilities, AsnElements) {
  TextBuffer b;
  const std::string longContent(200, 'x');
  b.AsnWrap("\x04", longContent);
  EXPECT_EQ(b.GetValue(), std::string("\x04\x84\x00\x00\x00\xC8", 6) + longContent);
  TextBuffer content;
  char tag = 0;
  int position = 0;
  EXPECT_EQ(b.AsnReadElement(position, content, &tag, 1), 0);
  EXPECT_EQ(content.GetValue(), longContent);
  EXPECT_EQ(tag, '\x04');
  EXPECT_EQ(position, 207);

  b.AsnWrap("\x04", "hello");
  EXPECT_EQ(b.GetValue(), "\x04\x05hello");
  b.Append("\x02\x01\x05");
  position = 1;
  EXPECT_EQ(b.AsnReadElement(position, content), 0);
  EXPECT_EQ(content.GetValue(), "hello");
  EXPECT_EQ(position, 8);
  EXPECT_EQ(b.AsnReadElement(position, content), 0);
  EXPECT_EQ(content.GetValue(), "\x05");
  EXPECT_EQ(b.AsnReadElement(position, content), 1);

  b.SetValue("\x04\x05hel");
  position = 1;
  EXPECT_EQ(b.AsnReadElement(position, content), 1);
  EXPECT_EQ(position, 3);

  b.AsnEncodeNumber("\x02", 5);
  EXPECT_EQ(b.GetValue(), "\x02\x01\x05");
  b.AsnEncodeNumber("\x02", 300);
  EXPECT_EQ(b.GetValue(), std::string("\x02\x04\x2C\x01\x00\x00", 6));
}

TEST(Utilities, VersionToLong) {
  EXPECT_EQ(TextBuffer::VersionToLong("Version 9.0 (2,1,3)"), 196866);
  EXPECT_EQ(TextBuffer::VersionToLong("1,2"), 513);
  EXPECT_EQ(TextBuffer::VersionToLong("abc"), -1);
  EXPECT_EQ(TextBuffer::VersionToLong("1.5,2"), 513);
}

TEST(Utilities, PeekRamDumpsSixteenBytesALine) {
  TextBuffer b;
  b.SetValue(std::string("ABCDEFGHIJKLMNOP\x01QRS", 20));
  TextBuffer dump;
  b.PeekRam(dump, nullptr, 0, TextBuffer::kPeekHex);
  const std::string text = dump.GetValue();
  const std::size_t firstEnd = text.find("\r\n");
  ASSERT_NE(firstEnd, std::string::npos);
  const std::string first = text.substr(0, firstEnd);
  const std::string second = text.substr(firstEnd + 2, text.size() - firstEnd - 4);
  EXPECT_EQ(first.substr(8, 5), "h  | ");
  EXPECT_EQ(first.substr(13),
            " 41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50 | ABCDEFGHIJKLMNOP");
  EXPECT_EQ(second.substr(13), " 01 51 52 53" + std::string(36, ' ') + " | .QRS");
  EXPECT_TRUE(text.ends_with("\r\n"));

  b.PeekRam(dump, nullptr, 0, 10);
  EXPECT_NE(dump.GetValue().find(" 065 066"), std::string::npos);

  rt::DebugCapture capture;
  b.PeekRam(dump, reinterpret_cast<const void*>(100), 5, 32);
  EXPECT_EQ(b.LASTERROR, "INVALID PeekRam at 100, len=5");
  EXPECT_EQ(dump.Length(), 0);
  b.PeekRam();
  ASSERT_EQ(capture.lines().size(), 2u);
  EXPECT_NE(capture.lines()[1].find("PeekRam at "), std::string::npos);
  EXPECT_NE(capture.lines()[1].find("ABCDEFGHIJKLMNOP"), std::string::npos);
}

TEST(Utilities, Blobs) {
  TextBuffer b;
  b.SetValue("datos");
  std::string blob = "old";
  EXPECT_EQ(b.ToBlob(&blob), 1);
  EXPECT_EQ(blob, "datos");
  EXPECT_EQ(b.ToBlob(nullptr), 0);
  EXPECT_EQ(b.LASTERROR, "The passed BLOB pointer was null");
  const std::string empty;
  EXPECT_EQ(b.FromBlob(&empty), 0);
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.LASTERROR, "The passed BLOB pointer was null or the BLOB did not contain any data.");
  EXPECT_EQ(b.FromBlob(&blob), 1);
  EXPECT_EQ(b.GetValue(), "datos");
}

}  // namespace
}  // namespace textlib
