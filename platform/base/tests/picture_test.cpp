#include "platform/base/picture.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/base/number_text.h"
#include "platform/base/testing/picture_conformance.h"
#include "platform/base/testing/test_environment.h"

namespace {

TEST(Picture, ConformanceTable) {
  for (const rt::testing::PictureCase& c : rt::testing::kPictureCases) {
    EXPECT_EQ(rt::format(c.value, c.picture), c.text) << c.picture << " of " << c.value;
    EXPECT_EQ(rt::deformat(c.text, c.picture), c.readBack) << c.picture << " reading " << c.text;
  }
}

TEST(Picture, NumbersFormatTheSameAsTheirText) {
  for (const rt::testing::PictureCase& c : rt::testing::kPictureCases) {
    const rt::Picture p = rt::parsePicture(c.picture);
    if (p.kind == rt::PictureKind::String || p.kind == rt::PictureKind::KeyIn) continue;
    EXPECT_EQ(rt::format(std::stod(std::string(c.value)), p), c.text) << c.picture;
  }
}

TEST(Picture, RoundTripsThroughDeformat) {
  using rt::testing::kTestDate;
  const double numbers[] = {-1234.5, 0, 987654.25, 0.75};
  const double dates[] = {kTestDate - 30000, kTestDate, kTestDate + 7000, 4};
  // Two-digit years read back only inside the window around today.
  const double recentDates[] = {kTestDate - 29000, kTestDate, kTestDate + 6900};
  const double minutes[] = {1, 9 * 360000 + 5 * 6000 + 1, 12 * 360000 + 1,
                            23 * 360000 + 59 * 6000 + 1};
  const double seconds[] = {1, 15 * 360000 + 59 * 100 + 1, 8639901};
  struct Row {
    std::vector<const char*> pictures;
    std::vector<double> values;
  };
  const Row rows[] = {
      {{"@n-14.2", "@N$(13.2)", "@n-10`2", "@n-10v2", "@n-012.2"},
       {std::begin(numbers), std::end(numbers)}},
      {{"@d2", "@d3", "@d4", "@d6", "@d8", "@d10", "@d12", "@d17", "@d18", "@d6!"},
       {std::begin(dates), std::end(dates)}},
      {{"@d1", "@d5", "@d7", "@d9", "@d11"}, {std::begin(recentDates), std::end(recentDates)}},
      {{"@t1", "@t2", "@t3", "@t7"}, {std::begin(minutes), std::end(minutes)}},
      {{"@t4", "@t5", "@t6", "@t8", "@t4_"}, {std::begin(seconds), std::end(seconds)}},
  };
  for (const Row& row : rows) {
    for (const char* picture : row.pictures) {
      for (const double value : row.values) {
        const std::string text = rt::format(value, picture);
        EXPECT_EQ(rt::numericValue(rt::deformat(text, picture)), value)
            << picture << " of " << value << " shown as " << text;
      }
    }
  }
}

TEST(Picture, DatesAndTimesReadLooseInput) {
  struct Case {
    const char* picture;
    const char* text;
    const char* value;
  };
  const Case cases[] = {
      {"@d6", "2/10/2025", "82093"},
      {"@d6", "2-10-25", "82093"},
      {"@d17", "02102025", "82093"},
      {"@d6", "2 oct 2025", "82093"},
      {"@d6", "31/02/2025", ""},
      {"@d6", "2025", ""},
      {"@d6", "  ", "0"},
      {"@d18", "2 DE OCTUBRE DE 2025", "82093"},
      {"@d6", "dos/10/2025", ""},
      {"@t7", "9:05", "3270001"},
      {"@t7", "0905", "3270001"},
      {"@t8", "23:59:59", "8639901"},
      {"@t7", "9:60", ""},
      {"@t7", "24:00", ""},
      {"@t7", "3:05 pm", "5430001"},
      {"@t7", "12:00 am", "1"},
      {"@t7", "3:05 xm", ""},
      {"@n6", "1.234", "1.234"},
      {"@n-7", "(12)", "-12"},
      {"@n6", "abc", "0"},
      {"@n6", "", "0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rt::deformat(c.text, c.picture), c.value) << c.picture << " reading " << c.text;
  }
}

TEST(Picture, UnknownPicturesLeaveTheValue) {
  EXPECT_EQ(rt::parsePicture("@q12").kind, rt::PictureKind::None);
  EXPECT_EQ(rt::parsePicture("@d19").kind, rt::PictureKind::None);
  EXPECT_EQ(rt::parsePicture("Nombre").kind, rt::PictureKind::None);
  EXPECT_EQ(rt::parsePicture("@P###").kind, rt::PictureKind::None);
  EXPECT_EQ(rt::format("82090", "@q12"), "82090");
  EXPECT_EQ(rt::deformat("abc", ""), "abc");
  // Flags of the string library's own date and time pictures are read past.
  EXPECT_EQ(rt::format(82090, "@d6BUL"), "29/09/2025");
  EXPECT_EQ(rt::format(3780001, "@t4Z@N02@"), "10:30:00");
}

}  // namespace
