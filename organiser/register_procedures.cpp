#include "organiser/register_procedures.h"

#include <cstdlib>

#include "organiser/address_book.h"
#include "organiser/reminders.h"
#include "organiser/topic_procedures.h"
#include "platform/base/procedures.h"

namespace organiser {

void registerProcedures() {
  registerTopicProcedures();
  rt::registerProcedure("ProcesoAgenda", [](const rt::ProcedureArgs&) {
    ProcesoAgenda();
    return 0;
  });
  rt::registerProcedure("FormularioAgendaAlarma", [](const rt::ProcedureArgs& args) {
    const long code = args.empty() ? 0 : std::atol(args[0].c_str());
    return FormularioAgendaAlarma(static_cast<std::uint16_t>(code));
  });
  rt::registerProcedure("LimpiarAgenda", [](const rt::ProcedureArgs&) {
    LimpiarAgenda();
    return 0;
  });
  rt::registerProcedure("ExaminarAgenda",
                        [](const rt::ProcedureArgs&) { return ExaminarAgenda(); });
  rt::registerProcedure("FormularioAgenda",
                        [](const rt::ProcedureArgs&) { return FormularioAgenda(); });
  rt::registerProcedure("ExaminarRubrosAgenda",
                        [](const rt::ProcedureArgs&) { return ExaminarRubrosAgenda(); });
  rt::registerProcedure("FormularioRubrosAgenda",
                        [](const rt::ProcedureArgs&) { return FormularioRubrosAgenda(); });
  rt::registerProcedure("ExaminarAgendaDirecciones",
                        [](const rt::ProcedureArgs&) { return ExaminarAgendaDirecciones(); });
  rt::registerProcedure("FormularioAgendaDirecciones",
                        [](const rt::ProcedureArgs&) { return FormularioAgendaDirecciones(); });
}

}  // namespace organiser
