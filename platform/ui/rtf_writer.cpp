#include "platform/ui/rtf_writer.h"

#include <algorithm>
#include <vector>

#include "platform/base/cp1252.h"
#include "platform/ui/rtf_reader.h"

namespace rt {
namespace {

constexpr int kMaxMacroName = 64;

bool isMacroNameChar(QChar c) {
  return c != u'*' && !c.isSpace() && c != QChar::LineSeparator && c.unicode() >= 0x20;
}

// Controls and embedded objects have no place in the text.
bool isWritable(QChar c) {
  return (c.unicode() >= 0x20 || c == u'\t') && c != QChar::ObjectReplacementCharacter &&
         c.unicode() != 0xFDD0 && c.unicode() != 0xFDD1;  // frame marks of pasted tables
}

// Start and end (exclusive) of every macro reference "***NAME***" in the text.
std::vector<std::pair<qsizetype, qsizetype>> macroSpans(const QString& text) {
  std::vector<std::pair<qsizetype, qsizetype>> spans;
  const QStringView marker = u"***";
  qsizetype from = 0;
  while (true) {
    const qsizetype open = text.indexOf(marker, from);
    if (open < 0) break;
    qsizetype name = open + 3;
    while (name < text.size() && text[name] == u'*') ++name;  // "****X***": the last three open
    qsizetype end = name;
    while (end < text.size() && end - name < kMaxMacroName && isMacroNameChar(text[end])) ++end;
    if (end > name && QStringView(text).mid(end, 3) == marker) {
      spans.emplace_back(name - 3, end + 3);
      from = end + 3;
    } else {
      from = name;
    }
  }
  return spans;
}

// The paragraph's runs with equal neighbours merged and each macro reference
// carried whole by the run of its first character.
std::vector<TextRun> writableRuns(const Paragraph& paragraph) {
  QString text;
  std::vector<std::size_t> styleOf;  // run index per character
  for (std::size_t r = 0; r < paragraph.runs.size(); ++r) {
    const QString& part = paragraph.runs[r].text;
    if (std::all_of(part.begin(), part.end(), isWritable)) {
      text += part;
    } else {
      for (const QChar c : part) {
        if (isWritable(c)) text += c;
      }
    }
    styleOf.resize(static_cast<std::size_t>(text.size()), r);
  }
  for (const auto& [start, end] : macroSpans(text)) {
    std::fill(styleOf.begin() + start, styleOf.begin() + end, styleOf[start]);
  }
  std::vector<TextRun> runs;
  for (qsizetype start = 0, end = 0; start < text.size(); start = end) {
    const std::size_t run = styleOf[start];
    const CharStyle& style = paragraph.runs[run].style;
    end = start + 1;
    while (end < text.size() &&
           (styleOf[end] == run || paragraph.runs[styleOf[end]].style == style)) {
      ++end;
    }
    if (!runs.empty() && runs.back().style == style) {
      runs.back().text += QStringView(text).mid(start, end - start);
    } else {
      runs.push_back(TextRun{text.mid(start, end - start), style});
    }
  }
  return runs;
}

class Writer {
 public:
  std::string run(const RichText& text) {
    std::vector<std::vector<TextRun>> runs;
    runs.reserve(text.paragraphs.size());
    for (const Paragraph& paragraph : text.paragraphs) runs.push_back(writableRuns(paragraph));
    collectTables(text, runs);
    out_ = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
      out_ += "{\\f" + std::to_string(i) + "\\fnil ";
      appendText(fonts_[i], false);
      out_ += ";}";
    }
    out_ += '}';
    if (!colours_.empty()) {
      out_ += "{\\colortbl ;";
      for (const Rgb rgb : colours_) {
        out_ += "\\red" + std::to_string((rgb >> 16) & 0xFF) + "\\green" +
                std::to_string((rgb >> 8) & 0xFF) + "\\blue" + std::to_string(rgb & 0xFF) + ';';
      }
      out_ += '}';
    }
    collectLists(text);
    writeListTables();
    out_ += "\\uc1\r\n";
    for (std::size_t p = 0; p < text.paragraphs.size(); ++p) {
      listNumber_ = listOf_[p];
      writeParagraph(text.paragraphs[p], runs[p]);
    }
    out_ += '}';
    return std::move(out_);
  }

 private:
  // What the markup's reader holds at any point: indexes into the tables.
  struct State {
    int font = 0;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int colour = 0;
    int highlight = 0;
  };

