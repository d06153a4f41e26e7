#include "platform/ui/rtf_reader.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "platform/base/cp1252.h"
#include "platform/ui/qt_text.h"

namespace rt {
namespace {

// Bounds that keep hostile markup from costing memory or producing absurd layouts.
constexpr int kMaxDepth = 512;
constexpr std::size_t kMaxTabs = 32;
constexpr std::size_t kMaxColours = 65536;
constexpr int kMaxTwips = 31680;  // 22 inches
constexpr int kMinHalfPoints = 2;
constexpr int kMaxHalfPoints = 3276;
constexpr int kDefaultHalfPoints = 24;

enum class Destination {
  Text,
  FontTable,
  ColourTable,
  ListTable,
  ListOverrides,
  Numbering,  // {\*\pn ...}: the old-style numbering of the paragraph
  Skip
};

// Character formatting as the markup states it: indexes into the tables.
struct CharState {
  int font = -1;  // -1: the default font
  int halfPoints = kDefaultHalfPoints;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int colour = 0;
  int highlight = 0;
  bool operator==(const CharState&) const = default;
};

struct GroupState {
  Destination destination = Destination::Text;
  CharState chars;
  ParagraphStyle paragraph;
  TabKind nextTabKind = TabKind::Left;
  int unicodeSkip = 1;  // \ucN: bytes that stand in for each \uN
};

int clampTwips(int value) { return std::clamp(value, -kMaxTwips, kMaxTwips); }

ListStyle listStyleOfLevelFormat(int nfc) {
  switch (nfc) {
    case 1:
      return ListStyle::UpperRoman;
    case 2:
      return ListStyle::LowerRoman;
    case 3:
      return ListStyle::UpperLetter;
    case 4:
      return ListStyle::LowerLetter;
    case 23:
      return ListStyle::Bullet;
    case 255:
      return ListStyle::None;
    default:
      return ListStyle::Decimal;
  }
}

// Destinations whose content is not document text.
bool isSkippedDestination(std::string_view word) {
  static constexpr std::string_view kSkipped[] = {
      "stylesheet", "info",      "pict",         "object",
      "header",     "headerl",   "headerr",      "headerf",
      "footer",     "footerl",   "footerr",      "footerf",
      "footnote",   "fldinst",   "pntext",       "listtext",
      "shp",        "shppict",   "nonshppict",   "revtbl",
      "rsidtbl",    "filetbl",   "pgdsctbl",     "xmlnstbl",
      "themedata",  "datastore", "latentstyles", "colorschememapping",
      "annotation", "atnid",     "atnauthor",    "private",
      "txe",        "bkmkstart", "bkmkend"};
  return std::find(std::begin(kSkipped), std::end(kSkipped), word) != std::end(kSkipped);
}

class Reader {
 public:
  explicit Reader(std::string_view markup) : in_(markup) {}

  RichText run() {
    stack_.push_back(GroupState{});
    while (pos_ < in_.size() && !ended_) step();
    finishDocument();
    return std::move(result_);
  }

 private:
  GroupState& top() { return stack_.back(); }

  void step() {
    const char c = in_[pos_];
    if (c == '{') {
      ++pos_;
      openGroup();
    } else if (c == '}') {
      ++pos_;
      closeGroup();
    } else if (c == '\\') {
      ++pos_;
      controlSequence();
    } else if (top().destination == Destination::Text && pendingSkip_ == 0 &&
               static_cast<unsigned char>(c) >= 0x20) {
      plainText();
    } else {
      ++pos_;
      if (c == '\r' || c == '\n') return;
      if (c == '\t') {
        if (!consumeSkip()) textChar(u'\t');
        return;
      }
      if (static_cast<unsigned char>(c) < 0x20) return;
      if (consumeSkip()) return;
      textByte(static_cast<unsigned char>(c));
    }
  }

  // "\*" marks only the control word right after it.
  void openGroup() {
    pendingSkip_ = 0;
    ignorableNext_ = false;
    if (static_cast<int>(stack_.size()) >= kMaxDepth) {
      ++excessDepth_;
      return;
    }
    stack_.push_back(stack_.back());
  }

  void closeGroup() {
    pendingSkip_ = 0;
    ignorableNext_ = false;
    if (excessDepth_ > 0) {
      --excessDepth_;
      return;
    }
    if (stack_.size() <= 1) return;  // a stray closing brace
    const Destination closing = top().destination;
    if (closing == Destination::FontTable) storeFontName();
    stack_.pop_back();
    // The document ends with its outermost group: what follows (the blanks
    // that pad a fixed-width field, say) is not text.
    if (stack_.size() == 1) ended_ = true;
    if (closing == Destination::Numbering && top().destination != Destination::Numbering) {
      top().paragraph.list = numbering_;
    }
  }

