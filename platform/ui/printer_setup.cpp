#include "platform/ui/printer_setup.h"

#include <QPrintDialog>
#include <memory>
#include <mutex>

#include "platform/ui/native_loop.h"
#include "platform/ui/qt_text.h"

namespace rt {
namespace {

std::mutex& choiceLock() {
  static std::mutex lock;
  return lock;
}

std::string& chosen() {
  static std::string name;
  return name;
}

}  // namespace

std::string chosenPrinterName() {
  std::lock_guard guard(choiceLock());
  return chosen();
}

void setChosenPrinterName(std::string_view name) {
  std::lock_guard guard(choiceLock());
  chosen() = std::string(name);
}

void useChosenPrinter(QPrinter& printer) {
  const std::string name = chosenPrinterName();
  if (!name.empty()) printer.setPrinterName(toQString(name));
}

bool printerSetup() {
  auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
  useChosenPrinter(*printer);
  auto accepted = std::make_shared<bool>(false);
  runNativeLoop([printer, accepted] {
    QPrintDialog dialog(printer.get());
    dialog.setWindowTitle(toQString("Configurar Impresora"));
    dialog.setOptions(QAbstractPrintDialog::PrintDialogOptions());
    *accepted = dialog.exec() == QDialog::Accepted;
  });
  if (*accepted) setChosenPrinterName(fromQString(printer->printerName()));
  return *accepted;
}

}  // namespace rt
