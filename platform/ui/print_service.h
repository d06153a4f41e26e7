#pragma once
// Printing: the user picks a printer in the print dialog, then the pages are
// drawn on it. A replaceable service, so that tests print to a PDF file and
// never reach a printer.
#include <QPagedPaintDevice>
#include <functional>
#include <string>

namespace rt {

// Draws every page on the device (newPage between pages); false when it
// could not draw.
using PageDrawing = std::function<bool(QPagedPaintDevice& device)>;

// Prints a document named `title` (CP1252). True once its pages went to the
// printer; false when the user cancelled or drawing failed.
bool printPages(const std::string& title, const PageDrawing& draw);

// Installs a print service and returns the one it replaces; an empty one
// restores the print dialog.
using PrintService = std::function<bool(const std::string& title, const PageDrawing& draw)>;
PrintService setPrintService(PrintService service);

}  // namespace rt
