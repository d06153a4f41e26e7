#pragma once
// Routines of the patient form that other windows follow too: the age text,
// the e-mail link, opening an attached file, and the locality type-ahead.
#include <QLineEdit>
#include <QToolButton>
#include <string>
#include <string_view>

#include "platform/base/clock.h"

namespace core {

// The age shown beside a birth date: the count and " Dias", " Meses" or
// " Años", at most `width` characters; empty for no date or one after today.
std::string CalcularEdad(rt::Date birth, int width = 14);

// "mailto:" and the address without trailing blanks, percent-encoded but for
// "@", so that "?" or "&" in a typed address cannot add headers or a body.
std::string mailLink(std::string_view address);

// The envelope beside an e-mail entry: a hand cursor over it, and a click
// that the window receives as an accepted event of the button.
QToolButton* CrearEnlaceEmail(QWidget* parent, const char* name);
// Opens the user's mail program on a new message to the address.
void AbrirEnlaceEmail(std::string_view address);

// Opens an attached file with the program the desktop gives it; a failure
// the shell reports with a known code is shown with its text.
void AbrirArchivoAdjunto(std::string_view path);

// Consultation notes as a list shows, searches and exports them: the plain
// text of rich-text markup without trailing blanks; other text as it is.
std::string notesAsText(std::string markup);

// The locality type-ahead on a name entry: what the entry shows and what the
// postal code becomes after a keystroke. `cursor` is the number of
// characters before the cursor (after the key).
struct LocalityTypeAhead {
  std::string name;    // the entry's new text
  bool found = false;  // a locality starts with the typed prefix
  std::uint32_t postalCode = 0;
  int selectionStart = 0;  // 0-based
  int selectionEnd = 0;
};
LocalityTypeAhead CompletarLocalidad(std::string_view shown, int cursor, bool backspace);

}  // namespace core
