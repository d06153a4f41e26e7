#include "catalogs/register_procedures.h"

#include "catalogs/catalog_form.h"
#include "catalogs/catalog_list.h"
#include "platform/base/procedures.h"

namespace catalogs {

void registerProcedures() {
  for (const char* name : {"ExaminarEspecialidades", "ExaminarFeriados", "ExaminarOcupaciones",
                           "ExaminarTiposConsulta", "ExaminarCoberturas", "ExaminarProvincia",
                           "ExaminarLocalidades"}) {
    rt::registerProcedure(name, [name](const rt::ProcedureArgs&) { return runCatalogList(name); });
  }
  for (const char* name : {"FormularioEspecialidades", "FormularioFeriados",
                           "FormularioOcupaciones", "FormularioTiposConsulta",
                           "FormularioCobertura", "FormularioProvincia", "FormularioLocalidades"}) {
    rt::registerProcedure(name, [name](const rt::ProcedureArgs&) { return runCatalogForm(name); });
  }
}

}  // namespace catalogs
