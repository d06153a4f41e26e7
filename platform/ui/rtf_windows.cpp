#include "platform/ui/rtf_windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/procedures.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/rtf_control.h"
#include "platform/ui/window_driver.h"

namespace rt {
namespace {

constexpr double kTwipsPerCentimetre = 1440 / 2.54;
constexpr int kMaxTwips = 31680;  // 22 inches: the widest page a paragraph may need
constexpr std::size_t kMaxTabStops = 32;
const char* const kIndentsTitle = "Sangrías de Párrafo"_cp;

QLineEdit* entry(QWidget* window, const char* name, const QString& value) {
  auto* edit = new QLineEdit(value, window);
  edit->setObjectName(name);
  return edit;
}

QPushButton* button(QWidget* window, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, window);
  b->setObjectName(name);
  return b;
}

QCheckBox* checkBox(QWidget* window, const char* name, const QString& caption) {
  auto* box = new QCheckBox(caption, window);
  box->setObjectName(name);
  return box;
}

// A column of buttons beside the window's fields.
QWidget* windowWith(const QString& title, QLayout* fields, const std::vector<QPushButton*>& buttons,
                    QWidget* window) {
  window->setWindowTitle(title);
  auto* column = new QVBoxLayout;
  for (QPushButton* b : buttons) column->addWidget(b);
  column->addStretch();
  auto* row = new QHBoxLayout(window);
  row->addLayout(fields, 1);
  row->addLayout(column);
  return window;
}

void tell(const std::string& text, const std::string& caption) {
  showMessage(MessageRequest{text, caption, MessageIcon::Information, button::Ok, {}, 0});
}

class FindWindow : public WindowDriver {
 public:
  FindWindow(RtfControl& control, QString initial, bool replacing)
      : control_(control), initial_(std::move(initial)), replacing_(replacing) {}

  int Init() override {
    auto* w = new QWidget;
    auto* fields = new QFormLayout;
    text_ = entry(w, "?Buscar", initial_);
    fields->addRow(QString::fromUtf8("&Buscar:"), text_);
    if (replacing_) {
      replacement_ = entry(w, "?Reemplazo", QString());
      fields->addRow(QString::fromUtf8("Reemplazar &con:"), replacement_);
    }
    matchCase_ = checkBox(w, "?MayMin", QString::fromUtf8("Coincidir &mayúsculas y minúsculas"));
    wholeWord_ = checkBox(w, "?Palabra", QString::fromUtf8("Sólo palabras &completas"));
    fields->addRow(matchCase_);
    fields->addRow(wholeWord_);
    std::vector<QPushButton*> buttons = {button(w, "?Siguiente", "Buscar &siguiente")};
    if (replacing_) {
      buttons.push_back(button(w, "?Reemplazar", "&Reemplazar"));
      buttons.push_back(button(w, "?Todo", "Reemplazar &todo"));
    }
    buttons.push_back(button(w, "?Cancelar", "Cancelar"));
    Open(windowWith(replacing_ ? "Reemplazar" : "Buscar", fields, buttons, w));
    return level::Benign;
  }

  int TakeAccepted() override {
    const QString name = field() ? field()->objectName() : QString();
    const QString text = text_->text();
    const QString replacement = replacement_ ? replacement_->text() : QString();
    const FindOptions options{matchCase_->isChecked(), wholeWord_->isChecked(), false};
    const std::string caption = replacing_ ? "Reemplazar" : "Buscar";
    if (name == "?Cancelar") {
      post(event::CloseWindow);
    } else if (text.isEmpty() &&
               (name == "?Siguiente" || name == "?Reemplazar" || name == "?Todo")) {
      tell("Escriba el texto a buscar.", caption);
    } else if (name == "?Siguiente") {
      if (!control_.findNext(text, options)) notFound(text, caption);
    } else if (name == "?Reemplazar") {
      if (!control_.replaceNext(text, replacement, options)) notFound(text, caption);
    } else if (name == "?Todo") {
      const int count = control_.replaceAll(text, replacement, options);
      tell("Reemplazos hechos: " + std::to_string(count) + ".", caption);
    }
    return level::Benign;
  }

