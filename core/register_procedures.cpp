#include "core/register_procedures.h"

#include "core/interim_frame.h"
#include "core/startup_hooks.h"
#include "platform/base/procedures.h"

namespace core {

void registerProcedures() {
  rt::registerProcedure(hook::Main, [](const rt::ProcedureArgs&) { return runInterimFrame(); });
}

}  // namespace core
