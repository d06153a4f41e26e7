// The clinical listings read back from their PDF files: one patient's
// history (its block once, oldest first, notes formatted, a note longer than
// a page, blank antecedents, no file without consultations), the patient
// listing of the patient list's filter (whole, past 255 characters), the
// birthdays, the globals of an empty run, two listings at once, and the
// birthday window.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/report_destination.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "core/testing/probed_window.h"
#include "core/testing/report_practice.h"
#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/paths.h"
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/base/testing/fixed_clock.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/testing/pdf_probe.h"
#include "platform/ui/testing/window_test_kit.h"
#include "practice/birthday_window.h"
#include "practice/consultation_report.h"
#include "practice/history_report.h"
#include "practice/listing_procedures.h"
#include "practice/patient_reports.h"

namespace practice {
namespace {

using rt::testing::click;
using rt::testing::keepForReview;
using rt::testing::occurrences;
using rt::testing::runOnThread;

const rt::Date kToday = rt::makeDate(10, 12, 2026);

std::filesystem::path pdfOf(const char* title) {
  return rt::workingFolder() / "PDF" / (std::string(title) + ".PDF");
}

class ClinicalListings : public core::testing::ReportPractice {
 protected:
  ClinicalListings() : ReportPractice("listings") {}
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ReportPractice::SetUp());
    registerListingProcedures();
    clock_.emplace(kToday, rt::makeTime(9, 0));
    GLO::UsuarioSistema = "Consultorio Central";
    GLO::ModoListado = "P";
  }

  static void addLocality(std::uint32_t code, const char* name) {
    core::Localidades::table().clear();
    core::LOC().Cod_Postal = code;
    core::LOC().NombreLocalidad = name;
    ASSERT_EQ(core::Localidades::table().add(), 0);
  }
  static void addPatient(int code, const std::string& name, rt::Date born = 0,
                         std::uint32_t postal = 0) {
    core::Pacientes::table().clear();
    core::PAC().Cod_Paciente = static_cast<std::uint16_t>(code);
    core::PAC().Nombre = name;
    core::PAC().Fecha_Nacim = born;
    core::PAC().Cod_Postal = postal;
    core::PAC().Direccion = "Calle " + std::to_string(code);
    ASSERT_EQ(core::Pacientes::table().add(), 0);
  }
  static void addVisit(int patient, rt::Date day, const std::string& reason,
                       const std::string& notes = "") {
    core::Consultas::table().clear();
    core::CON().Cod_Paciente = static_cast<std::uint16_t>(patient);
    core::CON().Fecha = day;
    core::CON().Motivo = reason;
    core::CON().Notas = notes;
    ASSERT_EQ(core::Consultas::table().addNumbered(), 0);
  }
  static int onThread(const std::function<int()>& run) {
    int answer = 0;
    EXPECT_TRUE(runOnThread([&] { answer = run(); }, std::chrono::seconds(60)));
    return answer;
  }

  std::optional<rt::testing::FixedClock> clock_;
};

