#include "platform/ui/print_service.h"

#include <QPrintDialog>
#include <QPrinter>
#include <memory>

#include "platform/ui/native_loop.h"
#include "platform/ui/printer_setup.h"
#include "platform/ui/qt_text.h"

namespace rt {
namespace {

// The dialog runs on the caller's behalf; the pages are drawn back on the
// calling thread, which owns the document.
bool dialogPrint(const std::string& title, const PageDrawing& draw) {
  auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
  printer->setDocName(toQString(title));
  useChosenPrinter(*printer);
  auto accepted = std::make_shared<bool>(false);
  runNativeLoop([printer, accepted] {
    QPrintDialog dialog(printer.get());
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    *accepted = dialog.exec() == QDialog::Accepted;
  });
  return *accepted && draw(*printer);
}

PrintService& installed() {
  static PrintService service = dialogPrint;
  return service;
}

}  // namespace

bool printPages(const std::string& title, const PageDrawing& draw) {
  return installed()(title, draw);
}

PrintService setPrintService(PrintService service) {
  if (!service) service = dialogPrint;
  return std::exchange(installed(), std::move(service));
}

}  // namespace rt
