#pragma once
// The one shape of every listing: the destination asked through the report
// destination window, records read on the progress window's timer (each
// tick for about 20 ms, at least 25 records, so the other windows are served
// between ticks) and printed into report bands, then the pages shown in the preview
// (and printed when asked) or written as a PDF file (and mailed). A report
// gives its title, tables, view, bands and the printing of one record.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/shapes/report_destination.h"
#include "platform/base/procedures.h"
#include "platform/base/runtime_errors.h"
#include "platform/data/table.h"
#include "platform/data/view.h"
#include "platform/ui/report_engine.h"
#include "platform/ui/window_driver.h"

class QProgressBar;
class QLabel;

namespace core {

// How much one timer tick of a run reads: records until `budget` has passed
// since the tick began, never fewer than `leastRecords` (unless the data
// ends first).
struct ReportPace {
  int leastRecords = 25;
  std::chrono::milliseconds budget{20};
};

// The clock a run's ticks are timed with; tests give their own.
using PaceClock = std::function<std::chrono::steady_clock::time_point()>;

class ReportRun : public rt::WindowDriver {
 public:
  ReportRun();
  ~ReportRun() override;

  // The whole run; answers what the caller finds in ThreadResponse: 1 after
  // printed pages or a written PDF, 2 after a cancelled or empty run.
  int execute();

  int Init() override;
  int TakeEvent() override;
  int TakeWindowEvent() override;
  int TakeAccepted() override;

  // How far the progress bar went (for tests).
  int percentage() const { return percentage_; }
  // The run's own report globals as its close left them (for tests).
  const core::ReportGlobalValues& globalsAtClose() const { return globalsAtClose_; }
  // The timer ticks that read records.
  int ticksRead() const { return ticksRead_; }

  static constexpr int kRecordsPerCycle = 25;  // the least a tick reads
  static constexpr ReportPace kPace{kRecordsPerCycle, std::chrono::milliseconds(20)};
  // Replaces the clock the ticks are timed with (an empty one restores the
  // steady clock); for tests.
  static void setPaceClock(PaceClock clock);

 protected:
  virtual std::string title() const = 0;          // "Listado de Consultas"
  virtual std::string procedureName() const = 0;  // "ReporteConsultas"
  virtual std::string tableName() const = 0;      // named by the read warning
  // Opens the report's tables (0, or a runtime error) and closes them.
  virtual int openTables() = 0;
  virtual void closeTables() { closeReportTables(); }
  // The records the progress counts against: those of the stretch of the
  // key the view reads (a report without a view gives its own).
  virtual long long primaryRecords() { return view_ ? view_->recordsToRead() : 0; }
  // Sets up view_ in the report's order with its filter; the close lets it go.
  virtual void openView() = 0;
  virtual void closeView() { view_.reset(); }
  // The next record of the view: 0, RecordNotAvailable at the end, or another
  // error.
  virtual int readNext() { return view_ ? view_->next() : rt::error::RecordNotAvailable; }
  // The window the progress window belongs to; none: a window of its own.
  virtual QWidget* progressParent() const { return nullptr; }
  // The bands of the report.
  virtual void layOut(rt::ReportEngine& report) = 0;
  // Looks up the record's related records and prints its detail bands.
  virtual void printRecord(rt::ReportEngine& report) = 0;

  rt::ReportEngine& report() { return *report_; }
  std::unique_ptr<rt::View> view_;
  // The report's tables through the thread's managers: the primary table
  // with its relations, then the other tables of its view; the close
  // releases what was opened, in reverse order.
  int openReportTables(const rt::TableDef& primary, std::vector<const rt::TableDef*> others);
  void closeReportTables();
  // The page header every clinical listing shares: the practice's name, the
  // run date and page number at the right, the report's own title on the
  // second line. The caller adds its column headings below `top` 600.
  void layOutPageHeader(rt::ReportBand& header, const std::string& heading);
  // The date the run started (the page header prints it) and the page counter.
  long ReportRunDate = 0;
  int ReportPageNo() const { return report_->pageNumber(); }

 private:
  void nextReportRecord();
  void takeReportRecord();
  void updateProgress();
  void openReport();
  void onTimer();
  void askCancel();
  void endOfRead();
  void generateOutput();
  void closeReport();

  std::unique_ptr<rt::ReportEngine> report_;
  const rt::TableDef* primaryOpened_ = nullptr;
  std::vector<const rt::TableDef*> othersOpened_;
  // The run's own report globals, from its presets to its close.
  std::unique_ptr<core::OwnReportGlobals> globals_;
  core::ReportGlobalValues globalsAtClose_;
  int pagesDone_ = 0;  // completed pages (the page list)
  std::vector<rt::ReportPage> printList_;
  int localResponse_ = rt::kCancelled;
  int recordStatus_ = 0;
  long long recordsToProcess_ = 0;
  long long recordsRead_ = 0;
  int percentage_ = 0;
  int percentageShown_ = -1;  // the percentage the label shows
  ReportPace pace_ = kPace;
  int ticksRead_ = 0;
  int copies_ = 1;
  bool tablesOpened_ = false;
  bool progressOpened_ = false;
  bool reportOpened_ = false;
  bool partialPreview_ = false;
  bool escPressed_ = false;
  bool ending_ = false;  // the close is posted: no more reading
  std::string savedFolder_;
  QProgressBar* thermometer_ = nullptr;
  QLabel* pctText_ = nullptr;
};

}  // namespace core
