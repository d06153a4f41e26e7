#include "practice/register_procedures.h"

#include "platform/base/procedures.h"
#include "practice/consultation_report.h"

namespace practice {

void registerProcedures() {
  rt::registerProcedure("ReporteConsultas", [](const rt::ProcedureArgs& args) {
    return runReporteConsultas(args.size() > 0 ? args[0] : std::string(),
                               args.size() > 1 ? args[1] : std::string());
  });
}

}  // namespace practice
