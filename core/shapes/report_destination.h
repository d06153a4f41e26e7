#pragma once
// Where a listing goes: the report globals a report presets before it asks,
// the decision taken from the frame's listing mode, the PDF file's path, and
// the reset after a run that was not cancelled.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace core {

// The report globals of one listing, besides the frame's listing mode.
struct ReportGlobalValues {
  std::string TipoListado = "N";
  std::string NombrePDF;
  std::string MailListado;
  std::string AsuntoListado;
  std::string TextoMail;
  std::uint8_t MostrarDialogoMail = 1;
};

// The report globals the calling logical thread works on: the listing's own
// copy while a listing runs on the thread (two listings at once never write
// each other's file name, destination or mail), the process's GLO: globals
// otherwise.
struct ReportGlobals {
  std::string& TipoListado;
  std::string& NombrePDF;
  std::string& MailListado;
  std::string& AsuntoListado;
  std::string& TextoMail;
  std::uint8_t& MostrarDialogoMail;
};
ReportGlobals reportGlobals();

// Held by a listing from its presets to its close: the calling thread's
// report globals are its own copy meanwhile, begun from the process's.
class OwnReportGlobals {
 public:
  OwnReportGlobals();
  ~OwnReportGlobals();
  OwnReportGlobals(const OwnReportGlobals&) = delete;
  OwnReportGlobals& operator=(const OwnReportGlobals&) = delete;
  const ReportGlobalValues& values() const { return values_; }

 private:
  ReportGlobalValues values_;
  ReportGlobalValues* outer_;
  int thread_;
};

// The presets every report makes before it asks for the destination:
// destination "N", the title as PDF name and mail subject, the recipient from
// the settings INI ([Email] Listados), the default mail text, show-mail on.
void presetReportGlobals(std::string_view title);

// Settles GLO:TipoListado from GLO:ModoListado; true when the destination
// window must stay open for the user (the mail mode).
bool settleReportDestination();

// The PDF file of a listing named `name`: in the "PDF" folder of the working
// folder, or, when WIN.INI [Espera] PDFLocal is set, in the user's own "PDF"
// folder (in the Windows folder); every comma removed from the name (not
// from the folder), a folder separator in the name made "_", ".PDF" added,
// cut to 255 characters. Runtime text.
std::string reportPdfPath(std::string_view name);

// Why a typed PDF name is refused (it names folders: a separator or ".."),
// as the message's text; empty when it is a plain file name.
std::string pdfNameFault(std::string_view name);

// For the destinations "M" and "P": GLO:NombrePDF becomes the PDF path of
// the name it holds, and an older file at that path is deleted.
void prepareReportPdf();

// The end of a run that was not cancelled: the mail sent when the
// destination is "M" and a recipient is set (through EnvioEmailTLFull), then
// the listing globals back to their rest values and the frame's mode to "A".
void finishReportGlobals();

// Sets the frame's listing mode (GLO:ModoListado) and tells whoever shows it.
void setListingMode(std::string mode);
// The one that shows the listing mode (the frame's button), told of every
// change that setListingMode makes, from any logical thread; empty for none.
void showListingModeWith(std::function<void(const std::string&)> shown);

// True when the destination writes a PDF file ("M" or "P").
bool reportGoesToPdf();

}  // namespace core