 private:
  static void notFound(const QString& text, const std::string& caption) {
    tell("No se encontró \""_cp + fromQString(text) + "\".", caption);
  }

  RtfControl& control_;
  QString initial_;
  bool replacing_;
  QLineEdit* text_ = nullptr;
  QLineEdit* replacement_ = nullptr;
  QCheckBox* matchCase_ = nullptr;
  QCheckBox* wholeWord_ = nullptr;
};

const char* const kTabKindNames[] = {"Izquierda", "Centro", "Derecha", "Decimal"};

class TabStopsWindow : public WindowDriver {
 public:
  explicit TabStopsWindow(std::vector<TabStop> tabs) : tabs_(std::move(tabs)) {}

  int Init() override {
    auto* w = new QWidget;
    auto* fields = new QFormLayout;
    position_ = entry(w, "?Posicion", QString());
    kind_ = new QComboBox(w);
    kind_->setObjectName("?Alineacion");
    for (const char* kind : kTabKindNames) kind_->addItem(QString::fromLatin1(kind));
    list_ = new QListWidget(w);
    list_->setObjectName("?Tabulaciones");
    fields->addRow(QString::fromUtf8("&Posición (cm):"), position_);
    fields->addRow(QString::fromUtf8("&Alineación:"), kind_);
    fields->addRow(list_);
    showTabs();
    Open(windowWith("Tabulaciones", fields,
                    {button(w, "?Fijar", "&Fijar"), button(w, "?Borrar", "&Borrar"),
                     button(w, "?BorrarTodas", "Borrar &todas"), button(w, "?OK", "&Aceptar"),
                     button(w, "?Cancelar", "&Cancelar")},
                    w));
    return level::Benign;
  }

  int TakeAccepted() override {
    const QString name = field() ? field()->objectName() : QString();
    if (name == "?Fijar") {
      setTab();
    } else if (name == "?Borrar") {
      removeTab();
    } else if (name == "?BorrarTodas") {
      tabs_.clear();
      showTabs();
    } else if (name == "?OK") {
      Response = kCompleted;
      post(event::CloseWindow);
    } else if (name == "?Cancelar") {
      post(event::CloseWindow);
    }
    return level::Benign;
  }

  int TakeNewSelection() override {
    const int row = list_->currentRow();
    if (row >= 0 && row < static_cast<int>(tabs_.size())) {
      position_->setText(centimetres(tabs_[static_cast<std::size_t>(row)].twips));
      kind_->setCurrentIndex(static_cast<int>(tabs_[static_cast<std::size_t>(row)].kind));
    }
    return level::Benign;
  }

  const std::vector<TabStop>& tabs() const { return tabs_; }

 private:
  void setTab() {
    const std::optional<int> twips = twipsOfCentimetres(position_->text());
    if (!twips || *twips < 0 || *twips > kMaxTwips) {
      tell("Escriba una posición en centímetros, entre 0 y "_cp +
               fromQString(centimetres(kMaxTwips)) + ".",
           "Tabulaciones");
      return;
    }
    const TabStop tab{*twips, static_cast<TabKind>(std::max(0, kind_->currentIndex()))};
    auto same = std::find_if(tabs_.begin(), tabs_.end(),
                             [&](const TabStop& t) { return t.twips == tab.twips; });
    if (same != tabs_.end()) {
      *same = tab;
    } else if (tabs_.size() >= kMaxTabStops) {
      tell("No se pueden fijar más de "_cp + std::to_string(kMaxTabStops) + " tabulaciones.",
           "Tabulaciones");
      return;
    } else {
      tabs_.push_back(tab);
    }
    showTabs();
  }

  void removeTab() {
    const std::optional<int> twips = twipsOfCentimetres(position_->text());
    const int row = list_->currentRow();
    auto at = twips ? std::find_if(tabs_.begin(), tabs_.end(),
                                   [&](const TabStop& t) { return t.twips == *twips; })
                    : tabs_.end();
    if (at == tabs_.end() && row >= 0 && row < static_cast<int>(tabs_.size())) {
      at = tabs_.begin() + row;
    }
    if (at != tabs_.end()) tabs_.erase(at);
    showTabs();
  }

