#pragma once
// The one shape of every listing: the destination asked through the report
// destination window, records read on the progress window's timer (25 a
// tick) and printed into report bands, then the pages shown in the preview
// (and printed when asked) or written as a PDF file (and mailed). A report
// gives its title, tables, view, bands and the printing of one record.
#include <memory>
#include <string>
#include <vector>

#include "platform/base/procedures.h"
#include "platform/ui/report_engine.h"
#include "platform/ui/window_driver.h"

class QProgressBar;
class QLabel;

namespace practice {

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

  // What the run found, for the callers that look (and tests).
  int pagesDone() const { return pagesDone_; }
  int percentage() const { return percentage_; }

  static constexpr int kRecordsPerCycle = 25;

 protected:
  virtual std::string title() const = 0;          // "Listado de Consultas"
  virtual std::string procedureName() const = 0;  // "ReporteConsultas"
  virtual std::string tableName() const = 0;      // named by the read warning
  // Opens the report's tables (0, or a runtime error) and closes them.
  virtual int openTables() = 0;
  virtual void closeTables() = 0;
  // Records in the whole primary table (the progress counts against it).
  virtual long long primaryRecords() = 0;
  // Sets up the view in the report's order with its filter.
  virtual void openView() = 0;
  virtual void closeView() = 0;
  // The next record of the view: 0, 33 at the end, or another error.
  virtual int readNext() = 0;
  // The bands of the report.
  virtual void layOut(rt::ReportEngine& report) = 0;
  // Looks up the record's related records and prints its detail bands.
  virtual void printRecord(rt::ReportEngine& report) = 0;

  rt::ReportEngine& report() { return *report_; }
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
  int pagesDone_ = 0;  // completed pages (the page list)
  std::vector<rt::ReportPage> printList_;
  int localResponse_ = rt::kCancelled;
  int recordStatus_ = 0;
  long long recordsToProcess_ = 0;
  long long recordsRead_ = 0;
  int percentage_ = 0;
  int recordsPerCycle_ = kRecordsPerCycle;
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

}  // namespace practice
