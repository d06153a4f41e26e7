#include "practice/register_procedures.h"

namespace practice {

void registerProcedures() {}

}  // namespace practice
