#include "core/shapes/field_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/base/picture.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/entry_refusal.h"
#include "platform/ui/picture_validator.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

std::string pictureOf(const QWidget* control, const rt::FieldDef& field) {
  const QString own = rt::picture(control);
  return own.isEmpty() ? field.picture : rt::fromQString(own);
}

std::string trimmedRight(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

// Decimal fields hold hundredths (10^places) in the record.
std::int64_t storedNumber(const rt::FieldDef& field, const std::string& value) {
  double v = std::strtod(value.c_str(), nullptr);
  for (int i = 0; i < field.places; ++i) v *= 10;
  return std::llround(v);
}

// The values a numeric field holds, in the units an entry shows them.
std::optional<rt::EntryRange> fieldRange(const rt::FieldDef& field) {
  double lowest = 0;
  switch (field.type) {
    case rt::FieldType::Byte:
    case rt::FieldType::UShort:
    case rt::FieldType::ULong:
      break;
    case rt::FieldType::Short:
      lowest = -32768;
      break;
    case rt::FieldType::Long:
      lowest = -2147483648.0;
      break;
    case rt::FieldType::Decimal:
      lowest = -static_cast<double>(rt::largestNumber(field));
      break;
    default:  // text, dates and times are read by their pictures
      return std::nullopt;
  }
  double scale = 1;
  for (int i = 0; i < field.places; ++i) scale *= 10;
  return rt::EntryRange{lowest / scale, static_cast<double>(rt::largestNumber(field)) / scale};
}

}  // namespace

void FieldControls::bind(QWidget* control, std::string_view name, int historyNumber) {
  FieldControl f;
  f.control = control;
  f.field = def_.fieldIndex(name);
  f.historyNumber = historyNumber;
  if (f.field < 0) f.memo = def_.memoIndex(name);
  if (f.field < 0 && f.memo < 0) throw std::logic_error("no field " + std::string(name));
  // An entry without a picture of its own takes what its field's picture reads.
  if (f.field >= 0 && rt::picture(control).isEmpty() && !def_.fields[f.field].picture.empty()) {
    rt::setPicture(control, rt::toQString(def_.fields[f.field].picture));
  }
  // A value the field cannot hold is refused, never stored wrapped.
  if (auto* entry = qobject_cast<QLineEdit*>(control); entry != nullptr && f.field >= 0) {
    if (const auto range = fieldRange(def_.fields[f.field])) rt::setEntryRange(entry, *range);
  }
  // Nor is a memo stored cut: nobody would see what was lost.
  if (f.memo >= 0) rt::setTextLimit(control, def_.memos[f.memo].maxLength);
  controls_.push_back(f);
}

void FieldControls::bindSealed(QWidget* entry, std::string_view name, FieldSeal seal) {
  FieldControl f;
  f.control = entry;
  f.field = def_.fieldIndex(name);
  if (f.field < 0 || !rt::isTextField(def_.fields[f.field]) ||
      qobject_cast<QLineEdit*>(entry) == nullptr) {
    throw std::logic_error("no text field " + std::string(name) + " for a sealed entry");
  }
  f.seal = std::move(seal);
  controls_.push_back(std::move(f));
}

void FieldControls::showSealed(const FieldControl& f, rt::RecordBuffer& buffer) const {
  f.kept = trimmedRight(rt::fieldText(def_.fields[f.field], buffer.record()));
  auto* edit = static_cast<QLineEdit*>(f.control.data());
  edit->clear();
  edit->setModified(false);
}

void FieldControls::updateSealed(const FieldControl& f, rt::RecordBuffer& buffer) const {
  const std::string typed = rt::fromQString(static_cast<QLineEdit*>(f.control.data())->text());
  const bool blank = typed.find_first_not_of(' ') == std::string::npos;
  std::string value = f.kept;
  if (!blank || f.kept.empty()) {
    const std::string text = blank ? std::string() : typed;
    if (!f.sealed || f.sealedText != text) {
      f.sealedValue = f.seal(text);
      f.sealedText = text;
      f.sealed = true;
    }
    value = f.sealedValue;
  }
  rt::setFieldText(def_.fields[f.field], buffer.record(), value);
}

