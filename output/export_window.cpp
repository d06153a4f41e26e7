#include "output/export_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <memory>
#include <set>
#include <thread>

#include "core/aids/control_colouring.h"
#include "core/aids/designed_font.h"
#include "core/aids/main_services.h"
#include "core/aids/window_parts.h"
#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/table_managers.h"
#include "output/export_layouts.h"
#include "output/export_listing.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/message_hook.h"
#include "platform/base/number_text.h"
#include "platform/base/outside_actions.h"
#include "platform/base/paths.h"
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/base/text_order.h"
#include "platform/base/thread_timer.h"
#include "platform/base/worker.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/rtf_reader.h"

namespace output {
namespace {

namespace fs = std::filesystem;

constexpr char kNoExport[] = "ECNOEXPORT";
constexpr int kTitleWidth = 50;

std::string cut(std::string_view text, std::size_t width) {
  return std::string(text.substr(0, std::min(text.size(), width)));
}

QIcon totalIcon(bool totalled) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  if (totalled) {
    painter.setBrush(QColor(0x2e, 0x7d, 0x32));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(1, 1, 14, 14);
    painter.setPen(Qt::white);
    QFont font("DejaVu Sans", 8, QFont::Bold);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString(QChar(0x03A3)));
  } else {
    painter.setPen(QPen(QColor(0x9e, 0x9e, 0x9e), 1.5));
    painter.drawEllipse(3, 3, 10, 10);
  }
  return QIcon(pixmap);
}

class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

bool numericPicture(std::string_view picture) {
  switch (rt::parsePicture(picture).kind) {
    case rt::PictureKind::Number:
    case rt::PictureKind::Scientific:
    case rt::PictureKind::Date:
    case rt::PictureKind::Time:
      return true;
    default:
      return false;
  }
}

struct OutputButton {
  const char* name;
  int option;
  bool openDocument;
  std::vector<std::string> deleted;  // extensions removed before the export
  std::vector<std::string> taken;    // the first that exists afterwards is the file
};

const std::vector<OutputButton>& outputButtons() {
  static const std::vector<OutputButton> buttons = {
      {"?PRINT", option::Print, false, {}, {}},
      {"?OFFICE", option::Spreadsheet, true, {".ods"}, {".ods"}},
      {"?EXCEL", option::Spreadsheet, false, {".xlsx", ".xls"}, {".xlsx", ".xls"}},
      {"?WORD", option::Document, false, {".doc", ".docx"}, {".docx", ".doc"}},
      {"?ASCII", option::Text, false, {".txt"}, {".txt"}},
      {"?HTML", option::Html, false, {".html"}, {".html"}},
      {"?XML", option::Xml, false, {".xml"}, {".xml"}},
  };
  return buttons;
}

}  // namespace

std::vector<int> listedColumnNumbers(std::string_view row) {
  std::vector<int> numbers;
  int building = 0;
  int digits = 0;
  for (char c : row) {
    if (c == ' ' || c == '\0') break;
    if (c >= '0' && c <= '9') {
      if (digits < 3) building = building * 10 + (c - '0');
      ++digits;
    } else if (c == ',') {
      numbers.push_back(building);
      building = 0;
      digits = 0;
    }
  }
  return numbers;
}

ExportWindow::ExportWindow(core::ExportHandOver& handOver)
    : AidedWindow(core::kExportWindow), handOver_(handOver) {}

ExportWindow::~ExportWindow() = default;

int ExportWindow::Init() {
  AidedWindow::Init();
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  handOver_.parameters.resize(
      std::max<std::size_t>(handOver_.parameters.size(), core::kExportParameterRows));
  if (core::relate(core::KovSaveC::def()).open() != core::level::Benign) return rt::level::Notify;
  if (core::access(core::KovSaveD::def()).open() != core::level::Benign) {
    core::relate(core::KovSaveC::def()).close();
    return rt::level::Notify;
  }
  tablesOpened_ = true;
  core::MakeDirectory(GLO::DirectorioExportacion);

  const std::string procedure = handOver_.group != nullptr
                                    ? std::string(rt::clip(handOver_.group->procedure))
                                    : std::string();
  handOver_.parameters[core::exportRow::FileName] = procedure;
  std::error_code error;
  fs::path folder = fs::absolute(rt::resolvePath(GLO::DirectorioExportacion), error);
  if (error) folder = rt::resolvePath(GLO::DirectorioExportacion);
  base_ = folder / rt::cp1252ToUtf8(procedure);

  preselect();
  QWidget* window = buildWindow();
  Open(window);
  core::ColorearControles(window);
  scaleFont(window);
  refresh();
  if (!selected_.empty()) selectedList_->setCurrentRow(0);
  enableLayoutGroup();
  keyNavigator().Exclude(control("?LOC:ENTRY"));
  markAndNavigate(window);
  return rt::level::Benign;
}

