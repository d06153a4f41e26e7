#pragma once
// The rich text the editors offer, as a plain model between the RTF markup and
// QTextDocument: paragraphs of runs of uniform character formatting. Lengths are
// in twips (1/1440 inch), font sizes in half-points, as the markup states them.
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace rt {

// 0xRRGGBB.
using Rgb = std::uint32_t;

struct CharStyle {
  QString font;  // family name; empty: the document's default font
  int halfPoints = 24;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  std::optional<Rgb> colour;     // none: automatic
  std::optional<Rgb> highlight;  // none: no background
  bool operator==(const CharStyle&) const = default;
};

enum class Alignment { Left, Centre, Right, Justified };

// The numbering styles of the editors' bullet-style list, in its order (1 to 6).
enum class ListStyle {
  None = 0,
  Bullet = 1,
  Decimal = 2,
  LowerLetter = 3,
  UpperLetter = 4,
  LowerRoman = 5,
  UpperRoman = 6
};

enum class TabKind { Left, Centre, Right, Decimal };

struct TabStop {
  int twips = 0;
  TabKind kind = TabKind::Left;
  bool operator==(const TabStop&) const = default;
};

struct ParagraphStyle {
  Alignment alignment = Alignment::Left;
  int leftIndent = 0;
  int rightIndent = 0;
  int firstLineIndent = 0;  // relative to the left indent; negative hangs
  std::vector<TabStop> tabs;
  ListStyle list = ListStyle::None;
  bool operator==(const ParagraphStyle&) const = default;
};

// Run text is Unicode; a tab is '\t' and a line break inside the paragraph
// is U+2028 (QChar::LineSeparator).
struct TextRun {
  QString text;
  CharStyle style;
};

struct Paragraph {
  ParagraphStyle style;
  std::vector<TextRun> runs;
  // The formatting of the paragraph mark: what an empty paragraph is shown in.
  CharStyle markStyle;
};

struct RichText {
  std::vector<Paragraph> paragraphs;  // never empty once read
};

}  // namespace rt
