#include "core/register_procedures.h"

#include "core/data_files.h"
#include "core/frame.h"
#include "core/global_settings.h"
#include "core/startup_hooks.h"
#include "core/system_settings_window.h"
#include "core/table_managers.h"
#include "core/table_registration.h"
#include "core/users_windows.h"
#include "platform/base/cp_literal.h"
#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/runtime_errors.h"
#include "platform/ui/printer_setup.h"

namespace core {

void registerProcedures() {
  registerTableManagers();
  registerFrame();
  registerGlobalSettings();
  rt::registerProcedure("VentanaParametrosSistema",
                        [](const rt::ProcedureArgs&) { return VentanaParametrosSistema(); });
  registerUserProcedures();
  rt::registerProcedure("PrinterSetup", [](const rt::ProcedureArgs&) {
    rt::printerSetup();
    return rt::kCompleted;
  });
  rt::registerProcedure(hook::TableUpgradeRegistration, [](const rt::ProcedureArgs&) {
    // The process's connection to the data folder's files, before any table
    // is used; a file that does not open shows up when its tables are opened.
    const int opened = openPracticeDatabaseWaiting(rt::workingFolder());
    if (opened == rt::error::BadDataFile) {
      // Reported and recorded at the last start: maintenance deals with it now.
      if (openMaintenanceForRecordedDamage()) rt::halt(1);
      if (reportDamagedDataFiles(rt::workingFolder())) rt::halt(1);
    }
    if (opened == rt::error::FileLocked) {
      rt::MessageRequest message;
      message.caption = "Archivos de datos bloqueados";
      message.icon = rt::MessageIcon::Error;
      message.text =
          "Otra estación de trabajo mantiene bloqueados los archivos de datos desde hace más de "
          "10 segundos.|El programa se cerrará; vuelva a iniciarlo en unos momentos."_cp;
      rt::showMessage(message);
      rt::halt(1);
    }
    registerTables();
    return rt::kCompleted;
  });
}

}  // namespace core
