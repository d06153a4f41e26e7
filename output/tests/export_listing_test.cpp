// The export's print: column heads and the page number on every page, the
// values as their pictures show them, the totals row at the end.
#include "output/export_listing.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/testing/test_environment.h"
#include "platform/export/export_sample.h"
#include "platform/ui/report_output.h"
#include "platform/ui/testing/pdf_probe.h"

namespace output {
namespace {

TEST(ExportListing, EveryPageHasTheHeadsAndItsNumber) {
  rt::ExportFileTable table = rt::sampleExportTable();
  const std::vector<std::string> first = table.rows.front();
  for (int i = 0; i < 80; ++i) table.rows.push_back(first);
  const std::vector<rt::ReportPage> pages = exportListingPages(table);
  ASSERT_GE(pages.size(), 2u);
  const std::string pdf = (rt::testing::testRoot() / "listado.pdf").string();
  ASSERT_TRUE(rt::writePdf(pages, QString::fromStdString(pdf), {}));
  const std::string text = rt::testing::pdfText(pdf);
  std::vector<std::string> pageTexts;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\f', start)) != std::string::npos; start = end + 1) {
    pageTexts.push_back(text.substr(start, end - start));
  }
  ASSERT_EQ(pageTexts.size(), pages.size());
  for (std::size_t p = 0; p < pageTexts.size(); ++p) {
    const std::string& page = pageTexts[p];
    for (const char* expected :
         {"Pacientes & Cía", "Nombre", "Importe", "Fecha", "Hora", "Código"}) {
      EXPECT_NE(page.find(expected), std::string::npos) << expected << " on page " << p + 1;
    }
    EXPECT_NE(page.find("Página " + std::to_string(p + 1)), std::string::npos) << "page " << p + 1;
  }
  EXPECT_NE(pageTexts.front().find("José Ñandú"), std::string::npos);
  EXPECT_NE(pageTexts.front().find("02/10/2025"), std::string::npos);
  EXPECT_NE(pageTexts.front().find("=1+1"), std::string::npos);
  EXPECT_NE(pageTexts.back().find("Totales"), std::string::npos);
  EXPECT_NE(pageTexts.back().find("2,244.06"), std::string::npos) << "1,244.06 and 80 times 12.50";
  EXPECT_NE(pageTexts.back().find("83"), std::string::npos) << "the non-blank codes";
}

}  // namespace
}  // namespace output

namespace output {
namespace {

// A day's appointments as the planner exports them: short values in narrow
// columns beside long texts. Every value is printed whole, the long texts
// wrapped rather than cut.
TEST(ExportListing, EveryValueIsPrintedWholeAndLongTextsWrap) {
  auto day = [](int d, int m, int y) { return std::to_string(rt::makeDate(m, d, y)); };
  auto time = [](int h, int m) { return std::to_string(rt::makeTime(h, m)); };
  rt::ExportFileTable table;
  table.title = "Turnos del día"_cp;
  table.columns = {
      {"Hora", "@t7", false},         {"Dur.", "@t7", false},       {"Nº Abs."_cp, "@s8", false},
      {"Tipo", "@s10", false},        {"DNI", "@n12", false},       {"Fec. Nac.", "@d17", false},
      {"Teléfono"_cp, "@s20", false}, {"Paciente", "@s40", false},  {"Motivo", "@s60", false},
      {"Cobertura", "@s40", false},   {"Médico"_cp, "@s30", false}, {"Importe", "@n10.2", true}};
  const std::string motive =
      "Control anual con análisis de laboratorio y electrocardiograma previo a la cirugía"_cp;
  for (int i = 0; i < 6; ++i) {
    table.rows.push_back({time(10, 40 + i), time(0, 15), "001-000" + std::to_string(i), "Consulta",
                          "40777888", day(15, 1, 1980 + i), "351-5550005",
                          "Fernández de la Peña, María Guadalupe"_cp, motive,
                          "Particular (sin cobertura)", "Dra. Ana Ibáñez"_cp, "1500.5"});
  }
  const std::vector<rt::ReportPage> pages = exportListingPages(table);
  const std::string pdf = (rt::testing::testRoot() / "turnos.pdf").string();
  ASSERT_TRUE(rt::writePdf(pages, QString::fromStdString(pdf), {}));
  const std::string text = rt::testing::pdfText(pdf);
  for (const char* whole :
       {"Hora",     "Dur.",       "Nº Abs.",    "Tipo",        "DNI",      "Fec. Nac.", "Teléfono",
        "Paciente", "Motivo",     "Cobertura",  "Médico",      "10:40",    "10:45",     "00:15",
        "001-0005", "40,777,888", "15/01/1985", "351-5550005", "Consulta", "1,500.50"}) {
    EXPECT_NE(text.find(whole), std::string::npos) << whole << "\n" << text;
  }
  // The long texts may wrap, but no word of them is lost.
  for (const char* word : {"Fernández", "Guadalupe", "electrocardiograma", "cirugía", "Particular",
                           "cobertura)", "Ibáñez"}) {
    EXPECT_NE(text.find(word), std::string::npos) << word << "\n" << text;
  }
}

}  // namespace
}  // namespace output
