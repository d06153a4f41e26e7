#include "admin/register_procedures.h"

namespace admin {

void registerProcedures() {}

}  // namespace admin
