#include "platform/ui/picture_validator.h"

#include <QLineEdit>
#include <QVariant>
#include <algorithm>
#include <cstdlib>

#include "platform/ui/qt_text.h"

namespace rt {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

bool readableNumber(const std::string& text, const Picture& p) {
  const std::string marks = std::string("0123456789 +-()") + p.currencyBefore + p.currencyAfter;
  int decimalMarks = 0;
  for (char c : text) {
    if (c == p.decimalMark && p.decimalMark != p.grouping) {
      if (p.places == 0 || ++decimalMarks > 1) return false;
    } else if (c != p.grouping && marks.find(c) == std::string::npos) {
      return false;
    }
  }
  return std::any_of(text.begin(), text.end(), isDigit);
}

bool readableScientific(const std::string& text) {
  const bool marks = std::all_of(text.begin(), text.end(), [](char c) {
    return isDigit(c) || std::string(" .,eE+-").find(c) != std::string::npos;
  });
  return marks && std::any_of(text.begin(), text.end(), isDigit);
}

bool readablePattern(const std::string& text, const Picture& p) {
  return std::all_of(text.begin(), text.end(), [&p](char c) {
    return isDigit(c) || c == ' ' || p.pattern.find(c) != std::string::npos;
  });
}

}  // namespace

void setEntryRange(QLineEdit* entry, EntryRange range) {
  entry->setProperty("rtLowest", range.lowest);
  entry->setProperty("rtHighest", range.highest);
}

std::optional<EntryRange> entryRange(const QLineEdit* entry) {
  const QVariant lowest = entry->property("rtLowest");
  const QVariant highest = entry->property("rtHighest");
  if (!lowest.isValid() || !highest.isValid()) return std::nullopt;
  return EntryRange{lowest.toDouble(), highest.toDouble()};
}

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
    : QValidator(entry), entry_(entry), picture_(std::move(picture)) {}

bool PictureValidator::readableDateOrTime(const std::string& text) const {
  return !deformat(text, picture_).empty();
}

EntryReading PictureValidator::read(const QString& qtext) const {
  const std::string text = fromQString(qtext);
  if (blank(text)) return EntryReading::Readable;
  bool readable = true;
  switch (picture_.kind) {
    case PictureKind::Number:
      readable = readableNumber(text, picture_);
      break;
    case PictureKind::Scientific:
      readable = readableScientific(text);
      break;
    case PictureKind::Date:
    case PictureKind::Time:
      readable = readableDateOrTime(text);
      break;
    case PictureKind::Pattern:
      readable = readablePattern(text, picture_);
      break;
    default:
      break;
  }
  if (!readable) return EntryReading::Unreadable;
  if (picture_.kind == PictureKind::Number || picture_.kind == PictureKind::Scientific) {
    if (const std::optional<EntryRange> range = entryRange(entry_)) {
      const double value = std::strtod(deformat(text, picture_).c_str(), nullptr);
      if (value < range->lowest || value > range->highest) return EntryReading::OutOfRange;
    }
  }
  return EntryReading::Readable;
}

QValidator::State PictureValidator::classify(const QString& text) const {
  return read(text) == EntryReading::Readable ? Acceptable : Intermediate;
}

QValidator::State PictureValidator::validate(QString& text, int&) const { return classify(text); }

}  // namespace rt
