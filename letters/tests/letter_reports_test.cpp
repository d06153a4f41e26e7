// The two letter reports written as PDF and read back with poppler's tools: a
// letter of three pages with the plain paper's header on each, the
// letterhead's pages with nothing above their body, one letter printed
// whatever the templates' table holds, and "Reporte.PDF" in the PDF folder.
#include "letters/letter_reports.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/report_destination.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "core/testing/report_practice.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/testing/pdf_probe.h"
#include "platform/ui/testing/window_test_kit.h"

namespace letters {
namespace {

using rt::testing::keepForReview;
using rt::testing::occurrences;

// A letter of `lines` numbered paragraphs.
std::string letterOf(int lines) {
  std::string markup = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs22 ";
  for (int i = 1; i <= lines; ++i) markup += "Renglon " + std::to_string(i) + " de la carta.\\par ";
  return markup + "}";
}

// The top of the highest word of each page, in points from the page's top.
std::vector<double> topsOfPages(const std::filesystem::path& pdf) {
  const std::string boxes = rt::testing::commandOutput("pdftotext -bbox '" + pdf.string() + "' -");
  std::vector<double> tops;
  std::istringstream in(boxes);
  for (std::string line; std::getline(in, line);) {
    if (line.find("<page") != std::string::npos) tops.push_back(1e9);
    const auto at = line.find("yMin=\"");
    if (at == std::string::npos || tops.empty()) continue;
    tops.back() = std::min(tops.back(), std::stod(line.substr(at + 6)));
  }
  return tops;
}

class LetterReports : public core::testing::ReportPractice {
 protected:
  LetterReports() : ReportPractice("letters") {}
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ReportPractice::SetUp());
    GLO::UsuarioSistema = "Consultorio Central";
  }
  int print(bool letterhead, const std::string& letter) {
    int answer = 0;
    GLO::ModoListado = "P";
    EXPECT_TRUE(rt::testing::runOnThread(
        [&] {
          answer =
              letterhead ? ReporteNotaConMacroMembrete(letter) : ReporteNotaConMacroNormal(letter);
        },
        std::chrono::seconds(60)));
    return answer;
  }
  std::filesystem::path pdf() const { return rt::workingFolder() / "PDF" / "Reporte.PDF"; }
};

TEST_F(LetterReports, ThreePagesOfPlainPaperEachWithTheHeader) {
  ASSERT_EQ(print(false, letterOf(150)), rt::kCompleted);
  ASSERT_TRUE(std::filesystem::exists(pdf())) << GLO::NombrePDF;
  const std::string text = rt::testing::pdfText(pdf().string());
  EXPECT_EQ(rt::testing::infoField(rt::testing::pdfInfo(pdf().string()), "Pages"), "3");
  EXPECT_EQ(occurrences(text, "Consultorio Central"), 3) << text;
  EXPECT_EQ(occurrences(text, "Fecha:"), 3);
  std::vector<std::string> numbers;
  for (auto at = text.find("Pag.:"); at != std::string::npos; at = text.find("Pag.:", at + 1)) {
    const auto digits = text.find_first_not_of(' ', at + 5);
    numbers.push_back(text.substr(digits, text.find_first_not_of("0123456789", digits) - digits));
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "3"}));
  // Every line of the letter once, in order.
  std::size_t last = 0;
  for (int i = 1; i <= 150; ++i) {
    const std::string line = "Renglon " + std::to_string(i) + " de la carta.";
    ASSERT_EQ(occurrences(text, line), 1) << line;
    EXPECT_GT(text.find(line), last);
    last = text.find(line);
  }
  const std::string meta = rt::testing::pdfMetadata(pdf().string());
  EXPECT_NE(meta.find("ReporteNotaConMacroNormal"), std::string::npos);
  keepForReview(pdf(), "letter-normal.pdf");
}

TEST_F(LetterReports, TheLetterheadLeavesTheTopOfEverySheetEmpty) {
  ASSERT_EQ(print(true, letterOf(150)), rt::kCompleted);
  const std::string text = rt::testing::pdfText(pdf().string());
  EXPECT_EQ(occurrences(text, "Consultorio Central"), 0);
  EXPECT_EQ(occurrences(text, "Pag.:"), 0);
  const std::vector<double> tops = topsOfPages(pdf());
  ASSERT_GE(tops.size(), 3u);
  for (double top : tops) EXPECT_GE(top, 1969 * 72.0 / 1000 - 1) << "text above the body";
  keepForReview(pdf(), "letter-letterhead.pdf");
  // The plain paper's first page starts at its header.
  ASSERT_EQ(print(false, letterOf(3)), rt::kCompleted);
  EXPECT_LT(topsOfPages(pdf()).at(0), 802 * 72.0 / 1000);
}

TEST_F(LetterReports, TheLetterPrintsOnceWhateverTheTemplatesTableHolds) {
  for (int templates : {0, 3}) {
    SCOPED_TRACE(templates);
    std::filesystem::remove(pdf());
    for (int i = 1; i <= templates; ++i) {
      core::NotasMacros::table().clear();
      core::NMA().Cod_NotaMacro = static_cast<std::uint16_t>(i);
      core::NMA().Descripcion = "Plantilla " + std::to_string(i);
      ASSERT_EQ(core::NotasMacros::table().add(), 0);
    }
    ASSERT_EQ(print(true, letterOf(2)), rt::kCompleted);
    const std::string text = rt::testing::pdfText(pdf().string());
    EXPECT_EQ(occurrences(text, "Renglon 1 de la carta."), 1) << text;
    EXPECT_EQ(occurrences(text, "\f"), 1);
  }
  // An empty letter is still one page, with the header alone.
  ASSERT_EQ(print(false, ""), rt::kCompleted);
  const std::string text = rt::testing::pdfText(pdf().string());
  EXPECT_EQ(occurrences(text, "Consultorio Central"), 1);
  EXPECT_EQ(occurrences(text, "\f"), 1);
}

}  // namespace
}  // namespace letters
