#pragma once
// A code entry of a record form looked up in its catalogue: a code of 0
// needs nothing; a code larger than the catalogue's key holds is refused
// with a message (it would find another record); a known code shows its record; an unknown one opens the
// catalogue's list to choose from, and a list closed without a choice leaves
// the typed code and the cursor where they were. The lookup button opens the
// list whatever the code.
#include "core/shapes/record_form.h"
#include "platform/data/table_dictionary.h"

namespace practice {

struct CodeLookup {
  const char* entry;   // the code's entry
  const char* button;  // its lookup button
  const char* field;   // the form's code field, "CON:Cod_Medico"
  const rt::TableDef& (*catalogue)();
  const char* catalogueField;
  int key;
  const char* list;  // the catalogue's list, run with request 4
};

// Benign, or Notify when the list was closed without a choice from the
// entry (the rest of the event is skipped). The caller refreshes after.
int runCodeLookup(core::RecordForm& form, const CodeLookup& lookup, bool fromButton);

}  // namespace practice
