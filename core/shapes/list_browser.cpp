#include "core/shapes/list_browser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <stdexcept>

#include "core/shapes/list_cells.h"
#include "core/shapes/list_thumb.h"
#include "core/shapes/query_by_example.h"
#include "core/shapes/record_form.h"
#include "core/tables/table_managers.h"
#include "platform/base/picture.h"
#include "platform/base/text_order.h"
#include "platform/data/record_buffer.h"
#include "platform/data/record_names.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

// The list's own events, handled on the window's thread.
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
  return parent.isValid() ? 0 : browser_.shownColumns();
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const ListRow& row = rows_.at(index.row());
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      if (column < static_cast<int>(row.icons.size()) && row.icons[column] > 0) return QString();
      return row.cells.at(column);
    case Qt::DecorationRole: {
      const int icon = column < static_cast<int>(row.icons.size()) ? row.icons[column] : 0;
      if (icon <= 0 || icon > static_cast<int>(browser_.icons.size())) return {};
      return browser_.icons[static_cast<std::size_t>(icon - 1)];
    }
    case Qt::TextAlignmentRole: {
      const ListColumn& c = browser_.columns_.at(browser_.shownIndex_.at(column));
      const Qt::Alignment horizontal = c.align == ColumnAlign::Right    ? Qt::AlignRight
                                       : c.align == ColumnAlign::Center ? Qt::AlignHCenter
                                                                        : Qt::AlignLeft;
      return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }
    default:
      break;
  }
  if (column >= static_cast<int>(row.colours.size())) return {};
  const CellColours& colours = row.colours[column];
  switch (role) {
    case Qt::ForegroundRole:
      return colours.text >= 0 ? QVariant(colourOf(colours.text)) : QVariant();
    case Qt::BackgroundRole:
      return colours.back >= 0 ? QVariant(colourOf(colours.back)) : QVariant();
    case kSelectedTextRole:
      return colours.selectedText >= 0 ? QVariant(colourOf(colours.selectedText)) : QVariant();
    case kSelectedBackRole:
      return colours.selectedBack >= 0 ? QVariant(colourOf(colours.selectedBack)) : QVariant();
    default:
      return {};
  }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  if (section < 0 || section >= static_cast<int>(browser_.shownIndex_.size())) return {};
  return rt::toQString(browser_.columns_[browser_.shownIndex_[section]].title);
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
  list->setItemDelegate(new CellColourDelegate(list));
  list->installEventFilter(this);
  QObject::connect(list->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
    if (!locating_) startLocatorAfresh();
  });
  QObject::connect(list->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (value == list_->verticalScrollBar()->minimum() && !model_.atStart_) want(kEarlierRows);
  });
  QObject::connect(list, &QWidget::customContextMenuRequested, this,
                   [this](const QPoint& at) { showPopup(at); });
}

void ListBrowser::RunQuery(std::string name) {
  if (!query_) {
    std::vector<SearchColumn> columns;
    for (const ListColumn& c : columns_) {
      if (!c.title.empty()) columns.push_back({c.title, c.picture, c.field});
    }
    query_ = std::make_unique<QueryByExample>(std::move(columns), std::move(name));
  }
  const std::optional<std::string> condition = query_->Ask();
  if (!condition) return;
  SetFilter(*condition, kQueryFilterId);
  ApplyFilter();
  ResetView();
  list_->setFocus();
}

ListBrowser::~ListBrowser() {
  if (list_) list_->setModel(nullptr);
}

void ListBrowser::AddSortOrder(std::string title, int key, std::string_view appended) {
  SortOrder order{std::move(title), key, {}};
  while (!appended.empty()) {
    const std::size_t comma = appended.find(',');
    std::string_view item = appended.substr(0, comma);
    appended = comma == std::string_view::npos ? std::string_view() : appended.substr(comma + 1);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    if (item.empty()) continue;
    rt::KeyComponent component;
    if (item.front() == '+' || item.front() == '-') {
      component.descending = item.front() == '-';
      item.remove_prefix(1);
    }
    component.field = def_.fieldIndex(item);
    if (component.field < 0) {
      throw std::invalid_argument("no field " + std::string(item) + " to order by");
    }
    order.appended.push_back(component);
  }
  orders_.push_back(std::move(order));
  if (orders_.size() == 1) rebuildView();
}

