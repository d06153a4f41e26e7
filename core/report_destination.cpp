#include "core/report_destination.h"

#include <system_error>

#include "core/globals.h"
#include "platform/base/cp1252.h"
#include "platform/base/ini_file.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"

namespace core {
namespace {

constexpr std::size_t kPathWidth = 255;

char firstOf(const std::string& text) {
  const std::string_view clipped = rt::clip(text);
  return clipped.empty() ? ' ' : clipped.front();
}

}  // namespace

void presetReportGlobals(std::string_view title) {
  GLO::TipoListado = "N";
  GLO::NombrePDF = std::string(rt::clip(title.substr(0, kPathWidth)));
  GLO::MailListado =
      std::string(rt::clip(rt::getIni("Email", "Listados", "", GLO::ArchivoIni)).substr(0, 255));
  GLO::AsuntoListado = GLO::NombrePDF;
  GLO::TextoMail = "Mensaje Generado Automaticamente";
  GLO::MostrarDialogoMail = 1;
}

bool settleReportDestination() {
  const char mode = firstOf(GLO::ModoListado);
  char destination = firstOf(GLO::TipoListado);
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
  GLO::TipoListado = std::string(1, destination);
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
  std::string path = folder + std::string(rt::clip(name)) + ".PDF";
  if (path.size() > kPathWidth) path.resize(kPathWidth);
  std::erase(path, ',');
  return path;
}

void prepareReportPdf() {
  if (!reportGoesToPdf()) return;
  GLO::NombrePDF = reportPdfPath(GLO::NombrePDF);
  std::error_code ignored;
  std::filesystem::remove(rt::resolvePath(GLO::NombrePDF), ignored);
}

bool reportGoesToPdf() {
  const char destination = firstOf(GLO::TipoListado);
  return destination == 'M' || destination == 'P';
}

void finishReportGlobals() {
  if (firstOf(GLO::TipoListado) == 'M' && !rt::clip(GLO::MailListado).empty()) {
    rt::callProcedure("EnvioEmailTLFull",
                      {GLO::MailListado, "", GLO::AsuntoListado, GLO::NombrePDF, GLO::TextoMail,
                       std::to_string(GLO::MostrarDialogoMail)});
    GLO::MailListado.clear();
  }
  GLO::TextoMail.clear();
  GLO::MostrarDialogoMail = 1;
  GLO::TipoListado = "N";
  GLO::ModoListado = "A";
}

}  // namespace core
