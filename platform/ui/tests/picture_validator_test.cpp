// Entries under number, date and time pictures: what the user types or
// pastes stays in the entry; a text the picture cannot read, or a number
// outside the entry's range, is not acceptable (the window refuses it with a
// message when the entry is left).
#include "platform/ui/picture_validator.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include "platform/ui/control_kinds.h"

namespace rt {
namespace {

struct Entry {
  QLineEdit edit;
  PictureValidator* validator;
  explicit Entry(const char* picture) : validator(PictureValidator::forEntry(&edit, picture)) {
    if (validator) edit.setValidator(validator);
  }
};

TEST(PictureValidator, TypedTextStaysAndReadsByThePicture) {
  struct Case {
    const char* picture;
    const char* typed;
    EntryReading reading;
  } cases[] = {
      {"@n5", "12ab3", EntryReading::Unreadable},
      {"@n9", "2O123456", EntryReading::Unreadable},
      {"@n-7.2", "-12,5", EntryReading::Readable},
      {"@d17", "3a1/0x1/2025", EntryReading::Unreadable},
      {"@d6", "31/02/1990", EntryReading::Unreadable},
      {"@d6", "28/02/1990", EntryReading::Readable},
      {"@t7", "25:30", EntryReading::Unreadable},
      {"@t7", "10:30", EntryReading::Readable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + c.typed);
    Entry entry(c.picture);
    ASSERT_NE(entry.validator, nullptr);
    entry.edit.setFocus();
    QTest::keyClicks(&entry.edit, c.typed);
    EXPECT_EQ(entry.edit.text().toStdString(), c.typed) << "nothing typed is dropped";
    EXPECT_EQ(entry.validator->read(entry.edit.text()), c.reading);
    EXPECT_EQ(entry.edit.hasAcceptableInput(), c.reading == EntryReading::Readable);
  }
}

TEST(PictureValidator, PastedTextStaysAndTheRangeOfTheEntryLimitsNumbers) {
  Entry date("@d17");
  date.edit.setText("01/02/2025");
  date.edit.selectAll();
  QApplication::clipboard()->setText("no es una fecha");
  date.edit.paste();
  EXPECT_EQ(date.edit.text(), "no es una fecha");
  EXPECT_FALSE(date.edit.hasAcceptableInput());

  Entry code("@n5");
  setEntryRange(&code.edit, {0, 65535});
  EXPECT_EQ(code.validator->read("65535"), EntryReading::Readable);
  EXPECT_EQ(code.validator->read("65543"), EntryReading::OutOfRange);
  EXPECT_EQ(code.validator->read("-1"), EntryReading::OutOfRange);
  EXPECT_EQ(code.validator->read(""), EntryReading::Readable) << "blank reads as nothing typed";
  setPicture(&code.edit, "@n6");
  auto* again = dynamic_cast<const PictureValidator*>(code.edit.validator());
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->read("65543"), EntryReading::OutOfRange) << "a new picture keeps the range";
  EXPECT_EQ(PictureValidator::forEntry(&code.edit, "@s20"), nullptr) << "text takes anything";
}

}  // namespace
}  // namespace rt