  // Only what the runs as written use: a table entry nothing refers to would not
  // survive the next reading.
  void collectTables(const RichText& text, const std::vector<std::vector<TextRun>>& runs) {
    auto noteStyle = [this](const CharStyle& style) {
      fontIndex(style.font);
      if (style.colour) colourIndex(*style.colour);
      if (style.highlight) colourIndex(*style.highlight);
    };
    for (std::size_t p = 0; p < text.paragraphs.size(); ++p) {
      for (const TextRun& run : runs[p]) noteStyle(run.style);
      if (runs[p].empty()) noteStyle(text.paragraphs[p].markStyle);
    }
    if (fonts_.empty()) fonts_.push_back(QString::fromLatin1(kDefaultRichTextFont));
  }

  // Each stretch of paragraphs in one numbering style is a list of its own, as
  // the editors show it: the next list counts from the start again.
  void collectLists(const RichText& text) {
    ListStyle previous = ListStyle::None;
    for (const Paragraph& paragraph : text.paragraphs) {
      const ListStyle list = paragraph.style.list;
      if (list != ListStyle::None && list != previous) lists_.push_back(list);
      listOf_.push_back(list == ListStyle::None ? 0 : static_cast<int>(lists_.size()));
      previous = list;
    }
  }

  static int levelFormat(ListStyle list) {
    switch (list) {
      case ListStyle::UpperRoman:
        return 1;
      case ListStyle::LowerRoman:
        return 2;
      case ListStyle::UpperLetter:
        return 3;
      case ListStyle::LowerLetter:
        return 4;
      case ListStyle::Bullet:
        return 23;
      default:
        return 0;
    }
  }

  // The list tables that today's readers number by; the old-style numbering
  // written with each paragraph stays for the readers that know only that.
  void writeListTables() {
    if (lists_.empty()) return;
    out_ += "{\\*\\listtable";
    for (std::size_t i = 0; i < lists_.size(); ++i) {
      const std::string id = std::to_string(i + 1);
      const std::string format = std::to_string(levelFormat(lists_[i]));
      out_ += "{\\list\\listtemplateid" + id + "\\listsimple{\\listlevel\\levelnfc" + format +
              "\\levelnfcn" + format + "\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat1";
      out_ += lists_[i] == ListStyle::Bullet ? "{\\leveltext\\'01\\u8226 ?;}{\\levelnumbers;}"
                                             : "{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}";
      out_ += "}\\listid" + id + "}";
    }
    out_ += "}{\\*\\listoverridetable";
    for (std::size_t i = 0; i < lists_.size(); ++i) {
      const std::string id = std::to_string(i + 1);
      out_ += "{\\listoverride\\listid" + id + "\\listoverridecount0\\ls" + id + "}";
    }
    out_ += '}';
  }

  int fontIndex(const QString& font) {
    const QString name = font.isEmpty() ? QString::fromLatin1(kDefaultRichTextFont) : font;
    auto at = std::find(fonts_.begin(), fonts_.end(), name);
    if (at == fonts_.end()) at = fonts_.insert(fonts_.end(), name);
    return static_cast<int>(at - fonts_.begin());
  }

  int colourIndex(Rgb rgb) {
    auto at = std::find(colours_.begin(), colours_.end(), rgb);
    if (at == colours_.end()) at = colours_.insert(colours_.end(), rgb);
    return static_cast<int>(at - colours_.begin()) + 1;
  }

  void word(const char* name) {
    out_ += '\\';
    out_ += name;
    delimiterPending_ = true;
  }

  void word(const char* name, int value) {
    word(name);
    out_ += std::to_string(value);
  }

  void writeParagraph(const Paragraph& paragraph, const std::vector<TextRun>& runs) {
    if (!(paragraph.style == paragraphState_)) writeParagraphStyle(paragraph.style);
    for (const TextRun& run : runs) {
      writeCharStyle(run.style);
      appendText(run.text, true);
    }
    if (runs.empty()) writeCharStyle(paragraph.markStyle);
    word("par");
    out_ += "\r\n";
    delimiterPending_ = false;
  }

  void writeParagraphStyle(const ParagraphStyle& style) {
    word("pard");
    switch (style.alignment) {
      case Alignment::Centre:
        word("qc");
        break;
      case Alignment::Right:
        word("qr");
        break;
      case Alignment::Justified:
        word("qj");
        break;
      case Alignment::Left:
        break;
    }
    if (style.leftIndent != 0) word("li", style.leftIndent);
    if (style.rightIndent != 0) word("ri", style.rightIndent);
    if (style.firstLineIndent != 0) word("fi", style.firstLineIndent);
    for (const TabStop& tab : style.tabs) {
      if (tab.kind == TabKind::Centre) word("tqc");
      if (tab.kind == TabKind::Right) word("tqr");
      if (tab.kind == TabKind::Decimal) word("tqdec");
      word("tx", tab.twips);
    }
    // The list's number after the old-style numbering: a reader that knows
    // both takes the last it reads.
    writeNumbering(style.list);
    if (listNumber_ != 0) word("ls", listNumber_);
    paragraphState_ = style;
  }