void ExportWindow::preselect() {
  const std::vector<int> numbers =
      listedColumnNumbers(handOver_.parameters[core::exportRow::ListedColumns]);
  const std::set<int> listed(numbers.begin(), numbers.end());
  const int bound = numbers.empty() ? 0 : numbers.back();
  std::size_t next = 0;
  for (int n = 1; n <= bound; ++n) {
    if (listed.count(n) == 0) continue;
    if (next >= handOver_.columns.size()) break;  // more numbers than columns
    const core::ExportColumn& column = handOver_.columns[next];
    paired_[n] = next++;
    if (rt::clip(column.name) == kNoExport) continue;
    selected_.push_back({std::string(rt::clip(column.name)), column.total + 1, n});
  }
}

QWidget* ExportWindow::buildWindow() {
  auto* window = new QWidget(nullptr, Qt::Dialog);
  window->setFont(core::designedWindowFont());
  window->setWindowTitle(rt::toQString(rt::clip(handOver_.title)));
  const rt::DialogUnits units = rt::DialogUnits::of(window);

  auto* columnsBox = new QGroupBox("Columnas &Disponibles", window);
  columnsBox->setObjectName("?GROUP1");
  availableList_ = new QListWidget(columnsBox);
  availableList_->setObjectName("?AVAILABLE");
  availableList_->setMinimumSize(units.size(100, 110));
  (new QVBoxLayout(columnsBox))->addWidget(availableList_);

  auto* moves = new QVBoxLayout;
  moves->addStretch();
  moves->addWidget(
      core::namedButton(window, "?INSERT", ">", "Pasar la columna a las seleccionadas"));
  moves->addWidget(
      core::namedButton(window, "?DELETE", "<", "Quitar la columna de las seleccionadas"));
  moves->addWidget(core::namedButton(window, "?INSERTALL", ">>", "Pasar todas las columnas"));
  moves->addWidget(core::namedButton(window, "?DELETEALL", "<<", "Quitar todas las columnas"));
  moves->addStretch();

  auto* selectedBox = new QGroupBox("Columnas &Seleccionadas", window);
  selectedBox->setObjectName("?GROUP2");
  selectedList_ = new QListWidget(selectedBox);
  selectedList_->setObjectName("?SELECTED");
  selectedList_->setMinimumSize(units.size(120, 110));
  // Over the list, not inside it: an entry of its own for the window.
  auto* editor = new QLineEdit(selectedBox);
  editor->setObjectName("?LOC:ENTRY");
  editor->setMaxLength(kTitleWidth);
  editor->hide();
  (new QVBoxLayout(selectedBox))->addWidget(selectedList_);

  auto* columnTools = new QVBoxLayout;
  columnTools->addStretch();
  auto* down = core::namedButton(window, "?MOVEDOWN", "", "Mover Abajo");
  down->setIcon(window->style()->standardIcon(QStyle::SP_ArrowDown));
  auto* up = core::namedButton(window, "?MOVEUP", "", "Mover Arriba");
  up->setIcon(window->style()->standardIcon(QStyle::SP_ArrowUp));
  auto* total = core::namedButton(window, "?TOTALIZAR", "", "Totalizar Campo");
  total->setIcon(totalIcon(true));
  auto* edit = core::namedButton(window, "?EDITARTITULO", "", "Editar Titulo Columna");
  edit->setIcon(window->style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  for (QPushButton* b : {up, down, total, edit}) columnTools->addWidget(b);
  columnTools->addStretch();

  auto* orderBox = new QGroupBox("Ordenamiento", window);
  orderBox->setObjectName("?GROUP3");
  orderList_ = new QTreeWidget(orderBox);
  orderList_->setObjectName("?LIST_ORDER");
  orderList_->setColumnCount(2);
  orderList_->setHeaderLabels({"+/-", "Columna"});
  orderList_->setRootIsDecorated(false);
  orderList_->header()->setStretchLastSection(true);
  orderList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  orderList_->setColumnWidth(0, units.x(16));
  orderList_->setMinimumSize(units.size(110, 110));
  auto* orderButtons = new QHBoxLayout;
  orderButtons->addWidget(
      core::namedButton(window, "?ORDERADD", "Agregar", "Ordenar por la columna seleccionada"));
  orderButtons->addWidget(
      core::namedButton(window, "?ORDERDELETE", "Quitar", "Quitar del ordenamiento"));
  orderButtons->addWidget(
      core::namedButton(window, "?ORDERCHANGE", "+/-", "Ascendente / Descendente"));
  auto* orderLayout = new QVBoxLayout(orderBox);
  orderLayout->addWidget(orderList_);
  orderLayout->addLayout(orderButtons);

  auto* top = new QHBoxLayout;
  top->addWidget(columnsBox, 1);
  top->addLayout(moves);
  top->addWidget(selectedBox, 1);
  top->addLayout(columnTools);
  top->addWidget(orderBox, 1);

  auto* outputs = new QHBoxLayout;
  outputs->addWidget(core::namedButton(window, "?PRINT", "Imprimir", "Imprimir"));
  outputs->addWidget(core::namedButton(window, "?OFFICE", "Planilla ODS",
                                       "Exportar a Planilla de Cálculo (ODS)"_cp));
  outputs->addWidget(core::namedButton(window, "?EXCEL", "Excel", "Exportar a Excel"));
  outputs->addWidget(core::namedButton(window, "?WORD", "Word", "Exportar a Word"));
  outputs->addWidget(core::namedButton(window, "?ASCII", "Texto", "Exportar a ASCII (Texto)"));
  outputs->addWidget(core::namedButton(window, "?HTML", "HTML", "Exportar a HTML"));
  outputs->addWidget(core::namedButton(window, "?XML", "XML", "Exportar a XML"));
  outputs->addStretch();
  auto* preview = new QCheckBox("Visualiza Archivo Exportacion", window);
  preview->setObjectName("?L:PREVIEW");
  preview->setChecked(true);
  auto* mail = new QCheckBox("Enviar Por Mail:", window);
  mail->setObjectName("?ENVIARPORMAIL");
  auto* checks = new QHBoxLayout;
  checks->addWidget(preview);
  checks->addWidget(mail);
  checks->addStretch();

  auto* layoutRow = new QHBoxLayout;
  auto* saveBox = new QCheckBox("Salvar", window);
  saveBox->setObjectName("?L:SAVEEXP");
  layoutRow->addWidget(saveBox);
  auto* group = new QWidget(window);
  group->setObjectName("?LAYOUTGROUP");
  auto* groupLayout = new QHBoxLayout(group);
  groupLayout->setContentsMargins(0, 0, 0, 0);
  auto* prompt = new QLabel("Archivo:", group);
  prompt->setObjectName("?L:SAVE:PROMPT");
  auto* name = new QLineEdit(group);
  name->setObjectName("?L:SAVE");
  name->setMaxLength(kTitleWidth);
  name->setMinimumWidth(units.x(110));
  groupLayout->addWidget(prompt);
  groupLayout->addWidget(name, 1);
  groupLayout->addWidget(core::namedButton(group, "?SALVAR", "Salvar",
                                           "Guardar las columnas elegidas con ese nombre"));
  layoutRow->addWidget(group, 1);
  layoutRow->addWidget(
      core::namedButton(window, "?SELECCIONAR", "&Seleccionar", "Cargar una lista guardada"));
  layoutRow->addStretch();
  layoutRow->addWidget(core::namedButton(window, "?SALIR", "Salir"));

  auto* outer = new QVBoxLayout(window);
  outer->addLayout(top, 1);
  outer->addLayout(outputs);
  outer->addLayout(checks);
  outer->addLayout(layoutRow);

  // The kinds the list offers; the office file is always there.
  const std::string& offered = handOver_.parameters[core::exportRow::OfferedKinds];
  const std::pair<const char*, const char*> kinds[] = {{"HTML", "?HTML"}, {"EXCEL", "?EXCEL"},
                                                       {"WORD", "?WORD"}, {"ASCII", "?ASCII"},
                                                       {"XML", "?XML"},   {"PRT", "?PRINT"}};
  for (const auto& [word, name] : kinds) {
    if (offered.find(word) == std::string::npos) window->findChild<QWidget*>(name)->hide();
  }
  return window;
}

void ExportWindow::refresh() {
  const int a = availableList_->currentRow();
  const int s = selectedList_->currentRow();
  const int o = orderRow();
  {
    const QSignalBlocker b1(availableList_->selectionModel());
    const QSignalBlocker b2(selectedList_->selectionModel());
    const QSignalBlocker b3(orderList_->selectionModel());
    availableList_->clear();
    for (const Available& c : available_) availableList_->addItem(rt::toQString(c.title));
    selectedList_->clear();
    for (const Selected& c : selected_) {
      selectedList_->addItem(new QListWidgetItem(totalIcon(c.icon == 2), rt::toQString(c.title)));
    }
    orderList_->clear();
    for (const Order& e : order_) {
      orderList_->addTopLevelItem(
          new QTreeWidgetItem(QStringList{QString(QChar(e.sign)), rt::toQString(e.description)}));
    }
  }
  auto keep = [](int row, int count) { return count == 0 ? -1 : std::clamp(row, 0, count - 1); };
  availableList_->setCurrentRow(keep(a, availableList_->count()));
  selectedList_->setCurrentRow(keep(s, selectedList_->count()));
  const int orderCurrent = keep(o, orderList_->topLevelItemCount());
  if (orderCurrent >= 0) orderList_->setCurrentItem(orderList_->topLevelItem(orderCurrent));
}

int ExportWindow::availableRow() const {
  const int row = availableList_->currentRow();
  return row >= 0 && row < static_cast<int>(available_.size()) ? row : -1;
}

int ExportWindow::selectedRow() const {
  const int row = selectedList_->currentRow();
  return row >= 0 && row < static_cast<int>(selected_.size()) ? row : -1;
}

int ExportWindow::orderRow() const {
  const int row = orderList_->indexOfTopLevelItem(orderList_->currentItem());
  return row >= 0 && row < static_cast<int>(order_.size()) ? row : -1;
}

void ExportWindow::writeBack() { commitTitle(); }

void ExportWindow::commitTitle() {
  auto* editor = control<QLineEdit>("?LOC:ENTRY");
  if (editor == nullptr || !editor->isVisible()) return;
  if (editing_ >= 0 && editing_ < static_cast<int>(selected_.size())) {
    selected_[editing_].title = cut(rt::fromQString(editor->text()), kTitleWidth);
    while (!selected_[editing_].title.empty() && selected_[editing_].title.back() == ' ') {
      selected_[editing_].title.pop_back();
    }
  }
  editing_ = -1;
  editor->hide();
  refresh();
  selectedList_->setFocus();
}

void ExportWindow::moveRight() {
  const int row = availableRow();
  if (row < 0) return;
  const Available moved = available_[row];
  available_.erase(available_.begin() + row);
  const auto paired = paired_.find(moved.id);
  const int icon = paired == paired_.end() ? 1 : handOver_.columns[paired->second].total + 1;
  selected_.push_back({moved.title, icon == 2 ? 2 : 1, moved.id});
  refresh();
  selectedList_->setCurrentRow(static_cast<int>(selected_.size()) - 1);
}

void ExportWindow::moveLeft() {
  const int row = selectedRow();
  if (row < 0) return;
  available_.push_back({selected_[row].title, selected_[row].id});
  selected_.erase(selected_.begin() + row);
  refresh();
  availableList_->setCurrentRow(static_cast<int>(available_.size()) - 1);
}

void ExportWindow::moveAll(bool right) {
  if (right) {
    while (!available_.empty()) {
      availableList_->setCurrentRow(0);
      moveRight();
    }
  } else {
    for (const Selected& c : selected_) available_.push_back({c.title, c.id});
    selected_.clear();
  }
  refresh();
}

void ExportWindow::swap(int by) {
  const int row = selectedRow();
  const int other = row + by;
  if (row < 0 || other < 0 || other >= static_cast<int>(selected_.size())) return;
  std::swap(selected_[row], selected_[other]);
  refresh();
  selectedList_->setCurrentRow(other);
}

void ExportWindow::totalize() {
  const int row = selectedRow();
  if (row < 0) return;
  Selected& column = selected_[row];
  column.icon = column.icon == 2 ? 1 : 2;
  const auto paired = paired_.find(column.id);
  if (paired != paired_.end()) {
    handOver_.columns[paired->second].total = static_cast<std::uint8_t>(column.icon - 1);
  }
  refresh();
}

void ExportWindow::editTitle() {
  const int row = selectedRow();
  if (row < 0) return;
  auto* editor = control<QLineEdit>("?LOC:ENTRY");
  editing_ = row;
  selectedList_->scrollToItem(selectedList_->item(row));
  const QRect item = selectedList_->visualItemRect(selectedList_->item(row));
  QRect at(selectedList_->viewport()->mapTo(editor->parentWidget(), item.topLeft()), item.size());
  at.setLeft(at.left() + 18);  // the total mark stays in sight
  at.setHeight(std::max(at.height(), editor->sizeHint().height()));
  editor->setGeometry(at);
  editor->setText(rt::toQString(selected_[row].title));
  editor->setModified(false);
  editor->show();
  editor->raise();
  editor->setFocus();
  editor->selectAll();
}

void ExportWindow::addOrder() {
  const int row = selectedRow();
  if (row < 0) return;
  const Selected& column = selected_[row];
  const auto found = std::find_if(order_.begin(), order_.end(),
                                  [&](const Order& e) { return e.field == column.id; });
  const int highlighted = static_cast<int>(found - order_.begin());
  if (found == order_.end()) order_.push_back({'+', column.title, column.id});
  refresh();
  orderList_->setCurrentItem(orderList_->topLevelItem(highlighted));
}

void ExportWindow::removeOrder() {
  const int row = orderRow();
  if (row < 0) return;
  order_.erase(order_.begin() + row);
  refresh();
}

void ExportWindow::flipOrder() {
  const int row = orderRow();
  if (row < 0) return;
  order_[row].sign = order_[row].sign == '-' ? '+' : '-';
  refresh();
}

std::vector<int> ExportWindow::fieldsRead() const {
  std::vector<int> fields;
  for (const Selected& c : selected_) fields.push_back(c.id);
  for (const Order& e : order_) fields.push_back(e.field);
  return fields;
}

bool ExportWindow::readRows(rt::SpilledRows& rows) {
  if (!rows.error().empty()) return false;
  const std::vector<int> fields = fieldsRead();
  core::ExportWait wait(window());
  handOver_.rows->rewind();
  // A batch at a time, for about a tick's time, then the other windows are
  // served: the list's rows are never all held.
  auto until = std::chrono::steady_clock::now() + kReadBudget;
  for (;;) {
    std::vector<std::vector<std::string>> batch = handOver_.rows->next(kReadBatch, fields);
    if (batch.empty()) break;
    for (std::vector<std::string>& row : batch) {
      // A notes or template column holds rich text: its plain text goes out.
      for (std::size_t c = 0; c < selected_.size() && c < row.size(); ++c) {
        if (row[c].rfind("{\\rtf", 0) == 0) row[c] = rt::rtfPlainText(row[c]);
      }
      if (!rows.append(row)) return false;
    }
    if (std::chrono::steady_clock::now() >= until) {
      rt::waitOnTimer(1);
      until = std::chrono::steady_clock::now() + kReadBudget;
    }
  }
  sortRows(rows);
  return rows.error().empty();
}

void ExportWindow::sortRows(rt::SpilledRows& rows) const {
  if (order_.empty() || rows.size() == 0) return;
  // The sort's values follow the selected columns in each kept row: read
  // once, numbers, dates and times by value, text in the Spanish collation.
  struct Key {
    bool numeric = false;
    bool descending = false;
    std::vector<double> numbers;
    std::vector<std::string> texts;
  };
  std::vector<Key> keys;
  for (const Order& e : order_) {
    Key key;
    const auto paired = paired_.find(e.field);
    key.numeric =
        paired != paired_.end() && numericPicture(handOver_.columns[paired->second].picture);
    key.descending = e.sign == '-';
    keys.push_back(std::move(key));
  }
  rows.rewind();
  while (const std::vector<std::string>* row = rows.next()) {
    for (std::size_t k = 0; k < keys.size(); ++k) {
      const std::size_t at = selected_.size() + k;
      std::string value = at < row->size() ? (*row)[at] : std::string();
      if (keys[k].numeric) {
        keys[k].numbers.push_back(rt::numericValue(value));
      } else {
        keys[k].texts.push_back(std::move(value));
      }
    }
  }
  std::vector<std::size_t> order(rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&keys](std::size_t a, std::size_t b) {
    for (const Key& key : keys) {
      int c = 0;
      if (key.numeric) {
        c = key.numbers[a] < key.numbers[b] ? -1 : key.numbers[b] < key.numbers[a] ? 1 : 0;
      } else {
        c = rt::compareText(key.texts[a], key.texts[b]);
      }
      if (c != 0) return key.descending ? c > 0 : c < 0;
    }
    return false;
  });
  rows.setOrder(std::move(order));
}

