#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <regex>

#include "platform/base/cp_literal.h"
#include "platform/ui/rich_text_document.h"
#include "platform/ui/rtf_reader.h"
#include "platform/ui/rtf_writer.h"
#include "rich_text_describe.h"

namespace rt {
namespace {

using testing::describe;
using testing::readTestData;

struct Fragment {
  QString text;
  QTextCharFormat format;
};

std::vector<Fragment> fragmentsOf(const QTextBlock& block) {
  std::vector<Fragment> out;
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    out.push_back({it.fragment().text(), it.fragment().charFormat()});
  }
  return out;
}

const Fragment& fragmentWith(const std::vector<Fragment>& fragments, const QString& text) {
  for (const Fragment& f : fragments) {
    if (f.text.contains(text)) return f;
  }
  ADD_FAILURE() << "no fragment holds " << text.toStdString();
  static const Fragment none;
  return none;
}

std::vector<QTextBlock> blocksOf(const QTextDocument& document) {
  std::vector<QTextBlock> blocks;
  for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) blocks.push_back(b);
  return blocks;
}

TEST(RtfReader, ReadsAWordPadNoteWithEveryFormat) {
  QTextDocument document;
  setDocumentRtf(document, readTestData("wordpad_note.rtf"));
  const auto blocks = blocksOf(document);
  ASSERT_EQ(blocks.size(), 6u) << describe(document);

  EXPECT_EQ(blocks[0].text(), "Informe de consulta");
  EXPECT_EQ(blocks[0].blockFormat().alignment(), Qt::AlignHCenter);
  const auto title = fragmentsOf(blocks[0]);
  EXPECT_EQ(title[0].format.fontWeight(), QFont::Bold);
  EXPECT_EQ(title[0].format.fontPointSize(), 14);
  EXPECT_EQ(title[0].format.fontFamilies().toStringList(), QStringList{"Arial"});

  EXPECT_EQ(blocks[1].text(),
            QString::fromUtf8("Paciente: ***PACNOMBRE***, diagnóstico pendiente.") +
                QChar::LineSeparator + QString::fromUtf8("Segunda línea con cursiva y subrayado."));
  const auto body = fragmentsOf(blocks[1]);
  EXPECT_EQ(fragmentWith(body, QString::fromUtf8("diagnóstico")).format.foreground().color(),
            QColor(255, 0, 0));
  EXPECT_EQ(fragmentWith(body, "pendiente").format.foreground().style(), Qt::NoBrush);
  EXPECT_TRUE(fragmentWith(body, "cursiva").format.fontItalic());
  EXPECT_TRUE(fragmentWith(body, "subrayado").format.fontUnderline());
  EXPECT_FALSE(fragmentWith(body, "Paciente").format.fontUnderline());
  EXPECT_EQ(fragmentWith(body, "Paciente").format.fontPointSize(), 11);

  ASSERT_NE(blocks[2].textList(), nullptr);
  EXPECT_EQ(blocks[2].textList(), blocks[3].textList());
  EXPECT_EQ(blocks[2].textList()->format().style(), QTextListFormat::ListDisc);
  EXPECT_EQ(blocks[2].text(), "Ibuprofeno 400 mg");
  EXPECT_DOUBLE_EQ(blocks[2].blockFormat().leftMargin(), 720 * kScreenUnitsPerTwip);
  EXPECT_EQ(blocks[2].blockFormat().intProperty(kHangingIndentProperty), -360);
  ASSERT_NE(blocks[4].textList(), nullptr);
  EXPECT_NE(blocks[4].textList(), blocks[3].textList());
  EXPECT_EQ(blocks[4].textList()->format().style(), QTextListFormat::ListDecimal);
  EXPECT_EQ(blocks[4].text(), QString::fromUtf8("Control en 7 días"));

  EXPECT_EQ(blocks[5].textList(), nullptr);
  EXPECT_EQ(blocks[5].text(), QString::fromUtf8("Señor Núñez\tFirma"));
  EXPECT_DOUBLE_EQ(blocks[5].blockFormat().rightMargin(), 567 * kScreenUnitsPerTwip);
  const auto tabs = blocks[5].blockFormat().tabPositions();
  ASSERT_EQ(tabs.size(), 2);
  EXPECT_DOUBLE_EQ(tabs[0].position, 1440 * kScreenUnitsPerTwip);
  EXPECT_EQ(tabs[0].type, QTextOption::LeftTab);
  EXPECT_EQ(tabs[1].type, QTextOption::RightTab);
  const auto signature = fragmentsOf(blocks[5]);
  const Fragment& name = fragmentWith(signature, QString::fromUtf8("Núñez"));
  EXPECT_EQ(name.format.background().color(), QColor(255, 255, 0));
  EXPECT_EQ(name.format.fontFamilies().toStringList(), QStringList{"Times New Roman"});
  EXPECT_EQ(name.format.fontPointSize(), 12);
  EXPECT_EQ(fragmentWith(signature, "Firma").format.background().style(), Qt::NoBrush);
}

