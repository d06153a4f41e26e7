#include "output/register_procedures.h"

#include "output/export_stand_in.h"
#include "output/report_destination_window.h"
#include "platform/base/procedures.h"

namespace output {

void registerProcedures() {
  rt::registerProcedure("VentanaParametrosListado",
                        [](const rt::ProcedureArgs&) { return runVentanaParametrosListado(); });
  rt::registerProcedure(core::kExportWindow,
                        [](const rt::ProcedureArgs&) { return runExportStandIn(); });
}

}  // namespace output
