#include "core/shapes/export_handover.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>
#include <filesystem>
#include <map>

#include "core/aids/designed_font.h"
#include "core/frame/globals.h"
#include "platform/base/logical_threads.h"
#include "platform/base/memory_release.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/thread_timer.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

std::map<rt::ThreadNumber, ExportHandOver*>& handOvers() {
  static std::map<rt::ThreadNumber, ExportHandOver*> running;
  return running;
}

// The folder the export writes in, whole: the current folder is shared by
// every thread and never changes, so a relative name would not do.
std::string exportFolder() {
  std::error_code error;
  const std::filesystem::path folder =
      std::filesystem::absolute(rt::resolvePath(GLO::DirectorioExportacion), error);
  return error ? GLO::DirectorioExportacion : folder.string();
}

// The small window shown while the list loads every row.
class ExportWait {
 public:
  explicit ExportWait(QWidget* over) : window_(new QWidget(over, Qt::Tool | Qt::FramelessWindowHint)) {
    window_->setFont(designedWindowFont());
    auto* icon = new QLabel(window_);
    icon->setPixmap(window_->style()->standardIcon(QStyle::SP_BrowserReload).pixmap(32, 32));
    auto* layout = new QVBoxLayout(window_);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel("Preparando datos para Exportacion", window_), 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel("Aguarde un instante por Favor...", window_), 0, Qt::AlignHCenter);
    window_->setObjectName("?ExportWait");
    window_->adjustSize();
    if (over != nullptr) {
      window_->move(over->geometry().center() - window_->rect().center());
    }
    window_->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The thread steps aside for a moment so that the window is mapped and
    // drawn before the long read.
    rt::waitOnTimer(50);
  }
  ~ExportWait() { close(); }
  void close() {
    if (!window_) return;
    QApplication::restoreOverrideCursor();
    window_->hide();
    window_->deleteLater();
    window_ = nullptr;
  }

 private:
  QWidget* window_;
};

void handOver(const RowFields& rows, const std::vector<int>& widths, const ExportSpec& spec,
              QWidget* window) {
  ExportGroup group{rt::currentProcedure() + std::to_string(spec.number), "varneta", 0};
  ExportHandOver handOver;
  handOver.columns = exportColumns(widths, spec);
  handOver.rows = &rows;
  handOver.parameters = exportParameters(spec.fields);
  handOver.mode = spec.mode;
  handOver.title = !spec.fixedTitle.empty() || window == nullptr
                       ? spec.fixedTitle
                       : rt::fromQString(window->windowTitle());
  if (handOver.title.size() > 100) handOver.title.resize(100);
  handOver.group = &group;
  ExportHandOver*& slot = handOvers()[rt::currentThreadNumber()];
  ExportHandOver* outer = slot;
  slot = &handOver;
  struct Restore {
    ExportHandOver*& slot;
    ExportHandOver* outer;
    ~Restore() { slot = outer; }
  } restore{slot, outer};
  rt::callProcedure(kExportWindow);
  // The export's copies of the rows are freed by now: give their memory back.
  rt::returnFreedMemory();
}

}  // namespace

std::vector<std::string> exportParameters(std::string_view fields) {
  std::vector<std::string> rows = {
      std::string(fields),
      ";",
      "Spanish",
      exportFolder(),
      "1",
      "",
      "1",
      "HTML|EXCEL|WORD|ASCII|XML|PRT|",
      "All",
      " 0",
      "0",
      "1",
      "",
      "",
      "",
      "16",
      "1",
      "2",
      "2",
      "12",
      "0",
      "0",  // the page number of the export group, which nothing sets
      "",
      std::to_string(GLO::OpcionExportacion),
  };
  rows.resize(kExportParameterRows);  // rows 25 to 29: nothing the writer here needs
  for (std::string& row : rows) {
    if (row.size() > 800) row.resize(800);
  }
  return rows;
}

std::vector<int> columnWidths(const ListBrowser& browser) {
  std::vector<int> widths;
  for (int column = 1; column <= browser.shownColumns(); ++column) {
    widths.push_back(browser.columnWidth(column));
  }
  return widths;
}

std::vector<ExportColumn> exportColumns(const std::vector<int>& widths, const ExportSpec& spec) {
  std::vector<ExportColumn> columns;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    const ExportColumnDefinition definition =
        i < spec.columns.size() ? spec.columns[i] : ExportColumnDefinition{};
    ExportColumn column;
    column.id = static_cast<std::int16_t>(i + 1);
    column.name = definition.title.substr(0, 100);
    column.width = static_cast<std::int16_t>(std::max(widths[i], 0) / 2);
    column.picture = definition.picture.substr(0, 50);
    column.total = definition.total;
    columns.push_back(std::move(column));
  }
  return columns;
}

ExportHandOver* currentExportHandOver() {
  const auto found = handOvers().find(rt::currentThreadNumber());
  return found == handOvers().end() ? nullptr : found->second;
}

void PrepararExportacion(ListBrowser& browser, const ExportSpec& spec, QWidget* window) {
  const bool whole = browser.wholeView();
  {
    ExportWait wait(window);
    if (!whole) browser.LoadWhole(true);
  }
  handOver(browser, columnWidths(browser), spec, window);
  // The rows stay loaded until the list's next reload.
  if (!whole) browser.LoadWhole(false);
}

void PrepararExportacion(const RowFields& rows, const std::vector<int>& widths,
                         const ExportSpec& spec, QWidget* window) {
  handOver(rows, widths, spec, window);
}

}  // namespace core
