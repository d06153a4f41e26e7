#include "platform/ui/printer_setup.h"

#include <QPrintDialog>
#include <QPrinterInfo>
#include <memory>
#include <mutex>

#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
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

PrinterNames& printerSource() {
  static PrinterNames source = [] {
    std::vector<std::string> names;
    for (const QString& name : QPrinterInfo::availablePrinterNames()) names.push_back(fromQString(name));
    return names;
  };
  return source;
}

}  // namespace

PrinterNames setInstalledPrinters(PrinterNames source) {
  PrinterNames previous = std::move(printerSource());
  printerSource() = std::move(source);
  return previous;
}

std::vector<std::string> installedPrinters() { return printerSource()(); }

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
  if (installedPrinters().empty()) {
    MessageRequest notice;
    notice.caption = "Configurar Impresora";
    notice.icon = MessageIcon::Information;
    notice.text =
        "No hay ninguna impresora instalada en este equipo.|"
        "Los listados pueden obtenerse como archivo PDF (modo de listado \"Acrobat PDF\" de la "
        "barra de herramientas) e imprimirse luego desde el visor de PDF."_cp;
    showMessage(notice);
    return false;
  }
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