void ListBrowser::rebuildView() {
  const SortOrder& order = orders_.at(order_);
  view_ = std::make_unique<rt::View>(def_, order.key, order.appended);
  for (const JoinSpec& j : joins_) {
    // Links name fields of the primary table or of a table joined before.
    const rt::TableDef* from = &def_;
    if (!j.links.empty() && def_.fieldIndex(j.links[0]) < 0) {
      for (const JoinSpec& earlier : joins_) {
        if (&earlier == &j) break;
        if (earlier.def->fieldIndex(j.links[0]) >= 0) from = earlier.def;
      }
    }
    std::vector<int> links;
    for (const std::string& name : j.links) links.push_back(from->fieldIndex(name));
    if (from == &def_) {
      view_->join(*j.def, j.key, std::move(links));
    } else {
      view_->joinThrough(*from, *j.def, j.key, std::move(links));
    }
  }
  if (range_) view_->setRange(1);
  if (!filterText_.empty()) view_->setFilter(filterText_);
  const rt::KeyDef& key = def_.keys.at(order.key);
  if (locatorControl_ && !key.components.empty()) locatorField_ = key.components[0].field;
}

void ListBrowser::SetLocator(QLineEdit* control, std::string_view field, int limit) {
  locatorLimit_ = static_cast<std::size_t>(std::clamp(limit, 1, kLocatorLimit));
  locatorControl_ = control;
  locatorField_ = def_.fieldIndex(field);
  if (control == nullptr) return;  // a locator the user types without seeing it
  control->setReadOnly(true);
  control->setFocusPolicy(Qt::NoFocus);
}

void ListBrowser::AddJoin(const rt::TableDef& joined, int key, std::vector<std::string> links) {
  joins_.push_back({&joined, key, std::move(links)});
  searchTables.push_back(&joined);
  if (view_) rebuildView();
}

void ListBrowser::SetRange(std::function<std::int64_t()> value) {
  range_ = std::move(value);
  if (view_) rebuildView();
}

void ListBrowser::primeRange() {
  if (!range_ || orders_.empty()) return;
  const rt::KeyDef& key = def_.keys.at(orders_.at(order_).key);
  if (key.components.empty()) return;
  rt::setFieldNumber(def_.fields[key.components[0].field], rt::table(def_).record(), range_());
}

void ListBrowser::AddColumn(std::string_view field, std::string title, int characters) {
  ListColumn column;
  column.field = std::string(field);
  column.title = std::move(title);
  column.characters = characters;
  AddColumn(std::move(column));
}

void ListBrowser::AddColumn(ListColumn column) {
  if (column.picture.empty()) {
    for (const rt::TableDef* t : searchTables) {
      const int index = t->fieldIndex(column.field);
      if (index < 0) continue;
      column.picture = t->fields[index].picture;
      if (column.picture.empty() && rt::isTextField(t->fields[index])) {
        column.picture = "@s" + std::to_string(t->fields[index].size);
      }
      break;
    }
  }
  if (!column.title.empty()) shownIndex_.push_back(static_cast<int>(columns_.size()));
  // A heading over columns needs a header that draws it; it is put in place
  // while the window is built, before anything watches the list.
  if (!column.group.empty() && dynamic_cast<GroupedHeader*>(list_->horizontalHeader()) == nullptr) {
    auto* header = new GroupedHeader(list_);
    list_->setHorizontalHeader(header);
    header->setStretchLastSection(true);
  }
  columns_.push_back(std::move(column));
  sources_.clear();
}

