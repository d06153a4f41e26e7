#include "output/register_procedures.h"

#include "output/email_window.h"
#include "output/export_layouts.h"
#include "output/export_window.h"
#include "output/report_destination_window.h"
#include "output/support_window.h"
#include "platform/base/procedures.h"

namespace output {

void registerProcedures() {
  rt::registerProcedure("VentanaParametrosListado",
                        [](const rt::ProcedureArgs&) { return runVentanaParametrosListado(); });
  rt::registerProcedure("EnvioEmailTLFull", runEnvioEmailTLFull);
  rt::registerProcedure("TLSoporte", [](const rt::ProcedureArgs&) { return runTLSoporte(); });
  rt::registerProcedure(core::kExportWindow,
                        [](const rt::ProcedureArgs&) { return runKovExportSourceV2(); });
  rt::registerProcedure("Kov_SelectGeneracion", [](const rt::ProcedureArgs& args) {
    auto arg = [&args](std::size_t i) { return i < args.size() ? args[i] : std::string(); };
    return runKovSelectGeneracion(arg(0), arg(1), arg(2));
  });
}

}  // namespace output
