#include "practice/register_procedures.h"

#include <cstdlib>

#include "core/aids/patient_services.h"
#include "core/frame/startup_hooks.h"
#include "platform/base/procedures.h"
#include "practice/attachment_form.h"
#include "practice/consultation_form.h"
#include "practice/consultation_log_list.h"
#include "practice/consultation_report.h"
#include "practice/listing_procedures.h"
#include "practice/notes_length_pass.h"
#include "practice/patient_form.h"
#include "practice/patient_list.h"
#include "practice/physician_windows.h"
#include "practice/planner_day.h"
#include "practice/planner_window.h"

namespace practice {

void registerProcedures() {
  rt::registerProcedure("FormularioPacientes",
                        [](const rt::ProcedureArgs&) { return FormularioPacientes(); });
  rt::registerProcedure("FormularioConsultas", [](const rt::ProcedureArgs& args) {
    return FormularioConsultas(!args.empty() && args[0] == "1");
  });
  rt::registerProcedure("FormularioAdjuntos",
                        [](const rt::ProcedureArgs&) { return FormularioAdjuntos(); });
  rt::registerProcedure("ExaminarLogConsulta", [](const rt::ProcedureArgs& args) {
    return ExaminarLogConsulta(
        args.empty() ? 0u : static_cast<std::uint32_t>(std::strtoul(args[0].c_str(), nullptr, 10)));
  });
  rt::registerProcedure("CuentaLargoConsulta", [](const rt::ProcedureArgs&) {
    CuentaLargoConsulta();
    return rt::kCompleted;
  });
  rt::registerProcedure("AbrirArchivoAdjunto", [](const rt::ProcedureArgs& args) {
    core::AbrirArchivoAdjunto(args.empty() ? std::string() : args[0]);
    return rt::kCompleted;
  });
  rt::registerProcedure("ExaminarPacientes",
                        [](const rt::ProcedureArgs&) { return ExaminarPacientes(); });
  registerPhysicianProcedures();
  rt::registerProcedure("ReporteConsultas", [](const rt::ProcedureArgs& args) {
    return runReporteConsultas(args.size() > 0 ? args[0] : std::string(),
                               args.size() > 1 ? args[1] : std::string());
  });
  registerListingProcedures();
  registerPlannerProcedures();
  rt::registerProcedure(core::hook::FreeDayQueue, [](const rt::ProcedureArgs&) {
    FreeDayQueue();
    return rt::kCompleted;
  });
}

}  // namespace practice