int ListBrowser::firstShown() const {
  // A hidden column made current would scroll the list sideways to it.
  for (int column = 0; column < shownColumns(); ++column) {
    if (!list_->isColumnHidden(column)) return column;
  }
  return 0;
}

int ListBrowser::shownColumns() const { return static_cast<int>(shownIndex_.size()); }

int ListBrowser::columnWidth(int column) const {
  if (column < 1 || column > shownColumns()) return -1;
  if (list_->isColumnHidden(column - 1)) return 0;
  return rt::DialogUnits::of(list_).unitsX(list_->columnWidth(column - 1));
}

void ListBrowser::resolveColumns() {
  sources_.clear();
  for (const ListColumn& c : columns_) {
    Source source;
    const std::string_view name = c.field;
    const std::size_t colon = name.find(':');
    for (const rt::TableDef* t : searchTables) {
      if (colon != std::string_view::npos && !rt::sameName(name.substr(0, colon), t->prefix)) {
        continue;
      }
      source.field = t->fieldIndex(name);
      source.memo = source.field < 0 ? t->memoIndex(name) : -1;
      if (source.field >= 0 || source.memo >= 0) {
        source.table = &rt::table(*t);
        break;
      }
    }
    sources_.push_back(source);
  }
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
  if (sources_.size() != columns_.size()) resolveColumns();
  ListRow row;
  row.position = position;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    const ListColumn& c = columns_[i];
    std::string value = storedValue(i);
    if (c.shownAs) value = c.shownAs(std::move(value));
    if (c.title.empty()) {
      row.extras.push_back(std::move(value));
      continue;
    }
    row.cells.push_back(rt::toQString(
        trimmedRight(c.picture.empty() ? value : rt::format(value, rt::parsePicture(c.picture)))));
    row.values.push_back(std::move(value));
  }
  row.colours.resize(row.cells.size());
  row.icons.resize(row.cells.size());
  if (alphabeticThumb()) {
    const rt::KeyDef& key = def_.keys.at(orders_.at(order_).key);
    row.step = alphabeticStep(
        rt::fieldText(def_.fields[key.components[0].field], rt::table(def_).record()));
  }
  if (colourRow) colourRow(row);
  return row;
}

std::string ListBrowser::orderText() const {
  std::string text;
  if (orders_.empty()) return text;
  for (const rt::KeyComponent& c : view_->order().components) {
    if (!text.empty()) text += ",";
    text += (c.descending ? "-" : "+") + def_.prefix + ":" + def_.fields[c.field].name;
  }
  return text;
}

std::string ListBrowser::storedValue(std::size_t column) {
  if (sources_.size() != columns_.size()) resolveColumns();
  const Source& source = sources_[column];
  if (source.table == nullptr) return {};
  if (source.field < 0) return trimmedRight(source.table->buffer().memo(source.memo));
  const rt::FieldDef& f = source.table->def().fields[source.field];
  return rt::isTextField(f) ? trimmedRight(rt::fieldText(f, source.table->record()))
                            : rt::numberText(f, rt::fieldNumber(f, source.table->record()));
}

namespace {

// The list's tables by name, but a column with its own way of showing is
// matched as shown.
class ShownNames : public rt::NameResolver {
 public:
  ShownNames(std::vector<const rt::TableDef*> tables, std::vector<std::string> names,
             std::vector<std::function<std::string()>> values)
      : tables_(std::move(tables)),
        names_(std::move(names)),
        values_(std::move(values)),
        cache_(names_.size()) {}
  std::optional<rt::Binding> resolve(std::string_view name) const override {
    for (std::size_t i = 0; i < names_.size(); ++i) {
      if (!rt::sameName(names_[i], name)) continue;
      return rt::Binding::text([this, i]() -> std::string_view {
        cache_[i] = values_[i]();
        return cache_[i];
      });
    }
    return tables_.resolve(name);
  }

 private:
  rt::RecordNames tables_;
  std::vector<std::string> names_;
  std::vector<std::function<std::string()>> values_;
  mutable std::vector<std::string> cache_;
};

}  // namespace

