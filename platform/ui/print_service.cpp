#include "platform/ui/print_service.h"

#include <QPdfWriter>

#include "platform/ui/printer_setup.h"
#include "platform/ui/printing.h"
#include "platform/ui/qt_text.h"

namespace rt {
namespace {

// The user picks the printer (the chosen one offered first); the pages are
// laid out for that printer's paper and drawn back on the calling thread,
// which owns the document, then handed to the print service.
bool systemPrint(const std::string& title, const PageDrawing& draw) {
  const std::optional<PrinterQuery> printers = askPrinters();
  if (!printers) return false;
  QString printer = toQString(chosenPrinterName());
  if (printers->error.isEmpty() && !printers->printers.empty()) {
    const std::optional<QString> choice =
        choosePrinter(*printers, printer, QStringLiteral("Imprimir"), QStringLiteral("&Imprimir"));
    if (!choice) return false;
    printer = *choice;
  }
  return printOnPaper(
      toQString(title), printer, 1,
      [&draw](QPdfWriter& writer, const PaperSize&) { return draw(writer); }, &*printers);
}

PrintService& installed() {
  static PrintService service = systemPrint;
  return service;
}

}  // namespace

bool printPages(const std::string& title, const PageDrawing& draw) {
  return installed()(title, draw);
}

PrintService setPrintService(PrintService service) {
  if (!service) service = systemPrint;
  return std::exchange(installed(), std::move(service));
}

}  // namespace rt
