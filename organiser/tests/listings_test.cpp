// The notes listing and the topics report written as PDF files and read back:
// which notes and topics print and in what order, long texts whole across
// pages with "n de m" right on each, and the list's filter taken whole.
#include <QPlainTextEdit>
#include <algorithm>
#include <regex>

#include "organiser/notes_listing.h"
#include "organiser/tests/topic_test_kit.h"
#include "organiser/topics_report.h"

namespace organiser {
namespace {

using rt::testing::click;
using testing::occurrences;
using testing::ProbedNotes;
using testing::selectRow;

constexpr rt::Date kDay = 82000;

class Listings : public testing::TopicWindows {
 protected:
  void SetUp() override {
    testing::TopicWindows::SetUp();
    GLO::ModoListado = "P";
  }
  static std::string pdfText(const char* title) {
    return rt::testing::pdfText(pdfOf(title).string());
  }
};

// Each page's "caption n de m" as (n, m).
std::vector<std::pair<int, int>> pageCounters(const std::string& text, const std::string& caption) {
  std::vector<std::pair<int, int>> found;
  std::size_t pageStart = 0;
  while (pageStart < text.size()) {
    const std::size_t pageEnd = std::min(text.find('\f', pageStart), text.size());
    const std::string page = text.substr(pageStart, pageEnd - pageStart);
    const std::regex counter(std::regex_replace(caption, std::regex("\\."), "\\.") +
                             "\\s+(\\d+)\\s+de\\s+(\\d+)");
    std::smatch m;
    if (std::regex_search(page, m, counter)) {
      found.emplace_back(std::stoi(m[1]), std::stoi(m[2]));
    } else if (page.find_first_not_of(" \n") != std::string::npos) {
      found.emplace_back(0, 0);
    }
    pageStart = pageEnd + 1;
  }
  return found;
}

std::vector<std::pair<int, int>> expectedCounters(int pages) {
  std::vector<std::pair<int, int>> all;
  for (int p = 1; p <= pages; ++p) all.emplace_back(p, pages);
  return all;
}

// Distinct words, numbered, so a lost or repeated piece shows.
std::string numberedWords(std::size_t characters, const char* stem) {
  std::string text;
  for (int i = 1; text.size() < characters; ++i) text += stem + std::to_string(i) + " ";
  text.resize(characters);
  return text;
}

TEST_F(Listings, PrintingOneNoteOrAllFromTheList) {
  onThread([&] {
    addNote("Compras", "pan y leche");
    addNote("Banco", "pagar la tarjeta");
    addNote("Dentista", "");  // an empty text still prints its line
    ProbedNotes list;
    list.probe([&](NoteList& l) {
      selectRow(l, 1);  // Compras
      click(l, "?BUTTONIMPNOTA");
    });
    list.probe([&](NoteList& l) {
      const std::string one = pdfText("Listado de Notas");
      EXPECT_EQ(occurrences(one, "Compras"), 1) << one;
      EXPECT_EQ(occurrences(one, "pan y leche"), 1);
      EXPECT_EQ(occurrences(one, "Banco"), 0);
      EXPECT_EQ(occurrences(one, "Dentista"), 0);
      EXPECT_EQ(l.control<QPlainTextEdit>("?TEX:NOTA")->toPlainText(), "pan y leche");
      GLO::ModoListado = "P";
      click(l, "?BUTTONIMPTODAS");
    });
    list.probe([&](NoteList& l) { click(l, "?CLOSE"); });
    list.Run();
  });
  const std::string all = pdfText("Listado de Notas");
  rt::testing::keepForReview(pdfOf("Listado de Notas"));
  const std::size_t banco = all.find("Banco"), compras = all.find("Compras"),
                    dentista = all.find("Dentista");
  ASSERT_NE(dentista, std::string::npos) << all;
  EXPECT_LT(banco, compras);
  EXPECT_LT(compras, dentista);
  EXPECT_EQ(occurrences(all, "Consultorio Central"), 1);
  EXPECT_EQ(occurrences(all, "Listado de Notas"), 1);
  EXPECT_EQ(pageCounters(all, "Pag."), expectedCounters(1));
  const std::string meta = rt::testing::pdfMetadata(pdfOf("Listado de Notas").string());
  EXPECT_EQ(occurrences(meta, "ListadoDeNotas"), 2) << meta;
}

TEST_F(Listings, CodesMatchingNoneSeveralOrZero) {
  struct Case {
    std::uint16_t code;
    std::vector<const char*> printed;  // in order; empty: nothing written
  };
  const Case cases[] = {{3, {"Beta", "Delta"}}, {9, {}}, {0, {"Alfa", "Beta", "Delta"}}};
  onThread([&] {
    EXPECT_EQ(addNote("Delta", "cuarta"), 1);
    EXPECT_EQ(addNote("Alfa", "primera"), 2);
    EXPECT_EQ(addNote("Beta", "segunda"), 3);
    // Delta shares Beta's code, as notes stored before codes were given can.
    core::TEX().Descripcion = "Delta";
    ASSERT_EQ(core::Notas::table().fetch(core::Notas::TEX02), 0);
    core::TEX().CodigoInterno = 3;
    core::Notas::table().put();
    for (const Case& c : cases) {
      SCOPED_TRACE(c.code);
      std::filesystem::remove(pdfOf("Listado de Notas"));
      GLO::ModoListado = "P";
      EXPECT_EQ(ListadoDeNotas(c.code), c.printed.empty() ? rt::kCancelled : rt::kCompleted);
      if (c.printed.empty()) {
        EXPECT_FALSE(std::filesystem::exists(pdfOf("Listado de Notas")));
        continue;
      }
      const std::string text = pdfText("Listado de Notas");
      std::size_t last = 0;
      int shown = 0;
      for (const char* name : {"Alfa", "Beta", "Delta"}) shown += occurrences(text, name);
      EXPECT_EQ(shown, static_cast<int>(c.printed.size())) << text;
      for (const char* name : c.printed) {
        const std::size_t at = text.find(name);
        ASSERT_NE(at, std::string::npos) << name;
        EXPECT_GT(at, last);
        last = at;
      }
    }
  });
}

TEST_F(Listings, LongTextsPrintWholeAcrossPagesWithTheirCounters) {
  const std::string note = numberedWords(10000, "nota");
  const std::string notes = numberedWords(5000, "tema");
  onThread([&] {
    addNote("Antes", "corta");
    addNote("Larga", note);
    addNote("Zeta", "la ultima");
    addTopic(kDay, rt::makeTime(9, 0), "Primero", false, "breve");
    addTopic(kDay + 1, rt::makeTime(9, 0), "Largo", false, notes);
    for (int i = 0; i < 12; ++i) {
      addTopic(kDay + 2, rt::makeTime(10, i), "Relleno " + std::to_string(i), false,
               numberedWords(400, ("r" + std::to_string(i) + "x").c_str()));
    }
    EXPECT_EQ(ListadoDeNotas(0), rt::kCompleted);
    GLO::ModoListado = "P";
    EXPECT_EQ(ReporteTemasFiltrado("", ""), rt::kCompleted);
  });
  struct Case {
    const char* pdf;
    const char* caption;
    const std::string* text;
    const char* stem;
  };
  const Case cases[] = {{"Listado de Notas", "Pag.", &note, "nota"},
                        {"Listado de Temas", "Pag.:", &notes, "tema"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pdf);
    rt::testing::keepForReview(pdfOf(c.pdf));
    const std::string text = pdfText(c.pdf);
    const int pages =
        std::stoi(rt::testing::infoField(rt::testing::pdfInfo(pdfOf(c.pdf).string()), "Pages"));
    EXPECT_GE(pages, 2);
    EXPECT_EQ(pageCounters(text, c.caption), expectedCounters(pages)) << text;
    // Every word of the long text once, in order.
    std::size_t at = 0;
    int words = 0;
    for (int i = 1;; ++i) {
      const std::string word = std::string(c.stem) + std::to_string(i) + " ";
      const std::string last = std::string(c.stem) + std::to_string(i);
      std::size_t found = text.find(word, at);
      if (found == std::string::npos) found = text.find(last + "\n", at);
      if (found == std::string::npos) break;
      at = found + 1;
      ++words;
    }
    const std::size_t expected =
        static_cast<std::size_t>(std::count(c.text->begin(), c.text->end(), ' ')) +
        (c.text->back() == ' ' ? 0 : 1);
    EXPECT_GE(words + 1, static_cast<int>(expected)) << "words printed in order";
  }
  const std::string topics = pdfText("Listado de Temas");
  EXPECT_EQ(occurrences(topics, "Reporte de Notas - Filtrado por consulta"),
            static_cast<int>(pageCounters(topics, "Pag.:").size()));
  EXPECT_EQ(occurrences(topics, "29/09/2025"), occurrences(topics, "Pag.:")) << "run date";
  EXPECT_EQ(occurrences(topics, "10:30"), occurrences(topics, "Pag.:")) << "run time";
}

TEST_F(Listings, TopicsByDateWhateverTheListsOrder) {
  onThread([&] {
    addTopic(kDay + 2, rt::makeTime(8, 0), "Tercero");
    addTopic(kDay, rt::makeTime(18, 0), "Primero", false, "");
    addTopic(kDay + 1, rt::makeTime(7, 0), "Segundo");
    EXPECT_EQ(ReporteTemasFiltrado("", "-TEM:Asunto"), rt::kCompleted);
  });
  const std::string text = pdfText("Listado de Temas");
  rt::testing::keepForReview(pdfOf("Listado de Temas"));
  const std::size_t first = text.find("Primero"), second = text.find("Segundo"),
                    third = text.find("Tercero");
  ASSERT_NE(third, std::string::npos) << text;
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  EXPECT_EQ(occurrences(text, "01/07/2025"), 1);
  EXPECT_EQ(occurrences(text, "18:00"), 1);
  EXPECT_EQ(occurrences(text, "Asunto:"), 3);
}

TEST_F(Listings, AFilterLongerThan255CharactersIsTakenWhole) {
  std::string filter = "(TEM:Inactivo = 0) AND (";
  // Codes that select nothing, then the two wanted past the 255th character.
  for (int code = 100; filter.size() < 300; ++code) {
    filter += "TEM:NroInternoTema = " + std::to_string(code) + " OR ";
  }
  filter += "TEM:NroInternoTema = 2 OR TEM:NroInternoTema = 4)";
  ASSERT_GT(filter.size(), 255u);
  rt::testing::ScriptedMessages messages;
  onThread([&] {
    for (int i = 1; i <= 5; ++i) {
      addTopic(kDay + i, rt::makeTime(9, 0), "Tema " + std::to_string(i), i == 4);
    }
    EXPECT_EQ(ReporteTemasFiltrado(filter, ""), rt::kCompleted);
  });
  EXPECT_TRUE(messages.asked().empty()) << messages.asked()[0].text;
  const std::string text = pdfText("Listado de Temas");
  EXPECT_EQ(occurrences(text, "Tema "), 1) << text;
  EXPECT_EQ(occurrences(text, "Tema 2"), 1);
}

}  // namespace
}  // namespace organiser
