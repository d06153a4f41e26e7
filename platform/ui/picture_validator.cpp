#include "platform/ui/picture_validator.h"

#include <QApplication>
#include <QLineEdit>
#include <algorithm>
#include <cctype>

#include "platform/ui/qt_text.h"

namespace rt {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

int digitCount(const std::string& text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), isDigit));
}

bool blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

// A day number and a time (hundredths + 1) to see how the picture lays out.
constexpr double kSampleDate = 82000;
constexpr double kSampleTime = 4500001;

QValidator::State classifyNumber(const std::string& text, const Picture& p) {
  const std::string marks = std::string("0123456789 +-()") + p.currencyBefore + p.currencyAfter;
  int decimalMarks = 0;
  for (char c : text) {
    if (c == p.decimalMark && p.decimalMark != p.grouping) {
      if (p.places == 0 || ++decimalMarks > 1) return QValidator::Invalid;
    } else if (c != p.grouping && marks.find(c) == std::string::npos) {
      return QValidator::Invalid;
    }
  }
  return digitCount(text) == 0 && !blank(text) ? QValidator::Intermediate : QValidator::Acceptable;
}

QValidator::State classifyScientific(const std::string& text) {
  for (char c : text) {
    if (!isDigit(c) && std::string(" .,eE+-").find(c) == std::string::npos)
      return QValidator::Invalid;
  }
  return QValidator::Acceptable;
}

QValidator::State classifyPattern(const std::string& text, const Picture& p) {
  for (char c : text) {
    if (!isDigit(c) && c != ' ' && p.pattern.find(c) == std::string::npos)
      return QValidator::Invalid;
  }
  return QValidator::Acceptable;
}

}  // namespace

PictureValidator* PictureValidator::forEntry(QLineEdit* entry, const QString& picture) {
  Picture p = parsePicture(fromQString(picture));
  switch (p.kind) {
    case PictureKind::Number:
    case PictureKind::Scientific:
    case PictureKind::Date:
    case PictureKind::Time:
    case PictureKind::Pattern:
      return new PictureValidator(entry, std::move(p));
    default:
      return nullptr;
  }
}

PictureValidator::PictureValidator(QLineEdit* entry, Picture picture)
    : QValidator(entry), picture_(std::move(picture)) {
  if (picture_.kind == PictureKind::Date) sample_ = format(kSampleDate, picture_);
  if (picture_.kind == PictureKind::Time) sample_ = format(kSampleTime, picture_);
  lastReadable_ = entry->text();
  QObject::connect(entry, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (classify(text) == Acceptable) lastReadable_ = text;
  });
}

QValidator::State PictureValidator::classifyDateOrTime(const std::string& text) const {
  if (!deformat(text, picture_).empty()) return Acceptable;
  const bool words = std::any_of(sample_.begin(), sample_.end(), isLetter);
  for (char c : text) {
    if (isDigit(c) || c == ' ' || (words && isLetter(c))) continue;
    if (!isLetter(c) && !isDigit(c) && (sample_.find(c) != std::string::npos ||
                                        std::string("/-.:,_").find(c) != std::string::npos))
      continue;
    return Invalid;
  }
  // As many digits as a whole value has, and still unreadable: an impossible
  // date or time (a 31 February, 25 o'clock).
  if (!words && digitCount(text) >= digitCount(sample_)) return Invalid;
  return Intermediate;
}

QValidator::State PictureValidator::classify(const QString& qtext) const {
  const std::string text = fromQString(qtext);
  if (blank(text)) return Acceptable;
  switch (picture_.kind) {
    case PictureKind::Number:
      return classifyNumber(text, picture_);
    case PictureKind::Scientific:
      return classifyScientific(text);
    case PictureKind::Date:
    case PictureKind::Time:
      return classifyDateOrTime(text);
    case PictureKind::Pattern:
      return classifyPattern(text, picture_);
    default:
      return Acceptable;
  }
}

QValidator::State PictureValidator::validate(QString& text, int&) const {
  const State state = classify(text);
  if (state == Invalid) {
    ++refusals_;
    QApplication::beep();
  }
  return state;
}

void PictureValidator::fixup(QString& text) const {
  if (classify(text) != Acceptable) text = lastReadable_;
}

}  // namespace rt
