#pragma once
// A lookup field: a code entry of a record form whose value is the code of a
// record of a catalogue. A code of 0 needs nothing; a code larger than the
// catalogue's key holds is refused with a message (it would find another
// record); a known code shows its record; an unknown one opens the
// catalogue's list to choose from, and a list closed without a choice leaves
// the typed code and the cursor where they were; a choice puts the cursor in
// the entry after the code. The lookup button opens the
// list whatever the code. The form binds its lookup fields (bindLookup): at
// OK it takes each one again, so a code without a record opens the list once
// more and, left without a choice, keeps the form open with nothing stored.
#include "platform/data/table_dictionary.h"

namespace core {

class RecordForm;

struct LookupField {
  const char* entry;   // the code's entry
  const char* button;  // its lookup button
  const char* field;   // the form's code field, "CON:Cod_Medico"
  const rt::TableDef& (*catalogue)();
  const char* catalogueField;
  int key;
  const char* list;  // the catalogue's list, run with request 4
};

// Whether the form's code is 0 or names a record of the catalogue (read into
// the thread's buffer of the catalogue).
bool lookupFound(RecordForm& form, const LookupField& lookup);

// Benign, or Notify when the list was closed without a choice from the
// entry (the rest of the event is skipped). The caller shows the catalogue's
// record after, whatever the answer: a code without a record shows none.
int runLookup(RecordForm& form, const LookupField& lookup, bool fromButton);

}  // namespace core
