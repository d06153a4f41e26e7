// The consultation report through the whole pipeline: a PDF of three pages
// read back with poppler's tools, the preview printing with the copies
// asked, and a cancelled run leaving the listing globals alone.
#include "practice/consultation_report.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <string>

#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/report_destination.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "core/testing/report_practice.h"
#include "platform/base/ini_file.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/report_output.h"
#include "platform/ui/testing/pdf_probe.h"
#include "platform/ui/testing/window_test_kit.h"

namespace practice {
namespace {

using rt::testing::keepForReview;
using rt::testing::occurrences;

class ConsultationReportTest : public core::testing::ReportPractice {
 protected:
  ConsultationReportTest() : ReportPractice("report") {}
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ReportPractice::SetUp());
    GLO::UsuarioSistema = "Consultorio Central";
  }

  void addPlan(int code, const char* name) {
    core::Coberturas_Medicas::table().clear();
    core::COB().Cod_Cobertura = code;
    core::COB().Descripcion = name;
    ASSERT_EQ(core::Coberturas_Medicas::table().add(), 0);
  }
  void addPatient(int code, const std::string& name, int plan) {
    core::Pacientes::table().clear();
    core::PAC().Cod_Paciente = code;
    core::PAC().Nombre = name;
    core::PAC().Telefono = "4555-" + std::to_string(1000 + code);
    core::PAC().Cod_Cobertura = plan;
    core::PAC().Fecha_Nacim = 70000 + code;
    ASSERT_EQ(core::Pacientes::table().add(), 0);
  }
  void addConsultation(int code, int patient, int day, const std::string& reason) {
    core::Consultas::table().clear();
    core::CON().Cod_Consulta = code;
    core::CON().Cod_Paciente = patient;
    core::CON().Fecha = day;
    core::CON().Motivo = reason;
    ASSERT_EQ(core::Consultas::table().add(), 0);
  }
  // `count` consultations, added in an order other than their dates'.
  void fill(int count) {
    addPlan(1, "OSDE 210");
    for (int p = 1; p <= 10; ++p) addPatient(p, "Paciente " + std::to_string(p), p % 2);
    for (int i = 0; i < count; ++i) {
      const int c = (i * 7) % count + 1;  // 7 is prime to the counts used
      addConsultation(c, (c % 11), 80000 + c, "Motivo " + std::to_string(1000 + c));
    }
  }
  int runReport(const std::string& filter) {
    int answer = 0;
    EXPECT_TRUE(rt::testing::runOnThread(
        [&] { answer = runReporteConsultas(filter, "PAC:Nombre"); }, std::chrono::seconds(60)));
    return answer;
  }
};

