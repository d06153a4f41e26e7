#include "app/all_procedures.h"

#include "admin/register_procedures.h"
#include "catalogs/register_procedures.h"
#include "core/register_procedures.h"
#include "letters/register_procedures.h"
#include "netlib/register_procedures.h"
#include "organiser/register_procedures.h"
#include "output/register_procedures.h"
#include "practice/register_procedures.h"
#include "textlib/register_procedures.h"

namespace app {

// Static libraries drop self-registering objects, so every subsystem's
// procedures are registered here, explicitly.
void registerAllProcedures() {
  core::registerProcedures();
  practice::registerProcedures();
  catalogs::registerProcedures();
  organiser::registerProcedures();
  letters::registerProcedures();
  textlib::registerProcedures();
  netlib::registerProcedures();
  output::registerProcedures();
  admin::registerProcedures();
}

}  // namespace app
