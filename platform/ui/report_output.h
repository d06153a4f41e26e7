#pragma once
// A report's pages written as a PDF file or sent to a printer.
#include <QString>
#include <functional>
#include <vector>

#include "platform/ui/report_pages.h"

class QPrinter;

namespace rt {

struct PdfDocumentInfo {
  QString title;
  QString creator;      // the application
  QString subject;
  QString programName;  // the procedure that produced the report
  QString author;
  QString keywords;
};

// Writes the pages into `path` (replacing any file there); false when the
// file cannot be written.
bool writePdf(const std::vector<ReportPage>& pages, const QString& path,
              const PdfDocumentInfo& info);

// Sends the pages to the printer, `copies` times.
bool printPages(const std::vector<ReportPage>& pages, QPrinter& printer, int copies);

// Prints a finished report. The default sends it to the default printer;
// tests replace it so that nothing is printed. Returns the one it replaces.
using PrintService = std::function<bool(const std::vector<ReportPage>& pages, int copies)>;
PrintService setPrintService(PrintService service);
bool printReport(const std::vector<ReportPage>& pages, int copies);

}  // namespace rt
