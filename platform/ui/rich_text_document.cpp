#include "platform/ui/rich_text_document.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <cmath>

#include "platform/ui/rtf_reader.h"
#include "platform/ui/rtf_writer.h"

namespace rt {

Qt::Alignment qtAlignment(Alignment alignment) {
  switch (alignment) {
    case Alignment::Centre:
      return Qt::AlignHCenter;
    case Alignment::Right:
      return Qt::AlignRight;
    case Alignment::Justified:
      return Qt::AlignJustify;
    case Alignment::Left:
      break;
  }
  return Qt::AlignLeft;
}

Alignment alignmentOf(Qt::Alignment alignment) {
  if (alignment & Qt::AlignHCenter) return Alignment::Centre;
  if (alignment & Qt::AlignJustify) return Alignment::Justified;
  if (alignment & (Qt::AlignRight | Qt::AlignTrailing)) return Alignment::Right;
  return Alignment::Left;
}

QTextOption::TabType qtTabType(TabKind kind) {
  switch (kind) {
    case TabKind::Centre:
      return QTextOption::CenterTab;
    case TabKind::Right:
      return QTextOption::RightTab;
    case TabKind::Decimal:
      return QTextOption::DelimiterTab;
    case TabKind::Left:
      break;
  }
  return QTextOption::LeftTab;
}

TabKind tabKindOf(QTextOption::TabType type) {
  switch (type) {
    case QTextOption::CenterTab:
      return TabKind::Centre;
    case QTextOption::RightTab:
      return TabKind::Right;
    case QTextOption::DelimiterTab:
      return TabKind::Decimal;
    case QTextOption::LeftTab:
      break;
  }
  return TabKind::Left;
}

QTextBlockFormat blockFormatOf(const ParagraphStyle& style, double unitsPerTwip) {
  QTextBlockFormat format;
  format.setAlignment(qtAlignment(style.alignment));
  format.setLeftMargin(style.leftIndent * unitsPerTwip);
  format.setRightMargin(style.rightIndent * unitsPerTwip);
  if (style.list == ListStyle::None) {
    format.setTextIndent(style.firstLineIndent * unitsPerTwip);
  } else {
    format.setProperty(kHangingIndentProperty, style.firstLineIndent);
  }
  if (!style.tabs.empty()) format.setTabPositions(qtTabs(style.tabs));
  return format;
}

namespace {

int twipsOf(double units, double unitsPerTwip) {
  return static_cast<int>(std::lround(units / unitsPerTwip));
}

}  // namespace

// Qt scales tab positions by the layout device's resolution itself: they are
// always given at the screen's 96 units per inch.
QList<QTextOption::Tab> qtTabs(const std::vector<TabStop>& tabs) {
  QList<QTextOption::Tab> out;
  for (const TabStop& tab : tabs) {
    out.append(QTextOption::Tab(tab.twips * kScreenUnitsPerTwip, qtTabType(tab.kind),
                                tab.kind == TabKind::Decimal ? QChar(u',') : QChar()));
  }
  return out;
}

std::vector<TabStop> tabStopsOf(const QTextBlockFormat& format) {
  std::vector<TabStop> tabs;
  for (const QTextOption::Tab& tab : format.tabPositions()) {
    tabs.push_back(TabStop{twipsOf(tab.position, kScreenUnitsPerTwip), tabKindOf(tab.type)});
  }
  return tabs;
}

ParagraphStyle paragraphStyleOf(const QTextBlock& block, double unitsPerTwip) {
  const QTextBlockFormat format = block.blockFormat();
  ParagraphStyle style;
  style.alignment = alignmentOf(format.alignment());
  // Indent levels (of pasted text, or of lists made elsewhere) become part of
  // the left indent, where the markup keeps them.
  const double levelWidth = block.document() ? block.document()->indentWidth() : 0;
  double left = format.leftMargin() + format.indent() * levelWidth;
  style.rightIndent = twipsOf(format.rightMargin(), unitsPerTwip);
  if (const QTextList* list = block.textList()) {
    left += list->format().indent() * levelWidth;
    style.list = listStyleOf(list->format());
    style.firstLineIndent = format.intProperty(kHangingIndentProperty);
  } else {
    style.firstLineIndent = twipsOf(format.textIndent(), unitsPerTwip);
  }
  style.leftIndent = twipsOf(left, unitsPerTwip);
  style.tabs = tabStopsOf(format);
  return style;
}

QTextCharFormat charFormatOf(const CharStyle& style) {
  QTextCharFormat format;
  if (!style.font.isEmpty()) format.setFontFamilies(QStringList{style.font});
  format.setFontPointSize(style.halfPoints / 2.0);
  format.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
  format.setFontItalic(style.italic);
  format.setFontUnderline(style.underline);
  if (style.colour) format.setForeground(QColor(QRgb(*style.colour)));
  if (style.highlight) format.setBackground(QColor(QRgb(*style.highlight)));
  return format;
}

CharStyle charStyleOf(const QTextCharFormat& format, const QFont& defaultFont) {
  CharStyle style;
  const QStringList families = format.fontFamilies().toStringList();
  style.font = families.isEmpty() ? defaultFont.family() : families.first();
  const double points = format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize()
                                                                       : defaultFont.pointSizeF();
  style.halfPoints = points > 0 ? static_cast<int>(std::lround(points * 2)) : 24;
  style.bold = format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight() > QFont::Medium
                                                           : defaultFont.bold();
  style.italic =
      format.hasProperty(QTextFormat::FontItalic) ? format.fontItalic() : defaultFont.italic();
  style.underline = format.fontUnderline();
  if (format.foreground().style() != Qt::NoBrush) {
    style.colour = format.foreground().color().rgb() & 0xFFFFFF;
  }
  if (format.background().style() != Qt::NoBrush) {
    style.highlight = format.background().color().rgb() & 0xFFFFFF;
  }
  return style;
}

QTextListFormat::Style listFormatStyle(ListStyle style) {
  switch (style) {
    case ListStyle::Decimal:
      return QTextListFormat::ListDecimal;
    case ListStyle::LowerLetter:
      return QTextListFormat::ListLowerAlpha;
    case ListStyle::UpperLetter:
      return QTextListFormat::ListUpperAlpha;
    case ListStyle::LowerRoman:
      return QTextListFormat::ListLowerRoman;
    case ListStyle::UpperRoman:
      return QTextListFormat::ListUpperRoman;
    default:
      return QTextListFormat::ListDisc;
  }
}

ListStyle listStyleOf(const QTextListFormat& format) {
  switch (format.style()) {
    case QTextListFormat::ListDecimal:
      return ListStyle::Decimal;
    case QTextListFormat::ListLowerAlpha:
      return ListStyle::LowerLetter;
    case QTextListFormat::ListUpperAlpha:
      return ListStyle::UpperLetter;
    case QTextListFormat::ListLowerRoman:
      return ListStyle::LowerRoman;
    case QTextListFormat::ListUpperRoman:
      return ListStyle::UpperRoman;
    default:
      return ListStyle::Bullet;
  }
}

void fillDocument(QTextDocument& document, const RichText& text, double unitsPerTwip) {
  // Filling is not an edit: the user cannot undo the text back to nothing.
  const bool undoable = document.isUndoRedoEnabled();
  document.setUndoRedoEnabled(false);
  document.clear();
  QTextCursor cursor(&document);
  cursor.beginEditBlock();
  QTextList* list = nullptr;
  ListStyle listStyle = ListStyle::None;
  bool first = true;
  for (const Paragraph& paragraph : text.paragraphs) {
    const QTextBlockFormat blockFormat = blockFormatOf(paragraph.style, unitsPerTwip);
    const QTextCharFormat markFormat = charFormatOf(paragraph.markStyle);
    if (first) {
      cursor.setBlockFormat(blockFormat);
      cursor.setBlockCharFormat(markFormat);
      first = false;
    } else {
      cursor.insertBlock(blockFormat, markFormat);
    }
    for (const TextRun& run : paragraph.runs) cursor.insertText(run.text, charFormatOf(run.style));
    if (paragraph.style.list == ListStyle::None) {
      list = nullptr;
    } else if (list && listStyle == paragraph.style.list) {
      list->add(cursor.block());
    } else {
      QTextListFormat format;
      format.setStyle(listFormatStyle(paragraph.style.list));
      format.setIndent(0);  // the paragraph's own left indent places it
      list = cursor.createList(format);
      listStyle = paragraph.style.list;
    }
  }
  cursor.endEditBlock();
  document.setUndoRedoEnabled(undoable);
  document.setModified(false);
}

RichText richTextOf(const QTextDocument& document, double unitsPerTwip) {
  RichText text;
  const QFont defaultFont = document.defaultFont();
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    Paragraph paragraph;
    paragraph.style = paragraphStyleOf(block, unitsPerTwip);
    paragraph.markStyle = charStyleOf(block.charFormat(), defaultFont);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid() || fragment.length() == 0) continue;
      CharStyle style = charStyleOf(fragment.charFormat(), defaultFont);
      if (!paragraph.runs.empty() && paragraph.runs.back().style == style) {
        paragraph.runs.back().text += fragment.text();
      } else {
        paragraph.runs.push_back(TextRun{fragment.text(), std::move(style)});
      }
    }
    text.paragraphs.push_back(std::move(paragraph));
  }
  return text;
}

void setDocumentRtf(QTextDocument& document, std::string_view markup, double unitsPerTwip) {
  fillDocument(document, readRtf(markup), unitsPerTwip);
}

std::string documentRtf(const QTextDocument& document, double unitsPerTwip) {
  return writeRtf(richTextOf(document, unitsPerTwip));
}

}  // namespace rt
