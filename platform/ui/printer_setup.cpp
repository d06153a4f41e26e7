#include "platform/ui/printer_setup.h"

#include <mutex>

#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/ui/printing.h"
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

void tell(std::string text, MessageIcon icon) {
  MessageRequest notice;
  notice.caption = "Configurar Impresora";
  notice.icon = icon;
  notice.text = std::move(text);
  showMessage(notice);
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

bool printerSetup() {
  const std::optional<PrinterQuery> printers = askPrinters();
  if (!printers) return false;
  if (!printers->error.isEmpty()) {
    tell("No se pudo consultar las impresoras del equipo.|"_cp + fromQString(printers->error),
         MessageIcon::Error);
    return false;
  }
  if (printers->printers.empty()) {
    tell(
        "No hay ninguna impresora instalada en este equipo.|"
        "Los listados pueden obtenerse como archivo PDF (modo de listado \"Acrobat PDF\" de la "
        "barra de herramientas) e imprimirse luego desde el visor de PDF."_cp,
        MessageIcon::Information);
    return false;
  }
  const std::optional<QString> choice =
      choosePrinter(*printers, toQString(chosenPrinterName()),
                    QStringLiteral("Configurar Impresora"), QStringLiteral("&Aceptar"));
  if (!choice) return false;
  setChosenPrinterName(fromQString(*choice));
  return true;
}

}  // namespace rt
