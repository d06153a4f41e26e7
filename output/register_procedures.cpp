#include "output/register_procedures.h"

namespace output {

void registerProcedures() {}

}  // namespace output