TEST_F(ClinicalListings, TheHistoryPrintsThePatientOnceAndEveryConsultationOldestFirst) {
  addLocality(2000, "Rosario");
  addPatient(7, "Lopez, Ana", rt::makeDate(3, 4, 1970), 2000);
  core::PAC().Ant_Personales = "Hipertensa desde 2010.";
  core::Pacientes::table().put();
  addPatient(8, "Gomez, Luis");
  // Added newest first, with another patient's consultation between.
  std::string longNote;
  for (int i = 1; i <= 90; ++i) longNote += "Renglon " + std::to_string(i) + " de la evolucion.\n";
  longNote += "Fin de la nota larga.";
  addVisit(7, kToday - 1, "Control anual", longNote);
  addVisit(8, kToday - 5, "Consulta de otro paciente");
  addVisit(7, kToday - 30, "Dolor de cabeza",
           "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Dolor desde hace tres "
           "d\\'edas, {\\b intenso}.\\par}");
  addVisit(7, kToday - 400, "Primera consulta");

  EXPECT_EQ(onThread([] { return runReporteHistoriaClinicaFiltrada(7); }), rt::kCompleted);
  const std::filesystem::path pdf = pdfOf("Listado de Historia Clínica");
  ASSERT_TRUE(std::filesystem::exists(pdf));
  keepForReview(pdf);
  const std::string text = rt::testing::pdfText(pdf.string());
  const int pages = occurrences(text, "\f");
  EXPECT_GE(pages, 2) << "the long note goes on to another page";
  EXPECT_EQ(occurrences(text, "Historia Clinica"), pages) << "the header on every page";
  EXPECT_EQ(occurrences(text, "Paciente:"), 1);
  EXPECT_EQ(occurrences(text, "Lopez, Ana"), 1);
  EXPECT_EQ(occurrences(text, rt::format("2000", "P####-###PB")), 1) << text;
  EXPECT_EQ(occurrences(text, "Rosario"), 1);
  EXPECT_EQ(occurrences(text, "Antecedentes Personales:"), 1);
  EXPECT_EQ(occurrences(text, "Hipertensa desde 2010."), 1);
  EXPECT_EQ(occurrences(text, "Antecedentes Familiares:"), 0) << "a blank memo prints no band";
  EXPECT_EQ(occurrences(text, "Consulta de otro paciente"), 0);
  EXPECT_EQ(occurrences(text, "Consulta:"), 3);
  const std::size_t first = text.find("Primera consulta");
  const std::size_t second = text.find("Dolor de cabeza");
  const std::size_t third = text.find("Control anual");
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  EXPECT_LT(text.find("Paciente:"), first);
  // The rich text printed as text, accents and all, and no markup.
  EXPECT_NE(text.find("Dolor desde hace tres días, intenso."), std::string::npos) << text;
  EXPECT_EQ(text.find("rtf"), std::string::npos);
  EXPECT_EQ(text.find("\\par"), std::string::npos);
  // The long note whole, across the page end.
  EXPECT_EQ(occurrences(text, "Renglon 1 de la evolucion."), 1);
  EXPECT_EQ(occurrences(text, "Renglon 90 de la evolucion."), 1);
  EXPECT_LT(text.find("\f"), text.find("Fin de la nota larga."));
  EXPECT_EQ(rt::testing::infoField(rt::testing::pdfInfo(pdf.string()), "Pages"),
            std::to_string(pages));

  // A patient without consultations: no output at all.
  std::filesystem::remove(pdf);
  GLO::ModoListado = "P";
  addPatient(9, "Zapata, Eva");
  EXPECT_EQ(onThread([] { return runReporteHistoriaClinicaFiltrada(9); }), rt::kCancelled);
  EXPECT_FALSE(std::filesystem::exists(pdf));
  EXPECT_EQ(GLO::ModoListado, "P");
}

