#pragma once
// Where a listing goes: the report globals a report presets before it asks,
// the decision taken from the frame's listing mode, the PDF file's path, and
// the reset after a run that was not cancelled.
#include <filesystem>
#include <string>
#include <string_view>

namespace core {

// The presets every report makes before it asks for the destination:
// destination "N", the title as PDF name and mail subject, the recipient from
// the settings INI ([Email] Listados), the default mail text, show-mail on.
void presetReportGlobals(std::string_view title);

// Settles GLO:TipoListado from GLO:ModoListado; true when the destination
// window must stay open for the user (the mail mode).
bool settleReportDestination();

// The PDF file of a listing named `name`: in the "PDF" folder of the working
// folder, or, when WIN.INI [Espera] PDFLocal is set, in the user's own "PDF"
// folder (in the Windows folder); ".PDF" added, every comma removed, cut to
// 255 characters. Runtime text.
std::string reportPdfPath(std::string_view name);

// For the destinations "M" and "P": GLO:NombrePDF becomes the PDF path of
// the name it holds, and an older file at that path is deleted.
void prepareReportPdf();

// The end of a run that was not cancelled: the mail sent when the
// destination is "M" and a recipient is set (through EnvioEmailTLFull), then
// the listing globals back to their rest values and the frame's mode to "A".
void finishReportGlobals();

// True when the destination writes a PDF file ("M" or "P").
bool reportGoesToPdf();

}  // namespace core
