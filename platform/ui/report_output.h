#pragma once
// A report's pages written as a PDF file or sent to a printer.
#include <QString>
#include <functional>
#include <vector>

#include "platform/ui/report_pages.h"

class QPagedPaintDevice;

namespace rt {

struct PdfDocumentInfo {
  QString title;
  QString creator;  // the application
  QString subject;
  QString programName;  // the procedure that produced the report
  QString author;
  QString keywords;
};

// Writes the pages into `path` (replacing any file there); false when the
// file cannot be written. `betweenPages` runs after each page is drawn (a
// caller lets the other windows be served there). Tests may put a service
// of their own in the way; setPdfWriteService returns the one it replaces,
// writePdfFile always writes.
using BetweenPages = std::function<void()>;
bool writePdf(const std::vector<ReportPage>& pages, const QString& path,
              const PdfDocumentInfo& info, const BetweenPages& betweenPages = {});
bool writePdfFile(const std::vector<ReportPage>& pages, const QString& path,
                  const PdfDocumentInfo& info, const BetweenPages& betweenPages = {});
using PdfWriteService =
    std::function<bool(const std::vector<ReportPage>& pages, const QString& path,
                       const PdfDocumentInfo& info, const BetweenPages& betweenPages)>;
PdfWriteService setPdfWriteService(PdfWriteService service);

// Draws the pages on a paged device whose pages are `paperWidth` x
// `paperHeight` thousandths of an inch: each page turned to the paper's
// orientation when it is landscape, and shrunk to fit (never enlarged),
// centred across; false when the device cannot be drawn on.
bool drawPagesOnPaper(const std::vector<ReportPage>& pages, QPagedPaintDevice& device,
                      int paperWidth, int paperHeight);

// Prints a finished report named `title`, `copies` times, on the printer
// chosen in the printer set-up (the system's default until one is chosen).
// True once the print service took it; otherwise the user was told why.
// Tests replace the service so that nothing is printed; returns the one it
// replaces.
using PrintService = std::function<bool(const std::vector<ReportPage>& pages, int copies)>;
PrintService setPrintService(PrintService service);
bool printReport(const std::vector<ReportPage>& pages, int copies, const QString& title);

}  // namespace rt
