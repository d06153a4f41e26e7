// The export's print: column heads and the page number on every page, the
// values as their pictures show them, the totals row at the end.
#include "output/export_listing.h"

#include <gtest/gtest.h>

#include <filesystem>

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
    for (const char* expected : {"Pacientes & Cía", "Nombre", "Importe", "Fecha", "Hora", "Código"}) {
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
