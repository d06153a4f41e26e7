#include "core/list_browser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <algorithm>
#include <climits>

#include "core/record_form.h"
#include "platform/base/picture.h"
#include "platform/base/text_order.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

// The list's own events, handled on the window's thread.
constexpr int kLocatorKeys = rt::event::User + 0x40;
constexpr int kMoreRows = rt::event::User + 0x41;
constexpr int kEarlierRows = rt::event::User + 0x42;

std::string trimmedRight(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

}  // namespace

int ListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ListModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  int shown = 0;
  for (const ListColumn& c : browser_.columns_) shown += c.title.empty() ? 0 : 1;
  return shown;
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return rows_.at(index.row()).cells.at(index.column());
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  int shown = 0;
  for (const ListColumn& c : browser_.columns_) {
    if (c.title.empty()) continue;
    if (shown++ == section) return rt::toQString(c.title);
  }
  return {};
}

bool ListModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && !atEnd_;
}

void ListModel::fetchMore(const QModelIndex&) { browser_.want(kMoreRows); }

ListBrowser::ListBrowser(rt::WindowDriver& window, QTableView* list, const rt::TableDef& primary)
    : searchTables{&primary}, window_(window), list_(list), def_(primary), model_(*this) {
  list->setModel(&model_);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->verticalHeader()->hide();
  list->setWordWrap(false);
  list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
  list->horizontalHeader()->setStretchLastSection(true);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  list->installEventFilter(this);
  QObject::connect(list->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (value == list_->verticalScrollBar()->minimum() && !model_.atStart_) want(kEarlierRows);
  });
  QObject::connect(list, &QWidget::customContextMenuRequested, this,
                   [this](const QPoint& at) { showPopup(at); });
}

ListBrowser::~ListBrowser() {
  if (list_) list_->setModel(nullptr);
}

void ListBrowser::AddSortOrder(std::string title, int key) {
  orders_.emplace_back(std::move(title), key);
  if (orders_.size() == 1) rebuildView();
}

void ListBrowser::SetSortOrder(int index) {
  if (index < 0 || index >= static_cast<int>(orders_.size()) || index == order_) return;
  order_ = index;
  locator_.clear();
  rebuildView();
  ResetView();
}

void ListBrowser::rebuildView() {
  view_ = std::make_unique<rt::View>(def_, orders_.at(order_).second);
  if (!filterText_.empty()) view_->setFilter(filterText_);
  const rt::KeyDef& key = def_.keys.at(orders_.at(order_).second);
  if (locatorControl_ && !key.components.empty()) locatorField_ = key.components[0].field;
}

void ListBrowser::SetLocator(QLineEdit* control, std::string_view field) {
  locatorControl_ = control;
  locatorField_ = def_.fieldIndex(field);
  control->setReadOnly(true);
  control->setFocusPolicy(Qt::NoFocus);
}

void ListBrowser::AddColumn(std::string_view field, std::string title, int characters) {
  const int index = def_.fieldIndex(field);
  ListColumn column{std::string(field), std::move(title), {}, characters};
  if (index >= 0) column.picture = def_.fields[index].picture;
  if (column.picture.empty() && index >= 0 && rt::isTextField(def_.fields[index])) {
    column.picture = "@s" + std::to_string(def_.fields[index].size);
  }
  columns_.push_back(std::move(column));
}

void ListBrowser::SetFilter(std::string expression, std::string id) {
  if (trimmedRight(expression).empty()) {
    filters_.erase(id);
  } else {
    filters_[id] = std::move(expression);
  }
}

void ListBrowser::ApplyFilter() {
  std::string joined;
  for (const auto& [id, text] : filters_) {
    if (!joined.empty()) joined += " AND ";
    joined += "(" + trimmedRight(text) + ")";
  }
  filterText_ = joined;
  rebuildView();
}

