#include "platform/ui/entry_refusal.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <cstdio>
#include <optional>
#include <vector>

#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/number_text.h"
#include "platform/ui/picture_validator.h"
#include "platform/ui/qt_text.h"

namespace rt {
namespace {

constexpr char kTextLimit[] = "rtTextLimit";

std::string plainNumber(double value) {
  std::string text = std::to_string(value);
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

// A count as the messages write it: 25.000.
std::string groupedCount(qsizetype count) {
  std::string digits = std::to_string(count);
  for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<std::size_t>(at), 1, '.');
  }
  return digits;
}

// A prompt's text as a name: without its mnemonic mark and closing colon.
QString promptName(QString text) {
  text = text.remove(QLatin1Char('&')).trimmed();
  while (text.endsWith(QLatin1Char(':'))) text.chop(1);
  return text.trimmed();
}

// The layout that holds `widget` itself, searched from `layout` down.
const QLayout* holdingLayout(const QLayout* layout, const QWidget* widget) {
  if (layout == nullptr) return nullptr;
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (item->widget() == widget) return layout;
    if (const QLayout* inner = holdingLayout(item->layout(), widget)) return inner;
  }
  return nullptr;
}

const QLayout* lineOf(const QWidget* widget) {
  const QWidget* parent = widget->parentWidget();
  const QLayout* line = parent != nullptr ? holdingLayout(parent->layout(), widget) : nullptr;
  // A grid holds many lines: sharing it says nothing.
  return qobject_cast<const QGridLayout*>(line) != nullptr ? nullptr : line;
}

// The text the user typed in an entry or a text box that takes typing.
std::optional<QString> typedText(const QWidget* control) {
  if (control == nullptr || !control->isEnabled()) return std::nullopt;
  if (const auto* entry = qobject_cast<const QLineEdit*>(control)) {
    if (entry->isReadOnly()) return std::nullopt;
    return entry->text();
  }
  if (const auto* box = qobject_cast<const QPlainTextEdit*>(control)) {
    if (box->isReadOnly()) return std::nullopt;
    return box->toPlainText();
  }
  // Rich text is kept as markup, whose escapes hold every character; its
  // length is the markup's, which its own form checks.
  return std::nullopt;
}

struct Refusal {
  std::string text;
  qsizetype from = 0;     // the part of the text to point at when the focus returns
  qsizetype length = -1;  // -1: the whole text
};

std::string outsideText(const std::string& name, const QString& typed,
                        const std::vector<OutsideCharacter>& outside) {
  std::string list;
  for (std::size_t i = 0; i < outside.size(); ++i) {
    if (i > 0) list += i + 1 == outside.size() ? " y " : ", ";
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(outside[i].codePoint));
    // Counted in characters, as the user counts them.
    const auto position = typed.left(outside[i].position).toUcs4().size() + 1;
    list += std::string(code) + " (posición "_cp + std::to_string(position) + ")";
  }
  const bool one = outside.size() == 1;
  return name + (one ? ": el carácter "_cp : ": los caracteres ") + list +
         (one ? " no se puede guardar" : " no se pueden guardar") +
         ": el sistema guarda los textos en Windows-1252 (Europa occidental).|"_cp +
         (one ? "Reemplácelo o bórrelo."_cp : "Reemplácelos o bórrelos."_cp);
}