  // Fallback bytes that follow \uN are dropped, one per character or control.
  bool consumeSkip() {
    if (pendingSkip_ <= 0) return false;
    --pendingSkip_;
    return true;
  }

  void controlSequence() {
    if (pos_ >= in_.size()) return;
    const char c = in_[pos_];
    if (!isAsciiLetter(c)) {
      ++pos_;
      controlSymbol(c);
      return;
    }
    const std::size_t start = pos_;
    while (pos_ < in_.size() && isAsciiLetter(in_[pos_]) && pos_ - start < 32) ++pos_;
    const std::string_view word = in_.substr(start, pos_ - start);
    std::optional<int> parameter;
    bool negative = false;
    if (pos_ < in_.size() && in_[pos_] == '-') {
      negative = true;
      ++pos_;
    }
    long long value = 0;
    std::size_t digits = 0;
    while (pos_ < in_.size() && in_[pos_] >= '0' && in_[pos_] <= '9') {
      if (digits < 10) value = value * 10 + (in_[pos_] - '0');
      ++digits;
      ++pos_;
    }
    if (digits > 0) {
      value = std::clamp(negative ? -value : value, -2147483647LL, 2147483647LL);
      parameter = static_cast<int>(value);
    }
    // A word that runs into the end of a cut markup may have lost part of its
    // name or number: acting on it could invent text or formatting.
    if (pos_ >= in_.size()) return;
    if (in_[pos_] == ' ') ++pos_;
    if (word == "bin") {  // raw bytes follow: never text, never markup
      pos_ += std::min<std::size_t>(std::max(0, parameter.value_or(0)), in_.size() - pos_);
      return;
    }
    if (consumeSkip()) return;
    controlWord(word, parameter);
  }

  static bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

  void controlSymbol(char c) {
    switch (c) {
      case '\'': {
        const int hi = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
        const int lo = pos_ + 1 < in_.size() ? hexValue(in_[pos_ + 1]) : -1;
        if (hi < 0 || lo < 0) {  // a cut or malformed escape: drop what there is of it
          if (hi >= 0) ++pos_;
          return;
        }
        pos_ += 2;
        if (consumeSkip()) return;
        textByte(static_cast<unsigned char>(hi * 16 + lo));
        return;
      }
      case '*':
        ignorableNext_ = true;
        return;
      case '\r':
      case '\n':
        if (!consumeSkip()) controlWord("par", std::nullopt);
        return;
      default:
        break;
    }
    if (consumeSkip()) return;
    switch (c) {
      case '\\':
      case '{':
      case '}':
        textByte(static_cast<unsigned char>(c));  // literal in a font name as in the text
        break;
      case '~':
        textChar(u'\u00A0');
        break;
      case '_':
        textChar(u'-');
        break;
      case '\t':
        textChar(u'\t');
        break;
      default:  // \- (optional hyphen), \: and the like add nothing
        break;
    }
  }

  static int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  void controlWord(std::string_view word, std::optional<int> parameter) {
    const bool ignorable = ignorableNext_;
    ignorableNext_ = false;
    GroupState& g = top();
    const int n = parameter.value_or(1);

    if (g.destination == Destination::Skip) return;
    if (destinationWord(word, ignorable)) return;

    switch (g.destination) {
      case Destination::FontTable:
        fontTableWord(word, parameter);
        return;
      case Destination::ColourTable:
        colourTableWord(word, n);
        return;
      case Destination::ListTable:
      case Destination::ListOverrides:
        listTableWord(word, n);
        return;
      case Destination::Numbering:
        numberingWord(word);
        return;
      default:
        break;
    }

    if (characterWord(word, parameter)) return;
    if (paragraphWord(word, n)) return;
    if (word == "row") {
      // A tab parts a row's cells; none follows its last one.
      if (cellTabEnds_) runText_.chop(1);
      finishParagraph();
    } else if (word == "par" || word == "sect" || word == "page") {
      finishParagraph();
    } else if (word == "line") {
      textChar(QChar::LineSeparator);
    } else if (word == "tab") {
      textChar(u'\t');
    } else if (word == "cell") {
      textChar(u'\t');
      cellTabEnds_ = runText_.endsWith(u'\t');
    } else if (word == "u" && parameter) {
      int code = *parameter;
      if (code < 0) code += 65536;
      if (code > 0 && code <= 0xFFFF) textChar(static_cast<char16_t>(code));
      pendingSkip_ = g.unicodeSkip;
    } else if (word == "uc") {
      g.unicodeSkip = std::clamp(parameter.value_or(1), 0, 8);
    } else if (word == "deff") {
      defaultFont_ = parameter.value_or(0);
    } else if (word == "emdash") {
      textChar(u'\u2014');
    } else if (word == "endash") {
      textChar(u'\u2013');
    } else if (word == "lquote") {
      textChar(u'\u2018');
    } else if (word == "rquote") {
      textChar(u'\u2019');
    } else if (word == "ldblquote") {
      textChar(u'\u201C');
    } else if (word == "rdblquote") {
      textChar(u'\u201D');
    } else if (word == "bullet") {
      textChar(u'\u2022');
    }
  }

