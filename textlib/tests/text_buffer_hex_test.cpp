#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::num;

template <typename Op>
BufferCase changing(std::string name, std::string value, Op op, std::string expected) {
  return {std::move(name), std::move(value),
          [op](TextBuffer& b) {
            op(b);
            return std::string();
          },
          std::move(expected), ""};
}

std::string sixteenBytes() {
  std::string s;
  for (int i = 0; i < 16; ++i) s.push_back(static_cast<char>(i));
  return s;
}

class HexCases : public ::testing::TestWithParam<BufferCase> {};
TEST_P(HexCases, Works) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, HexCases,
    ::testing::Values(
        changing(
            "ToHexUpperSpaced", "Hi!", [](auto& b) { b.ToHex(1, true); }, "48 69 21"),
        changing(
            "ToHexLowerKeepsBlanks", "\xAB ", [](auto& b) { b.ToHex(); }, "ab20"),
        changing(
            "FromHexSpaced", "48 69 21", [](auto& b) { b.FromHex(); }, "Hi!"),
        changing(
            "FromHexUneven", "4869 21", [](auto& b) { b.FromHex(); }, "Hi!"),
        changing(
            "FromHexDropsLoneDigit", "abc", [](auto& b) { b.FromHex(); }, "\xAB"),
        changing(
            "FromHexNoDigits", "xyz", [](auto& b) { b.FromHex(); }, ""),
        changing(
            "GuidDashes", sixteenBytes(), [](auto& b) { b.FormatGuid(0); },
            "00010203-0405-0607-0809-0a0b0c0d0e0f"),
        changing(
            "GuidBraces", sixteenBytes(), [](auto& b) { b.FormatGuid(256); },
            "{00010203-0405-0607-0809-0a0b0c0d0e0f}"),
        changing(
            "GuidBracesNoDashes", sixteenBytes(), [](auto& b) { b.FormatGuid(264); },
            "{000102030405060708090a0b0c0d0e0f}"),
        changing(
            "GuidDigitsOnly", sixteenBytes(), [](auto& b) { b.FormatGuid(8); },
            "000102030405060708090a0b0c0d0e0f"),
        changing(
            "GuidWrongLength", "short", [](auto& b) { b.FormatGuid(256); }, "short"),
        changing(
            "ParseGuid", "{00010203-0405-0607-0809-0a0b0c0d0e0f}", [](auto& b) { b.ParseGuid(); },
            sixteenBytes()),
        changing(
            "ConvertHexToBinary", "ff", [](auto& b) { b.ConvertRadix(16, 2); }, "11111111"),
        changing(
            "ConvertZero", "0", [](auto& b) { b.ConvertRadix(10, 16); }, "0"),
        changing(
            "ConvertDecimalToBase36", "1295", [](auto& b) { b.ConvertRadix(10, 36); }, "zz"),
        changing(
            "ConvertBadBase", "12", [](auto& b) { b.ConvertRadix(10, 37); }, "12"),
        changing(
            "ToHexArray", "ab", [](auto& b) { b.ToHexArray(); }, "[0x61,0x62]"),
        changing(
            "ToHexArrayEmpty", "", [](auto& b) { b.ToHexArray(); }, "[]"),
        changing(
            "FromHexArray", "[0x61,0x62]", [](auto& b) { b.FromHexArray(); }, "ab"),
        changing(
            "FromHexArrayEmpty", "[]", [](auto& b) { b.FromHexArray(); }, ""),
        changing(
            "FromHexArrayNoBrackets", "0x61", [](auto& b) { b.FromHexArray(); }, "0x61"),
        BufferCase{"DivideInRadix", "ff",
                   [](auto& b) {
                     int remainder = -1;
                     const int result = b.DivideInRadix(16, remainder, 16);
                     return num(result) + "/" + num(remainder);
                   },
                   "f", "0/15"},
        BufferCase{"DivideToZero", "3",
                   [](auto& b) {
                     int remainder = -1;
                     const int result = b.DivideInRadix(7, remainder, 10);
                     return num(result) + "/" + num(remainder);
                   },
                   "", "0/3"},
        BufferCase{"DivideByOne", "42",
                   [](auto& b) {
                     int remainder = -1;
                     const int result = b.DivideInRadix(1, remainder, 10);
                     return num(result) + "/" + num(remainder);
                   },
                   "42", "0/0"},
        BufferCase{"DivideBadBase", "42",
                   [](auto& b) {
                     int remainder = -1;
                     return num(b.DivideInRadix(3, remainder, 1));
                   },
                   "42", "1"}),
    testing::caseName);

