#include "letters/register_procedures.h"

#include "letters/built_in_macros.h"
#include "letters/letter_reports.h"
#include "letters/letter_window.h"
#include "letters/macro_windows.h"
#include "letters/template_windows.h"
#include "platform/base/procedures.h"

namespace letters {

void registerProcedures() {
  rt::registerProcedure("AltaMacros", [](const rt::ProcedureArgs&) {
    AltaMacros();
    return rt::kCompleted;
  });
  rt::registerProcedure("ExaminarMacros",
                        [](const rt::ProcedureArgs&) { return ExaminarMacros(); });
  rt::registerProcedure("FormularioMacros",
                        [](const rt::ProcedureArgs&) { return FormularioMacros(); });
  rt::registerProcedure("ExaminarNotasConMacros",
                        [](const rt::ProcedureArgs&) { return ExaminarNotasConMacros(); });
  rt::registerProcedure("FormularioNotasConMacros",
                        [](const rt::ProcedureArgs&) { return FormularioNotasConMacros(); });
  rt::registerProcedure("CrearNotaConMacro",
                        [](const rt::ProcedureArgs&) { return CrearNotaConMacro(); });
  // The letter travels as the reports' one argument.
  rt::registerProcedure("ReporteNotaConMacroNormal", [](const rt::ProcedureArgs& args) {
    return ReporteNotaConMacroNormal(args.empty() ? std::string() : args[0]);
  });
  rt::registerProcedure("ReporteNotaConMacroMembrete", [](const rt::ProcedureArgs& args) {
    return ReporteNotaConMacroMembrete(args.empty() ? std::string() : args[0]);
  });
}

}  // namespace letters
