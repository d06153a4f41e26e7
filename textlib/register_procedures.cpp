#include "textlib/register_procedures.h"

namespace textlib {

void registerProcedures() {}

}  // namespace textlib
