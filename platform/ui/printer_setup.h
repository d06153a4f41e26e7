#pragma once
// The printer the program prints on: the system's default printer until the
// user picks another in the printer set-up dialog, then that one for the rest
// of the run (reports and documents alike).
#include <QPrinter>
#include <string>
#include <string_view>

namespace rt {

// Shows the printer set-up dialog on behalf of the calling thread; true when
// the user accepted, and the printer chosen there is then the one used.
bool printerSetup();

// Points a printer at the chosen one; leaves it on the system's default when
// none was chosen.
void useChosenPrinter(QPrinter& printer);

// The chosen printer's name (runtime text); empty for the system's default.
std::string chosenPrinterName();
void setChosenPrinterName(std::string_view name);

}  // namespace rt