std::string ListBrowser::searchColumns() const {
  std::string text;
  for (int i : shownIndex_) {
    const ListColumn& c = columns_[i];
    text += c.title + "|" + c.picture + "|" + (c.searchName.empty() ? c.field : c.searchName) + "|";
  }
  return text;
}

std::unique_ptr<rt::NameResolver> ListBrowser::searchNames() {
  std::vector<std::string> names;
  std::vector<std::function<std::string()>> values;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (!columns_[i].shownAs) continue;
    names.push_back(columns_[i].searchName.empty() ? columns_[i].field : columns_[i].searchName);
    values.push_back([this, i] { return columns_[i].shownAs(storedValue(i)); });
  }
  return std::make_unique<ShownNames>(searchTables, std::move(names), std::move(values));
}

bool ListBrowser::SetSearchTest(std::string_view name, std::string_view pattern, int mode) {
  for (const ListColumn& c : columns_) {
    if (c.shownAs && rt::sameName(c.searchName.empty() ? c.field : c.searchName, name))
      return false;
  }
  return view_->setMatchTest(name, pattern, mode);
}

std::string ListBrowser::field(std::size_t row, int number) const {
  if (row >= model_.rows_.size()) return {};
  return field(model_.rows_[row], number);
}

void ListBrowser::RewindView() {
  primeRange();
  view_->setToStart();
}

std::optional<ListRow> ListBrowser::NextViewRow() {
  if (view_->next() != 0) return std::nullopt;
  return SetQueueRecord(view_->position());
}

bool ListBrowser::SkipViewRow() { return view_->next() == 0; }

std::int64_t ListBrowser::TableRecords() { return rt::table(def_).records(); }

std::string ListBrowser::field(const ListRow& r, int number) const {
  if (number < 1) return {};
  int n = 0;
  for (std::size_t column = 0; column < shownIndex_.size(); ++column) {
    if (++n == number) return column < r.values.size() ? r.values[column] : std::string();
    const ListColumn& shown = columns_[shownIndex_[column]];
    if (shown.colored) {
      const CellColours c = column < r.colours.size() ? r.colours[column] : CellColours{};
      for (std::int32_t colour : {c.text, c.back, c.selectedText, c.selectedBack}) {
        if (++n == number) return std::to_string(colour);
      }
    }
    if (shown.iconed && ++n == number) {
      return std::to_string(column < r.icons.size() ? r.icons[column] : 0);
    }
  }
  const std::size_t extra = static_cast<std::size_t>(number - n - 1);
  return extra < r.extras.size() ? r.extras[extra] : std::string();
}

void ListBrowser::appendPage(int count) {
  std::vector<ListRow> page;
  primeRange();
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
  fetched();
}

void ListBrowser::fetched() {
  if (!colourQueue || model_.rows_.empty()) return;
  colourQueue(model_.rows_);
  emit model_.dataChanged(
      model_.index(0, 0),
      model_.index(static_cast<int>(model_.rows_.size()) - 1, std::max(shownColumns() - 1, 0)));
}

void ListBrowser::prependPage() {
  if (model_.rows_.empty() || model_.atStart_) return;
  std::vector<ListRow> page;
  primeRange();
  if (view_->reset(model_.rows_.front().position) != 0 || view_->previous() != 0) {
    model_.atStart_ = true;
    return;
  }
  const int count = whole_ ? INT_MAX : kPage;
  while (static_cast<int>(page.size()) < count) {
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
  fetched();
  list_->scrollTo(model_.index(n, 0), QAbstractItemView::PositionAtTop);
}

void ListBrowser::loadFrom(bool fromCurrent) {
  const std::int64_t position = fromCurrent ? view_->position() : 0;
  model_.beginResetModel();
  model_.rows_.clear();
  model_.atEnd_ = false;
  model_.atStart_ = !fromCurrent;
  model_.endResetModel();
  applyColumnLayout();
  primeRange();
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
        list_->setCurrentIndex(model_.index(static_cast<int>(i), firstShown()));
        list_->scrollTo(model_.index(static_cast<int>(i), firstShown()),
                        QAbstractItemView::PositionAtCenter);
        break;
      }
    }
  } else if (!model_.rows_.empty()) {
    list_->setCurrentIndex(model_.index(0, firstShown()));
  }
  showThumb();
}

