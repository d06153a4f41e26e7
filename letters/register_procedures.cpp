#include "letters/register_procedures.h"

#include "letters/built_in_macros.h"
#include "letters/macro_windows.h"
#include "letters/template_windows.h"
#include "platform/base/procedures.h"

namespace letters {

void registerProcedures() {
  rt::registerProcedure("AltaMacros", [](const rt::ProcedureArgs&) {
    AltaMacros();
    return rt::kCompleted;
  });
  rt::registerProcedure("ExaminarMacros", [](const rt::ProcedureArgs&) { return ExaminarMacros(); });
  rt::registerProcedure("FormularioMacros", [](const rt::ProcedureArgs&) { return FormularioMacros(); });
  rt::registerProcedure("ExaminarNotasConMacros",
                        [](const rt::ProcedureArgs&) { return ExaminarNotasConMacros(); });
  rt::registerProcedure("FormularioNotasConMacros",
                        [](const rt::ProcedureArgs&) { return FormularioNotasConMacros(); });
}

}  // namespace letters
