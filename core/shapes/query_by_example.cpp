#include "core/shapes/query_by_example.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/aids/control_colouring.h"
#include "core/aids/designed_font.h"
#include "core/frame/settings_store.h"
#include "core/shapes/aided_window.h"
#include "platform/base/message_hook.h"
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

constexpr char kSavedList[] = "QBE Consultas";
constexpr char kNoName[] = "Escriba el nombre con el que se guarda la consulta.";

std::string trimmedName(std::string_view text) {
  std::string name;
  for (char c : text) {
    // The separators of the saved list and of INI entries cannot be part of a name.
    if (c != '|' && c != '=' && c != '[' && c != ']') name.push_back(c);
  }
  const std::size_t first = name.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

std::string valueEntry(std::string_view queryName, std::size_t column) {
  return "QBE " + std::string(queryName) + " " + std::to_string(column + 1);
}

class QueryWindow : public AidedWindow {
 public:
  QueryWindow(const QueryByExample& query, const std::vector<SearchColumn>& columns,
              std::vector<std::string>& values)
      : query_(query), columns_(columns), values_(values) {}

  int Init() override {
    auto* window = new QWidget(nullptr, Qt::Dialog);
    window->setFont(designedWindowFont());
    window->setWindowTitle("Consulta");
    auto* form = new QFormLayout;
    values_.resize(columns_.size());
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      auto* entry = new QLineEdit(window);
      entry->setObjectName(QString("?QUERYVALUE%1").arg(i + 1));
      rt::setPicture(entry, rt::toQString(columns_[i].picture));
      const rt::Picture p = rt::parsePicture(columns_[i].picture);
      if (p.kind == rt::PictureKind::String && p.size > 0) entry->setMaxLength(p.size);
      entry->setText(rt::toQString(values_[i]));
      form->addRow(rt::toQString(columns_[i].title + ":"), entry);
      entries_.push_back(entry);
    }
    auto* names = new QComboBox(window);
    names->setObjectName("?QUERYNAME");
    names->setEditable(true);
    names->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& n : query_.savedQueries()) names->addItem(rt::toQString(n));
    names->setCurrentIndex(-1);
    names->setMinimumContentsLength(20);
    auto* save = new QPushButton("&Guardar", window);
    save->setObjectName("?SAVEQUERY");
    save->setAutoDefault(false);
    auto* load = new QPushButton("Ca&rgar", window);
    load->setObjectName("?LOADQUERY");
    load->setAutoDefault(false);
    auto* saved = new QHBoxLayout;
    saved->addWidget(new QLabel("Consulta guardada:", window));
    saved->addWidget(names, 1);
    saved->addWidget(load);
    saved->addWidget(save);
    auto* ok = new QPushButton("&Aceptar", window);
    ok->setObjectName("?OK");
    auto* cancel = new QPushButton("&Cancelar", window);
    cancel->setObjectName("?CANCEL");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(window);
    layout->addLayout(form);
    layout->addLayout(saved);
    layout->addLayout(buttons);
    Open(window);
    ColorearControles(window);
    setUpAids(window);
    if (!entries_.empty()) entries_.front()->setFocus();
    return rt::level::Benign;
  }

  int TakeAccepted() override {
    const QString name = field()->objectName();
    if (name == "?OK") {
      for (std::size_t i = 0; i < entries_.size(); ++i) {
        values_[i] = rt::fromQString(entries_[i]->text());
      }
      Response = rt::kCompleted;
      return rt::level::Fatal;
    }
    if (name == "?CANCEL") {
      Response = rt::kCancelled;
      return rt::level::Fatal;
    }
    auto* names = control<QComboBox>("?QUERYNAME");
    const std::string chosen = trimmedName(rt::fromQString(names->currentText()));
    if (name == "?SAVEQUERY") {
      std::vector<std::string> typed;
      for (QLineEdit* e : entries_) typed.push_back(rt::fromQString(e->text()));
      if (chosen.empty()) {
        rt::showMessage({kNoName, "Consulta", rt::MessageIcon::Warning, rt::button::Ok, {}, 0});
        names->setFocus();
      } else if (query_.saveQuery(chosen, typed) && names->findText(rt::toQString(chosen)) < 0) {
        names->addItem(rt::toQString(chosen));
      }
    } else if (name == "?LOADQUERY" && !chosen.empty()) {
      const std::vector<std::string> saved = query_.savedQuery(chosen);
      for (std::size_t i = 0; i < entries_.size(); ++i) {
        entries_[i]->setText(rt::toQString(i < saved.size() ? saved[i] : std::string()));
      }
    }
    return rt::level::Benign;
  }

 private:
  const QueryByExample& query_;
  const std::vector<SearchColumn>& columns_;
  std::vector<std::string>& values_;
  std::vector<QLineEdit*> entries_;
};

bool blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

std::string queryCondition(const std::vector<SearchColumn>& columns,
                           const std::vector<std::string>& values) {
  std::string condition;
  for (std::size_t i = 0; i < columns.size() && i < values.size(); ++i) {
    if (blank(values[i])) continue;
    if (!condition.empty()) condition += " AND ";
    condition += matchExpression(columns[i].field, searchValue(values[i], columns[i].picture));
  }
  return condition;
}

std::optional<std::string> QueryByExample::Ask() {
  std::vector<std::string> typed = values_;
  QueryWindow window(*this, columns_, typed);
  if (window.Run() != rt::kCompleted) return std::nullopt;
  values_ = typed;
  return queryCondition(columns_, values_);
}

}  // namespace core

namespace core {

std::vector<std::string> QueryByExample::savedQueries() const {
  std::vector<std::string> names;
  if (name_.empty()) return names;
  const std::string list = settingsStore().fetch(name_, kSavedList);
  std::size_t start = 0;
  for (std::size_t bar; (bar = list.find('|', start)) != std::string::npos; start = bar + 1) {
    if (bar > start) names.push_back(list.substr(start, bar - start));
  }
  return names;
}

std::vector<std::string> QueryByExample::savedQuery(std::string_view queryName) const {
  std::vector<std::string> values;
  const std::string name = trimmedName(queryName);
  const std::vector<std::string> names = savedQueries();
  if (std::find(names.begin(), names.end(), name) == names.end()) return values;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    values.push_back(settingsStore().fetch(name_, valueEntry(name, i)));
  }
  return values;
}

bool QueryByExample::saveQuery(std::string_view queryName,
                               const std::vector<std::string>& values) const {
  const std::string name = trimmedName(queryName);
  if (name_.empty() || name.empty()) return false;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (!settingsStore().update(name_, valueEntry(name, i),
                                i < values.size() ? values[i] : std::string())) {
      return false;
    }
  }
  std::vector<std::string> names = savedQueries();
  if (std::find(names.begin(), names.end(), name) != names.end()) return true;
  std::string list;
  for (const std::string& n : names) list += n + "|";
  return settingsStore().update(name_, kSavedList, list + name + "|");
}

}  // namespace core