rt::ExportFileTable ExportWindow::table() const {
  rt::ExportFileTable t;
  t.title = std::string(rt::clip(handOver_.title));
  for (const Selected& c : selected_) {
    const auto paired = paired_.find(c.id);
    const std::string picture =
        paired == paired_.end() ? std::string()
                                : std::string(rt::clip(handOver_.columns[paired->second].picture));
    t.columns.push_back({c.title, picture, c.icon == 2});
  }
  return t;
}

bool ExportWindow::fitsASpreadsheet() {
  // The heading and the totals take a row each.
  const std::size_t most = rt::kSpreadsheetRows - 2;
  if (handOver_.rows == nullptr || !handOver_.rows->moreThan(most)) return true;
  std::string shown = rt::format(static_cast<double>(most), "@n13");
  shown.erase(0, shown.find_first_not_of(' '));
  rt::showMessage(
      {"La lista tiene más de "_cp + shown +
           " filas, las que una planilla admite como máximo: no se exportó nada.|Limite la lista con sus filtros, o exporte a otro tipo de archivo."_cp,
       "Exportar",
       rt::MessageIcon::Warning,
       rt::button::Ok,
       {},
       rt::button::Ok});
  return false;
}

fs::path ExportWindow::takenFile(const std::vector<std::string>& extensions) const {
  for (const std::string& extension : extensions) {
    fs::path file = base_;
    file += extension;
    std::error_code error;
    if (fs::is_regular_file(file, error)) return file;
  }
  return {};
}

