#pragma once
// The system's print service (CUPS): which printers there are, the paper
// each one holds, and print jobs handed to it as PDF files. Every call may
// block for as long as the service takes to answer, so callers run them on a
// worker (see printing.h); nothing here touches widgets. Tests replace the
// service with a stand-in.
#include <QString>
#include <functional>
#include <vector>

namespace rt {

// A paper size in thousandths of an inch, and its name as the print service
// knows it ("iso_a4_210x297mm"); empty when unknown.
struct PaperSize {
  int width = 0;
  int height = 0;
  QString media;
  bool known() const { return width > 0 && height > 0; }
};

struct PrinterInfo {
  QString name;
  bool isDefault = false;
  PaperSize paper;  // the printer's default paper
};

struct PrinterQuery {
  std::vector<PrinterInfo> printers;
  QString error;  // the service could not be asked (printers is then empty)

  // The printer of that name; else the service's default; else none.
  const PrinterInfo* find(const QString& name) const;
};

struct PrintJob {
  QString printer;
  QString title;  // the job's name in the queue
  QString file;   // a PDF file
  int copies = 1;
  QString media;  // the paper asked for; empty for the printer's own
};

struct JobResult {
  int jobId = 0;  // 0 when the job was not accepted
  QString error;  // why, in Spanish
  bool accepted() const { return jobId > 0; }
};

struct PrintSystem {
  std::function<PrinterQuery()> query;
  std::function<JobResult(const PrintJob& job)> submit;
  std::function<void(const QString& printer, int jobId)> cancel;
};

// The paper of that size, named as the print service names it.
PaperSize paperOfSize(int width, int height);

// The paper of the user's locale (its LC_PAPER: A4 in most): where a page
// goes when the printer does not say which paper it holds.
PaperSize localePaper();

// Installs a print service and returns the one it replaces; an empty one
// restores the system's.
PrintSystem setPrintSystem(PrintSystem system);

// Asks the installed service. Safe on any OS thread.
PrinterQuery queryPrinters();
JobResult submitPrintJob(const PrintJob& job);
// Takes back a job the service accepted after the user stopped waiting.
void cancelPrintJob(const QString& printer, int jobId);

}  // namespace rt