TEST(RtfReader, ReadsAWordLetterSkippingWhatIsNotText) {
  const RichText text = readRtf(readTestData("word_letter.rtf"));
  ASSERT_EQ(text.paragraphs.size(), 4u) << describe(text);
  EXPECT_EQ(plainTextOf(text),
            QString::fromUtf8("Estimado colega: ¿Cómo está?\r\nPrimer punto\r\nApartado verde\r\n"
                              "enlace. Euro € y €fin."));

  const Paragraph& greeting = text.paragraphs[0];
  EXPECT_EQ(greeting.style.alignment, Alignment::Justified);
  ASSERT_EQ(greeting.runs.size(), 2u);
  EXPECT_EQ(greeting.runs[0].style.font, "Calibri");
  EXPECT_EQ(greeting.runs[0].style.halfPoints, 22);
  EXPECT_FALSE(greeting.runs[0].style.bold);
  EXPECT_TRUE(greeting.runs[1].style.bold);

  EXPECT_EQ(text.paragraphs[1].style.list, ListStyle::Bullet);
  EXPECT_EQ(text.paragraphs[1].style.leftIndent, 720);
  EXPECT_EQ(text.paragraphs[1].style.firstLineIndent, -360);
  EXPECT_EQ(text.paragraphs[2].style.list, ListStyle::LowerLetter);
  EXPECT_EQ(text.paragraphs[2].runs[0].style.colour, Rgb{0x008000});
  EXPECT_EQ(text.paragraphs[3].style.list, ListStyle::None);
  EXPECT_TRUE(text.paragraphs[3].runs[0].style.underline);
  EXPECT_EQ(text.paragraphs[3].runs[0].style.colour, Rgb{0x0000FF});
}

TEST(RtfReader, ReadsTheSixNumberingStyles) {
  const std::pair<const char*, ListStyle> cases[] = {
      {"\\pnlvlblt", ListStyle::Bullet},
      {"\\pnlvlbody\\pndec", ListStyle::Decimal},
      {"\\pnlvlbody\\pnlcltr", ListStyle::LowerLetter},
      {"\\pnlvlbody\\pnucltr", ListStyle::UpperLetter},
      {"\\pnlvlbody\\pnlcrm", ListStyle::LowerRoman},
      {"\\pnlvlbody\\pnucrm", ListStyle::UpperRoman}};
  for (const auto& [words, style] : cases) {
    const std::string markup = std::string("{\\rtf1{\\*\\pn") + words +
                               "{\\pntxta.}}\\li360 uno\\par dos\\par\\pard tres}";
    const RichText text = readRtf(markup);
    ASSERT_EQ(text.paragraphs.size(), 3u) << markup;
    EXPECT_EQ(text.paragraphs[0].style.list, style) << markup;
    EXPECT_EQ(text.paragraphs[1].style.list, style) << markup;
    EXPECT_EQ(text.paragraphs[2].style.list, ListStyle::None) << markup;
  }
}

