#pragma once
// What the rich-text tools do to a document: paragraph formats applied to every
// paragraph the selection touches, numbering, colours that may be "Automatic",
// and find and replace. Each change is one undo step. Lengths are twips; the
// document is an editor's (96 layout units per inch).
#include <QTextCursor>
#include <QTextDocument>
#include <optional>
#include <vector>

#include "platform/ui/rich_text.h"

namespace rt {

struct Indents {
  int left = 0;
  int right = 0;
  int firstLine = 0;  // relative to the left indent; negative hangs
  bool operator==(const Indents&) const = default;
};

// The indent a paragraph takes when numbering is turned on, and gives back when
// it is turned off: the marker hangs in it.
inline constexpr int kListIndent = 360;

Alignment alignmentAt(const QTextCursor& cursor);
void setAlignment(const QTextCursor& cursor, Alignment alignment);

Indents indentsAt(const QTextCursor& cursor);
void setIndents(const QTextCursor& cursor, const Indents& indents);

std::vector<TabStop> tabStopsAt(const QTextCursor& cursor);
void setTabStops(const QTextCursor& cursor, const std::vector<TabStop>& tabs);

// ListStyle::None when the cursor's paragraph is not numbered.
ListStyle listStyleAt(const QTextCursor& cursor);
// None takes the paragraphs out of their lists; a style numbers them, changing
// the style of the lists they are already in.
void setListStyle(const QTextCursor& cursor, ListStyle style);

// A new paragraph at the cursor, as Enter makes it in a word processor: it
// takes the format of the paragraph it parts, and its mark and what is typed
// next take `typing` (the format of the text before it), so that an empty
// paragraph does not lose the format. Enter in an empty numbered paragraph
// takes it out of its list instead. One undo step; answers the cursor where
// typing goes on.
QTextCursor insertParagraph(QTextCursor cursor, const QTextCharFormat& typing);

// Colours of the selection; none means "Automatic" (no colour of its own).
void setTextColour(const QTextCursor& cursor, std::optional<Rgb> colour);
void setHighlight(const QTextCursor& cursor, std::optional<Rgb> colour);

struct FindOptions {
  bool matchCase = false;
  bool wholeWord = false;
  bool backwards = false;
};

// The next occurrence after (or before) the cursor's selection; null when none.
QTextCursor findText(const QTextDocument& document, const QTextCursor& from, const QString& text,
                     FindOptions options);
// Whether the cursor's selection is an occurrence of `text`.
bool selectionMatches(const QTextCursor& cursor, const QString& text, FindOptions options);
// Replaces every occurrence in the document; returns how many.
int replaceAll(QTextDocument& document, const QString& text, const QString& replacement,
               FindOptions options);

}  // namespace rt
