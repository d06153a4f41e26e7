#include "core/shapes/export_handover.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>
#include <chrono>
#include <filesystem>
#include <limits>
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

}  // namespace

ExportWait::ExportWait(QWidget* over)
    : window_(new QWidget(over, Qt::Tool | Qt::FramelessWindowHint)) {
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
}

ExportWait::~ExportWait() { close(); }

void ExportWait::close() {
  if (!window_) return;
  QApplication::restoreOverrideCursor();
  window_->hide();
  window_->deleteLater();
  window_ = nullptr;
}

namespace {

void handOver(ExportRows& rows, const std::vector<int>& widths, const ExportSpec& spec,
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

// The rows of a list's view, read from its first record in its order and
// filter, a batch at a time; the list's own loaded rows are left as they are.
class ViewExportRows : public ExportRows {
 public:
  static constexpr std::chrono::milliseconds kCountBudget{20};
  explicit ViewExportRows(ListBrowser& browser) : browser_(browser) {}
  // A table of no more records than the limit answers at once; otherwise the
  // view is walked up to the limit, a tick's time at a time, the windows
  // served between ticks.
  bool moreThan(std::size_t limit) override {
    const std::int64_t stored = browser_.TableRecords();
    if (stored >= 0 && static_cast<std::size_t>(stored) <= limit) return false;
    rewind();
    std::size_t records = 0;
    auto until = std::chrono::steady_clock::now() + kCountBudget;
    while (records <= limit && browser_.SkipViewRow()) {
      ++records;
      if (std::chrono::steady_clock::now() >= until) {
        rt::waitOnTimer(1);
        until = std::chrono::steady_clock::now() + kCountBudget;
      }
    }
    rewind();
    return records > limit;
  }
  void rewind() override {
    browser_.RewindView();
    ended_ = false;
  }
  std::vector<std::vector<std::string>> next(std::size_t most,
                                             const std::vector<int>& fields) override {
    std::vector<std::vector<std::string>> batch;
    while (!ended_ && batch.size() < most) {
      const std::optional<ListRow> row = browser_.NextViewRow();
      if (!row) {
        ended_ = true;
        break;
      }
      std::vector<std::string> values;
      values.reserve(fields.size());
      for (int field : fields) values.push_back(browser_.field(*row, field));
      batch.push_back(std::move(values));
    }
    return batch;
  }

 private:
  ListBrowser& browser_;
  bool ended_ = false;
};

}  // namespace

std::vector<std::vector<std::string>> HeldExportRows::next(std::size_t most,
                                                           const std::vector<int>& fields) {
  std::vector<std::vector<std::string>> batch;
  for (; next_ < rows_.rowCount() && batch.size() < most; ++next_) {
    std::vector<std::string> row;
    row.reserve(fields.size());
    for (int field : fields) row.push_back(rows_.field(next_, field));
    batch.push_back(std::move(row));
  }
  return batch;
}

std::vector<std::vector<std::string>> allExportRows(ExportRows& rows, int lastField) {
  std::vector<int> fields;
  for (int f = 1; f <= lastField; ++f) fields.push_back(f);
  rows.rewind();
  return rows.next(std::numeric_limits<std::size_t>::max(), fields);
}

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
  ViewExportRows rows(browser);
  handOver(rows, columnWidths(browser), spec, window);
  // The export walked the view: the selected row's record comes back into
  // the buffers and the view stands on it again.
  browser.UpdateViewRecord();
}

void PrepararExportacion(const RowFields& rows, const std::vector<int>& widths,
                         const ExportSpec& spec, QWidget* window) {
  HeldExportRows held(rows);
  handOver(held, widths, spec, window);
}

}  // namespace core