TEST_F(ConsultationReportTest, WritesThreePagesAsPdfWithEveryRecordOnce) {
  fill(120);
  rt::testing::ScriptedMessages messages;
  GLO::ModoListado = "P";
  EXPECT_EQ(runReport(""), rt::kCompleted);
  EXPECT_TRUE(messages.asked().empty());
  const std::filesystem::path pdf = rt::workingFolder() / "PDF" / "Listado de Consultas.PDF";
  ASSERT_TRUE(std::filesystem::exists(pdf)) << GLO::NombrePDF;
  EXPECT_EQ(GLO::ModoListado, "A");
  EXPECT_EQ(GLO::TipoListado, "N");

  const std::string text = rt::testing::pdfText(pdf.string());
  EXPECT_EQ(occurrences(text, "Reporte de Consultas (Filtrado)"), 3) << text;
  EXPECT_EQ(occurrences(text, "Apellido y Nombre"), 3);
  EXPECT_EQ(occurrences(text, "Consultorio Central"), 3);
  EXPECT_EQ(occurrences(text, "29/09/2025"), 3) << "the run date on every page";
  EXPECT_EQ(occurrences(text, "\f"), 3);
  // Every consultation once, in date order (consultation c is on day 80000 + c).
  std::size_t last = 0;
  for (int c = 1; c <= 120; ++c) {
    const std::string reason = "Motivo " + std::to_string(1000 + c);
    ASSERT_EQ(occurrences(text, reason), 1) << reason;
    const std::size_t at = text.find(reason);
    EXPECT_GT(at, last) << reason << " out of date order";
    last = at;
  }
  // The page numbers, one per page.
  std::vector<std::string> numbers;
  for (auto at = text.find("Pag.:"); at != std::string::npos; at = text.find("Pag.:", at + 1)) {
    const auto digits = text.find_first_not_of(' ', at + 5);
    numbers.push_back(text.substr(digits, text.find_first_not_of("0123456789", digits) - digits));
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "3"}));
  // A consultation whose patient is missing (patient 0) keeps only its reason.
  const std::size_t reasonAt = text.find("Motivo 1011");
  const std::size_t lineStart = text.rfind('\n', reasonAt) + 1;
  const std::string orphan = text.substr(lineStart, reasonAt - lineStart);
  EXPECT_EQ(orphan.find("Paciente"), std::string::npos) << orphan;
  EXPECT_NE(text.find("Paciente 1 "), std::string::npos);
  EXPECT_NE(text.find("OSDE 210"), std::string::npos);

  const std::string facts = rt::testing::pdfInfo(pdf.string());
  EXPECT_EQ(rt::testing::infoField(facts, "Pages"), "3");
  EXPECT_EQ(rt::testing::infoField(facts, "Creator"), "varneta");
  EXPECT_EQ(rt::testing::infoField(facts, "Title"), "Listado de Varneta");
  const std::string meta = rt::testing::pdfMetadata(pdf.string());
  EXPECT_EQ(occurrences(meta, "ReporteConsultas"), 2) << meta;  // subject and program
  keepForReview(pdf);
}

TEST_F(ConsultationReportTest, FilterOfTheListAndAnUnusableOne) {
  fill(30);
  GLO::ModoListado = "P";
  rt::testing::ScriptedMessages none;
  EXPECT_EQ(runReport("CON:Cod_Paciente = 3"), rt::kCompleted);
  const std::filesystem::path pdf = rt::workingFolder() / "PDF" / "Listado de Consultas.PDF";
  std::string text = rt::testing::pdfText(pdf.string());
  EXPECT_EQ(occurrences(text, "Paciente 3 "), 3) << text;  // consultations 3, 14, 25
  EXPECT_EQ(occurrences(text, "Motivo "), 3);

  // The tables the list joins are bound: a query on the patient's name.
  GLO::ModoListado = "P";
  EXPECT_EQ(runReport("MATCH(PAC:Nombre,'*paciente 3*',17)"), rt::kCompleted);
  text = rt::testing::pdfText(pdf.string());
  EXPECT_EQ(occurrences(text, "Motivo "), 3) << text;

  // A filter naming a table the list does not join is not bound: a warning,
  // then all records.
  GLO::ModoListado = "P";
  rt::testing::ScriptedMessages warned;
  EXPECT_EQ(runReport("LOC:NombreLocalidad = 'Rosario'"), rt::kCompleted);
  ASSERT_EQ(warned.asked().size(), 1u);
  text = rt::testing::pdfText(pdf.string());
  EXPECT_EQ(occurrences(text, "Motivo "), 30);

  // No record passes: nothing written, the mode stays.
  std::filesystem::remove(pdf);
  GLO::ModoListado = "P";
  EXPECT_EQ(runReport("CON:Cod_Paciente = 99"), rt::kCancelled);
  EXPECT_FALSE(std::filesystem::exists(pdf));
  EXPECT_EQ(GLO::ModoListado, "P");
}

