#include "platform/ui/rich_text_editing.h"

#include <QTextBlock>
#include <QTextList>
#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/ui/rich_text_document.h"

namespace rt {
namespace {

double units(int twips) { return twips * kScreenUnitsPerTwip; }

std::vector<QTextBlock> selectedBlocks(const QTextCursor& cursor) {
  const QTextDocument* document = cursor.document();
  QTextBlock block = document->findBlock(cursor.selectionStart());
  const QTextBlock last = document->findBlock(cursor.selectionEnd());
  std::vector<QTextBlock> blocks;
  for (; block.isValid(); block = block.next()) {
    blocks.push_back(block);
    if (block == last) break;
  }
  return blocks;
}

// Runs `change` on each selected paragraph's format, in one undo step.
void changeBlocks(const QTextCursor& cursor,
                  const std::function<void(QTextBlock, QTextBlockFormat&)>& change) {
  QTextCursor edit(cursor.document());
  edit.beginEditBlock();
  for (const QTextBlock& block : selectedBlocks(cursor)) {
    QTextBlockFormat format = block.blockFormat();
    change(block, format);
    QTextCursor at(block);
    at.setBlockFormat(format);
  }
  edit.endEditBlock();
}

// Applies `change` to the character format of every fragment in the selection.
void changeCharacters(const QTextCursor& cursor,
                      const std::function<void(QTextCharFormat&)>& change) {
  if (!cursor.hasSelection()) return;
  const int start = cursor.selectionStart();
  const int end = cursor.selectionEnd();
  QTextCursor edit(cursor.document());
  edit.beginEditBlock();
  for (const QTextBlock& block : selectedBlocks(cursor)) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const int from = std::max(start, fragment.position());
      const int to = std::min(end, fragment.position() + fragment.length());
      if (from >= to) continue;
      QTextCharFormat format = fragment.charFormat();
      change(format);
      QTextCursor part(cursor.document());
      part.setPosition(from);
      part.setPosition(to, QTextCursor::KeepAnchor);
      part.setCharFormat(format);
    }
  }
  edit.endEditBlock();
}

QTextDocument::FindFlags findFlags(FindOptions options) {
  QTextDocument::FindFlags flags;
  if (options.matchCase) flags |= QTextDocument::FindCaseSensitively;
  if (options.wholeWord) flags |= QTextDocument::FindWholeWords;
  if (options.backwards) flags |= QTextDocument::FindBackward;
  return flags;
}

}  // namespace

Alignment alignmentAt(const QTextCursor& cursor) {
  return alignmentOf(cursor.blockFormat().alignment());
}

void setAlignment(const QTextCursor& cursor, Alignment alignment) {
  const Qt::Alignment qt = qtAlignment(alignment);
  changeBlocks(cursor, [qt](QTextBlock, QTextBlockFormat& format) { format.setAlignment(qt); });
}

Indents indentsAt(const QTextCursor& cursor) {
  const ParagraphStyle style = paragraphStyleOf(cursor.block(), kScreenUnitsPerTwip);
  return Indents{style.leftIndent, style.rightIndent, style.firstLineIndent};
}

void setIndents(const QTextCursor& cursor, const Indents& indents) {
  changeBlocks(cursor, [&indents](QTextBlock block, QTextBlockFormat& format) {
    format.setLeftMargin(units(indents.left));
    format.setRightMargin(units(indents.right));
    if (block.textList()) {
      format.setProperty(kHangingIndentProperty, indents.firstLine);
    } else {
      format.setTextIndent(units(indents.firstLine));
    }
  });
}

std::vector<TabStop> tabStopsAt(const QTextCursor& cursor) {
  return tabStopsOf(cursor.blockFormat());
}

void setTabStops(const QTextCursor& cursor, const std::vector<TabStop>& tabs) {
  std::vector<TabStop> sorted = tabs;
  std::sort(sorted.begin(), sorted.end(),
            [](const TabStop& a, const TabStop& b) { return a.twips < b.twips; });
  const QList<QTextOption::Tab> qt = qtTabs(sorted);
  changeBlocks(cursor, [&qt](QTextBlock, QTextBlockFormat& format) { format.setTabPositions(qt); });
}