TEST(RtfReader, SkipsUnknownDestinationsAndToleratesBrokenBraces) {
  const std::pair<const char*, const char*> cases[] = {
      {"{\\rtf1 a{\\*\\secreto oculto {anidado}}b{\\pict 0102ff}c\\desconocido  d}", "abc d"},
      {"{\\rtf1 uno}}}} dos", "uno"},
      {"{\\rtf1 uno\\par}                    ", "uno"},
      {"{\\rtf1 a{\\*}b\\b c{\\* }d\\i e}", "abc de"},
      {"{\\rtf1 uno {{{\\b dos", "uno dos"},
      {"{\\rtf1 \\u241?\\uc2\\u209??x\\uc0\\u8364 y}", "\xC3\xB1\xC3\x91x\xE2\x82\xACy"},
      {"{\\rtf1 a\\'e1\\'E9\\'zz b\\~c\\{\\}\\\\}",
       "a\xC3\xA1\xC3\xA9zz b\xC2\xA0"
       "c{}\\"},
      {"{\\rtf1 x\\bin3 {}\\y}", "xy"},
  };
  for (const auto& [markup, expected] : cases) {
    EXPECT_EQ(plainTextOf(readRtf(markup)), QString::fromUtf8(expected)) << markup;
  }
}

TEST(RtfReader, ReadsTextThatIsNotRtfAsPlainParagraphs) {
  const RichText text = readRtf("línea uno\r\nlínea dos\nfin   "_cp);
  ASSERT_EQ(text.paragraphs.size(), 3u);
  EXPECT_EQ(plainTextOf(text), QString::fromUtf8("línea uno\r\nlínea dos\r\nfin"));
}

// Every prefix of a markup opens, and shows no text the whole markup lacks.
TEST(RtfReader, ReadsAMarkupCutAnywhere) {
  for (const std::string& markup :
       {readTestData("wordpad_note.rtf"), readTestData("word_letter.rtf")}) {
    const QString whole = plainTextOf(readRtf(markup));
    QTextDocument document;
    for (std::size_t cut = 0; cut <= markup.size(); ++cut) {
      const std::string_view prefix(markup.data(), cut);
      const RichText text = readRtf(prefix);
      ASSERT_FALSE(text.paragraphs.empty());
      const QString part = plainTextOf(text);
      ASSERT_TRUE(whole.startsWith(part)) << "cut at " << cut << ": " << part.toStdString();
      fillDocument(document, text);
    }
  }
}

TEST(RtfPlainText, JoinsParagraphsAndLinesWithCrLfInCp1252) {
  EXPECT_EQ(rtfPlainText("{\\rtf1 Se\\'f1or\\line N\\'fa\\'f1ez\\tab x\\par\\b segundo\\par}"),
            "Señor\r\nNúñez\tx\r\nsegundo"_cp);
  EXPECT_EQ(rtfPlainText(""), "");
}