// The list's date range, or its patient, is a stretch of a key: the listing
// reads that stretch, and its progress counts it and reaches the end.
TEST_F(ConsultationReportTest, TheListsRangeIsTheStretchReadAndTheProgressReachesItsEnd) {
  fill(120);
  const std::filesystem::path pdf = rt::workingFolder() / "PDF" / "Listado de Consultas.PDF";
  struct Case {
    std::string filter;
    int printed;
  };
  const Case cases[] = {
      {"(CON:Fecha >= 80031 AND CON:Fecha <= 80060)", 30},
      {"(CON:Fecha >= 80031 AND CON:Fecha <= 80060) AND (CON:Cod_Paciente = 3)", 3},
      {"(CON:Cod_Paciente = 3)", 11}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    GLO::ModoListado = "P";
    int percentage = 0;
    ASSERT_TRUE(rt::testing::runOnThread([&] {
      ConsultationReport report(c.filter, "");
      EXPECT_EQ(report.execute(), rt::kCompleted);
      percentage = report.percentage();
    }));
    EXPECT_EQ(percentage, 100);
    const std::string text = rt::testing::pdfText(pdf.string());
    EXPECT_EQ(occurrences(text, "Motivo "), c.printed);
  }
  GLO::ModoListado = "P";
  ASSERT_TRUE(rt::testing::runOnThread([&] {
    ConsultationReport report(
        "(CON:Fecha >= 80031 AND CON:Fecha <= 80060) AND (CON:Motivo = 'Motivo 1031')", "");
    EXPECT_EQ(report.execute(), rt::kCompleted);
    EXPECT_EQ(report.percentage(), 3) << "one record of the thirty the month holds";
  }));
}

// The pace of the reading: a tick takes records until its time budget has
// passed (never fewer than 25), and the listing reads the same whatever the
// pace, so a tick of 25 records (a slow clock) and one tick for the whole run
// (a stopped clock) write the same text.
TEST_F(ConsultationReportTest, TicksTakeRecordsForTheirTimeBudgetAndThePaceLeavesTheListingAlone) {
  fill(120);
  const std::filesystem::path pdf = rt::workingFolder() / "PDF" / "Listado de Consultas.PDF";
  struct Case {
    std::chrono::milliseconds step;  // the clock moves this much at each reading
    int ticks;
  };
  const Case cases[] = {{std::chrono::milliseconds(30), 5}, {std::chrono::milliseconds(0), 1}};
  std::vector<std::string> texts;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step.count());
    auto now = std::chrono::steady_clock::time_point{};
    core::ReportRun::setPaceClock([&] { return now += c.step; });
    std::filesystem::remove(pdf);
    GLO::ModoListado = "P";
    int ticks = 0;
    ASSERT_TRUE(rt::testing::runOnThread([&] {
      ConsultationReport report("", "");
      EXPECT_EQ(report.execute(), rt::kCompleted);
      ticks = report.ticksRead();
    }));
    core::ReportRun::setPaceClock({});
    EXPECT_EQ(ticks, c.ticks);
    texts.push_back(rt::testing::pdfText(pdf.string()));
    EXPECT_EQ(occurrences(texts.back(), "Motivo "), 120);
  }
  EXPECT_EQ(texts[0], texts[1]);
}

// Cancels through the progress window's button (or Esc) once `at` records
// are printed.
class CancelledReport : public ConsultationReport {
 public:
  explicit CancelledReport(int at, bool esc = false)
      : ConsultationReport("", ""), at_(at), esc_(esc) {}
  int printed = 0;

 protected:
  void printRecord(rt::ReportEngine& report) override {
    ConsultationReport::printRecord(report);
    if (++printed != at_) return;
    if (esc_) {
      QTest::keyClick(window(), Qt::Key_Escape);
    } else {
      post(rt::event::Accepted, control("?PROGRESS:CANCEL"));
    }
  }

 private:
  int at_;
  bool esc_;
};

