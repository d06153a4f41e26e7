// The DOS (OEM) pages byte by byte against Python's codecs of the same
// names, and "?" for every character a narrow page lacks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>

#include "textlib/text_buffer.h"

namespace textlib {
namespace {

constexpr int kOemPages[] = {437, 737, 775, 850, 852, 855, 857, 858,
                             860, 861, 862, 863, 864, 865, 866, 869};

// Python's reading of every byte of a page: the code point, or -1 where the
// codec has no character.
std::vector<long> pythonPage(int page) {
  const std::string command =
      "/usr/bin/python3 -c \"import codecs\nfor b in range(256):\n"
      " try: print(ord(bytes([b]).decode('cp" +
      std::to_string(page) +
      "')))\n"
      " except UnicodeDecodeError: print(-1)\"";
  std::vector<long> points;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return points;
  long value = 0;
  while (std::fscanf(pipe, "%ld", &value) == 1) points.push_back(value);
  pclose(pipe);
  return points;
}

std::u16string wide(const BufferRef& ref) {
  std::u16string out(static_cast<std::size_t>(ref.size) / 2, u'\0');
  std::memcpy(out.data(), ref.address, out.size() * 2);
  return out;
}

TEST(OemPages, EveryByteReadsAsPythonReadsItAndGoesBack) {
  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "no Python to compare with";
  TextBuffer b;
  for (int page : kOemPages) {
    SCOPED_TRACE(page);
    const std::vector<long> expected = pythonPage(page);
    ASSERT_EQ(expected.size(), 256u);
    std::string all;
    for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
    int count = 0;
    BufferRef ref = b.AnsiToUtf16(256, all.data(), page, count);
    ASSERT_EQ(count, 256);
    const std::u16string units = wide(ref);
    std::free(ref.address);
    for (int byte = 0; byte < 256; ++byte) {
      if (expected[byte] < 0) continue;  // a byte the page leaves undefined
      EXPECT_EQ(static_cast<long>(units[byte]), expected[byte]) << "byte " << byte;
      BufferRef back = b.Utf16ToAnsi(2, &units[byte], page, 1, count);
      ASSERT_EQ(back.size, 1);
      EXPECT_EQ(static_cast<unsigned char>(back.address[0]), byte);
      std::free(back.address);
    }
  }
}

TEST(OemPages, AnsiAndOemKeepTheControlBytes) {
  TextBuffer b;
  const std::string controls("\x1A\x1C\x7F\x00\x10", 5);
  b.SetValue(controls);
  b.AnsiToOem();
  EXPECT_EQ(b.GetValue(), controls);
  b.OemToAnsi();
  EXPECT_EQ(b.GetValue(), controls);
  b.SetValue("\xB5");  // micro sign: 0xE6 in page 850
  b.AnsiToOem();
  EXPECT_EQ(b.GetValue(), "\xE6");
}

TEST(OemPages, EveryCharacterANarrowPageLacksBecomesAQuestionMark) {
  const std::u16string lacking[] = {u"\u200B",     u"\u034F", u"\u061C",
                                    u"\U000E0080", u"\u65E5", u"\U0001F600"};
  TextBuffer b;
  for (int page : {1252, 850, 437, 28591}) {
    for (const std::u16string& text : lacking) {
      SCOPED_TRACE(std::to_string(page) + " U+" + std::to_string(static_cast<int>(text[0])));
      const std::u16string withText = u"a" + text + u"b";
      int count = 0;
      BufferRef narrow = b.Utf16ToAnsi(static_cast<int>(withText.size() * 2), withText.data(), page,
                                       static_cast<int>(withText.size()), count);
      ASSERT_NE(narrow.address, nullptr);
      EXPECT_EQ(std::string(narrow.address, narrow.size), "a?b");
      std::free(narrow.address);
    }
  }
}

}  // namespace
}  // namespace textlib
