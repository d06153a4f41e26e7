#include "core/register_procedures.h"

#include <unistd.h>

#include "core/frame/frame.h"
#include "core/frame/global_settings.h"
#include "core/frame/startup_hooks.h"
#include "core/frame/system_settings_window.h"
#include "core/frame/users_windows.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "platform/base/cp_literal.h"
#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/runtime_errors.h"
#include "platform/data/database.h"
#include "platform/ui/printer_setup.h"

namespace core {
namespace {

// A data file missing beside files that hold data may have been moved or
// renamed: the user chooses to create it empty or to end (the default).
// True to create it; ends the program otherwise.
bool askToCreateMissingDataFile(const std::filesystem::path& folder) {
  const rt::DataFile* missing = rt::missingBesideData(folder, practiceDataFiles());
  if (!missing) return false;
  rt::MessageRequest message;
  message.caption = "Falta un archivo de datos";
  message.icon = rt::MessageIcon::Question;
  message.text = "Falta el archivo de datos " + missing->fileName + " en " + folder.string() +
                 ", donde los otros archivos tienen datos: puede haber sido movido o renombrado.|"
                 "¿Crearlo vacío? Si responde No, el programa se cerrará sin crear nada."_cp;
  message.buttons = rt::button::Yes | rt::button::No;
  message.defaultButton = rt::button::No;
  if (rt::showMessage(message) == rt::button::Yes) return true;
  rt::halt(1);
}

// Data files (or their folder) that cannot be written: said once at start,
// naming them, so the first save does not find it out.
void reportUnwritableDataFiles(const std::filesystem::path& folder) {
  std::string names;
  const bool folderWritable = ::access(folder.c_str(), W_OK) == 0;
  for (const rt::DataFile* file : practiceDataFiles()) {
    const std::filesystem::path path = rt::dataFilePath(folder, *file);
    if (!folderWritable || ::access(path.c_str(), W_OK) != 0)
      names += (names.empty() ? "" : ", ") + path.filename().string();
  }
  if (names.empty()) return;
  rt::MessageRequest message;
  message.caption = "Archivos de datos de sólo lectura"_cp;
  message.icon = rt::MessageIcon::Warning;
  message.text = "No se puede escribir en los archivos de datos " + names + " de " +
                 folder.string() + (folderWritable ? "" : " (la carpeta es de sólo lectura)"_cp) +
                 ".|Se pueden consultar, pero ningún cambio podrá guardarse."_cp;
  rt::showMessage(message);
}

}  // namespace

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
    // is used.
    const std::filesystem::path folder = rt::workingFolder();
    const bool createMissing = askToCreateMissingDataFile(folder);
    auto openFiles = [&] { return openPracticeDatabaseWaiting(folder, 10000, createMissing); };
    int opened = openFiles();
    if (opened != 0 && opened != rt::error::FileLocked) {
      // Reported and recorded at the last start: maintenance deals with it
      // now, and the start goes on once the files open.
      if (openMaintenanceForRecordedDamage()) opened = openFiles();
      if (opened != 0 && opened != rt::error::FileLocked) {
        reportDamagedDataFiles(folder);
        rt::halt(1);
      }
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
    reportUnwritableDataFiles(folder);
    registerTables();
    return rt::kCompleted;
  });
}

}  // namespace core
