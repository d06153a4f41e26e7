#include "platform/ui/control_kinds.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QVariant>

#include "platform/ui/picture_validator.h"

namespace rt {
namespace {

struct NamedKind {
  const char* name;
  ControlKind kind;
};

constexpr NamedKind kNamedKinds[] = {
    {"Prompt", ControlKind::Prompt}, {"Image", ControlKind::Image},
    {"Group", ControlKind::Group},   {"Option", ControlKind::Option},
    {"Panel", ControlKind::Panel},   {"Button", ControlKind::Button},
    {"Check", ControlKind::Check},   {"Radio", ControlKind::Radio},
    {"Entry", ControlKind::Entry},   {"Spin", ControlKind::Spin},
    {"Text", ControlKind::Text},     {"RichText", ControlKind::RichText},
    {"Combo", ControlKind::Combo},   {"DropList", ControlKind::DropList},
    {"List", ControlKind::List},
};

bool isLeaf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Other:
    case ControlKind::Group:
    case ControlKind::Option:
    case ControlKind::Sheet:
    case ControlKind::Panel:
    case ControlKind::Toolbar:
      return false;
    default:
      return true;
  }
}

void collect(const QWidget* parent, std::vector<QWidget*>& out) {
  for (QObject* child : parent->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w == nullptr || w->isWindow()) continue;
    const ControlKind kind = controlKind(w);
    if (kind != ControlKind::Other) out.push_back(w);
    if (!isLeaf(kind)) collect(w, out);
  }
}

}  // namespace

ControlKind controlKind(const QWidget* w) {
  const QVariant named = w->property("rtKind");
  if (named.isValid()) {
    const QByteArray name = named.toString().toLatin1();
    for (const NamedKind& k : kNamedKinds) {
      if (name == k.name) return k.kind;
    }
  }
  if (qobject_cast<const QCheckBox*>(w)) return ControlKind::Check;
  if (qobject_cast<const QRadioButton*>(w)) return ControlKind::Radio;
  if (qobject_cast<const QAbstractButton*>(w)) return ControlKind::Button;
  if (qobject_cast<const QAbstractSpinBox*>(w)) return ControlKind::Spin;
  if (auto* combo = qobject_cast<const QComboBox*>(w)) {
    return combo->isEditable() ? ControlKind::Combo : ControlKind::DropList;
  }
  if (qobject_cast<const QLineEdit*>(w)) return ControlKind::Entry;
  if (qobject_cast<const QPlainTextEdit*>(w)) return ControlKind::Text;
  if (auto* text = qobject_cast<const QTextEdit*>(w)) {
    return text->acceptRichText() ? ControlKind::RichText : ControlKind::Text;
  }
  if (qobject_cast<const QAbstractItemView*>(w)) return ControlKind::List;
  if (auto* label = qobject_cast<const QLabel*>(w)) {
    return label->pixmap().isNull() ? ControlKind::Prompt : ControlKind::Image;
  }
  if (auto* group = qobject_cast<const QGroupBox*>(w)) {
    return group->property("rtOption").toBool() ? ControlKind::Option : ControlKind::Group;
  }
  if (qobject_cast<const QTabWidget*>(w)) return ControlKind::Sheet;
  if (qobject_cast<const QTabBar*>(w)) return ControlKind::Tab;
  if (qobject_cast<const QProgressBar*>(w)) return ControlKind::Progress;
  if (qobject_cast<const QToolBar*>(w)) return ControlKind::Toolbar;
  if (qobject_cast<const QMenuBar*>(w)) return ControlKind::MenuBar;
  if (qobject_cast<const QMenu*>(w)) return ControlKind::Menu;
  if (auto* frame = qobject_cast<const QFrame*>(w)) {
    if (frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine) {
      return ControlKind::Line;
    }
    // Frames that Qt makes inside other widgets (stacked pages) are not panels.
    if (frame->metaObject() == &QFrame::staticMetaObject) return ControlKind::Panel;
  }
  return ControlKind::Other;
}

std::vector<QWidget*> windowControls(const QWidget* window) {
  std::vector<QWidget*> out;
  collect(window, out);
  return out;
}

QWidget* owningControl(QWidget* widget) {
  // The outermost control: a combo's entry is itself an entry widget.
  QWidget* found = widget;
  for (QWidget* w = widget; w != nullptr && !w->isWindow(); w = w->parentWidget()) {
    const ControlKind kind = controlKind(w);
    if (kind != ControlKind::Other && isLeaf(kind)) found = w;
  }
  return found;
}

}  // namespace rt

namespace rt {

void setPicture(QWidget* control, const QString& picture) {
  control->setProperty("rtPicture", picture);
  if (auto* entry = qobject_cast<QLineEdit*>(control)) {
    // A picture given again replaces the one before; other validators stay.
    const QValidator* before = entry->validator();
    if (before != nullptr && dynamic_cast<const PictureValidator*>(before) == nullptr) return;
    delete before;
    entry->setValidator(PictureValidator::forEntry(entry, picture));
  }
}

QString picture(const QWidget* control) { return control->property("rtPicture").toString(); }

bool isReadOnly(const QWidget* control) {
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->isReadOnly();
  if (auto* spin = qobject_cast<const QAbstractSpinBox*>(control)) return spin->isReadOnly();
  if (auto* text = qobject_cast<const QPlainTextEdit*>(control)) return text->isReadOnly();
  if (auto* text = qobject_cast<const QTextEdit*>(control)) return text->isReadOnly();
  if (auto* combo = qobject_cast<const QComboBox*>(control)) {
    if (combo->lineEdit() != nullptr && combo->lineEdit()->isReadOnly()) return true;
  }
  return control->property("rtReadOnly").toBool();
}

bool isCloseButton(const QWidget* control) {
  const auto* button = qobject_cast<const QAbstractButton*>(control);
  if (button == nullptr) return false;
  const QString name = button->objectName().toUpper();
  return name == QLatin1String("?CLOSE") || name == QLatin1String("?CANCEL") ||
         button->text().remove(QLatin1Char('&')).compare("Cerrar", Qt::CaseInsensitive) == 0;
}

}  // namespace rt
