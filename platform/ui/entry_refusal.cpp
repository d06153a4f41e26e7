#include "platform/ui/entry_refusal.h"

#include <QLabel>
#include <QLineEdit>

#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/number_text.h"
#include "platform/ui/picture_validator.h"
#include "platform/ui/qt_text.h"

namespace rt {
namespace {

std::string plainNumber(double value) {
  std::string text = std::to_string(value);
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

}  // namespace

QString entryName(const QWidget* entry) {
  if (const QWidget* window = entry->window()) {
    for (const QLabel* label : window->findChildren<QLabel*>()) {
      if (label->buddy() != entry) continue;
      QString name = label->text().remove(QLatin1Char('&')).trimmed();
      while (name.endsWith(QLatin1Char(':'))) name.chop(1);
      if (!name.trimmed().isEmpty()) return name.trimmed();
    }
  }
  if (!entry->toolTip().trimmed().isEmpty()) return entry->toolTip().trimmed();
  QString name = entry->objectName();
  if (name.startsWith(QLatin1Char('?'))) name.remove(0, 1);
  return name;
}

std::string entryRefusalText(const QWidget* control) {
  const auto* entry = qobject_cast<const QLineEdit*>(control);
  if (entry == nullptr || !entry->isEnabled() || entry->isReadOnly()) return {};
  const auto* validator = dynamic_cast<const PictureValidator*>(entry->validator());
  if (validator == nullptr) return {};
  const std::string name = fromQString(entryName(entry));
  const std::string text = fromQString(entry->text().trimmed());
  switch (validator->read(entry->text())) {
    case EntryReading::Unreadable:
      return name + ": \""_cp + text + "\" no es un valor válido.|Corríjalo o bórrelo."_cp;
    case EntryReading::OutOfRange: {
      const EntryRange range = *entryRange(entry);
      return name + ": el valor "_cp + text + " está fuera del rango permitido (de "_cp +
             plainNumber(range.lowest) + " a " + plainNumber(range.highest) + ").";
    }
    default:
      return {};
  }
}

bool refuseEntry(QWidget* control) {
  const std::string text = entryRefusalText(control);
  if (text.empty()) return false;
  MessageRequest request;
  request.text = text;
  request.caption = "Dato no válido"_cp;
  request.icon = MessageIcon::Warning;
  request.buttons = button::Ok;
  showMessage(request);
  if (control != nullptr) {
    control->setFocus();
    if (auto* entry = qobject_cast<QLineEdit*>(control)) entry->selectAll();
  }
  return true;
}

}  // namespace rt