  // Handles the words that open a destination; true when `word` was one.
  bool destinationWord(std::string_view word, bool ignorable) {
    GroupState& g = top();
    if (word == "fonttbl") {
      g.destination = Destination::FontTable;
      fontNumber_ = -1;
      fontName_.clear();
    } else if (word == "colortbl") {
      g.destination = Destination::ColourTable;
      colourComponents_ = std::nullopt;
    } else if (word == "listtable") {
      g.destination = Destination::ListTable;
    } else if (word == "listoverridetable") {
      g.destination = Destination::ListOverrides;
    } else if (word == "pn") {
      g.destination = Destination::Numbering;
      numbering_ = ListStyle::Decimal;
    } else if (isSkippedDestination(word) || (ignorable && word != "fldrslt")) {
      g.destination = Destination::Skip;
    } else {
      return false;
    }
    return true;
  }

  void fontTableWord(std::string_view word, std::optional<int> parameter) {
    if (word == "f" && parameter) {
      storeFontName();
      fontNumber_ = *parameter;
    }
  }

  void storeFontName() {
    const QString name = fontName_.trimmed();
    if (fontNumber_ >= 0 && !name.isEmpty() && !fonts_.contains(fontNumber_)) {
      fonts_[fontNumber_] = name;
    }
    fontName_.clear();
  }

  void colourTableWord(std::string_view word, int n) {
    const Rgb component = static_cast<Rgb>(std::clamp(n, 0, 255));
    Rgb rgb = colourComponents_.value_or(0);
    if (word == "red") {
      rgb = (rgb & 0x00FFFF) | (component << 16);
    } else if (word == "green") {
      rgb = (rgb & 0xFF00FF) | (component << 8);
    } else if (word == "blue") {
      rgb = (rgb & 0xFFFF00) | component;
    } else {
      return;
    }
    colourComponents_ = rgb;
  }

  void listTableWord(std::string_view word, int n) {
    if (top().destination == Destination::ListTable) {
      if (word == "list") {
        listLevels_ = 0;
        listFirstFormat_ = 0;
      } else if (word == "listlevel") {
        ++listLevels_;
      } else if ((word == "levelnfc" || word == "levelnfcn") && listLevels_ == 1) {
        listFirstFormat_ = n;
      } else if (word == "listid") {
        listFormats_[n] = listFirstFormat_;
      }
      return;
    }
    if (word == "listid") {
      overrideListId_ = n;
    } else if (word == "ls") {
      const auto found = listFormats_.find(overrideListId_);
      listStyles_[n] = listStyleOfLevelFormat(found == listFormats_.end() ? 0 : found->second);
    }
  }

  void numberingWord(std::string_view word) {
    if (word == "pnlvlblt") {
      numbering_ = ListStyle::Bullet;
    } else if (word == "pnlvlcont") {
      numbering_ = ListStyle::None;
    } else if (numbering_ != ListStyle::Bullet && numbering_ != ListStyle::None) {
      if (word == "pndec") numbering_ = ListStyle::Decimal;
      if (word == "pnlcltr") numbering_ = ListStyle::LowerLetter;
      if (word == "pnucltr") numbering_ = ListStyle::UpperLetter;
      if (word == "pnlcrm") numbering_ = ListStyle::LowerRoman;
      if (word == "pnucrm") numbering_ = ListStyle::UpperRoman;
    }
  }

