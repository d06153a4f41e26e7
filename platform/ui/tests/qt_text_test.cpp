#include "platform/ui/qt_text.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>

#include "platform/base/cp_literal.h"
#include "platform/ui/dialog_units.h"

namespace rt {
namespace {

TEST(QtText, ConvertsRuntimeTextAtTheScreenBoundary) {
  struct Case {
    std::string cp1252;
    QString shown;
  };
  const std::vector<Case> cases = {
      {"Muñoz"_cp, QString::fromUtf8("Muñoz")},
      {"€ 5"_cp, QString::fromUtf8("€ 5")},
      {"", QString()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(toQString(c.cp1252), c.shown);
    EXPECT_EQ(fromQString(c.shown), c.cp1252);
  }
  EXPECT_EQ(fromQString(QString::fromUtf8("日")), "?") << "no CP1252 byte";
}

TEST(QtText, FindsTheCharactersRuntimeTextCannotHoldOnceEachWhereTheyFirstAppear) {
  EXPECT_TRUE(outsideCp1252(QString::fromUtf8("Muñoz ß € º Œ “”")).empty());
  const auto found = outsideCp1252(QString::fromUtf8("a😀bĞŁĞ"));
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].codePoint, U'\U0001F600');
  EXPECT_EQ(found[0].position, 1);
  EXPECT_EQ(found[0].length, 2) << "beyond the 16-bit plane";
  EXPECT_EQ(found[1].codePoint, U'Ğ');
  EXPECT_EQ(found[1].position, 4);
  EXPECT_EQ(found[2].codePoint, U'Ł');
  EXPECT_EQ(found[2].position, 5);
}

TEST(DialogUnits, AreAQuarterCharacterWideAndAnEighthHigh) {
  QFont font("Roboto Medium", 9);
  const QFontMetrics metrics(font);
  const DialogUnits units(font);
  EXPECT_EQ(units.x(4), metrics.averageCharWidth());
  EXPECT_EQ(units.y(8), metrics.height());
  EXPECT_EQ(units.size(400, 80), QSize(100 * metrics.averageCharWidth(), 10 * metrics.height()));
}

}  // namespace
}  // namespace rt