TEST_F(ClinicalListings, ThePatientListingTakesTheListsWholeFilterByName) {
  addLocality(2000, "Rosario");
  addLocality(5000, "Córdoba"_cp);
  addPatient(12, "Zapata, Eva", 0, 2000);
  addPatient(123, "Alvarez, Juan", 0, 2000);
  addPatient(124, "Gomez, Luis", 0, 5000);
  addPatient(125, "Benitez, Rosa", 0, 2000);
  // A query on the list's "Localidad" column, with the active-only box on.
  const std::string byLocality =
      "(PAC:Inactivo = 0) AND (MATCH(LOC:NombreLocalidad,'*rosario*',17))";
  EXPECT_EQ(onThread([&] { return runReportePacientes(byLocality, "+PAC:Nombre"); }),
            rt::kCompleted);
  const std::filesystem::path pdf = pdfOf("Listado de Pacientes");
  std::string text = rt::testing::pdfText(pdf.string());
  keepForReview(pdf);
  EXPECT_EQ(occurrences(text, "Reporte de Pacientes"), 1);
  EXPECT_EQ(occurrences(text, "Rosario"), 3) << text;
  EXPECT_EQ(text.find("Gomez"), std::string::npos);
  EXPECT_LT(text.find("Alvarez, Juan"), text.find("Benitez, Rosa"));
  EXPECT_LT(text.find("Benitez, Rosa"), text.find("Zapata, Eva"));

  // A filter past 255 characters counts whole: cut there it would still be
  // valid and select patient 12 instead of 123.
  const std::size_t before = 255 - std::string("PAC:Cod_Paciente = 12").size();
  std::string padding = "(PAC:Inactivo = 0) AND (";
  const std::string term = "PAC:Nombre <> 'x' AND ";
  while (padding.size() + term.size() <= before) padding += term;
  padding.resize(before, ' ');
  const std::string longFilter = padding + "PAC:Cod_Paciente = 123)";
  ASSERT_EQ(longFilter.substr(0, 255).substr(255 - 2), "12");
  GLO::ModoListado = "P";
  rt::testing::ScriptedMessages none;
  EXPECT_EQ(onThread([&] { return runReportePacientes(longFilter, ""); }), rt::kCompleted);
  text = rt::testing::pdfText(pdf.string());
  EXPECT_NE(text.find("Alvarez, Juan"), std::string::npos);
  EXPECT_EQ(text.find("Zapata, Eva"), std::string::npos) << text;

  // The consultation listing takes its list's filter whole too.
  addVisit(12, kToday, "Visita de doce");
  addVisit(123, kToday, "Visita de ciento veintitres");
  std::string consultations = longFilter;
  for (std::size_t at = 0; (at = consultations.find("PAC:", at)) != std::string::npos;) {
    consultations.replace(at, 4, "CON:");
  }
  consultations.replace(consultations.find("CON:Inactivo = 0"), 16, "CON:Fecha > 0   ");
  for (std::size_t at = 0; (at = consultations.find("CON:Nombre", at)) != std::string::npos;) {
    consultations.replace(at, 10, "CON:Motivo");
  }
  GLO::ModoListado = "P";
  EXPECT_EQ(onThread([&] { return runReporteConsultas(consultations, ""); }), rt::kCompleted);
  text = rt::testing::pdfText(pdfOf("Listado de Consultas").string());
  EXPECT_NE(text.find("Visita de ciento veintitres"), std::string::npos) << text;
  EXPECT_EQ(text.find("Visita de doce"), std::string::npos);
  EXPECT_TRUE(none.asked().empty()) << none.asked()[0].text;
}

TEST_F(ClinicalListings, BirthdaysMatchDayAndMonthAndNeverAMissingDate) {
  addPatient(1, "Bisiesto, Ana", rt::makeDate(2, 29, 1980));
  addPatient(2, "Febrero, Luis", rt::makeDate(2, 28, 1975));
  addPatient(3, "Marzo, Eva", rt::makeDate(3, 1, 1990));
  addPatient(4, "Sin Fecha, Juan", 0);
  addPatient(5, "Diciembre, Rosa", rt::makeDate(12, 28, 1960));
  const std::filesystem::path pdf = pdfOf("Listado de Cumpleaños");
  struct Case {
    rt::Date date;
    std::vector<std::string> listed;  // empty: no file
  };
  const Case cases[] = {
      {rt::makeDate(2, 29, 2028), {"Bisiesto, Ana"}},
      {rt::makeDate(2, 28, 2027), {"Febrero, Luis"}},
      {rt::makeDate(3, 1, 2027), {"Marzo, Eva"}},
      // The day a missing date would read as: only the real birthday.
      {rt::makeDate(12, 28, 2026), {"Diciembre, Rosa"}},
      {0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.date);
    std::error_code ignored;
    std::filesystem::remove(pdf, ignored);
    GLO::ModoListado = "P";
    const int answer = onThread([&] { return runReporteCumpleanos(c.date); });
    if (c.listed.empty()) {
      EXPECT_EQ(answer, rt::kCancelled);
      EXPECT_FALSE(std::filesystem::exists(pdf));
      continue;
    }
    EXPECT_EQ(answer, rt::kCompleted);
    const std::string text = rt::testing::pdfText(pdf.string());
    EXPECT_EQ(occurrences(text, ", "), static_cast<int>(c.listed.size())) << text;
    for (const std::string& name : c.listed) EXPECT_NE(text.find(name), std::string::npos) << text;
    EXPECT_NE(text.find("Reporte de Pacientes que cumplen años el"), std::string::npos) << text;
    if (c.date == rt::makeDate(2, 29, 2028)) keepForReview(pdf);
  }
}

