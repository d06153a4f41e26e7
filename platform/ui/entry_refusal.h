#pragma once
// Refusing what an entry holds when its picture cannot read it or its value
// lies outside the entry's range: a message that names the entry (by its
// prompt) and the text, then the focus back on the entry with the text kept
// for correction. Windows refuse an entry when the user leaves it, and a form
// refuses every bound entry again before it stores anything.
#include <QString>
#include <string>

class QWidget;

namespace rt {

// The entry's name as the user reads it: the text of the prompt that labels
// it, else its tool tip, else its control name.
QString entryName(const QWidget* entry);

// The message refusing the control's text (CP1252); empty when the control is
// not an enabled entry or its text can be stored.
std::string entryRefusalText(const QWidget* control);

// Shows the refusal and puts the focus back on the entry; false (nothing
// shown) when the text can be stored.
bool refuseEntry(QWidget* control);

}  // namespace rt
