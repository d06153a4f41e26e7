// Entries under number, date and time pictures: what the picture cannot
// read is refused (typed or pasted) and the entry keeps its value.
#include "platform/ui/picture_validator.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

namespace rt {
namespace {

struct Entry {
  QLineEdit edit;
  PictureValidator* validator;
  explicit Entry(const char* picture) : validator(PictureValidator::forEntry(&edit, picture)) {
    if (validator) edit.setValidator(validator);
  }
};

TEST(PictureValidator, TypedKeysThePictureCannotReadAreRefused) {
  struct Case {
    const char* picture;
    const char* typed;
    const char* kept;
  } cases[] = {
      {"@n5", "12ab3", "123"},
      {"@n-7.2", "-1x2,5", "-12,5"},
      {"@d17", "3a1/0x1/2025", "31/01/2025"},
      {"@t7", "1z0:3q0", "10:30"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture);
    Entry entry(c.picture);
    ASSERT_NE(entry.validator, nullptr);
    entry.edit.setFocus();
    QTest::keyClicks(&entry.edit, c.typed);
    EXPECT_EQ(entry.edit.text().toStdString(), c.kept);
    EXPECT_GT(entry.validator->refusals(), 0);
  }
}

TEST(PictureValidator, ImpossibleDatesAndPastedTextAreRefusedWhole) {
  Entry date("@d17");
  date.edit.setText("01/02/2025");
  EXPECT_EQ(date.validator->classify("31/02/2025"), QValidator::Invalid);
  EXPECT_EQ(date.validator->classify("29/02/2024"), QValidator::Acceptable);
  date.edit.selectAll();
  QApplication::clipboard()->setText("no es una fecha");
  date.edit.paste();
  EXPECT_EQ(date.edit.text(), "01/02/2025");

  Entry code("@n5");
  code.edit.setText("42");
  code.edit.selectAll();
  QApplication::clipboard()->setText("abc");
  code.edit.paste();
  EXPECT_EQ(code.edit.text(), "42");
  EXPECT_EQ(PictureValidator::forEntry(&code.edit, "@s20"), nullptr) << "text takes anything";
}

}  // namespace
}  // namespace rt
