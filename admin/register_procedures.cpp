#include "admin/register_procedures.h"

#include "admin/backup.h"
#include "platform/base/procedures.h"

namespace admin {

void registerProcedures() {
  rt::registerProcedure("Respaldo", [](const rt::ProcedureArgs&) { return Respaldo(); });
}

}  // namespace admin
