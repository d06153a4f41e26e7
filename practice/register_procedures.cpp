#include "practice/register_procedures.h"

#include "core/startup_hooks.h"
#include "platform/base/procedures.h"
#include "practice/consultation_report.h"
#include "practice/physician_windows.h"
#include "practice/planner_day.h"

namespace practice {

void registerProcedures() {
  registerPhysicianProcedures();
  rt::registerProcedure("ReporteConsultas", [](const rt::ProcedureArgs& args) {
    return runReporteConsultas(args.size() > 0 ? args[0] : std::string(),
                               args.size() > 1 ? args[1] : std::string());
  });
  rt::registerProcedure(core::hook::FreeDayQueue, [](const rt::ProcedureArgs&) {
    FreeDayQueue();
    return rt::kCompleted;
  });
}

}  // namespace practice
