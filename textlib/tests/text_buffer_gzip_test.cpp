#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>

#include "textlib/optional_libraries.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

std::string sampleText(std::size_t size) {
  std::string text;
  std::uint32_t seed = 7;
  while (text.size() < size) {
    seed = seed * 1103515245u + 12345u;
    text += "paciente " + std::to_string((seed >> 16) % 1000) + " consulta\r\n";
  }
  text.resize(size);
  return text;
}

std::uint32_t littleEndian32(std::string_view bytes) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[i]);
  return v;
}

// Marks a library missing for one test and makes it loadable again after.
class MissingLibrary {
 public:
  explicit MissingLibrary(OptionalLibrary library) : library_(library) {
    SetLibraryAvailable(library_, false);
  }
  ~MissingLibrary() { SetLibraryAvailable(library_, true); }

 private:
  OptionalLibrary library_;
};

TEST(Gzip, CompressesToOneGzipMemberAndBack) {
  const std::string text = sampleText(100000);
  TextBuffer b;
  b.SetValue(text);
  EXPECT_EQ(b.GZip(), 0);
  EXPECT_EQ(b.GZIPPED, 1);
  const std::string packed = b.GetValue();
  ASSERT_GT(packed.size(), 18u);
  EXPECT_LT(packed.size(), text.size() / 2);
  EXPECT_EQ(packed.substr(0, 2), "\x1F\x8B");
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
  EXPECT_EQ(littleEndian32(packed.substr(packed.size() - 8, 4)), crc);
  EXPECT_EQ(littleEndian32(packed.substr(packed.size() - 4, 4)), text.size());

  EXPECT_EQ(b.GZip(), 0);  // already compressed: unchanged
  EXPECT_EQ(b.GetValue(), packed);
  EXPECT_EQ(b.Gunzip(), 0);
  EXPECT_EQ(b.GZIPPED, 0);
  EXPECT_EQ(b.GetValue(), text);

  TextBuffer empty;
  EXPECT_EQ(empty.GZip(), 0);
  EXPECT_EQ(empty.Length(), 0);
  EXPECT_EQ(empty.GZIPPED, 0);
}

TEST(Gzip, IncompressibleDataAndExactAllocation) {
  std::string noise(5000, '\0');
  std::uint32_t seed = 99;
  for (char& c : noise) c = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
  TextBuffer b;
  b.USEBUFFER = 0;
  b.SetValue(noise);
  ASSERT_EQ(b.GZip(9), 0);
  EXPECT_GT(b.Length(), 5000);  // more than the first output block holds
  EXPECT_EQ(b.Size(), b.Length());
  ASSERT_EQ(b.Gunzip(), 0);
  EXPECT_EQ(b.GetValue(), noise);
  EXPECT_EQ(b.Size(), b.Length());
}

TEST(Gzip, GunzipReadsZlibStreamsKeepsAHeaderAndExpandsWithoutLimit) {
  const std::string text(3000000, 'x');  // expands far beyond four times its packed size
  uLongf packedSize = compressBound(static_cast<uLong>(text.size()));
  std::string packed(packedSize, '\0');
  ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                      reinterpret_cast<const Bytef*>(text.data()), text.size(), 9),
            Z_OK);
  packed.resize(packedSize);
  TextBuffer b;
  b.SetValue("HEADER ok " + packed);
  EXPECT_EQ(b.Gunzip(10), 0);
  EXPECT_EQ(b.Length(), 10 + 3000000);
  EXPECT_EQ(b.GetValue(10), "HEADER ok ");
  EXPECT_EQ(b.GetValueRef(11), text);
  EXPECT_EQ(b.Gunzip(b.Length()), 0);  // nothing after the kept bytes
}

TEST(Gzip, CorruptInputLeavesTheValueAndTruncatedInputGivesWhatItHas) {
  TextBuffer b;
  b.SetValue(sampleText(20000));
  b.GZip();
  std::string packed = b.GetValue();
  std::string corrupt = packed;
  corrupt[12] = static_cast<char>(corrupt[12] ^ 0x55);
  corrupt[13] = static_cast<char>(corrupt[13] ^ 0x55);
  b.SetValue(corrupt);
  EXPECT_EQ(b.Gunzip(), Z_DATA_ERROR);
  EXPECT_EQ(b.GetValue(), corrupt);

  b.SetValue(packed.substr(0, packed.size() / 2));
  EXPECT_EQ(b.Gunzip(), 0);
  EXPECT_GT(b.Length(), 0);
  EXPECT_EQ(b.GetValue(), sampleText(20000).substr(0, static_cast<std::size_t>(b.Length())));

  b.SetValue("not compressed at all");
  EXPECT_EQ(b.Gunzip(), Z_DATA_ERROR);
  EXPECT_EQ(b.GetValue(), "not compressed at all");
}

TEST(Gzip, WithoutTheLibrary) {
  MissingLibrary missing(OptionalLibrary::Compression);
  TextBuffer b;
  b.SetValue("abc");
  EXPECT_EQ(b.GZip(), -99);
  EXPECT_EQ(b.LASTERROR, "Failed to load libz");
  EXPECT_EQ(b.GZIPDLLLOADED_, 0);
  EXPECT_EQ(b.LoadLibs(), 1);
  EXPECT_EQ(b.Gunzip(), -99);
  EXPECT_EQ(b.LASTERROR, "TextBuffer unable to Gunzip because of DLL Error");
  EXPECT_EQ(b.GetValue(), "abc");
}

std::string utf16(const std::u16string& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

TEST(Normalize, FormsAndTheKeepEncodingFlag) {
  TextBuffer b;
  b.SetValue(utf16(u"\uFB01n"));  // ligature fi
  b.ENCODING = 2;
  EXPECT_EQ(b.Normalize(5), 0);
  EXPECT_EQ(b.GetValue(), utf16(u"fin"));

  b.SetValue("caf\xC3\xA9");
  b.ENCODING = 1;
  EXPECT_EQ(b.Normalize(2, true), 0);
  EXPECT_EQ(b.ENCODING, 1);
  EXPECT_EQ(b.GetValue(), "cafe\xCC\x81");
  EXPECT_EQ(b.Normalize(1), 0);
  EXPECT_EQ(b.ENCODING, 2);
  EXPECT_EQ(b.GetValue(), utf16(u"caf\u00E9"));
  EXPECT_EQ(b.Normalize(3), 1);  // not a form

  b.SetValue("caf\xE9");
  b.ENCODING = 0;
  EXPECT_EQ(b.Normalize(5, true), 0);
  EXPECT_EQ(b.GetValue(), "caf\xE9");
}

TEST(Normalize, WithoutTheNormaliserAnsiConversionGoesOn) {
  MissingLibrary missing(OptionalLibrary::Normalizer);
  TextBuffer b;
  b.SetValue(utf16(u"\uFB01"));
  b.ENCODING = 2;
  EXPECT_EQ(b.Normalize(5), -99);
  EXPECT_EQ(b.LoadNormalize(), 1);
  b.SetValue(
      "\xEF\xAC\x81"
      "n \xC3\xB1");
  EXPECT_EQ(b.ToAnsi(1), 1);
  EXPECT_EQ(b.GetValue(), "?n \xF1");
}

}  // namespace
}  // namespace textlib
