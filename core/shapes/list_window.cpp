#include "core/shapes/list_window.h"

#include <QAbstractButton>

#include "core/aids/control_colouring.h"
#include "core/shapes/record_form.h"
#include "core/tables/table_managers.h"
#include "platform/base/procedures.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

// A standard button of the list, named as in the design with or without the
// design's number ("?INSERT", "?INSERT:6"); null when the list has none.
QWidget* standardButton(QWidget* window, const char* name) {
  const QString exact = QString::fromLatin1(name);
  const QString numbered = exact + ':';
  for (QWidget* child : window->findChildren<QWidget*>()) {
    const QString childName = child->objectName();
    if (childName == exact || childName.startsWith(numbered)) return child;
  }
  return nullptr;
}

}  // namespace

ListWindow::ListWindow(std::string procedureName, const rt::TableDef& primary)
    : AidedWindow(std::move(procedureName)), def_(primary) {}

ListWindow::~ListWindow() = default;

int ListWindow::Init() {
  REQUEST = rt::ThreadRequest();
  if (int r = AidedWindow::Init(); r != rt::level::Benign) return r;
  VCRREQUEST = rt::ThreadVcrRequest();
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  if (REQUEST == request::Select) {
    rt::Table& t = rt::table(def_);
    callersRecord_ = def_.newBuffer();
    rt::copyRecord(def_, t.buffer(), *callersRecord_);
    callersPosition_ = t.position();
    callersVersion_ = t.version();
  }

  QWidget* window = buildWindow();
  PRIMARY = &relate(def_);
  if (PRIMARY->open() != level::Benign) {
    delete window;
    return rt::level::Notify;
  }
  FILESOPENED = 1;

  auto* list = window->findChild<QTableView*>(rt::toQString(listControlName()));
  browser_ = makeBrowser(list);
  ListBrowser& b = *browser_;
  b.HIDESELECT = 1;
  b.QUERYSHARED = 1;
  b.selecting = REQUEST == request::Select;
  b.SELECTCONTROL = standardButton(window, "?SELECT");
  b.INSERTCONTROL = standardButton(window, "?INSERT");
  b.CHANGECONTROL = standardButton(window, "?CHANGE");
  b.DELETECONTROL = standardButton(window, "?DELETE");
  b.QUERYCONTROL = standardButton(window, "?QUERY");
  setUpBrowser(b);
  if (REQUEST == request::View) {
    b.INSERTCONTROL = b.CHANGECONTROL = b.DELETECONTROL = nullptr;
  }
  b.ASKPROCEDURE = 1;
  b.askProcedure = [this](int request) { return RunProcedure(1, request); };
  b.choose = [this] { chooseSelected(); };
  b.query = [this] { runQuery(); };
  if (activeBox_) {
    b.SetFilter(activeBox_->isChecked() ? activeCondition_ : std::string(), kActiveFilterId);
    b.ApplyFilter();
  }

  Open(window);
  ColorearControles(window);
  scaleFont(window);
  // A lookup opens at the caller's record in the list's order.
  if (callersRecord_) {
    b.ResetFromBuffer();
  } else {
    b.ResetView();
  }
  if (auto settings = searchSettings()) {
    if (settings->columns.empty()) settings->columns = b.searchColumns();
    search_ = std::make_unique<ListSearch>(b, *settings);
    for (int key : search_->keys()) alertKey(key);
  }
  OwnSetup();
  markAndNavigate(window);
  list->setFocus();
  return rt::level::Benign;
}

void ListWindow::setActiveFilter(QAbstractButton* box, std::string condition) {
  activeBox_ = box;
  activeCondition_ = std::move(condition);
}

void ListWindow::setExport(QAbstractButton* button, ExportSpec spec) {
  exportButton_ = button;
  export_ = std::move(spec);
  browser_->EXPORTCONTROL = button;
}

void ListWindow::FiltrarActivos() {
  if (!activeBox_) return;
  // The list reloads from the selected row (or the next one the filter lets
  // through), not from its first.
  const ListRow* selected = browser_->selectedRow();
  const std::int64_t position = selected != nullptr ? selected->position : 0;
  browser_->SetFilter(activeBox_->isChecked() ? activeCondition_ : std::string(), kActiveFilterId);
  browser_->ApplyFilter();
  rt::View& view = browser_->view();
  if (position != 0 && view.reset(position) == 0 && view.next() == 0) {
    browser_->RetainRow = 1;
    browser_->ResetFromView();
  } else {
    browser_->ResetView();
  }
}

int ListWindow::RunProcedure(int, int request) {
  if (REQUEST == request::View) return rt::kCancelled;
  rt::ThreadRequest() = static_cast<std::uint8_t>(request);
  callForm();
  return rt::ThreadResponse();
}

void ListWindow::chooseSelected() {
  if (!browser_->UpdateViewRecord()) return;
  // The chosen record stays in the thread's buffer for the caller.
  Response = rt::kCompleted;
  post(rt::event::CloseWindow);
}

void ListWindow::runQuery() { browser_->RunQuery(queryName()); }

int ListWindow::TakeEvent() {
  if (browser_ && browser_->TakeEvent()) return rt::level::Benign;
  if (event() == rt::event::AlertKey) {
    if (search_ && search_->TakeKey(keyCode())) return rt::level::Benign;
    if (browser_ && browser_->TakeKey(keyCode()) == 0) return rt::level::Benign;
  }
  return rt::WindowDriver::TakeEvent();
}

int ListWindow::TakeAccepted() {
  if (int r = rt::WindowDriver::TakeAccepted(); r != rt::level::Benign) return r;
  QWidget* accepted = field();
  if (accepted == nullptr) return rt::level::Benign;
  if (rt::fromQString(accepted->objectName()) == "?CLOSE") {
    Response = REQUEST == request::Select ? rt::kCancelled : rt::kCompleted;
    return rt::level::Fatal;
  }
  if (browser_->TakeAccepted(accepted)) return rt::level::Benign;
  if (accepted == activeBox_) {
    FiltrarActivos();
  } else if (accepted == exportButton_ && exportButton_->isEnabled()) {
    PrepararExportacion(*browser_, export_, window());
  }
  return rt::level::Benign;
}

int ListWindow::Kill() {
  if (!inProcedure()) return rt::level::Benign;
  AidedWindow::Kill();
  browser_.reset();
  if (FILESOPENED != 0) PRIMARY->close();
  FILESOPENED = 0;
  // The chosen row stays in the caller's buffer; without a choice the caller
  // finds its record as it left it.
  if (callersRecord_ && Response != rt::kCompleted) {
    rt::Table& t = rt::table(def_);
    rt::copyRecord(def_, *callersRecord_, t.buffer());
    t.recordWasRead(callersPosition_, callersVersion_);
  }
  callersRecord_.reset();
  return rt::level::Benign;
}

}  // namespace core
