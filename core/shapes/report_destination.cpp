#include "core/shapes/report_destination.h"

#include <algorithm>
#include <map>
#include <system_error>

#include "core/frame/globals.h"
#include "platform/base/cp1252.h"
#include "platform/base/ini_file.h"
#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"

namespace core {
namespace {

constexpr std::size_t kPathWidth = 255;

char firstOf(const std::string& text) {
  const std::string_view clipped = rt::clip(text);
  return clipped.empty() ? ' ' : clipped.front();
}

std::map<int, ReportGlobalValues*>& ownGlobals() {
  static std::map<int, ReportGlobalValues*> byThread;
  return byThread;
}

}  // namespace

ReportGlobals reportGlobals() {
  const auto own = ownGlobals().find(rt::currentThreadNumber());
  if (own == ownGlobals().end() || own->second == nullptr) {
    return {GLO::TipoListado,   GLO::NombrePDF, GLO::MailListado,
            GLO::AsuntoListado, GLO::TextoMail, GLO::MostrarDialogoMail};
  }
  ReportGlobalValues& v = *own->second;
  return {v.TipoListado,   v.NombrePDF, v.MailListado,
          v.AsuntoListado, v.TextoMail, v.MostrarDialogoMail};
}

OwnReportGlobals::OwnReportGlobals() : thread_(rt::currentThreadNumber()) {
  const ReportGlobals current = reportGlobals();
  values_ = {current.TipoListado,   current.NombrePDF, current.MailListado,
             current.AsuntoListado, current.TextoMail, current.MostrarDialogoMail};
  ReportGlobalValues*& slot = ownGlobals()[thread_];
  outer_ = slot;
  slot = &values_;
}

OwnReportGlobals::~OwnReportGlobals() {
  if (outer_ != nullptr) {
    ownGlobals()[thread_] = outer_;
  } else {
    ownGlobals().erase(thread_);
  }
}

void presetReportGlobals(std::string_view title) {
  const ReportGlobals g = reportGlobals();
  g.TipoListado = "N";
  g.NombrePDF = std::string(rt::clip(title.substr(0, kPathWidth)));
  g.MailListado =
      std::string(rt::clip(rt::getIni("Email", "Listados", "", GLO::ArchivoIni)).substr(0, 255));
  g.AsuntoListado = g.NombrePDF;
  g.TextoMail = "Mensaje Generado Automaticamente";
  g.MostrarDialogoMail = 1;
}

bool settleReportDestination() {
  const ReportGlobals g = reportGlobals();
  const char mode = firstOf(GLO::ModoListado);
  char destination = firstOf(g.TipoListado);
  if (destination == 'N' && mode != 'N') destination = mode;
  bool staysOpen = true;
  if (destination == 'A' || mode == 'N') {
    destination = 'N';
    staysOpen = false;
  } else if (mode == 'P') {
    destination = 'P';
    staysOpen = false;
  } else if (destination == 'M' && mode == 'A') {
    staysOpen = false;
  }
  g.TipoListado = std::string(1, destination);
  return staysOpen;
}

std::string reportPdfPath(std::string_view name) {
  std::string folder;
  if (rt::textToNumber(rt::getIni("Espera", "PDFLocal", "0")) != 0) {
    // The user's own PDF folder stands for the root of the local drive.
    folder = rt::runtimeName(rt::windowsFolder() / "PDF") + "/";
  } else {
    folder = rt::runtimeName(rt::workingFolder()) + "/PDF/";
  }
  // The name is a file name only: commas go from it (never from the folder),
  // and a folder part can never lead out of the PDF folder.
  std::string file(rt::clip(name));
  std::erase(file, ',');
  std::replace(file.begin(), file.end(), '/', '_');
  std::replace(file.begin(), file.end(), '\\', '_');
  std::string path = folder + file + ".PDF";
  if (path.size() > kPathWidth) path.resize(kPathWidth);
  return path;
}

std::string pdfNameFault(std::string_view name) {
  const std::string_view clipped = rt::clip(name);
  if (clipped.find_first_of("/\\") == std::string_view::npos &&
      clipped.find("..") == std::string_view::npos) {
    return {};
  }
  return "El nombre del archivo PDF no puede llevar carpetas (\"/\", \"\\\" ni \"..\"): " +
         std::string(clipped);
}

void prepareReportPdf() {
  const ReportGlobals g = reportGlobals();
  if (!reportGoesToPdf()) return;
  g.NombrePDF = reportPdfPath(g.NombrePDF);
  std::error_code ignored;
  std::filesystem::remove(rt::resolvePath(g.NombrePDF), ignored);
}

bool reportGoesToPdf() {
  const ReportGlobals g = reportGlobals();
  const char destination = firstOf(g.TipoListado);
  return destination == 'M' || destination == 'P';
}

void finishReportGlobals() {
  const ReportGlobals g = reportGlobals();
  if (firstOf(g.TipoListado) == 'M' && !rt::clip(g.MailListado).empty()) {
    rt::callProcedure("EnvioEmailTLFull", {g.MailListado, "", g.AsuntoListado, g.NombrePDF,
                                           g.TextoMail, std::to_string(g.MostrarDialogoMail)});
    g.MailListado.clear();
  }
  g.TextoMail.clear();
  g.MostrarDialogoMail = 1;
  g.TipoListado = "N";
  setListingMode("A");
}

namespace {
std::function<void(const std::string&)>& listingModeShown() {
  static std::function<void(const std::string&)> shown;
  return shown;
}
}  // namespace

void setListingMode(std::string mode) {
  GLO::ModoListado = std::move(mode);
  if (listingModeShown()) listingModeShown()(GLO::ModoListado);
}

void showListingModeWith(std::function<void(const std::string&)> shown) {
  listingModeShown() = std::move(shown);
}

}  // namespace core
