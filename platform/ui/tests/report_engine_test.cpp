// The band engine: headers and footers on every page, page breaks, the page
// counter, word-wrapped and rich text that continue on the next page, and
// the pages written as a PDF file read back with poppler's tools.
#include "platform/ui/report_engine.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QStringList>
#include <cmath>
#include <filesystem>
#include <string>

#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/picture.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/report_output.h"
#include "platform/ui/testing/pdf_probe.h"

namespace rt {
namespace {

QStringList texts(const ReportPage& page) {
  QStringList list;
  for (const PageItem& item : page.items) {
    if (item.kind == PageItem::Kind::Text) list << item.text.trimmed();
  }
  return list;
}

void headedEngine(ReportEngine& engine) {
  const QFont font = reportFont("Arial", 10);
  engine.header.height = 400;
  engine.header.label(0, 0, 3000, 200, "Cabecera", font);
  engine.header.text(
      6000, 0, 1000, 200, [&engine] { return std::to_string(engine.pageNumber()); }, font, "@n-7",
      Qt::AlignRight);
  engine.footer.height = 300;
  engine.footer.label(0, 50, 3000, 200, "Pie", font);
}

TEST(ReportEngine, DetailBandsFillPagesBetweenHeaderAndFooter) {
  ReportEngine engine;
  headedEngine(engine);
  int done = 0;
  engine.onPageDone = [&done](int page) { EXPECT_EQ(page, ++done); };
  ReportBand detail;
  detail.height = 200;
  int n = 0;
  detail.text(
      0, 0, 2000, 200, [&n] { return "fila " + std::to_string(n); }, reportFont("Arial", 10));
  // 11000 - 1000 margins - 400 header - 300 footer = 9300: 46 rows a page.
  for (n = 1; n <= 100; ++n) engine.print(detail);
  engine.finishPage();
  ASSERT_EQ(engine.pages().size(), 3u);
  EXPECT_EQ(done, 3);
  int rows = 0;
  for (std::size_t p = 0; p < engine.pages().size(); ++p) {
    const QStringList t = texts(engine.pages()[p]);
    EXPECT_EQ(t.count("Cabecera"), 1);
    EXPECT_EQ(t.count("Pie"), 1);
    EXPECT_TRUE(t.contains(QString::number(p + 1))) << "page number on page " << p + 1;
    for (const PageItem& item : engine.pages()[p].items) {
      if (!item.text.startsWith("fila")) continue;
      ++rows;
      EXPECT_EQ(item.text, QString("fila %1").arg(rows));
      EXPECT_GE(item.rect.top(), 500 + 400);
      EXPECT_LE(item.rect.bottom(), 11000 - 500 - 300);
    }
  }
  EXPECT_EQ(rows, 100);
  // A forced break starts the next band on a new page.
  engine.pageBreak();
  engine.print(detail);
  EXPECT_EQ(engine.pageNumber(), 4);
}

TEST(ReportEngine, WrappedTextGrowsItsBandAndContinuesOnTheNextPage) {
  ReportEngine engine;
  headedEngine(engine);
  std::string words;
  for (int i = 1; i <= 1500; ++i) words += "palabra" + std::to_string(i) + " ";
  ReportBand first;
  first.height = 200;
  first.label(0, 0, 2000, 200, "antes", reportFont("Arial", 10));
  ReportBand note;
  note.height = 100;
  note.label(0, 0, 1000, 100, "Notas:", reportFont("Arial", 10));
  note.wrapped(
      1000, 100, 4000, [&words] { return words; }, reportFont("Arial", 10));
  ReportBand after;
  after.height = 200;
  after.label(0, 0, 2000, 200, "despues", reportFont("Arial", 10));
  engine.print(first);
  engine.print(note);
  engine.print(after);
  engine.finishPage();
  ASSERT_GE(engine.pages().size(), 3u);
  // Every word once, in order, never outside the body; the label only once.
  int expected = 1;
  int labels = 0;
  double lastBottom = 0;
  for (const ReportPage& page : engine.pages()) {
    for (const PageItem& item : page.items) {
      if (item.text == "Notas:") ++labels;
      if (!item.text.startsWith("palabra")) continue;
      EXPECT_LE(item.rect.bottom(), 11000 - 500 - 300);
      EXPECT_LE(item.rect.right(), 500 + 1000 + 4000 + 1);
      for (const QString& w : item.text.split(' ', Qt::SkipEmptyParts)) {
        ASSERT_EQ(w, QString("palabra%1").arg(expected)) << "word order";
        ++expected;
      }
      lastBottom = item.rect.bottom();
    }
  }
  EXPECT_EQ(expected, 1501);
  EXPECT_EQ(labels, 1);
  // The band after the note follows the text's last line on the last page.
  const ReportPage& last = engine.pages().back();
  for (const PageItem& item : last.items) {
    if (item.text == "despues") {
      EXPECT_GE(item.rect.top(), lastBottom - 1);
    }
  }
}

TEST(ReportEngine, RichTextContinuesOnTheNextPage) {
  ReportEngine engine;
  headedEngine(engine);
  std::string markup = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ";
  for (int i = 0; i < 120; ++i) markup += "L\\'ednea " + std::to_string(i) + "\\par ";
  markup += "}";
  ReportBand band;
  band.rich(
      0, 0, 6000, [&markup] { return markup; }, reportFont("Arial", 10));
  engine.print(band);
  engine.finishPage();
  ASSERT_GE(engine.pages().size(), 2u);
  double drawn = 0;
  double expectedTop = 0;
  for (const ReportPage& page : engine.pages()) {
    for (const PageItem& item : page.items) {
      if (item.kind != PageItem::Kind::RichSlice) continue;
      EXPECT_NEAR(item.sliceTop, expectedTop, 1) << "slices follow one another";
      expectedTop = item.sliceTop + item.rect.height();
      drawn += item.rect.height();
      EXPECT_LE(item.rect.bottom(), 11000 - 500 - 300);
    }
  }
  EXPECT_GT(drawn, 120 * 166);
}

TEST(ReportEngine, PdfCarriesThePagesAndTheDocumentInformation) {
  ReportEngine engine;
  headedEngine(engine);
  ReportBand detail;
  detail.height = 200;
  int n = 0;
  detail.text(
      0, 0, 3000, 200, [&n] { return "Señor "_cp + std::to_string(n); }, reportFont("Arial", 10));
  for (n = 1; n <= 60; ++n) engine.print(detail);
  const std::vector<ReportPage> pages = engine.takePages();
  const std::string path = (std::filesystem::current_path() / "engine.pdf").string();
  PdfDocumentInfo info;
  info.title = "Listado";
  info.creator = "varneta";
  info.subject = "Prueba";
  info.programName = "PruebaMotor";
  ASSERT_TRUE(writePdf(pages, QString::fromStdString(path), info));
  const std::string text = testing::pdfText(path);
  EXPECT_NE(text.find("Se\xC3\xB1or 60"), std::string::npos) << text;
  EXPECT_NE(text.find("\f"), std::string::npos);  // a page break between the two pages
  const std::string facts = testing::pdfInfo(path);
  EXPECT_EQ(testing::infoField(facts, "Pages"), "2");
  EXPECT_EQ(testing::infoField(facts, "Title"), "Listado");
  EXPECT_EQ(testing::infoField(facts, "Creator"), "varneta");
  EXPECT_NE(testing::infoField(facts, "Page size").find("612 x 792"), std::string::npos) << facts;
  const std::string meta = testing::pdfMetadata(path);
  EXPECT_NE(meta.find(">Prueba<"), std::string::npos) << meta;
  EXPECT_NE(meta.find("PruebaMotor"), std::string::npos) << meta;
}

// A line laid out under a wrapped text's box: under the text however many
// lines it takes, on the page where a long text ends, and at its own place
// when the text is empty.
TEST(ReportEngine, ControlsUnderAWrappedBoxFollowTheTextsEnd) {
  struct Case {
    const char* what;
    int words;
    int pages;
  };
  const Case cases[] = {{"empty", 0, 1}, {"one line", 3, 1}, {"many pages", 1500, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReportEngine engine;
    headedEngine(engine);
    std::string words;
    for (int i = 1; i <= c.words; ++i) words += "palabra" + std::to_string(i) + " ";
    ReportBand band;
    band.height = 500;
    band.label(0, 0, 2000, 200, "Titulo", reportFont("Arial", 10));
    band.wrapped(
        200, 200, 4000, [&words] { return words; }, reportFont("Arial", 10), 200);
    band.line(200, 450, 4000, 0);
    engine.print(band);
    engine.print(band);  // a second band starts under the first one's line
    engine.finishPage();
    ASSERT_GE(static_cast<int>(engine.pages().size()), c.pages);
    // Per band: the bottom of its last text line, and its line.
    std::vector<double> textBottoms, lineTops;
    std::vector<int> linePages;
    double lastText = 0;
    for (std::size_t p = 0; p < engine.pages().size(); ++p) {
      for (const PageItem& item : engine.pages()[p].items) {
        if (item.kind == PageItem::Kind::Text && item.text.startsWith("palabra")) {
          lastText = item.rect.bottom();
        }
        if (item.kind == PageItem::Kind::Line) {
          textBottoms.push_back(lastText);
          lineTops.push_back(item.rect.top());
          linePages.push_back(static_cast<int>(p));
          lastText = 0;
        }
      }
    }
    ASSERT_EQ(lineTops.size(), 2u) << "one line per band";
    const double top = 500 + 400;  // the margin and the header
    if (c.words == 0) {
      EXPECT_EQ(lineTops[0], top + 450);
      EXPECT_EQ(lineTops[1], top + 500 + 450);
    } else {
      // 50 under the text, as the line lies 50 under the box; never above
      // its own place when the text is shorter than the box.
      for (int b = 0; b < 2; ++b) {
        EXPECT_GE(lineTops[b], textBottoms[b]) << "band " << b;
        const double ownPlace = (linePages[b] == 0 ? top + 500 * b : top) + 450;
        if (c.pages == 1) {
          EXPECT_NEAR(lineTops[b], std::max(ownPlace, textBottoms[b] + 50), 1) << "band " << b;
        } else {
          EXPECT_NEAR(lineTops[b], textBottoms[b] + 50, 1) << "band " << b;
        }
      }
    }
    if (c.pages > 1) {
      EXPECT_GT(linePages[0], 0) << "the line ends the text, pages on";
    }
  }
}

TEST(ReportEngine, PageTotalsAreWrittenIntoEveryPage) {
  ReportEngine engine;
  headedEngine(engine);
  engine.header.label(4000, 0, 375, 200, kPageTotalMark, reportFont("Arial", 10));
  ReportBand detail;
  detail.height = 200;
  detail.label(0, 0, 2000, 200, "Renglon", reportFont("Arial", 10));
  for (int i = 0; i < 100; ++i) engine.print(detail);
  std::vector<ReportPage> pages = engine.takePages();
  ASSERT_EQ(pages.size(), 3u);
  assignPageTotals(pages);
  for (const ReportPage& page : pages) {
    EXPECT_TRUE(texts(page).contains("3"));
    EXPECT_FALSE(texts(page).contains(kPageTotalMark));
  }
}

TEST(ReportEngine, ReportFontsMapToInstalledFaces) {
  EXPECT_EQ(reportFontFamily("Arial"), "Liberation Sans");
  EXPECT_EQ(reportFontFamily("MS Sans Serif"), "Liberation Sans");
  EXPECT_EQ(reportFontFamily("Arial Monospaced 03"), "Liberation Sans");
  EXPECT_EQ(reportFontFamily("Courier New"), "Liberation Mono");
  EXPECT_EQ(reportFontFamily("Times New Roman"), "Liberation Serif");
  // Letter Gothic 12 pitch has the fixed advance of Courier.
  EXPECT_EQ(reportFontFamily("LettrGoth12 BT"), "Liberation Mono");
  EXPECT_EQ(reportFontFamily("Calibri"), "Carlito");
  EXPECT_EQ(reportFontFamily("Cambria"), "Caladea");
  EXPECT_EQ(reportFontFamily("Una Fuente Inexistente"), "Liberation Sans");
}

// A value wider than its box loses no character: it wraps where the box
// has room for more lines, else it shrinks; prose that would need less than
// 70 % of its size makes its detail band grow and wraps there. Only a page's
// header, which cannot grow, cuts such prose, at that size. Numbers and
// phones, words and all, always shrink.
TEST(ReportEngine, TextsShrinkOrWrapInTheirBoxInsteadOfBeingCut) {
  const QFont font = reportFont("Arial Monospaced 03", 10);
  QString prose;
  for (int i = 1; i <= 30; ++i) prose += QString("palabra%1 ").arg(i);
  prose = prose.trimmed();
  struct Case {
    std::string value;
    int width, height;
    std::string picture;
    enum { Same, Shrunk, Wrapped, Grown } outcome;
    bool readWhole = false;  // marked as one value (a phone)
  } cases[] = {
      {"Gomez, Ana", 1719, 170, "@s90", Case::Same},
      {"351-5550005", 781, 170, "@s90", Case::Shrunk},
      {"Particular s/c", 781, 170, "@s90", Case::Shrunk},
      {"Particular (sin cobertura)", 781, 170, "@s90", Case::Grown},
      {"Particular (sin cobertura)", 781, 500, "@s90", Case::Wrapped},
      {"(0351) 4 555 000 / 155 123 456", 400, 170, "@s90", Case::Shrunk},
      {"0351-4442222 / 351-155550005 (cel.)", 781, 170, "@s90", Case::Shrunk, true},
      {"0351-4442222 / 351-155550005 (cel.)", 781, 500, "@s90", Case::Shrunk, true},
      {"123456789", 200, 170, "@n_9", Case::Shrunk},
      {"83946", 300, 170, "@d17", Case::Shrunk},
      {fromQString(prose), 781, 170, "@s255", Case::Grown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    ReportEngine engine;
    ReportBand band;
    band.height = 180;
    band.text(
        0, 0, c.width, c.height, [&c] { return c.value; }, font, c.picture);
    if (c.readWhole) band.readWhole();
    band.text(
        c.width + 100, 0, 500, 170, [] { return std::string("fin"); }, font);
    engine.print(band);
    const ReportPage& page = engine.pages().at(0);
    const QString shown = toQString(clip(format(c.value, c.picture)));
    QStringList parts;
    const PageItem* item = nullptr;
    for (const PageItem& i : page.items) {
      if (i.text == "fin") continue;
      parts << i.text;
      item = &i;
    }
    ASSERT_NE(item, nullptr);
    const double used = QFontMetricsF(item->font).horizontalAdvance(item->text);
    switch (c.outcome) {
      case Case::Same:
      case Case::Wrapped:
        EXPECT_EQ(item->text, shown);
        EXPECT_EQ(item->font.pixelSize(), font.pixelSize());
        EXPECT_EQ(bool(item->flags & Qt::TextWordWrap), c.outcome == Case::Wrapped);
        break;
      case Case::Shrunk:
        EXPECT_EQ(item->text, shown) << "every character";
        EXPECT_LT(item->font.pixelSize(), font.pixelSize());
        EXPECT_LE(used, c.width);
        EXPECT_GT(used, c.width * 0.9) << "no smaller than it must";
        break;
      case Case::Grown:
        EXPECT_GE(parts.size(), 2) << "wrapped over lines";
        EXPECT_EQ(parts.join(' '), shown) << "every word, in order";
        EXPECT_EQ(item->font.pixelSize(), font.pixelSize());
        EXPECT_GT(item->rect.bottom(), 500 + 180) << "below the band as designed";
        break;
    }
  }

  ReportEngine engine;
  engine.header.height = 200;
  engine.header.text(
      0, 0, 781, 170, [&prose] { return fromQString(prose); }, font, "@s255");
  engine.print(ReportBand{});
  const PageItem& cut = engine.pages().at(0).items.at(0);
  EXPECT_TRUE(prose.startsWith(cut.text));
  EXPECT_LT(cut.text.size(), prose.size());
  EXPECT_EQ(cut.font.pixelSize(), std::ceil(font.pixelSize() * 0.7)) << "70 %, rounded up";
  EXPECT_LE(QFontMetricsF(cut.font).horizontalAdvance(cut.text), 781);
}

}  // namespace
}  // namespace rt