void ListBrowser::applyColumnLayout() {
  // Once: later reloads keep the widths the user gave the columns.
  if (layoutApplied_ || shownIndex_.empty()) return;
  layoutApplied_ = true;
  std::vector<QString> groups;
  bool grouped = false;
  for (int i : shownIndex_) {
    groups.push_back(rt::toQString(columns_[i].group));
    grouped = grouped || !columns_[i].group.empty();
  }
  if (grouped) {
    if (auto* header = dynamic_cast<GroupedHeader*>(list_->horizontalHeader())) {
      header->setGroups(std::move(groups));
    }
  }
  QHeaderView* header = list_->horizontalHeader();
  for (int shown = 0; shown < static_cast<int>(shownIndex_.size()); ++shown) {
    const ListColumn& c = columns_[shownIndex_[shown]];
    if (c.width == 0) list_->setColumnHidden(shown, true);
    if (c.fixed) header->setSectionResizeMode(shown, QHeaderView::Fixed);
  }
  shareColumnWidths(true);
  // The list is laid out before its window takes its final size: the shares
  // follow the list's width until the user sets a width by hand.
  list_->viewport()->installEventFilter(this);
  QObject::connect(header, &QHeaderView::sectionResized, this, [this] {
    // A drag on the header, not the last column stretched with the list.
    if (!sharingWidths_ && QGuiApplication::mouseButtons() != Qt::NoButton) {
      userSizedColumns_ = true;
    }
  });
}