  static bool isUnderlineOn(std::string_view word) {
    static constexpr std::string_view kKinds[] = {
        "ul",         "uld",       "uldash",     "uldashd", "uldashdd", "uldb",
        "ulhwave",    "ulldash",   "ulth",       "ulthd",   "ulthdash", "ulthdashd",
        "ulthdashdd", "ulthldash", "ululdbwave", "ulw",     "ulwave"};
    return std::find(std::begin(kKinds), std::end(kKinds), word) != std::end(kKinds);
  }

  bool characterWord(std::string_view word, std::optional<int> parameter) {
    CharState& ch = top().chars;
    const bool on = parameter.value_or(1) != 0;
    const int n = parameter.value_or(0);
    if (word == "plain") {
      ch = CharState{};
    } else if (word == "b") {
      ch.bold = on;
    } else if (word == "i") {
      ch.italic = on;
    } else if (isUnderlineOn(word)) {
      ch.underline = on;
    } else if (word == "ulnone") {
      ch.underline = false;
    } else if (word == "f") {
      ch.font = n;
    } else if (word == "fs") {
      ch.halfPoints =
          parameter ? std::clamp(n, kMinHalfPoints, kMaxHalfPoints) : kDefaultHalfPoints;
    } else if (word == "cf") {
      ch.colour = n;
    } else if (word == "highlight" || word == "cb" || word == "chcbpat") {
      ch.highlight = n;
    } else {
      return false;
    }
    return true;
  }

  bool paragraphWord(std::string_view word, int n) {
    GroupState& g = top();
    ParagraphStyle& p = g.paragraph;
    if (word == "pard") {
      p = ParagraphStyle{};
      g.nextTabKind = TabKind::Left;
    } else if (word == "ql") {
      p.alignment = Alignment::Left;
    } else if (word == "qc") {
      p.alignment = Alignment::Centre;
    } else if (word == "qr") {
      p.alignment = Alignment::Right;
    } else if (word == "qj") {
      p.alignment = Alignment::Justified;
    } else if (word == "li") {
      p.leftIndent = clampTwips(n);
    } else if (word == "ri") {
      p.rightIndent = clampTwips(n);
    } else if (word == "fi") {
      p.firstLineIndent = clampTwips(n);
    } else if (word == "tqr") {
      g.nextTabKind = TabKind::Right;
    } else if (word == "tqc") {
      g.nextTabKind = TabKind::Centre;
    } else if (word == "tqdec") {
      g.nextTabKind = TabKind::Decimal;
    } else if (word == "tx") {
      addTab(p, TabStop{std::clamp(n, 0, kMaxTwips), g.nextTabKind});
      g.nextTabKind = TabKind::Left;
    } else if (word == "ls") {
      const auto found = listStyles_.find(n);
      p.list = found == listStyles_.end() ? ListStyle::Bullet : found->second;
    } else {
      return false;
    }
    return true;
  }

  static void addTab(ParagraphStyle& p, TabStop tab) {
    auto at = std::lower_bound(p.tabs.begin(), p.tabs.end(), tab.twips,
                               [](const TabStop& t, int twips) { return t.twips < twips; });
    if (at != p.tabs.end() && at->twips == tab.twips) {
      *at = tab;
    } else if (p.tabs.size() < kMaxTabs) {
      p.tabs.insert(at, tab);
    }
  }

  void textByte(unsigned char byte) {
    switch (top().destination) {
      case Destination::Text:
        textChar(static_cast<char16_t>(cp1252ToCodePoint(byte)));
        return;
      case Destination::FontTable:
        if (byte == ';') {
          storeFontName();
        } else if (byte >= 0x20 && fontName_.size() < 64) {
          fontName_ += QChar(static_cast<char16_t>(cp1252ToCodePoint(byte)));
        }
        return;
      case Destination::ColourTable:
        if (byte == ';' && colours_.size() < kMaxColours) {
          colours_.push_back(colourComponents_);
          colourComponents_ = std::nullopt;
        }
        return;
      default:
        return;
    }
  }

  // A stretch of ordinary bytes of the document's text, taken at once.
  void plainText() {
    ignorableNext_ = false;
    cellTabEnds_ = false;
    std::size_t end = pos_;
    while (end < in_.size()) {
      const auto byte = static_cast<unsigned char>(in_[end]);
      if (byte == '\\' || byte == '{' || byte == '}' || byte < 0x20) break;
      ++end;
    }
    const CharState& ch = top().chars;
    if (!runText_.isEmpty() && !(ch == runChars_)) flushRun();
    if (runText_.isEmpty()) runChars_ = ch;
    char16_t chunk[256];
    while (pos_ < end) {
      std::size_t n = 0;
      for (; n < std::size(chunk) && pos_ < end; ++n, ++pos_) {
        chunk[n] = static_cast<char16_t>(cp1252ToCodePoint(static_cast<unsigned char>(in_[pos_])));
      }
      runText_.append(QStringView(chunk, static_cast<qsizetype>(n)));
    }
  }

