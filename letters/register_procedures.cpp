#include "letters/register_procedures.h"

#include "letters/built_in_macros.h"
#include "platform/base/procedures.h"

namespace letters {

void registerProcedures() {
  rt::registerProcedure("AltaMacros", [](const rt::ProcedureArgs&) {
    AltaMacros();
    return rt::kCompleted;
  });
}

}  // namespace letters