void ExportWindow::exportAs(QWidget* pressed) {
  const std::string name = rt::fromQString(pressed->objectName());
  const auto found = std::find_if(outputButtons().begin(), outputButtons().end(),
                                  [&](const OutputButton& b) { return name == b.name; });
  if (found == outputButtons().end()) return;
  const OutputButton& out = *found;
  option_ = out.option;
  if (option_ == option::Spreadsheet && !fitsASpreadsheet()) return;
  for (const std::string& extension : out.deleted) {
    fs::path file = base_;
    file += extension;
    std::error_code ignored;
    fs::remove(file, ignored);
  }
  if (name == "?OFFICE") handOver_.parameters[core::exportRow::OpenDocument] = "1";
  if (name == "?EXCEL") {
    handOver_.parameters[core::exportRow::FileName] = rt::runtimeName(base_);
    handOver_.parameters[core::exportRow::OpenDocument] = "0";
  }
  rt::SpilledRows rows;
  const bool read = handOver_.rows != nullptr ? readRows(rows) : rows.error().empty();
  if (option_ == option::Print) {
    rt::ExportFileTable printed = table();
    rows.rewind();
    while (const std::vector<std::string>* row = rows.next()) printed.rows.push_back(*row);
    printExportListing(printed);
    return;
  }
  rt::ExportFileResult result;
  if (!read) {
    result.error = rows.error();
  } else {
    BusyCursor busy;
    const auto kind = static_cast<rt::ExportKind>(option_);
    const bool openDocument = option_ == option::Spreadsheet &&
                              rt::clip(handOver_.parameters[core::exportRow::OpenDocument]) == "1";
    const rt::ExportFileTable header = table();
    // Written on a worker from the kept rows: the windows go on meanwhile.
    rt::awaitWorker([&] { result = rt::writeExportFile(header, rows, kind, openDocument, base_); });
  }
  if (!result.ok()) {
    fs::path meant = base_;
    meant +=
        rt::exportExtension(static_cast<rt::ExportKind>(option_),
                            rt::clip(handOver_.parameters[core::exportRow::OpenDocument]) == "1");
    rt::showMessage(
        {"No se pudo exportar el archivo "_cp + rt::runtimeName(meant) + "|" + result.error,
         "Exportar",
         rt::MessageIcon::Error,
         rt::button::Ok,
         {},
         rt::button::Ok});
  }
  afterExport(takenFile(out.taken));
}

