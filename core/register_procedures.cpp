#include "core/register_procedures.h"

#include "core/data_files.h"
#include "core/frame.h"
#include "core/global_settings.h"
#include "core/startup_hooks.h"
#include "core/system_settings_window.h"
#include "core/table_managers.h"
#include "core/table_registration.h"
#include "core/users_windows.h"
#include "platform/base/logical_threads.h"
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
    if (openPracticeDatabase() == rt::error::BadDataFile && reportDamagedDataFiles(rt::workingFolder())) {
      rt::halt(1);
    }
    registerTables();
    return rt::kCompleted;
  });
}

}  // namespace core
