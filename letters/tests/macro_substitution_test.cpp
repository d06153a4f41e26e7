// Macro references replaced in a letter's markup: system and user values,
// small letters, references that stay, values that bring references, values
// escaped for RTF, a value that refers to itself, and the value list built
// from a template.
#include "letters/macro_substitution.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/ui/rtf_reader.h"
#include "platform/ui/rtf_writer.h"

namespace letters {
namespace {

SystemMacroValues systemValues() {
  return {{"***FECHA***", ReemplazarMacroFecha(rt::makeDate(9, 5, 2026))},
          {"***PACNOMBRE***", "Ana Peña"_cp},
          {"***PACDOCUMENTO***", "DNI Nº 12,345,678"_cp},
          {"***PACLOCALIDAD***", ""},
          {"***MEDNOMBRE***", "Luis Gómez"_cp},
          {"***MEDESPECIALIDAD***", ""}};
}

MacroList userMacros() {
  return {{"Diagnóstico"_cp, "  gripe  ", "DIAGNOSTICO"},
          {"Con blanco", "nunca", "MI MACRO"},
          {"Familiar", "Peña {Hijo} \\ ñ"_cp, "FAMILIAR"},
          {"Saludo", "Estimado ***PACNOMBRE***", "SALUDO"},
          {"Pac propio", "no", "PACPROPIO"}};
}

std::string substituted(std::string letter, const MacroList& qma = userMacros()) {
  const SubstitutionResult result = ReemplazarMacros(letter, qma, systemValues());
  EXPECT_TRUE(result.completed) << result.runaway;
  return letter;
}

TEST(MacroSubstitution, ReplacesReferencesAndKeepsWhatItCannot) {
  struct Case {
    const char* name;
    std::string letter;
    std::string expected;
  } cases[] = {
      {"date", "{x ***FECHA***}", "{x  5 de Setiembre de 2026}"},
      {"small letters", "{***pacNombre*** y ***MedNombre***}", "{Ana Pe\\'f1a y Luis G\\'f3mez}"},
      {"document", "{***PACDOCUMENTO***}", "{DNI N\\'ba 12,345,678}"},
      {"missing catalogue value", "{[***PACLOCALIDAD***][***MEDESPECIALIDAD***]}", "{[][]}"},
      {"unknown reference kept as typed", "{***Nada*** ***pacXyz***}", "{***Nada*** ***pacXyz***}"},
      {"user macro trimmed, twice", "{***diagnostico***, ***DIAGNOSTICO***}", "{gripe, gripe}"},
      {"user macro named like the patient group", "{***PACPROPIO***}", "{***PACPROPIO***}"},
      {"a row whose identifier has a blank (never listed)", "{***MI MACRO***}", "{nunca}"},
      {"six asterisks", "{a******b}", "{a******b}"},
      {"value bringing a reference", "{***SALUDO***:}", "{Estimado Ana Pe\\'f1a:}"},
      {"reference without a closing marker", "{***DIAGNOSTICO}", "{***DIAGNOSTICO}"},
  };
  for (const Case& c : cases) EXPECT_EQ(substituted(c.letter), c.expected) << c.name;
}

TEST(MacroSubstitution, InsertedValuesReadBackAsTyped) {
  const std::string letter = substituted(R"({\rtf1\ansi Para ***FAMILIAR***.\par})");
  EXPECT_EQ(rt::rtfPlainText(letter), "Para Peña {Hijo} \\ ñ."_cp);
}

// Values that begin with a letter or a digit, each put right after a change of
// formatting: nothing of them may run into the markup before it.
SystemMacroValues valuesAfterFormatting() {
  return {{"***FECHA***", ReemplazarMacroFecha(rt::makeDate(12, 11, 2026))},
          {"***PACNOMBRE***", "Jose Perez"},
          {"***PACLOCALIDAD***", ""},
          {"***MEDNOMBRE***", "Dra. Peña"_cp}};
}
const MacroList kDocumentNumber = {{"DNI", "20123456", "DNI"}};

std::string substitutedText(std::string letter) {
  const SubstitutionResult result =
      ReemplazarMacros(letter, kDocumentNumber, valuesAfterFormatting());
  EXPECT_TRUE(result.completed) << result.runaway;
  return rt::rtfPlainText(letter);
}

TEST(MacroSubstitution, AValueAfterFormattingIsReadBackWhole) {
  struct Case {
    const char* name;
    std::function<void(rt::CharStyle&)> format;
    rt::Alignment alignment;
    const char* reference;
    std::string expected;
  };
  const rt::Alignment left = rt::Alignment::Left;
  const Case cases[] = {
      {"bold", [](rt::CharStyle& s) { s.bold = true; }, left, "***PACNOMBRE***",
       "Estimado Jose Perez:"},
      {"italic", [](rt::CharStyle& s) { s.italic = true; }, left, "***PACNOMBRE***",
       "Estimado Jose Perez:"},
      {"underline", [](rt::CharStyle& s) { s.underline = true; }, left, "***PACNOMBRE***",
       "Estimado Jose Perez:"},
      {"size", [](rt::CharStyle& s) { s.halfPoints = 28; }, left, "***DNI***",
       "Estimado 20123456:"},
      {"colour", [](rt::CharStyle& s) { s.colour = 0xC00000; }, left, "***FECHA***",
       "Estimado 11 de Diciembre de 2026:"},
      {"highlight", [](rt::CharStyle& s) { s.highlight = 0xFFFF00; }, left, "***DNI***",
       "Estimado 20123456:"},
      {"font", [](rt::CharStyle& s) { s.font = "Courier New"; }, left, "***DNI***",
       "Estimado 20123456:"},
      {"an empty value", [](rt::CharStyle& s) { s.bold = true; }, left, "***PACLOCALIDAD***Centro",
       "Estimado Centro:"},
      {"centred, at the paragraph's start",
       {},
       rt::Alignment::Centre,
       "***MEDNOMBRE***",
       "Dra. Peña:"_cp},
      {"right, at the paragraph's start",
       {},
       rt::Alignment::Right,
       "***FECHA***",
       "11 de Diciembre de 2026:"},
      {"justified, at the paragraph's start",
       {},
       rt::Alignment::Justified,
       "***DNI***",
       "20123456:"},
  };
  for (const Case& c : cases) {
    rt::Paragraph paragraph;
    paragraph.style.alignment = c.alignment;
    if (c.alignment == left) paragraph.runs.push_back({"Estimado ", {}});
    rt::CharStyle formatted;
    if (c.format) c.format(formatted);
    paragraph.runs.push_back({c.reference, formatted});
    paragraph.runs.push_back({":", {}});
    EXPECT_EQ(substitutedText(rt::writeRtf(rt::RichText{{paragraph}})), c.expected) << c.name;
  }
}

TEST(MacroSubstitution, AValueAfterAControlWordLeftOpenIsReadBackWhole) {
  // Templates stored before the writer ended every control word.
  struct Case {
    const char* markup;
    std::string expected;
  } cases[] = {
      {R"({\rtf1\ansi Estimado \b***PACNOMBRE***\b0 :\par})", "Estimado Jose Perez:"},
      {R"({\rtf1\ansi Estimado \i***pacnombre***\i0 :\par})", "Estimado Jose Perez:"},
      {R"({\rtf1\ansi DNI \fs28***DNI***\fs24 .\par})", "DNI 20123456."},
      {R"({\rtf1\ansi{\colortbl ;\red255\green0\blue0;}\cf1***FECHA***\cf0 .\par})",
       "11 de Diciembre de 2026."},
      {R"({\rtf1\ansi\pard\qc***MEDNOMBRE***\par})", "Dra. Peña"_cp},
      {R"({\rtf1\ansi\pard\li-200***DNI***\par})", "20123456"},
      {R"({\rtf1\ansi [\b***PACLOCALIDAD***Centro]\par})", "[Centro]"},
      {R"({\rtf1\ansi C:\\b***DNI***\par})", "C:\\b20123456"},  // a backslash of the text
      {R"({\rtf1\ansi \'e9***DNI***\par})",
       "\xE9"
       "20123456"},
  };
  for (const Case& c : cases) EXPECT_EQ(substitutedText(c.markup), c.expected) << c.markup;
}

TEST(MacroSubstitution, AValueReferringToItselfStopsWithTheLetterUnchanged) {
  for (const MacroList& loop : {MacroList{{"A", "x ***A*** y", "A"}},
                                MacroList{{"A", "***B***", "A"}, {"B", "(***A***)", "B"}}}) {
    std::string letter = "{inicio ***A*** ***PACNOMBRE***}";
    const SubstitutionResult result = ReemplazarMacros(letter, loop, systemValues());
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(letter, "{inicio ***A*** ***PACNOMBRE***}");
    EXPECT_NE(runawayMessage(result.runaway).find("***"), std::string::npos);
  }
}

TEST(MacroSubstitution, ALetterGrowingPastTenThousandCharactersIsKeptWhole) {
  const std::string big(3000, 'x');
  MacroList qma = {{"Grande", big, "GRANDE"}};
  std::string letter = "{";
  for (int i = 0; i < 5; ++i) letter += "***GRANDE*** ";
  letter += "fin ***PACNOMBRE***}";
  const std::string result = substituted(letter, qma);
  EXPECT_GT(result.size(), 15000u);
  EXPECT_TRUE(result.ends_with("fin Ana Pe\\'f1a}"));
}

TEST(MacroSubstitution, TheValueListTakesUserMacrosOnce) {
  std::map<std::string, MacroRecord> table = {
      {"DIAGNOSTICO", {"DIAGNOSTICO", "Diagnóstico"_cp, "gripe", 0, 1}},
      {"RECETA", {"RECETA", "Receta", "no se propone", 0, 0}},
      {"PACNOMBRE", {"PACNOMBRE", "Nombre", "", 1, 0}},
      {"PACPROPIO", {"PACPROPIO", "Propio", "", 0, 0}},
      {"MI MACRO", {"MI MACRO", "Con blanco", "", 0, 0}},
  };
  int lookups = 0;
  const MacroLookup lookup = [&](const std::string& id) -> std::optional<MacroRecord> {
    ++lookups;
    const auto found = table.find(id);
    if (found == table.end()) return std::nullopt;
    return found->second;
  };
  MacroList qma;
  ArmarListaMacros("  {***receta*** ***PACNOMBRE*** ***Diagnostico*** ***MI MACRO*** ******}", qma,
                   lookup);
  ASSERT_EQ(qma.size(), 2u);
  EXPECT_EQ(qma[0].IDENTIFICADOR, "RECETA");
  EXPECT_EQ(qma[0].VALOR, "");
  EXPECT_EQ(qma[1].IDENTIFICADOR, "DIAGNOSTICO");
  EXPECT_EQ(qma[1].VALOR, "gripe");  // a kept value is proposed
  qma[1].VALOR = "bronquitis";
  // The same template again adds nothing and keeps the values given.
  ArmarListaMacros("{***RECETA*** ***DIAGNOSTICO***}", qma, lookup);
  EXPECT_EQ(qma.size(), 2u);
  EXPECT_EQ(qma[1].VALOR, "bronquitis");
  // Another template appends.
  ArmarListaMacros("{***PACPROPIO***}", qma, lookup);
  ASSERT_EQ(qma.size(), 3u);
  EXPECT_EQ(qma[2].IDENTIFICADOR, "PACPROPIO");
  EXPECT_GT(lookups, 0);
}

TEST(MacroSubstitution, DatesInWords) {
  EXPECT_EQ(ReemplazarMacroFecha(rt::makeDate(9, 5, 2026)), " 5 de Setiembre de 2026");
  EXPECT_EQ(ReemplazarMacroFecha(rt::makeDate(12, 31, 1999)), "31 de Diciembre de 1999");
  EXPECT_EQ(ReemplazarMacroFecha(rt::makeDate(1, 10, 2030)), "10 de Enero de 2030");
}

}  // namespace
}  // namespace letters
