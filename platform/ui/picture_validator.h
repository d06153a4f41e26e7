#pragma once
// An entry shown under a number, date, time or pattern picture takes only
// text that the picture can read: a key or a pasted text that could not be
// read is refused with the error sound and the entry keeps its value. Text
// on its way to a readable value (a date half typed) is let through; when the
// entry is left with such a text, the last readable value comes back.
#include <QPointer>
#include <QValidator>
#include <string>

#include "platform/base/picture.h"

class QLineEdit;

namespace rt {

class PictureValidator : public QValidator {
 public:
  // Null when the picture's kind takes any text (strings, key-in).
  static PictureValidator* forEntry(QLineEdit* entry, const QString& picture);

  State validate(QString& text, int& position) const override;
  void fixup(QString& text) const override;
  // How a text reads, without a sound.
  State classify(const QString& text) const;
  // How many keys or pastes were refused.
  int refusals() const { return refusals_; }

 private:
  PictureValidator(QLineEdit* entry, Picture picture);
  State classifyDateOrTime(const std::string& text) const;

  Picture picture_;
  std::string sample_;  // a value as the picture shows it (dates and times)
  QString lastReadable_;
  mutable int refusals_ = 0;
};

}  // namespace rt