TEST(Hex, NumberBases) {
  EXPECT_EQ(TextBuffer::LongToString(-255, 16, true), "-ff");
  EXPECT_EQ(TextBuffer::LongToString(255, 16), "FF");
  EXPECT_EQ(TextBuffer::LongToString(5, 37), "0");
  EXPECT_EQ(TextBuffer::LongToString(0, 10), "0");
  EXPECT_EQ(TextBuffer::LongToString(INT32_MIN, 16, true), "-80000000");
  EXPECT_EQ(TextBuffer::StringToLong("-1 0", 10), -10);
  EXPECT_EQ(TextBuffer::StringToLong("ff", 16), 255);
  EXPECT_EQ(TextBuffer::StringToLong("1g", 16), 1);
  EXPECT_EQ(TextBuffer::StringToLong("  - 12  ", 10), -12);
  EXPECT_EQ(TextBuffer::StringToLong("ZZ", 36), 1295);
  EXPECT_EQ(TextBuffer::StringToLong("12", 1), 0);
  EXPECT_EQ(TextBuffer::StringToLong("", 10), 0);
}

TEST(Hex, SingleValues) {
  EXPECT_EQ(TextBuffer::ByteToHex(0xAB), "ab");
  EXPECT_EQ(TextBuffer::ByteToHex(7), "07");
  EXPECT_EQ(TextBuffer::HexToByte("Ab"), 0xAB);
  EXPECT_EQ(TextBuffer::HexToByte("f"), 15);
  EXPECT_EQ(TextBuffer::HexToByte("abc"), 0);
  EXPECT_EQ(TextBuffer::HexToByte(""), 0);
  EXPECT_EQ(TextBuffer::LongToHex(0x01020A0B), "01020a0b");
  EXPECT_EQ(TextBuffer::LongToHex(-1), "ffffffff");
}

std::string taken(BufferRef block) {
  std::string s = block.address == nullptr ? "" : std::string(block.address, block.size);
  std::free(block.address);
  return s;
}

TEST(Hex, NewBlocks) {
  EXPECT_EQ(taken(TextBuffer::StringToHex("ab  ", 1, 0)), "6162");
  EXPECT_EQ(taken(TextBuffer::StringToHex("ab  ", 0, 3)), "616220");
  EXPECT_EQ(TextBuffer::StringToHex("   ", 0, 0).address, nullptr);
  EXPECT_EQ(taken(TextBuffer::HexToBytes("4-8.6?9")), "Hi");
  EXPECT_EQ(TextBuffer::HexToBytes("zz").address, nullptr);
}

// One number of a flexible polyline, as its encoder writes it.
std::string polylineNumber(unsigned long long n) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string out;
  do {
    unsigned v = n & 31;
    n >>= 5;
    if (n > 0) v |= 32;
    out.push_back(alphabet[v]);
  } while (n > 0);
  return out;
}
unsigned long long zigzag(long long v) {
  return v < 0 ? static_cast<unsigned long long>(-v) * 2 - 1
               : static_cast<unsigned long long>(v) * 2;
}

TEST(Hex, PolylineRendersPairsAndTriples) {
  TextBuffer b;
  b.SetValue(polylineNumber(1) + polylineNumber(5) + polylineNumber(zigzag(5012345)) +
             polylineNumber(zigzag(-50000)) + polylineNumber(zigzag(-12345)) +
             polylineNumber(zigzag(100000)));
  b.PolylineDecode();
  EXPECT_EQ(b.GetValue(), "{(5, 0, 0); [(50.12345,-0.5), (50,0.5), ]}");

  // A third dimension (kind 2, precision 1).
  b.SetValue(polylineNumber(1) + polylineNumber(5 | 2 << 4 | 1 << 7) + polylineNumber(zigzag(1)) +
             polylineNumber(zigzag(2)) + polylineNumber(zigzag(-35)));
  b.PolylineDecode();
  EXPECT_EQ(b.GetValue(), "{(5, 1, 2); [(0.00001,0.00002,-3.5), ]}");

  b.SetValue("B");
  b.PolylineDecode();
  EXPECT_EQ(b.GetValue(), "B");
}

}  // namespace
}  // namespace textlib
