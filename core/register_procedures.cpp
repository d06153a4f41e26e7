#include "core/register_procedures.h"

namespace core {

void registerProcedures() {}

}  // namespace core
