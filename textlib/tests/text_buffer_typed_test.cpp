#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "textlib/text_buffer.h"

namespace textlib {
namespace {

TEST(TypedFields, NumbersToAndFromTheValue) {
  TextBuffer b;
  b.FromVariable(std::int32_t{258});
  EXPECT_EQ(b.GetValue(), std::string("\x02\x01\x00\x00", 4));
  std::int16_t small = 0;
  b.ToVariable(small, 1);
  EXPECT_EQ(small, 258);
  b.ToVariable(small, 4);  // the missing byte reads as a blank
  EXPECT_EQ(small, 8192);

  TextBuffer empty;
  std::int32_t kept = 7;
  double real = 1.5;
  std::array<char, 3> fixed = {'a', 'b', 'c'};
  empty.ToVariable(kept);
  empty.ToVariable(real);
  empty.ToVariable(std::span<char>(fixed));
  EXPECT_EQ(kept, 7);
  EXPECT_EQ(real, 1.5);
  EXPECT_EQ(std::string(fixed.data(), 3), "abc");
}

TEST(TypedFields, BuffersAndDecimals) {
  std::array<char, 5> buffer = {'1', '2', '3', '4', '5'};
  TextBuffer::WriteBuffer(std::int32_t{0x41424344}, buffer, 3);
  EXPECT_EQ(std::string(buffer.data(), 5), "12345");
  TextBuffer::WriteBuffer(std::int32_t{0x41424344}, buffer, 2);
  EXPECT_EQ(std::string(buffer.data(), 5), "1DCBA");

  std::array<char, 4> decimal = {1, 2, 3, 4};
  TextBuffer::ReadBuffer(buffer, TextBuffer::DecimalRef{decimal.data(), 4}, 3);
  EXPECT_EQ(decimal, (std::array<char, 4>{0, 0, 0, 0}));
  TextBuffer::ReadBuffer(buffer, TextBuffer::DecimalRef{decimal.data(), 4}, 2);
  EXPECT_EQ(std::string(decimal.data(), 4), "DCBA");

  char cstring[4];
  TextBuffer::ReadBuffer(buffer, TextBuffer::CStringRef{cstring, 4}, 1);
  EXPECT_STREQ(cstring, "1DC");
  unsigned char pstring[4];
  TextBuffer::ReadBuffer(buffer, TextBuffer::PStringRef{pstring, 4}, 4);
  EXPECT_EQ(pstring[0], 2);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(pstring + 1), 2), "BA");
  std::array<char, 6> fixed{};
  TextBuffer::ReadBuffer(TextBuffer::PStringRef{pstring, 4}, fixed, 2);
  EXPECT_EQ(std::string(fixed.data(), 6), "A     ");
  TextBuffer::ReadBuffer(TextBuffer::CStringRef{cstring, 4}, fixed, 1);
  EXPECT_EQ(std::string(fixed.data(), 6), "1DC   ");

  TextBuffer b;
  b.FromVariable(TextBuffer::CStringRef{cstring, 4});
  EXPECT_EQ(b.GetValue(), "1DC");
  b.FromVariable(TextBuffer::PStringRef{pstring, 4});
  EXPECT_EQ(b.GetValue(), "BA");
  b.FromVariable(std::span<const char>(fixed));
  EXPECT_EQ(b.GetValue(), "1DC   ");
}

TEST(TypedFields, ByTypeName) {
  TextBuffer b;
  std::int32_t number = 0;
  b.SetValue(std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(b.GetBytes("long", &number), 1);
  EXPECT_EQ(number, 1);
  double real = 0;
  EXPECT_EQ(b.GetBytes("BYTE", &real), 1);
  EXPECT_EQ(real, 1);
  b.SetValue("abc");
  EXPECT_EQ(b.GetBytes("LONG", &number), 0);
  EXPECT_EQ(b.GetBytes("WORD", &number), 0);
  std::string text;
  EXPECT_EQ(b.GetBytes("STRING", &text), 1);
  EXPECT_EQ(text, "abc");

  std::int32_t big = 300;
  EXPECT_EQ(b.SetBytes("BYTE", &big), 1);
  EXPECT_EQ(b.GetValue(), "\x2C");
  double minusTwo = -2.7;
  EXPECT_EQ(b.SetBytes("SHORT", &minusTwo), 1);
  EXPECT_EQ(b.GetValue(), "\xFE\xFF");
  EXPECT_EQ(b.SetBytes("real", &minusTwo), 1);
  EXPECT_EQ(b.Length(), 8);
  std::string empty;
  EXPECT_EQ(b.SetBytes("STRING", &empty), 0);
  EXPECT_EQ(b.LASTERROR, "Cannot store the passed string, the length is zero");
  EXPECT_EQ(b.SetBytes("WORD", &big), 0);
  EXPECT_EQ(b.LASTERROR,
            "Cannot store the passed value, it is not of a valid type (WORD is not supported)");
}

TEST(TypedFields, CopyToVariable) {
  std::array<char, 4> fixed{};
  EXPECT_EQ(TextBuffer::CopyToVariable("abcdef", fixed), 6);
  EXPECT_EQ(std::string(fixed.data(), 4), "abcd");
  EXPECT_EQ(TextBuffer::CopyToVariable("ab", fixed), 0);
  EXPECT_EQ(std::string(fixed.data(), 4), "ab  ");
  EXPECT_EQ(TextBuffer::CopyToVariable("abcd  ", fixed, true), 0);
  EXPECT_EQ(TextBuffer::CopyToVariable("ab", std::span<char>()), -1);
}

TEST(TypedFields, ByteOrder) {
  EXPECT_EQ(TextBuffer::ByteSwap32(std::int32_t{1}), 1 << 24);
  EXPECT_EQ(TextBuffer::ByteSwap32(std::uint32_t{0x01020304}), 0x04030201u);
  TextBuffer b;
  b.SetValue("abcde");
  b.ToBigEndian();
  EXPECT_EQ(b.GetValue(), "abcde");
  b.ENCODING = 2;
  b.ToBigEndian();
  EXPECT_EQ(b.GetValue(), "badce");
  EXPECT_EQ(b.ENDIAN, 1);
  b.ToBigEndian();
  EXPECT_EQ(b.GetValue(), "badce");
  b.ToLittleEndian();
  EXPECT_EQ(b.GetValue(), "abcde");
  EXPECT_EQ(b.ENDIAN, 0);
}

}  // namespace
}  // namespace textlib