ListRow ListBrowser::SetQueueRecord(std::int64_t position) {
  ListRow row{position, {}};
  const char* record = rt::table(def_).record();
  for (const ListColumn& c : columns_) {
    if (c.title.empty()) continue;
    const int index = def_.fieldIndex(c.field);
    if (index < 0) {
      row.cells.emplace_back();
      continue;
    }
    const rt::FieldDef& field = def_.fields[index];
    const std::string value = rt::isTextField(field)
                                  ? std::string(rt::fieldText(field, record))
                                  : std::to_string(rt::fieldNumber(field, record));
    row.cells.push_back(rt::toQString(
        trimmedRight(c.picture.empty() ? value : rt::format(value, rt::parsePicture(c.picture)))));
  }
  return row;
}

void ListBrowser::appendPage(int count) {
  std::vector<ListRow> page;
  if (!model_.rows_.empty()) {
    if (view_->reset(model_.rows_.back().position) != 0 || view_->next() != 0) {
      model_.atEnd_ = true;
      return;
    }
  }
  bool end = false;
  while (static_cast<int>(page.size()) < count) {
    if (view_->next() != 0) {
      end = true;
      break;
    }
    page.push_back(SetQueueRecord(view_->position()));
  }
  model_.atEnd_ = end;
  if (page.empty()) return;
  const int first = static_cast<int>(model_.rows_.size());
  model_.beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
  for (ListRow& r : page) model_.rows_.push_back(std::move(r));
  model_.endInsertRows();
}

void ListBrowser::prependPage() {
  if (model_.rows_.empty() || model_.atStart_) return;
  std::vector<ListRow> page;
  if (view_->reset(model_.rows_.front().position) != 0 || view_->previous() != 0) {
    model_.atStart_ = true;
    return;
  }
  while (static_cast<int>(page.size()) < kPage) {
    if (view_->previous() != 0) {
      model_.atStart_ = true;
      break;
    }
    page.push_back(SetQueueRecord(view_->position()));
  }
  if (page.empty()) return;
  const int n = static_cast<int>(page.size());
  model_.beginInsertRows({}, 0, n - 1);
  model_.rows_.insert(model_.rows_.begin(), std::make_move_iterator(page.rbegin()),
                      std::make_move_iterator(page.rend()));
  model_.endInsertRows();
  list_->scrollTo(model_.index(n, 0), QAbstractItemView::PositionAtTop);
}

void ListBrowser::loadFrom(bool fromCurrent) {
  const std::int64_t position = fromCurrent ? view_->position() : 0;
  model_.beginResetModel();
  model_.rows_.clear();
  model_.atEnd_ = false;
  model_.atStart_ = !fromCurrent;
  model_.endResetModel();
  sizeColumns();
  if (fromCurrent && (position == 0 || view_->reset(position) != 0)) {
    loadFrom(false);
    return;
  }
  if (!fromCurrent) view_->setToStart();
  appendPage(whole_ ? INT_MAX : kPage);
  if (fromCurrent) {
    // A few rows above the found one, so that it does not stand at the top
    // with nothing to scroll back to.
    prependPage();
  }
  updateControls();
  if (fromCurrent) {
    for (std::size_t i = 0; i < model_.rows_.size(); ++i) {
      if (model_.rows_[i].position == position) {
        list_->setCurrentIndex(model_.index(static_cast<int>(i), 0));
        list_->scrollTo(model_.index(static_cast<int>(i), 0), QAbstractItemView::PositionAtCenter);
        break;
      }
    }
  } else if (!model_.rows_.empty()) {
    list_->setCurrentIndex(model_.index(0, 0));
  }
}

void ListBrowser::sizeColumns() {
  // The shown columns share the list's width by their characters.
  int characters = 0;
  for (const ListColumn& c : columns_)
    characters += c.title.empty() ? 0 : std::max(c.characters, 1);
  if (characters == 0) return;
  const int width = list_->viewport()->width();
  int shown = 0;
  for (const ListColumn& c : columns_) {
    if (c.title.empty()) continue;
    list_->setColumnWidth(shown++, std::max(width * std::max(c.characters, 1) / characters, 40));
  }
}