TEST_F(ConsultationReportTest, CancellingLeavesTheListingGlobalsAsTheRunPresetThem) {
  fill(200);
  GLO::ModoListado = "P";
  GLO::TipoListado = "N";
  GLO::NombrePDF = "";
  rt::testing::ScriptedMessages messages({1});  // Yes, cancel
  int answer = 0;
  int printed = 0;
  core::ReportGlobalValues own;
  ASSERT_TRUE(rt::testing::runOnThread([&] {
    CancelledReport report(core::ReportRun::kRecordsPerCycle);
    answer = report.execute();
    printed = report.printed;
    own = report.globalsAtClose();
  }));
  EXPECT_EQ(answer, rt::kCancelled);
  EXPECT_EQ(printed, core::ReportRun::kRecordsPerCycle);
  ASSERT_EQ(messages.asked().size(), 1u) << "no page yet: no question about a partial preview";
  EXPECT_EQ(messages.asked()[0].text, "Are you sure you want to CANCEL this Report?");
  EXPECT_EQ(GLO::ModoListado, "P");
  // The run's own globals as it preset them; the process's untouched.
  EXPECT_EQ(own.TipoListado, "P");
  EXPECT_EQ(own.NombrePDF,
            rt::runtimeName(rt::workingFolder() / "PDF" / "Listado de Consultas.PDF"));
  EXPECT_EQ(own.AsuntoListado, "Listado de Consultas");
  EXPECT_EQ(own.TextoMail, "Mensaje Generado Automaticamente");
  EXPECT_EQ(own.MostrarDialogoMail, 1);
  EXPECT_FALSE(std::filesystem::exists(own.NombrePDF));
  EXPECT_EQ(GLO::TipoListado, "N");
  EXPECT_EQ(GLO::NombrePDF, "");
}

TEST_F(ConsultationReportTest, PartialOutputAndIgnoreAfterACancel) {
  fill(200);
  const std::filesystem::path pdf = rt::workingFolder() / "PDF" / "Listado de Consultas.PDF";
  struct Case {
    std::vector<int> answers;  // to "cancel?" and then to "preview so far?"
    bool esc;
    int pages;  // in the PDF; 0 = none written
    const char* modeAfter;
  };
  const Case cases[] = {
      {{1, 1}, false, 2, "A"},  // Yes: the pages so far, the page in progress finished
      {{1, 2}, true, 0, "P"},   // Esc, then No: nothing
      {{1, 3}, false, 4, "A"},  // Ignore: the whole report, one record a tick
  };
  for (const Case& c : cases) {
    std::filesystem::remove(pdf);
    GLO::ModoListado = "P";
    rt::testing::ScriptedMessages messages(c.answers);
    int answer = 0;
    ASSERT_TRUE(rt::testing::runOnThread(
        [&] {
          CancelledReport report(75, c.esc);  // the first page holds 50 records
          answer = report.execute();
        },
        std::chrono::seconds(60)));
    EXPECT_EQ(messages.asked().size(), 2u);
    EXPECT_EQ(answer, c.pages ? rt::kCompleted : rt::kCancelled);
    EXPECT_EQ(GLO::ModoListado, c.modeAfter);
    if (c.pages == 0) {
      EXPECT_FALSE(std::filesystem::exists(pdf));
      continue;
    }
    EXPECT_EQ(rt::testing::infoField(rt::testing::pdfInfo(pdf.string()), "Pages"),
              std::to_string(c.pages));
  }
}

