#pragma once
// The printer the program prints on: the system's default printer until the
// user picks another in the printer set-up dialog, then that one for the rest
// of the run (reports and documents alike).
#include <QPrinter>
#include <functional>
#include <vector>
#include <string>
#include <string_view>

namespace rt {

// Shows the printer set-up dialog on behalf of the calling thread; true when
// the user accepted, and the printer chosen there is then the one used.
bool printerSetup();

// Points a printer at the chosen one; leaves it on the system's default when
// none was chosen.
void useChosenPrinter(QPrinter& printer);

// The printers installed on the machine (runtime text); tests replace the
// source. With none, the set-up says so instead of showing an empty list.
using PrinterNames = std::function<std::vector<std::string>()>;
PrinterNames setInstalledPrinters(PrinterNames source);
std::vector<std::string> installedPrinters();

// The chosen printer's name (runtime text); empty for the system's default.
std::string chosenPrinterName();
void setChosenPrinterName(std::string_view name);

}  // namespace rt