  void writeNumbering(ListStyle list) {
    if (list == ListStyle::None) return;
    if (list == ListStyle::Bullet) {
      out_ += "{\\*\\pn\\pnlvlblt\\pnindent0{\\pntxtb\\'95}}";
      delimiterPending_ = false;
      return;
    }
    out_ += "{\\*\\pn\\pnlvlbody\\pnindent0\\pnstart1";
    switch (list) {
      case ListStyle::LowerLetter:
        out_ += "\\pnlcltr";
        break;
      case ListStyle::UpperLetter:
        out_ += "\\pnucltr";
        break;
      case ListStyle::LowerRoman:
        out_ += "\\pnlcrm";
        break;
      case ListStyle::UpperRoman:
        out_ += "\\pnucrm";
        break;
      default:
        out_ += "\\pndec";
        break;
    }
    out_ += "{\\pntxta .}}";
    delimiterPending_ = false;
  }

  void writeCharStyle(const CharStyle& style) {
    const int font = fontIndex(style.font);
    if (font != state_.font) word("f", state_.font = font);
    if (style.halfPoints != state_.halfPoints) word("fs", state_.halfPoints = style.halfPoints);
    if (style.bold != state_.bold) style.bold ? word("b") : word("b", 0);
    if (style.italic != state_.italic) style.italic ? word("i") : word("i", 0);
    if (style.underline != state_.underline) style.underline ? word("ul") : word("ulnone");
    const int colour = style.colour ? colourIndex(*style.colour) : 0;
    if (colour != state_.colour) word("cf", colour);
    const int highlight = style.highlight ? colourIndex(*style.highlight) : 0;
    if (highlight != state_.highlight) word("highlight", highlight);
    state_.bold = style.bold;
    state_.italic = style.italic;
    state_.underline = style.underline;
    state_.colour = colour;
    state_.highlight = highlight;
  }

  // A space always ends the control word just written before text: text that
  // starts with a letter or a digit would otherwise run into it, and a
  // reference such as ***PACNOMBRE*** is later replaced by a value that may.
  void plainChar(char c) {
    if (delimiterPending_) out_ += ' ';
    delimiterPending_ = false;
    out_ += c;
  }

  void escapedByte(unsigned char byte) {
    static constexpr char kHex[] = "0123456789abcdef";
    out_ += "\\'";
    out_ += kHex[byte >> 4];
    out_ += kHex[byte & 0xF];
    delimiterPending_ = false;
  }

  void appendText(const QString& text, bool body) {
    for (qsizetype i = 0; i < text.size(); ++i) {
      const QChar c = text[i];
      const char16_t u = c.unicode();
      if (u == u'\\' || u == u'{' || u == u'}') {
        out_ += '\\';
        out_ += static_cast<char>(u);
        delimiterPending_ = false;
      } else if (body && u == u'\t') {
        word("tab");
      } else if (body && c == QChar::LineSeparator) {
        word("line");
      } else if (body && u == 0xA0) {
        out_ += "\\~";
        delimiterPending_ = false;
      } else if (!body && u == u';') {
        escapedByte(';');  // a semicolon would end the font's name
      } else if (!isWritable(c)) {
        continue;
      } else if (u < 0x80) {
        plainChar(static_cast<char>(u));
      } else if (const int byte = codePointToCp1252(u); byte != 0) {
        escapedByte(static_cast<unsigned char>(byte));
      } else {
        word("u", u > 0x7FFF ? static_cast<int>(u) - 0x10000 : static_cast<int>(u));
        plainChar('?');
      }
    }
  }

  std::string out_;
  std::vector<QString> fonts_;
  std::vector<Rgb> colours_;
  State state_;
  ParagraphStyle paragraphState_;
  std::vector<ListStyle> lists_;  // list n + 1 of the list tables
  std::vector<int> listOf_;       // per paragraph: its list's number, 0 for none
  int listNumber_ = 0;            // the paragraph being written
  bool delimiterPending_ = false;
};

}  // namespace

std::string writeRtf(const RichText& text) { return Writer().run(text); }

std::string rewrittenRtf(std::string_view markup) {
  if (markup.find_first_not_of(" \t\r\n") == std::string_view::npos) return {};
  return writeRtf(readRtf(markup));
}

}  // namespace rt
