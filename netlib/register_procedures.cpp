#include "netlib/register_procedures.h"

namespace netlib {

void registerProcedures() {}

}  // namespace netlib