void ExportWindow::afterExport(const fs::path& file) {
  const bool exists = !file.empty();
  if (exists) lastFile_ = file;
  const std::string name = exists ? rt::runtimeName(file) : std::string();
  core::DebugTrace("ArchivoEnviar -> " + std::string(exists ? "1" : "0") + " - " + name);
  if (!exists) return;
  auto* mail = control<QCheckBox>("?ENVIARPORMAIL");
  auto* preview = control<QCheckBox>("?L:PREVIEW");
  if (mail != nullptr && mail->isChecked()) {
    const std::string to = rt::getIni("Email", "Listados", "", GLO::ArchivoIni);
    rt::callProcedure("EnvioEmailTLFull", {to, "", "Archivo Exportado", name,
                                           "Archivo Enviado Automáticamente"_cp, "1"});
  } else if (preview != nullptr && preview->isChecked()) {
    const int code = rt::shellOpen(name);
    const std::string_view text = code <= 32 ? rt::shellOpenErrorText(code) : std::string_view();
    if (!text.empty()) {
      rt::showMessage(
          {std::string(text), "ERROR", rt::MessageIcon::Error, rt::button::Ok, {}, rt::button::Ok});
    }
  }
}

void ExportWindow::enableLayoutGroup() {
  auto* box = control<QCheckBox>("?L:SAVEEXP");
  QWidget* group = control("?LAYOUTGROUP");
  if (box == nullptr || group == nullptr) return;
  box->setEnabled(!saved_);
  group->setEnabled(!saved_ && box->isChecked());
}

