#pragma once
// An entry shown under a number, date, time or pattern picture reads its text
// by the picture. What the user types always stays in the entry: a text the
// picture cannot read (letters in a number, a 31 February) or a number
// outside the entry's range is not acceptable, so Qt does not accept the
// entry, and the window refuses it with a message when the user leaves it
// (see entry_refusal.h). Nothing typed is dropped or put back silently.
#include <QValidator>
#include <optional>
#include <string>

#include "platform/base/picture.h"

class QLineEdit;

namespace rt {

// How an entry's text reads.
enum class EntryReading { Readable, Unreadable, OutOfRange };

// The lowest and highest value an entry takes (the range of the field it is
// bound to), kept on the entry; a picture given later keeps it.
struct EntryRange {
  double lowest = 0;
  double highest = 0;
};
void setEntryRange(QLineEdit* entry, EntryRange range);
std::optional<EntryRange> entryRange(const QLineEdit* entry);

class PictureValidator : public QValidator {
 public:
  // Null when the picture's kind takes any text (strings, key-in).
  static PictureValidator* forEntry(QLineEdit* entry, const QString& picture);

  // Acceptable for a readable text (a blank one too), Intermediate otherwise.
  State validate(QString& text, int& position) const override;
  State classify(const QString& text) const;
  EntryReading read(const QString& text) const;

 private:
  PictureValidator(QLineEdit* entry, Picture picture);
  bool readableDateOrTime(const std::string& text) const;

  QLineEdit* entry_;
  Picture picture_;
};

}  // namespace rt
