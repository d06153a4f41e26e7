#include "practice/notes_length_pass.h"

#include <QApplication>
#include <string>

#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/runtime_errors.h"
#include "platform/base/thread_timer.h"
#include "platform/data/database.h"

namespace practice {
namespace {

// Records written per transaction; other windows are served between them.
constexpr int kBatch = 200;

std::string trimmedBlanks(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

NotesPass passOverNotes() {
  NotesPass pass;
  rt::Table& t = core::Consultas::table();
  t.clear();
  t.setToStart(core::Consultas::CON01);
  int inBatch = 0;
  auto endBatch = [&] {
    if (inBatch == 0) return;
    rt::commitTransaction();
    inBatch = 0;
    rt::waitOnTimer(0);
  };
  while (t.next() == rt::error::NoError) {
    std::string& notes = core::CON().Notas;
    std::string trimmed = trimmedBlanks(notes);
    pass.longest = std::max(pass.longest, trimmed.size());
    // Only a change is written: a needless write would refuse the save of a
    // form that has the consultation open elsewhere.
    if (trimmed == notes) continue;
    notes = std::move(trimmed);
    if (inBatch == 0 && rt::beginTransaction() != 0) {
      ++pass.notWritten;
      continue;
    }
    ++inBatch;
    // A record changed elsewhere since it was read is left as it was stored.
    if (t.put() == rt::error::NoError) {
      ++pass.rewritten;
    } else {
      ++pass.keptChangedElsewhere;
    }
    if (inBatch >= kBatch) endBatch();
  }
  endBatch();
  return pass;
}

void CuentaLargoConsulta() {
  core::TableAccess& access = core::access(core::Consultas::def());
  const bool opened = access.open() == core::level::Benign;
  const NotesPass pass = opened ? passOverNotes() : NotesPass{};
  if (opened) access.close();
  std::string text = "El proceso ha finalizado.|Puede seguir utilizando el Sistema. -> " +
                     std::to_string(pass.longest);
  // Notes left with their blanks are said, so the pass can be run again.
  const int untrimmed = pass.notWritten + pass.keptChangedElsewhere;
  if (untrimmed > 0) {
    text += "||No se pudieron actualizar " + std::to_string(untrimmed) +
            " consultas (en uso o cambiadas en otro puesto). Vuelva a ejecutar el proceso.";
  }
  QApplication::beep();
  rt::showMessage({text,
                   "Fin de Proceso",
                   untrimmed > 0 ? rt::MessageIcon::Warning : rt::MessageIcon::Information,
                   rt::button::Ok,
                   {},
                   rt::button::Ok});
}

}  // namespace practice
