#include "organiser/topic_procedures.h"

#include <cstdlib>

#include "organiser/note_windows.h"
#include "organiser/notes_listing.h"
#include "organiser/topic_windows.h"
#include "organiser/topics_report.h"
#include "platform/base/procedures.h"

namespace organiser {

void registerTopicProcedures() {
  rt::registerProcedure("ExaminarTemas", [](const rt::ProcedureArgs&) { return ExaminarTemas(); });
  rt::registerProcedure("FormularioTemas",
                        [](const rt::ProcedureArgs&) { return FormularioTemas(); });
  rt::registerProcedure("Notas", [](const rt::ProcedureArgs&) { return Notas(); });
  rt::registerProcedure("FormularioNotas",
                        [](const rt::ProcedureArgs&) { return FormularioNotas(); });
  rt::registerProcedure("ListadoDeNotas", [](const rt::ProcedureArgs& args) {
    const unsigned long code = args.empty() ? 0 : std::strtoul(args[0].c_str(), nullptr, 10);
    return ListadoDeNotas(static_cast<std::uint16_t>(code));
  });
  rt::registerProcedure("ReporteTemasFiltrado", [](const rt::ProcedureArgs& args) {
    return ReporteTemasFiltrado(args.size() > 0 ? args[0] : std::string(),
                                args.size() > 1 ? args[1] : std::string());
  });
}

}  // namespace organiser
