#include "core/shapes/list_search.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/aids/designed_font.h"
#include "core/shapes/list_browser.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/base/runtime_errors.h"
#include "platform/base/thread_timer.h"
#include "platform/data/cursor.h"
#include "platform/data/record_names.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

constexpr std::size_t kPartLength = 32;
constexpr char kSelectFirst[] = "Select a field first.";
constexpr char kValueTip[] = "Search for this value (wildcards accepted)";
constexpr char kValueHelp[] = "(Eg. *computer*, Computer, Co??uter)";

std::string trimmedRight(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

bool isTextPicture(std::string_view picture) {
  return picture.find_first_of("sS") != std::string_view::npos;
}

}  // namespace

std::vector<SearchColumn> splitSearchColumns(std::string_view columns) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < columns.size()) {
    std::size_t bar = columns.find('|', start);
    if (bar == std::string_view::npos) bar = columns.size();
    parts.emplace_back(columns.substr(start, std::min(bar - start, kPartLength)));
    start = bar + 1;
  }
  std::vector<SearchColumn> result;
  for (std::size_t i = 0; i + 2 < parts.size(); i += 3) {
    result.push_back({parts[i], parts[i + 1], parts[i + 2]});
  }
  return result;
}

std::string vsDoubleQuotes(std::string_view text) {
  std::string out;
  for (char c : trimmedRight(text)) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  return out;
}

std::string searchValue(std::string_view typed, std::string_view picture) {
  const bool wildcards = typed.find_first_of("*?") != std::string_view::npos;
  if (wildcards) return std::string(typed);
  if (isTextPicture(picture)) return "*" + trimmedRight(typed) + "*";
  if (trimmedRight(typed).empty()) return std::string(typed);
  return rt::deformat(trimmedRight(typed), picture);
}

std::string matchExpression(std::string_view field, std::string_view value) {
  return "MATCH(" + trimmedRight(field) + ",'" + vsDoubleQuotes(value) + "',17)";
}

std::optional<MatchParts> matchParts(std::string_view expression) {
  constexpr std::string_view head = "MATCH(", tail = "',17)";
  if (expression.size() < head.size() + tail.size() || expression.substr(0, head.size()) != head ||
      expression.substr(expression.size() - tail.size()) != tail) {
    return std::nullopt;
  }
  const std::size_t comma = expression.find(",'", head.size());
  if (comma == std::string_view::npos || comma + 2 > expression.size() - tail.size()) {
    return std::nullopt;
  }
  MatchParts parts{std::string(expression.substr(head.size(), comma - head.size())), {}, 17};
  const std::string_view quoted =
      expression.substr(comma + 2, expression.size() - tail.size() - comma - 2);
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    if (quoted[i] == '\'') {
      if (i + 1 >= quoted.size() || quoted[i + 1] != '\'') return std::nullopt;
      ++i;
    }
    parts.value.push_back(quoted[i]);
  }
  return parts;
}

SearchDialog::SearchDialog(std::string_view columns, std::string& title, std::string& value,
                           std::uint8_t& findNext)
    : AidedWindow("vsFind"),
      columns_(splitSearchColumns(columns)),
      title_(title),
      value_(value),
      findNext_(findNext) {}

int SearchDialog::selectedColumn() const {
  auto* fields = control<QComboBox>("?SEARCHFIELDS");
  return fields ? fields->currentIndex() : -1;
}

void SearchDialog::givePicture(int column) {
  picture_ = column >= 0 ? columns_[column].picture : "@s60";
  auto* entry = control<QLineEdit>("?SEARCHVALUE");
  rt::setPicture(entry, rt::toQString(picture_));
  const rt::Picture p = rt::parsePicture(picture_);
  entry->setMaxLength(p.kind == rt::PictureKind::String && p.size > 0 ? p.size : 60);
}

void SearchDialog::buildExpression() {
  const int column = selectedColumn();
  auto* entry = control<QLineEdit>("?SEARCHVALUE");
  const std::string typed = rt::fromQString(entry->text());
  expression_ = column < 0 ? std::string()
                           : matchExpression(columns_[column].field, searchValue(typed, picture_));
  control<QLabel>("?MATCHCRITERIA")->setText(rt::toQString(expression_.substr(0, 128)));
}

