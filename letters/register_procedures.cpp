#include "letters/register_procedures.h"

namespace letters {

void registerProcedures() {}

}  // namespace letters
