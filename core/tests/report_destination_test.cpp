// Where a listing goes: the decision over the frame's listing mode, the
// presets, the PDF file's name and the reset after a run.
#include "core/shapes/report_destination.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/frame/globals.h"
#include "platform/base/ini_file.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/testing/test_environment.h"

namespace core {
namespace {

TEST(ReportDestination, DecisionOverTheListingMode) {
  struct Case {
    const char* mode;
    const char* preset;
    const char* destination;
    bool windowStaysOpen;
  };
  const Case cases[] = {
      // What every report finds with its "N" preset.
      {"A", "N", "N", false},
      {"N", "N", "N", false},
      {"P", "N", "P", false},
      {"M", "N", "M", true},
      // Padded three-character modes compare as their first character.
      {"P  ", "N", "P", false},
      // Other presets follow the same rules.
      {"A", "M", "M", false},
      {"A", "P", "P", true},
      {"N", "M", "N", false},
      {"P", "M", "P", false},
      {"M", "P", "P", true},
  };
  for (const Case& c : cases) {
    GLO::ModoListado = c.mode;
    GLO::TipoListado = c.preset;
    EXPECT_EQ(settleReportDestination(), c.windowStaysOpen) << c.mode << "/" << c.preset;
    EXPECT_EQ(GLO::TipoListado, c.destination) << c.mode << "/" << c.preset;
    EXPECT_EQ(GLO::ModoListado, c.mode) << "the mode is only read";
  }
}

TEST(ReportDestination, PresetsComeFromTheTitleAndTheSettings) {
  GLO::ArchivoIni = ".\\varneta.INI";
  ASSERT_TRUE(rt::putIni("Email", "Listados", "consultorio@example.org", GLO::ArchivoIni));
  GLO::TipoListado = "P";
  GLO::TextoMail.clear();
  GLO::MostrarDialogoMail = 0;
  presetReportGlobals("Listado de Consultas");
  EXPECT_EQ(GLO::TipoListado, "N");
  EXPECT_EQ(GLO::NombrePDF, "Listado de Consultas");
  EXPECT_EQ(GLO::AsuntoListado, "Listado de Consultas");
  EXPECT_EQ(GLO::MailListado, "consultorio@example.org");
  EXPECT_EQ(GLO::TextoMail, "Mensaje Generado Automaticamente");
  EXPECT_EQ(GLO::MostrarDialogoMail, 1);
  GLO::ArchivoIni.clear();
}

TEST(ReportDestination, PdfNameDropsCommasAndReplacesTheOldFile) {
  const std::filesystem::path pdf = rt::workingFolder() / "PDF";
  std::filesystem::create_directories(pdf);
  const std::filesystem::path old = pdf / "Listado de Consultas Lopez Juan.PDF";
  std::ofstream(old) << "old";
  ASSERT_TRUE(std::filesystem::exists(old));

  GLO::ModoListado = "P";
  presetReportGlobals("Listado de Consultas, Lopez, Juan");
  settleReportDestination();
  prepareReportPdf();
  EXPECT_EQ(GLO::NombrePDF, rt::runtimeName(old));
  EXPECT_FALSE(std::filesystem::exists(old)) << "the older file is deleted";

  // With [Espera] PDFLocal set, the user's own PDF folder.
  ASSERT_TRUE(rt::putIni("Espera", "PDFLocal", "1"));
  EXPECT_EQ(reportPdfPath("Turnos, hoy"),
            rt::runtimeName(rt::windowsFolder() / "PDF" / "Turnos hoy.PDF"));
  ASSERT_TRUE(rt::putIni("Espera", "PDFLocal", "0"));
  // The normal destination keeps the title.
  GLO::TipoListado = "N";
  GLO::NombrePDF = "Listado, uno";
  prepareReportPdf();
  EXPECT_EQ(GLO::NombrePDF, "Listado, uno");
  // Commas leave the name, never the folder; a name never leads out of it.
  ASSERT_TRUE(rt::putIni("Espera", "PDFLocal", "0"));
  const std::filesystem::path comma = rt::testing::testRoot() / "Consultorio, Sur";
  std::filesystem::create_directories(comma);
  std::filesystem::current_path(comma);
  rt::captureWorkingFolder();
  EXPECT_EQ(reportPdfPath("Turnos, hoy"), rt::runtimeName(comma / "PDF" / "Turnos hoy.PDF"));
  EXPECT_EQ(reportPdfPath("../../x"), rt::runtimeName(comma / "PDF" / ".._.._x.PDF"));
  EXPECT_EQ(reportPdfPath("..\\x"), rt::runtimeName(comma / "PDF" / ".._x.PDF"));
  std::filesystem::current_path(rt::testing::testRoot() / "work");
  rt::captureWorkingFolder();
  for (const char* name : {"../../x", "a/b", "a\\b", "..", "x..y"})
    EXPECT_NE(pdfNameFault(name), "") << name;
  for (const char* name : {"Turnos, hoy", "Listado de Consultas", "a.b"})
    EXPECT_EQ(pdfNameFault(name), "") << name;
  // A path cut at 255 characters.
  EXPECT_EQ(reportPdfPath(std::string(400, 'x')).size(), 255u);
}

TEST(ReportDestination, FinishMailsOnceAndResetsTheGlobals) {
  std::vector<rt::ProcedureArgs> mails;
  rt::registerProcedure("EnvioEmailTLFull", [&mails](const rt::ProcedureArgs& args) {
    mails.push_back(args);
    return rt::kCompleted;
  });
  GLO::ModoListado = "M";
  GLO::TipoListado = "M";
  GLO::MailListado = "a@example.org";
  GLO::AsuntoListado = "Asunto";
  GLO::NombrePDF = "/tmp/x.PDF";
  GLO::TextoMail = "Texto";
  GLO::MostrarDialogoMail = 0;
  finishReportGlobals();
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0],
            (rt::ProcedureArgs{"a@example.org", "", "Asunto", "/tmp/x.PDF", "Texto", "0"}));
  EXPECT_EQ(GLO::MailListado, "");
  EXPECT_EQ(GLO::TextoMail, "");
  EXPECT_EQ(GLO::MostrarDialogoMail, 1);
  EXPECT_EQ(GLO::TipoListado, "N");
  EXPECT_EQ(GLO::ModoListado, "A");
  // Without a recipient nothing is mailed.
  GLO::TipoListado = "M";
  finishReportGlobals();
  EXPECT_EQ(mails.size(), 1u);
  rt::unregisterProcedure("EnvioEmailTLFull");
}

}  // namespace
}  // namespace core