void ListBrowser::ResetView() { loadFrom(false); }

void ListBrowser::ResetFromView() {
  const int keep = RetainRow;
  loadFrom(true);
  RetainRow = keep;
}

void ListBrowser::PostNewSelection() {
  list_->setFocus();
  window_.post(rt::event::NewSelection, list_);
}

const ListRow* ListBrowser::selectedRow() const {
  const QModelIndex current = list_->currentIndex();
  if (!current.isValid() || current.row() >= static_cast<int>(model_.rows_.size())) return nullptr;
  return &model_.rows_[current.row()];
}

bool ListBrowser::UpdateViewRecord() {
  const ListRow* row = selectedRow();
  if (row == nullptr) return false;
  if (view_->reset(row->position) != 0 || view_->next() != 0) return false;
  return rt::table(def_).position() == row->position;
}

bool ListBrowser::NextPage() {
  if (model_.atEnd_) return false;
  appendPage(kPage);
  return true;
}

void ListBrowser::LocateTo(std::string text) {
  locator_ = std::move(text);
  if (locator_.size() > 39) locator_.resize(39);
  locate();
}

void ListBrowser::LoadWhole(bool on) {
  whole_ = on;
  if (on) {
    while (!model_.atEnd_) appendPage(INT_MAX);
  }
}

void ListBrowser::updateControls() {
  const bool rows = !model_.rows_.empty();
  if (CHANGECONTROL) CHANGECONTROL->setEnabled(rows);
  if (DELETECONTROL) DELETECONTROL->setEnabled(rows);
  if (SELECTCONTROL) {
    SELECTCONTROL->setVisible(!HIDESELECT || selecting);
    SELECTCONTROL->setEnabled(rows);
  }
}

void ListBrowser::edit(int request) {
  if (!askProcedure) return;
  std::int64_t neighbour = 0;
  if (request != request::Insert) {
    const ListRow* row = selectedRow();
    if (row == nullptr || !UpdateViewRecord()) return;
    if (request == request::Delete) {
      const QModelIndex current = list_->currentIndex();
      const int next = current.row() + 1 < static_cast<int>(model_.rows_.size())
                           ? current.row() + 1
                           : current.row() - 1;
      if (next >= 0) neighbour = model_.rows_[next].position;
    }
  } else {
    rt::clearRecord(def_, rt::table(def_).buffer());
    rt::table(def_).recordWasRead(0, 0);
  }
  if (askProcedure(request) != rt::kCompleted) {
    list_->setFocus();
    return;
  }
  RetainRow = 1;
  const std::int64_t position = request == request::Delete ? neighbour : rt::table(def_).position();
  if (position != 0 && view_->reset(position) == 0 && view_->next() == 0) {
    ResetFromView();
  } else {
    ResetView();
  }
  PostNewSelection();
}

bool ListBrowser::TakeAccepted(QWidget* control) {
  if (control == nullptr) return false;
  if (control == list_) {  // Enter or a double click on a row
    if (selecting) {
      if (choose) choose();
    } else if (CHANGECONTROL && CHANGECONTROL->isEnabled()) {
      edit(request::Change);
    }
    return true;
  }
  if (control == INSERTCONTROL) {
    edit(request::Insert);
  } else if (control == CHANGECONTROL) {
    edit(request::Change);
  } else if (control == DELETECONTROL) {
    edit(request::Delete);
  } else if (control == SELECTCONTROL) {
    if (choose) choose();
  } else if (control == QUERYCONTROL) {
    if (query) query();
  } else {
    return false;
  }
  return true;
}

int ListBrowser::TakeKey(int key) {
  switch (key) {
    case Qt::Key_Insert:
      if (INSERTCONTROL && INSERTCONTROL->isEnabled()) edit(request::Insert);
      return 0;
    case Qt::Key_Delete:
      if (DELETECONTROL && DELETECONTROL->isEnabled()) edit(request::Delete);
      return 0;
    default:
      return 1;
  }
}

