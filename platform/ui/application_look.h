#pragma once
// What every window of the program shares from the start: the program's own
// icon and the toolkit's dialogs (file choosers, printing) in Spanish.
#include <QIcon>

namespace rt {

// The program's icon, drawn from the SVG kept with the sources.
QIcon programIcon();

// Gives the application the program's icon, makes Argentine Spanish the
// default locale and loads the toolkit's Spanish translations; false when the
// translations are not installed.
bool applyApplicationLook();

}  // namespace rt
