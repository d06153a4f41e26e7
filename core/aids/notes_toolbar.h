#pragma once
// The tool bar over a rich-text notes box: undo and redo, tab stops and
// indents, alignment, numbering and its style, font name, style, size,
// bold, italic, underline, font and highlight colours. Each tool is handed
// to the rich-text control, which performs it when the window accepts it.
#include <QWidget>

#include "platform/ui/rtf_control.h"

namespace core {

// The tools some editors add to (or leave out of) the usual set.
struct NotesTools {
  bool find = false;       // "Find" and "Find and Replace"
  bool clipboard = false;  // "Cut" and "Copy"
  bool paste = false;
  bool fontScript = true;
};

QWidget* buildNotesToolBar(QWidget* parent, rt::RtfControl& control, const NotesTools& tools = {});

// The tools a window in view mode disables (they change the text).
void lockNotesToolBar(QWidget* toolBar);

}  // namespace core
