#include "platform/ui/rich_text_pages.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <string>

namespace rt {
namespace {

// `count` one-line paragraphs of 12 pt Arial.
std::string lines(int count) {
  std::string markup = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ";
  for (int i = 0; i < count; ++i) markup += "L\\'ednea " + std::to_string(i) + "\\par ";
  return markup + "}";
}

// Rows of the image holding anything darker than white.
std::pair<int, int> inkRows(const QImage& image) {
  int first = -1, last = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 200) {
        if (first < 0) first = y;
        last = y;
        break;
      }
    }
  }
  return {first, last};
}

TEST(RichTextPages, MeasuresInThousandthsOfAnInch) {
  const RichTextPages one(lines(1), 6656);
  // A 12 pt line is 1/6 inch of type plus its leading.
  EXPECT_GT(one.totalHeight(), 166);
  EXPECT_LT(one.totalHeight(), 260);
  const RichTextPages narrow("{\\rtf1 " + std::string(400, 'x').replace(1, 200, 200, ' ') + "}",
                             500);
  const RichTextPages wide("{\\rtf1 " + std::string(400, 'x').replace(1, 200, 200, ' ') + "}",
                           6000);
  EXPECT_GT(narrow.totalHeight(), wide.totalHeight());
  for (const char* kind : {"", "\\tqc", "\\tqr", "\\tqdec"}) {
    const RichTextPages tabbed(
        std::string("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24\\tx1440") + kind +
            "\\tx5760 Uno\\tab Dos\\tab 1,5}",
        6656);
    EXPECT_EQ(tabbed.totalHeight(), one.totalHeight()) << "tab stops kept on one line: " << kind;
  }
}

TEST(RichTextPages, CutsPagesOnLineBoundariesAndContinues) {
  RichTextPages pages(lines(40), 6656);
  const double lineHeight = pages.totalHeight() / 40.0;
  QImage image(700, 200, QImage::Format_RGB32);
  int drawn = 0;
  int slices = 0;
  while (!pages.atEnd()) {
    const int expected = pages.nextSliceHeight(1000);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(0.1, 0.1);  // 100 dpi
    const int height = pages.drawNext(painter, QPointF(0, 0), 1000);
    painter.end();
    ASSERT_EQ(height, expected);
    ASSERT_GT(height, 0);
    ASSERT_LE(height, 1000);
    const double linesInSlice = height / lineHeight;
    EXPECT_NEAR(linesInSlice, std::round(linesInSlice), 0.05) << "a line was cut";
    const auto [first, last] = inkRows(image);
    EXPECT_GE(first, 0) << "slice " << slices << " drew nothing";
    EXPECT_LE(last, height / 10 + 1) << "ink beyond the slice";
    drawn += height;
    ++slices;
  }
  EXPECT_EQ(pages.nextSliceHeight(1000), 0);
  EXPECT_NEAR(drawn, pages.totalHeight(), slices);
  EXPECT_GE(slices, 7);
}

TEST(RichTextPages, ALineTallerThanThePageStillMovesOn) {
  RichTextPages pages("{\\rtf1\\fs144 Grande}", 6000);
  ASSERT_GT(pages.totalHeight(), 300);
  QImage image(10, 10, QImage::Format_RGB32);
  QPainter painter(&image);
  int guard = 0;
  while (!pages.atEnd() && guard++ < 100)
    EXPECT_EQ(pages.drawNext(painter, QPointF(0, 0), 300) > 0, true);
  EXPECT_TRUE(pages.atEnd());
}

TEST(RichTextPages, TextNamingNoFontTakesTheGivenFamily) {
  std::string narrow;
  for (int i = 0; i < 60; ++i) narrow += "iiii ";
  const RichTextPages mono(narrow, 3000, QFont("Liberation Mono"));
  const RichTextPages sans(narrow, 3000, QFont("Liberation Sans"));
  EXPECT_GT(mono.totalHeight(), sans.totalHeight()) << "wide letters take more lines";
}

TEST(RichTextPages, AnEmptyTextIsOneEmptyLine) {
  const RichTextPages pages("", 6000);
  EXPECT_GT(pages.totalHeight(), 0);
  EXPECT_FALSE(pages.atEnd());
}

}  // namespace
}  // namespace rt
