#pragma once
// Printing on paper through the system's print service without freezing any
// window: the service is asked and jobs are handed to it on a worker, while
// the calling logical thread waits behind a wait window that can be
// cancelled. What could not be printed is said in Spanish, naming the printer.
#include <QString>
#include <functional>
#include <optional>

#include "platform/ui/print_system.h"

class QPdfWriter;

namespace rt {

// Runs `work` on a worker while the calling logical thread waits. When the
// work takes longer than a moment, a window titled `caption` says `text` and
// offers "Cancelar". True when the work ended; false when the user cancelled
// (the work then ends on its own and its results must not be used: give it
// only what it owns).
bool awaitWithWaitWindow(const QString& caption, const QString& text, std::function<void()> work);

// The printers of the machine, asked off the window thread; none when the
// user cancelled the wait.
std::optional<PrinterQuery> askPrinters();

// Lets the user pick a printer among `printers`, starting on `current` (the
// default when empty). The window is titled `caption` and its accept button
// reads `acceptText`. The chosen name; none when cancelled.
std::optional<QString> choosePrinter(const PrinterQuery& printers, const QString& current,
                                     const QString& caption, const QString& acceptText);

// Draws a document into a PDF file laid out for `paper` (its pages may be of
// their own size); false when it could not draw.
using PaperDrawing = std::function<bool(QPdfWriter& writer, const PaperSize& paper)>;

// Prints a document named `title` on `printer` (the chosen one, the default
// when empty), `copies` times. `known` saves asking the service again. True
// once the print service accepted the job; otherwise the user was told why
// (nothing is said when the user cancelled a wait, and a drawing that fails
// is for the caller to report).
// A document whose design fixes its paper gives it as `ownPaper`.
bool printOnPaper(const QString& title, const QString& printer, int copies,
                  const PaperDrawing& draw, const PrinterQuery* known = nullptr,
                  const PaperSize* ownPaper = nullptr);

}  // namespace rt