// A document built through Qt's own cursor with every feature the editors offer.
void buildFullDocument(QTextDocument& document) {
  document.setDefaultFont(QFont("Arial", 10));
  QTextCursor cursor(&document);
  QTextBlockFormat centred;
  centred.setAlignment(Qt::AlignHCenter);
  cursor.setBlockFormat(centred);
  QTextCharFormat title;
  title.setFontFamilies(QStringList{"Times New Roman"});
  title.setFontPointSize(18);
  title.setFontWeight(QFont::Bold);
  cursor.insertText(QString::fromUtf8("Señor Núñez: año ¿acción? ¡Sí!"), title);

  QTextBlockFormat indented;
  indented.setAlignment(Qt::AlignJustify);
  indented.setLeftMargin(1440 * kScreenUnitsPerTwip);
  indented.setRightMargin(720 * kScreenUnitsPerTwip);
  indented.setTextIndent(-360 * kScreenUnitsPerTwip);
  indented.setTabPositions({QTextOption::Tab(2880 * kScreenUnitsPerTwip, QTextOption::LeftTab),
                            QTextOption::Tab(5760 * kScreenUnitsPerTwip, QTextOption::RightTab),
                            QTextOption::Tab(6480 * kScreenUnitsPerTwip, QTextOption::CenterTab)});
  QTextCharFormat plain;
  plain.setFontFamilies(QStringList{"Arial"});
  plain.setFontPointSize(10);
  cursor.insertBlock(indented, plain);
  cursor.insertText("Normal ", plain);
  QTextCharFormat marked = plain;
  marked.setFontItalic(true);
  marked.setFontUnderline(true);
  marked.setForeground(QColor(0x80, 0, 0));
  marked.setBackground(QColor(0xFF, 0xFF, 0));
  cursor.insertText("marcado\tcon", marked);
  cursor.insertText(QString(QChar::LineSeparator) +
                        "{llaves} y \\barra ***PACNOMBRE*** \xE2\x82\xAC "
                        "\xCE\xA9 fin",
                    plain);

  QTextBlockFormat right;
  right.setAlignment(Qt::AlignRight);
  cursor.insertBlock(right, plain);  // an empty paragraph in its own size
  QTextCharFormat big = plain;
  big.setFontPointSize(24);
  cursor.setBlockCharFormat(big);

  for (ListStyle style : {ListStyle::Bullet, ListStyle::Decimal, ListStyle::LowerLetter,
                          ListStyle::UpperLetter, ListStyle::LowerRoman, ListStyle::UpperRoman}) {
    QTextBlockFormat item;
    item.setLeftMargin(720 * kScreenUnitsPerTwip);
    item.setProperty(kHangingIndentProperty, -360);
    cursor.insertBlock(item, plain);
    cursor.insertText(QString("item %1").arg(static_cast<int>(style)), plain);
    QTextListFormat listFormat;
    listFormat.setStyle(listFormatStyle(style));
    listFormat.setIndent(0);
    QTextList* list = cursor.createList(listFormat);
    cursor.insertBlock(item, plain);
    cursor.insertText("otro", plain);
    list->add(cursor.block());
  }
}

TEST(RtfCodec, RoundTripKeepsEveryFeature) {
  QTextDocument built;
  buildFullDocument(built);
  for (const std::string& markup :
       {documentRtf(built), readTestData("wordpad_note.rtf"), readTestData("word_letter.rtf")}) {
    QTextDocument first;
    setDocumentRtf(first, markup);
    const std::string written = documentRtf(first);
    QTextDocument second;
    setDocumentRtf(second, written);
    EXPECT_EQ(describe(first), describe(second)) << written;
    EXPECT_EQ(documentRtf(second), written);
  }
  QTextDocument reread;
  setDocumentRtf(reread, documentRtf(built));
  EXPECT_EQ(describe(built), describe(reread));
}

// Text pasted into an editor may be indented by levels rather than margins.
TEST(RtfWriter, KeepsIndentLevelsAsLeftIndents) {
  QTextDocument document;
  QTextCursor cursor(&document);
  QTextBlockFormat levelled;
  levelled.setIndent(2);
  levelled.setLeftMargin(720 * kScreenUnitsPerTwip);
  cursor.setBlockFormat(levelled);
  cursor.insertText("citado");
  cursor.insertBlock(QTextBlockFormat());
  cursor.insertText("punto");
  cursor.createList(QTextListFormat::ListDisc);  // one level by default
  const double levelTwips = document.indentWidth() / kScreenUnitsPerTwip;
  const RichText text = readRtf(documentRtf(document));
  ASSERT_EQ(text.paragraphs.size(), 2u);
  EXPECT_EQ(text.paragraphs[0].style.leftIndent, 720 + 2 * levelTwips);
  EXPECT_EQ(text.paragraphs[1].style.leftIndent, levelTwips);
  EXPECT_EQ(text.paragraphs[1].style.list, ListStyle::Bullet);
}