void ExportWindow::saveLayout() {
  if (selected_.empty() || saved_) return;
  auto* name = control<QLineEdit>("?L:SAVE");
  const std::string typed = cut(rt::fromQString(name->text()), kTitleWidth);
  if (rt::clip(typed).empty()) {
    rt::showMessage({"Escriba el nombre con el que se guardan las columnas."_cp,
                     "Exportar",
                     rt::MessageIcon::Warning,
                     rt::button::Ok,
                     {},
                     rt::button::Ok});
    name->setFocus();
    return;
  }
  std::vector<LayoutColumn> columns;
  for (const Selected& c : selected_) {
    LayoutColumn saved{c.title, c.icon, c.id, 0, 0};
    for (std::size_t i = 0; i < order_.size(); ++i) {
      if (order_[i].field != c.id) continue;
      saved.order = order_[i].sign;
      saved.orderNumber = static_cast<int>(i + 1);
    }
    columns.push_back(std::move(saved));
  }
  const std::string app = handOver_.group != nullptr ? handOver_.group->app : std::string();
  const std::string procedure =
      handOver_.group != nullptr ? handOver_.group->procedure : std::string();
  if (saveExportLayout(rt::clip(app), rt::clip(procedure), typed, columns) == 0) return;
  name->clear();
  saved_ = true;  // one layout per opening of the window
  enableLayoutGroup();
}