// Esc asks to cancel; carrying on (No, or Yes then Ignore) must still give
// the whole report, as a PDF and as a mail of that PDF.
TEST_F(ConsultationReportTest, CarryingOnAfterEscGivesTheWholeReport) {
  fill(200);
  const std::filesystem::path pdf = rt::workingFolder() / "PDF" / "Listado de Consultas.PDF";
  GLO::ArchivoIni = rt::runtimeName(folder_ / "Dezedu.ini");
  rt::putIni("Email", "Listados", "recepcion@consultorio.example", GLO::ArchivoIni);
  std::vector<rt::ProcedureArgs> mailed;
  rt::registerProcedure("EnvioEmailTLFull", [&](const rt::ProcedureArgs& args) {
    mailed.push_back(args);
    EXPECT_TRUE(std::filesystem::exists(rt::resolvePath(args[3]))) << "the PDF mailed is there";
    return rt::kCompleted;
  });
  struct Case {
    const char* mode;
    std::vector<int> answers;  // to "cancel?" and then to "preview so far?"
  };
  const Case cases[] = {{"P", {2}}, {"P", {1, 3}}, {"M", {2}}, {"M", {1, 3}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " after " + std::to_string(c.answers.size()) + " answers");
    std::filesystem::remove(pdf);
    mailed.clear();
    GLO::ModoListado = c.mode;
    rt::testing::ScriptedMessages messages(c.answers);
    int answer = 0;
    ASSERT_TRUE(rt::testing::runOnThread(
        [&] {
          CancelledReport report(75, true);
          answer = report.execute();
        },
        std::chrono::seconds(60)));
    EXPECT_EQ(messages.asked().size(), c.answers.size());
    EXPECT_EQ(answer, rt::kCompleted);
    EXPECT_EQ(GLO::ModoListado, "A");
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_EQ(rt::testing::infoField(rt::testing::pdfInfo(pdf.string()), "Pages"), "4");
    EXPECT_EQ(mailed.size(), std::string(c.mode) == "M" ? 1u : 0u);
  }
  rt::unregisterProcedure("EnvioEmailTLFull");
}

TEST_F(ConsultationReportTest, PreviewPrintsWithTheCopiesAsked) {
  fill(60);
  GLO::ModoListado = "A";
  std::vector<int> printed;
  rt::PrintService previous =
      rt::setPrintService([&printed](const std::vector<rt::ReportPage>& pages, int copies) {
        printed = {static_cast<int>(pages.size()), copies};
        return true;
      });
  rt::testing::WindowScript script;
  script.on("Vista previa: Listado de Consultas", [](rt::WindowDriver& w) {
    const QImage shot = w.window()->grab().toImage();
    shot.save(QString::fromStdString((std::filesystem::current_path() / "preview.png").string()));
    EXPECT_GT(shot.width(), 0);
    w.control<QSpinBox>("?COPIES")->setValue(3);
    rt::testing::click(w, "?PRINT");
  });
  EXPECT_EQ(runReport(""), rt::kCompleted);
  EXPECT_EQ(script.pending(), 0);
  EXPECT_EQ(printed, (std::vector<int>{2, 3}));
  EXPECT_EQ(GLO::ModoListado, "A");
  rt::setPrintService(std::move(previous));
  keepForReview(std::filesystem::current_path() / "preview.png");
}

// The PDF is written while the windows go on: with each page taking longer
// than a tick, the event loop is served before the last page is drawn, and
// the file holds every page.
TEST_F(ConsultationReportTest, TheWindowsAreServedWhileThePdfIsWritten) {
  fill(120);
  GLO::ModoListado = "P";
  auto now = std::chrono::steady_clock::time_point{};
  core::ReportRun::setPaceClock([&now] { return now += std::chrono::milliseconds(25); });
  bool served = false;
  int drawn = 0;
  int drawnWhenServed = -1;
  rt::PdfWriteService previous =
      rt::setPdfWriteService([&](const std::vector<rt::ReportPage>& pages, const QString& path,
                                 const rt::PdfDocumentInfo& info, const rt::BetweenPages& between) {
        QMetaObject::invokeMethod(
            qApp,
            [&] {
              served = true;
              drawnWhenServed = drawn;
            },
            Qt::QueuedConnection);
        return rt::writePdfFile(pages, path, info, [&] {
          ++drawn;
          between();
        });
      });
  EXPECT_EQ(runReport(""), rt::kCompleted);
  rt::setPdfWriteService(std::move(previous));
  core::ReportRun::setPaceClock({});
  EXPECT_TRUE(served);
  EXPECT_GE(drawnWhenServed, 0);
  EXPECT_LT(drawnWhenServed, 3) << "served before the last page was drawn";
  const std::filesystem::path pdf = rt::workingFolder() / "PDF" / "Listado de Consultas.PDF";
  EXPECT_EQ(occurrences(rt::testing::pdfText(pdf.string()), "\f"), 3);
}

}  // namespace
}  // namespace practice