int SearchDialog::Init() {
  AidedWindow::Init();
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  auto* window = new QWidget(nullptr, Qt::Dialog);
  window->setFont(designedWindowFont());
  window->setWindowTitle("Busqueda...");
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  window->setMinimumSize(units.size(265, 62));

  auto* fields = new QComboBox(window);
  fields->setObjectName("?SEARCHFIELDS");
  for (const SearchColumn& c : columns_) fields->addItem(rt::toQString(c.title));
  auto* value = new QLineEdit(window);
  value->setObjectName("?SEARCHVALUE");
  value->setToolTip(rt::toQString(std::string(kValueTip) + "\n" + kValueHelp));
  value->setStatusTip(kValueTip);
  // The expression shown follows each key, not only the value left.
  QObject::connect(value, &QLineEdit::textEdited, window,
                   [this, value] { post(rt::event::NewSelection, value); });
  auto* criteria = new QLabel(window);
  criteria->setObjectName("?MATCHCRITERIA");
  criteria->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* find = new QPushButton(rt::toQString("&Buscar..."), window);
  find->setObjectName("?FIND");
  auto* next = new QPushButton(rt::toQString("Buscar &Próximo"_cp), window);
  next->setObjectName("?FINDNEXT");
  auto* cancel = new QPushButton("Cancelar", window);
  cancel->setObjectName("?CANCEL");

  auto* grid = new QGridLayout;
  auto* fieldsPrompt = new QLabel("&Campo a Buscar:", window);
  fieldsPrompt->setBuddy(fields);
  auto* valuePrompt = new QLabel("&Cadena a Buscar:", window);
  valuePrompt->setBuddy(value);
  grid->addWidget(fieldsPrompt, 0, 0);
  grid->addWidget(fields, 0, 1);
  grid->addWidget(valuePrompt, 1, 0);
  grid->addWidget(value, 1, 1);
  grid->addWidget(criteria, 2, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(find);
  buttons->addWidget(next);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(window);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  // The remembered column and value of the list, or the first column.
  int column = columns_.empty() ? -1 : 0;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (trimmedRight(columns_[i].title) == trimmedRight(title_) && !trimmedRight(title_).empty()) {
      column = static_cast<int>(i);
    }
  }
  fields->setCurrentIndex(column);
  Open(window);
  givePicture(column);
  if (!trimmedRight(value_).empty()) value->setText(rt::toQString(trimmedRight(value_)));
  buildExpression();
  setUpAids(window);
  value->setFocus();
  return rt::level::Benign;
}

int SearchDialog::TakeNewSelection() {
  if (field() == control("?SEARCHVALUE")) buildExpression();
  return rt::level::Benign;
}

int SearchDialog::TakeAccepted() {
  const std::string name = rt::fromQString(field()->objectName());
  if (name == "?SEARCHFIELDS") {
    givePicture(selectedColumn());
    buildExpression();
  } else if (name == "?SEARCHVALUE") {
    buildExpression();
  } else if (name == "?FIND" || name == "?FINDNEXT") {
    const int column = selectedColumn();
    if (column < 0) {
      rt::showMessage({kSelectFirst, "Error", rt::MessageIcon::None, rt::button::Ok, {}, 0});
      return rt::level::Benign;
    }
    buildExpression();
    title_ = columns_[column].title.substr(0, 60);
    value_ = rt::fromQString(control<QLineEdit>("?SEARCHVALUE")->text()).substr(0, 60);
    if (name == "?FINDNEXT") findNext_ = 1;
    Response = rt::kCompleted;
    return rt::level::Fatal;
  } else if (name == "?CANCEL") {
    expression_.clear();
    Response = rt::kCancelled;
    return rt::level::Fatal;
  }
  return rt::level::Benign;
}

int SearchDialog::TakeCloseEvent() { return rt::level::Benign; }

std::string vsFind(std::string_view columns, std::string& title, std::string& value,
                   std::uint8_t& findNext) {
  SearchDialog dialog(columns, title, value, findNext);
  rt::ThreadResponse() = static_cast<std::uint8_t>(dialog.Run());
  return dialog.expression().substr(0, 1024);
}

namespace {

std::chrono::milliseconds& tickBudget() {
  static std::chrono::milliseconds budget = ListSearch::kTickBudget;
  return budget;
}

// While alive, the keys and clicks meant for the searching list's window
// wait no more (they would act on a list about to move): Esc in it stops the
// search, everything else of it is passed over; other windows get theirs.
class SearchInterruption : public QObject {
 public:
  explicit SearchInterruption(QWidget* window) : window_(window) {
    QApplication::instance()->installEventFilter(this);
  }
  ~SearchInterruption() override { QApplication::instance()->removeEventFilter(this); }
  bool stopped() const { return stopped_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
        break;
      default:
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || window_.isNull() || widget->window() != window_->window())
      return false;
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      stopped_ = true;
    }
    return true;
  }

 private:
  QPointer<QWidget> window_;
  bool stopped_ = false;
};

}  // namespace