TEST(RtfWriter, WritesSpanishTextAsCp1252Escapes) {
  QTextDocument document;
  QTextCursor(&document).insertText(QString::fromUtf8("Señor Núñez, año ¿qué? ü €"));
  const std::string markup = documentRtf(document);
  EXPECT_NE(markup.find("Se\\'f1or N\\'fa\\'f1"
                        "ez, a\\'f1o \\'bfqu\\'e9? \\'fc \\'80"),
            std::string::npos)
      << markup;
  for (const char c : markup) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << markup;
  EXPECT_EQ(rtfPlainText(markup),
            "Se\xF1or N\xFA\xF1"
            "ez, a\xF1o \xBFqu\xE9? \xFC \x80");
}

TEST(RtfWriter, KeepsMacroReferencesWholeAndRunsOnOneLine) {
  QTextDocument document;
  QTextCursor cursor(&document);
  QTextCharFormat plain;
  plain.setFontPointSize(10);
  QTextCharFormat bold = plain;
  bold.setFontWeight(QFont::Bold);
  bold.setFontFamilies(QStringList{"Courier New"});
  QTextCharFormat red = plain;
  red.setForeground(QColor(255, 0, 0));
  cursor.insertText("Paciente ***PAC", plain);
  cursor.insertText("NOM", bold);
  cursor.insertText("BRE*** y ***", plain);
  cursor.insertText("FECHA***, ** suelto *** ", red);
  cursor.insertText("largo texto de una sola linea que no se corta nunca", plain);
  const std::string markup = documentRtf(document);
  EXPECT_NE(markup.find("Paciente ***PACNOMBRE*** y "), std::string::npos) << markup;
  EXPECT_NE(markup.find("***FECHA***"), std::string::npos) << markup;
  EXPECT_NE(markup.find("largo texto de una sola linea que no se corta nunca"), std::string::npos);
  for (const char* bold : {"\\b ", "\\b\\", "\\b*"}) {
    EXPECT_EQ(markup.find(bold), std::string::npos) << "bold inside a macro takes its first style";
  }
  EXPECT_EQ(markup.find("Courier"), std::string::npos) << "no font listed that no run uses";
  const std::size_t body = markup.find('\n') + 1;  // after the header line
  for (std::size_t at = markup.find('\n', body); at != std::string::npos;
       at = markup.find('\n', at + 1)) {
    EXPECT_EQ(markup.substr(at - 5, 4), "\\par") << "a line ends only after a paragraph mark";
  }
}

// Rich text is kept as markup: a character the code page lacks is written
// as a Unicode escape and reads back as typed, so rich text needs no refusal.
TEST(RtfWriter, KeepsCharactersOutsideTheCodePageAsTyped) {
  const QString typed = QString::fromUtf8("Łukasz, Ğ, ß, € y 😀");
  QTextDocument document;
  document.setPlainText(typed);
  const std::string markup = documentRtf(document);
  EXPECT_EQ(plainTextOf(readRtf(markup)).trimmed(), typed) << markup;
}

TEST(RtfWriter, WritesUniformTextAsOneCompactRun) {
  QTextDocument document;
  QTextCursor cursor(&document);
  QTextCharFormat format;
  format.setFontFamilies(QStringList{"Arial"});
  format.setFontPointSize(10);
  cursor.insertText("uno ", format);
  cursor.insertText("dos", format);  // a second fragment in an equal format
  EXPECT_EQ(documentRtf(document),
            "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\uc1\r\n"
            "\\fs20 uno dos\\par\r\n}");
}

