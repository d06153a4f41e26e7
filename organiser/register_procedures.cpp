#include "organiser/register_procedures.h"

#include "organiser/topic_procedures.h"

namespace organiser {

void registerProcedures() { registerTopicProcedures(); }

}  // namespace organiser
