#pragma once
// The maintenance pass over every consultation's notes: leading and trailing
// blanks removed, and the greatest length found reported.
#include <cstddef>

namespace practice {

struct NotesPass {
  std::size_t longest = 0;
  int rewritten = 0;
  int keptChangedElsewhere = 0;
  // Trimmed but not written: no transaction could begin (another
  // workstation held the lock).
  int notWritten = 0;
};

// The pass itself, on the calling thread's Consultas (open).
NotesPass passOverNotes();
// The procedure the frame starts: the pass, then its closing message.
void CuentaLargoConsulta();

}  // namespace practice