TEST(RtfWriter, EndsEveryControlWordBeforeText) {
  // Text of every kind right after a change of formatting, a paragraph's
  // alignment and a list's numbering.
  CharStyle bold;
  bold.bold = true;
  CharStyle big;
  big.halfPoints = 28;
  CharStyle red;
  red.colour = 0xC00000;
  CharStyle italic;
  italic.italic = true;
  CharStyle underline;
  underline.underline = true;
  Paragraph centred;
  centred.style.alignment = Alignment::Centre;
  centred.runs = {{"***MEDNOMBRE***", {}}, {"*", bold},       {"20123456", big}, {".", red},
                  {"(", italic},           {"-x", underline}, {":", {}}};
  Paragraph listed;
  listed.style.list = ListStyle::LowerLetter;
  listed.runs = {{"***FECHA***", red}};
  const std::string markup = writeRtf(RichText{{centred, listed}});
  static const std::regex controlWord(R"(\\[a-z]+-?[0-9]*)");
  for (auto it = std::sregex_iterator(markup.begin(), markup.end(), controlWord);
       it != std::sregex_iterator(); ++it) {
    const char next = markup[static_cast<std::size_t>(it->position() + it->length())];
    EXPECT_TRUE(next == ' ' || next == '\\' || next == '{' || next == '}' || next == '\r' ||
                next == ';')
        << it->str() << " runs into '" << next << "' in " << markup;
  }
  EXPECT_EQ(rtfPlainText(markup), "***MEDNOMBRE****20123456.(-x:\r\n***FECHA***");
}

TEST(RtfWriter, WritesEachListInTheListTableSoItReadsBackWithoutTheOldNumbering) {
  auto item = [](ListStyle list, const char* words) {
    Paragraph p;
    p.style.list = list;
    p.runs.push_back({words, {}});
    return p;
  };
  const RichText text{
      {item(ListStyle::LowerLetter, "a uno"), item(ListStyle::LowerLetter, "a dos"),
       item(ListStyle::None, "entre listas"), item(ListStyle::UpperRoman, "romano"),
       item(ListStyle::Decimal, "numero"), item(ListStyle::Bullet, "punto"),
       item(ListStyle::LowerRoman, "romano chico"), item(ListStyle::None, "otra vez"),
       item(ListStyle::LowerLetter, "letra a de nuevo"), item(ListStyle::UpperLetter, "letra A")}};
  const std::string markup = writeRtf(text);
  // One list for each stretch of paragraphs, so a list after another counts anew.
  EXPECT_NE(markup.find("{\\*\\listtable{\\list\\listtemplateid1"), std::string::npos) << markup;
  EXPECT_NE(markup.find("{\\listoverride\\listid7\\listoverridecount0\\ls7}}"), std::string::npos)
      << markup;
  EXPECT_EQ(markup.find("\\ls8"), std::string::npos) << markup;
  // Readers that know only the list table see every style.
  const std::string tableOnly =
      std::regex_replace(markup, std::regex(R"(\{\\\*\\pn[^{}]*(\{[^{}]*\})?\})"), "");
  ASSERT_EQ(tableOnly.find("\\pn"), std::string::npos) << tableOnly;
  const RichText back = readRtf(tableOnly);
  ASSERT_EQ(back.paragraphs.size(), text.paragraphs.size());
  for (std::size_t i = 0; i < text.paragraphs.size(); ++i) {
    EXPECT_EQ(back.paragraphs[i].style.list, text.paragraphs[i].style.list) << i;
  }
  EXPECT_EQ(writeRtf(back), markup);
}

TEST(RtfReader, ReadsATableRowWithATabBetweenCellsOnly) {
  // A row as LibreOffice writes it (every cell then the row ended, a third
  // cell empty), and one as Word writes it (the row's end in a group of its own).
  const std::string markup =
      "{\\rtf1\\ansi\\trowd\\cellx541\\cellx1337\\cellx2000\\pard\\plain \\intbl{\\loch\nUno}\\cell"
      "\\pard\\plain \\intbl{\\loch\nDos}\\cell\\pard\\plain \\intbl\\cell\\row\\pard"
      "\\trowd\\cellx541\\pard\\plain \\intbl{Tres\\cell }{\\trowd\\cellx541\\row }"
      "\\pard\\plain Fin\\par}";
  EXPECT_EQ(rtfPlainText(markup), "Uno\tDos\t\r\nTres\r\nFin");
}

}  // namespace
}  // namespace rt