TEST_F(ClinicalListings, AnEmptyRunLeavesTheGlobalsAsTheyWere) {
  addPatient(1, "Marzo, Eva", rt::makeDate(3, 1, 1990));
  GLO::TipoListado = "M";
  GLO::NombrePDF = "anterior.PDF";
  GLO::MailListado = "alguien@example.org";
  GLO::AsuntoListado = "Asunto anterior";
  GLO::TextoMail = "Texto anterior";
  GLO::MostrarDialogoMail = 0;
  std::vector<core::ReportGlobalValues> seen;
  EXPECT_EQ(onThread([&] {
              BirthdayReport report(rt::makeDate(7, 9, 2026));
              const int answer = report.execute();
              seen.push_back(report.globalsAtClose());
              return answer;
            }),
            rt::kCancelled);
  EXPECT_EQ(GLO::ModoListado, "P");
  EXPECT_EQ(GLO::TipoListado, "M");
  EXPECT_EQ(GLO::NombrePDF, "anterior.PDF");
  EXPECT_EQ(GLO::MailListado, "alguien@example.org");
  EXPECT_EQ(GLO::AsuntoListado, "Asunto anterior");
  EXPECT_EQ(GLO::TextoMail, "Texto anterior");
  EXPECT_EQ(GLO::MostrarDialogoMail, 0);
  // The run's own globals as it left them: preset, then the PDF path.
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].TipoListado, "P");
  EXPECT_EQ(seen[0].NombrePDF, rt::runtimeName(pdfOf("Listado de Cumpleaños")));
  EXPECT_EQ(seen[0].TextoMail, "Mensaje Generado Automaticamente");
  core::ReportGlobals rest = core::reportGlobals();
  rest.TipoListado = "N";
  rest.NombrePDF = rest.MailListado = rest.AsuntoListado = rest.TextoMail = "";
  rest.MostrarDialogoMail = 1;
}

// Whether every word of `value` stands in `text` in its order: a value that
// wrapped in its column reads on the next line.
bool readsWhole(const std::string& text, const std::string& value) {
  std::size_t at = 0;
  std::istringstream words(value);
  for (std::string word; words >> word; at += word.size()) {
    at = text.find(word, at);
    if (at == std::string::npos) return false;
  }
  return true;
}

// Values wider than their columns (a phone, a plan, a long name and reason)
// read back whole from every clinical listing: shrunk to their box, or the
// row grown where even half the size would not hold them. Phones, words and
// all, always shrink to their line.
TEST_F(ClinicalListings, EveryListingsColumnsReadBackWhole) {
  core::Coberturas_Medicas::table().clear();
  core::COB().Cod_Cobertura = 3;
  core::COB().Descripcion = "Particular (sin cobertura)";
  ASSERT_EQ(core::Coberturas_Medicas::table().add(), 0);
  addLocality(5000, "Villa Carlos Paz de las Sierras");
  const std::string name = "Fernández de la Cruz Villanueva Etchegaray, María Guadalupe"_cp;
  const std::string phone = "351-5550005";
  const std::string reason =
      "Control de presión arterial y revisión de los estudios de laboratorio pedidos "
      "en la consulta anterior"_cp;
  addPatient(31, name, rt::makeDate(10, 12, 1961), 5000);  // born on the day of the listing
  core::PAC().Telefono = phone;
  core::PAC().Cod_Cobertura = 3;
  ASSERT_EQ(core::Pacientes::table().put(), 0);
  addVisit(31, kToday, reason);
  const std::string wordyPhone = "0351-4442222 / 351-155550005 (cel.)";
  addPatient(32, "Ibarra, Luis", rt::makeDate(10, 12, 1970));
  core::PAC().Telefono = wordyPhone;
  ASSERT_EQ(core::Pacientes::table().put(), 0);
  addVisit(32, kToday, "Control");

  struct Listing {
    const char* title;
    std::function<int()> run;
    std::vector<std::string> values;
    std::vector<std::string> phones;
  };
  const std::string plan = "Particular (sin cobertura)";
  const std::string born = "12/10/1961";
  const Listing listings[] = {
      {"Listado de Pacientes",
       [] { return runReportePacientes("", ""); },
       {name, phone, plan, born, "Villa Carlos Paz de las Sierras"},
       {phone, wordyPhone}},
      {"Listado de Cumpleaños",
       [] { return runReporteCumpleanos(kToday); },
       {name, phone, born},
       {phone, wordyPhone}},
      {"Listado de Consultas",
       [] { return runReporteConsultas("", ""); },
       {name, phone, plan, born, reason},
       {phone, wordyPhone}},
      {"Listado de Historia Clínica",
       [] { return runReporteHistoriaClinicaFiltrada(31); },
       {name, phone, reason},
       {phone}},
  };
  for (const Listing& l : listings) {
    SCOPED_TRACE(l.title);
    GLO::ModoListado = "P";
    EXPECT_EQ(onThread(l.run), rt::kCompleted);
    const std::filesystem::path pdf = pdfOf(l.title);
    keepForReview(pdf);
    const std::string text = rt::testing::pdfText(pdf.string());
    for (const std::string& value : l.values) {
      const std::string shown = rt::cp1252ToUtf8(value);
      EXPECT_TRUE(readsWhole(text, shown)) << shown << "\n" << text;
    }
    for (const std::string& p : l.phones) {
      EXPECT_NE(text.find(p), std::string::npos) << p << ": a phone on one line, whole\n" << text;
    }
  }
}