void ExportWindow::chooseLayout() {
  const std::string app =
      handOver_.group != nullptr ? std::string(rt::clip(handOver_.group->app)) : "";
  const std::string procedure =
      handOver_.group != nullptr ? std::string(rt::clip(handOver_.group->procedure)) : "";
  rt::ThreadRequest() = 4;  // select
  if (rt::callProcedure("Kov_SelectGeneracion",
                        {procedure, app, std::string(rt::clip(handOver_.title))}) !=
      rt::kCompleted) {
    return;
  }
  BusyCursor busy;
  const std::int32_t id = core::KOV_C().ID;
  for (const Selected& c : selected_) available_.push_back({c.title, c.id});
  selected_.clear();
  order_.clear();
  std::vector<LayoutColumn> loaded;
  for (LayoutColumn& c : loadExportLayout(id)) {
    // A column is known by its number (its title may have been edited); a
    // number this list does not export now is left out.
    const auto paired = paired_.find(c.id);
    if (paired == paired_.end() || rt::clip(handOver_.columns[paired->second].name) == kNoExport)
      continue;
    const auto offered = std::find_if(available_.begin(), available_.end(),
                                      [&](const Available& a) { return a.id == c.id; });
    if (offered != available_.end()) available_.erase(offered);
    selected_.push_back({c.title, c.totaling, c.id});
    loaded.push_back(std::move(c));
  }
  // The sort order by its saved sequence.
  std::stable_sort(loaded.begin(), loaded.end(), [](const LayoutColumn& a, const LayoutColumn& b) {
    return a.orderNumber < b.orderNumber;
  });
  for (const LayoutColumn& c : loaded) {
    if (c.orderNumber == 0) continue;
    order_.push_back({c.order == '-' ? '-' : '+', c.title, c.id});
  }
  refresh();
  if (!selected_.empty()) selectedList_->setCurrentRow(0);
}

