#include "rich_text_describe.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextList>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "platform/ui/rich_text_document.h"

namespace rt::testing {
namespace {

std::string hex(Rgb rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "%06X", rgb);
  return text;
}

std::string describe(const CharStyle& style) {
  std::string out = "<" + style.font.toStdString() + " " + std::to_string(style.halfPoints);
  if (style.bold) out += " b";
  if (style.italic) out += " i";
  if (style.underline) out += " u";
  if (style.colour) out += " c" + hex(*style.colour);
  if (style.highlight) out += " h" + hex(*style.highlight);
  return out + ">";
}

}  // namespace

std::string describe(const RichText& text) {
  std::string out;
  for (const Paragraph& p : text.paragraphs) {
    const ParagraphStyle& s = p.style;
    out += "P a" + std::to_string(static_cast<int>(s.alignment)) + " li" +
           std::to_string(s.leftIndent) + " ri" + std::to_string(s.rightIndent) + " fi" +
           std::to_string(s.firstLineIndent) + " list" + std::to_string(static_cast<int>(s.list));
    for (const TabStop& tab : s.tabs) {
      out += " tab" + std::to_string(tab.twips) + "/" + std::to_string(static_cast<int>(tab.kind));
    }
    if (p.runs.empty()) out += " mark" + describe(p.markStyle);
    out += "\n";
    for (const TextRun& run : p.runs) {
      QString shown = run.text;
      shown.replace(QChar::LineSeparator, QStringLiteral("\\n"))
          .replace(u'\t', QStringLiteral("\\t"));
      out += "  " + describe(run.style) + " \"" + shown.toStdString() + "\"\n";
    }
  }
  return out;
}

std::string describe(const QTextDocument& document) {
  std::string out = describe(richTextOf(document));
  // Which paragraphs share one list: numbering continues only within a list.
  std::map<const QTextList*, int> lists;
  int block = 0;
  for (QTextBlock b = document.begin(); b.isValid(); b = b.next(), ++block) {
    if (const QTextList* list = b.textList()) {
      const int id = lists.emplace(list, static_cast<int>(lists.size())).first->second;
      out += "list " + std::to_string(id) + " holds paragraph " + std::to_string(block) + "\n";
    }
  }
  return out;
}

std::string readTestData(std::string_view name) {
  const std::filesystem::path path =
      std::filesystem::path(VARNETA_TESTS_DIR) / "data" / std::string(name);
  std::ifstream in(path, std::ios::binary);
  if (!in) ADD_FAILURE() << "missing test data " << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace rt::testing