ListStyle listStyleAt(const QTextCursor& cursor) {
  const QTextList* list = cursor.block().textList();
  return list ? listStyleOf(list->format()) : ListStyle::None;
}

void setListStyle(const QTextCursor& cursor, ListStyle style) {
  QTextCursor edit(cursor.document());
  edit.beginEditBlock();
  QTextList* created = nullptr;
  for (const QTextBlock& block : selectedBlocks(cursor)) {
    QTextList* list = block.textList();
    QTextBlockFormat format = block.blockFormat();
    QTextCursor at(block);
    if (style == ListStyle::None) {
      if (!list) continue;
      list->remove(block);
      format = block.blockFormat();
      format.setLeftMargin(std::max(0.0, format.leftMargin() - units(kListIndent)));
      format.clearProperty(kHangingIndentProperty);
      format.setTextIndent(0);
      at.setBlockFormat(format);
    } else if (list) {
      QTextListFormat listFormat = list->format();
      listFormat.setStyle(listFormatStyle(style));
      list->setFormat(listFormat);
    } else {
      format.setLeftMargin(std::max(format.leftMargin(), units(kListIndent)));
      format.setProperty(kHangingIndentProperty, -kListIndent);
      format.setTextIndent(0);
      at.setBlockFormat(format);
      if (created) {
        created->add(block);
      } else {
        QTextListFormat listFormat;
        listFormat.setStyle(listFormatStyle(style));
        listFormat.setIndent(0);
        created = at.createList(listFormat);
      }
    }
  }
  edit.endEditBlock();
}

QTextCursor insertParagraph(QTextCursor cursor, const QTextCharFormat& typing) {
  QTextCharFormat format = typing;
  format.clearProperty(QTextFormat::ObjectType);  // an embedded object's format is not text's
  cursor.beginEditBlock();
  if (!cursor.hasSelection() && cursor.currentList() && cursor.block().text().isEmpty()) {
    setListStyle(cursor, ListStyle::None);
  } else {
    cursor.insertBlock(cursor.blockFormat(), format);
  }
  cursor.setCharFormat(format);
  cursor.endEditBlock();
  return cursor;
}

namespace {

void setColourProperty(const QTextCursor& cursor, int property, std::optional<Rgb> colour) {
  changeCharacters(cursor, [property, colour](QTextCharFormat& format) {
    if (colour) {
      format.setProperty(property, QBrush(QColor(QRgb(*colour))));
    } else {
      format.clearProperty(property);
    }
  });
}

}  // namespace

void setTextColour(const QTextCursor& cursor, std::optional<Rgb> colour) {
  setColourProperty(cursor, QTextFormat::ForegroundBrush, colour);
}

void setHighlight(const QTextCursor& cursor, std::optional<Rgb> colour) {
  setColourProperty(cursor, QTextFormat::BackgroundBrush, colour);
}

QTextCursor findText(const QTextDocument& document, const QTextCursor& from, const QString& text,
                     FindOptions options) {
  if (text.isEmpty()) return QTextCursor();
  return document.find(text, from, findFlags(options));
}

bool selectionMatches(const QTextCursor& cursor, const QString& text, FindOptions options) {
  if (!cursor.hasSelection() || text.isEmpty()) return false;
  QTextCursor before(cursor.document());
  before.setPosition(cursor.selectionStart());
  FindOptions forward = options;
  forward.backwards = false;
  const QTextCursor found = findText(*cursor.document(), before, text, forward);
  return !found.isNull() && found.selectionStart() == cursor.selectionStart() &&
         found.selectionEnd() == cursor.selectionEnd();
}

int replaceAll(QTextDocument& document, const QString& text, const QString& replacement,
               FindOptions options) {
  options.backwards = false;
  QTextCursor edit(&document);
  edit.beginEditBlock();
  int count = 0;
  QTextCursor at(&document);
  while (true) {
    QTextCursor found = findText(document, at, text, options);
    if (found.isNull()) break;
    found.insertText(replacement);
    at = found;
    ++count;
  }
  edit.endEditBlock();
  return count;
}

}  // namespace rt
