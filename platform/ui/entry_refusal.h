#pragma once
// Refusing what an entry holds when it cannot be stored as typed: characters
// runtime text has no byte for, a text its picture cannot read, a value
// outside the entry's range, or more text than its field holds. A message
// names the entry (by its prompt) and what is wrong, then the focus goes back
// to the entry with the text kept for correction. Windows refuse an entry
// when the user leaves it, and a form refuses every bound entry again before
// it stores anything.
#include <QString>
#include <string>

class QWidget;

namespace rt {

// The entry's name as the user reads it: the text of the prompt that labels
// it, else its accessible name, else the title of the group box that frames
// a text box, else its tool tip, else the prompt of the line it shares with
// a labelled control, else its control name.
QString entryName(const QWidget* entry);

// The most characters a text box's field holds (a memo's limit); more is
// refused rather than stored cut. 0: no limit of its own.
void setTextLimit(QWidget* box, int characters);
int textLimit(const QWidget* box);

// The message refusing the control's text (CP1252); empty when the control is
// not an enabled entry or text box or its text can be stored.
std::string entryRefusalText(const QWidget* control);

// Shows the refusal and puts the focus back on the entry (on the first
// character it cannot store, or where the text passes the limit); false
// (nothing shown) when the text can be stored.
bool refuseEntry(QWidget* control);

}  // namespace rt