  void showTabs() {
    std::sort(tabs_.begin(), tabs_.end(),
              [](const TabStop& a, const TabStop& b) { return a.twips < b.twips; });
    list_->clear();
    for (const TabStop& tab : tabs_) {
      list_->addItem(centimetres(tab.twips) + "  " +
                     QString::fromLatin1(kTabKindNames[static_cast<int>(tab.kind)]));
    }
  }

  std::vector<TabStop> tabs_;
  QLineEdit* position_ = nullptr;
  QComboBox* kind_ = nullptr;
  QListWidget* list_ = nullptr;
};

class IndentsWindow : public WindowDriver {
 public:
  explicit IndentsWindow(const Indents& indents) : indents_(indents) {}

  int Init() override {
    auto* w = new QWidget;
    auto* fields = new QFormLayout;
    left_ = entry(w, "?Izquierda", centimetres(indents_.left));
    right_ = entry(w, "?Derecha", centimetres(indents_.right));
    first_ = entry(w, "?PrimeraLinea", centimetres(indents_.firstLine));
    fields->addRow("&Izquierda (cm):", left_);
    fields->addRow("&Derecha (cm):", right_);
    fields->addRow(QString::fromUtf8("&Primera línea (cm):"), first_);
    Open(windowWith(toQString(kIndentsTitle), fields,
                    {button(w, "?OK", "&Aceptar"), button(w, "?Cancelar", "&Cancelar")}, w));
    return level::Benign;
  }

  int TakeAccepted() override {
    const QString name = field() ? field()->objectName() : QString();
    if (name == "?Cancelar") {
      post(event::CloseWindow);
    } else if (name == "?OK" && takeValues()) {
      Response = kCompleted;
      post(event::CloseWindow);
    }
    return level::Benign;
  }

  const Indents& indents() const { return indents_; }

 private:
  // The typed values, when every one is a length the page can hold.
  bool takeValues() {
    const std::optional<int> left = twipsOfCentimetres(left_->text());
    const std::optional<int> right = twipsOfCentimetres(right_->text());
    const std::optional<int> first = twipsOfCentimetres(first_->text());
    const std::string limit = fromQString(centimetres(kMaxTwips));
    if (!left || !right || !first || *left < 0 || *left > kMaxTwips || *right < 0 ||
        *right > kMaxTwips || std::abs(*first) > kMaxTwips) {
      tell("Escriba las sangrías en centímetros, entre 0 y "_cp + limit + ".", kIndentsTitle);
      return false;
    }
    if (*left + *first < 0) {
      tell("La primera línea no puede empezar a la izquierda del margen."_cp, kIndentsTitle);
      return false;
    }
    indents_ = Indents{*left, *right, *first};
    return true;
  }

  Indents indents_;
  QLineEdit* left_ = nullptr;
  QLineEdit* right_ = nullptr;
  QLineEdit* first_ = nullptr;
};

}  // namespace

QString centimetres(int twips) {
  return QString::number(twips / kTwipsPerCentimetre, 'f', 2).replace(u'.', u',');
}

std::optional<int> twipsOfCentimetres(const QString& text) {
  bool ok = false;
  const double value = QString(text).trimmed().replace(u',', u'.').toDouble(&ok);
  if (!ok || !std::isfinite(value) || std::abs(value) > 1000) return std::nullopt;
  return static_cast<int>(std::lround(value * kTwipsPerCentimetre));
}

void RtfWindows::openFind(RtfControl& control, const QString& initial) {
  FindWindow(control, initial, false).Run();
}

void RtfWindows::openReplace(RtfControl& control, const QString& initial) {
  FindWindow(control, initial, true).Run();
}

void RtfWindows::openTabStops(const std::vector<TabStop>& current, TabStopsChosen chosen) {
  TabStopsWindow window(current);
  if (window.Run() == kCompleted) chosen(window.tabs());
}

void RtfWindows::openIndents(const Indents& current, IndentsChosen chosen) {
  IndentsWindow window(current);
  if (window.Run() == kCompleted) chosen(window.indents());
}

}  // namespace rt
