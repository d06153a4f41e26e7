#include "textlib/register_procedures.h"

#include "platform/base/ini_file.h"
#include "platform/base/procedures.h"
#include "textlib/debug_log.h"
#include "textlib/registry_access.h"

namespace textlib {

void registerProcedures() {
  // The process-wide objects, driven by the program's start and end.
  rt::registerProcedure("RegistryAccess.Construct", [](const rt::ProcedureArgs&) {
    constructRegistryAccess();
    return rt::kCompleted;
  });
  rt::registerProcedure("RegistryAccess.Destruct", [](const rt::ProcedureArgs&) {
    destroyRegistryAccess();
    return rt::kCompleted;
  });
  rt::registerProcedure("RegistryAccess.SetQuietMode", [](const rt::ProcedureArgs& args) {
    registryAccess().SetQuietMode(
        static_cast<std::uint8_t>(args.empty() ? 0 : rt::textToNumber(args[0])));
    return rt::kCompleted;
  });
  rt::registerProcedure("DebugLog.Defaults", [](const rt::ProcedureArgs&) {
    debugLog().DEBUGOFF = 0;
    debugLog().DEBUGPREFIX.assign(1, '!');
    return rt::kCompleted;
  });
  rt::registerProcedure("DebugLog.Init", [](const rt::ProcedureArgs&) {
    debugLog().Init();
    return rt::kCompleted;
  });
  rt::registerProcedure("DebugLog.Kill", [](const rt::ProcedureArgs&) {
    debugLog().Kill();
    return rt::kCompleted;
  });
}

}  // namespace textlib