TEST_F(ClinicalListings, TwoListingsAtOnceEachWriteTheirOwnFile) {
  for (int p = 1; p <= 120; ++p) {
    addPatient(p, "Paciente " + std::to_string(1000 + p));
    addVisit(p, kToday - p, "Motivo " + std::to_string(1000 + p));
  }
  int running = 2;
  rt::start([&] {
    runReportePacientes("", "");
    --running;
  });
  rt::start([&] {
    runReporteConsultas("", "");
    --running;
  });
  ASSERT_TRUE(rt::testing::waitUntil([&] { return running == 0; }, "both listings",
                                     std::chrono::seconds(60)));
  const std::string patients = rt::testing::pdfText(pdfOf("Listado de Pacientes").string());
  const std::string visits = rt::testing::pdfText(pdfOf("Listado de Consultas").string());
  EXPECT_EQ(occurrences(patients, "Reporte de Pacientes"), 3);
  EXPECT_EQ(occurrences(patients, "Motivo "), 0);
  EXPECT_EQ(occurrences(visits, "Reporte de Consultas (Filtrado)"), 3);
  EXPECT_EQ(occurrences(visits, "Motivo "), 120);
  EXPECT_EQ(GLO::ModoListado, "A");
}

TEST_F(ClinicalListings, TheBirthdayWindowListsTodayAndClosesAfterTheListing) {
  std::vector<std::string> dates;
  bool windowOpen = false;
  rt::registerProcedure("ReporteCumpleanos", [&](const rt::ProcedureArgs& args) {
    dates.push_back(args.at(0));
    windowOpen = rt::WindowDriver::topWindow(rt::currentThreadNumber()) != nullptr;
    return rt::kCompleted;
  });
  for (const char* button : {"?OK", "?CANCEL"}) {
    SCOPED_TRACE(button);
    dates.clear();
    int closed = 0;
    ASSERT_TRUE(runOnThread([&] {
      core::testing::Probed<BirthdayWindow> window;
      window.probe([&](BirthdayWindow& w) {
        EXPECT_EQ(w.window()->windowTitle(), "Listado de Cumpleaños en una Fecha");
        EXPECT_EQ(w.control<QLineEdit>("?Fecha")->text(), "12/10/2026");
        if (const char* keep = std::getenv("VARNETA_KEEP_REPORT_SHOTS")) {
          w.window()->grab().save(QString::fromStdString(
              (std::filesystem::path(keep) / "birthday-window.png").string()));
        }
        click(w, button);
      });
      window.Run();
      closed = 1;
    }));
    EXPECT_EQ(closed, 1);
    if (std::string(button) == "?OK") {
      EXPECT_EQ(dates, (std::vector<std::string>{std::to_string(kToday)}));
      EXPECT_TRUE(windowOpen) << "the listing runs on the window's thread before it closes";
    } else {
      EXPECT_TRUE(dates.empty());
    }
  }
  rt::unregisterProcedure("ReporteCumpleanos");
}

}  // namespace
}  // namespace practice