void FieldControls::show(const FieldControl& f, rt::RecordBuffer& buffer) const {
  QWidget* c = f.control;
  if (c == nullptr) return;
  if (f.seal) {
    showSealed(f, buffer);
    return;
  }
  if (f.memo >= 0) {
    if (auto* text = qobject_cast<QPlainTextEdit*>(c)) {
      text->setPlainText(rt::toQString(buffer.memo(f.memo)));
    }
    return;
  }
  const rt::FieldDef& field = def_.fields[f.field];
  const char* record = buffer.record();
  if (auto* spin = qobject_cast<QSpinBox*>(c)) {
    spin->setValue(static_cast<int>(rt::fieldNumber(field, record)));
  } else if (auto* drop = qobject_cast<QComboBox*>(c)) {
    // A drop list stores the text it shows; a stored text it does not offer
    // still shows, so that saving does not change it.
    const QString value = rt::toQString(
        rt::isTextField(field) ? trimmedRight(rt::fieldText(field, record))
                               : rt::numberText(field, rt::fieldNumber(field, record)));
    const int index = drop->findText(value);
    if (index < 0 && !value.isEmpty()) {
      drop->addItem(value);
      drop->setCurrentIndex(drop->count() - 1);
    } else {
      drop->setCurrentIndex(index);
    }
  } else if (auto* check = qobject_cast<QAbstractButton*>(c); check && check->isCheckable()) {
    check->setChecked(rt::fieldNumber(field, record) != 0);
  } else {
    const std::string picture = pictureOf(c, field);
    const std::string value = rt::isTextField(field)
                                  ? trimmedRight(rt::fieldText(field, record))
                                  : rt::numberText(field, rt::fieldNumber(field, record));
    // A blank text shows blank, whatever its picture (a code kept as text
    // under a number's picture is not "0" until it is typed).
    const bool blankText = rt::isTextField(field) && value.empty();
    const QString shown = rt::toQString(
        picture.empty() || blankText ? value : trimmedRight(rt::format(value, picture)));
    if (auto* edit = qobject_cast<QLineEdit*>(c)) {
      edit->setText(shown);
      edit->setModified(false);
    } else if (auto* label = qobject_cast<QLabel*>(c)) {  // a display: shown, never read back
      label->setText(shown);
    }
  }
}

void FieldControls::display(rt::RecordBuffer& buffer) const {
  for (const FieldControl& f : controls_) show(f, buffer);
}

void FieldControls::update(rt::RecordBuffer& buffer) const {
  for (const FieldControl& f : controls_) {
    QWidget* c = f.control;
    if (c == nullptr) continue;
    if (f.seal) {
      updateSealed(f, buffer);
      continue;
    }
    if (f.memo >= 0) {
      if (auto* text = qobject_cast<QPlainTextEdit*>(c)) {
        buffer.memo(f.memo) = rt::fromQString(text->toPlainText());
      }
      continue;
    }
    const rt::FieldDef& field = def_.fields[f.field];
    char* record = buffer.record();
    if (auto* spin = qobject_cast<QSpinBox*>(c)) {
      rt::setFieldNumber(field, record, spin->value());
    } else if (auto* drop = qobject_cast<QComboBox*>(c)) {
      const std::string value = rt::fromQString(drop->currentText());
      if (rt::isTextField(field)) {
        rt::setFieldText(field, record, value);
      } else {
        rt::setFieldNumber(field, record, storedNumber(field, value));
      }
    } else if (auto* check = qobject_cast<QAbstractButton*>(c); check && check->isCheckable()) {
      rt::setFieldNumber(field, record, check->isChecked() ? 1 : 0);
    } else if (auto* edit = qobject_cast<QLineEdit*>(c)) {
      const std::string picture = pictureOf(c, field);
      const std::string typed = rt::fromQString(edit->text());
      const bool blank = typed.find_first_not_of(' ') == std::string::npos;
      const std::string value = picture.empty() || (blank && rt::isTextField(field))
                                    ? typed
                                    : rt::deformat(typed, picture);
      if (rt::isTextField(field)) {
        rt::setFieldText(field, record, value);
      } else {
        rt::setFieldNumber(field, record, storedNumber(field, value));
      }
    }
  }
}

QWidget* FieldControls::firstRefused() const {
  for (const FieldControl& f : controls_) {
    if (f.control && !rt::entryRefusalText(f.control).empty()) return f.control;
  }
  return nullptr;
}

bool FieldControls::restore(QWidget* control, rt::RecordBuffer& from) const {
  for (const FieldControl& f : controls_) {
    if (f.control == control && f.historyNumber != 0) {
      show(f, from);
      return true;
    }
  }
  return false;
}

}  // namespace core