  void textChar(QChar c) {
    if (top().destination != Destination::Text) return;
    cellTabEnds_ = false;
    if (c.unicode() < 0x20 && c != u'\t') return;  // \u1 and the like: not text
    const CharState& ch = top().chars;
    if (!runText_.isEmpty() && !(ch == runChars_)) flushRun();
    if (runText_.isEmpty()) runChars_ = ch;
    runText_ += c;
  }

  CharStyle resolve(const CharState& ch) const {
    CharStyle style;
    auto font = fonts_.find(ch.font >= 0 ? ch.font : defaultFont_);
    if (font == fonts_.end()) font = fonts_.find(defaultFont_);
    if (font != fonts_.end()) style.font = font->second;
    style.halfPoints = ch.halfPoints;
    style.bold = ch.bold;
    style.italic = ch.italic;
    style.underline = ch.underline;
    style.colour = colourAt(ch.colour);
    style.highlight = colourAt(ch.highlight);
    return style;
  }

  std::optional<Rgb> colourAt(int index) const {
    if (index <= 0 || index >= static_cast<int>(colours_.size())) return std::nullopt;
    return colours_[static_cast<std::size_t>(index)];
  }

  void flushRun() {
    if (runText_.isEmpty()) return;
    CharStyle style = resolve(runChars_);
    auto& runs = paragraph_.runs;
    if (!runs.empty() && runs.back().style == style) {
      runs.back().text += runText_;
    } else {
      runs.push_back(TextRun{runText_, std::move(style)});
    }
    runText_.clear();
  }

  void finishParagraph() {
    cellTabEnds_ = false;
    flushRun();
    paragraph_.style = top().paragraph;
    paragraph_.markStyle = resolve(top().chars);
    result_.paragraphs.push_back(std::move(paragraph_));
    paragraph_ = Paragraph{};
  }

  // The markup's last \par ends the last paragraph; text after it (or no \par
  // at all) makes one more.
  void finishDocument() {
    flushRun();
    if (!paragraph_.runs.empty() || result_.paragraphs.empty()) finishParagraph();
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  std::vector<GroupState> stack_;
  int excessDepth_ = 0;
  int pendingSkip_ = 0;
  bool ignorableNext_ = false;
  bool ended_ = false;

  std::map<int, QString> fonts_;
  int defaultFont_ = 0;
  int fontNumber_ = -1;
  QString fontName_;
  std::vector<std::optional<Rgb>> colours_;
  std::optional<Rgb> colourComponents_;

  std::map<int, int> listFormats_;       // \listid -> format of its first level
  std::map<int, ListStyle> listStyles_;  // \ls -> style
  int listLevels_ = 0;
  int listFirstFormat_ = 0;
  int overrideListId_ = 0;
  ListStyle numbering_ = ListStyle::None;

  QString runText_;
  bool cellTabEnds_ = false;  // the run's last character is the tab of a \cell
  CharState runChars_;
  Paragraph paragraph_;
  RichText result_;
};

bool looksLikeRtf(std::string_view markup) {
  const auto start = markup.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return false;
  // A markup cut right after its opening brace is still rich text, not a note
  // whose text is "{".
  const std::string_view rest = markup.substr(start);
  return rest.substr(0, 2) == "{\\" || rest == "{";
}

RichText readPlainText(std::string_view text) {
  RichText result;
  std::size_t start = 0;
  while (true) {
    const auto end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    Paragraph paragraph;
    if (!line.empty()) paragraph.runs.push_back(TextRun{toQString(line), CharStyle{}});
    result.paragraphs.push_back(std::move(paragraph));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return result;
}

}  // namespace

RichText readRtf(std::string_view markup) {
  if (!looksLikeRtf(markup)) return readPlainText(clip(markup));
  return Reader(markup).run();
}

QString plainTextOf(const RichText& text) {
  QString out;
  bool first = true;
  for (const Paragraph& paragraph : text.paragraphs) {
    if (!first) out += QStringLiteral("\r\n");
    first = false;
    for (const TextRun& run : paragraph.runs) out += run.text;
  }
  out.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
  return out;
}

std::string rtfPlainText(std::string_view markup) {
  return fromQString(plainTextOf(readRtf(markup)));
}

}  // namespace rt
