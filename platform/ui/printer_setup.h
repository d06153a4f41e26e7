#pragma once
// The printer the program prints on: the system's default printer until the
// user picks another in the printer set-up window, then that one for the rest
// of the run (reports and documents alike).
#include <string>
#include <string_view>

namespace rt {

// Shows the printer set-up window on behalf of the calling thread (the
// printers are asked off the window thread); true when the user accepted, and
// the printer chosen there is then the one used.
bool printerSetup();

// The chosen printer's name (runtime text); empty for the system's default.
std::string chosenPrinterName();
void setChosenPrinterName(std::string_view name);

}  // namespace rt