void ListBrowser::shareColumnWidths(bool givenToo) {
  const QScopedValueRollback<bool> sharing(sharingWidths_, true);
  const rt::DialogUnits units = rt::DialogUnits::of(list_);
  // Columns without a width share what the others leave by their characters.
  int characters = 0;
  int given = 0;
  for (int i : shownIndex_) {
    const ListColumn& c = columns_[i];
    if (c.width < 0) characters += std::max(c.characters, 1);
    if (c.width > 0) given += units.x(c.width);
  }
  const int spare = std::max(list_->viewport()->width() - given, 0);
  QHeaderView* header = list_->horizontalHeader();
  for (int shown = 0; shown < static_cast<int>(shownIndex_.size()); ++shown) {
    const ListColumn& c = columns_[shownIndex_[shown]];
    if (c.width == 0 || (c.width > 0 && !givenToo)) continue;
    // A given width still shows the whole heading.
    int width = c.width > 0
                    ? std::max(units.x(c.width), header->sectionSizeHint(shown))
                    : std::max(spare * std::max(c.characters, 1) / std::max(characters, 1), 40);
    // A date or a time is never cut: its column is at least as wide as one.
    const std::string picture = rt::upper(c.picture);
    if (picture.rfind("@D", 0) == 0 || picture.rfind("@T", 0) == 0) {
      const QString sample =
          picture[1] == 'D' ? QStringLiteral("00/00/0000") : QStringLiteral("00:00");
      width = std::max(width, list_->fontMetrics().horizontalAdvance(sample) + 12);
    }
    list_->setColumnWidth(shown, width);
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

bool ListBrowser::SelectLoadedRow(std::int64_t position) {
  const auto& rows = model_.rows_;
  const auto row = std::find_if(rows.begin(), rows.end(),
                                [position](const ListRow& r) { return r.position == position; });
  if (row == rows.end()) return false;
  list_->setCurrentIndex(
      model_.index(static_cast<int>(row - rows.begin()), list_->currentIndex().column()));
  return true;
}

bool ListBrowser::UpdateViewRecord() {
  const ListRow* row = selectedRow();
  if (row == nullptr) return false;
  primeRange();
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
  if (locator_.size() > locatorLimit_) locator_.resize(locatorLimit_);
  locate();
}

void ListBrowser::LoadWhole(bool on) {
  whole_ = on;
  if (on) ResetFromView();
}

void ListBrowser::updateControls() {
  const bool rows = !model_.rows_.empty();
  if (CHANGECONTROL) CHANGECONTROL->setEnabled(rows);
  if (DELETECONTROL) DELETECONTROL->setEnabled(rows);
  if (VIEWCONTROL) VIEWCONTROL->setEnabled(rows);
  if (EXPORTCONTROL) EXPORTCONTROL->setEnabled(rows);
  for (const QPointer<QWidget>& control : ROWCONTROLS) {
    if (control) control->setEnabled(rows);
  }
  if (SELECTCONTROL) {
    SELECTCONTROL->setVisible(!HIDESELECT || selecting);
    SELECTCONTROL->setEnabled(rows);
  }
}

void ListBrowser::edit(int request) {
  if (inPlace()) {
    editInPlace(request);
    return;
  }
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
    primeRange();
  }
  // A new record of a ranged list belongs to the range, however the form primes it.
  TableAccess& access = relate(def_).access();
  if (request == request::Insert && range_) {
    const rt::KeyDef& key = def_.keys.at(orders_.at(order_).key);
    access.holdOnPrime(key.components.at(0).field, range_());
  }
  const int answer = askProcedure(request);
  access.releaseHeld();
  if (answer != rt::kCompleted) {
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
  } else if (control == VIEWCONTROL) {
    edit(request::View);
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
  if (editing() && window_.event() == rt::event::AlertKey && window_.keyCode() == Qt::Key_Escape) {
    AbandonEdit();
    return true;
  }
  if (window_.event() == kEditKeys) {
    takeEditKeys();
    return true;
  }
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
    case kThumbMoves:
      takeThumbMoves();
      return true;
    case kLocatorKeys: {
      std::vector<int> keys;
      keys.swap(pendingKeys_);
      for (int key : keys) {
        if (key == kRestartLocator) {
          locator_.clear();
          continue;
        }
        if (key == Qt::Key_Backspace) {
          if (!locator_.empty()) locator_.pop_back();
        } else if (key == Qt::Key_Insert || key == Qt::Key_Delete) {
          TakeKey(key);
          continue;
        } else if (locator_.size() < locatorLimit_) {
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

void ListBrowser::ResetFromBuffer() {
  primeRange();
  view_->setFromBuffer();
  if (view_->next() != 0) {  // past the last record: the last one
    view_->setToStart();
    if (view_->previous() != 0) {
      ResetView();
      return;
    }
  }
  RetainRow = 1;
  ResetFromView();
}

void ListBrowser::showPopup(const QPoint& at) {
  if (!USEPOPUP) return;
  auto* menu = new QMenu(list_);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  auto add = [&](QWidget* control, QString text = {}) {
    if (!control || !control->isVisible()) return;
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (!button) return;
    QAction* item = menu->addAction(text.isEmpty() ? button->text() : text);
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
  add(VIEWCONTROL);
  add(INSERTCONTROL);
  add(CHANGECONTROL);
  add(DELETECONTROL);
  add(QUERYCONTROL);
  add(EXPORTCONTROL, QStringLiteral("Exportar"));
  for (const QPointer<QWidget>& control : ROWCONTROLS) add(control);
  menu->popup(list_->viewport()->mapToGlobal(at));
}

bool ListBrowser::eventFilter(QObject* watched, QEvent* event) {
  if (list_ && watched == list_->viewport()) {
    if (event->type() == QEvent::Resize && !userSizedColumns_) shareColumnWidths(false);
    return false;
  }
  if (watched == list_ && event->type() == QEvent::FocusIn) startLocatorAfresh();
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
  queueLocatorKey(code, key->timestamp());
  return true;
}

}  // namespace core
