#include "catalogs/register_procedures.h"

namespace catalogs {

void registerProcedures() {}

}  // namespace catalogs
