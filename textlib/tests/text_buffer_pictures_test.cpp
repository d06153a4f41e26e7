#include <gtest/gtest.h>

#include <string>

#include "textlib/text_buffer.h"

namespace textlib {
namespace {

TEST(TextBufferPictures, IsTimeWantsAnHourUpTo24AndAColonOrAmPm) {
  struct Row {
    const char* text;
    int expected;
  };
  for (const Row& r : {Row{"10:30", 1}, Row{"9pm", 1}, Row{"9 AM", 1}, Row{"24:00", 1},
                       Row{"25:00", 0}, Row{"930", 0}, Row{"10.30", 0}, Row{"", 0}, Row{"   ", 0},
                       Row{"13pm", 1}, Row{"100:00", 0}}) {
    TextBuffer b;
    b.SetValue(r.text);
    EXPECT_EQ(b.IsTime(), r.expected) << r.text;
    EXPECT_EQ(TextBuffer::IsTimeString(r.text), r.expected) << r.text;
  }
}

TEST(TextBufferPictures, FormatValueReplacesAndGetFormattedOnlyReturns) {
  TextBuffer b;
  b.SetValue("1234.5");
  EXPECT_EQ(b.GetFormatted("@N10.2"), "1,234.50");
  EXPECT_EQ(b.GetValue(), "1234.5");
  b.FormatValue("@N10.2");
  EXPECT_EQ(b.GetValue(), "1,234.50");

  b.SetFormatted("82093", "@D6");
  EXPECT_EQ(b.GetValue(), "02/10/2025");
  EXPECT_EQ(TextBuffer::FormatString("abcdef", "@S3"), "abc");
  EXPECT_EQ(TextBuffer::FormatTimeString("3630701", "@T4"), "10:05:07");
}

TEST(TextBufferPictures, FormatIfSetLeavesAnEmptyValueEmpty) {
  TextBuffer b;
  b.FormatIfSet("@N6");
  EXPECT_EQ(b.GetValue(), "");
  b.FormatValue("@N6");  // the empty text reads as 0
  EXPECT_EQ(b.GetValue(), "0");
  b.SetValue("7");
  b.FormatIfSet("@N03");
  EXPECT_EQ(b.GetValue(), "007");
}

TEST(TextBufferPictures, DeformatReadsBackByThePicture) {
  TextBuffer b;
  b.SetValue("1.234,56");
  EXPECT_EQ(b.GetDeformatted("@N10.2"), "1234.56");
  EXPECT_EQ(b.GetValue(), "1.234,56");
  b.DeformatValue("@N10.2");
  EXPECT_EQ(b.GetValue(), "1234.56");

  b.SetDeformatted("555-123", "@P###-###P");
  EXPECT_EQ(b.GetValue(), "555123");
  EXPECT_EQ(TextBuffer::DeformatString("02/10/2025", "@D6"), "82093");
}

TEST(TextBufferPictures, TimesAreReadWithoutAPicture) {
  TextBuffer b;
  b.DeformatTimeValue();
  EXPECT_EQ(b.GetValue(), "");
  b.SetValue("10:30");
  b.DeformatTimeValue();
  EXPECT_EQ(b.GetValue(), "3780001");
  EXPECT_EQ(TextBuffer::DeformatTimeString("2:15 pm"), "5130001");
  EXPECT_EQ(TextBuffer::DeformatTimeString(""), "");
  // What is read back shows again as it was typed.
  EXPECT_EQ(TextBuffer::FormatTimeString(TextBuffer::DeformatTimeString("14:15:30"), "@T4"),
            "14:15:30");
}

}  // namespace
}  // namespace textlib