std::optional<Refusal> refusalOf(const QWidget* control) {
  const std::optional<QString> typed = typedText(control);
  if (!typed) return std::nullopt;
  // Named only when refused: every entry left asks.
  const auto name = [control] { return fromQString(entryName(control)); };
  if (const auto outside = outsideCp1252(*typed); !outside.empty()) {
    return Refusal{outsideText(name(), *typed, outside), outside[0].position, outside[0].length};
  }
  if (const int limit = textLimit(control); limit > 0 && typed->size() > limit) {
    return Refusal{name() + ": el texto tiene "_cp + groupedCount(typed->size()) +
                       " caracteres y se pueden guardar hasta " + groupedCount(limit) +
                       ".|Acórtelo para poder grabar."_cp,
                   limit, 0};
  }
  const auto* entry = qobject_cast<const QLineEdit*>(control);
  const auto* validator =
      entry ? dynamic_cast<const PictureValidator*>(entry->validator()) : nullptr;
  if (validator == nullptr) return std::nullopt;
  const std::string text = fromQString(typed->trimmed());
  switch (validator->read(*typed)) {
    case EntryReading::Unreadable:
      return Refusal{name() + ": \""_cp + text +
                     "\" no es un valor válido.|Corríjalo o bórrelo."_cp};
    case EntryReading::OutOfRange: {
      const EntryRange range = *entryRange(entry);
      return Refusal{name() + ": el valor "_cp + text + " está fuera del rango permitido (de "_cp +
                     plainNumber(range.lowest) + " a " + plainNumber(range.highest) + ")."};
    }
    default:
      return std::nullopt;
  }
}

// The focus back on the refused control, pointing at what was refused.
void pointAt(QWidget* control, const Refusal& refusal) {
  control->setFocus();
  if (auto* entry = qobject_cast<QLineEdit*>(control)) {
    if (refusal.length < 0) {
      entry->selectAll();
    } else {
      entry->setSelection(static_cast<int>(refusal.from), static_cast<int>(refusal.length));
    }
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(static_cast<int>(refusal.from));
    if (refusal.length > 0) {
      cursor.setPosition(static_cast<int>(refusal.from + refusal.length), QTextCursor::KeepAnchor);
    }
    box->setTextCursor(cursor);
  }
}

}  // namespace

QString entryName(const QWidget* entry) {
  // The line edit inside a combo box is named as its box.
  if (auto* combo = qobject_cast<const QComboBox*>(entry->parentWidget())) entry = combo;
  const QWidget* window = entry->window();
  const QList<QLabel*> labels =
      window != nullptr ? window->findChildren<QLabel*>() : QList<QLabel*>();
  for (const QLabel* label : labels) {
    if (label->buddy() != entry) continue;
    if (const QString name = promptName(label->text()); !name.isEmpty()) return name;
  }
  if (!entry->accessibleName().trimmed().isEmpty()) return entry->accessibleName().trimmed();
  if (qobject_cast<const QPlainTextEdit*>(entry) != nullptr) {
    if (const auto* frame = qobject_cast<const QGroupBox*>(entry->parentWidget())) {
      if (const QString name = promptName(frame->title()); !name.isEmpty()) return name;
    }
  }
  if (!entry->toolTip().trimmed().isEmpty()) return entry->toolTip().trimmed();
  if (const QLayout* line = lineOf(entry)) {
    for (const QLabel* label : labels) {
      if (label->buddy() == nullptr || lineOf(label->buddy()) != line) continue;
      if (const QString name = promptName(label->text()); !name.isEmpty()) return name;
    }
  }
  QString name = entry->objectName();
  if (name.startsWith(QLatin1Char('?'))) name.remove(0, 1);
  return name;
}

void setTextLimit(QWidget* box, int characters) { box->setProperty(kTextLimit, characters); }

int textLimit(const QWidget* box) { return box->property(kTextLimit).toInt(); }

std::string entryRefusalText(const QWidget* control) {
  const std::optional<Refusal> refusal = refusalOf(control);
  return refusal ? refusal->text : std::string();
}

bool refuseEntry(QWidget* control) {
  const std::optional<Refusal> refusal = refusalOf(control);
  if (!refusal) return false;
  MessageRequest request;
  request.text = refusal->text;
  request.caption = "Dato no válido"_cp;
  request.icon = MessageIcon::Warning;
  request.buttons = button::Ok;
  showMessage(request);
  pointAt(control, *refusal);
  return true;
}

}  // namespace rt