int ExportWindow::TakeEvent() {
  const int answer = WindowDriver::TakeEvent();
  enableLayoutGroup();
  return answer;
}

int ExportWindow::TakeAccepted() {
  QWidget* accepted = field();
  if (accepted == nullptr) return rt::level::Benign;
  const std::string name = rt::fromQString(accepted->objectName());
  if (name == "?LOC:ENTRY") {
    commitTitle();
    return rt::level::Benign;
  }
  if (name == "?L:SAVE" || name == "?L:SAVEEXP" || name == "?L:PREVIEW" ||
      name == "?ENVIARPORMAIL") {
    enableLayoutGroup();
    return rt::level::Benign;
  }
  writeBack();
  if (accepted == availableList_ || name == "?INSERT") {
    moveRight();
  } else if (accepted == selectedList_ || name == "?DELETE") {
    moveLeft();
  } else if (name == "?INSERTALL") {
    moveAll(true);
  } else if (name == "?DELETEALL") {
    moveAll(false);
  } else if (name == "?MOVEDOWN") {
    swap(1);
  } else if (name == "?MOVEUP") {
    swap(-1);
  } else if (name == "?TOTALIZAR") {
    totalize();
  } else if (name == "?EDITARTITULO") {
    editTitle();
  } else if (name == "?ORDERADD") {
    addOrder();
  } else if (name == "?ORDERDELETE") {
    removeOrder();
  } else if (name == "?ORDERCHANGE") {
    flipOrder();
  } else if (name == "?SALVAR") {
    saveLayout();
  } else if (name == "?SELECCIONAR") {
    chooseLayout();
  } else if (name == "?SALIR") {
    return rt::level::Fatal;
  } else {
    exportAs(accepted);
  }
  return rt::level::Benign;
}

int ExportWindow::Kill() {
  const int result = AidedWindow::Kill();
  if (tablesOpened_) {
    core::access(core::KovSaveD::def()).close();
    core::relate(core::KovSaveC::def()).close();
    tablesOpened_ = false;
  }
  return result;
}

int runKovExportSourceV2() {
  core::ExportHandOver* handOver = core::currentExportHandOver();
  if (handOver == nullptr) return rt::kCancelled;
  ExportWindow window(*handOver);
  window.Run();
  return rt::kCompleted;
}

}  // namespace output