void ListSearch::setTickBudget(std::chrono::milliseconds budget) {
  tickBudget() = budget.count() < 0 ? kTickBudget : budget;
}

ListSearch::ListSearch(ListBrowser& browser, ListSearchSettings settings)
    : browser_(browser), settings_(std::move(settings)) {}

std::vector<int> ListSearch::keys() const {
  std::vector<int> keys{settings_.openKey, Qt::Key_F3};
  if (settings_.filterKey) keys.push_back(Qt::Key_F4);
  return keys;
}

bool ListSearch::TakeKey(int key) {
  for (int k : keys()) {
    if (k == key) {
      TeclaBusqueda(key);
      return true;
    }
  }
  return false;
}

void ListSearch::AvisoSinOcurrencias() {
  rt::showMessage({settings_.noMore, "Buscar", rt::MessageIcon::Warning, rt::button::Ok, {}, 0});
}

void ListSearch::PosicionarEncontrado() {
  browser_.RetainRow = 1;
  browser_.ResetFromView();
  browser_.PostNewSelection();
}

void ListSearch::resumeAfterSelected() {
  // The selected row's record is read again; the next read gives the row
  // after it. Without a row the search starts from the top.
  if (!browser_.UpdateViewRecord()) browser_.view().setToStart();
}

void ListSearch::BuscarSiguiente() {
  if (trimmedRight(expression_).empty()) {
    rt::showMessage({settings_.noCriteria,
                     settings_.noCriteriaCaption,
                     rt::MessageIcon::Warning,
                     rt::button::Ok,
                     {},
                     0});
    PosicionarEncontrado();
    return;
  }
  const Outcome outcome = readUntilMatch();
  if (outcome == Outcome::Found) {
    PosicionarEncontrado();
  } else if (outcome == Outcome::NoMore) {
    AvisoSinOcurrencias();
  }
  browser_.list()->setFocus();
}

ListSearch::Outcome ListSearch::readUntilMatch() {
  using Clock = std::chrono::steady_clock;
  QWidget* window = browser_.list()->window();
  window->setCursor(Qt::WaitCursor);
  const SearchInterruption interruption(window);
  const std::unique_ptr<rt::NameResolver> names = browser_.searchNames();
  const rt::FilterExpression condition(expression_, *names);
  if (const std::optional<MatchParts> parts = matchParts(expression_)) {
    browser_.SetSearchTest(parts->field, parts->value, parts->mode);
  }
  Outcome outcome = Outcome::NoMore;
  for (auto tickEnd = Clock::now() + tickBudget();;) {
    const int read = browser_.view().next();
    if (read == rt::error::NoError && condition.matches()) {
      outcome = Outcome::Found;
      break;
    }
    if (read != rt::error::NoError && read != rt::Cursor::kStillLooking) break;
    if (Clock::now() >= tickEnd) {
      rt::waitOnTimer(0);
      if (interruption.stopped()) {
        outcome = Outcome::Stopped;
        break;
      }
      tickEnd = Clock::now() + tickBudget();
    }
  }
  browser_.ClearSearchTest();
  window->unsetCursor();
  return outcome;
}

void ListSearch::AbrirBusqueda() {
  findNext_ = 0;
  expression_ = vsFind(settings_.columns, title_, value_, findNext_);
}

void ListSearch::TeclaBusqueda(int key) {
  if (key == settings_.openKey) {
    AbrirBusqueda();
    if (findNext_ != 0) {
      resumeAfterSelected();
    } else {
      browser_.view().setToStart();
    }
    BuscarSiguiente();
  } else if (key == Qt::Key_F3) {
    resumeAfterSelected();
    BuscarSiguiente();
  } else if (key == Qt::Key_F4 && settings_.filterKey) {
    AbrirBusqueda();
    browser_.SetFilter(findNext_ != 0 ? expression_.substr(0, 255) : std::string(), "5 vsFind");
    browser_.ApplyFilter();
    browser_.ResetView();
  }
}

}  // namespace core
