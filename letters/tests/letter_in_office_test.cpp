// A letter as LibreOffice reads it, where LibreOffice is installed: values
// put right after formatting, in templates written now and before and in one
// that LibreOffice wrote, and lists in their own styles, each counting from
// its start.
#include <gtest/gtest.h>

#include <fstream>

#include "letters/macro_substitution.h"
#include "letters/tests/letter_fixture.h"
#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/testing/office_reader.h"
#include "platform/base/testing/test_environment.h"
#include "platform/ui/rtf_reader.h"
#include "platform/ui/rtf_writer.h"

namespace letters {
namespace {

namespace fs = std::filesystem;

rt::Paragraph paragraph(std::vector<rt::TextRun> runs, rt::ListStyle list = rt::ListStyle::None,
                        rt::Alignment alignment = rt::Alignment::Left) {
  rt::Paragraph p;
  p.runs = std::move(runs);
  p.style.list = list;
  p.style.alignment = alignment;
  if (list != rt::ListStyle::None) {
    p.style.leftIndent = 720;
    p.style.firstLineIndent = -360;
  }
  return p;
}

// A template as the editors write it.
std::string writtenTemplate() {
  rt::CharStyle bold;
  bold.bold = true;
  rt::CharStyle big;
  big.halfPoints = 28;
  rt::CharStyle red;
  red.colour = 0xC00000;
  const rt::ListStyle letters = rt::ListStyle::LowerLetter;
  const rt::ListStyle roman = rt::ListStyle::UpperRoman;
  return rt::writeRtf(rt::RichText{{
      paragraph({{"Estimado ", {}}, {"***PACNOMBRE***", bold}, {":", {}}}),
      paragraph({{"DNI ", {}}, {"***DNI***", big}}),
      paragraph({{"***FECHA***", red}}),
      paragraph({{"***MEDNOMBRE***", {}}}, rt::ListStyle::None, rt::Alignment::Centre),
      paragraph({{"Letra uno", {}}}, letters),
      paragraph({{"Letra dos", {}}}, letters),
      paragraph({{"Entre listas", {}}}),
      paragraph({{"Romano uno", {}}}, roman),
      paragraph({{"Romano dos", {}}}, roman),
      paragraph({{"Otra lista", {}}}, rt::ListStyle::Decimal),
  }});
}

// A template stored before every control word was ended.
constexpr char kOlderTemplate[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil Arial;}}{\\colortbl "
    ";\\red192\\green0\\blue0;}\\uc1\r\n"
    "Estimado \\b***PACNOMBRE***\\b0 :\\par\r\n"
    "DNI \\fs28***DNI***\\fs24\\par\r\n"
    "\\cf1***FECHA***\\cf0\\par\r\n"
    "\\pard\\qc***MEDNOMBRE***\\par\r\n}";

std::string substituted(std::string letter) {
  const SystemMacroValues values = {
      {"***FECHA***", ReemplazarMacroFecha(rt::makeDate(12, 11, 2026))},
      {"***PACNOMBRE***", "Jose Perez"},
      {"***MEDNOMBRE***", "Dra. Peña"_cp}};
  const MacroList qma = {{"DNI", "20123456", "DNI"}, {"Diagnóstico"_cp, "gripe", "DIAGNOSTICO"}};
  EXPECT_TRUE(ReemplazarMacros(letter, qma, values).completed);
  return letter;
}

// The program's own reading of a letter, line by line in UTF-8, without the
// blanks that end a line (as the converted text is compared).
std::vector<std::string> linesAsRead(const std::string& letter) {
  const std::string text = rt::cp1252ToUtf8(rt::rtfPlainText(letter));
  std::vector<std::string> lines;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find("\r\n", start), text.size());
    std::string line = text.substr(start, end - start);
    line.erase(line.find_last_not_of(' ') + 1);
    lines.push_back(std::move(line));
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> withoutIndent(std::vector<std::string> lines) {
  for (std::string& line : lines) line.erase(0, line.find_first_not_of(" \t"));
  return lines;
}

TEST(LetterInOffice, LibreOfficeReadsTheLetterAsTheProgramDoes) {
  if (!rt::testing::officeInstalled()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  const fs::path folder = rt::testing::testRoot() / "office-letters";
  fs::create_directories(folder);
  const std::pair<const char*, std::string> letters[] = {
      {"carta.rtf", substituted(writtenTemplate())},
      {"carta-anterior.rtf", substituted(kOlderTemplate)},
      {"carta-libreoffice.rtf",
       substituted(rt::rewrittenRtf(testing::testData("libreoffice_template.rtf")))}};
  std::vector<fs::path> files;
  for (const auto& [name, markup] : letters) {
    files.push_back(folder / name);
    std::ofstream(files.back(), std::ios::binary) << markup;
  }
  std::string said;
  ASSERT_TRUE(
      rt::testing::convertWithOffice(files, "txt:Text (encoded):UTF8", folder / "texto", said))
      << said;

  const std::vector<std::string> head = {"Estimado Jose Perez:", "DNI 20123456",
                                         "11 de Diciembre de 2026", "Dra. Peña"};
  std::vector<std::string> whole = head;
  for (const char* line : {"a. Letra uno", "b. Letra dos", "Entre listas", "I. Romano uno",
                           "II. Romano dos", "1. Otra lista"}) {
    whole.push_back(line);
  }
  EXPECT_EQ(withoutIndent(rt::testing::textLines(folder / "texto" / "carta.txt")), whole);
  EXPECT_EQ(withoutIndent(rt::testing::textLines(folder / "texto" / "carta-anterior.txt")), head);
  // The program's own reading gives the same words (it shows numbers apart).
  EXPECT_EQ(linesAsRead(letters[1].second), head);
  const std::vector<std::string> fromLibreOffice =
      rt::testing::textLines(folder / "texto" / "carta-libreoffice.txt");
  EXPECT_EQ(withoutIndent(fromLibreOffice), linesAsRead(letters[2].second));
  EXPECT_EQ(fromLibreOffice.front(), "Buenos Aires, 11 de Diciembre de 2026");
  EXPECT_EQ(fromLibreOffice.at(4), "Diagnóstico: gripe");
}

}  // namespace
}  // namespace letters