void ListBrowser::want(int event) {
  bool& flag = wanted_[event == kMoreRows ? 0 : 1];
  if (flag) return;
  flag = true;
  window_.post(event, list_);
}

bool ListBrowser::TakeEvent() {
  if (window_.event() == rt::event::Accepted && window_.field() == nullptr)
    return TakeNavigation(window_.currentEvent().controlNumber);
  switch (window_.event()) {
    case kMoreRows:
      wanted_[0] = false;
      appendPage(kPage);
      return true;
    case kEarlierRows:
      wanted_[1] = false;
      prependPage();
      return true;
    case kLocatorKeys: {
      std::vector<int> keys;
      keys.swap(pendingKeys_);
      for (int key : keys) {
        if (key == Qt::Key_Backspace) {
          if (!locator_.empty()) locator_.pop_back();
        } else if (key == Qt::Key_Insert || key == Qt::Key_Delete) {
          TakeKey(key);
          continue;
        } else if (locator_.size() < 39) {
          locator_.push_back(static_cast<char>(key));
        }
        locate();
      }
      return true;
    }
    default:
      return false;
  }
}

void ListBrowser::locate() {
  if (locatorControl_) locatorControl_->setText(rt::toQString(locator_));
  if (locatorField_ < 0) return;
  const rt::KeyDef& key = def_.keys.at(orders_.at(order_).second);
  rt::Table& table = rt::table(def_);
  rt::clearRecord(def_, table.buffer());
  const rt::FieldDef& field = def_.fields[locatorField_];
  const std::string text = key.caseInsensitive ? rt::upper(locator_) : locator_;
  if (rt::isTextField(field)) {
    rt::setFieldText(field, table.record(), text);
  } else {
    rt::setFieldNumber(field, table.record(), std::atoll(text.c_str()));
  }
  view_->setFromBuffer();
  if (view_->next() != 0) {  // past the last record: the last one
    view_->setToStart();
    if (view_->previous() != 0) return;
  }
  RetainRow = 1;
  ResetFromView();
}

void ListBrowser::showPopup(const QPoint& at) {
  if (!USEPOPUP) return;
  auto* menu = new QMenu(list_);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  auto add = [&](QWidget* control) {
    if (!control || !control->isVisible()) return;
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (!button) return;
    QAction* item = menu->addAction(button->text());
    item->setEnabled(control->isEnabled());
    QPointer<QWidget> target = control;
    QObject::connect(
        item, &QAction::triggered, this,
        [this, target] {
          if (target) window_.post(rt::event::Accepted, target);
        },
        Qt::QueuedConnection);
  };
  add(SELECTCONTROL);
  add(INSERTCONTROL);
  add(CHANGECONTROL);
  add(DELETECONTROL);
  add(QUERYCONTROL);
  menu->popup(list_->viewport()->mapToGlobal(at));
}

bool ListBrowser::eventFilter(QObject* watched, QEvent* event) {
  if (watched != list_ || event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
  int code = 0;
  if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Insert ||
      key->key() == Qt::Key_Delete) {
    code = key->key();
  } else {
    const std::string typed = rt::fromQString(key->text());
    if (typed.size() == 1 && static_cast<unsigned char>(typed[0]) >= 0x20 && typed[0] != 0x7F) {
      code = static_cast<unsigned char>(typed[0]);
    }
  }
  if (code == 0 || locatorField_ < 0) {
    if (code == Qt::Key_Insert || code == Qt::Key_Delete) {
      pendingKeys_.push_back(code);
      window_.post(kLocatorKeys, list_);
      return true;
    }
    return false;
  }
  pendingKeys_.push_back(code);
  window_.post(kLocatorKeys, list_);
  return true;
}

}  // namespace core
