#include "admin/register_procedures.h"

#include "admin/backup.h"
#include "admin/file_manager.h"
#include "admin/whats_new.h"
#include "platform/base/procedures.h"

namespace admin {

void registerProcedures() {
  rt::registerProcedure("Respaldo", [](const rt::ProcedureArgs&) { return Respaldo(); });
  rt::registerProcedure("RuntimeFileManager",
                        [](const rt::ProcedureArgs&) { return RuntimeFileManager(); });
  rt::registerProcedure("WhatsNew", [](const rt::ProcedureArgs&) { return WhatsNew(); });
}

}  // namespace admin
