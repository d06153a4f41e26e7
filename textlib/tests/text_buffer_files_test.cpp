#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/base/paths.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

void writeFile(const std::string& name, const std::string& bytes) {
  std::filesystem::create_directories(rt::resolvePath(name).parent_path());
  std::ofstream(rt::resolvePath(name), std::ios::binary) << bytes;
}

std::string readFile(const std::string& name) {
  std::ifstream in(rt::resolvePath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct LoadCase {
  const char* name;
  double offset;
  int length;
  std::string expected;
  int eof;
};

class LoadCases : public ::testing::TestWithParam<LoadCase> {};
TEST_P(LoadCases, ReadsThePart) {
  writeFile("ten.txt", "0123456789");
  TextBuffer b;
  ASSERT_EQ(b.LoadFile("ten.txt", GetParam().offset, GetParam().length), 1) << b.LASTERROR;
  EXPECT_EQ(b.GetValue(), GetParam().expected);
  EXPECT_EQ(b.EOF_, GetParam().eof);
  EXPECT_EQ(b.BYTES, static_cast<int>(GetParam().expected.size()));
}
INSTANTIATE_TEST_SUITE_P(Cases, LoadCases,
                         ::testing::Values(LoadCase{"Whole", 0, 0, "0123456789", 0},
                                           LoadCase{"FromFour", 4, 0, "456789", 0},
                                           LoadCase{"LastThree", -3, 0, "789", 0},
                                           LoadCase{"BeyondTheStart", -20, 0, "0123456789", 0},
                                           LoadCase{"Middle", 4, 3, "456", 0},
                                           LoadCase{"ToTheEnd", 8, 5, "89", 1},
                                           LoadCase{"LastThreeCounted", -3, 3, "789", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Files, LoadFailuresResetTheObject) {
  writeFile("ten.txt", "0123456789");
  writeFile("empty.txt", "");
  struct Case {
    std::string name;
    double offset;
    std::string error;
  };
  const Case cases[] = {
      {"   ", 0, "Cannot load the file, the name is blank."},
      {"missing.txt", 0, "Cannot load the file, the file [missing.txt] does not exist."},
      {"empty.txt", 0,
       "Error loading the file, the file size is zero. no data to read (empty.txt)."},
      {"ten.txt", 10, "Error loading the file, the offset is greater than the file length."},
  };
  for (const Case& c : cases) {
    TextBuffer b;
    b.SetValue("old");
    b.ENCODING = 2;
    EXPECT_EQ(b.LoadFile(c.name, c.offset), 0);
    EXPECT_EQ(b.LASTERROR, c.error);
    EXPECT_EQ(b.Length(), 0);
    EXPECT_EQ(b.ENCODING, 0);
    EXPECT_EQ(b.WINERRORCODE, 0);
  }
  std::filesystem::create_directories(rt::resolvePath("folder"));
  TextBuffer b;
  EXPECT_EQ(b.LoadFile("folder"), 0);
  EXPECT_EQ(b.LASTERROR, "Error loading the file, could not open folder.");
  EXPECT_EQ(b.WINERRORCODE, 5);
}

TEST(Files, WindowsStyleNamesAndByteOrderMarks) {
  writeFile("data/a.txt", "\xEF\xBB\xBFhola");
  TextBuffer b;
  ASSERT_EQ(b.LoadFile(".\\data\\a.txt", 0, 0, true), 1);
  EXPECT_EQ(b.GetValue(), "hola");
  EXPECT_EQ(b.ENCODING, 1);
  ASSERT_EQ(b.LoadFile(".\\DATA\\A.TXT"), 1);
  EXPECT_EQ(b.GetValue(), "\xEF\xBB\xBFhola");
  EXPECT_EQ(b.ENCODING, 1);
  EXPECT_EQ(b.LoadFile(".\\data\\b.txt"), 0);
  EXPECT_EQ(b.LASTERROR, "Cannot load the file, the file [" + rt::runtimeName(rt::workingFolder()) +
                             "\\data\\b.txt] does not exist.");
}

TEST(Files, SaveReplacesOrAppends) {
  TextBuffer b;
  b.SetValue("uno");
  EXPECT_EQ(b.SaveFile("out.txt"), 1);
  b.SetValue("dos");
  EXPECT_EQ(b.SaveFile("  out.txt  ", true), 1);
  EXPECT_EQ(readFile("out.txt"), "unodos");
  b.SetEmpty();
  EXPECT_EQ(b.SaveFile("out.txt", true), 1);
  EXPECT_EQ(readFile("out.txt"), "unodos");
  EXPECT_EQ(b.SaveFile("out.txt"), 1);
  EXPECT_EQ(readFile("out.txt"), "");
  EXPECT_EQ(b.SaveFileText("tres  ", "out.txt"), 1);
  EXPECT_EQ(readFile("out.txt"), "tres  ");
  EXPECT_EQ(b.SaveFileBytes("out.txt", 6, "cuatro", false, 3), 1);
  EXPECT_EQ(readFile("out.txt"), "cua");
  EXPECT_EQ(b.SaveFileBytes("out.txt", 6, "cuatro", true, -1), 1);
  EXPECT_EQ(readFile("out.txt"), "cua");

  EXPECT_EQ(b.SaveFile("  "), 0);
  EXPECT_EQ(b.LASTERROR, "Cannot save the file, the file name passed is blank.");
  EXPECT_EQ(b.SaveFile("nofolder\\x.txt"), 0);
  EXPECT_EQ(b.LASTERROR,
            "Could not save the file, the CreateFile API failed to create nofolder\\x.txt");
  EXPECT_EQ(b.WINERRORCODE, 2);
}

TEST(Files, StreamingWritesThroughSaveFile) {
  TextBuffer b;
  ASSERT_EQ(b.Stream(".\\stream.txt"), 0);
  b.Append("abc");
  b.Flush();
  b.Append("def");
  b.Destruct();
  EXPECT_EQ(readFile("stream.txt"), "abcdef");
}

TEST(Files, FileSize) {
  writeFile("ten.txt", "0123456789");
  writeFile("empty.txt", "");
  EXPECT_EQ(TextBuffer::FileSize("ten.txt"), 10);
  EXPECT_EQ(TextBuffer::FileSize("empty.txt"), 0);
  EXPECT_EQ(TextBuffer::FileSize("missing.txt"), -1);
  EXPECT_EQ(TextBuffer::FileSize("te?.txt"), 10);
}

TEST(Files, DetectAndAddByteOrderMarks) {
  TextBuffer b;
  b.SetValue(4,
             "\xFF\xFE"
             "a\0");
  EXPECT_EQ(b.DetectBom(false), 2);
  EXPECT_EQ(b.ENDIAN, 0);
  EXPECT_EQ(b.Length(), 4);
  b.AddBom(2);
  EXPECT_EQ(b.Length(), 4);
  b.SetValue("\xFE\xFFx");
  EXPECT_EQ(b.DetectBom(true), 2);
  EXPECT_EQ(b.ENDIAN, 1);
  EXPECT_EQ(b.GetValue(), "x");
  b.AddBom();
  EXPECT_EQ(b.GetValue(), "\xFE\xFFx");
  TextBuffer e;
  e.AddBom(1);
  EXPECT_EQ(e.GetValue(), "\xEF\xBB\xBF");
  e.AddBom(0);
  EXPECT_EQ(e.GetValue(), "\xEF\xBB\xBF");
}

}  // namespace
}  // namespace textlib
